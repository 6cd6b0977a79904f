// Serial input poll: every byte the station takes from its serial ports enters here.
//
// The engine worker thread calls `port_poll_input` once per pass of its loop. One call reads,
// in this order, the radio CAT port (bytes cut into frames at either byte of the radio's
// reply terminators, each frame handed to `radio_reply_dispatch`), the tuner port (read and
// dropped), the TNC port (each read handed whole to `tnc_handle_input`, in blocks of at most
// 4,096 bytes) and, while emulation is enabled, the radio emulation port (frames cut at 0xFD
// or ';' by default, handed to the emulation frame handler). The antenna-switch and PTT
// ports are never read. A port that is closed or fails ends its own turn only.
//
// A frame is handed over in place: its bytes up to and including the terminator, the count
// including it, a NUL behind it; it is valid during the call only. An unfinished frame waits
// in its port's buffer for the next pass; 300 radio bytes (256 emulation bytes) without a
// terminator are dropped.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "radio/serial_queue.h"

namespace vesk {

inline constexpr int kRadioFrameBytes = 300;
inline constexpr int kEmulFrameBytes = 256;
inline constexpr int kTncBlockBytes = 4096;

// Either byte ends a frame of the port. Each port has its own pair.
struct ReplyTerminators {
  uint8_t first;
  uint8_t second;
};

using SerialFrameHandler = std::function<void(const uint8_t* bytes, int count)>;

// What the poll calls outside radio control's serial layer; empty members do nothing.
struct SerialPollHooks {
  // The radio port's frames; when empty they go to `radio_reply_dispatch`.
  SerialFrameHandler radio_frame;
  // The radio emulation port's frames (the emulator's `emul_handle_frame`).
  SerialFrameHandler emul_frame;
  // Restarts the link-activity timer (the engine's `timer_start_twa`).
  std::function<void()> timer_start_twa;
};

struct SerialPollState {
  uint8_t radio_frame[kRadioFrameBytes + 1] = {};  // + the NUL behind a full frame
  int radio_fill = 0;
  uint8_t emul_frame[kEmulFrameBytes + 1] = {};
  int emul_fill = 0;
  uint8_t block[kTncBlockBytes] = {};  // one read's bytes
  // Per port, first byte in the low half: set by the set-up threads, read by the worker.
  std::atomic<uint16_t> terminators[SERIAL_ROLE_COUNT] = {0x0D0D, 0x0D0D, 0x0D0D, 0x0D0D, 0x0D0D, 0x3BFD};
  SerialPollHooks hooks;
};

void port_poll_input();

void serial_set_reply_terminators(SerialPortRole role, uint8_t first, uint8_t second);
ReplyTerminators serial_reply_terminators(SerialPortRole role);
SerialPollHooks& serial_poll_hooks();

// One TNC read: shown as TNC text (`log_tnc_write`).
void tnc_handle_input(const uint8_t* bytes, int count);

}  // namespace vesk
