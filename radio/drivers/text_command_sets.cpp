#include "radio/drivers/text_command_set.h"

#include "radio/drivers/radio_types.h"

namespace vesk {

namespace {

constexpr uint32_t kHf = 30000000;  // the top of HF, where several receivers stop

constexpr TextModeText kJrcModes[] = {{MODE_LSB, "D3"}, {MODE_USB, "D2"}, {MODE_CW, "D1"}, {MODE_FM, "D5"},
                                      {MODE_FMW, "D5"}, {MODE_AM, "D4"}, {MODE_RTTY, "D0"}};
constexpr TextModeText kTciModes[] = {{MODE_LSB, "eL4"}, {MODE_USB, "eL3"}, {MODE_CW, "eL2"},
                                      {MODE_AM, "eL1"},  {MODE_RTTY, "eL4"}, {15, "eL5"}};
constexpr TextModeText kCubicModes[] = {{MODE_LSB, "ML"}, {MODE_USB, "MU"}, {MODE_CW, "MC"}, {MODE_FM, "MF"},
                                        {MODE_FMW, "MF"}, {MODE_AM, "MA"},  {MODE_RTTY, "ML"}};
constexpr TextModeText kRa6830jdModes[] = {{MODE_LSB, "$85D5"}, {MODE_USB, "$85D4"}, {MODE_CW, "$85D3"},
                                           {MODE_FM, "$85D2"},  {MODE_FMW, "$85D2"}, {MODE_AM, "$85D1"},
                                           {MODE_RTTY, "$85D5"}};
constexpr TextModeText kRa6790gmModes[] = {{MODE_LSB, "$1D6"}, {MODE_USB, "$1D7"}, {MODE_CW, "$1D3"},
                                           {MODE_FM, "$1D2"},  {MODE_FMW, "$1D2"}, {MODE_AM, "$1D1"},
                                           {MODE_RTTY, "$1D3"}};
// The R&S detector codes: the EK89x take the four voice modes in their channel command.
constexpr TextModeText kEk89xModes[] = {{MODE_LSB, "I3"}, {MODE_USB, "I2"}, {MODE_CW, "I5"}, {MODE_AM, "I1"}};
constexpr TextModeText kEk2000Modes[] = {{MODE_LSB, "A00I3"}, {MODE_USB, "A00I2"}, {MODE_CW, "A00I5"},
                                         {MODE_AM, "A00I1"},  {MODE_FM, "A00I9"},  {MODE_FMW, "A00I9"},
                                         {MODE_RTTY, "A00I3"}, {15, "A00I3"}};
constexpr TextModeText kHf2050Modes[] = {{MODE_LSB, "MO LS"}, {MODE_USB, "MO US"}, {MODE_CW, "MO CW"},
                                         {MODE_AM, "MO AM"},  {MODE_RTTY, "MO LS"}, {15, "MO IS"}};
constexpr TextModeText kAorModes[] = {{MODE_LSB, "MD4"}, {MODE_USB, "MD3"}, {MODE_CW, "MD5"}, {MODE_FM, "MD1"},
                                      {MODE_FMW, "MD0"}, {MODE_AM, "MD7"},  {MODE_RTTY, "MD4"}};
constexpr TextModeText kAr5000Modes[] = {{MODE_LSB, "MD2"}, {MODE_USB, "MD3"}, {MODE_CW, "MD4"},
                                         {MODE_FM, "MD0"},  {MODE_FMW, "MD0"}, {MODE_AM, "MD1"}};
constexpr TextModeText kDrakeModes[] = {{MODE_LSB, "M2"}, {MODE_USB, "M1"}, {MODE_CW, "M4"}, {MODE_FM, "M5"},
                                        {MODE_FMW, "M1"}, {MODE_AM, "M6"},  {MODE_RTTY, "M3"}};
constexpr TextModeText kWjModes[] = {{MODE_LSB, "DET 5"}, {MODE_USB, "DET 4"}, {MODE_CW, "DET 3"},
                                     {MODE_FM, "DET 2"},  {MODE_FMW, "DET 2"}, {MODE_AM, "DET 1"},
                                     {MODE_RTTY, "DET 4"}};
constexpr TextModeText kSdr1000Modes[] = {{MODE_LSB, "ZZMD00;"},   {MODE_RTTY, "ZZMD00;"}, {MODE_USB, "ZZMD01;"},
                                          {MODE_CW, "ZZMD03;"},    {MODE_CW_R, "ZZMD04;"}, {MODE_FM, "ZZMD05;"},
                                          {MODE_AM, "ZZMD06;"},    {MODE_USB_D, "ZZMD07;"},
                                          {MODE_LSB_D, "ZZMD09;"}};
constexpr TextModeText kCodanModes[] = {{MODE_LSB, "mode lsb"}, {MODE_CW, "mode lsb"}, {MODE_RTTY, "mode lsb"},
                                        {MODE_USB, "mode usb"}, {MODE_AM, "mode am"}};
// USB and every code not listed: I2.
constexpr TextModeText kXk2100Modes[] = {{MODE_LSB, "I3"}, {MODE_RTTY, "I3"}, {MODE_CW, "I5"}, {MODE_FM, "I9"},
                                         {MODE_AM, "I1"},  {MODE_FSK, "I6"},  {15, "I13"},      {MODE_FMW, nullptr}};

}  // namespace

const TextCommandSet kTextDefault{};
const TextCommandSet kTextJst245{.freq = {.head = "F", .width = 10, .tail = "A"}, .modes = kJrcModes, .af_level_head = "JJ"};
const TextCommandSet kTextNrd{.freq = {.head = "F", .width = 8}, .modes = kJrcModes, .af_level_head = "JJ"};
const TextCommandSet kTextNrd525{.freq = {.head = "F", .width = 7, .divisor = 10}, .modes = kJrcModes,
                                 .af_level_head = "JJ"};
const TextCommandSet kTextNrd545{.freq = {.head = "F", .width = 10}, .modes = kJrcModes, .af_level_head = "JJ"};
const TextCommandSet kTextTci8174{.head = "{A", .tail = "  }", .freq = {.head = "f", .width = 8, .below = kHf},
                                  .modes = kTciModes, .af_level_head = "n3"};
// The Cubic address: one STX per STX number, then the radio's address.
#define VESK_CUBIC(address) \
  .head = address, .freq = {.head = "F", .width = 8, .lo = 10000, .hi = kHf}, .modes = kCubicModes
const TextCommandSet kTextR3030Stx1{VESK_CUBIC("\x02" "01")};
const TextCommandSet kTextR3030Stx2{VESK_CUBIC("\x02\x02" "01")};
const TextCommandSet kTextR3030Stx3{VESK_CUBIC("\x02\x02\x02" "01")};
const TextCommandSet kTextR2411u{VESK_CUBIC("\x02" "1")};
#undef VESK_CUBIC
const TextCommandSet kTextRa6790gm{.freq = {.head = "$1F ", .format = "%2.6f", .unit = 1e6},
                                   .modes = kRa6790gmModes, .bandwidth_format = "$1I%2.2f"};
const TextCommandSet kTextRa6830jd{.freq = {.head = "$85F ", .format = "%2.6f", .unit = 1e6, .tail = "TF"},
                                   .modes = kRa6830jdModes, .bandwidth_format = "$85I%2.1f"};
const TextCommandSet kTextEk2000{.tail = "\n", .freq = {.head = "A00F", .lo = 10000, .hi = kHf},
                                 .modes = kEk2000Modes};
const TextCommandSet kTextEk89x{.head = "\n", .modes = kEk89xModes};
// Kilohertz with two decimals: eight characters that carry the frequency down to 10 Hz.
const TextCommandSet kTextHf2050{.freq = {.head = "FR ", .format = "%8.2f", .unit = 1e3}, .modes = kHf2050Modes};
const TextCommandSet kTextAr8600{.tail = "\r\n",
                                 .freq = {.head = "RF", .format = "%1.4f", .unit = 1e6, .tail = "0",
                                          .short_up_to = 3000000, .short_format = "%1.3f"},
                                 .modes = kAorModes};
const TextCommandSet kTextAr5000{.freq = {.head = "RF", .format = "%4.6f", .unit = 1e6}, .modes = kAr5000Modes};
const TextCommandSet kTextArOne{.tail = "\r\n", .freq = {.head = "RF", .format = "%1.9f", .unit = 1e6},
                                .modes = kAorModes};
const TextCommandSet kTextDrakeR8{.freq = {.head = "F ", .format = "%3.5f", .unit = 1e6, .lo = 100000, .hi = kHf},
                                  .modes = kDrakeModes, .other_mode = "M1"};
const TextCommandSet kTextWj{.tail = "\n", .freq = {.head = "FRQ ", .format = "%8.6f", .unit = 1e6}, .modes = kWjModes};
// The SDR-1000's texts carry their own ";".
const TextCommandSet kTextSdr1000{.tail = "", .freq = {.head = "FA00", .width = 9, .tail = ";"},
                                  .modes = kSdr1000Modes, .af_level_head = "ZZAG", .af_level_tail = ";"};
const TextCommandSet kTextCodan{.freq = {.head = "freq ", .divisor = 1000}, .modes = kCodanModes};
const TextCommandSet kTextXk2100{.head = "\n", .freq = {.head = "F"}, .modes = kXk2100Modes, .other_mode = "I2"};
const TextCommandSet kTextHf90m{.tail = "\r\n"};

}  // namespace vesk
