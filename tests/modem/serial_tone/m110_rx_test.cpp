// The serial-tone receiver: transmitter output, through the HF channel simulator, into the
// receiver. The reception ends on the end-of-message pattern after the message, so the decoded
// bytes are the message alone.
#include "modem/serial_tone/m110_rx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "platform/wav.h"
#include "tests/modem/serial_tone/m110_loopback_support.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

using test::LoopOptions;
using test::m110_bit_errors;
using test::m110_loopback;

std::vector<uint8_t> message(std::size_t n, int seed = 7) {
  std::vector<uint8_t> m(n);
  for (std::size_t i = 0; i < n; ++i) m[i] = static_cast<uint8_t>(i * 89 + static_cast<std::size_t>(seed));
  return m;
}

LoopOptions noisy(double snr_db, uint64_t seed = 1) {
  LoopOptions o;
  o.channel = true;
  o.sim.snr_db = snr_db;
  o.sim.seed = seed;
  return o;
}

TEST(M110Rx, EveryModeByteExactOnACleanChannel) {
  const std::vector<uint8_t> msg = message(40);
  for (int mode = 0; mode < kM110ModeCount; ++mode) {
    SCOPED_TRACE(m110_mode_info(mode).short_name);
    const auto r = m110_loopback(mode, msg);
    EXPECT_EQ(r.mode_heard, mode);
    EXPECT_EQ(r.stats.receptions, 1);
    EXPECT_EQ(r.bytes, msg);
    EXPECT_EQ(r.rx_ends, 1);
  }
}

// m110-wav encode, then decode: the output starts with the input.
TEST(M110Rx, WavToolRoundTrip) {
  test::TempDir dir;
  const std::string in = dir.path() + "/in.bin", wav = dir.path() + "/x.wav", out = dir.path() + "/out.bin";
  const std::vector<uint8_t> msg = message(500, 3);
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(msg.data()), static_cast<std::streamsize>(msg.size()));
  test::ChildProcess enc({test::program_path("tools/m110-wav"), "encode", "1200L", in, wav});
  ASSERT_EQ(enc.wait(20000), 0) << enc.output();
  test::ChildProcess dec({test::program_path("tools/m110-wav"), "decode", wav, out});
  ASSERT_EQ(dec.wait(20000), 0) << dec.output();
  EXPECT_NE(dec.output().find("mode 1200L"), std::string::npos) << dec.output();
  std::ifstream f(out, std::ios::binary);
  const std::vector<uint8_t> got((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(m110_bit_errors(msg, got), 0);
  // Noise only: nothing found, exit status 1.
  test::ChildProcess none({test::program_path("tools/m110-wav"), "decode", wav + ".none", out});
  EXPECT_EQ(none.wait(20000), 1);
}

// A transmission given up (its preamble cut off: the count-down starts noise as data, which
// ends when no probe is heard), then one that runs to the very end of the file: m110-wav
// decode still reads the last interleaver block of the second after the file.
TEST(M110Rx, WavToolReadsToTheEndAfterAReceptionGivenUp) {
  test::TempDir dir;
  const std::string wav = dir.path() + "/x.wav", out = dir.path() + "/out.bin";
  std::vector<float> air(4800, 0.0f);
  std::vector<float> cut = test::m110_air(6, message(10));
  cut.resize(2 * M110Receiver::kBlock + 32);
  air.insert(air.end(), cut.begin(), cut.end());
  air.insert(air.end(), 4 * kM110SampleRate, 0.0f);
  const std::vector<uint8_t> msg = message(300, 8);
  const std::vector<float> tx = test::m110_air(9, msg);
  air.insert(air.end(), tx.begin(), tx.end());
  std::vector<int16_t> pcm(air.size());
  for (std::size_t i = 0; i < air.size(); ++i) pcm[i] = static_cast<int16_t>(std::clamp(air[i], -1.0f, 1.0f) * 32767);
  ASSERT_EQ(wav_write_file(wav, pcm.data(), static_cast<int64_t>(pcm.size()), kM110SampleRate), 1);
  test::ChildProcess dec({test::program_path("tools/m110-wav"), "decode", wav, out});
  ASSERT_EQ(dec.wait(20000), 0) << dec.output();
  std::ifstream f(out, std::ios::binary);
  const std::vector<uint8_t> got((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_GE(got.size(), msg.size()) << dec.output();
  EXPECT_TRUE(std::equal(msg.begin(), msg.end(), got.end() - static_cast<std::ptrdiff_t>(msg.size()))) << dec.output();
}

// A message longer than 400,000 bits (a fixed bit ring of that size wrapped over its own
// start) goes out and comes back whole.
TEST(M110Rx, AMessageOfMoreThan400000BitsComesBackWhole) {
  const std::vector<uint8_t> msg = message(52000, 9);
  const auto r = m110_loopback(13, msg);
  EXPECT_EQ(m110_bit_errors(msg, r.bytes), 0);
}

// Samples that are no numbers (a broken source upstream) do not stop the receiver for good.
TEST(M110Rx, NonFiniteSamplesBeforeATransmission) {
  const std::vector<uint8_t> msg = message(40);
  std::vector<float> air(9600, 0.0f);
  for (std::size_t i = 0; i < 100; ++i) air[i] = i % 2 ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
  const std::vector<float> tx = test::m110_air(10, msg);
  air.insert(air.end(), tx.begin(), tx.end());
  air.insert(air.end(), 19200, 0.0f);
  const auto r = test::m110_receive(air, LoopOptions{});
  EXPECT_EQ(m110_bit_errors(msg, r.bytes), 0);
}

// Frequency offsets within the search's reach (0 and +-50 Hz branches, +-37 Hz each), with
// noise; the reported offset is the carrier's.
TEST(M110Rx, FrequencyOffsets) {
  const std::vector<uint8_t> msg = message(60);
  for (int mode = 0; mode < kM110ModeCount; ++mode) {
    for (double hz : {40.0, -40.0, 75.0, -75.0}) {
      SCOPED_TRACE(std::string(m110_mode_info(mode).short_name) + " " + std::to_string(hz) + " Hz");
      LoopOptions o = noisy(mode == 13 ? 25 : 20);
      o.sim.freq_offset_hz = hz;
      const auto r = m110_loopback(mode, msg, o);
      EXPECT_EQ(r.mode_heard, mode);
      EXPECT_NEAR(r.freq_offset_hz, hz, 2.0);
      EXPECT_EQ(m110_bit_errors(msg, r.bytes), 0);
    }
  }
}

// The preamble is found wherever the transmission starts relative to the receiver's blocks.
TEST(M110Rx, AnyStartOffset) {
  const std::vector<uint8_t> msg = message(30);
  for (int lead : {0, 1, 2, 3, 5, 17, 250, 959, 960, 961, 1500, 1919, 1920, 3001}) {
    SCOPED_TRACE(lead);
    LoopOptions o = noisy(20, static_cast<uint64_t>(lead) + 1);
    o.lead_samples = lead;
    const auto r = m110_loopback(lead % 2 == 0 ? 10 : 6, msg, o);
    EXPECT_EQ(m110_bit_errors(msg, r.bytes), 0);
  }
}

// A sample-clock offset of +-100 ppm between the two ends over a long message: the timing
// tracker follows it past the equaliser's span (40 s at 100 ppm is 20 symbols of drift), also
// at a low SNR, where its estimate is noisy.
TEST(M110Rx, SampleClockOffsetOverALongMessage) {
  struct Case {
    int mode;
    double snr, seconds;
    int64_t max_bit_errors;
  };
  for (Case c : {Case{10, 25, 40, 0}, Case{7, 5, 100, 40}}) {
    const M110ModeInfo& m = m110_mode_info(c.mode);
    const std::vector<uint8_t> msg = message(static_cast<std::size_t>(m.bits_per_second * c.seconds / 8));
    for (double ppm : {100.0, -100.0}) {
      SCOPED_TRACE(std::string(m.short_name) + " " + std::to_string(ppm) + " ppm");
      LoopOptions o = noisy(c.snr);
      o.sim.clock_offset_ppm = ppm;
      const auto r = m110_loopback(c.mode, msg, o);
      std::size_t good = 0;
      while (good < msg.size() && good < r.bytes.size() && r.bytes[good] == msg[good]) ++good;
      const int64_t errors = m110_bit_errors(msg, r.bytes);
      std::printf("%s at %.0f dB, %+.0f ppm: %lld bit errors in %.0f s, exact up to %.1f s; %d timing moves\n",
                  m.short_name, c.snr, ppm, static_cast<long long>(errors), c.seconds,
                  good * 8.0 / m.bits_per_second, r.stats.timing_moves);
      EXPECT_LE(errors, c.max_bit_errors);
      EXPECT_GE(r.stats.timing_moves, static_cast<int>(c.seconds * 4800e-4 * 0.8));
    }
  }
}

// Low SNR on AWGN and fading: the coded modes still deliver the message.
TEST(M110Rx, NoiseAndFading) {
  struct Case {
    int mode;
    double snr;
    FadingPreset fading;
    int64_t max_bit_errors;
  };
  const std::vector<uint8_t> msg = message(150);
  for (Case c : {Case{0, 0, FadingPreset::None, 0}, Case{6, 6, FadingPreset::None, 0}, Case{8, 8, FadingPreset::None, 0},
                 Case{10, 14, FadingPreset::None, 0}, Case{7, 15, FadingPreset::Moderate, 0},
                 Case{9, 20, FadingPreset::Poor, 8}}) {
    SCOPED_TRACE(std::string(m110_mode_info(c.mode).short_name) + " at " + std::to_string(c.snr) + " dB");
    LoopOptions o = noisy(c.snr, 5);
    o.sim.fading = c.fading;
    const auto r = m110_loopback(c.mode, msg, o);
    EXPECT_EQ(r.mode_heard, c.mode);
    EXPECT_LE(m110_bit_errors(msg, r.bytes), c.max_bit_errors);
  }
}

// The noise heard before a transmission is never taken for a preamble whose count-down would
// hide the real one: over many channels every 1200S message at 4 dB is heard in its own mode.
TEST(M110Rx, NoiseBeforeATransmissionNeverHidesIt) {
  int missed = 0;
  for (int seed = 1; seed <= 40; ++seed) {
    const auto r = m110_loopback(8, message(60, seed), noisy(4, static_cast<uint64_t>(seed)));
    if (r.mode_heard != 8 || r.stats.receptions != 1) ++missed;
  }
  EXPECT_EQ(missed, 0);
}

// At the lowest SNR where each low rate must still be exact, with a carrier offset: the
// frequency is found to a fraction of a hertz (the phase loop follows only 3 Hz), the message
// comes back exact, and the reception ends on the end-of-message pattern, not in the noise
// after it (which would add bytes).
TEST(M110Rx, WeakSignalsAreExact) {
  struct Case {
    int mode;
    double snr, hz;
  };
  const std::vector<uint8_t> msg = message(200, 4);
  for (Case c : {Case{2, -5, 0}, Case{2, -5, 20}, Case{4, -2, -30}, Case{6, 1, 60}}) {
    for (uint64_t seed = 1; seed <= 4; ++seed) {
      SCOPED_TRACE(std::string(m110_mode_info(c.mode).short_name) + " at " + std::to_string(c.snr) + " dB, " +
                   std::to_string(c.hz) + " Hz, seed " + std::to_string(seed));
      LoopOptions o = noisy(c.snr, seed);
      o.sim.freq_offset_hz = c.hz;
      const auto r = m110_loopback(c.mode, msg, o);
      EXPECT_NEAR(r.freq_offset_hz, c.hz, 0.7);
      EXPECT_EQ(r.bytes, msg);
      EXPECT_EQ(r.rx_ends, 1);
    }
  }
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

using test::m110_air;
using test::m110_receive;

bool contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

void append(std::vector<float>& air, const std::vector<float>& more) { air.insert(air.end(), more.begin(), more.end()); }
void silence(std::vector<float>& air, double seconds) {
  air.insert(air.end(), static_cast<std::size_t>(seconds * kM110SampleRate), 0.0f);
}

// A reception ends so that the next transmission is heard: two transmissions with a gap of
// noise between them are both received, whatever ends the first.
TEST(M110RxEnd, TheNextTransmissionIsHeard) {
  struct Case {
    const char* what;
    int mode;
    double gap_s;
    bool eom;          // ended on the end-of-message pattern (else that is switched off)
    int reset_after;   // the byte callback resets the receiver after this many bytes (0: never)
  };
  const std::vector<uint8_t> first = message(20, 1), second = message(20, 2);
  // Without the pattern the probes are given three seconds (a fade of a slow fading channel
  // lasts less) before the reception ends.
  for (Case c : {Case{"probes lost, 600S", 6, 3.5, false, 0}, Case{"probes lost, 2400L", 11, 3.5, false, 0},
                 Case{"probes lost, 4800S", 13, 3.5, false, 0}, Case{"timing weights flat, 75NS", 0, 12.0, false, 0},
                 Case{"end-of-message pattern, 1200S", 8, 0.2, true, 0},
                 Case{"end-of-message pattern, 75NS", 0, 0.2, true, 0},
                 Case{"end-of-message pattern, 4800S (uncoded: at 25 dB)", 13, 0.2, true, 0},
                 Case{"reset from the byte callback, 600S", 6, 0.2, false, 20}}) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t>& one = first;
    std::vector<float> air;
    silence(air, 0.3);
    append(air, m110_air(c.mode, one));
    silence(air, c.gap_s);
    append(air, m110_air(c.mode, second));
    silence(air, 2);
    LoopOptions o = noisy(c.mode == 13 ? 25 : 15, 3);
    o.end_on_eom = c.eom;
    int n = 0;
    if (c.reset_after > 0) {
      o.on_byte = [&n, c](M110Receiver& rx, int) {
        if (++n == c.reset_after) rx.reset();
      };
    }
    const auto r = m110_receive(air, o);
    EXPECT_EQ(r.stats.receptions, 2);
    EXPECT_GE(r.rx_ends, 1);
    ASSERT_GE(r.bytes.size(), first.size() + second.size());
    EXPECT_EQ(m110_bit_errors(first, r.bytes), 0);
    EXPECT_TRUE(contains(r.bytes, second));
    if (c.eom) {
      // Ended on the pattern: neither it nor anything after it is delivered.
      std::vector<uint8_t> want = first;
      want.insert(want.end(), second.begin(), second.end());
      EXPECT_EQ(r.bytes, want);
    }
    if (c.reset_after > 0) {
      EXPECT_EQ(r.bytes[static_cast<std::size_t>(c.reset_after)], second[0]);
    }
  }
}

// A transmission cut off in its preamble (a long one in the count-down; a short one just before
// its data): the receiver gives up and hears the next one.
TEST(M110RxEnd, ABrokenTransmissionTimesOut) {
  struct Case {
    int mode;
    int keep_blocks;  // 200 ms blocks kept of the transmission
    int data_starts;
  };
  for (Case c : {Case{7, 6, 1}, Case{6, 3, 2}, Case{10, 3, 2}}) {
    SCOPED_TRACE(m110_mode_info(c.mode).short_name);
    std::vector<float> air;
    silence(air, 0.3);
    std::vector<float> cut = m110_air(c.mode, message(10));
    cut.resize(static_cast<std::size_t>(c.keep_blocks * 1920 + 32));
    append(air, cut);
    silence(air, 3);
    const std::vector<uint8_t> msg = message(30, 5);
    append(air, m110_air(6, msg));
    silence(air, 2);
    const auto r = m110_receive(air, noisy(15, 9));
    EXPECT_EQ(r.stats.receptions, 2);
    EXPECT_EQ(r.stats.data_starts, c.data_starts);
    EXPECT_TRUE(contains(r.bytes, msg));
  }
}

// A count misread during a long count-down (here segment 5 carries the count symbols of
// segment 0) is a mismatch: the data start when the count-down of the agreeing segments ends,
// not five blocks early.
TEST(M110RxEnd, AMisreadCountDoesNotStartTheDataEarly) {
  const std::vector<uint8_t> msg = message(40, 4);
  std::vector<float> tx = m110_air(7, msg);
  // 8 zero symbols, then segments with counts 23 down to 0; the count symbols are symbols
  // 352-447 of a segment. Whole segments apart, the carrier phase is the same.
  auto count_symbols_at = [](int count) { return static_cast<std::size_t>(4 * (8 + (23 - count) * 480 + 352)); };
  std::copy(tx.begin() + static_cast<long>(count_symbols_at(0)), tx.begin() + static_cast<long>(count_symbols_at(0) + 4 * 96),
            tx.begin() + static_cast<long>(count_symbols_at(5)));
  std::vector<float> air;
  silence(air, 0.3);
  append(air, tx);
  silence(air, 2);
  const auto r = m110_receive(air, noisy(25, 2));
  EXPECT_EQ(r.stats.receptions, 1);
  EXPECT_EQ(m110_bit_errors(msg, r.bytes), 0);
}

// A short preamble whose first segment was lost (the receiver tuned in late): the two segments
// heard agree at count 0, and the data follow at once.
TEST(M110RxEnd, OnlyTheLastTwoSegmentsHeard) {
  const std::vector<uint8_t> msg = message(40, 6);
  for (int mode : {6, 10}) {
    SCOPED_TRACE(m110_mode_info(mode).short_name);
    std::vector<float> tx = m110_air(mode, msg);
    std::fill(tx.begin(), tx.begin() + 4 * (8 + 480), 0.0f);
    std::vector<float> air;
    silence(air, 0.3);
    append(air, tx);
    silence(air, 2);
    const auto r = m110_receive(air, noisy(25, 4));
    EXPECT_EQ(r.stats.receptions, 1);
    EXPECT_EQ(m110_bit_errors(msg, r.bytes), 0);
  }
}

// A signal that fades into the noise for two seconds and comes back: the reception goes on
// (one end, on the end-of-message pattern), the message arrives whole in length and what was
// sent after the fade arrives without errors.
TEST(M110RxEnd, ATwoSecondFadeDoesNotEndTheReception) {
  for (int mode : {6, 10}) {
    SCOPED_TRACE(m110_mode_info(mode).short_name);
    const M110ModeInfo& m = m110_mode_info(mode);
    const std::vector<uint8_t> msg = message(static_cast<std::size_t>(m.bits_per_second * 20 / 8), 8);
    std::vector<float> tx = m110_air(mode, msg);
    const std::size_t from = static_cast<std::size_t>(6 * kM110SampleRate), to = from + 2 * kM110SampleRate;
    for (std::size_t i = from; i < to; ++i) tx[i] *= 0.001f;
    std::vector<float> air;
    silence(air, 0.3);
    append(air, tx);
    silence(air, 2);
    const auto r = m110_receive(air, noisy(20, 12));
    EXPECT_EQ(r.rx_ends, 1);
    ASSERT_EQ(r.bytes.size(), msg.size());
    // The last ten seconds of the message come after the fade and the block it spoils.
    const std::size_t tail = static_cast<std::size_t>(m.bits_per_second * 10 / 8);
    EXPECT_EQ(m110_bit_errors(std::vector<uint8_t>(msg.end() - static_cast<long>(tail), msg.end()),
                              std::vector<uint8_t>(r.bytes.end() - static_cast<long>(tail), r.bytes.end())),
              0);
  }
}

// Noise alone starts no reception.
TEST(M110RxEnd, NoiseAloneIsNoTransmission) {
  std::vector<float> air(static_cast<std::size_t>(30 * kM110SampleRate), 0.0f);
  air[0] = 1;  // the channel measures the signal power on this: the noise is then set against it
  const auto r = m110_receive(air, noisy(0, 11));
  EXPECT_EQ(r.stats.data_starts, 0);
  EXPECT_EQ(r.final_state, M110Receiver::State::Search);
}

}  // namespace
}  // namespace vesk
