// DBM receive figures: the time to de-interleave, decode and check a message of 445 data blocks
// (3,560 groups, 21,805 code words), and the success rate of one-block DBM messages against SNR
// through the station's own 8-FSK modem, word receiver, frame parser and DBM receiver (AWGN
// and CCIR poor). A message counts when its 71 bytes are delivered whole from one copy.
//
// Usage: dbm_blocks [messages per point (40)] [seed (1)]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/link_state.h"
#include "ale/messages/dbm.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "modem/fsk8.h"
#include "platform/station.h"
#include "sim/channel.h"
#include "sim/fsk_link.h"

using namespace vesk;

namespace {

constexpr float kAmplitude = 0.1f;

struct Rig {
  explicit Rig(const std::string& dir) : path(dir) {
    std::filesystem::create_directories(path);
    station = std::make_unique<Station>(path.string(), std::make_unique<SimClock>());
    scope = std::make_unique<StationScope>(*station);
    db_open();
    db_set_own_address_at("ABC", 0);
    fsk_build_tone_tables(fsk_state());
    fsk_init(fsk_state());
    ale_word_io_init();
    ale_section_queues_init();
    fsk_state().hooks.symbol = ale_rx_symbol;
    // The parser hands the DBM words to their receiver, and the frame events go to the link,
    // as the station's wiring binds them.
    RxParserHooks& parser = rx_parser_state().hooks;
    parser.dbm_header = dbm_rx_header;
    parser.dbm_group = dbm_rx_group;
    parser.message_words_clear = dbm_rx_clear;
    parser.dbm_cut_off = dbm_rx_cut_off;
    frame_event_state().hooks.frame_kind = ale_set_frame_kind;
    frame_event_state().hooks.link_event = ale_link_event;
    dbm_rx_init();
  }
  ~Rig() {
    scope.reset();
    station.reset();
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
  std::unique_ptr<Station> station;
  std::unique_ptr<StationScope> scope;
};

void decode_timing() {
  Rig rig("/tmp/dbm_blocks_bench_decode");
  db_set_listen_mode(1);
  const int blocks = kDbmBlocksMax;
  std::vector<uint8_t> data(static_cast<std::size_t>((588 * blocks - 16) / 8));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
  const std::vector<uint8_t> bits =
      dbm_interleave(dbm_body_values(false, data.data(), static_cast<int>(data.size()), blocks));
  std::vector<RxWordRecord> groups(bits.size() / ALE_WORD_BITS);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    groups[g].sinad = 10;
    for (int b = 0; b < ALE_WORD_BITS; ++b) groups[g].raw_bits[static_cast<std::size_t>(b)] = bits[g * ALE_WORD_BITS + static_cast<std::size_t>(b)];
  }
  RxWordRecord header;
  header.word = kDbmHeaderWord | static_cast<AleWord>(blocks);
  const int rounds = 20;
  double total = 0;
  std::size_t delivered = 0;
  for (int r = 0; r < rounds; ++r) {
    ale_rx_buffers_reset();
    dbm_rx_state().sequences.binary = {};
    const auto t0 = std::chrono::steady_clock::now();
    dbm_rx_header(header);
    for (const RxWordRecord& g : groups) dbm_rx_group(g);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    delivered = rx_parser_state().data.size();
  }
  std::printf("DBM message of %d blocks (%zu groups, %zu bytes): %.2f ms to collect, decode, check and deliver"
              " (%d rounds; delivered %zu bytes)\n",
              blocks, groups.size(), data.size(), total / rounds * 1e3, rounds, delivered);
}

// Success rate of one SNR point.
double run_point(FadingPreset fading, double snr_db, int messages, uint64_t seed) {
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
  SimFskReceiver rx;
  bool begun = false;
  rx.on_word = [&](const SimRxWord& w) {
    if (!begun) {
      ale_frame_event(EV_RX_FRAME_BEGIN);
      begun = true;
    }
    ale_rx_word(w.record);
  };
  int good = 0;
  std::vector<float> audio, out;
  for (int m = 0; m < messages; ++m) {
    std::vector<uint8_t> data(71);
    for (uint8_t& b : data) b = static_cast<uint8_t>(rng.next());
    // Three TO words, the header (broadcast binary), the 8 groups, three TIS words.
    std::vector<uint8_t> symbols;
    auto add_word = [&symbols](AleWord w) {
      uint8_t s[ALE_WORD_SYMBOLS];
      ale_encode_word_symbols(w, s);
      symbols.insert(symbols.end(), s, s + ALE_WORD_SYMBOLS);
    };
    for (int i = 0; i < 3; ++i) add_word(ale_make_word(ALE_TO, 'A', 'B', 'C'));
    add_word(kDbmHeaderWord | static_cast<AleWord>(dbm_data_count(false, 71)));
    const std::vector<uint8_t> bits = dbm_interleave(dbm_body_values(false, data.data(), 71, 1));
    for (std::size_t at = 0; at < bits.size(); at += ALE_WORD_BITS) {
      uint8_t s[ALE_WORD_SYMBOLS];
      ale_tx_pack_raw_bits(&bits[at], s);
      symbols.insert(symbols.end(), s, s + ALE_WORD_SYMBOLS);
    }
    for (int i = 0; i < 3; ++i) add_word(ale_make_word(ALE_TIS, 'X', 'Y', 'Z'));
    audio.assign(FSK_SAMPLE_RATE, 0.0f);
    sim_fsk_modulate(symbols.data(), static_cast<int>(symbols.size()), FSK_SAMPLE_RATE, kAmplitude, audio);
    audio.resize(audio.size() + 2 * FSK_SAMPLE_RATE, 0.0f);
    ale_rx_buffers_reset();
    dbm_rx_init();
    begun = false;
    out.clear();
    channel_sim_process(sim, audio.data(), static_cast<int>(audio.size()), out);
    sim_fsk_receive(rx, out.data(), static_cast<int>(out.size()));
    if (rx_parser_state().data == data) ++good;
    ale_parser_reset();
    ale_reset_receiver();
  }
  return static_cast<double>(good) / messages;
}

}  // namespace

int main(int argc, char** argv) {
  const int messages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  decode_timing();
  const std::vector<int> snrs = {-9, -6, -3, 0, 3, 6, 9, 12};
  struct Run {
    const char* name;
    FadingPreset fading;
    std::vector<double> curve;
  };
  std::vector<Run> runs = {{"AWGN", FadingPreset::None, {}}, {"CCIR poor", FadingPreset::Poor, {}}};
  std::vector<std::thread> threads;
  for (std::size_t r = 0; r < runs.size(); ++r)
    threads.emplace_back([&runs, &snrs, r, messages, seed] {
      Rig rig("/tmp/dbm_blocks_bench_" + std::to_string(r));
      for (int snr : snrs) runs[r].curve.push_back(run_point(runs[r].fading, snr, messages, seed + static_cast<uint64_t>(snr + 100)));
    });
  for (auto& t : threads) t.join();
  std::printf("\nDBM block success (71 bytes, one copy), %d messages a point, seed %llu\n", messages,
              static_cast<unsigned long long>(seed));
  std::printf(" SNR dB    AWGN    CCIR poor\n");
  for (std::size_t i = 0; i < snrs.size(); ++i)
    std::printf("  %+3d    %6.3f   %6.3f\n", snrs[i], runs[0].curve[i], runs[1].curve[i]);
  return 0;
}
