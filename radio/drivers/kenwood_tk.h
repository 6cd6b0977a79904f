// TK-90 and TK-80 command sets: the Kenwood form with their own mode digits and a three-digit
// memory channel; every TK-90 command ends in CR, every TK-80 command in ";".
//
// Builders take the scratch slot from `cat_slot_next`, write their command there and queue
// it with `cat_send`; they return the length.
#pragma once

#include <array>
#include <cstdint>

#include "radio/drivers/ascii_cat.h"
#include "radio/drivers/cat_contract.h"

namespace vesk {

inline constexpr uint8_t kTk90Terminator = '\r';
inline constexpr uint8_t kTk80Terminator = ';';

enum class TkCmd : uint8_t {
  VfoAFreq, Mode, MemoryChannel, ChannelMode, ClearRxClarifier, PttOn, PttOff, AfGain,
  AttenuatorOn, AttenuatorOff, TunerOn, TunerBypass, TunerStart,
  FirstSpare
};
extern const std::array<AsciiCatRow, 43> kTkCommandSet;

// The "MD" digit of a mode code; codes without a row go as USB.
uint8_t tk_mode_digit(int mode);
// Row `index` formatted with the given terminator, without queueing.
CatCommand tk_format(int index, uint8_t terminator, int64_t a = 0, int64_t b = 0);
int tk_send(uint8_t* slot, uint8_t terminator, int index, int64_t a = 0, int64_t b = 0);
// The spare "PS1": a lone terminator first, then "PS1" and the terminator.
int tk_power_on(uint8_t* slot, uint8_t terminator);
// The spare memory write of the Kenwood form, with the TK mode digit.
int tk_memory_write(uint8_t* slot, uint8_t terminator, int flag, int channel, uint32_t hz, int mode, int arg4,
                    int arg5, int arg6);

int tk90_set_vfo_a_freq(uint8_t* slot, uint32_t hz);
int tk90_set_mode(uint8_t* slot, int mode);
int tk90_select_memory_channel(uint8_t* slot, int channel);
int tk90_set_channel_mode(uint8_t* slot, int mode);  // 0: VFO, 2: memory channels
int tk90_clear_rx_clarifier(uint8_t* slot);
int tk90_ptt_on(uint8_t* slot);
int tk90_ptt_off(uint8_t* slot);
int tk90_set_af_gain(uint8_t* slot, int level);
int tk90_attenuator_on(uint8_t* slot);
int tk90_attenuator_off(uint8_t* slot);
int tk90_tuner_on(uint8_t* slot);
int tk90_tuner_bypass(uint8_t* slot);
int tk90_tuner_start(uint8_t* slot);

int tk80_set_vfo_a_freq(uint8_t* slot, uint32_t hz);
int tk80_set_mode(uint8_t* slot, int mode);
int tk80_select_memory_channel(uint8_t* slot, int channel);
int tk80_set_channel_mode(uint8_t* slot, int mode);  // spare
int tk80_clear_rx_clarifier(uint8_t* slot);
int tk80_ptt_on(uint8_t* slot);
int tk80_ptt_off(uint8_t* slot);
int tk80_set_af_gain(uint8_t* slot, int level);      // spare
int tk80_attenuator_on(uint8_t* slot);
int tk80_attenuator_off(uint8_t* slot);
int tk80_tuner_on(uint8_t* slot);
int tk80_tuner_bypass(uint8_t* slot);
int tk80_tuner_start(uint8_t* slot);

// Reply entry of TK80, TK90 and TK90_HS: acknowledges every frame.
void tk90_on_reply(const uint8_t* frame, int length);
// The TK-80 set's own identical entry, which nothing calls.
void tk80_on_reply(const uint8_t* frame, int length);

}  // namespace vesk
