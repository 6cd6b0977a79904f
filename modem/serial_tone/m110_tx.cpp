// Serial-tone transmitter.
#include "modem/serial_tone/m110_tx.h"

#include <cmath>

namespace vesk {

namespace {

constexpr float kTwoPi = 6.2831855f;

void append_symbol(std::vector<M110Complex>& out, int s) {
  for (uint8_t t : m110_preamble_symbol_tribits(s)) out.push_back(kM110Constellation[t]);
}

}  // namespace

int64_t m110_message_bits(int mode, std::size_t bytes) {
  const int64_t block = m110_mode_info(mode).bits_per_block;
  const int64_t core = 8 * static_cast<int64_t>(bytes) + 32 + kM110FlushBits;
  return (core + block - 1) / block * block;
}

int64_t m110_message_samples(int mode, std::size_t bytes) {
  if (bytes == 0) return 0;
  const M110ModeInfo& m = m110_mode_info(mode);
  const int64_t chunks = m.segments + m110_message_bits(mode, bytes) / m.bits_per_chunk;
  return kM110SamplesPerSymbol * (16 + chunks * kM110ChunkSymbols);
}

M110Transmitter::M110Transmitter() : step_(static_cast<float>(2.0 * M_PI * 1800.0 / kM110SampleRate)) {
  set_mode(0);
}

void M110Transmitter::set_mode(int mode) {
  if (!m110_mode_valid(mode)) return;
  mode_ = mode;
  info_ = &m110_mode_info(mode);
  // Preamble: per segment the sync symbols, D1, D2, the three count symbols and symbol 0;
  // the counts run down to 0.
  preamble_.clear();
  for (int count = info_->segments - 1; count >= 0; --count) {
    for (uint8_t s : kM110SyncSymbols) append_symbol(preamble_, s);
    append_symbol(preamble_, info_->d1);
    append_symbol(preamble_, info_->d2);
    for (int c : m110_count_symbols(count)) append_symbol(preamble_, c);
    append_symbol(preamble_, 0);
  }
  d1_probe_ = m110_probe_tribits(info_->d1);
  d2_probe_ = m110_probe_tribits(info_->d2);
  for (auto& il : interleaver_) il.set(mode, M110Interleaver<uint8_t>::Side::Transmit);
}

std::vector<float> M110Transmitter::send(const uint8_t* data, std::size_t length) {
  std::vector<float> all;
  all.reserve(static_cast<std::size_t>(m110_message_samples(mode_, length)));
  send(data, length, [&all](const float* s, int n) {
    all.insert(all.end(), s, s + n);
    return true;
  });
  return all;
}

bool M110Transmitter::send(const uint8_t* data, std::size_t length, const Sink& sink) {
  if (length == 0) return true;
  // Each message starts with empty interleavers at row 0, column 0, whatever the last one left.
  set_mode(mode_);
  state_ = State::Idle;
  const int n = info_->bits_per_chunk;
  const int64_t total = m110_message_bits(mode_, length);
  const int64_t message_bits = 8 * static_cast<int64_t>(length);
  std::vector<uint8_t> bits(static_cast<std::size_t>(n));
  auto flush = [&] {
    const bool go_on = out_.empty() || sink(out_.data(), static_cast<int>(out_.size()));
    out_.clear();
    if (!go_on) state_ = State::Idle;
    return go_on;
  };
  for (int64_t pos = 0; pos < total; pos += n) {
    for (int i = 0; i < n; ++i) {
      const int64_t b = pos + i;
      uint8_t bit = 0;
      if (b < message_bits) bit = static_cast<uint8_t>((data[b / 8] >> (7 - b % 8)) & 1);
      else if (b < message_bits + 32) bit = static_cast<uint8_t>((kM110EndOfMessage >> (31 - (b - message_bits))) & 1);
      bits[static_cast<std::size_t>(i)] = bit;
    }
    chunk(bits.data());
    if (!flush()) return false;
  }
  // The last blocks are read out after the bits have run out.
  while (state_ != State::Idle) {
    chunk(nullptr);
    if (!flush()) return false;
  }
  return true;
}

void M110Transmitter::chunk(const uint8_t* bits) {
  const int n = info_->bits_per_chunk;
  switch (state_) {
    case State::Idle:
      if (bits == nullptr) return;
      coder_.reset();
      fill_ = 0;
      read_ = 1;
      frame_counter_ = 0;
      data_symbols_ = 0;
      shape_zeros();
      encode_and_load(bits, n);
      preamble_pos_ = 0;
      scrambler_pos_ = 0;
      for (int i = 0; i < kM110SegmentSymbols; ++i) shape(preamble_[static_cast<std::size_t>(preamble_pos_++)]);
      state_ = State::Preamble;
      // A preamble of one segment would end here; every mode has three or more.
      return;
    case State::Preamble:
      if (bits == nullptr) return;
      for (int i = 0; i < kM110SegmentSymbols; ++i) shape(preamble_[static_cast<std::size_t>(preamble_pos_++)]);
      encode_and_load(bits, n);
      if (interleaver_[fill_].full()) {
        state_ = State::Data;
        fill_ = 1;
        read_ = 0;
        send_data(n);
      }
      return;
    case State::Data:
      if (bits != nullptr) encode_and_load(bits, n);
      if (!interleaver_[0].empty() || !interleaver_[1].empty()) {
        if (interleaver_[fill_].full()) fill_ = 1 - fill_;
        send_data(n);
      } else {
        shape_zeros();
        state_ = State::Idle;
      }
      return;
  }
}

void M110Transmitter::encode_and_load(const uint8_t* bits, int n) {
  M110Interleaver<uint8_t>& il = interleaver_[fill_];
  for (int i = 0; i < n; ++i) {
    if (info_->expansion == 1) {
      il.load(bits[i]);
      continue;
    }
    const int pair = coder_.encode(bits[i]);
    const uint8_t c1 = static_cast<uint8_t>(pair >> 1), c2 = static_cast<uint8_t>(pair & 1);
    for (int r = 0; r < info_->expansion / 2; ++r) {
      il.load(c1);
      il.load(c2);
    }
  }
}

void M110Transmitter::send_data(int n) {
  M110Interleaver<uint8_t>& il = interleaver_[read_];
  auto data_symbol = [&](int tribit) {
    send_tribit(tribit);
    if (++data_symbols_ == info_->data_per_frame) {
      data_symbols_ = 0;
      send_probe();
    }
  };
  switch (info_->symbols) {
    case M110Symbols::Walsh:
      for (int i = 0; i < n; ++i) {
        const int b1 = il.fetch(), b2 = il.fetch();
        const int seq = kM110WalshOfDibit[2 * b1 + b2];
        const uint8_t* group = kM110WalshNormal[seq];
        if (++data_symbols_ == info_->frames_per_block) {
          group = kM110WalshExceptional[seq];
          data_symbols_ = 0;
        }
        for (int k = 0; k < 32; ++k) send_tribit(group[k % 8]);
      }
      break;
    case M110Symbols::Bpsk:
      for (int i = 0; i < n * info_->expansion; ++i) data_symbol(il.fetch() ? 4 : 0);
      break;
    case M110Symbols::Qpsk:
      for (int i = 0; i < n; ++i) {
        const int b1 = il.fetch(), b2 = il.fetch();
        data_symbol(kM110QpskOfDibit[2 * b1 + b2]);
      }
      break;
    case M110Symbols::Psk8: {
      const uint8_t* map = info_->expansion == 1 ? kM110Psk8OfTribit4800 : kM110Psk8OfTribit;
      for (int i = 0; i < n * info_->expansion / 3; ++i) {
        const int b1 = il.fetch(), b2 = il.fetch(), b3 = il.fetch();
        data_symbol(map[4 * b1 + 2 * b2 + b3]);
      }
      break;
    }
  }
  if (il.empty()) {
    read_ = 1 - read_;
    data_symbols_ = 0;
  }
}

// The known symbols after each frame: zeros, except D1 and D2 in the last two frames of every
// interleaver block.
void M110Transmitter::send_probe() {
  ++frame_counter_;
  const uint8_t* probe = nullptr;
  if (frame_counter_ + 1 == info_->frames_per_block) {
    probe = d1_probe_.data();
  } else if (frame_counter_ == info_->frames_per_block) {
    probe = d2_probe_.data();
    frame_counter_ = 0;
  }
  for (int k = 0; k < info_->probe_per_frame; ++k) send_tribit(probe != nullptr ? probe[k] : 0);
}

void M110Transmitter::send_tribit(int tribit) {
  const int u = (tribit + m110_scrambler_tribits()[static_cast<std::size_t>(scrambler_pos_)]) % 8;
  scrambler_pos_ = (scrambler_pos_ + 1) % kM110ScramblerLength;
  shape(kM110Constellation[static_cast<std::size_t>(u)]);
}

void M110Transmitter::shape_zeros() {
  for (int i = 0; i < 8; ++i) shape(M110Complex(0, 0));
}

void M110Transmitter::shape(M110Complex symbol) {
  for (int k = 0; k < 7; ++k) line_[static_cast<std::size_t>(k)] = line_[static_cast<std::size_t>(k + 1)];
  line_[7] = symbol;
  for (int j = 0; j < 4; ++j) {
    float e = 0, f = 0;
    for (int k = 0; k < 8; ++k) {
      e += line_[static_cast<std::size_t>(k)].real() * kM110TxShaping[j][k];
      f += line_[static_cast<std::size_t>(k)].imag() * kM110TxShaping[j][k];
    }
    out_.push_back(std::cos(phase_) * e - std::sin(phase_) * f);
    phase_ += step_;
    if (phase_ >= kTwoPi) phase_ -= kTwoPi;
  }
}

}  // namespace vesk
