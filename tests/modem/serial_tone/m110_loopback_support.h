// Loopback of the serial-tone modem: transmitter samples, optionally through the HF channel
// simulator, into the receiver.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "modem/serial_tone/m110_rx.h"
#include "modem/serial_tone/m110_tx.h"
#include "sim/channel.h"

namespace vesk::test {

struct LoopResult {
  std::vector<uint8_t> bytes;
  int rx_ends = 0;
  int rx_modes = 0;
  int mode_heard = -1;
  float freq_offset_hz = 0;
  M110RxStats stats;
  M110Receiver::State final_state = M110Receiver::State::Search;
};

struct LoopOptions {
  int lead_samples = 4800;    // silence (or channel noise) before the transmission
  int tail_samples = 19200;   // after it
  bool channel = false;
  ChannelSimConfig sim;       // used when `channel` is set (its rate is set to 9,600)
  bool end_on_eom = true;     // as the station's receiver
  // Called after every decoded byte (the data link resets the receiver from here).
  std::function<void(M110Receiver& rx, int byte)> on_byte;
};

// The samples of one transmission of `message` at `mode`.
std::vector<float> m110_air(int mode, const std::vector<uint8_t>& message);
// `air` (silence between transmissions included) through the channel when asked, into a
// receiver. The channel's signal power is measured on `air`.
LoopResult m110_receive(std::vector<float> air, const LoopOptions& options);
// One transmission with the options' lead and tail.
LoopResult m110_loopback(int mode, const std::vector<uint8_t>& message, const LoopOptions& options = {});
// Bits that differ between `message` and the start of `got` (missing bytes count 8 each).
int64_t m110_bit_errors(const std::vector<uint8_t>& message, const std::vector<uint8_t>& got);

}  // namespace vesk::test
