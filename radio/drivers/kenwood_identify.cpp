#include "radio/drivers/kenwood_identify.h"

#include <cstring>

#include "db/log.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_events.h"

namespace vesk {

namespace {

struct KenwoodModelRow {
  int32_t code;
  const char* id;      // the first five bytes of the identity reply
  const char* name;
  bool all_groups;     // known to every group, not to the KENWOOD group alone
  bool series;         // "series has been detected"
};
constexpr KenwoodModelRow kKenwoodModels[] = {
    {3, "ID003", "TS-940S", false, false},    {4, "ID004", "TS-440S", false, false},
    {5, "ID005", "R-5000", false, false},     {6, "ID006", "TS-140/680S", false, false},
    {8, "ID008", "TS-950S", false, false},    {9, "ID009", "TS-850S", false, false},
    {10, "ID010", "TS-450S", false, false},   {11, "ID011", "TS-690S", false, false},
    {12, "ID012", "TS-950SDX", false, false}, {13, "ID013", "TS-50S", false, false},
    {15, "ID015", "TS-870S", true, false},    {17, "ID017", "TS-570DG", true, false},
    {18, "ID018", "TS-570SG", true, false},   {19, "ID019", "TS-2000", true, true},
    {20, "ID020", "TS-480", true, true},      {21, "ID021", "TS-590", false, true},
};

constexpr int32_t kTs440s = 4, kR5000 = 5, kTs690s = 11, kTs870s = 15, kTs2000 = 19, kTs480 = 20, kTs590 = 21;

const KenwoodModelRow* model_row(int32_t code) {
  for (const KenwoodModelRow& r : kKenwoodModels) {
    if (r.code == code) return &r;
  }
  return nullptr;
}

bool group_knows(KenwoodGroup g, int32_t code) {
  const KenwoodModelRow* r = model_row(code);
  if (r == nullptr) return false;
  return g == KenwoodGroup::Kenwood || (r->all_groups);
}

// One step of a model's body.
enum : int8_t { kAdvice = -1, kFilterPair = -2 };
struct BodyStep {
  int8_t cmd;       // KenwoodCmd row, or kAdvice / kFilterPair
  int16_t arg;
  int8_t advice;    // advice line number
  const char* text;
  bool short_prefix = false;  // "Kenwood TS-870" in place of the model's name
  bool pause_around = false;  // a pause before the line as well as after it
};

constexpr BodyStep C(KenwoodCmd c, const char* text, int arg = 0, bool short_prefix = false, bool around = false) {
  return BodyStep{static_cast<int8_t>(c), static_cast<int16_t>(arg), 0, text, short_prefix, around};
}
constexpr BodyStep L(int n) { return BodyStep{kAdvice, 0, static_cast<int8_t>(n), nullptr}; }
constexpr BodyStep kFl{kFilterPair, 0, 0, "Selected FILTERS of THRU/2.4Khz"};

struct AdviceLine {
  const char* text;
  int pause_ms;
};
constexpr AdviceLine kAdviceLines[] = {
    {nullptr, 0},
    {"Please select FILTERS of 2.4Khz or better", 0},
    {"Please set your AGC to FAST", 0},
    {"Please set your SPEECH PROCESSOR (PROC) to OFF", 0},
    {"Please set your NOTCH FILTER to OFF", 0},
    {"Please set your NOISE BLANKER to OFF", 0},
    {"Pleaes set your TS-2000 AGC for ALE", kSequencePauseMs},
    {"Please select your antenna port for ALE", kSequencePauseMs},
};

using K = KenwoodCmd;
constexpr BodyStep kSc0 = C(K::ScanOff, "SCAN set to OFF");
constexpr BodyStep kRt0 = C(K::RitOff, "RIT set to OFF");
constexpr BodyStep kXt0 = C(K::XitOff, "XIT set to OFF");
constexpr BodyStep kSl00 = C(K::SlopeLowWide, "XIT SLOPE TUNE LOW set to WIDE");
constexpr BodyStep kSh00 = C(K::SlopeHighWide, "SLOPE TUNE HIGH set to WIDE");
constexpr BodyStep kSb0 = C(K::SubReceiverOff, "SUB RECEIVER set to OFF");
constexpr BodyStep kMx0 = C(K::AipOff, "AIP set to OFF");
constexpr BodyStep kAn1 = C(K::Ant1, "set to ANT 1");
constexpr BodyStep kBc0 = C(K::BeatCancellerOff, "BEAT CANCELLER set to OFF");
constexpr BodyStep kEq0 = C(K::TxEqOff, "TRANSMIT EQUALIZER set to OFF");
constexpr BodyStep kGt062 = C(K::AgcFast062, "AGC set to FAST");
constexpr BodyStep kGt255 = C(K::AgcFast255, "AGC set to FAST");
constexpr BodyStep kGt001 = C(K::AgcFast001, "AGC set to FAST");
constexpr BodyStep kDl000 = C(K::DnlOff, "DIGITAL NOISE LIMITER set to OFF");
constexpr BodyStep kAl000 = C(K::NotchFilterOff, "NOTCH FILTER set to OFF");
constexpr BodyStep kAm0 = C(K::AutoModeOff, "AUTO MODE set to OFF");
constexpr BodyStep kNr0 = C(K::NrOff, "NOISE REDUCTION to OFF");
constexpr BodyStep kNt0 = C(K::AutoNotchOff, "AUTO NOTCH to OFF");
constexpr BodyStep kPr0 = C(K::SpeechProcOff, "SPEECH PROC to OFF");
constexpr BodyStep kRa00 = C(K::AttenuatorOff, "ATTENUATOR to OFF");
constexpr BodyStep kIs0300 = C(K::Is, "FILTER WIDTH to 300hz", 300);
constexpr BodyStep kFw2600 = C(K::FilterWidth, "FILTER WIDTH to 2600hz", 2600);
constexpr BodyStep kSl04 = C(K::DspLow, "DSP BW LOW END to 300hz", 4);
constexpr BodyStep kSh05 = C(K::DspHigh, "DSP BW HIGH END to 2600hz", 5);
constexpr BodyStep kSh08At3000 = C(K::DspHigh, "DSP BW HIGH END to 3000hz", 8);
constexpr BodyStep kSh08At2600 = C(K::DspHigh, "DSP BW HIGH END to 2600hz", 8);

struct Body {
  const BodyStep* steps;
  int count;
};
template <std::size_t N>
constexpr Body body(const BodyStep (&s)[N]) {
  return Body{s, static_cast<int>(N)};
}

constexpr BodyStep kTs940s[] = {kSc0, kRt0, kXt0, kSl00, kSh00, L(1), L(2), L(3), L(4), L(5)};
constexpr BodyStep kPlain[] = {kSc0, kRt0, kXt0, L(1), L(2), L(3), L(4), L(5)};  // TS-440S, TS-140/680S, TS-850S, TS-50S
constexpr BodyStep kR5000Body[] = {kSc0, kRt0, kAn1, L(1), L(2), L(4), L(5)};
constexpr BodyStep kTs950s[] = {kSc0, kSb0, kMx0, kRt0, kXt0, L(1), L(2), L(3), L(4), L(5)};  // and TS-950SDX
constexpr BodyStep kTs450s[] = {kSc0, kRt0, kXt0, kMx0, kFl, L(2), L(3), L(4), L(5)};
constexpr BodyStep kTs690sBody[] = {kSc0, kRt0, kXt0, kMx0, L(1), L(2), L(3), L(4), L(5)};
constexpr BodyStep kTs870sK[] = {kSc0, kRt0, kXt0, kAn1, kBc0, kEq0, kGt062, L(5),
                                 kNr0, kNt0, kPr0, kIs0300, kFw2600, kRa00};
constexpr BodyStep kTs870sK23[] = {kSc0, kRt0, kXt0, kAn1, kBc0, kEq0, kGt255, L(5),
                                   kNr0, kNt0, kPr0, kIs0300, kFw2600, kRa00};
constexpr BodyStep kTs870sK4[] = {
    kSc0, kRt0, kXt0, kAn1,
    C(K::BeatCancellerOff, "BEAT CANCELLER set to OFF", 0, true),
    C(K::TxEqOff, "TRANSMIT EQUALIZER set to OFF", 0, true),
    C(K::AgcFast255, "AGC set to FAST", 0, true),
    L(5),
    C(K::NrOff, "NOISE REDUCTION to OFF", 0, true),
    C(K::AutoNotchOff, "AUTO NOTCH to OFF", 0, true),
    C(K::SpeechProcOff, "SPEECH PROC to OFF", 0, true),
    C(K::Is, "FILTER WIDTH to 2600hz", 2600, false, true),
    kFw2600,
    C(K::AttenuatorOff, "ATTENUATOR to OFF", 0, true)};
constexpr BodyStep kTs570dg[] = {kSc0, kRt0, kXt0, kBc0, L(5), kNr0, kSl04, kSh05, kAn1, L(1), L(2), L(3), L(4)};
constexpr BodyStep kTs570sg[] = {kSc0, kRt0, kXt0, kBc0, L(5), kNr0, kSl04, kSh05, kAn1, L(2), L(3), L(4)};
constexpr BodyStep kTs2000Body[] = {kSc0, kRt0, kXt0, kAl000, kAm0, kBc0, L(6), L(5),
                                    kNr0, kNt0, kPr0, kRa00, kSl04, kSh08At3000, L(7)};
constexpr BodyStep kTs480Body[] = {kSc0, kRt0, kXt0, kBc0, kDl000, kGt001, L(5),
                                   kNr0, kNt0, kPr0, kRa00, kSl04, kSh08At2600, kAn1};

Body model_body(KenwoodGroup g, int32_t code) {
  switch (code) {
    case 3: return body(kTs940s);
    case 4: case 6: case 9: case 13: return body(kPlain);
    case 5: return body(kR5000Body);
    case 8: case 12: return body(kTs950s);
    case 10: return body(kTs450s);
    case 11: return body(kTs690sBody);
    case 15:
      if (g == KenwoodGroup::Kenwood) return body(kTs870sK);
      if (g == KenwoodGroup::Kenwood4) return body(kTs870sK4);
      return body(kTs870sK23);
    case 17: return body(kTs570dg);
    case 18: return body(kTs570sg);
    case 19: return body(kTs2000Body);
    default: return body(kTs480Body);  // TS-480, TS-590
  }
}

KenwoodSetupItem line_item(std::string text, int pause_ms = 0) {
  KenwoodSetupItem it;
  it.line = std::move(text);
  it.pause_after_ms = pause_ms;
  return it;
}

KenwoodSetupItem command_item(int cmd, int arg, std::string text, int pause_ms) {
  KenwoodSetupItem it;
  it.command = cmd;
  it.arg = arg;
  it.line = std::move(text);
  it.pause_after_ms = pause_ms;
  return it;
}

void append_body(std::vector<KenwoodSetupItem>& out, const Body& b, const std::string& prefix, const std::string& short_prefix) {
  for (int i = 0; i < b.count; ++i) {
    const BodyStep& s = b.steps[i];
    if (s.cmd == kAdvice) {
      out.push_back(line_item(kAdviceLines[s.advice].text, kAdviceLines[s.advice].pause_ms));
    } else if (s.cmd == kFilterPair) {
      KenwoodSetupItem it = line_item(s.text);
      it.filter_pair = true;
      out.push_back(it);
    } else {
      const std::string& p = s.short_prefix ? short_prefix : prefix;
      KenwoodSetupItem it = command_item(s.cmd, s.arg, p + " " + s.text, kSequencePauseMs);
      if (s.pause_around) it.pause_before_line_ms = kSequencePauseMs;
      out.push_back(it);
    }
  }
}

constexpr const char* kUnknownPrefix = "UNKNOWN Kenwood radio";
constexpr const char* kDisabledLine = "Radio Setup Preconfiguration is Disabled";
// The fallback asks the operator to report the radio; the address is a placeholder.
constexpr const char* kReportLine =
    "Please e-mail your Kenwood radio type and its ID reply to radio-support@example.org";

}  // namespace

int32_t kenwood_model() { return station().state<KenwoodModelState>().model.load(std::memory_order_relaxed); }
void kenwood_set_model(int32_t model) {
  station().state<KenwoodModelState>().model.store(model, std::memory_order_relaxed);
}

KenwoodGroup kenwood_group_of(int radio_type) { return radio_type_row(radio_type).kenwood_group; }

const char* kenwood_model_name(int32_t model) {
  const KenwoodModelRow* r = model_row(model);
  return r != nullptr ? r->name : nullptr;
}

std::vector<KenwoodSetupItem> kenwood_setup_plan(int radio_type, const uint8_t* frame, int count, int32_t& model,
                                                 int preconfig_disabled) {
  std::vector<KenwoodSetupItem> out;
  const KenwoodGroup g = kenwood_group_of(radio_type);
  if (g == KenwoodGroup::None || frame == nullptr || count < 2 || frame[0] != 'I' || frame[1] != 'D') return out;

  // Only the first five bytes count; a shorter frame matches nothing.
  if (count >= 5) {
    for (const KenwoodModelRow& r : kKenwoodModels) {
      if (group_knows(g, r.code) && std::memcmp(frame, r.id, 5) == 0) {
        model = r.code;
        break;
      }
    }
  }
  const bool kenwood_group = g == KenwoodGroup::Kenwood;

  if (group_knows(g, model)) {
    const KenwoodModelRow& r = *model_row(model);
    const std::string prefix = std::string("Kenwood ") + r.name;
    const char* series = r.series ? " series" : "";
    out.push_back(line_item(prefix + series + " has been detected"));
    if (!(kenwood_group && (model == kTs440s || model == kR5000))) {
      out.push_back(line_item(prefix + " supports SPLIT VFO for QS/S"));
    }
    const bool ts870 = model == kTs870s;
    out.push_back(command_item(static_cast<int>(K::AutoInfoOff), 0,
                               prefix + (ts870 ? " AUTO INFORMATION set to OFF" : " Auto Information set to OFF"),
                               ts870 && kenwood_group ? 0 : kSequencePauseMs));
    const bool tested = kenwood_group && model != kTs690s;
    if (tested && preconfig_disabled != 0) {
      out.push_back(line_item(kDisabledLine));
    } else {
      if (!kenwood_group || model == kTs690s) out.push_back(line_item(prefix + " SPLIT MODE set to ON for QS/S"));
      append_body(out, model_body(g, model), prefix, "Kenwood TS-870");
    }
    out.push_back(line_item(prefix + series + " has been initialized"));
    return out;
  }

  // Fallback: an identity the group does not know.
  if (kenwood_group) model = kTs590;
  out.push_back(line_item("UNKNOWN Kenwood radio type has been detected"));
  out.push_back(line_item(kReportLine));
  out.push_back(line_item("UNKNOWN Kenwood will be treated as supporting SPLIT VFO for QS/S"));
  out.push_back(command_item(static_cast<int>(K::AutoInfoOff), 0,
                             std::string(kUnknownPrefix) + " Auto Information set to OFF", kSequencePauseMs));
  if (kenwood_group && preconfig_disabled != 0) {
    out.push_back(line_item(kDisabledLine));
  } else {
    if (!kenwood_group) out.push_back(line_item(std::string(kUnknownPrefix) + " SPLIT MODE set to ON for QS/S"));
    append_body(out, body(kTs480Body), kUnknownPrefix, kUnknownPrefix);
  }
  out.push_back(line_item(kenwood_group ? "UNKNOWN Kenwood radio initialized as a TS-590"
                                        : "UNKNOWN Kenwood radio initialized as TS-480"));
  return out;
}

namespace {

KenwoodSetupRun& setup_run() { return station().state<KenwoodSetupRun>(); }

// A pause of the series: true when the radio's timer will go on with it, false when the pause
// was slept here (no timer wired).
bool pause_series(int ms) {
  if (driver_start_timer(ms)) return true;
  driver_pause_ms(ms);
  return false;
}

// Hands out the series' items up to its next pause.
void run_items(KenwoodSetupRun& run) {
  while (run.next < run.items.size()) {
    const KenwoodSetupItem& it = run.items[run.next];
    if (!run.command_sent) {
      run.command_sent = true;
      if (it.filter_pair) {
        kenwood_select_filter(cat_slot_next(), 0, 4);
      } else if (it.command >= 0) {
        kenwood_send(cat_slot_next(), it.command, it.arg);
      }
      if (it.pause_before_line_ms > 0 && pause_series(it.pause_before_line_ms)) return;
    }
    log_printf("[%s][%s][Radio Setup: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
               it.line.c_str());
    run.command_sent = false;
    ++run.next;
    if (it.pause_after_ms > 0 && pause_series(it.pause_after_ms)) return;
  }
  run.items.clear();
  run.next = 0;
}

}  // namespace

void kenwood_handle_reply(const uint8_t* frame, int count) {
  if (frame == nullptr || count < 2 || frame[0] != 'I' || frame[1] != 'D') {
    kenwood_on_reply(frame, count);
    return;
  }
  // An identity reply is not acknowledged: the "ID;" in flight leaves on its reply timeout.
  KenwoodSetupRun& run = setup_run();
  std::lock_guard<std::mutex> hold(run.mutex);
  int32_t model = kenwood_model();
  const int32_t before = model;
  std::vector<KenwoodSetupItem> plan =
      kenwood_setup_plan(driver_radio_type(), frame, count, model, driver_preconfig_disabled());
  // Once per radio set-up; a reply that names another model sets that model up.
  if (run.identified && model == before) return;
  kenwood_set_model(model);
  run.identified = true;
  run.items = std::move(plan);
  run.next = 0;
  run.command_sent = false;
  run_items(run);
}

void kenwood_identify_reset() {
  KenwoodSetupRun& run = setup_run();
  std::lock_guard<std::mutex> hold(run.mutex);
  run.identified = false;
  run.items.clear();
  run.next = 0;
  run.command_sent = false;
}

void kenwood_setup_timer(int timer_id) {
  if (timer_id != EV_RADIO_CONFIG_TIMER) return;
  KenwoodSetupRun& run = setup_run();
  std::lock_guard<std::mutex> hold(run.mutex);
  run_items(run);
}

}  // namespace vesk
