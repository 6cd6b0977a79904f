// Remote commands in received AMD messages: a distant station asks, by an AMD text that is
// exactly one of the listed command strings, to switch the external TNC to a protocol or to
// report which TNC or serial-tone modem mode runs here. The TNC is switched through the TNC
// port's queue; 10 s later the answer goes back to the sender as an AMD of its own. Nothing
// else in a received text is ever run.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vesk {

inline constexpr int kRemoteReplyDelayMs = 10000;
inline constexpr int kRemoteReplyFirstTimer = 1048;
inline constexpr int kRemoteReplyLastTimer = 1074;

struct RemoteAmdState {
  std::mutex mutex;
  // The senders waiting for the reply of each timer, each kept with its own address.
  std::map<int, std::vector<std::string>> waiting;
};

RemoteAmdState& remote_amd_state();

// A listed command string as it arrives: padded with blanks to whole words of three characters.
std::string mmi_remote_command_text(const std::string& command);
// One received AMD text: the frame's address, the sender's and the text.
void mmi_remote_amd_command(const std::string& to, const std::string& from, const std::string& text);
// A reply timer expired: each sender waiting for it gets the reply AMD.
void mmi_remote_command_reply(int timer);
// The reply text of a timer ("" for none).
const char* mmi_remote_reply_text(int timer);
// After a link cleared or timed out: the external TNC back to PACTOR.
void mmi_tnc_reset_on_clear();

}  // namespace vesk
