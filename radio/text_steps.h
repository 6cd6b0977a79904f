// The steps that the text-command families share (the JRC receivers, the text radios and the
// channel radios): a command in the row's text set through the radio queue, the frequency and
// mode commands, the keying and attenuator texts of the row, and the set-up lines.
#pragma once

#include <cstdint>
#include <string>

#include "radio/drivers/radio_types.h"
#include "radio/setup_table.h"

namespace vesk {

void text_send(const RadioTypeRow& row, const std::string& text);
void text_set_freq(const RadioTypeRow& row, uint32_t hz);
void text_set_mode(const RadioTypeRow& row, int mode);
// The command, the sequence pause, then the set-up line.
void text_command_then_line(const RadioTypeRow& row, const std::string& command, const std::string& line);
// Set-up: preconfiguration is off for this radio's port block.
bool text_preconfig_off(const RadioSetupRow& setup);

// Operations as the families' records take them.
void text_ptt_on(const RadioTypeRow& row, int tx_mode);
void text_ptt_off(const RadioTypeRow& row);
void text_attenuator(const RadioTypeRow& row, bool on);
void text_setup_before_port_line(const RadioSetupRow& setup);
void text_setup_start(const RadioTypeRow& row);  // the row's start command
// The types whose answers acknowledge (reply_acks); the others' commands leave at the reply
// timer's pace.
void text_on_reply(const uint8_t* reply, int length);

}  // namespace vesk
