// The serial-tone transmitter and m110-wav encode: lengths, the preamble on the air, the
// spectrum, and the transmit worker's queues.
#include "modem/serial_tone/m110_tx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <vector>

#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

using cd = std::complex<double>;

// Complex baseband of a real 9,600 Hz signal with a carrier of `hz`: mixed down, then a
// 41-tap low-pass (Hamming-windowed sinc, 1,400 Hz).
std::vector<cd> baseband(const std::vector<float>& x, double hz) {
  std::vector<cd> mixed(x.size());
  for (std::size_t n = 0; n < x.size(); ++n)
    mixed[n] = 2.0 * x[n] * std::exp(cd(0, -2 * M_PI * hz * static_cast<double>(n) / 9600));
  const int taps = 41, half = taps / 2;
  std::vector<double> h(taps);
  for (int k = 0; k < taps; ++k) {
    const int m = k - half;
    const double sinc = m == 0 ? 2 * 1400.0 / 9600 : std::sin(2 * M_PI * 1400.0 / 9600 * m) / (M_PI * m);
    h[static_cast<std::size_t>(k)] = sinc * (0.54 - 0.46 * std::cos(2 * M_PI * k / (taps - 1)));
  }
  std::vector<cd> out(x.size());
  for (std::size_t n = 0; n < x.size(); ++n) {
    cd acc = 0;
    for (int k = 0; k < taps; ++k) {
      const long i = static_cast<long>(n) + k - half;
      if (i >= 0 && i < static_cast<long>(x.size())) acc += mixed[static_cast<std::size_t>(i)] * h[static_cast<std::size_t>(k)];
    }
    out[n] = acc;
  }
  return out;
}

std::vector<int> preamble_tribits(int mode) {
  const M110ModeInfo& m = m110_mode_info(mode);
  std::vector<int> out;
  auto add = [&out](int s) {
    for (uint8_t t : m110_preamble_symbol_tribits(s)) out.push_back(t);
  };
  for (int count = m.segments - 1; count >= 0; --count) {
    for (uint8_t s : kM110SyncSymbols) add(s);
    add(m.d1);
    add(m.d2);
    for (int c : m110_count_symbols(count)) add(c);
    add(0);
  }
  return out;
}

struct PreambleView {
  int matching_segments = 0;  // whole segments whose every symbol decides as sent
  double sync_after = 0;      // sync correlation of the 480 symbols after them, relative
};

// Finds the preamble of `mode` in the baseband, aligns timing and phase on the first segment
// and decides the symbols one by one.
PreambleView view_preamble(const std::vector<cd>& b, int mode) {
  const std::vector<int> ref = preamble_tribits(mode);
  auto point = [](int t) { return std::polar(1.0, t * M_PI / 4); };
  int best_start = 0;
  cd best_c = 0;
  for (int s0 = 0; s0 < 400 && s0 + 4 * 480 < static_cast<int>(b.size()); ++s0) {
    cd c = 0;
    for (int k = 0; k < 480; ++k) c += b[static_cast<std::size_t>(s0 + 4 * k)] * std::conj(point(ref[static_cast<std::size_t>(k)]));
    if (std::abs(c) > std::abs(best_c)) {
      best_c = c;
      best_start = s0;
    }
  }
  const cd rot = std::conj(best_c) / std::abs(best_c);
  auto decide = [&](int k) {
    const cd z = b[static_cast<std::size_t>(best_start + 4 * k)] * rot;
    int t = static_cast<int>(std::lround(std::arg(z) / (M_PI / 4)));
    return (t + 8) % 8;
  };
  PreambleView v;
  const int segments = static_cast<int>(ref.size()) / 480;
  for (int s = 0; s < segments; ++s) {
    bool all = true;
    for (int k = 0; k < 480; ++k) all &= decide(s * 480 + k) == ref[static_cast<std::size_t>(s * 480 + k)];
    if (!all) break;
    ++v.matching_segments;
  }
  cd c = 0;
  for (int k = 0; k < 288; ++k) c += b[static_cast<std::size_t>(best_start + 4 * (segments * 480 + k))] * rot * std::conj(point(ref[static_cast<std::size_t>(k)]));
  v.sync_after = std::abs(c) / std::abs(best_c) * 480 / 288;
  return v;
}

TEST(M110Tx, MessageLengthsAndPreambleOfEveryMode) {
  const uint8_t msg[3] = {0x41, 0x42, 0x43};
  for (int mode = 0; mode < kM110ModeCount; ++mode) {
    const M110ModeInfo& m = m110_mode_info(mode);
    SCOPED_TRACE(m.short_name);
    M110Transmitter tx;
    tx.set_mode(mode);
    const std::vector<float> x = tx.send(msg, sizeof msg);
    // 8 zero symbols, the preamble, whole interleaver blocks (message, end-of-message pattern
    // and flush bits padded to a block), 8 zero symbols.
    const int64_t blocks = (24 + 32 + 144 + m.bits_per_block - 1) / m.bits_per_block;
    const int64_t symbols = 8 + 480 * (m.segments + blocks * m.chunks_per_block()) + 8;
    EXPECT_EQ(static_cast<int64_t>(x.size()), 4 * symbols);
    EXPECT_EQ(m110_message_samples(mode, sizeof msg), 4 * symbols);
    const PreambleView v = view_preamble(baseband(x, 1800), mode);
    EXPECT_EQ(v.matching_segments, m.segments);
    EXPECT_LT(v.sync_after, 0.3);
  }
}

// A message after a message: the interleavers start again at row 0, column 0, so the same
// message gives the same samples (after the first message's carrier phase is undone).
TEST(M110Tx, EachMessageStartsFromEmptyInterleavers) {
  M110Transmitter a, b;
  a.set_mode(10);
  b.set_mode(10);
  a.set_carrier_step(0);
  b.set_carrier_step(0);
  const uint8_t first[5] = {1, 2, 3, 4, 5}, second[2] = {0xAA, 0x55};
  a.send(first, sizeof first);
  EXPECT_EQ(a.send(second, sizeof second), b.send(second, sizeof second));
  EXPECT_TRUE(a.send(nullptr, 0).empty());
}

// m110-wav encode of one byte in 600S: 48 kHz, the expected length, three preamble segments,
// the spectrum centred on 1,800 Hz and about 2,400 Hz wide at -3 dB.
TEST(M110Tx, WavToolEncodesOneByteAt600S) {
  test::TempDir dir;
  const std::string in = dir.path() + "/in.bin", out = dir.path() + "/out.wav";
  std::ofstream(in, std::ios::binary) << 'A';
  test::ChildProcess enc({test::program_path("tools/m110-wav"), "encode", "600S", in, out});
  ASSERT_EQ(enc.wait(20000), 0) << enc.output();
  std::vector<int16_t> pcm;
  WavFormat fmt;
  ASSERT_TRUE(wav_read_file(out, pcm, &fmt));
  EXPECT_EQ(fmt.sample_rate, 48000);
  EXPECT_EQ(fmt.channels, 1);
  // 8 + 3 x 480 + 1 block x 3 chunks x 480 + 8 symbols, 20 samples each at 48 kHz.
  EXPECT_EQ(static_cast<int64_t>(pcm.size()), 20 * (8 + 3 * 480 + 3 * 480 + 8));

  std::vector<float> x;  // back to 9,600 Hz (the interpolator has already low-passed it)
  for (std::size_t i = 0; i < pcm.size(); i += 5) x.push_back(pcm[i] / 32768.0f);
  EXPECT_EQ(view_preamble(baseband(x, 1800), 6).matching_segments, 3);

  // Averaged periodogram, 100 Hz bins (wide enough to smooth the lines of the repeated preamble).
  const int len = 96;
  std::vector<double> psd(len / 2, 0);
  for (std::size_t start = 0; start + len <= x.size(); start += len / 2)
    for (int f = 0; f < len / 2; ++f) {
      cd acc = 0;
      for (int n = 0; n < len; ++n)
        acc += static_cast<double>(x[start + static_cast<std::size_t>(n)]) * (0.5 - 0.5 * std::cos(2 * M_PI * n / len)) *
               std::exp(cd(0, -2 * M_PI * f * n / len));
      psd[static_cast<std::size_t>(f)] += std::norm(acc);
    }
  // Level of the middle of the band (1,300-2,300 Hz), then the band edges at -3 and -10 dB.
  const double bin = 9600.0 / len;
  double mid = 0;
  for (int f = 13; f <= 23; ++f) mid += psd[static_cast<std::size_t>(f)] / 11;
  auto width = [&](double fraction, double* centre) {
    int lo = -1, hi = -1;
    for (int f = 0; f < len / 2; ++f)
      if (psd[static_cast<std::size_t>(f)] >= mid * fraction) {
        if (lo < 0) lo = f;
        hi = f;
      }
    *centre = (lo + hi) * bin / 2;
    return (hi - lo + 1) * bin;
  };
  // The shaping filter's response gives about 1,750-1,900 Hz at -3 dB and 2,400 Hz at -10 dB.
  double centre3 = 0, centre10 = 0;
  EXPECT_NEAR(width(0.5, &centre3), 1800, 200);
  EXPECT_NEAR(width(0.1, &centre10), 2400, 200);
  EXPECT_NEAR(centre3, 1800, 100);
  EXPECT_NEAR(centre10, 1800, 100);
}

}  // namespace
}  // namespace vesk
