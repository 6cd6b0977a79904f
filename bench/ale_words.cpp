// ALE word success against SNR through the station's own 8-FSK modem and word receiver.
//
// For each channel (AWGN, CCIR good, CCIR poor) and each SNR from -6 to +12 dB (in the 3 kHz
// band), random words of basic-38 characters are sent in frames of 20 with half a second of
// channel noise between frames, through the channel simulator into the demodulator and the
// word receiver. A bad word or a word out of place ends the frame (the receiver is reset, as
// the frame parser does), so synchronisation is found again by the receiver itself. A word counts as received when
// it comes out unmarked, with the right content, at its own time.
// Also printed: the ideal curve of non-coherent 8-FSK with this code and 2-of-3 voting (the
// limit to approach), the SNR at 50 % and 95 % success, the false-sync count on 10 minutes of
// noise, and the receive path's real-time factor.
//
// Usage: ale_words [words per point (1000)] [seed (1)]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "db/ale_chars.h"
#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "modem/resample.h"
#include "platform/station.h"
#include "sim/channel.h"
#include "sim/fsk_link.h"

using namespace vesk;

namespace {

constexpr int kMinSnr = -6, kMaxSnr = 12;
constexpr int kPoints = kMaxSnr - kMinSnr + 1;
constexpr int kFrameWords = 20;
constexpr int kWordSamples = ALE_WORD_SYMBOLS * FSK_SYMBOL_SAMPLES;  // at 8 kHz
constexpr float kAmplitude = 0.1f;
constexpr char kBasic38[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@?";

double thread_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

struct StationRig {
  explicit StationRig(const std::string& dir) : station(dir, std::make_unique<SimClock>()), scope(station) {
    db_set_default_options();
    fsk_build_tone_tables(fsk_state());
    fsk_init(fsk_state());
    ale_word_io_init();
    fsk_state().hooks.symbol = ale_rx_symbol;
  }
  Station station;
  StationScope scope;
};

// Success rate of one SNR point.
double run_point(FadingPreset fading, double snr_db, int words, uint64_t seed) {
  ChannelSimConfig cfg;
  cfg.snr_db = snr_db;
  cfg.signal_power = kAmplitude * kAmplitude / 2;
  cfg.fading = fading;
  cfg.seed = seed;
  ChannelSim sim;
  channel_sim_init(sim, cfg);
  fsk_init(fsk_state());
  ale_reset_receiver();

  SimRandom rng;
  rng.seed(seed * 7919 + 17);
  struct Sent {
    int64_t end;
    AleWord word;
    bool got;
  };
  std::vector<Sent> sent;
  int good = 0;
  SimFskReceiver rx;
  std::size_t first_open = 0;
  rx.on_word = [&](const SimRxWord& w) {
    // The frame parser's ways out of a frame: a bad word, or a word out of place (a parser
    // error). The frames here hold only basic-38 words, so any other word is out of place.
    const AleWord word = w.record.word;
    if (w.record.bad || !ale_char_in_38set(ale_word_char1(word)) || !ale_char_in_38set(ale_word_char2(word)) ||
        !ale_char_in_38set(ale_word_char3(word))) {
      ale_reset_receiver();
      return;
    }
    for (std::size_t i = first_open; i < sent.size(); ++i) {
      const int64_t d = w.sample - sent[i].end;
      if (d < -kWordSamples / 2) break;
      if (d <= kWordSamples / 2 && !sent[i].got && sent[i].word == w.record.word) {
        sent[i].got = true;
        ++good;
        break;
      }
    }
  };
  std::vector<float> audio, out;
  const int gap = FSK_SAMPLE_RATE / 2;
  for (int sent_count = 0; sent_count < words;) {
    audio.assign(static_cast<std::size_t>(gap), 0.0f);
    std::vector<AleWord> frame;
    // Everything produced so far has been received; with no clock offset, times in the input
    // are times in the output (give or take the fading path's short constant delay).
    const int64_t start = rx.samples + gap;
    for (int j = 0; j < kFrameWords && sent_count < words; ++j, ++sent_count) {
      const AleWord w = ale_make_word(rng.next() % 8, kBasic38[rng.next() % 38], kBasic38[rng.next() % 38],
                                      kBasic38[rng.next() % 38]);
      frame.push_back(w);
      sent.push_back({start + (j + 1) * static_cast<int64_t>(kWordSamples), w, false});
    }
    sim_fsk_modulate_words(frame, FSK_SAMPLE_RATE, kAmplitude, audio);
    out.clear();
    channel_sim_process(sim, audio.data(), static_cast<int>(audio.size()), out);
    sim_fsk_receive(rx, out.data(), static_cast<int>(out.size()));
    while (first_open < sent.size() && sent[first_open].end + 2 * kWordSamples < rx.samples) ++first_open;
  }
  // Let the last word out.
  out.assign(static_cast<std::size_t>(kWordSamples), 0.0f);
  std::vector<float> tail;
  channel_sim_process(sim, out.data(), static_cast<int>(out.size()), tail);
  sim_fsk_receive(rx, tail.data(), static_cast<int>(tail.size()));
  return static_cast<double>(good) / words;
}

// Ideal non-coherent 8-FSK, each bit voted 2 of 3 from independent symbols, then (24,12)
// Golay correcting up to 3 errors in each half.
double ideal_word_success(double snr_db) {
  const double es_n0 = std::pow(10.0, snr_db / 10) * 3000.0 / 125.0;
  double ps = 0, binom = 1;
  for (int k = 1; k <= 7; ++k) {
    binom = binom * (8 - k) / k;  // C(7, k)
    ps += ((k % 2) ? 1 : -1) * binom / (k + 1) * std::exp(-k * es_n0 / (k + 1));
  }
  const double pb = ps * 4.0 / 7.0;
  const double pv = 3 * pb * pb * (1 - pb) + pb * pb * pb;
  double half = 0, c = 1;
  for (int k = 0; k <= 3; ++k) {
    if (k > 0) c = c * (24 - k + 1) / k;
    half += c * std::pow(pv, k) * std::pow(1 - pv, 24 - k);
  }
  return half * half;
}

// SNR at which the measured curve first reaches `target`, interpolated, as text.
std::string snr_at(const std::vector<double>& curve, double target) {
  char text[32];
  for (int i = 0; i < kPoints; ++i) {
    if (curve[i] >= target) {
      if (i == 0) {
        std::snprintf(text, sizeof text, "< %+d", kMinSnr);
      } else {
        const double a = curve[i - 1], b = curve[i];
        std::snprintf(text, sizeof text, "%+.1f", kMinSnr + i - 1 + (target - a) / (b - a));
      }
      return text;
    }
  }
  std::snprintf(text, sizeof text, "> %+d", kMaxSnr);
  return text;
}

// The same on the ideal curve, by bisection over a wide range.
std::string ideal_snr_at(double target) {
  double lo = -30, hi = 20;
  for (int i = 0; i < 60; ++i) {
    const double mid = (lo + hi) / 2;
    (ideal_word_success(mid) >= target ? hi : lo) = mid;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%+.1f", hi);
  return text;
}

struct ChannelRun {
  const char* name;
  FadingPreset fading;
  std::vector<double> curve;
  double cpu_s = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int words = argc > 1 ? std::max(20, std::atoi(argv[1])) : 1000;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  std::printf("ALE word success through the 8-FSK modem: %d words a point, seed %llu\n", words,
              static_cast<unsigned long long>(seed));

  std::vector<ChannelRun> runs = {{"AWGN", FadingPreset::None, {}, 0},
                                  {"CCIR good", FadingPreset::Good, {}, 0},
                                  {"CCIR poor", FadingPreset::Poor, {}, 0}};
  std::vector<std::thread> threads;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    threads.emplace_back([&runs, r, words, seed] {
      StationRig rig("/tmp/ale_words_bench_" + std::to_string(r));
      const double t0 = thread_cpu_seconds();
      for (int snr = kMinSnr; snr <= kMaxSnr; ++snr)
        runs[r].curve.push_back(run_point(runs[r].fading, snr, words, seed + static_cast<uint64_t>(snr + 100)));
      runs[r].cpu_s = thread_cpu_seconds() - t0;
    });
  }
  for (auto& t : threads) t.join();

  std::printf("\n SNR dB   ideal    AWGN     CCIR good  CCIR poor   (word success)\n");
  for (int i = 0; i < kPoints; ++i)
    std::printf("  %+3d    %6.3f   %6.3f   %6.3f     %6.3f\n", kMinSnr + i, ideal_word_success(kMinSnr + i),
                runs[0].curve[i], runs[1].curve[i], runs[2].curve[i]);
  std::printf("\n channel     SNR at 50 %%   SNR at 95 %%   (dB in 3 kHz)\n");
  std::printf(" %-10s  %8s      %8s\n", "ideal", ideal_snr_at(0.5).c_str(), ideal_snr_at(0.95).c_str());
  for (const ChannelRun& r : runs)
    std::printf(" %-10s  %8s      %8s\n", r.name, snr_at(r.curve, 0.5).c_str(), snr_at(r.curve, 0.95).c_str());

  // False synchronisation on 10 minutes of band-limited noise.
  {
    StationRig rig("/tmp/ale_words_bench_noise");
    int syncs = 0, clean = 0;
    word_rx_state().hooks.frame_begin = [](int) {};
    SimFskReceiver rx;
    rx.on_word = [&](const SimRxWord& w) {
      if (!w.record.bad) ++clean;
      ale_reset_receiver();
      ++syncs;
    };
    ChannelSimConfig cfg;
    cfg.snr_db = 0;
    cfg.signal_power = kAmplitude * kAmplitude / 2;
    cfg.seed = seed + 999;
    ChannelSim sim;
    channel_sim_init(sim, cfg);
    std::vector<float> silence(FSK_SAMPLE_RATE, 0.0f), out;
    for (int s = 0; s < 600; ++s) {
      out.clear();
      channel_sim_process(sim, silence.data(), FSK_SAMPLE_RATE, out);
      sim_fsk_receive(rx, out.data(), static_cast<int>(out.size()));
    }
    std::printf("\n false sync on 10 minutes of noise: %d (words passing the frame limits: %d)\n", syncs,
                clean);
  }

  // Real-time factor of the receive path alone (rate conversion from 48 kHz, demodulator and
  // word receiver), on 60 s of words at 6 dB recorded at 48 kHz.
  {
    StationRig rig("/tmp/ale_words_bench_rtf");
    ChannelSimConfig cfg;
    cfg.sample_rate = 48000;
    cfg.snr_db = 6;
    cfg.signal_power = kAmplitude * kAmplitude / 2;
    ChannelSim sim;
    channel_sim_init(sim, cfg);
    std::vector<AleWord> ws;
    for (int i = 0; i < 153; ++i) ws.push_back(ale_make_word(ALE_TO, 'A' + i % 26, 'B', 'C'));
    std::vector<float> audio, out;
    sim_fsk_modulate_words(ws, 48000, kAmplitude, audio);
    channel_sim_process(sim, audio.data(), static_cast<int>(audio.size()), out);
    std::vector<int16_t> pcm(out.size());
    for (std::size_t i = 0; i < out.size(); ++i)
      pcm[i] = static_cast<int16_t>(std::clamp(std::lround(out[i] * 32767.0f), -32768L, 32767L));
    EngineEvent e;
    DecimatorState dec;
    int16_t rx8k[FSK_RX_BLOCK_SAMPLES + 8], rx9600[260];
    int words_out = 0;
    const double t0 = thread_cpu_seconds();
    for (std::size_t i = 0; i + 1260 <= pcm.size(); i += 1260) {
      int n8 = 0, n96 = 0;
      snd_decimate(dec, &pcm[i], 1260, rx8k, &n8, rx9600, &n96);
      fsk_process_block(fsk_state(), rx8k, n8);
      while (ale_engine_event_pop(&e)) ++words_out;
    }
    const double cpu = thread_cpu_seconds() - t0;
    const double audio_s = static_cast<double>(pcm.size()) / 48000;
    std::printf(" receive path (48 kHz in, rate conversion, demodulator, word receiver): %.5f CPU s per "
                "audio s (%.0fx real time; %d words)\n",
                cpu / audio_s, audio_s / cpu, words_out);
  }
  for (const ChannelRun& r : runs)
    std::printf(" %-10s simulation thread: %.1f CPU s\n", r.name, r.cpu_s);
  return 0;
}
