// Two FED-STD-1052 links back to back over a simulated half-duplex air on simulated time.
//
// Each transmission takes the air time its modem mode gives it and arrives whole at its end,
// with the impairments of the channel applied frame by frame: a frame may be lost (its bytes
// turned to noise), hit by a few bit errors, or swapped with the next frame of its series;
// a whole transmission may be missed. A station hears nothing while it transmits itself.
// The harness ticks both links every 10 ms.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <algorithm>

#include "datalink/fs1052_crc.h"
#include "datalink/fs1052_link.h"

namespace vesk {

struct Fs1052Air {
  double frame_loss = 0;     // per frame: its bytes become noise
  double bit_errors = 0;     // per frame: one to three bits flipped
  double swap = 0;           // per data frame: swapped with the next one
  double missed = 0;         // per transmission: not heard at all
  uint64_t seed = 1;
  // A channel model: the probability that a frame of this many bytes sent in this modem mode
  // is lost, added to frame_loss.
  struct FrameErrorModel {
    virtual ~FrameErrorModel() = default;
    virtual double loss(const std::string& mode, std::size_t bytes) = 0;
  };
  FrameErrorModel* frame_error = nullptr;
  // Drops the frames it returns true for (side that sent, index of the frame in the
  // transmission, whether it is a data frame): for tests that need a given loss.
  std::function<bool(int, int, bool)> drop;
};

// Seconds a transmission of `bytes` takes in a modem mode: the preamble of one interleaver
// block, then the bits in whole interleaver blocks.
inline double air_seconds(std::size_t bytes, const std::string& mode) {
  for (int code = 0; code < 14; ++code) {
    Fs1052Rate r;
    fs1052_set_rate(code, &r);
    if (mode == r.mode)
      return r.interleaver_seconds * (1.0 + std::ceil((bytes * 8.0 + 176.0) / r.bits_per_block));
  }
  return 1.0 + bytes * 8.0 / 600.0;
}

class Fs1052AirPair {
 public:
  struct Port : Fs1052Port {
    Fs1052AirPair* pair = nullptr;
    int side = 0;
    std::string mode = "600S";
    std::string trace_text;
    bool keep_trace = false;
    int transmissions = 0;
    std::size_t largest = 0;  // bytes of the longest transmission
    void transmit(std::vector<uint8_t> bytes) override {
      largest = std::max(largest, bytes.size());
      pair->send(side, std::move(bytes), mode);
    }
    void receiver_reset() override {}
    void set_mode(const char* m) override { mode = m; }
    void trace(const std::string& t) override {
      if (keep_trace) trace_text += t;
    }
  };

  Fs1052Link link[2];
  Port port[2];
  Fs1052Air air;
  int64_t now_ms = 0;
  std::vector<Fs1052Indication> indications[2];
  bool link_up[2] = {true, true};  // false: the station is off the air

  explicit Fs1052AirPair(Fs1052Config cfg = {}, Fs1052Air imp = {}, const char* a = "ALFA", const char* b = "BRAVO")
      : air(std::move(imp)), rng_(air.seed) {
    const char* names[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
      port[i].pair = this;
      port[i].side = i;
      link[i].set_port(&port[i]);
      link[i].set_random_seed(air.seed * 7 + static_cast<uint64_t>(i));
      link[i].configure(cfg);
      link[i].set_own_address(names[i], static_cast<int>(std::strlen(names[i])));
      link[i].set_remote_address(names[1 - i], static_cast<int>(std::strlen(names[1 - i])));
      link[i].enable();
    }
  }

  void send(int from, std::vector<uint8_t> bytes, const std::string& mode) {
    ++port[from].transmissions;
    const int64_t start = std::max(now_ms, busy_until_[from]);
    const int64_t end = start + static_cast<int64_t>(air_seconds(bytes.size(), mode) * 1000.0);
    busy_until_[from] = end;
    sent_spans_[from].push_back({start, end});
    flights_.push_back({start, end, from, std::move(bytes), mode});
  }

  // One 10 ms step: transmissions that end now arrive, then both links tick.
  void step() {
    now_ms += 10;
    for (std::size_t i = 0; i < flights_.size();) {
      if (flights_[i].end_ms > now_ms) {
        ++i;
        continue;
      }
      Flight f = std::move(flights_[i]);
      flights_.erase(flights_.begin() + static_cast<std::ptrdiff_t>(i));
      deliver(f);
      link[f.from].tx_complete();
    }
    for (int s = 0; s < 2; ++s) {
      link[s].timer_tick();
      Fs1052Indication ind;
      while (link[s].pop_indication(&ind)) indications[s].push_back(std::move(ind));
    }
  }

  // Runs until `done` holds or `limit_s` simulated seconds have passed; true when done.
  bool run_until(const std::function<bool()>& done, double limit_s) {
    const int64_t end = now_ms + static_cast<int64_t>(limit_s * 1000);
    while (now_ms < end) {
      step();
      if (done()) return true;
    }
    return false;
  }
  void run_for(double seconds) {
    run_until([] { return false; }, seconds);
  }

  int count(int side, int type) const {
    int n = 0;
    for (const auto& i : indications[side]) n += i.type == type ? 1 : 0;
    return n;
  }

 private:
  struct Flight {
    int64_t start_ms, end_ms;
    int from;
    std::vector<uint8_t> bytes;
    std::string mode;
  };

  // Splits a transmission into its frames: [begin, end) of each frame's own bytes.
  std::vector<std::pair<std::size_t, std::size_t>> frames_of(const std::vector<uint8_t>& b, int from, bool* control) const {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    *control = false;
    std::size_t pos = 0;
    if (b.size() >= 4 && b[0] == 0x5C && b[1] == 0x5C && b[2] == 0x5C && (b[3] & 2)) {
      for (int len : {10, 45, 57, 65}) {
        if (3 + static_cast<std::size_t>(len) <= b.size() && fs1052_crc32(b.data() + 3, static_cast<std::size_t>(len)) == 0) {
          out.push_back({3, 3 + static_cast<std::size_t>(len)});
          *control = true;
          pos = 3 + static_cast<std::size_t>(len);
          break;
        }
      }
    } else {
      pos = 1;
    }
    const std::size_t data_len = 9 + static_cast<std::size_t>(link[from].config().bytes_per_frame);
    while (pos + 2 + data_len <= b.size()) {
      out.push_back({pos + 2, pos + 2 + data_len});
      pos += 2 + data_len;
    }
    return out;
  }

  void deliver(Flight& f) {
    const int to = 1 - f.from;
    if (!link_up[to] || !link_up[f.from]) return;
    // Half duplex: a station that transmitted during this flight heard nothing of it.
    if (flights_busy(to, f.start_ms, f.end_ms)) return;
    if (chance(air.missed)) return;
    std::vector<uint8_t>& b = f.bytes;
    bool control = false;
    auto frames = frames_of(b, f.from, &control);
    for (std::size_t k = 0; k < frames.size(); ++k) {
      auto [begin, end] = frames[k];
      const bool is_data = !(k == 0 && control);
      const double model = air.frame_error != nullptr ? air.frame_error->loss(f.mode, end - begin) : 0.0;
      if ((air.drop && air.drop(f.from, static_cast<int>(k), is_data)) || chance(air.frame_loss) || chance(model)) {
        for (std::size_t i = begin; i < end; ++i) b[i] = static_cast<uint8_t>(rng_());
      } else if (chance(air.bit_errors)) {
        const int flips = 1 + static_cast<int>(rng_() % 3);
        for (int i = 0; i < flips; ++i) b[begin + rng_() % (end - begin)] ^= static_cast<uint8_t>(1u << (rng_() % 8));
      }
      if (is_data && k + 1 < frames.size() && chance(air.swap)) {
        auto [b2, e2] = frames[k + 1];
        if (e2 - b2 == end - begin) {
          std::swap_ranges(b.begin() + static_cast<std::ptrdiff_t>(begin), b.begin() + static_cast<std::ptrdiff_t>(end),
                           b.begin() + static_cast<std::ptrdiff_t>(b2));
          ++k;
        }
      }
    }
    link[to].rx_begin();
    for (uint8_t byte : b) link[to].rx_byte(byte);
  }

  bool flights_busy(int side, int64_t start, int64_t end) const {
    for (const auto& s : sent_spans_[side])
      if (s.first < end && s.second > start) return true;
    return false;
  }

  bool chance(double p) { return p > 0 && std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

  std::mt19937_64 rng_;
  std::vector<Flight> flights_;
  int64_t busy_until_[2] = {0, 0};
  std::vector<std::pair<int64_t, int64_t>> sent_spans_[2];
};

}  // namespace vesk
