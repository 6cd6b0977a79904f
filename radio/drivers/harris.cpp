#include "radio/drivers/harris.h"

#include <cstdio>

#include "radio/drivers/radio_types.h"

namespace vesk {

CatCommand harris_text(const std::string& text, char end) {
  CatCommand c;
  c.put(text.c_str());
  if (end != 0) c.put(static_cast<uint8_t>(end));
  return c;
}

std::string rf5022_digits(uint32_t hz) {
  char t[16];
  std::snprintf(t, sizeof t, "%07u", hz / 10u % 10000000u);
  return t;
}

std::string harris_mhz_text(uint32_t hz) {
  char t[24];
  std::snprintf(t, sizeof t, "%u.%05u", hz / 1000000u, hz % 1000000u / 10u);
  return t;
}

const char* rf5022_mode(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_RTTY: return "LS";
    case MODE_USB: return "US";
    case MODE_CW: return "CW";
    case MODE_AM: return "AM";
    default: return nullptr;
  }
}

char rf350_mode_digit(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_RTTY: return '2';
    case MODE_USB: return '1';
    case MODE_CW: return '4';
    case MODE_AM: return '3';
    case 15: return '6';
    default: return 0;
  }
}

char rf590a_mode_digit(int mode) {
  switch (mode) {
    case MODE_LSB: return '6';
    case MODE_USB: return '7';
    case MODE_CW: case MODE_RTTY: return '3';
    case MODE_FM: case MODE_FMW: return '2';
    case MODE_AM: return '1';
    case 15: return '5';
    default: return 0;
  }
}

int rf590_mode_value(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_RTTY: return 4;
    case MODE_USB: return 3;
    case MODE_CW: return 0;
    case MODE_FM: case MODE_FMW: return 8;
    case MODE_AM: return 2;
    case 15: return 5;
    default: return -1;
  }
}

std::string rf350alk_freq_text(uint32_t hz) {
  uint32_t steps = hz / 10u;
  if (steps < 1000u) steps = 1000u;
  char t[16];
  std::snprintf(t, sizeof t, "F%07u", steps % 10000000u);
  return t;
}

std::string rf350alk_memory_record(const ChannelRecord& ch) {
  char number[8];
  std::snprintf(number, sizeof number, ch.number < 10 ? "0%d" : "%d", ch.number);
  const char mode = rf350_mode_digit(ch.rx_mode);
  return std::string("UP") + number + rf350alk_freq_text(static_cast<uint32_t>(ch.rx_freq_hz)).substr(1) +
         (mode != 0 ? mode : '1');
}

uint16_t crc16_xmodem(const uint8_t* bytes, int length) {
  uint16_t crc = 0;
  for (int i = 0; i < length; ++i) {
    crc = static_cast<uint16_t>(crc ^ (bytes[i] << 8));
    for (int b = 0; b < 8; ++b) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

CatCommand rf590_frame(uint8_t command, uint8_t value) {
  CatCommand c;
  for (uint8_t b : {0xFF, 0xF5, 0x01, 0x01, 0x02, 0x02}) c.put(b);
  c.put(command).put(value);
  const uint16_t crc = crc16_xmodem(c.bytes + 6, 2);
  c.put(static_cast<uint8_t>(crc >> 8)).put(static_cast<uint8_t>(crc));
  return c;
}

std::string rf590a_bandwidth_text(int hz) {
  const double khz = hz <= 150 ? 0.15 : hz >= 16000 ? 16.0 : hz / 1000.0;
  char t[24];
  std::snprintf(t, sizeof t, "$1,I%2.1f", khz);
  return t;
}

std::string rf3200_channel_text(int channel) {
  if (channel == 0) channel = 1;
  char t[16];
  std::snprintf(t, sizeof t, channel < 10 ? "CH 0%d" : "CH %d", channel);
  return t;
}

}  // namespace vesk
