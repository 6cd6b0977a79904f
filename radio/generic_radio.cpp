// The generic radio (type 135): byte sequences read from "GENERIC.TXT" in the station folder
// at each set-up: the port's settings (CPARAMS), a sequence per channel 0 to 99 (CHAN), START
// and STOP. Tuning to a channel sends its sequence. A CHAN line outside 0 to 99 or a sequence
// longer than a radio command is refused with a log line; channels 100 and above send nothing,
// with a log line.
#include "radio/generic_radio.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include "db/log.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/family_ops.h"
#include "radio/radio_hooks.h"

namespace vesk {

namespace {

constexpr int kChannels = 100;
constexpr int kStart = kChannels, kStop = kChannels + 1;

struct Sequence {
  std::string bytes;
  bool valid = false;
};
struct GenericState {
  std::mutex lock;
  std::array<Sequence, kChannels + 2> table{};
  bool loaded = false;
  std::string settings;  // CPARAMS, empty when the file has none
};
GenericState& generic() { return station().state<GenericState>(); }

void refuse(const std::string& why) {
  radio_log_line(("RADIO: GENERIC.TXT " + why).c_str());
}

}  // namespace

std::string generic_parse_tokens(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '!' || i + 1 >= text.size()) continue;
    const char k = text[i + 1];
    if ((k == 'A' || k == 'a') && i + 2 < text.size()) {
      out += text[i + 2];
    } else if (k == 'D' || k == 'd') {
      const long v = std::strtol(text.c_str() + i + 2, nullptr, 10);
      out += static_cast<char>(static_cast<unsigned long>(v) & 0xFFu);
    }
  }
  return out;
}

bool generic_load(const std::filesystem::path& file) {
  GenericState& g = generic();
  std::lock_guard<std::mutex> lock(g.lock);
  g.loaded = false;
  std::ifstream in(file);
  if (!in) {
    radio_message_box("Generic Radio Command file not found.");
    return false;
  }
  g.settings.clear();
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '#') continue;
    if (const auto cut = line.find_first_of("\r\n"); cut != std::string::npos) line.resize(cut);
    auto store = [&](int entry, std::size_t from, const std::string& what) {
      const std::string bytes = generic_parse_tokens(from < line.size() ? line.substr(from) : "");
      if (bytes.empty()) return;  // an earlier sequence stays
      if (static_cast<int>(bytes.size()) > kCatCommandMax) {
        refuse(what + " refused: " + std::to_string(bytes.size()) + " bytes, at most " +
               std::to_string(kCatCommandMax));
        return;
      }
      g.table[static_cast<std::size_t>(entry)] = {bytes, true};
    };
    if (line.rfind("CPARAMS", 0) == 0) {
      if (line.size() > 8) g.settings = line.substr(8);
    } else if (line.rfind("START", 0) == 0) {
      store(kStart, 6, "START");
    } else if (line.rfind("STOP", 0) == 0) {
      store(kStop, 5, "STOP");
    } else if (line.rfind("CHAN", 0) == 0) {
      const long n = std::strtol(line.c_str() + 4, nullptr, 10);
      if (n < 0 || n >= kChannels) {
        refuse("CHAN " + std::to_string(n) + " refused: channels 0 to 99");
        continue;
      }
      store(static_cast<int>(n), 5, "CHAN " + std::to_string(n));
      g.loaded = true;
    }
  }
  return true;
}

namespace {

void send_entry(int entry) {
  std::string bytes;
  {
    GenericState& g = generic();
    std::lock_guard<std::mutex> lock(g.lock);
    const Sequence& s = g.table[static_cast<std::size_t>(entry)];
    if (!g.loaded || !s.valid) return;
    bytes = s.bytes;
  }
  cat_send(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
}

void channel(const RadioTypeRow&, const ChannelRecord& ch) {
  if (ch.number >= kChannels) {
    radio_log_line(("RADIO: GENERIC.TXT has no sequence for channel " + std::to_string(ch.number) +
                    " (channels 0 to 99)")
                       .c_str());
    return;
  }
  send_entry(ch.number);
}

int port_settings(std::string& settings) {
  generic_load(station().path("GENERIC.TXT"));
  std::lock_guard<std::mutex> lock(generic().lock);
  if (generic().settings.empty()) return 0;  // the port keeps its settings
  settings = generic().settings;
  return 1;
}

void shutdown(const RadioTypeRow&) { send_entry(kStop); }

}  // namespace

void generic_start() { send_entry(kStart); }
void generic_stop() { send_entry(kStop); }

const FamilyOps kGenericFileOps{
    .built = true,
    .channel_freq_mode = channel,
    .tune_channel = channel,
    .port_settings = port_settings,
    .shutdown = shutdown,
};

}  // namespace vesk
