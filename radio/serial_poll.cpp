#include "radio/serial_poll.h"

#include "db/log.h"
#include "platform/station.h"
#include "radio/reply_dispatch.h"

namespace vesk {

namespace {

SerialPollState& poll_state() { return station().state<SerialPollState>(); }

// Cuts the bytes of one read into frames. The terminator test comes before the restart, so
// a terminator as the last byte the buffer holds still makes a whole frame.
template <class Handler>
void frame_bytes(const uint8_t* bytes, int n, uint8_t* frame, int& fill, int capacity, ReplyTerminators t,
                 Handler&& handle) {
  for (int i = 0; i < n; ++i) {
    const uint8_t b = bytes[i];
    frame[fill++] = b;
    if (b == t.first || b == t.second) {
      frame[fill] = 0;
      const int count = fill;
      fill = 0;  // before the call: a handler that fails leaves no half frame behind
      handle(frame, count);
    } else if (fill >= capacity) {
      fill = 0;
    }
  }
}

// Reads every waiting byte of the port in blocks, passing each block on. False when the
// port failed (closed, or the read failed).
template <class Consumer>
bool read_all(SerialPort& port, uint8_t* block, Consumer&& consume) {
  const int waiting = port.in_buffer_count();
  if (waiting <= 0) return waiting == 0;
  for (;;) {
    const int n = port.input(block, kTncBlockBytes);
    if (n < 0) return false;
    if (n == 0) return true;
    consume(block, n);
    if (n < kTncBlockBytes) return true;
  }
}

}  // namespace

void serial_set_reply_terminators(SerialPortRole role, uint8_t first, uint8_t second) {
  poll_state().terminators[role] = static_cast<uint16_t>(first | second << 8);
}

ReplyTerminators serial_reply_terminators(SerialPortRole role) {
  const uint16_t pair = poll_state().terminators[role].load();
  return ReplyTerminators{static_cast<uint8_t>(pair & 0xFF), static_cast<uint8_t>(pair >> 8)};
}

SerialPollHooks& serial_poll_hooks() { return poll_state().hooks; }

void tnc_handle_input(const uint8_t* bytes, int count) {
  if (count <= 0) return;
  log_tnc_write(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
}

void port_poll_input() {
  SerialPollState& s = poll_state();

  // Radio CAT port.
  read_all(serial_control(SERIAL_ROLE_RADIO), s.block, [&](const uint8_t* b, int n) {
    frame_bytes(b, n, s.radio_frame, s.radio_fill, kRadioFrameBytes, serial_reply_terminators(SERIAL_ROLE_RADIO),
                [&](const uint8_t* f, int c) {
                  if (s.hooks.radio_frame) s.hooks.radio_frame(f, c);
                  else radio_reply_dispatch(f, c);
                });
  });

  // Tuner port: read so its receive buffer never fills, and dropped.
  read_all(serial_control(SERIAL_ROLE_ATU), s.block, [](const uint8_t*, int) {});

  // TNC port: each read whole to the TNC text; during a link, once per read, the
  // link-activity timer restarts.
  SerialPort& tnc = serial_control(SERIAL_ROLE_TNC);
  if (tnc.is_open() && tnc.in_buffer_count() > 0) {
    if (radio_flags().radio_linked_flag.load() == 1 && s.hooks.timer_start_twa) s.hooks.timer_start_twa();
    read_all(tnc, s.block, [](const uint8_t* b, int n) { tnc_handle_input(b, n); });
  }

  // Radio emulation port, while emulation is enabled.
  if (serial_opt_emulation_enabled() != 1) return;
  read_all(serial_control(SERIAL_ROLE_RADIO_EMUL), s.block, [&](const uint8_t* b, int n) {
    frame_bytes(b, n, s.emul_frame, s.emul_fill, kEmulFrameBytes, serial_reply_terminators(SERIAL_ROLE_RADIO_EMUL),
                [&](const uint8_t* f, int c) {
                  if (s.hooks.emul_frame) s.hooks.emul_frame(f, c);
                });
  });
}

}  // namespace vesk
