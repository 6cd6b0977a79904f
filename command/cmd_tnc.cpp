#include "command/cmd_tnc.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ale/link/ale_timing.h"
#include "command/keywords.h"
#include "db/log.h"
#include "db/options.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/tnc_retune.h"

namespace vesk {

namespace {

// Sub-keyword codes.
constexpr int kHelp = 13, kExit = 168, kEcho = 209, kTrace = 219, kGtor = 226, kMark = 227, kSpace = 229,
              kGmon = 230, kPactor = 231, kPlisten = 232, kKissExit = 272, kDisconn = 273, kForce = 274,
              kHostExit = 275, kCmd = 276, kEnter = 278, kEsc = 277, kMsg = 279, kHalMsg = 295;
// A/ .. Z/ (no B/ and no H/) are 242 .. 267 in letter order.
constexpr int kCtrlFirst = 242, kCtrlLast = 267;

bool kam(int t) { return t >= TNC_KAME && t <= TNC_KAM98; }
bool pk(int t) { return t >= TNC_PK232 && t <= TNC_HK232; }
bool scs(int t) { return t == TNC_SCSPTCI || t == TNC_SCSPTCII; }
bool mfj(int t) { return t == TNC_MFJ1276 || t == TNC_MFJ1278B; }
bool hal(int t) { return t == TNC_DSP4100 || t == TNC_DXP38; }

const char* pk_name(int t) {
  static constexpr const char* kNames[] = {"PK232", "PK900", "DSP232", "DSP1232", "DSP2232", "HK232"};
  return kNames[t - TNC_PK232];
}
const char* mfj_name(int t) { return t == TNC_MFJ1276 ? "MFJ-1276" : "MFJ-1278B"; }

// /0 .. /Z and ECHO: control-C, the character, CR.
char slash_char(int code) {
  struct Row {
    int code;
    char c;
  };
  static constexpr Row kRows[] = {{268, '0'}, {269, '1'}, {270, '2'}, {271, '3'}, {233, 'A'}, {234, 'B'}, {235, 'C'},
                                  {236, 'D'}, {kEcho, 'E'}, {237, 'O'}, {238, 'R'}, {239, 'T'}, {240, 'X'}, {241, 'Z'}};
  for (const Row& r : kRows)
    if (r.code == code) return r.c;
  return 0;
}

// The HAL modem's byte commands without a call sign.
struct HalBytes {
  int code;
  std::string bytes;
};
const HalBytes kHalBytes[] = {
    {312, std::string("\x80\x6F\x80\x01", 4)}, {311, "AT$Z\r"},
    {310, std::string("\x80\x87", 2)},         {309, std::string("\x80\x88", 2)},
    {308, std::string("\x80\x07", 2)},         {307, std::string("\x80\x0C", 2)},
    {306, std::string("\x80\x58", 2)},         {305, std::string("\x80\x48", 2)},
    {304, std::string("\x80\xC9", 2)},         {303, std::string("\x80\xD9", 2)},
    {302, std::string("\x80\xF0\x80\x02", 4)}, {301, std::string("\x80\xF0\x80\x00", 4)},
    {300, std::string("\x80\xF0\x80\x01", 4)},
};

// The HAL modem's call commands: the call code with a call sign, the standby bytes without,
// and their lines.
struct HalCall {
  int code;
  char call_code;
  std::string standby;
  const char* call_line;
  const char* standby_line;
};
const HalCall kHalCalls[] = {
    {299, 0x11, std::string("\x80\x80", 2), "CLOVER call to %s", "Set Modem to CLOVER STANDBY"},
    {298, 0x10, std::string("\x80\x81", 2), "Robust CLOVER call to %s", "Set Modem to CLOVER STANDBY"},
    {297, 0x1A, std::string("\x80\x83", 2), "Long Path Pmode call to %s", "Set Modem to Pmode STANDBY"},
    {296, 0x19, std::string("\x80\x83", 2), "Pmode call to %s", "Set Modem to Pmode STANDBY"},
};
const HalCall& hal_pmode() { return kHalCalls[3]; }

std::string hal_call_bytes(char code, const std::string& call) {
  return std::string("\x80", 1) + code + call + std::string("\x80\x80", 2);
}

// What one command does: the messages for the TNC (each its own queued message, 500 ms
// apart), the line it writes, and the radio step before it.
struct TncAction {
  std::vector<std::string> parts;
  std::string line;  // after "MMI CHANGE: "; empty for none
  enum { None, Retune, Restore } radio = None;
  bool restart_twa = false;
};

std::string format(const char* f, const std::string& a) {
  char text[1024];
  std::snprintf(text, sizeof text, f, a.c_str());
  return text;
}

// A text message and its pieces: the text itself is cut into pieces that each fit one
// message, so a long text goes out whole.
void add_text_pieces(TncAction& a, const std::string& text) {
  for (std::size_t at = 0; at < text.size(); at += kTncMessageBytes) a.parts.push_back(text.substr(at, kTncMessageBytes));
}

// MARK and SPACE: without a number the display request, with one in range the setting.
void mark_or_space(TncAction& a, const MmiLine& line, const char* name) {
  const char* what = name;
  if (line.count < 3) {
    a.parts = {std::string(what) + "\r"};
    a.line = std::string("Request ") + name + " frequency display";
    return;
  }
  const long value = std::atol(line.words[2]);
  if (value < 50 || value > 5000) {
    // The line shows the rejected word's first character.
    a.line = std::string(name) + " frequency out of range at " + std::string(1, line.words[2][0]);
    return;
  }
  a.parts = {std::string(what) + " " + std::to_string(value) + "\r"};
  a.line = std::string("Set ") + name + " to " + std::to_string(value);
}

// Fills `a` for the sub-keyword `code` and the type `t`; false when the line is short of a
// word (MmiErrorKind 2).
bool build(int code, int t, const MmiLine& line, TncAction& a) {
  const bool with = line.count >= 3;
  const std::string w2 = line.word(2);
  if (code >= kCtrlFirst && code <= kCtrlLast) {
    a.parts = {std::string{static_cast<char>(code - kCtrlFirst + 1), '\r'}};
    return true;
  }
  if (const char c = slash_char(code)) {
    a.parts = {std::string{'\x03', c, '\r'}};
    return true;
  }
  for (const HalBytes& h : kHalBytes) {
    if (h.code != code) continue;
    if (hal(t)) a.parts = {h.bytes};
    else a.line = t >= TNC_KAME && t <= TNC_GENERIC ? "No action as the command requires a HAL modem"
                                                     : "No action as TNC/Modem type is unknown";
    return true;
  }
  for (const HalCall& h : kHalCalls) {
    if (h.code != code) continue;
    if (!hal(t)) {
      a.line = t >= TNC_KAME && t <= TNC_GENERIC ? "No action as the command requires a HAL modem"
                                                  : "No action as TNC/Modem type is unknown";
    } else if (with) {
      a.parts = {hal_call_bytes(h.call_code, w2)};
      a.line = format(h.call_line, w2);
    } else {
      a.parts = {h.standby};
      a.line = h.standby_line;
    }
    return true;
  }
  switch (code) {
    case kHelp:
      a.parts = {with ? "HELP " + w2 + "\r" : "HELP\r"};
      a.line = with ? format("TNC HELP on %s", w2) : "Set TNC HELP Listing Request";
      return true;
    case kCmd: {
      // A command of up to three words; CMD alone has nothing to send.
      if (!with) return false;
      std::string text = w2;
      for (int i = 3; i < line.count && i <= 4; ++i) text += " " + std::string(line.words[i]);
      a.parts = {text + "\r"};
      a.line = "TNC sent command " + text;
      return true;
    }
    case kEnter: a.parts = {"\r"}; return true;
    case kEsc: a.parts = {"\x1B\r"}; return true;
    case kMsg:
    case kHalMsg: {
      if (!with) return false;
      const bool pactor = code == kMsg;
      a.parts = {pactor ? "\x03T" : std::string("\x80\x31", 2)};
      add_text_pieces(a, line.words[line.count - 1]);
      a.parts.push_back("\r");
      a.parts.push_back(pactor ? "\x03" "E" : std::string("\x80\x30", 2));
      a.restart_twa = true;
      return true;
    }
    case kExit:
      if (mfj(t)) {
        a.parts = {"EXIT\r"};
        a.line = std::string("EXIT ") + mfj_name(t) + " to Command Mode";
      }
      return true;
    case kHostExit:
      if (kam(t)) a.parts = {"\xC0\x51\xC0\r"}, a.line = "EXIT KAM HOST MODE";
      else if (pk(t)) a.parts = {"\x03\x03\x03"}, a.line = std::string("EXIT ") + pk_name(t) + " HOST MODE";
      else if (mfj(t)) a.line = std::string(mfj_name(t)) + " has no HOST MODE";
      return true;
    case kKissExit:
      if (kam(t)) a.parts = {"\xC0\x46\x46\xC0\r"}, a.line = "EXIT KAM KISS MODE";
      else if (pk(t)) a.parts = {std::string("\x4B\x49\x00", 3)}, a.line = std::string("EXIT ") + pk_name(t) + " KISS MODE";
      else if (mfj(t)) a.line = std::string(mfj_name(t)) + " has no  ? KISS MODE";
      return true;
    case kGtor:
      if (!kam(t)) a.line = "NOTE - GTOR is KAM TNC specific";
      else if (with) a.parts = {"GTOR " + w2 + "\r"}, a.line = format("GTOR call to %s", w2);
      else a.parts = {"GTOR\r"}, a.line = "Set TNC to GTOR STANDBY";
      return true;
    case kGmon:
      if (kam(t)) a.parts = {"GMON\r"}, a.line = "Set TNC to GMON";
      else a.line = "NOTE - Set TNC to GMON is KAM TNC specific";
      return true;
    case kMark:
    case kSpace:
      if (kam(t) || t == TNC_SCSPTCII) mark_or_space(a, line, code == kMark ? "MARK" : "SPACE");
      return true;
    case kTrace:
      if (kam(t)) a.parts = {"\x03\x14\r"}, a.line = "Set TNC to toggle TRACE";
      return true;
    case kPactor:
      a.radio = TncAction::Retune;
      if (hal(t)) {
        a.parts = {with ? hal_call_bytes(hal_pmode().call_code, w2) : hal_pmode().standby};
        a.line = with ? format("Pmode call to %s", w2) : "Set Modem to Pmode STANDBY";
        return true;
      }
      if (!(kam(t) || pk(t) || scs(t) || mfj(t))) return true;
      a.line = with ? format("PACTOR call to %s", w2) : "Set TNC to PACTOR STANDBY";
      if (!with) a.parts = {scs(t) ? "PT\r" : "PACTOR\r"};
      else if (kam(t)) a.parts = {"PACTOR " + w2 + "\r"};
      else if (pk(t)) a.parts = {"PTC " + w2 + "\r"};
      else if (scs(t)) a.parts = {"C " + w2 + "\r"};
      else a.parts = {"PACTOR\r", "C " + w2 + "\r"};
      return true;
    case kPlisten:
      if (hal(t)) {
        a.parts = {with ? hal_call_bytes(hal_pmode().call_code, w2) : hal_pmode().standby};
        a.line = with ? format("Pmode call to %s", w2) : "Set Modem to Pmode STANDBY";
      } else if (kam(t)) {
        a.parts = {"PLISTEN\r"}, a.line = "Set TNC to PLISTEN";
      } else if (pk(t)) {
        a.parts = {"PTLIST\r"}, a.line = "Set TNC to PLISTEN";
      } else if (scs(t)) {
        a.parts = {"Listen\r"}, a.line = t == TNC_SCSPTCI ? "Set TNC to Listen" : "Set TNC to LISTEN";
      }
      return true;
    case kDisconn:
    case kForce: {
      a.radio = TncAction::Restore;
      const bool force = code == kForce;
      if (kam(t)) a.parts = {force ? "\x18\r" : "\x04\r"};
      else if (pk(t)) a.parts = {force ? "R\r" : "\x04\r"};
      else if (scs(t)) a.parts = {force ? "DD\r" : "Disconnect\r"};
      else if (mfj(t)) a.parts = {force ? "DD\r" : "D\r"};
      else if (hal(t)) a.parts = {force ? std::string("\x80\x88", 2) : std::string("\x80\x07", 2)};
      else return true;
      a.line = force ? "FORCE PACTOR link DISCONNECT" : "PACTOR link DISCONNECTED";
      return true;
    }
    default: return true;  // no sub-keyword of this verb, or an ambiguous or unknown word
  }
}

}  // namespace

void mmi_cmd_tnc(MmiLine& line) {
  if (!serial_control(SERIAL_ROLE_TNC).is_open()) {
    log_stamped_printf("[MMI CHANGE ERROR: TNC port has not been defined]\n");
    return;
  }
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  TncAction a;
  if (!build(mmi_lookup_keyword(line.words[1]), db_get_tnc_type(), line, a)) {
    return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  }
  // A text longer than one message is refused whole: nothing goes to the TNC or the radio.
  for (const std::string& part : a.parts) {
    if (part.size() > static_cast<std::size_t>(kTncMessageBytes)) {
      log_stamped_printf("[MMI ERROR: TNC command not sent. Longer than %d bytes.]\n", kTncMessageBytes);
      return;
    }
  }
  if (a.radio == TncAction::Retune) radio_tnc_retune();
  if (a.radio == TncAction::Restore) radio_tnc_restore();
  for (const std::string& part : a.parts) tnc_send(reinterpret_cast<const uint8_t*>(part.data()), static_cast<int>(part.size()));
  if (!a.line.empty()) log_stamped_printf("[MMI CHANGE: %s]\n", a.line.c_str());
  if (a.restart_twa) timer_start_twa();
}

}  // namespace vesk
