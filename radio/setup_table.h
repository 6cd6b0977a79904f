// Radio set-up as data: for every radio type with a set-up block, the radio port's settings,
// whether the operator's configured settings replace them, the pair of reply terminators and
// the port steps that follow opening; and the settings of the tuner and antenna-switch ports.
// radio/radio_setup.cpp walks these rows; a test walks them against the serial fake.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vesk {

// A start step that belongs to a model's driver.
enum class SetupStart : uint8_t {
  Driver,          // the model's own start step (driver of its make)
  KenwoodReadId,   // "ID;" query
  KenwoodVfo,      // both VFOs to A unless the resources-claimed flag reads 1
};

enum class SetupStepKind : uint8_t { End, Pause, Handshake, Rts, Dtr, Break, Start, Timer };

struct SetupStep {
  SetupStepKind kind = SetupStepKind::End;
  int value = 0;  // ms, handshaking, line state, timer id
  int extra = 0;  // timer ms
  SetupStart start = SetupStart::Driver;
};

inline constexpr int kSetupMaxSteps = 10;
// Terminator pair value that means "left as it was" and "given by the model's driver".
inline constexpr int kTermKeep = -1;
inline constexpr int kTermFromDriver = -2;

// Where a set-up block's opening line ("<label> being initialized") is written.
enum class SetupOpening : uint8_t { AfterPort, BeforePort, BeforeAndAfterPort };

// The "Radio Setup" lines of a family's set-up commands and, for CI-V radios, its steps.
struct SetupLines {
  const char* label = nullptr;     // the radio's name in the lines ("IC-7800", "TK90")
  const char* label_variant = "";  // after the label in the opening line only (" RTS/CTS")
  // CI-V steps: codes separated by blanks; "*" after a code: no pause after it; "!" after a
  // code: written ahead of the preconfiguration switch test.
  const char* steps = "";
  const char* closing = "";        // after the label in the last line
  SetupOpening opening = SetupOpening::AfterPort;
};

// One code of a CI-V step list, without its marks.
struct SetupCode {
  std::string_view code;
  bool no_pause = false;       // "*"
  bool before_switch = false;  // "!"
};
std::vector<SetupCode> setup_codes(const char* steps);

struct RadioSetupRow {
  int type = 0;
  const char* settings = nullptr;   // null: from the configured values (GENERIC ICOM) or the driver
  bool configurable = false;        // a configured baud rate other than 0 replaces `settings`
  bool always_configured = false;   // the settings text is always built from the configured values
  int term_first = kTermKeep;       // reply terminator byte, or kTermKeep / kTermFromDriver
  int term_second = kTermKeep;
  bool handshake_first = false;     // the Handshaking step comes before InputLen
  bool preconfig_flag = false;      // the block consults "Disable Radio Pre-Configuration"
  std::array<SetupStep, kSetupMaxSteps> after{};
  SetupLines lines{};
  bool sends_channel_mode = false;  // the VFO or memory channel mode goes out at set-up
  bool model_detected = false;      // the radio model counts as detected once the port is open
  bool lines_only = false;          // no commands: keyed by the RTS/DTR lines only, said in the log
};

// Every type with a set-up block, in type order; a type not here has no block.
extern const std::array<RadioSetupRow, 150> kRadioSetupRows;
// The row of a type, or null when the type has no block.
const RadioSetupRow* radio_setup_row(int type);

// Tuner port by tuner type (2 to 6) and antenna-switch port by antenna-switch type (2, 3, 5, 6).
struct AccessoryPortRow {
  int type;
  const char* settings;  // null: the port is only opened
  int term_first;        // the accessory port's own reply terminators, or kTermKeep
  int term_second;
  int pause_before_lines_ms;
  int pause_after_lines_ms;
};
inline constexpr int ATU_NONE = 0, ATU_RADIO_CAT = 1, ATU_AT200PC = 2, ATU_Z100 = 3, ATU_STEPPIR = 4,
                     ATU_LDG_PRO = 5, ATU_RS232_LINES = 6;
inline constexpr int ANT_NONE = 0, ANT_RADIO_CAT = 1, ANT_LDG_DTS4 = 2, ANT_LDG_DTS6 = 3, ANT_AT200PC = 4,
                     ANT_ACOM_2000S = 5, ANT_RS232_LINES = 6, ANT_LPT_LINES = 7;

inline constexpr std::array<AccessoryPortRow, 5> kTunerPortRows{{
    {ATU_AT200PC, "9600,N,8,1", kTermKeep, kTermKeep, 0, 200},
    {ATU_Z100, "2400,N,8,1", 0x0D, 0x0D, 0, 0},
    {ATU_STEPPIR, "19200,N,8,1", 0x0D, 0x0D, 0, 0},
    {ATU_LDG_PRO, "2400,N,8,1", 0x0D, 0x0D, 100, 0},
    {ATU_RS232_LINES, "2400,N,8,1", 0x0D, 0x0D, 0, 0},
}};
inline constexpr std::array<AccessoryPortRow, 4> kAntSwitchPortRows{{
    {ANT_LDG_DTS4, "2400,N,8,1", 0xFF, 0xFF, 0, 200},
    {ANT_LDG_DTS6, "2400,N,8,1", 0xFF, 0xFF, 0, 200},
    {ANT_ACOM_2000S, "1200,N,8,1", 0x00, 0x00, 0, 200},
    {ANT_RS232_LINES, nullptr, kTermKeep, kTermKeep, 0, 200},
}};

}  // namespace vesk
