// Serial-tone transmitter: bytes in, 9,600 Hz samples out.
//
// One message is sent as: 8 zero symbols, the preamble (3 or 24 segments of 480 symbols that
// announce the mode and count down to the data), the data in 200 ms chunks of 480 symbols,
// then 8 zero symbols that empty the shaping filter. The data bits are the message (each byte
// most significant bit first), the 32-bit end-of-message pattern, 144 zero bits that flush the
// decoder, and zero bits up to the end of that interleaver block. Every block is sent whole.
//
// Inside: the K=7 coder (and the repetition of 150 and 300 bit/s), the interleaver pair (one
// filled while the other is read), the symbol formation of each mode with its probes, the data
// scrambler, the four-phase shaping filter and the carrier.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "modem/serial_tone/m110_fec.h"
#include "modem/serial_tone/m110_tables.h"

namespace vesk {

// Data bits a message of `bytes` bytes sends at `mode` (a whole number of interleaver blocks).
int64_t m110_message_bits(int mode, std::size_t bytes);
// Samples at 9,600 Hz of the transmission of a message of `bytes` bytes at `mode`.
int64_t m110_message_samples(int mode, std::size_t bytes);

class M110Transmitter {
 public:
  // Receives the samples of each 200 ms chunk as soon as they are shaped; returning false
  // abandons the rest of the message.
  using Sink = std::function<bool(const float* samples, int count)>;

  M110Transmitter();
  void set_mode(int mode);  // any other value than 0-13 is ignored
  int mode() const { return mode_; }
  // Carrier phase step per sample (m110_carrier_step); 2 pi x 1,800 / 9,600 at construction.
  void set_carrier_step(float step) { step_ = step; }
  // Sends one whole message. An empty message sends nothing. False when the sink stopped it.
  bool send(const uint8_t* data, std::size_t length, const Sink& sink);
  // The same, collecting every sample.
  std::vector<float> send(const uint8_t* data, std::size_t length);

 private:
  enum class State { Idle, Preamble, Data };
  void chunk(const uint8_t* bits);  // the n bits of one 200 ms chunk, or null when none are left
  void encode_and_load(const uint8_t* bits, int n);
  void send_data(int n);
  void send_probe();
  void send_tribit(int tribit);
  void shape(M110Complex symbol);
  void shape_zeros();

  int mode_ = 0;
  const M110ModeInfo* info_ = nullptr;
  State state_ = State::Idle;
  std::vector<M110Complex> preamble_;
  int preamble_pos_ = 0;
  std::array<uint8_t, 20> d1_probe_{}, d2_probe_{};
  M110Interleaver<uint8_t> interleaver_[2];
  int fill_ = 0, read_ = 1;
  int frame_counter_ = 0, data_symbols_ = 0;
  int scrambler_pos_ = 0;
  M110Coder coder_;
  std::array<M110Complex, 8> line_{};
  float phase_ = 0;
  float step_;
  std::vector<float> out_;
};

}  // namespace vesk
