// Harris command sets: short text commands ended by CR (RF5022, RF5800, RF350KWT, RF590A,
// RF3200) or LF (the RF-350 ALK types), and the RF590's 10-byte binary frames with a CRC.
// The builders only format; the family's operations (radio/harris_ops.cpp) send them.
#pragma once

#include <cstdint>
#include <string>

#include "db/database.h"
#include "radio/drivers/cat_contract.h"

namespace vesk {

CatCommand harris_text(const std::string& text, char end = '\r');

// "0710250": seven digits in 10 Hz steps (RF5022).
std::string rf5022_digits(uint32_t hz);
// "7.10250": MHz with five decimals, no leading zero (RF5800).
std::string harris_mhz_text(uint32_t hz);
// Mode fields; null for a mode the set has none for.
const char* rf5022_mode(int mode);   // RF5022, RF5800
char rf350_mode_digit(int mode);     // RF350KWT, RF350ALK; 0 when none
char rf590a_mode_digit(int mode);    // 0 when none
int rf590_mode_value(int mode);      // -1 when none

// RF-350 ALK: "F" and seven digits of 10 Hz steps, at least 1000.
std::string rf350alk_freq_text(uint32_t hz);
// The memory record "UP", channel, frequency digits, mode digit (1 for a code without one).
std::string rf350alk_memory_record(const ChannelRecord& ch);

// RF590: FF F5 01 01 02 02, command, value, CRC-16/XMODEM of the command and value bytes
// (high byte first).
CatCommand rf590_frame(uint8_t command, uint8_t value);
uint16_t crc16_xmodem(const uint8_t* bytes, int length);

std::string rf590a_bandwidth_text(int hz);  // "$1,I" and kHz as "%2.1f", 0.15 .. 16
std::string rf3200_channel_text(int channel);  // "CH 07", "CH 12"; channel 0 as 1

}  // namespace vesk
