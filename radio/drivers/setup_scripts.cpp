#include "radio/drivers/setup_script.h"

namespace vesk {

namespace {

using setup_script::bytes;
using setup_script::kPause;
using setup_script::line;
using Step = SetupScriptStep;

// ---- the five-byte Yaesu radios; a command is 00 00 00 <parameter> <opcode> ----

constexpr Step kFilters = line("Please select FILTERS of 2.4Khz or wider");
constexpr Step kAgc = line("Please set your AGC to FAST");
constexpr Step kProc = line("Please set your SPEECH PROCESSOR (PROC) to OFF");
constexpr Step kNotch = line("Please set your NOTCH FILTER to OFF");
constexpr Step kNb = line("Please set your NOISE BLANKER to OFF");
constexpr Step kIpo = line("Please set your IPO to OFF");
constexpr Step kClar = line("Please set your CLARIFIER to OFF");
constexpr Step kIfShift = line("Please set your IF SHIFT to 1625hz");
constexpr Step kDigitalNotch = line("Please set your DIGITAL NOTCH FILTER to OFF");
constexpr Step kSplitVfo = line("Please set SPLIT VFO set to OFF");

constexpr Step kFt890Open[] = {line("FT-890/Generic Yaesu being initialized")};
constexpr Step kFt890Pre[] = {line("FT-890 SPLIT set to OFF"), bytes("\x00\x00\x00\x00\x01"), kPause,
                              line("FT-890 CLARIFIER set to OFF"), bytes("\x00\x00\x00\x01\x09"), kPause,
                              kFilters, kAgc, kProc, kNotch, kNb, kIpo, kIfShift};
constexpr Step kFt890Close[] = {line("FT-890/Generic Yaesu has been initialized")};

constexpr Step kFt990Open[] = {line("FT-990/Generic Yaesu being initialized")};
constexpr Step kFt990Pre[] = {line("FT-990 set to VFO A"), bytes("\x00\x00\x00\x00\x05"), kPause,
                              line("FT-990 supports SPLIT MODE for QS/S"),
                              line("FT-990 CLARIFIER set to OFF"), bytes("\x00\x00\x00\x00\x09"), kPause,
                              kFilters, kAgc, kProc, kNotch, kNb, kIpo, kIfShift};
constexpr Step kFt990Close[] = {line("FT-990/Generic Yaesu has been initialized")};

constexpr Step kFt920Pre[] = {line("FT-920 supports SPLIT MODE for QS/S"), line("FT-920 CLARIFIER set to OFF"),
                              bytes("\x00\x00\x00\x01\x09"), kPause,
                              kFilters, kAgc, kProc, kNotch, kNb, kIpo,
                              line("Please set your IF SHIFT to 1625Hz")};
constexpr Step kFt920Open[] = {line("FT-920 being initialized")};
constexpr Step kFt920Close[] = {line("FT-920 has been initialized")};
constexpr Step kFt920DataOpen[] = {line("FT-920DATA being initialized")};
constexpr Step kFt920DataClose[] = {line("FT-920DATA has been initialized")};

constexpr Step kFt1000Open[] = {line("FT-1000 being initialized")};
constexpr Step kFt1000Pre[] = {line("FT-1000 SPLIT set to OFF"), bytes("\x00\x00\x00\x00\x01"), kPause,
                               line("FT-1000 RX CLARIFIER set to OFF"), bytes("\x00\x00\x00\x01\x09"), kPause,
                               line("FT-1000 TX CLARIFIER set to OFF"), bytes("\x00\x00\x00\x81\x09"), kPause,
                               kFilters, kAgc, kProc, kNotch, kNb, kPause};
constexpr Step kFt1000Close[] = {line("FT-1000 has been initialized")};

constexpr Step kQssOpen[] = {line("FT-1000MP being initialized for QS/S"),
                             line("FT-1000MP uses DUAL in partial support of QS/S")};
constexpr Step kQssPre[] = {kFilters, kAgc, kProc, kNotch, kNb, kIpo, line("Please set your IF SHIFT to 1625z")};
constexpr Step kQssClose[] = {line("FT-1000MP has been initialized for QS/S")};

constexpr Step kFt980Open[] = {line("FT-980 being initialized")};
constexpr Step kFt980Pre[] = {kSplitVfo, kClar, kAgc, kProc, kNotch, kNb,
                              bytes("\x00\x00\x00\x0F\x05"), kPause, line("FT-980 IF SHIFT set to CENTER"),
                              bytes("\x00\x00\x00\xFE\x04"), kPause, line("FT-980 IF WIDTH set to WIDE")};
constexpr Step kFt980Close[] = {line("FT-980 has been initialized")};

constexpr Step kFt767Open[] = {line("FT-767 being initialized")};
constexpr Step kFt767Pre[] = {kSplitVfo, kClar, kAgc, kProc, kNotch, kNb};
constexpr Step kFt767Close[] = {line("FT-767 has been initialized")};

constexpr Step kFt650Open[] = {line("FT-650 being initialized")};
constexpr Step kFt650Pre[] = {kClar, kIfShift, kFilters, kAgc, kNb, kProc, kDigitalNotch};
constexpr Step kFt650Close[] = {line("FT-650 has been initialized")};

// A set switch only leaves the satellite command out; no "disabled" line here.
constexpr Step kFt847Open[] = {line("FT-847 being initialized")};
constexpr Step kFt847Pre[] = {line("FT-847 SATELLITE set to OFF"), bytes("\x00\x00\x00\x00\x8E"), kPause};
constexpr Step kFt847Close[] = {kClar, kIfShift, kFilters, kAgc, kNb, kProc, kDigitalNotch,
                                line("Please set your DSP NOISE REDUCTION to OFF"),
                                line("Please set your DSP FILTER to OFF"), line("FT-847 has been initialized")};

constexpr Step kFt817Open[] = {line("FT-817 being initialized")};
constexpr Step kFt817Pre[] = {line("FT-817 Clarifier set to OFF"), kPause, bytes("\x00\x00\x00\x00\x85"),
                              line("FT-817 Split set to OFF"), kPause, bytes("\x00\x00\x00\x00\x82")};
constexpr Step kFt817Close[] = {line("FT-817 has been initialized")};

constexpr Step kFt817DigOpen[] = {line("FT-817DIG being initialized")};
constexpr Step kFt817DigPre[] = {line("FT-817DIG Clarifier set to OFF"), bytes("\x00\x00\x00\x00\x85"), kPause,
                                 line("FT-817DIG Split set to OFF"), bytes("\x00\x00\x00\x00\x82"), kPause};
constexpr Step kFt817DigClose[] = {line("FT-817DIG has been initialized")};

constexpr Step kFt757Lines[] = {line("FT-757 being initialized"), line("FT-757 has been initialized")};
constexpr Step kFt600Close[] = {line("FT-600 has been initialized")};
constexpr Step kVx1700Lines[] = {line("VX-1700 being initialized"), line("VX-1700 has been initialized")};
constexpr Step kVx1700J2bLines[] = {line("VX-1700J2B being initialized"), line("VX-1700J2B has been initialized")};
constexpr Step kFrg100Close[] = {line("FRG-100B has been initialized")};
constexpr Step kFrg8800Close[] = {line("FRG-8800 has been initialized")};
constexpr Step kVr5000Close[] = {line("VR-5000 has been initialized")};

}  // namespace

const SetupScript kSetupFt890{kFt890Open, kFt890Pre, kFt890Close};
const SetupScript kSetupFt990{kFt990Open, kFt990Pre, kFt990Close};
const SetupScript kSetupFt920{kFt920Open, kFt920Pre, kFt920Close};
const SetupScript kSetupFt920Data{kFt920DataOpen, kFt920Pre, kFt920DataClose};
const SetupScript kSetupFt1000mp{kFt1000Open, kFt1000Pre, kFt1000Close};
const SetupScript kSetupFt1000mpQss{kQssOpen, kQssPre, kQssClose};
const SetupScript kSetupFt980{kFt980Open, kFt980Pre, kFt980Close};
const SetupScript kSetupFt767{kFt767Open, kFt767Pre, kFt767Close};
const SetupScript kSetupFt650{kFt650Open, kFt650Pre, kFt650Close};
const SetupScript kSetupFt847{kFt847Open, kFt847Pre, kFt847Close, false};
const SetupScript kSetupFt817{kFt817Open, kFt817Pre, kFt817Close};
const SetupScript kSetupFt817Dig{kFt817DigOpen, kFt817DigPre, kFt817DigClose};
const SetupScript kSetupFt757{kFt757Lines, {}, {}, false};
const SetupScript kSetupFt600{{}, {}, kFt600Close, false};
const SetupScript kSetupVx1700{kVx1700Lines, {}, {}, false};
const SetupScript kSetupVx1700J2b{kVx1700J2bLines, {}, {}, false};
const SetupScript kSetupFrg100{{}, {}, kFrg100Close, false};
const SetupScript kSetupFrg8800{{}, {}, kFrg8800Close, false};
const SetupScript kSetupVr5000{{}, {}, kVr5000Close, false};

}  // namespace vesk
