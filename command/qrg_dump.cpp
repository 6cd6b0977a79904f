// The frequency file ("*.qrg"): the own, other, net and channel tables and the scan-group
// labels written as the command lines that rebuild them.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "command/mode_words.h"
#include "command/scripts.h"
#include "db/database.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

namespace {

// What the dump needs of the tables, copied under the database lock so the file is written
// without holding it.
struct DumpCopy {
  std::vector<std::string> own;
  std::vector<std::string> other;
  struct Net {
    std::string name;
    std::vector<std::string> members;
  };
  std::vector<Net> nets;
  std::vector<ChannelRecord> channels;
  std::vector<std::string> channel_own;  // name of each channel's own address
};

std::string field(const char* text, std::size_t size) {
  std::size_t n = 0;
  while (n < size && text[n] != '\0') ++n;
  return std::string(text, n);
}

DumpCopy copy_tables() {
  DumpCopy c;
  DbLock lock;
  const StationDatabase& db = lock.db();
  auto own_name = [&](int i) {
    return i >= 0 && i < kOwnAddressCount ? field(db.own[i].address, kAddressFieldSize) : std::string();
  };
  for (const auto& o : db.own)
    if (o.in_use == 1) c.own.push_back(field(o.address, kAddressFieldSize));
  for (const auto& o : db.other)
    if (o.in_use == 1 && o.learned == 0) c.other.push_back(field(o.address, kAddressFieldSize));
  for (const auto& n : db.nets) {
    if (n.in_use != 1) continue;
    DumpCopy::Net net{field(n.address, kAddressFieldSize), {}};
    for (int m = 0; m < n.member_count && m < kNetMemberSlots; ++m) {
      const int idx = n.members[m];
      if (m == n.own_slot)
        net.members.push_back(own_name(n.own_index));
      else if (idx >= 0 && idx < kOtherAddressCount)
        net.members.push_back(field(db.other[idx].address, kAddressFieldSize));
    }
    c.nets.push_back(std::move(net));
  }
  for (int n = 1; n < kChannelCount; ++n) {
    if (db.channels[n].in_use != 1) continue;
    c.channels.push_back(db.channels[n]);
    c.channel_own.push_back(own_name(db.channels[n].own_index));
  }
  return c;
}

}  // namespace

int script_dump_database(const std::string& file_name) {
  std::FILE* f = std::fopen(station().path(file_name).c_str(), "w");
  if (f == nullptr) {
    log_file_not_found(file_name.c_str());
    return 0;
  }
  const DumpCopy c = copy_tables();
  const std::tm now = station().clock().utc_tm();
  char date[16];
  std::strftime(date, sizeof date, "%m-%d-%Y", &now);
  std::fprintf(f, "#\n# VESK-ALE GROUPS/ADDRESSES Database Dump File Automatically Generated: %s\n#\n", date);

  std::fprintf(f, "# Add OWN addresses\n#\nRESET OWN\n");
  for (const auto& name : c.own) std::fprintf(f, "ADD OWN %s\n", name.c_str());

  std::fprintf(f, "#\n# Add OTHER addresses\n#\nRESET OTHER\n");
  for (const auto& name : c.other) std::fprintf(f, "ADD OTHER %s\n", name.c_str());

  std::fprintf(f, "#\n# Add NET Addresses\n#\nRESET NET\n");
  for (const auto& net : c.nets) {
    std::fprintf(f, "ADD NET %s ", net.name.c_str());
    for (const auto& m : net.members) std::fprintf(f, "%s ", m.c_str());
    std::fprintf(f, "\n");
  }

  std::fprintf(f, "#\n# Add CHANNELS\n#\nRESET CHANNELS\n");
  for (std::size_t i = 0; i < c.channels.size(); ++i) {
    const ChannelRecord& ch = c.channels[i];
    // A channel whose own address has no name would shift every later field when read
    // back: its field is written as "-", which names no address and so reads as own index 0.
    const std::string own = c.channel_own[i].empty() ? "-" : c.channel_own[i];
    std::fprintf(f, "ADD CHANNEL %d %s %d %s %d %d %s %d %d %d %d %d %d\n", ch.rx_freq_hz, mode_word_of(ch.rx_mode),
                 ch.tx_freq_hz, mode_word_of(ch.tx_mode), ch.scan_groups, ch.permission, own.c_str(), ch.antenna_port,
                 ch.tx_level, ch.usage, ch.lp_key, ch.tuner_enable, ch.attenuator);
  }

  for (int g = 0; g < kScanGroupCount; ++g)
    std::fprintf(f, "SCANGROUP %d LABEL \"%s\"\n", g + 1, db_get_scan_group_label(g).c_str());
  const bool ok = std::fflush(f) == 0;
  std::fclose(f);
  return ok ? 1 : 0;
}

}  // namespace vesk
