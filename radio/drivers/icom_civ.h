// Icom CI-V frames: FE FE, the radio's address, E0 (the controller), a command byte, its
// sub-command and data, FD. Serves every Icom CI-V radio type and the TT-586.
//
// The frame builders (`civ_frame_*`) are pure: a radio type and arguments in, one frame out.
// The queueing builders (`civ_set_freq`, ...) read the configured radio type at each call,
// build the frame and queue it with `cat_send`. `civ_on_reply` reads the radio's OK and NG.
#pragma once

#include <array>
#include <cstdint>

#include "radio/drivers/cat_contract.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

inline constexpr uint8_t kCivPreamble = 0xFE;
inline constexpr uint8_t kCivEnd = 0xFD;
inline constexpr uint8_t kCivController = 0xE0;
inline constexpr uint8_t kCivOk = 0xFB;
inline constexpr uint8_t kCivNg = 0xFA;
// The address under which the radio emulation port answers.
inline constexpr uint8_t kCivEmulationAddress = 0x66;

// The CI-V address of a radio type (its row's); 0x48 for a type without one of its own.
uint8_t civ_address_for(int type);
// The address of the configured radio type, read at each call.
uint8_t civ_radio_address();
// The configured radio type, unchanged (radio set-up calls it).
int civ_get_radio_type();
// True for the types this driver serves.
bool civ_is_type(int type);

// The CI-V mode byte of a mode code (codes without a row give 0x00).
uint8_t civ_mode_byte(int mode);

// The steps of the radio operations; which CI-V types take each is read from their rows.
enum class CivStep : uint8_t {
  FreqModeSplit,         // frequency and mode in split set-up and the TNC frequency shift
  ModeFromEmulation,
  TxFreqPrep,            // transmit frequency and mode before a transmission
  TxFreqPrepVfoA0,       // GENERIC ICOM: 07 A0 alone
  VfoSelect,             // 07 00 / 07 01
  MainSubSelect,         // 07 D0 / 07 D1
  ModeResendKeying,      // mode re-sent around manual keying
  VfoA0AfterTnc,
  Ptt,                   // 1C 00 01 / 1C 00 00
  PttTt586,              // 16 00 01 / 16 00 02
  SplitScan,             // split on at scan start, off at scan stop
  SplitOffShutdown,
  SplitOffSetup,
  Attenuator,
  Antenna12,
  Antenna3,
  Antenna4,
  AntennaChannelOnly,    // antennas only on channel change, never from the operator
  Tuner,
  AfLevelSetting,
  AfLevelMute,           // link, unlink, muting, shut-down
  SetupAttPreamp,
  SetupAgcFast,
  SetupDualWatchOff,
  SetupNrAutoNotchOff,
  SetupManualNotchOff,
  SetupRttyFilterOff,
  SetupTwinPeakOff,
  SetupFilterWide,
  DataModeShort,         // 1A s 01 after a data mode
  DataModeLong,          // 1A s 01 01 after a data mode
  FourByteFreq,          // 10-byte set-frequency frame
  Count
};
// True when `type` is a CI-V type that takes `step`.
bool civ_type_takes(int type, CivStep step);

// Pure frame builders.
CatCommand civ_frame(int type, std::initializer_list<uint8_t> body);
CatCommand civ_frame_set_freq(int type, uint32_t hz);
CatCommand civ_frame_set_mode(int type, int mode);
// The data-mode frame that follows a set-mode frame for LSB-D and USB-D, or an empty command.
CatCommand civ_frame_data_mode_step(int type, int mode);
CatCommand civ_frame_data_mode(int type, bool on);
// The level is held to 0 .. 255.
CatCommand civ_frame_af_gain(int type, int level);

// Fixed commands of the set; the rows marked spare are sent by no operation.
enum class CivFixed : uint8_t {
  ReadFreq, ReadMode, VfoMode, VfoA0, VfoB1, DualWatchOff, DualWatchOn, MemoryWrite,
  SplitOn, SplitOff, AttenuatorOn, AttenuatorOff, Ant1, Ant2, Ant3, Ant4,
  Tt586PttOn, Tt586PttOff, PreampOff, PreampOn, AgcFast, AgcMid, AgcSlow, Function22Off,
  NrOff, AutoNotchOff, ManualNotchOff, RttyFilterOff, TwinPeakOff,
  NrOn, AutoNotchOn, ManualNotchOn, RttyFilterOn, TwinPeakOn,
  FilterWide, FilterMid, FilterNarrow, PttOn, PttOff, TunerOff, TunerOn, TunerStart, Count
};
struct CivFixedRow {
  CivFixed id;
  uint8_t body[3];
  uint8_t body_length;
  bool spare;
};
extern const std::array<CivFixedRow, static_cast<std::size_t>(CivFixed::Count)> kCivFixedCommands;
CatCommand civ_frame_fixed(int type, CivFixed id);

// Queueing builders (the configured radio type's address).
int civ_send_fixed(CivFixed id);
int civ_set_freq(uint32_t hz);
int civ_set_mode(int mode);  // the mode frame, then the data-mode step
int civ_data_mode_on();
int civ_data_mode_off();
int civ_data_mode_on_long();
int civ_data_mode_off_long();
int civ_select_vfo(int v);        // 0 or 1
int civ_select_main_sub(int w);   // 0 or 1
int civ_vfo_a0();
int civ_dual_watch_off();
int civ_split_on();
int civ_split_off();
int civ_attenuator_on();
int civ_attenuator_off();
int civ_select_ant1();
int civ_select_ant2();
int civ_select_ant3();
int civ_select_ant4();
int civ_set_af_gain(int level);   // 0 .. 255
int civ_tt586_ptt_on();
int civ_tt586_ptt_off();
int civ_preamp_off();
int civ_agc_fast();
int civ_nr_off();
int civ_auto_notch_off();
int civ_manual_notch_off();
int civ_rtty_filter_off();
int civ_twin_peak_off();
int civ_filter_wide();
int civ_ptt_on();
int civ_ptt_off();
int civ_tuner_off();
int civ_tuner_on();
int civ_tuner_start();
// Memory write of one channel (select memory, frequency, mode with its data step, write).
int civ_memory_write(int channel_number, uint32_t rx_hz, int rx_mode);

// Reply entry: FB acknowledges, FA refuses; echoes, data answers and short or foreign frames
// are ignored (the reply timeout then moves the queue on).
CatReply civ_parse_reply(const uint8_t* frame, int length);
void civ_on_reply(const uint8_t* frame, int length);

// The fixed answers the emulation port may send (to E0 from 0x66).
inline constexpr std::array<uint8_t, 6> kCivEmulationOk{0xFE, 0xFE, 0xE0, 0x66, 0xFB, 0xFD};
inline constexpr std::array<uint8_t, 6> kCivEmulationNg{0xFE, 0xFE, 0xE0, 0x66, 0xFA, 0xFD};
inline constexpr std::array<uint8_t, 5> kCivJam{0xFC, 0xFC, 0xFC, 0xFC, 0xFC};
// Each queues its answer on the emulation port and releases it at once (no answer from the
// other program is awaited).
int civ_emul_send_ok();
int civ_emul_send_ng();
int civ_emul_send_jam();

}  // namespace vesk
