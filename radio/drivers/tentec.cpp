#include "radio/drivers/tentec.h"

#include <cstdio>

#include "radio/drivers/radio_types.h"

namespace vesk {

CatCommand tentec_cmd(const char* head, std::initializer_list<uint8_t> params) {
  CatCommand c;
  c.put(head);
  for (uint8_t b : params) c.put(b);
  c.put(static_cast<uint8_t>('\r'));
  return c;
}

CatCommand tentec_freq(char letter, uint32_t hz) {
  const char head[3] = {'*', letter, '\0'};
  return tentec_cmd(head, {static_cast<uint8_t>(hz >> 24), static_cast<uint8_t>(hz >> 16),
                           static_cast<uint8_t>(hz >> 8), static_cast<uint8_t>(hz)});
}

uint8_t tentec_mode_char(TenTecModeTable table, int mode) {
  switch (mode) {
    case MODE_AM: return '0';
    case MODE_USB: return '1';
    case MODE_LSB: return '2';
    case MODE_CW: return table == TenTecModeTable::Tt588Remote ? '5' : '3';
    case MODE_CW_R: return table == TenTecModeTable::Tt588Radio ? '5' : '3';
    case MODE_FM: return '4';
    case MODE_FSK: return table == TenTecModeTable::Tt516 ? '1' : '6';
    case MODE_LSB_D: return table == TenTecModeTable::Tt588Remote ? '2' : '1';
    default: return '1';
  }
}

CatCommand tentec_mode_pair(TenTecModeTable table, int rx_mode, int tx_mode) {
  return tentec_cmd("*M", {tentec_mode_char(table, rx_mode), tentec_mode_char(table, tx_mode)});
}

std::vector<CatCommand> tt588_remote_mode_pair(int rx_mode, int tx_mode) {
  std::vector<CatCommand> out;
  for (int m : {rx_mode, tx_mode}) {
    if (m == MODE_LSB || m == MODE_USB) out.push_back(tentec_cmd("*C1A", {0x00}));
    else if (m == MODE_LSB_D || m == MODE_USB_D) out.push_back(tentec_cmd("*C1A", {0x01}));
  }
  out.push_back(tentec_mode_pair(TenTecModeTable::Tt588Remote, rx_mode, tx_mode));
  return out;
}

CatCommand tt516_memory_frame(const ChannelRecord& ch) {
  CatCommand c;
  auto put32 = [&c](uint32_t v) {
    c.put(static_cast<uint8_t>(v >> 24)).put(static_cast<uint8_t>(v >> 16)).put(static_cast<uint8_t>(v >> 8));
    c.put(static_cast<uint8_t>(v));
  };
  c.put("*@").put(static_cast<uint8_t>(ch.number + 1)).put(uint8_t{0x01});
  c.put(uint8_t{ch.tx_freq_hz != ch.rx_freq_hz ? uint8_t{1} : uint8_t{0}});
  for (uint8_t b : {0x01, 0x24, 0x00, 0x00, 0x00}) c.put(b);
  c.put(tentec_mode_char(TenTecModeTable::Tt516, ch.rx_mode));
  put32(static_cast<uint32_t>(ch.rx_freq_hz));
  c.put(uint8_t{0x02}).put(tentec_mode_char(TenTecModeTable::Tt516, ch.tx_mode));
  put32(static_cast<uint32_t>(ch.tx_freq_hz));
  c.put(uint8_t{0x02}).put(static_cast<uint8_t>('\r'));
  return c;
}

CatCommand tentec_tuning_command(char letter, const TuningWords& w) {
  CatCommand c;
  c.put(static_cast<uint8_t>(letter));
  for (int v : {w.coarse, w.fine, w.bfo}) c.put(static_cast<uint8_t>(v >> 8)).put(static_cast<uint8_t>(v));
  c.put(static_cast<uint8_t>('\r'));
  return c;
}

uint8_t tt550_mode_char(int mode) {
  switch (mode) {
    case MODE_LSB: return '2';
    case MODE_CW: case MODE_CW_R: return '3';
    case MODE_FM: case MODE_FMW: return '4';
    case MODE_AM: return '0';
    default: return '1';
  }
}

uint8_t rx320_mode_char(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_FSK: case MODE_RTTY: case MODE_TUNE: case MODE_FSK_R: return '2';
    case MODE_CW: case MODE_CW_R: return '3';
    case MODE_AM: case 13: return '0';
    default: return '1';
  }
}

int rx320_filter(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_USB: return 16;
    case MODE_CW: case MODE_CW_R: case 13: return 27;
    case MODE_AM: return 33;
    case MODE_FSK: case MODE_RTTY: case MODE_TUNE: case MODE_FSK_R: return 12;
    default: return -1;
  }
}

uint8_t tt550_enable_digit(int value) {
  switch (value) {
    case 0: case 1: case 2: case 3: return static_cast<uint8_t>('0' + value);
    case 4: return '7';
    case 5: return '6';
    case 6: return '8';
    case 8: return '5';
    default: return '9';
  }
}

CatCommand rx340_text(const std::string& body) {
  CatCommand c;
  c.put("$1").put(body.c_str()).put(static_cast<uint8_t>('\r'));
  return c;
}

CatCommand rx340_freq(uint32_t hz) {
  char text[32];
  std::snprintf(text, sizeof text, "F %8.6f", static_cast<double>(hz) / 1e6);
  return rx340_text(text);
}

bool rx340_mode(int mode, CatCommand& out) {
  char d = 0;
  switch (mode) {
    case MODE_LSB: d = '6'; break;
    case MODE_USB: d = '7'; break;
    case MODE_CW: case MODE_RTTY: d = '3'; break;
    case MODE_FM: case MODE_FMW: d = '2'; break;
    case MODE_AM: d = '1'; break;
    default: return false;
  }
  out = rx340_text(std::string("D") + d);
  return true;
}

CatCommand rx340_bandwidth(int hz) {
  const double khz = hz <= 100 ? 0.1 : hz >= 16000 ? 16.0 : hz / 1000.0;
  char text[32];
  std::snprintf(text, sizeof text, "I%2.2f", khz);
  return rx340_text(text);
}

CatCommand rx340_agc(int agc) { return rx340_text(agc <= 1 ? "M3" : agc == 2 ? "M2" : "M1"); }

std::string tt585_freq_keys(uint32_t hz) {
  char d[16];
  std::snprintf(d, sizeof d, "%08u", hz % 100000000u);  // tens of MHz .. units of Hz
  std::string s{d[0], d[1], 'W'};
  s.append(d + 2, 5);  // 100 kHz .. 10 Hz; the units of Hz are not keyed
  s += '@';
  return s;
}

char tt585_mode_key(int mode) {
  switch (mode) {
    case MODE_LSB: return 'N';
    case MODE_CW: return 'P';
    case MODE_FM: return 'L';
    case MODE_AM: return 'M';
    case MODE_TUNE: return 'Q';
    case MODE_FSK: return 'X';
    default: return 'O';
  }
}

}  // namespace vesk
