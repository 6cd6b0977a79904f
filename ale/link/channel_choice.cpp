// Channel choice by link quality.
#include "ale/link/channel_choice.h"

#include <cstring>

#include "db/database.h"
#include "db/lqa.h"
#include "db/scan.h"
#include "db/tables.h"

namespace vesk {
namespace {

bool candidate(const ChannelRecord& ch, int n) {
  return n >= 1 && ch.in_use == 1 && ch.permission != CHANNEL_RX && db_channel_in_group(n);
}

bool same_address(const OtherAddressRecord& rec, const char* address) {
  return std::strncmp(rec.address, address, kAddressFieldSize) == 0;
}

// Stable exchange sort on a key: `before(a, b)` true when a must come ahead of b. Equal keys
// keep their order, so ties stay in ascending channel order.
template <typename Before>
void stable_exchange_sort(std::vector<int>& list, Before before) {
  for (std::size_t pass = 1; pass < list.size(); ++pass) {
    bool swapped = false;
    for (std::size_t i = 0; i + pass < list.size(); ++i) {
      if (before(list[i + 1], list[i])) {
        std::swap(list[i], list[i + 1]);
        swapped = true;
      }
    }
    if (!swapped) break;
  }
}

// A channel's BER scores over the stations of a call: only scores 0 to 30 count towards the
// sum; a channel marked for any of the stations goes last.
struct BerScore {
  long sum = 0;
  bool scored = false;
  bool marked = false;
  void add(const LqaRecord& q) {
    for (uint32_t w : {q.measured, q.reported}) {
      const int v = lqa_ber(w);
      if (v >= 0 && v <= 30) {
        sum += v;
        scored = true;
      }
    }
    if (lqa_ber(q.measured) == kLqaMarked) marked = true;
  }
  int tier() const { return marked ? 2 : scored ? 0 : 1; }
};

// Best first: scored channels by sum, highest first, then the channels without a score, then
// the marked ones; ties keep ascending channel order.
void rank_by_ber(std::vector<int>& list, const BerScore* score) {
  stable_exchange_sort(list, [&](int a, int b) {
    const BerScore& x = score[a];
    const BerScore& y = score[b];
    if (x.tier() != y.tier()) return x.tier() < y.tier();
    return x.tier() == 0 && x.sum > y.sum;
  });
}

int copy_out(const std::vector<int>& list, int* channels, int* size) {
  int n = 0;
  for (int ch : list) {
    if (n >= kCallChannelsMax) break;
    channels[n++] = ch;
  }
  *size = n;
  return 0;
}

}  // namespace

std::vector<int> lqa_candidate_channels() {
  std::vector<int> list;
  DbLock lock;
  for (int n = 1; n < kChannelCount; ++n) {
    if (candidate(lock.db().channels[n], n)) list.push_back(n);
  }
  return list;
}

int lqa_rank_channels(const AddressList& addresses, int* channels, int* size) {
  *size = 0;
  if (addresses.size() == 1) return lqa_rank_channels_for_station(addresses[0].c_str(), channels, size);
  std::vector<int> list = lqa_candidate_channels();
  if (list.empty()) return 1;
  if (list.size() == 1) return copy_out(list, channels, size);

  std::vector<BerScore> score(kChannelCount);
  {
    DbLock lock;
    for (const std::string& address : addresses) {
      bool found = false;
      for (const OtherAddressRecord& rec : lock.db().other) {
        if (rec.in_use != 1 || !same_address(rec, address.c_str())) continue;
        found = true;
        for (int ch : list) score[ch].add(rec.lqa[ch]);
      }
      if (!found) return 1;
    }
  }
  rank_by_ber(list, score.data());
  return copy_out(list, channels, size);
}

int lqa_rank_channels_for_station(const char* address, int* channels, int* size) {
  *size = 0;
  std::vector<int> list = lqa_candidate_channels();
  if (list.empty()) return 1;
  if (list.size() == 1) return copy_out(list, channels, size);

  int key[kChannelCount] = {};
  int rx_hz[kChannelCount] = {};
  {
    DbLock lock;
    const OtherAddressRecord* rec = db_find_other_address(lock, address);
    if (rec == nullptr) return 1;
    for (int ch : list) {
      int sinad = lqa_sinad(rec->lqa[ch].measured);
      key[ch] = sinad == kLqaNoValue ? 0 : sinad + 1;
      rx_hz[ch] = lock.db().channels[ch].rx_freq_hz;
    }
  }
  stable_exchange_sort(list, [&](int a, int b) { return key[a] > key[b]; });
  // The channels never measured form one run at the end: highest receive frequency first.
  auto run = list.begin();
  while (run != list.end() && key[*run] != 0) ++run;
  std::vector<int> unscored(run, list.end());
  stable_exchange_sort(unscored, [&](int a, int b) { return rx_hz[a] > rx_hz[b]; });
  std::copy(unscored.begin(), unscored.end(), run);
  return copy_out(list, channels, size);
}

int ale_allcall_channel() {
  std::vector<int> list = lqa_candidate_channels();
  if (list.empty()) return 1;
  std::vector<BerScore> score(kChannelCount);
  {
    DbLock lock;
    for (const OtherAddressRecord& rec : lock.db().other) {
      if (rec.in_use != 1) continue;
      for (int ch : list) score[ch].add(rec.lqa[ch]);
    }
  }
  rank_by_ber(list, score.data());
  return list.front();
}

}  // namespace vesk
