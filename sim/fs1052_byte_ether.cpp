#include "sim/fs1052_byte_ether.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "datalink/fs1052_binding.h"
#include "datalink/fs1052_frames.h"
#include "platform/station.h"
#include "sim/fs1052_air.h"

namespace vesk {

namespace {

struct ModeModel {
  double threshold_db;
  double decades_per_db;
};

ModeModel model_of(const std::string& mode) {
  static const std::map<std::string, ModeModel> table = {
      {"75NS", {0, 1.2}},   {"75NL", {0, 1.2}},   {"150S", {2, 1.2}},   {"150L", {2, 1.2}},  {"300S", {4, 1.2}},
      {"300L", {4, 1.2}},   {"600S", {6, 1.2}},   {"600L", {6, 1.2}},   {"1200S", {8, 1.2}}, {"1200L", {8, 1.2}},
      {"2400S", {11, 1.2}}, {"2400L", {11, 1.2}}, {"2400V", {11, 1.2}}, {"4800S", {17, 0.5}},
  };
  auto it = table.find(mode);
  return it == table.end() ? ModeModel{6, 1.2} : it->second;
}

Fs1052Rate rate_of(const std::string& mode) {
  Fs1052Rate r;
  for (int code = 0; code < 14; ++code) {
    fs1052_set_rate(code, &r);
    if (mode == r.mode) return r;
  }
  fs1052_set_rate(6, &r);
  return r;
}

}  // namespace

double byte_ether_ber(const std::string& mode, double snr_db) {
  const ModeModel m = model_of(mode);
  return std::pow(10.0, std::min(std::log10(0.5), -5.0 + (m.threshold_db - snr_db) * m.decades_per_db));
}

struct ByteEther::Modem : Fs1052ModemIo {
  ByteEther* ether = nullptr;
  int index = 0;
  Station* st = nullptr;
  std::function<int()> rx_freq, tx_freq;
  int64_t busy_until = 0;
  std::vector<std::pair<int64_t, int64_t>> sent;  // spans on the air
  bool transmit(std::vector<uint8_t> bytes, const std::string& mode) override {
    const int64_t start = std::max(ether->now_ms_, busy_until);
    busy_until = start + static_cast<int64_t>(air_seconds(bytes.size(), mode) * 1000.0);
    sent.push_back({start, busy_until});
    ether->flights_.push_back({index, tx_freq(), start, busy_until, mode, std::move(bytes)});
    return true;
  }
  void rx_reset() override {}
  bool transmitting(int64_t from, int64_t to) const {
    for (const auto& s : sent)
      if (s.first < to && s.second > from) return true;
    return false;
  }
};

ByteEther::ByteEther(ByteEtherConfig config) : config_(config), rng_(config.seed) {}
ByteEther::~ByteEther() = default;

Fs1052ModemIo* ByteEther::add_station(Station* st, std::function<int()> rx_freq, std::function<int()> tx_freq) {
  auto m = std::make_unique<Modem>();
  m->ether = this;
  m->index = static_cast<int>(modems_.size());
  m->st = st;
  m->rx_freq = std::move(rx_freq);
  m->tx_freq = std::move(tx_freq);
  modems_.push_back(std::move(m));
  return modems_.back().get();
}

void ByteEther::step(int64_t now_ms) {
  now_ms_ = now_ms;
  for (std::size_t i = 0; i < flights_.size();) {
    if (flights_[i].end_ms > now_ms) {
      ++i;
      continue;
    }
    Flight f = std::move(flights_[i]);
    flights_.erase(flights_.begin() + static_cast<std::ptrdiff_t>(i));
    deliver(f);
    Modem& from = *modems_[static_cast<std::size_t>(f.from)];
    StationScope scope(*from.st);
    fs1052_modem_tx_end();
  }
}

void ByteEther::deliver(const Flight& f) {
  const Fs1052Rate rate = rate_of(f.mode);
  const std::size_t block = std::max<std::size_t>(1, static_cast<std::size_t>(rate.bits_per_block) / 8);
  for (auto& mp : modems_) {
    Modem& to = *mp;
    if (to.index == f.from) continue;
    int rx = 0;
    {
      StationScope scope(*to.st);
      rx = to.rx_freq();
    }
    if (rx != f.freq || to.transmitting(f.start_ms, f.end_ms)) continue;
    std::vector<uint8_t> bytes = f.bytes;
    if (config_.noise) {
      std::uniform_real_distribution<double> uni(0, 1);
      std::exponential_distribution<double> fade(1.0);
      for (std::size_t at = 0; at < bytes.size(); at += block) {
        double snr = config_.snr_db;
        if (config_.fading) {
          const int draws = rate.interleaver_long ? 8 : 2;
          double g = 0;
          for (int k = 0; k < draws; ++k) g += fade(rng_);
          snr += 10.0 * std::log10(g / draws);
        }
        const double ber = byte_ether_ber(f.mode, snr);
        if (ber < 1e-9) continue;
        const std::size_t end = std::min(bytes.size(), at + block);
        for (std::size_t i = at; i < end; ++i)
          for (int b = 0; b < 8; ++b)
            if (uni(rng_) < ber) bytes[i] ^= static_cast<uint8_t>(1u << b);
      }
    }
    StationScope scope(*to.st);
    fs1052_modem_rx_start();
    for (uint8_t byte : bytes) fs1052_modem_rx_byte(byte);
    fs1052_modem_rx_end();
  }
}

}  // namespace vesk
