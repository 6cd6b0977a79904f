#include "radio/drivers/kenwood.h"

#include "radio/drivers/radio_types.h"

namespace vesk {

using P = AsciiParam;

const std::array<AsciiCatRow, 138> kKenwoodCommandSet{{
    // Sent by the operations, in the order of KenwoodCmd.
    {"ID", P::None, false}, {"AI0", P::None, false}, {"FA", P::Freq11, false}, {"FB", P::Freq11, false},
    {"FR", P::Digit, false}, {"FT", P::Digit, false}, {"MD", P::Digit, false}, {"TX", P::None, false},
    {"TX0", P::None, false}, {"TX1", P::None, false}, {"RX", P::None, false}, {"AG0", P::Three, false},
    {"RA01", P::None, false}, {"RA00", P::None, false}, {"AN1", P::None, false}, {"AN2", P::None, false},
    {"AC110", P::None, false}, {"AC100", P::None, false}, {"AC000", P::None, false}, {"AC111", P::None, false},
    {"GT001", P::None, false}, {"GT255", P::None, false}, {"GT062", P::None, false}, {"SH", P::Two, false},
    {"SL", P::Two, false}, {"FW", P::Four, false}, {"IS", P::Four, false}, {"SH00", P::None, false},
    {"SL00", P::None, false}, {"EQ0", P::None, false}, {"DL000", P::None, false}, {"NR0", P::None, false},
    {"AM0", P::None, false}, {"NT0", P::None, false}, {"MX0", P::None, false}, {"BC0", P::None, false},
    {"AL000", P::None, false}, {"RT0", P::None, false}, {"XT0", P::None, false}, {"SC0", P::None, false},
    {"SB0", P::None, false}, {"PR0", P::None, false},
    // Spare.
    {"GT", P::None, true}, {"GT000", P::None, true}, {"GT002", P::None, true}, {"GT005", P::None, true},
    {"GT010", P::None, true}, {"GT020", P::None, true}, {"GT125", P::None, true}, {"AI", P::None, true},
    {"AI1", P::None, true}, {"RA", P::None, true}, {"BD", P::None, true}, {"BU", P::None, true},
    {"BY", P::None, true}, {"DN", P::None, true}, {"UP", P::None, true}, {"EQ1", P::None, true},
    {"FA", P::None, true}, {"FB", P::None, true}, {"FL", P::None, true}, {"FL009007", P::None, true},
    {"FL007010", P::None, true}, {"DL100", P::None, true}, {"DL101", P::None, true}, {"DL102", P::None, true},
    {"DT0", P::None, true}, {"DT1", P::None, true}, {"TY", P::None, true}, {"IF", P::None, true},
    {"LK", P::None, true}, {"LK", P::Flag, true}, {"LO", P::None, true}, {"MC ", P::Two, true},
    {"MR", P::FlagSpaceTwo, true}, {"NB", P::None, true}, {"NB0", P::None, true}, {"NB1", P::None, true},
    {"NL1", P::None, true}, {"NL", P::Three, true}, {"NR", P::None, true}, {"NR1", P::None, true},
    {"AM", P::None, true}, {"AM1", P::None, true}, {"NT", P::None, true}, {"NT1", P::None, true},
    {"MX", P::None, true}, {"MX1", P::None, true}, {"MX", P::Flag, true}, {"BC", P::None, true},
    {"BC1", P::None, true}, {"BC2", P::None, true}, {"PT", P::None, true}, {"PT", P::Two, true},
    {"PA", P::None, true}, {"PA0", P::None, true}, {"PA1", P::None, true}, {"RM", P::Digit, true},
    {"SH", P::None, true}, {"SL", P::None, true}, {"FW", P::None, true}, {"IS", P::None, true},
    {"AG0", P::None, true}, {"AG0000", P::None, true}, {"AG1", P::None, true}, {"AG1000", P::None, true},
    {"AG1", P::Three, true}, {"AL", P::None, true}, {"AL", P::Three, true}, {"PS0", P::None, true},
    {"PS1", P::None, true}, {"RG1", P::None, true}, {"RG", P::Three, true}, {"PC", P::None, true},
    {"PC", P::Three, true}, {"RT1", P::None, true}, {"RT", P::Flag, true}, {"RC", P::None, true},
    {"RD", P::None, true}, {"RU", P::None, true}, {"SP0", P::None, true}, {"SP1", P::None, true},
    {"SC1", P::None, true}, {"SC", P::Flag, true}, {"SB1", P::None, true}, {"PR", P::None, true},
    {"PR1", P::None, true}, {"PR", P::Three, true}, {"PL", P::None, true}, {"VB00", P::None, true},
    {"VB", P::Two, true}, {"SM", P::None, true}, {"TN", P::Two, true}, {"VR", P::None, true},
    {"XT1", P::None, true}, {"XT", P::Flag, true}, {"SH", P::Two, true}, {"SL", P::Two, true},
}};

namespace {

struct ModeDigit {
  int mode;
  uint8_t digit;
};
constexpr ModeDigit kKenwoodModes[] = {
    {MODE_LSB, '1'}, {MODE_LSB_D, '1'}, {MODE_USB, '2'}, {MODE_USB_D, '2'}, {MODE_CW, '3'},
    {MODE_FM, '4'},  {MODE_FMW, '4'},   {MODE_AM, '5'},  {MODE_FSK, '6'},   {MODE_RTTY, '6'},
    {MODE_CW_R, '7'}, {MODE_TUNE, '8'}, {MODE_FSK_R, '9'},
};

constexpr int kFilterFirst[][2] = {{0, 1}, {3, 5}, {4, 7}, {5, 9}, {6, 10}};
constexpr int kFilterSecond[][2] = {{1, 2}, {2, 3}, {3, 5}, {4, 7}, {5, 9}, {6, 10}};

int send_row(uint8_t* slot, KenwoodCmd id, int64_t a = 0) { return kenwood_send(slot, static_cast<int>(id), a); }

}  // namespace

uint8_t kenwood_mode_digit(int mode) {
  for (const ModeDigit& m : kKenwoodModes) {
    if (m.mode == mode) return m.digit;
  }
  return '1';
}

CatCommand kenwood_format(int index, int64_t a, int64_t b) {
  CatCommand c;
  if (index < 0 || index >= static_cast<int>(kKenwoodCommandSet.size())) return c;
  c.length = ascii_cat_format(c.bytes, kKenwoodCommandSet[static_cast<std::size_t>(index)], a, b, kKenwoodTerminator);
  return c;
}

int kenwood_send(uint8_t* slot, int index, int64_t a, int64_t b) {
  const CatCommand c = kenwood_format(index, a, b);
  for (int i = 0; i < c.length; ++i) slot[i] = c.bytes[i];
  return cat_send(slot, c.length);
}

int kenwood_read_id(uint8_t* slot) { return send_row(slot, KenwoodCmd::ReadId); }
int kenwood_auto_info_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::AutoInfoOff); }
int kenwood_set_vfo_a_freq(uint8_t* slot, uint32_t hz) { return send_row(slot, KenwoodCmd::VfoAFreq, hz); }
int kenwood_set_vfo_b_freq(uint8_t* slot, uint32_t hz) { return send_row(slot, KenwoodCmd::VfoBFreq, hz); }
int kenwood_set_rx_vfo(uint8_t* slot, int vfo) { return send_row(slot, KenwoodCmd::RxVfo, vfo); }
int kenwood_set_tx_vfo(uint8_t* slot, int vfo) { return send_row(slot, KenwoodCmd::TxVfo, vfo); }
int kenwood_set_mode(uint8_t* slot, int mode) { return send_row(slot, KenwoodCmd::Mode, kenwood_mode_digit(mode) - '0'); }
int kenwood_ptt_on(uint8_t* slot) { return send_row(slot, KenwoodCmd::PttOn); }
int kenwood_ptt_on_tx0(uint8_t* slot) { return send_row(slot, KenwoodCmd::PttOnTx0); }
int kenwood_ptt_on_tx1(uint8_t* slot) { return send_row(slot, KenwoodCmd::PttOnTx1); }
int kenwood_ptt_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::PttOff); }
int kenwood_set_af_gain(uint8_t* slot, int level) { return send_row(slot, KenwoodCmd::AfGain, level); }
int kenwood_attenuator_on(uint8_t* slot) { return send_row(slot, KenwoodCmd::AttenuatorOn); }
int kenwood_attenuator_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::AttenuatorOff); }
int kenwood_select_ant1(uint8_t* slot) { return send_row(slot, KenwoodCmd::Ant1); }
int kenwood_select_ant2(uint8_t* slot) { return send_row(slot, KenwoodCmd::Ant2); }
int kenwood_tuner_on(uint8_t* slot) { return send_row(slot, KenwoodCmd::TunerOn); }
int kenwood_tuner_bypass(uint8_t* slot) { return send_row(slot, KenwoodCmd::TunerBypass); }
int kenwood_tuner_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::TunerOff); }
int kenwood_tuner_start(uint8_t* slot) { return send_row(slot, KenwoodCmd::TunerStart); }
int kenwood_agc_fast_001(uint8_t* slot) { return send_row(slot, KenwoodCmd::AgcFast001); }
int kenwood_agc_fast_255(uint8_t* slot) { return send_row(slot, KenwoodCmd::AgcFast255); }
int kenwood_agc_fast_062(uint8_t* slot) { return send_row(slot, KenwoodCmd::AgcFast062); }
int kenwood_set_dsp_high(uint8_t* slot, int value) { return send_row(slot, KenwoodCmd::DspHigh, value); }
int kenwood_set_dsp_low(uint8_t* slot, int value) { return send_row(slot, KenwoodCmd::DspLow, value); }
int kenwood_set_filter_width(uint8_t* slot, int hz) { return send_row(slot, KenwoodCmd::FilterWidth, hz); }
int kenwood_set_is(uint8_t* slot, int value) { return send_row(slot, KenwoodCmd::Is, value); }
int kenwood_slope_high_wide(uint8_t* slot) { return send_row(slot, KenwoodCmd::SlopeHighWide); }
int kenwood_slope_low_wide(uint8_t* slot) { return send_row(slot, KenwoodCmd::SlopeLowWide); }
int kenwood_tx_eq_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::TxEqOff); }
int kenwood_dnl_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::DnlOff); }
int kenwood_nr_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::NrOff); }
int kenwood_auto_mode_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::AutoModeOff); }
int kenwood_auto_notch_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::AutoNotchOff); }
int kenwood_aip_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::AipOff); }
int kenwood_beat_canceller_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::BeatCancellerOff); }
int kenwood_notch_filter_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::NotchFilterOff); }
int kenwood_rit_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::RitOff); }
int kenwood_xit_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::XitOff); }
int kenwood_scan_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::ScanOff); }
int kenwood_sub_receiver_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::SubReceiverOff); }
int kenwood_speech_proc_off(uint8_t* slot) { return send_row(slot, KenwoodCmd::SpeechProcOff); }

int kenwood_filter_code_first(int selector) {
  for (const auto& f : kFilterFirst) {
    if (f[0] == selector) return f[1];
  }
  return 0;
}

int kenwood_filter_code_second(int selector) {
  for (const auto& f : kFilterSecond) {
    if (f[0] == selector) return f[1];
  }
  return 0;
}

int kenwood_select_filter(uint8_t* slot, int first, int second) {
  static constexpr AsciiCatRow kFl{"FL", AsciiParam::Three, false};
  static constexpr AsciiCatRow kNone{"", AsciiParam::Three, false};
  int n = ascii_cat_format(slot, kFl, kenwood_filter_code_first(first), 0, kKenwoodTerminator) - 1;
  n += ascii_cat_format(slot + n, kNone, kenwood_filter_code_second(second), 0, kKenwoodTerminator);
  return cat_send(slot, n);
}

int kenwood_memory_write(uint8_t* slot, int flag, int channel, uint32_t hz, int mode, int arg4, int arg5, int arg6) {
  const int n = ascii_cat_memory_write(slot, flag, channel, hz, kenwood_mode_digit(mode), arg4, arg5, arg6,
                                       kKenwoodTerminator);
  return cat_send(slot, n);
}

void kenwood_on_reply(const uint8_t* /*frame*/, int /*length*/) { cat_ack(); }

}  // namespace vesk
