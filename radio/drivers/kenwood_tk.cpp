#include "radio/drivers/kenwood_tk.h"

#include "radio/drivers/radio_types.h"

namespace vesk {

using P = AsciiParam;

const std::array<AsciiCatRow, 43> kTkCommandSet{{
    // Sent by the operations, in the order of TkCmd.
    {"FA", P::Freq11, false}, {"MD", P::Digit, false}, {"MC ", P::Three, false}, {"FR", P::Digit, false},
    {"RC", P::None, false}, {"TX", P::None, false}, {"RX", P::None, false}, {"AG", P::Three, false},
    {"RA01", P::None, false}, {"RA00", P::None, false}, {"AC110", P::None, false}, {"AC100", P::None, false},
    {"AC111", P::None, false},
    // Spare ("PS1" has a builder of its own).
    {"AC000", P::None, true}, {"AG", P::None, true}, {"AG000", P::None, true}, {"AV", P::None, true},
    {"AV000", P::None, true}, {"AV", P::Three, true}, {"BY", P::None, true}, {"CS", P::None, true},
    {"DN", P::None, true}, {"UP", P::None, true}, {"FA", P::None, true}, {"IF", P::None, true},
    {"RA", P::None, true}, {"MR", P::FlagSpaceTwo, true}, {"NB", P::None, true}, {"NB1", P::None, true},
    {"NB0", P::None, true}, {"PT", P::None, true}, {"PT", P::Two, true}, {"PA", P::None, true},
    {"PA1", P::None, true}, {"PA0", P::None, true}, {"PC", P::None, true}, {"PC", P::Three, true},
    {"PS0", P::None, true}, {"SC", P::None, true}, {"SC1", P::None, true}, {"SC0", P::None, true},
    {"SC", P::Flag, true}, {"SM", P::None, true},
}};

namespace {

struct ModeDigit {
  int mode;
  uint8_t digit;
};
constexpr ModeDigit kTkModes[] = {
    {MODE_LSB, '1'}, {MODE_USB, '2'}, {MODE_CW, '3'}, {MODE_FSK, '4'}, {MODE_AM, '5'}, {14, '6'},
};

int tk90(uint8_t* slot, TkCmd id, int64_t a = 0) { return tk_send(slot, kTk90Terminator, static_cast<int>(id), a); }
int tk80(uint8_t* slot, TkCmd id, int64_t a = 0) { return tk_send(slot, kTk80Terminator, static_cast<int>(id), a); }

}  // namespace

uint8_t tk_mode_digit(int mode) {
  for (const ModeDigit& m : kTkModes) {
    if (m.mode == mode) return m.digit;
  }
  return '2';
}

CatCommand tk_format(int index, uint8_t terminator, int64_t a, int64_t b) {
  CatCommand c;
  if (index < 0 || index >= static_cast<int>(kTkCommandSet.size())) return c;
  c.length = ascii_cat_format(c.bytes, kTkCommandSet[static_cast<std::size_t>(index)], a, b, terminator);
  return c;
}

int tk_send(uint8_t* slot, uint8_t terminator, int index, int64_t a, int64_t b) {
  const CatCommand c = tk_format(index, terminator, a, b);
  for (int i = 0; i < c.length; ++i) slot[i] = c.bytes[i];
  return cat_send(slot, c.length);
}

int tk_power_on(uint8_t* slot, uint8_t terminator) {
  slot[0] = terminator;
  cat_send(slot, 1);
  static constexpr AsciiCatRow kPs1{"PS1", AsciiParam::None, true};
  return cat_send(slot, ascii_cat_format(slot, kPs1, 0, 0, terminator));
}

int tk_memory_write(uint8_t* slot, uint8_t terminator, int flag, int channel, uint32_t hz, int mode, int arg4,
                    int arg5, int arg6) {
  return cat_send(slot, ascii_cat_memory_write(slot, flag, channel, hz, tk_mode_digit(mode), arg4, arg5, arg6,
                                               terminator));
}

int tk90_set_vfo_a_freq(uint8_t* slot, uint32_t hz) { return tk90(slot, TkCmd::VfoAFreq, hz); }
int tk90_set_mode(uint8_t* slot, int mode) { return tk90(slot, TkCmd::Mode, tk_mode_digit(mode) - '0'); }
int tk90_select_memory_channel(uint8_t* slot, int channel) { return tk90(slot, TkCmd::MemoryChannel, channel); }
int tk90_set_channel_mode(uint8_t* slot, int mode) { return tk90(slot, TkCmd::ChannelMode, mode); }
int tk90_clear_rx_clarifier(uint8_t* slot) { return tk90(slot, TkCmd::ClearRxClarifier); }
int tk90_ptt_on(uint8_t* slot) { return tk90(slot, TkCmd::PttOn); }
int tk90_ptt_off(uint8_t* slot) { return tk90(slot, TkCmd::PttOff); }
int tk90_set_af_gain(uint8_t* slot, int level) { return tk90(slot, TkCmd::AfGain, level); }
int tk90_attenuator_on(uint8_t* slot) { return tk90(slot, TkCmd::AttenuatorOn); }
int tk90_attenuator_off(uint8_t* slot) { return tk90(slot, TkCmd::AttenuatorOff); }
int tk90_tuner_on(uint8_t* slot) { return tk90(slot, TkCmd::TunerOn); }
int tk90_tuner_bypass(uint8_t* slot) { return tk90(slot, TkCmd::TunerBypass); }
int tk90_tuner_start(uint8_t* slot) { return tk90(slot, TkCmd::TunerStart); }

int tk80_set_vfo_a_freq(uint8_t* slot, uint32_t hz) { return tk80(slot, TkCmd::VfoAFreq, hz); }
int tk80_set_mode(uint8_t* slot, int mode) { return tk80(slot, TkCmd::Mode, tk_mode_digit(mode) - '0'); }
int tk80_select_memory_channel(uint8_t* slot, int channel) { return tk80(slot, TkCmd::MemoryChannel, channel); }
int tk80_set_channel_mode(uint8_t* slot, int mode) { return tk80(slot, TkCmd::ChannelMode, mode); }
int tk80_clear_rx_clarifier(uint8_t* slot) { return tk80(slot, TkCmd::ClearRxClarifier); }
int tk80_ptt_on(uint8_t* slot) { return tk80(slot, TkCmd::PttOn); }
int tk80_ptt_off(uint8_t* slot) { return tk80(slot, TkCmd::PttOff); }
int tk80_set_af_gain(uint8_t* slot, int level) { return tk80(slot, TkCmd::AfGain, level); }
int tk80_attenuator_on(uint8_t* slot) { return tk80(slot, TkCmd::AttenuatorOn); }
int tk80_attenuator_off(uint8_t* slot) { return tk80(slot, TkCmd::AttenuatorOff); }
int tk80_tuner_on(uint8_t* slot) { return tk80(slot, TkCmd::TunerOn); }
int tk80_tuner_bypass(uint8_t* slot) { return tk80(slot, TkCmd::TunerBypass); }
int tk80_tuner_start(uint8_t* slot) { return tk80(slot, TkCmd::TunerStart); }

void tk90_on_reply(const uint8_t* /*frame*/, int /*length*/) { cat_ack(); }
void tk80_on_reply(const uint8_t* /*frame*/, int /*length*/) { cat_ack(); }

}  // namespace vesk
