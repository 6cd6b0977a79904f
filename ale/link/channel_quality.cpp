#include "ale/link/channel_quality.h"

#include <array>
#include <cmath>
#include <mutex>

#include "db/scan.h"
#include "platform/station.h"

namespace vesk {

namespace {

struct ChannelQualityState {
  std::mutex lock;  // guards the accumulator, shared with the audio thread
  double sum = 0;
  long long count = 0;
  std::array<ChannelQualityPair, kChannelQualityChannels> table{};  // engine only
};

ChannelQualityState& cq() { return station().state<ChannelQualityState>(); }

bool valid(int channel) { return channel >= 0 && channel < kChannelQualityChannels; }

// The base value of the data element by q, the channel's average over the group's smallest in
// dB; each row is "above this, up to the next row".
int base_value(double q) {
  if (q > 100) return 14;
  if (q > 80) return 13;
  if (q > 60) return 12;
  if (q > 40) return 9;
  if (q > 15) return 6;
  if (q > 6) return 3;
  return 0;
}

}  // namespace

void aqc_snr_add(float value) {
  ChannelQualityState& s = cq();
  std::lock_guard<std::mutex> g(s.lock);
  s.sum += value;
  ++s.count;
}

void aqc_channel_quality_update(int channel) {
  ChannelQualityState& s = cq();
  double sum = 0;
  long long count = 0;
  {
    std::lock_guard<std::mutex> g(s.lock);
    sum = s.sum;
    count = s.count;
    s.sum = 0;
    s.count = 0;
  }
  if (!valid(channel) || count == 0) return;
  const double m = sum / static_cast<double>(count);
  ChannelQualityPair& p = s.table[static_cast<std::size_t>(channel)];
  p.peak = m > p.peak ? static_cast<float>(m) : static_cast<float>(p.peak * 0.9999);
  p.average = static_cast<float>(p.average * 0.9999 + m * 0.0001);
}

int aqc_channel_quality_of(ChannelQualityPair pair, double group_min_average) {
  if (!(pair.average > 0) || !(group_min_average > 0)) return 0;
  const double q = 20 * std::log10(pair.average / group_min_average);
  const int base = base_value(q);
  if (base >= 12 || !(pair.peak > 0)) return base;
  const double r = 20 * std::log10(pair.peak / pair.average);
  if (r >= 12) return base + 2;
  if (r >= 6) return base + 1;
  return base;
}

int aqc_channel_quality(int channel) {
  if (!valid(channel)) return 0;
  ChannelQualityState& s = cq();
  double group_min = 100000000.0;
  for (int n = 1; n < kChannelQualityChannels; ++n)
    if (db_channel_in_use(n) && db_channel_in_group(n) && s.table[static_cast<std::size_t>(n)].average < group_min)
      group_min = s.table[static_cast<std::size_t>(n)].average;
  return aqc_channel_quality_of(s.table[static_cast<std::size_t>(channel)], group_min);
}

ChannelQualityPair aqc_channel_quality_pair(int channel) {
  return valid(channel) ? cq().table[static_cast<std::size_t>(channel)] : ChannelQualityPair{};
}

void aqc_channel_quality_set_pair(int channel, ChannelQualityPair pair) {
  if (valid(channel)) cq().table[static_cast<std::size_t>(channel)] = pair;
}

}  // namespace vesk
