#include "command/remote_amd.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "ale/engine/timer.h"
#include "ale/link/amd_retry.h"
#include "ale/link/call_setup.h"
#include "command/host_port.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "platform/station.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

RemoteAmdState& remote_amd_state() { return station().state<RemoteAmdState>(); }

namespace {

constexpr int kTimerNotSupported = 1048;
constexpr int kTimerClover = 1049;
constexpr int kTimerRobustClover = 1050;
constexpr int kTimerGtor = 1051;
constexpr int kTimerPactor = 1052;
constexpr int kTimerModemNotActive = 1070;

constexpr const char* kReplies[] = {
    "PROTOCOL REQUESTED NOT SUPPORTED",
    "CONFIRM CLOVER STANDBY",
    "CONFIRM ROBUST CLOVER STANDBY",
    "CONFIRM GTOR STANDBY",
    "CONFIRM PACTOR STANDBY",
    "CONFIRM PK232 ACTIVE",
    "CONFIRM HK232 ACTIVE",
    "CONFIRM PK900 ACTIVE",
    "CONFIRM DSP232 ACTIVE",
    "CONFIRM DSP1232 ACTIVE",
    "CONFIRM DSP2232 ACTIVE",
    "CONFIRM KAM E ACTIVE",
    "CONFIRM KAM PLUS ACTIVE",
    "CONFIRM KAM XL ACTIVE",
    "CONFIRM KAM 98 ACTIVE",
    "CONFIRM MFJ-1276 ACTIVE",
    "CONFIRM MFJ-1278B ACTIVE",
    "CONFIRM SCS PTCI ACTIVE",
    "CONFIRM SCS PTCII ACTIVE",
    "CONFIRM DXP-38 ACTIVE",
    "CONFIRM DSP-4100 ACTIVE",
    "CONFIRM UNKNOWN GENERIC ACTIVE",
    "EXTERNAL TNC/MODEM SUPPORT NOT ACTIVE",
    "CONFIRM MIL-STD-188-110 MODEM OFF",
    "CONFIRM MIL-STD-188-110 ACTIVE WHEN LINKED",
    "CONFIRM MIL-STD-188-110 ALWAYS ACTIVE",
    "ERROR REPORTING STATUS OF MIL-STD-1880110 MODEM",
};
static_assert(std::size(kReplies) == kRemoteReplyLastTimer - kRemoteReplyFirstTimer + 1);

// The reply timer of ">>CMD MODEM<<" for each TNC type 0 to 16.
constexpr int kModemTimers[] = {1059, 1060, 1061, 1062, 1053, 1055, 1056, 1057, 1058,
                                1054, 1065, 1066, 1063, 1064, 1068, 1067, 1069};

bool kam(int type) { return type >= 0 && type <= 3; }
bool hal(int type) { return type == 14 || type == 15; }

void start_reply(int timer, const std::string& sender) {
  RemoteAmdState& s = remote_amd_state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<std::string>& senders = s.waiting[timer];
    if (std::find(senders.begin(), senders.end(), sender) == senders.end()) senders.push_back(sender);
  }
  timer_start(timer, kRemoteReplyDelayMs);
}

void tnc(std::initializer_list<uint8_t> bytes) {
  const std::vector<uint8_t> message(bytes);
  tnc_send(message.data(), static_cast<int>(message.size()));
}
void tnc(const char* text) { tnc_send(reinterpret_cast<const uint8_t*>(text), static_cast<int>(std::strlen(text))); }

void log_remote_command(const std::string& to, const std::string& text, const std::string& from) {
  log_printf("[%s][REMOTE AMD TNC COMMAND:][%s][%s][%s]\r\n", log_time_stamp().c_str(), to.c_str(), text.c_str(),
             from.c_str());
}

void log_change(const char* what) {
  log_printf("[%s][%s][MMI CHANGE: TNC Remote Command: %s ]\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str(), what);
}

// The KAM's switch to a protocol: Ctrl-C, "X", CR, then the protocol's command.
void kam_switch(const char* command) {
  tnc({0x03, 'X', '\r'});
  tnc(command);
}

}  // namespace

std::string mmi_remote_command_text(const std::string& command) {
  std::string padded = command;
  while (padded.size() % 3 != 0) padded.push_back(' ');
  return padded;
}

const char* mmi_remote_reply_text(int timer) {
  if (timer < kRemoteReplyFirstTimer || timer > kRemoteReplyLastTimer) return "";
  return kReplies[timer - kRemoteReplyFirstTimer];
}

void mmi_remote_amd_command(const std::string& to, const std::string& from, const std::string& text) {
  auto is = [&](const char* command) { return text == mmi_remote_command_text(command); };
  if (is(">>CMD MILMODEM<<")) {
    const int mode = db_get_twx_mode();
    start_reply(mode >= 0 && mode <= 2 ? 1071 + mode : 1074, from);
  }
  const int type = db_get_tnc_type();
  if (db_get_tnc_port() == 0) {
    if (is(">>CMD MODEM<<")) start_reply(kTimerModemNotActive, from);
    return;
  }
  if (is(">>CMD MODEM<<")) {
    start_reply(type >= 0 && type <= 16 ? kModemTimers[type] : kTimerModemNotActive, from);
  } else if (is(">>CMD CLOVER<<") || is(">>CMD RCLOVER<<")) {
    const bool robust = is(">>CMD RCLOVER<<");
    if (!hal(type)) return start_reply(kTimerNotSupported, from);
    log_remote_command(to, text, from);
    tnc({0x80, static_cast<uint8_t>(robust ? 0x81 : 0x80)});
    log_change(robust ? "Robust CLOVER" : "CLOVER");
    start_reply(robust ? kTimerRobustClover : kTimerClover, from);
  } else if (is(">>CMD GTOR<<")) {
    if (!kam(type)) return start_reply(kTimerNotSupported, from);
    log_remote_command(to, text, from);
    kam_switch("GTOR\r");
    log_change("GTOR");
    start_reply(kTimerGtor, from);
  } else if (is(">>CMD PACTOR<<")) {
    if (kam(type)) {
      log_remote_command(to, text, from);
      kam_switch("PACTOR\r");
    } else if (hal(type)) {
      tnc({0x80, 0x83});
    } else {
      return start_reply(kTimerNotSupported, from);
    }
    log_change("PACTOR");
    start_reply(kTimerPactor, from);
  }
}

void mmi_remote_command_reply(int timer) {
  const char* reply = mmi_remote_reply_text(timer);
  if (*reply == '\0') return;
  std::vector<std::string> senders;
  {
    RemoteAmdState& s = remote_amd_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.waiting.find(timer);
    if (it == s.waiting.end()) return;
    senders.swap(it->second);
    s.waiting.erase(it);
  }
  const std::string text = std::string("<REMOTE CMD REPLY: ") + reply + ">";
  for (const std::string& sender : senders) {
    // As the AMD command does: no automatic retry counted yet, the AMD to the sender, and
    // the host port's acknowledgement to its client.
    ale_set_amd_retry_counter(0);
    ale_send_amd_address(sender.c_str(), text.c_str());
    host_send_text("OK\n");
  }
}

void mmi_tnc_reset_on_clear() {
  const int type = db_get_tnc_type();
  if (!kam(type) && !hal(type)) return;
  // Nothing reaches a TNC whose port is closed: then nothing is sent and nothing is claimed.
  if (!serial_control(SERIAL_ROLE_TNC).is_open()) return;
  if (kam(type)) kam_switch("PACTOR\r");
  else tnc({0x80, 0x83});
  log_printf("[%s][%s][TNC CHANGE: TNC Reset to PACTOR at ALE Link Clear]\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str());
}

}  // namespace vesk
