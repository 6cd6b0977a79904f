// Framed command sets: the SGC-2000 (length-headed frames with a sum), the MICOM ("$" frames
// with a sum and ETX), the Kachina 505DSP (STX, letter, data, ETX), the AOR AR7030 (one
// 13-byte tuning frame), the LCR-2000 (STX "001" text CR) and the WJCSMA (FE FE 10 F1 ... FD).
// The builders only format; the family's operations (radio/framed_binary_ops.cpp) send them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "db/database.h"
#include "radio/drivers/cat_contract.h"

namespace vesk {

// ---- SGC-2000 ----
// Header (the count of command and data bytes), command, data, the sum of command and data.
CatCommand sgc_frame(uint8_t command, std::initializer_list<uint8_t> data);
// Three packed BCD bytes in 100 Hz steps, least significant first (7,102,500 Hz: 25 10 07).
void sgc_bcd_freq(uint32_t hz, uint8_t out[3]);
uint8_t sgc_mode_byte(int mode);  // 'A' for USB, 'a' for every other code
CatCommand sgc_tune(const ChannelRecord& ch);           // 08 85 rx tx mode sum
CatCommand sgc_select_channel(int channel);             // 03 81 channel 00 sum
CatCommand sgc_write_channel(const ChannelRecord& ch);  // 0A 84 ... ('e'/'E' for a split channel)
// True when the frame's sum (bytes 1 to the last but one) matches its last byte.
bool sgc_frame_ok(const uint8_t* frame, int length);

// ---- MICOM ----
CatCommand micom_frame(uint8_t opcode, std::initializer_list<uint8_t> data);
uint8_t micom_sideband(int mode);  // 0 for LSB, 1 for every other code

// ---- Kachina 505DSP ----
CatCommand kachina_frame(char letter, std::initializer_list<uint8_t> data);
// (Hz + 75,000,000) x 2.2369621333 in extended precision, truncated to 32 bits.
uint32_t kachina_freq_word(uint32_t hz);
CatCommand kachina_freq(char letter, uint32_t hz);  // 'R' or 'T' and the four word bytes
uint8_t kachina_mode_byte(int mode);
// The filter value of a filter designation ("B" frame).
uint8_t kachina_filter_value(int designation);

// ---- AOR AR7030 ----
uint32_t ar7030_tuning_word(uint32_t hz);  // kHz x 376.635223, rounded
uint8_t ar7030_mode_value(int mode);
CatCommand ar7030_frame(uint32_t hz, int mode);

// ---- LCR-2000 ----
CatCommand lcr_text(const std::string& text);  // STX "001" text CR
CatCommand lcr_freq(uint32_t hz);              // "F" and eight digits, limited to 10 kHz .. 30 MHz
// "M" and the mode letter; false for a mode without a letter.
bool lcr_mode(int mode, CatCommand& out);
// The AF level: "GA+" (level - 40) for 40 and above, "GA-" (40 - level) for 1 to 39, "GA-0".
CatCommand lcr_af_gain(int level);

// ---- WJCSMA ----
CatCommand wjcsma_frame(uint8_t command, std::initializer_list<uint8_t> data);
CatCommand wjcsma_freq(uint32_t hz);
// "01", mode, filter; false for a mode outside the map.
bool wjcsma_mode(int mode, CatCommand& out);

}  // namespace vesk
