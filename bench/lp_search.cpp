// Linking protection's receive cost while the word receiver searches: the worst case per
// received symbol, when all four timing windows pass the sync vote on every symbol and each
// word is tried under all nine candidate seeds (none reads it), with the candidates rebuilt
// from the channel's key record at each new second. Prints the mean and the largest time per
// symbol (8 ms of audio each) over ten minutes of symbols.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "ale/words/linking_protection.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"

int main() {
  using namespace vesk;
  const std::filesystem::path dir = "/tmp/lp_search_bench";
  std::filesystem::create_directories(dir);
  {
    Station st(dir.string(), std::make_unique<SimClock>());
    StationScope scope(st);
    db_open();
    ChannelRecord ch{};
    ch.in_use = 1;
    ch.rx_freq_hz = ch.tx_freq_hz = 7102500;
    db_store_channel(1, ch);
    db_select_channel(1);
    const int32_t halves[2] = {0xC2284A, static_cast<int32_t>(0x1CE7BE2Fu)};
    db_set_lp_key(0, halves, 1 << 2);
    db_enable_lp();
    ale_word_io_init();
    lp_init();
    std::mt19937 rng(1);
    const int symbols = 600 * 125;
    double total = 0, worst = 0;
    int read = 0;
    for (int i = 0; i < symbols; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      for (int w = 0; w < 4; ++w) {
        uint32_t out = 0;
        read += lp_rx_trial(rng() & 0xFFFFFF, &out) ? 1 : 0;
      }
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      total += s;
      worst = std::max(worst, s);
      st.sim_clock()->advance_ms(8);
    }
    std::printf("LP candidate search, 4 windows a symbol, %d symbols: mean %.2f us, worst %.2f us a symbol "
                "(%.3f %% of the 8 ms symbol time); %d random words read as sensible\n",
                symbols, total / symbols * 1e6, worst * 1e6, worst / 0.008 * 100, read);
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
