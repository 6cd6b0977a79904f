// Kenwood ASCII command set: two letters, fixed-width decimal digits, ";". One set serves the
// eight Kenwood radio types; the types differ in port settings, never in the bytes.
//
// Every builder takes the scratch slot its caller got from `cat_slot_next`, writes its
// command there from the first byte and queues it with `cat_send`; it returns the length.
#pragma once

#include <array>
#include <cstdint>

#include "radio/drivers/ascii_cat.h"
#include "radio/drivers/cat_contract.h"

namespace vesk {

inline constexpr uint8_t kKenwoodTerminator = ';';

// The rows of the set: the commands that operations send first, then the spare ones.
enum class KenwoodCmd : uint8_t {
  ReadId, AutoInfoOff, VfoAFreq, VfoBFreq, RxVfo, TxVfo, Mode, PttOn, PttOnTx0, PttOnTx1, PttOff,
  AfGain, AttenuatorOn, AttenuatorOff, Ant1, Ant2, TunerOn, TunerBypass, TunerOff, TunerStart,
  AgcFast001, AgcFast255, AgcFast062, DspHigh, DspLow, FilterWidth, Is, SlopeHighWide, SlopeLowWide,
  TxEqOff, DnlOff, NrOff, AutoModeOff, AutoNotchOff, AipOff, BeatCancellerOff, NotchFilterOff,
  RitOff, XitOff, ScanOff, SubReceiverOff, SpeechProcOff,
  FirstSpare
};
extern const std::array<AsciiCatRow, 138> kKenwoodCommandSet;
inline constexpr int kKenwoodUsedCount = static_cast<int>(KenwoodCmd::FirstSpare);

// The "MD" digit of a mode code. Codes without a row of their own: FMW as FM, RTTY as FSK,
// every other as LSB.
uint8_t kenwood_mode_digit(int mode);

// Row `index` of the set formatted with its arguments, without queueing (tests, catgen).
CatCommand kenwood_format(int index, int64_t a = 0, int64_t b = 0);
// Formats row `index` into `slot` and queues it.
int kenwood_send(uint8_t* slot, int index, int64_t a = 0, int64_t b = 0);

int kenwood_read_id(uint8_t* slot);
int kenwood_auto_info_off(uint8_t* slot);
int kenwood_set_vfo_a_freq(uint8_t* slot, uint32_t hz);
int kenwood_set_vfo_b_freq(uint8_t* slot, uint32_t hz);
int kenwood_set_rx_vfo(uint8_t* slot, int vfo);
int kenwood_set_tx_vfo(uint8_t* slot, int vfo);
int kenwood_set_mode(uint8_t* slot, int mode);
int kenwood_ptt_on(uint8_t* slot);
int kenwood_ptt_on_tx0(uint8_t* slot);
int kenwood_ptt_on_tx1(uint8_t* slot);
int kenwood_ptt_off(uint8_t* slot);
int kenwood_set_af_gain(uint8_t* slot, int level);
int kenwood_attenuator_on(uint8_t* slot);
int kenwood_attenuator_off(uint8_t* slot);
int kenwood_select_ant1(uint8_t* slot);
int kenwood_select_ant2(uint8_t* slot);
int kenwood_tuner_on(uint8_t* slot);
int kenwood_tuner_bypass(uint8_t* slot);
int kenwood_tuner_off(uint8_t* slot);
int kenwood_tuner_start(uint8_t* slot);
int kenwood_agc_fast_001(uint8_t* slot);
int kenwood_agc_fast_255(uint8_t* slot);
int kenwood_agc_fast_062(uint8_t* slot);
// "FL" and two three-digit filter codes; first selector 0, 3, 4, 5, 6, second 1 to 6.
int kenwood_select_filter(uint8_t* slot, int first, int second);
int kenwood_set_dsp_high(uint8_t* slot, int value);
int kenwood_set_dsp_low(uint8_t* slot, int value);
int kenwood_set_filter_width(uint8_t* slot, int hz);
int kenwood_set_is(uint8_t* slot, int value);
int kenwood_slope_high_wide(uint8_t* slot);
int kenwood_slope_low_wide(uint8_t* slot);
int kenwood_tx_eq_off(uint8_t* slot);
int kenwood_dnl_off(uint8_t* slot);
int kenwood_nr_off(uint8_t* slot);
int kenwood_auto_mode_off(uint8_t* slot);
int kenwood_auto_notch_off(uint8_t* slot);
int kenwood_aip_off(uint8_t* slot);
int kenwood_beat_canceller_off(uint8_t* slot);
int kenwood_notch_filter_off(uint8_t* slot);
int kenwood_rit_off(uint8_t* slot);
int kenwood_xit_off(uint8_t* slot);
int kenwood_scan_off(uint8_t* slot);
int kenwood_sub_receiver_off(uint8_t* slot);
int kenwood_speech_proc_off(uint8_t* slot);
// Memory write (24 bytes), spare.
int kenwood_memory_write(uint8_t* slot, int flag, int channel, uint32_t hz, int mode, int arg4, int arg5, int arg6);

// The filter codes of `kenwood_select_filter`; 0 for a selector outside the table.
int kenwood_filter_code_first(int selector);
int kenwood_filter_code_second(int selector);

// Reply entry of every frame that is not an identity reply: acknowledges.
void kenwood_on_reply(const uint8_t* frame, int length);

}  // namespace vesk
