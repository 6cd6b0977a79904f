// Radio types: the one number (`RadioType`, 0 to 154) that says which radio is on the CAT
// port, and the description of each: its keywords, report name, make and model, the driver
// family that commands it, its bus address and what it can be commanded to do. Radio control
// reaches a radio only through its row and its family's operations (radio/family_ops.h);
// "ALE.DAT" may hold any value, so every read goes through `radio_type_row`, which bounds it.
//
// Adding a radio type: give it a number below, one row in `kRadioTypeTable`
// (radio_types.cpp) naming its family and setting the capability and quirk fields it has (a
// field left out means "does not"; its release steps are a list of shutdown_steps.h), and its
// port set-up row in `kRadioSetupRows` (radio/setup_table.cpp). Code outside this table never
// tests a type's number: what differs between models is a field here.
// Adding a family: a `DriverFamily` value, its command builders in radio/drivers/, and an
// operations record (radio/family_ops.h) listed in `family_ops`; an operation the family lacks
// stays null and is skipped.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "radio/drivers/setup_script.h"
#include "radio/drivers/shutdown_steps.h"
#include "radio/drivers/text_command_set.h"
#include "radio/reply_dispatch.h"

namespace vesk {

// Which group of command builders serves a radio type.
enum class DriverFamily : uint8_t {
  None,                        // no command is ever sent
  IcomCiv,                     // Icom CI-V frames (and the TT-586)
  Kenwood,                     // Kenwood ASCII set
  KenwoodTk,                   // TK-80 / TK-90
  YaesuFiveByte,
  YaesuAscii,
  TenTec,
  TenTecReceiver,
  IcomMarine,                  // marine sentences and PCR receivers
  AlincoSkanti,
  Harris,
  FramedBinary,
  JrcReceiver,                 // JRC receivers: text commands under remote control (H1 / H0)
  TextRadio,                   // radios commanded by frequency and mode texts (text_set)
  ChannelRadio,                // radios tuned by whole channels (channel_set)
  GenericFile,                 // byte sequences from "GENERIC.TXT"
  PluginLibrary,               // the plug-in radio library
};

// The four identity and set-up handlings of the Kenwood ASCII types (a type and its _HS twin
// share one).
enum class KenwoodGroup : uint8_t { None, Kenwood, Kenwood3, Kenwood2, Kenwood4 };

// How a CI-V radio picks the second receiver for a transmit frequency of its own.
enum class SplitSelect : uint8_t {
  None,     // no second VFO is used
  Vfo,      // 07 00 / 07 01
  MainSub,  // 07 D0 / 07 D1
};

// The data-mode frame that follows a set-mode frame for LSB-D and USB-D.
enum class CivDataMode : uint8_t { None, Short, Long };  // 1A s 01, 1A s 01 01

inline constexpr uint8_t kCivDefaultAddress = 0x48;

// PKT-U: sent, sent after selecting channel 0, or stored only.
enum class PanelPkt : uint8_t { Send, SelectChannel0First, StoreOnly };
// F/PSK: FSK stored and sent, nothing at all, or the unchanged record sent.
enum class PanelFsk : uint8_t { SendUnchanged, Fsk, Nothing };

// What the operator's ASTOP sends to a radio's own tuner (tuner type RADIO CAT).
enum class TunerStop : uint8_t {
  Bypass,   // the tuner is bypassed
  Off,      // the tuner is switched off
  Nothing,  // the radio has no tuner-off
};

// How a radio takes the frequency shift of the retune for TNC data.
enum class TncShiftForm : uint8_t {
  Single,         // its frequency command (the VFO A command where the driver sets VFO A)
  RxTx,           // the receive and the transmit frequency commands
  VfoAThenB,      // VFO A, then VFO B
  ChannelSelect,  // the channel-select command with the frequency as its value
};

// What the retune for TNC data sends a radio (radio/tnc_retune.cpp): the frequency shift, and
// which of the TNC data modes it takes.
struct TncRetune {
  bool shift = false;  // the configured frequency offset is sent
  TncShiftForm shift_form = TncShiftForm::Single;
  bool sideband = false;         // USB and LSB
  bool data_sideband = false;    // USB-D and LSB-D
  bool yaesu_data_mode = false;  // ... sent as the radio's data mode (code 14)
  bool fsk = false;
  bool fsk_r = false;
  bool pkt = false;
  bool rtty = false;
  // While scanning: the mode on both VFOs and the shift on VFO B, receiving on A and
  // transmitting on B.
  bool split_while_scanning = false;
  bool split_after_shift = false;  // while scanning: split on (op 85) after the shift
};

// The five-byte Yaesu radios' sequences (radio/yaesu_ops.cpp).
// The tune builder: how a channel's receive frequency and mode go out.
enum class YaesuTune : uint8_t {
  Standard,     // the frequency, the mode unless it is the one last tuned
  FreqGapMode,  // the frequency, 200 ms, the mode (and 200 ms after a remembered channel)
  DataMode,     // the frequency and the radio's data mode (code 14), 200 ms after each
  DataBelow,    // 2125 Hz below the channel, in USB-D for USB and LSB-D else
  FreqMode,     // the frequency and the mode, always
  TxOnVfoB,     // the frequency, the transmit frequency on VFO B, the mode unless unchanged
  FreqOnly,     // the frequency alone
  Receiver,     // the frequency unless unchanged, the mode unless unchanged
  VfoB,         // frequency and mode on VFO B
};
// How the radio uses its second VFO in channel setting, split and transmit preparation.
enum class YaesuVfos : uint8_t {
  Single,         // VFO A only
  TxOnVfoB,       // the transmit frequency on VFO B
  ModesOnBoth,    // the receive mode on A, the transmit mode on B
  DataOnBoth,     // ModesOnBoth in the data modes, 2125 Hz below the channel
  SplitOp,        // VFO B selected for the transmit mode; split on by op 85
  SplitWait,      // the split set-up waits between frequency and mode
  Dual,           // receives on VFO B (dual watch); split by op 83
};
// The start step after the port opens.
enum class YaesuStart : uint8_t { None, Op00, Op04, Vx1700Wake };
// The Harris command sets (radio/harris_ops.cpp).
enum class HarrisSet : uint8_t {
  None,      // RF-350: no commands, keyed by the lines
  Rf350Alk,  // the ALK's newline-ended letters and its keying sequences
  Rf350Kwt,  // "$1" commands
  Rf5022,    // "RXF", "TXF", "MODE"
  Rf5800,    // the RF5022's set with "RXFREQ", "TXFREQ" and frequencies in MHz
  Rf590,     // binary frames
  Rf590a,    // "$1," commands
  Rf3200,    // tuned by channel number
};

// The frame sets of the framed-command radios (radio/framed_binary_ops.cpp).
enum class FramedSet : uint8_t { None, Sgc2000, Micom, K505dsp, Ar7030, Lcr2000, Wjcsma };

// The Icom marine family's sets (radio/icom_marine_ops.cpp).
enum class MarineSet : uint8_t { Marine, Pcr1000, Pcr1500 };

// What the emulation port's data-mode request sends a radio that takes no CI-V data mode.
enum class EmulationDataMode : uint8_t {
  None,
  UsbD,              // USB-D
  DataMode,          // the radio's data mode (code 14)
  DataModeLongForm,  // ... for the long request only
};

// The Ten-Tec radios' command sets (radio/tentec_ops.cpp).
enum class TenTecSet : uint8_t {
  None, Tt516, Tt538, Tt585, Tt588Radio, Tt588Remote, Tt550, Tt550Ma, Rx320, Rx330, Rx331, Rx340, Rx350,
};

// The makes of the text radios whose set-up or tuning is their own (radio/text_radio_ops.cpp).
enum class ReceiverMake : uint8_t { None, Tci, Cubic, Racal, Collins, Aor, Drake };

// The channel command of a radio tuned by whole channels (radio/channel_radio_ops.cpp).
enum class ChannelSet : uint8_t {
  None,
  Ek89x,   // LF "A00F<hz>,<mode>" CR; the mode alone goes in the scratch channel 0
  Sea235,  // a "$PSEAS,15" sentence; the mode alone goes in the scratch channel 0
  Hf90m,   // the channel's number; the channel memory is loaded at set-up
  Xk2100,  // mode and frequency, or the memory channel (RCL) where memory channels are on
};

// The text command set of the Yaesu text radios (the FT-950 speaks the FT-2000's).
enum class YaesuAsciiSet : uint8_t { Ft2000, Ft450, Ftdx9000 };

struct RadioTypeRow {
  // Identity.
  int number = 0;
  const char* options_keyword = nullptr;  // options dialog text; null: none
  const char* options_alias = nullptr;    // a further text the dialog accepts; null: none
  const char* command_keyword = nullptr;  // command language keyword; null: none
  const char* report_name = nullptr;      // status report name; null: none
  const char* make_model = "";
  DriverFamily family = DriverFamily::None;

  // Bus and command set.
  uint8_t civ_address = kCivDefaultAddress;         // CI-V address of the radio
  KenwoodGroup kenwood_group = KenwoodGroup::None;  // identity replies and preconfiguration
  uint8_t command_terminator = 0;                   // TK sets: the byte ending every command
  RadioReplyParser own_reply = nullptr;             // replaces the family's reply handling
  char marine_id = '1';                             // marine sentences: the id digit of "$PICOA,90,0"

  // Set-up.
  const SetupScript* setup_script = nullptr;     // the lines and commands after the port opens
  const char* setup_before_port_line = nullptr;  // a set-up line before the port opens
  const char* setup_label = nullptr;             // the model's name in its set-up lines
  const char* setup_opening_label = nullptr;     // ... in its "being initialized" line, where it differs
  const char* setup_start_text = nullptr;        // a receiver's start command after the port opens
  const char* setup_done_line = nullptr;         // a receiver's only set-up line

  // Replies (the Yaesu, Harris, Icom marine and receiver families).
  bool reply_acks = false;                // a reply acknowledges the command in flight (else
                                          // commands leave at the reply timer's pace)
  bool yaesu_status_after_reply = false;  // each reply is followed by a status request (op 0B)

  // The Yaesu sequences.
  YaesuTune yaesu_tune = YaesuTune::Standard;
  YaesuVfos yaesu_vfos = YaesuVfos::Single;
  bool yaesu_channel_tunes = false;       // channel setting sends the tune builder's sequence
  bool yaesu_manual_mode_first = false;   // manual tuning: the mode, then the frequency
  YaesuStart yaesu_start = YaesuStart::None;
  YaesuAsciiSet yaesu_ascii_set = YaesuAsciiSet::Ft2000;

  // The Harris sets.
  HarrisSet harris_set = HarrisSet::None;
  bool harris_alk_tnc = false;  // the ALK's TNC variant: more split steps around keying and links

  FramedSet framed_set = FramedSet::None;  // the framed-command radios' frame set
  MarineSet marine_set = MarineSet::Marine;  // the Icom marine family: marine radio or PCR receiver
  TenTecSet tentec_set = TenTecSet::None;  // the Ten-Tec families' command set
  ReceiverMake receiver_make = ReceiverMake::None;  // the text radios' make
  const TextCommandSet* text_set = nullptr;  // a text-command radio's framing, frequency and mode forms
  ChannelSet channel_set = ChannelSet::None;  // the channel radios' channel command
  const char* agc_fast_text = nullptr;        // a receiver's fast-AGC command at set-up
  bool agc_after_bandwidth = false;           // ... also sent right after the bandwidth command
  bool jrc_level_255 = false;    // JRC: the AF level goes out as 0 .. 255 and again when remote control
                                 // comes on; without a start text the start step turns remote control on
  bool jrc_remote_reset_before_port = false;  // JRC: remote control counts as off when the port opens
  bool skanti_commands = false;  // the Alinco/Skanti family: the Skanti 8250's paced set, else the DX-77T's

  // Frequency and mode.
  bool freq_mode_steps = false;       // the basic set-frequency and set-mode steps send
  bool set_mode_silent = false;       // the family's set-mode step sends nothing (channel setting does)
  bool freq_mode_outside_scan = false;  // outside scanning, the channel's frequency and mode are sent
  const char* channel_log_line = nullptr;  // logged before each channel setting
  bool mode_before_freq = false;      // a channel's mode goes out before its frequency
  SplitSelect split_select = SplitSelect::None;
  int tx_prep_wait_ms = 100;          // waits of the transmit-VFO steps before a transmission
  bool tx_prep_vfo_a0 = false;        // 07 A0 before a transmission (preconfiguration off)
  bool split_sets_freq_mode = false;  // the split set-up sends frequencies and modes
  bool emulation_sets_freq = false;   // the emulation port's frequency request is passed on
  bool emulation_sets_mode = false;   // the emulation port's mode request is passed on
  EmulationDataMode emulation_data_mode = EmulationDataMode::None;
  bool civ_four_byte_freq = false;    // four BCD bytes of frequency instead of five
  CivDataMode civ_data_mode = CivDataMode::None;
  uint8_t civ_data_mode_sub = 0x06;   // "s" of its own data-mode form; the other form takes 06
  bool long_split_waits = false;      // longer waits between the VFO commands (RTS/CTS ports)

  // Keying.
  bool ptt_command = false;                 // keyed by a command (else only by the lines)
  const char* ptt_on_text = nullptr;        // the keying command's text, where a family takes one
  const char* ptt_off_text = nullptr;
  bool civ_ptt_function_16 = false;         // 16 00 01 / 16 00 02 instead of 1C 00 01 / 1C 00 00
  bool manual_ptt_command = true;           // the operator's keying sends the command too
  bool manual_ptt_swaps_data_mode = false;  // operator keying: data mode to voice and back

  // Receiver.
  bool attenuator_command = false;
  const char* attenuator_on_text = nullptr;   // the attenuator's texts, where a family takes them
  const char* attenuator_off_text = nullptr;
  const char* mute_on_text = nullptr;         // CAT muting's texts, where the radio mutes by its own command
  const char* mute_off_text = nullptr;
  bool af_level_command = false;  // the receiver audio level setting is sent
  bool mute_by_command = false;   // CAT muting sets the audio level
  bool mute_not_on_link = false;  // ... but not when a link is made or ends

  // Antenna ports selected by the radio (antenna switch RADIO CAT).
  int antenna_ports = 0;
  const char* antenna_name = nullptr;    // in "<name> only supports <n> ports."
  const char* antenna_error = nullptr;   // the model's own text in place of that one
  bool antenna_on_port_change = false;   // selected when a channel changes the port
  bool antenna_after_channel = false;    // selected again after every channel setting
  bool antenna_on_channel_only = false;  // never from the operator
  const char* antenna_operator_error = nullptr;  // the operator's ANT command's text for a missing port
  bool antenna_operator_ignored = false;         // the operator's ANT command does nothing

  // Tuner.
  bool tuner_command = false;       // tuner on, bypass and start (tuner type RADIO CAT)
  bool tuner_at_scan_stop = false;  // the scan stop switches the tuner too
  TunerStop tuner_stop = TunerStop::Bypass;  // the operator's ASTOP

  // Scanning and shut-down.
  bool scan_start_splits = false;   // split on when scanning starts
  bool scan_stop_unsplits = false;  // split off when scanning stops
  bool split_off_at_shutdown = false;
  bool vfo_a_after_tnc = false;
  TncRetune tnc{};
  // What the station sends the radio when it closes (radio/radio_shutdown.cpp); none: nothing.
  std::span<const ShutdownStep> shutdown_steps{};

  // The manual control panel.
  int panel_af_max = 0;                       // receiver level slider maximum; 0: no slider
  bool panel_af_by_kenwood_model = false;     // slider only for the models that report their level
  int panel_tune_type = 0;                    // the panel's buttons tune with this type's builder; 0: the channel's
  bool panel_tune_silent = false;             // the panel's tuning sends nothing
  int panel_dig_u_mode = -1;                  // DIG-U's mode code; -1: the button changes nothing
  const char* panel_dig_u_text = nullptr;     // DIG-U's mode text; null: the text stays
  bool panel_dig_l = false;                   // DIG-L is stored and sent
  bool panel_cw_r = false;                    // CW-R is sent (it is always stored)
  PanelPkt panel_pkt = PanelPkt::Send;
  bool panel_narrow_am = false;               // AM-N is sent
  bool panel_narrow_cw = false;               // CW-N is sent
  bool panel_fm_wide = false;                 // FM-N/W sets FM-W (never sent)
  PanelFsk panel_fsk = PanelFsk::SendUnchanged;
  bool panel_isb = false;                     // ISB is stored and sent

  // The channel dialogs: USB-D and LSB-D are kept as data modes (else both modes become USB).
  bool channel_data_modes = false;
};

inline constexpr int kRadioTypeCount = 155;
inline constexpr int kRadioTypeDefault = 133;  // no radio

// Radio type numbers, named after their options keyword.
inline constexpr int DB_GENERIC_ICOM = 1;
inline constexpr int DB_CODAN = 2;
inline constexpr int DB_DX77T = 3;
inline constexpr int DB_IC78 = 4;
inline constexpr int DB_IC703 = 5;
inline constexpr int DB_IC706 = 6;
inline constexpr int DB_IC706MKII = 7;
inline constexpr int DB_IC706MKIIG = 8;
inline constexpr int DB_IC707 = 9;
inline constexpr int DB_IC718 = 10;
inline constexpr int DB_IC725 = 11;
inline constexpr int DB_IC726 = 12;
inline constexpr int DB_IC728 = 13;
inline constexpr int DB_IC729 = 14;
inline constexpr int DB_IC735 = 15;
inline constexpr int DB_IC736 = 16;
inline constexpr int DB_IC737 = 17;
inline constexpr int DB_IC738 = 18;
inline constexpr int DB_IC746 = 19;
inline constexpr int DB_IC746PRO = 20;
inline constexpr int DB_IC751 = 21;
inline constexpr int DB_IC756 = 22;
inline constexpr int DB_IC756PRO = 23;
inline constexpr int DB_IC756PROII = 24;
inline constexpr int DB_IC756PROIII = 25;
inline constexpr int DB_IC761 = 26;
inline constexpr int DB_IC765 = 27;
inline constexpr int DB_IC775DSP = 28;
inline constexpr int DB_IC781 = 29;
inline constexpr int DB_IC7000 = 30;
inline constexpr int DB_IC7700 = 31;
inline constexpr int DB_IC7800 = 32;
inline constexpr int DB_R71 = 33;
inline constexpr int DB_R72 = 34;
inline constexpr int DB_R75 = 35;
inline constexpr int DB_R7000 = 36;
inline constexpr int DB_R7100 = 37;
inline constexpr int DB_R8500 = 38;
inline constexpr int DB_R9000 = 39;
inline constexpr int DB_R9500 = 40;
inline constexpr int DB_ICM700PRO = 41;
inline constexpr int DB_ICM710 = 42;
inline constexpr int DB_ICM710RT = 43;
inline constexpr int DB_ICM801E = 44;
inline constexpr int DB_ICM802 = 45;
inline constexpr int DB_ICF7000 = 46;
inline constexpr int DB_JST245 = 47;
inline constexpr int DB_K505DSP = 49;
inline constexpr int DB_KENWOOD = 51;
inline constexpr int DB_KENWOOD3 = 52;
inline constexpr int DB_KENWOOD2 = 53;
inline constexpr int DB_KENWOOD4 = 54;
inline constexpr int DB_KENWOOD_HS = 55;
inline constexpr int DB_KENWOOD3_HS = 56;
inline constexpr int DB_KENWOOD2_HS = 57;
inline constexpr int DB_KENWOOD4_HS = 58;
inline constexpr int DB_MICOM = 59;
inline constexpr int DB_SGC2000 = 60;
inline constexpr int DB_FT450 = 61;
inline constexpr int DB_FT450HS = 62;
inline constexpr int DB_FT650 = 63;
inline constexpr int DB_FT757GX = 64;
inline constexpr int DB_FT767 = 65;
inline constexpr int DB_FT600 = 66;
inline constexpr int DB_FT817 = 67;
inline constexpr int DB_FT817DIG = 68;
inline constexpr int DB_VX1700 = 69;
inline constexpr int DB_VX1700J2B = 70;
inline constexpr int DB_FT847 = 71;
inline constexpr int DB_FT890 = 72;
inline constexpr int DB_FT920 = 73;
inline constexpr int DB_FT920DATA = 74;
inline constexpr int DB_FT950 = 75;
inline constexpr int DB_FT950HS = 76;
inline constexpr int DB_FT980 = 77;
inline constexpr int DB_FT990 = 78;
inline constexpr int DB_FT1000MP = 79;
inline constexpr int DB_FT1000MP_QSS = 80;
inline constexpr int DB_FTDX9000 = 81;
inline constexpr int DB_FT2000 = 82;
inline constexpr int DB_FT2000HS = 83;
inline constexpr int DB_FRG100 = 84;
inline constexpr int DB_FRG8800 = 85;
inline constexpr int DB_VR5000 = 86;
inline constexpr int DB_HF2050 = 87;
inline constexpr int DB_NRD345 = 88;
inline constexpr int DB_NRD525 = 89;
inline constexpr int DB_NRD535 = 90;
inline constexpr int DB_NRD535D = 91;
inline constexpr int DB_NRD545 = 92;
inline constexpr int DB_WJ8711 = 93;
inline constexpr int DB_HF1000 = 94;
inline constexpr int DB_HF90M = 95;
inline constexpr int DB_RF350 = 96;
inline constexpr int DB_RF350ALK = 97;
inline constexpr int DB_RF350ALK_TNC = 98;
inline constexpr int DB_RF350KWT = 99;
inline constexpr int DB_RF5022 = 100;
inline constexpr int DB_SDR1000 = 101;
inline constexpr int DB_TT516 = 102;
inline constexpr int DB_TT538 = 103;
inline constexpr int DB_TT550 = 104;
inline constexpr int DB_TT550MA = 105;
inline constexpr int DB_TT585 = 107;
inline constexpr int DB_TT586 = 108;
inline constexpr int DB_XK2100 = 109;
inline constexpr int DB_RA6790GM = 110;
inline constexpr int DB_RA6830JD = 111;
inline constexpr int DB_PCR1000 = 112;
inline constexpr int DB_PCR1500 = 113;
inline constexpr int DB_R3030STX1 = 114;
inline constexpr int DB_R3030STX2 = 115;
inline constexpr int DB_R3030STX3 = 116;
inline constexpr int DB_RX320 = 117;
inline constexpr int DB_RX330 = 118;
inline constexpr int DB_RX331 = 119;
inline constexpr int DB_RX340 = 120;
inline constexpr int DB_RX350 = 121;
inline constexpr int DB_RF590 = 122;
inline constexpr int DB_RF590A = 123;
inline constexpr int DB_EK890 = 124;
inline constexpr int DB_EK896 = 125;
inline constexpr int DB_SKANTI_8250 = 126;
inline constexpr int DB_AR5000 = 127;
inline constexpr int DB_AR7030 = 128;
inline constexpr int DB_R8 = 129;
inline constexpr int DB_R8A = 130;
inline constexpr int DB_R8B = 131;
inline constexpr int DB_TCI8174 = 132;
inline constexpr int DB_NONE = 133;
inline constexpr int DB_FT897 = 134;
inline constexpr int DB_GENERIC = 135;
inline constexpr int DB_DLL_RADIO = 136;
inline constexpr int DB_RF5800 = 138;
inline constexpr int DB_R2411U = 139;
inline constexpr int DB_ARONE = 140;
inline constexpr int DB_AR8600 = 141;
inline constexpr int DB_TK80 = 142;
inline constexpr int DB_TK90 = 143;
inline constexpr int DB_TK90_HS = 144;
inline constexpr int DB_LCR2000 = 145;
inline constexpr int DB_EK2000 = 146;
inline constexpr int DB_R10 = 147;
inline constexpr int DB_R20 = 148;
inline constexpr int DB_IC7200 = 149;
inline constexpr int DB_WJCSMA = 150;
inline constexpr int DB_TT588RAD = 151;
inline constexpr int DB_TT588REM = 152;
inline constexpr int DB_SEA235 = 153;
inline constexpr int DB_RF3200 = 154;

inline constexpr int DB_UNKNOWN = 0;
inline constexpr int DB_TT550_EMUL = 106;  // no keyword; the emulator's TT-550 mode path only

// The description of every type, in number order (radio_types.cpp).
extern const std::array<RadioTypeRow, kRadioTypeCount> kRadioTypeTable;

// True for 0 .. 154.
constexpr bool radio_type_valid(int type) { return type >= 0 && type < kRadioTypeCount; }
// The row of a type; a number outside 0 .. 154 reads as row 0 (no radio type known).
inline const RadioTypeRow& radio_type_row(int type) {
  return kRadioTypeTable[static_cast<std::size_t>(radio_type_valid(type) ? type : 0)];
}
inline DriverFamily radio_type_family(int type) { return radio_type_row(type).family; }

// The type whose options keyword (or alias) equals `text` exactly, case-sensitive; 0 when none.
int radio_type_from_options_keyword(const char* text);
// The type whose command keyword equals `text` exactly; -1 when none.
int radio_type_from_command_keyword(const char* text);
// The options keyword of a type, "UNKNOWN" for a number without one.
const char* radio_type_options_text(int type);

// Mode codes of a channel, as every set-mode builder takes them.
inline constexpr int MODE_LSB = 0;
inline constexpr int MODE_USB = 1;
inline constexpr int MODE_CW = 2;
inline constexpr int MODE_FM = 3;
inline constexpr int MODE_FMW = 4;
inline constexpr int MODE_AM = 5;
inline constexpr int MODE_FSK = 6;
inline constexpr int MODE_RTTY = 7;
inline constexpr int MODE_CW_R = 8;
inline constexpr int MODE_TUNE = 9;
inline constexpr int MODE_FSK_R = 10;
inline constexpr int MODE_LSB_D = 21;
inline constexpr int MODE_USB_D = 22;
inline constexpr int MODE_UNKNOWN_KEYWORD = 25;  // what an unknown mode keyword reads as

struct ModeCodeName {
  int code;
  const char* keyword;  // the command language's name
};
inline constexpr std::array<ModeCodeName, 13> kModeCodeNames{{
    {MODE_LSB, "LSB"}, {MODE_USB, "USB"}, {MODE_CW, "CW"}, {MODE_FM, "FM"}, {MODE_FMW, "FMW"},
    {MODE_AM, "AM"}, {MODE_FSK, "FSK"}, {MODE_RTTY, "RTTY"}, {MODE_CW_R, "CW_R"},
    {MODE_TUNE, "TUNE"}, {MODE_FSK_R, "FSK_R"}, {MODE_LSB_D, "LSB-D"}, {MODE_USB_D, "USB-D"},
}};

// The command language's name of a mode code, or null for an unnamed code.
const char* mode_code_keyword(int code);
// The code of a mode keyword (exact, case-sensitive); 25 for an unknown keyword.
int mode_code_from_keyword(const char* keyword);

}  // namespace vesk
