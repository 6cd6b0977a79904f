#include "ui/commands.h"

#include "ale/link/link_state.h"
#include "db/options.h"

namespace vesk {

namespace {

using R = CommandRule;

// clang-format off
constexpr CommandRow kCommands[] = {
  // id     menu                                              sep   tool  tip                                  keys                 claimed rule
  {57665, "&File|E&xit",                                      false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32908, "&Edit|&Select All",                                false, 0,  nullptr,                              "Ctrl+A",            false, R::Default},
  {57634, "&Edit|&Copy",                                      false, 0,  nullptr,                              "Ctrl+C",            false, R::Default},
  {57635, "&Edit|Cu&t",                                       false, 0,  nullptr,                              "Ctrl+X;Shift+Del",  false, R::Greyed},
  {57637, "&Edit|&Paste",                                     false, 0,  nullptr,                              "Ctrl+V;Shift+Ins",  false, R::Greyed},
  {57643, "&Edit|&Undo",                                      false, 0,  nullptr,                              "Ctrl+Z;Alt+Backspace", false, R::Default},
  {32942, "Dialog &Bars|Dock &Tool Bar",                      false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32945, "Dialog &Bars|&Launch Tool Bar",                    true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32940, "Dialog &Bars|Dock &Data Bar",                      true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32941, "Dialog &Bars|&Open Data Bar",                      true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32810, "C&onfiguration|MIL-STD 188-141 &Options",          false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32867, "C&onfiguration|MIL-STD 188-110 Options",           true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32863, "C&onfiguration|FS-1052 Appendix B Options",        true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32896, "C&onfiguration|Soundcard",                         true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32855, "C&onfiguration|&Telnet Address",                   true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32839, "C&onfiguration|&Recorder",                         true,  0,  nullptr,                              nullptr,             true,  R::Default},
  {32866, "&Tools|Voice ID",                                  false, 51, "Manual Voice ID",                    nullptr,             true,  R::Default},
  {32853, "&Tools|&Radio Control",                            true,  41, "Manually Control Radio  Assets",     nullptr,             false, R::Default},
  {32901, "&Tools|Reset Modem",                               true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32836, "&Tools|&Tracing",                                  true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32796, "&Channels|&Add",                                   false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32772, "&Channels|&Delete",                                false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32773, "&Channels|&Modify",                                false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32809, "&Channels|&List",                                  false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32894, "&Channels|Groups",                                 true,  0,  nullptr,                              nullptr,             false, R::Default},
  {32823, "&Channels|&Goto",                                  true,  0,  nullptr,                              nullptr,             true,  R::Default},
  {32798, "&Addresses|&Add|&Other",                           false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32799, "&Addresses|&Add|&Net",                             false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32797, "&Addresses|&Add|O&wn",                             false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32801, "&Addresses|&Delete|&Other",                        false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32802, "&Addresses|&Delete|&Net",                          false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32800, "&Addresses|&Delete|O&wn",                          false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32804, "&Addresses|&Modify|&Other",                        false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32805, "&Addresses|&Modify|&Net",                          false, 0,  nullptr,                              nullptr,             false, R::Greyed},
  {32803, "&Addresses|&Modify|O&wn",                          false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32807, "&Addresses|&List|&Other",                          false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32808, "&Addresses|&List|&Net",                            false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32806, "&Addresses|&List|O&wn",                            false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32825, "&Addresses|Lin&ked",                               false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32834, "&Addresses|Reset",                                 false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32812, "&Scan|&Start Scan",                                false, 24, "Start",                              nullptr,             true,  R::StartScan},
  {32813, "&Scan|S&top Scan",                                 false, 22, "Stop",                               nullptr,             false, R::Scanning},
  {32847, "&Scan|Step Back",                                  false, 0,  nullptr,                              nullptr,             false, R::Greyed},
  {32849, "&Scan|Step Forward",                               false, 23, "Step Forward a Channel",             nullptr,             true,  R::NotScanning},
  {32779, "Cal&l|&Individual",                                false, 0,  nullptr,                              nullptr,             true,  R::Idle},
  {32780, "Cal&l|&Net",                                       true,  0,  nullptr,                              nullptr,             true,  R::Idle},
  {32781, "Cal&l|G&roup",                                     true,  0,  nullptr,                              nullptr,             true,  R::CallGroup},
  {32782, "Cal&l|&Global Allcall",                            true,  0,  nullptr,                              nullptr,             true,  R::Idle},
  {32783, "Cal&l|Selective Allcall",                          false, 0,  nullptr,                              nullptr,             true,  R::Idle},
  {32784, "Cal&l|Global Anycall",                             true,  0,  nullptr,                              nullptr,             true,  R::Idle},
  {32785, "Cal&l|Selective Anycall",                          false, 0,  nullptr,                              nullptr,             true,  R::Idle},
  {32815, "Cal&l|&Kill",                                      true,  34, "Kill current Link or Outgoing Call", nullptr,             false, R::Default},
  {32820, "&Data|&AMD MSG|&Send",                             false, 0,  nullptr,                              nullptr,             true,  R::Default},
  {32821, "&Data|&AMD MSG|&List",                             false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32917, "&Data|&AMD MSG|&Reset AMD",                        false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32817, "&Data|D&TM MSG",                                   false, 0,  nullptr,                              nullptr,             true,  R::Default},
  {32818, "&Data|D&BM MSG",                                   false, 0,  nullptr,                              nullptr,             true,  R::Default},
  {32862, "&Data|&FS-1052 MSG",                               false, 0,  nullptr,                              nullptr,             true,  R::TwxNotOff},
  {32845, "&Data|FT&P XFER",                                  false, 0,  nullptr,                              nullptr,             true,  R::Default},
  {32895, "AQC|Dictionary AMD",                               false, 0,  nullptr,                              nullptr,             true,  R::LinkedAqc},
  {32897, "AQC|Terminate Other",                              true,  0,  nullptr,                              nullptr,             true,  R::LinkedAqc},
  {32898, "AQC|Terminate Own",                                true,  0,  nullptr,                              nullptr,             true,  R::LinkedAqc},
  {32899, "AQC|Operator ACK REQ",                             true,  0,  nullptr,                              nullptr,             true,  R::LinkedAqc},
  {32905, "AQC|Operator ACK",                                 true,  0,  nullptr,                              nullptr,             true,  R::LinkedAqc},
  {32902, "AQC|Meet Me",                                      true,  0,  nullptr,                              nullptr,             false, R::LinkedAqc},
  {32903, "AQC|Channel Definition",                           true,  0,  nullptr,                              nullptr,             false, R::LinkedAqc},
  {32904, "AQC|Slot Assignment",                              true,  0,  nullptr,                              nullptr,             false, R::LinkedAqc},
  {32786, "Cl&ear|&Individual",                               false, 0,  nullptr,                              nullptr,             true,  R::Linked},
  {32787, "Cl&ear|&Net",                                      false, 0,  nullptr,                              nullptr,             true,  R::Linked},
  {32788, "Cl&ear|&Group",                                    false, 0,  nullptr,                              nullptr,             true,  R::Linked},
  {32789, "Cl&ear|Globall &Allclear",                         false, 0,  nullptr,                              nullptr,             true,  R::Linked},
  {32814, "F&ill|&Load QRG File",                             false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32819, "F&ill|&Dump QRG File",                             true,  0,  nullptr,                              nullptr,             false, R::Default},
  {57664, "&Help|&About ALE...",                              false, 0,  nullptr,                              nullptr,             false, R::Default},
  {32936, "&Help|VESK&&MSG",                                  true,  0,  nullptr,                              nullptr,             false, R::Default},
  {57670, "&Help|&Help",                                      true,  0,  nullptr,                              nullptr,             false, R::Default},
  // The tool bar's own commands.
  {32835, nullptr, false, 11, "Clear Screen",                           nullptr,             false, R::Default},
  {32833, nullptr, false, 12, "Toggle Receiver Muting",                 nullptr,             true,  R::Default},
  {32828, nullptr, false, 13, "Push to Talk",                           nullptr,             true,  R::Default},
  {32850, nullptr, false, 21, "Step Back a Channel",                    nullptr,             true,  R::NotScanning},
  {139,   nullptr, false, 31, "Individual Call",                        nullptr,             true,  R::Idle},
  {166,   nullptr, false, 32, "Send AMD",                               nullptr,             true,  R::LinkReady},
  {156,   nullptr, false, 33, "Individual Clear",                       "Ctrl+I",            true,  R::Linked},
  {32900, nullptr, false, 61, "",                                       nullptr,             false, R::Greyed},
  {32906, nullptr, false, 62, "",                                       nullptr,             false, R::Greyed},
  // Keys.
  {32927, nullptr, false, 0,  nullptr, "Alt+Z",                 true,  R::Default},
  {32929, nullptr, false, 0,  nullptr, "Ctrl+M",                true,  R::Default},
  {32928, nullptr, false, 0,  nullptr, "Ctrl+B",                true,  R::Default},
  {32930, nullptr, false, 0,  nullptr, "Ctrl+T",                true,  R::Default},
  {32931, nullptr, false, 0,  nullptr, "Ctrl+F",                true,  R::Default},
  {32932, nullptr, false, 0,  nullptr, "Ctrl+Q",                false, R::Default},
  {32933, nullptr, false, 0,  nullptr, "Ctrl+L",                false, R::Default},
  {32907, nullptr, false, 0,  nullptr, "Ctrl+D;Ctrl+Ins",       false, R::Default},
  {57600, nullptr, false, 0,  nullptr, "Ctrl+N",                false, R::Default},
  {57601, nullptr, false, 0,  nullptr, "Ctrl+O",                false, R::Default},
  {57603, nullptr, false, 0,  nullptr, "Ctrl+S",                false, R::Default},
  {57607, nullptr, false, 0,  nullptr, "Ctrl+P",                false, R::Default},
  {57680, nullptr, false, 0,  nullptr, "F6",                    false, R::Default},
  {57681, nullptr, false, 0,  nullptr, "Shift+F6",              false, R::Default},
  // Commands that nothing in the window sends.
  {32822, nullptr, false, 0,  nullptr, nullptr,                 false, R::Default},
  {32826, nullptr, false, 0,  nullptr, nullptr,                 true,  R::Default},
  {32827, nullptr, false, 0,  nullptr, nullptr,                 true,  R::Default},
  {32831, nullptr, false, 0,  nullptr, nullptr,                 true,  R::Default},
  {32859, nullptr, false, 0,  nullptr, nullptr,                 false, R::Default},
  {32860, nullptr, false, 0,  nullptr, nullptr,                 true,  R::Default},
  {32939, nullptr, false, 0,  nullptr, nullptr,                 false, R::Default},
};
// clang-format on

}  // namespace

std::span<const CommandRow> command_table() { return kCommands; }

const CommandRow* command_find(int id) {
  for (const CommandRow& row : kCommands)
    if (row.id == id) return &row;
  return nullptr;
}

CommandContext command_context_now() {
  CommandContext c;
  c.claimed = db_get_resources() == 1;
  c.idle = ale_is_idle() != 0;
  c.linked = ale_is_linked() != 0;
  c.aqc_signalling = ale_signalling_mode() == 1;
  c.scanning = db_get_scan_active() != 0;
  c.aqc_switch = db_get_aqc_mode() == 1;
  c.twx_off = db_get_twx_mode() == 0;
  c.link_ready = ale_link_ready() != 0;
  return c;
}

bool command_enabled(const CommandRow& row, const CommandContext& c, bool has_handler) {
  if (!has_handler || row.rule == R::Greyed) return false;
  switch (row.rule) {
    case R::Default: return true;
    case R::Greyed: return false;
    case R::Idle: return c.idle;
    case R::Linked: return c.linked;
    case R::LinkedAqc: return c.linked && c.aqc_signalling;
    case R::Scanning: return c.scanning;
    case R::NotScanning: return !c.scanning;
    case R::StartScan: return !c.claimed || !c.scanning;
    case R::CallGroup: return !c.claimed || (!c.aqc_switch && c.idle);
    case R::TwxNotOff: return !c.twx_off;
    case R::LinkReady: return c.link_ready;
  }
  return false;
}

bool command_may_run(const CommandRow& row, const CommandContext& c, bool has_handler) {
  return command_enabled(row, c, has_handler) && (!row.claimed || c.claimed);
}

std::string command_plain_text(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') out.push_back('&'), ++i;
      continue;
    }
    out.push_back(caption[i]);
  }
  return out;
}

}  // namespace vesk
