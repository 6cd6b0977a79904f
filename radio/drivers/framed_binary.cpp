#include "radio/drivers/framed_binary.h"

#include <cmath>
#include <cstdio>

#include "radio/drivers/cat_encode.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

// ---- SGC-2000 ----

CatCommand sgc_frame(uint8_t command, std::initializer_list<uint8_t> data) {
  CatCommand c;
  c.put(static_cast<uint8_t>((1 + data.size()) & 0x0F)).put(command);
  for (uint8_t b : data) c.put(b);
  c.put(additive_checksum(c.bytes + 1, c.length - 1));
  return c;
}

void sgc_bcd_freq(uint32_t hz, uint8_t out[3]) { bcd_lsb_first(hz / 100u, out, 3); }

uint8_t sgc_mode_byte(int mode) { return mode == MODE_USB ? 'A' : 'a'; }

CatCommand sgc_tune(const ChannelRecord& ch) {
  uint8_t rx[3], tx[3];
  sgc_bcd_freq(static_cast<uint32_t>(ch.rx_freq_hz), rx);
  sgc_bcd_freq(static_cast<uint32_t>(ch.tx_freq_hz), tx);
  return sgc_frame(0x85, {rx[0], rx[1], rx[2], tx[0], tx[1], tx[2], sgc_mode_byte(ch.rx_mode)});
}

CatCommand sgc_select_channel(int channel) { return sgc_frame(0x81, {bcd_byte(channel), 0x00}); }

CatCommand sgc_write_channel(const ChannelRecord& ch) {
  uint8_t rx[3], tx[3];
  sgc_bcd_freq(static_cast<uint32_t>(ch.rx_freq_hz), rx);
  sgc_bcd_freq(static_cast<uint32_t>(ch.tx_freq_hz), tx);
  uint8_t mode = sgc_mode_byte(ch.rx_mode);
  if (ch.rx_freq_hz != ch.tx_freq_hz) mode |= 0x04;
  return sgc_frame(0x84, {bcd_byte(ch.number), 0x00, rx[0], rx[1], rx[2], tx[0], tx[1], tx[2], mode});
}

bool sgc_frame_ok(const uint8_t* frame, int length) {
  if (length < 3) return false;
  return additive_checksum(frame + 1, length - 2) == frame[length - 1];
}

// ---- MICOM ----

CatCommand micom_frame(uint8_t opcode, std::initializer_list<uint8_t> data) {
  CatCommand c;
  c.put(static_cast<uint8_t>('$')).put(static_cast<uint8_t>(1 + data.size())).put(uint8_t{0x18}).put(opcode);
  for (uint8_t b : data) c.put(b);
  c.put(additive_checksum(c.bytes, c.length)).put(uint8_t{0x03});
  return c;
}

uint8_t micom_sideband(int mode) { return mode == MODE_LSB ? 0 : 1; }

// ---- Kachina 505DSP ----

CatCommand kachina_frame(char letter, std::initializer_list<uint8_t> data) {
  CatCommand c;
  c.put(uint8_t{0x02}).put(static_cast<uint8_t>(letter));
  for (uint8_t b : data) c.put(b);
  c.put(uint8_t{0x03});
  return c;
}

uint32_t kachina_freq_word(uint32_t hz) {
  const long double v = (static_cast<long double>(hz) + 75000000.0L) * 2.2369621333L;
  return static_cast<uint32_t>(v);
}

CatCommand kachina_freq(char letter, uint32_t hz) {
  const uint32_t v = kachina_freq_word(hz);
  return kachina_frame(letter, {static_cast<uint8_t>(((v >> 24) & 0x3F) | 0x40), static_cast<uint8_t>(v >> 16),
                                static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}

uint8_t kachina_mode_byte(int mode) {
  switch (mode) {
    case MODE_LSB: return 5;
    case MODE_USB: return 4;
    case MODE_CW: case MODE_CW_R: return 2;
    case MODE_FM: case MODE_FMW: return 3;
    case MODE_AM: return 1;
    default: return 4;
  }
}

uint8_t kachina_filter_value(int designation) {
  switch (designation) {
    case 35: return 1;
    case 27: return 2;
    case 24: return 3;
    case 21: return 4;
    case 17: return 5;
    case 10: return 6;
    case 5: return 7;
    case 2: return 8;
    case 1: return 9;
    default: return 1;
  }
}

// ---- AOR AR7030 ----

uint32_t ar7030_tuning_word(uint32_t hz) {
  return static_cast<uint32_t>(static_cast<double>(hz) / 1000.0 * 376.635223 + 0.5);
}

uint8_t ar7030_mode_value(int mode) {
  switch (mode) {
    case MODE_LSB: return 6;
    case MODE_USB: return 7;
    case MODE_CW: return 5;
    case MODE_FM: return 3;
    case MODE_AM: return 1;
    case MODE_RTTY: return 4;
    default: return 7;
  }
}

CatCommand ar7030_frame(uint32_t hz, int mode) {
  const uint32_t w = ar7030_tuning_word(hz) & 0xFFFFFF;
  CatCommand c;
  c.put(uint8_t{0x81}).put("P1J");
  for (int i = 0; i < 6; ++i) {
    const uint8_t nibble = static_cast<uint8_t>((w >> (20 - 4 * i)) & 0x0F);
    c.put(static_cast<uint8_t>((i % 2 == 0 ? 0x30 : 0x60) + nibble));
  }
  c.put(static_cast<uint8_t>(0x60 + ar7030_mode_value(mode))).put("$").put(uint8_t{0x80});
  return c;
}

// ---- LCR-2000 ----

CatCommand lcr_text(const std::string& text) {
  CatCommand c;
  c.put(uint8_t{0x02}).put("001").put(text.c_str()).put("\r");
  return c;
}

CatCommand lcr_freq(uint32_t hz) {
  hz = hz < 10000 ? 10000 : hz > 30000000 ? 30000000 : hz;
  char text[16];
  std::snprintf(text, sizeof text, "F%08u", hz);
  return lcr_text(text);
}

bool lcr_mode(int mode, CatCommand& out) {
  char letter = 0;
  switch (mode) {
    case MODE_LSB: case MODE_RTTY: letter = 'L'; break;
    case MODE_USB: letter = 'U'; break;
    case MODE_CW: letter = 'C'; break;
    case MODE_FM: case MODE_FMW: letter = 'F'; break;
    case MODE_AM: letter = 'A'; break;
    case 15: letter = 'I'; break;
    default: return false;
  }
  out = lcr_text(std::string("M") + letter);
  return true;
}

CatCommand lcr_af_gain(int level) {
  char text[16];
  if (level >= 40) std::snprintf(text, sizeof text, "GA+%2i", level - 40);
  else if (level >= 1) std::snprintf(text, sizeof text, "GA-%1i", 40 - level);
  else std::snprintf(text, sizeof text, "GA-0");
  return lcr_text(text);
}

// ---- WJCSMA ----

CatCommand wjcsma_frame(uint8_t command, std::initializer_list<uint8_t> data) {
  CatCommand c;
  c.put(uint8_t{0xFE}).put(uint8_t{0xFE}).put(uint8_t{0x10}).put(uint8_t{0xF1}).put(command);
  for (uint8_t b : data) c.put(b);
  c.put(uint8_t{0xFD});
  return c;
}

CatCommand wjcsma_freq(uint32_t hz) {
  uint8_t b[5];
  bcd_lsb_first(hz, b, 5);
  return wjcsma_frame(0x00, {b[0], b[1], b[2], b[3], b[4]});
}

bool wjcsma_mode(int mode, CatCommand& out) {
  uint8_t m = 0, f = 0;
  switch (mode) {
    case MODE_LSB: case MODE_RTTY: m = 0x00, f = 0x03; break;
    case MODE_USB: m = 0x01, f = 0x03; break;
    case MODE_CW: m = 0x03, f = 0x02; break;
    case MODE_FM: m = 0x05, f = 0x04; break;
    case MODE_FMW: m = 0x05, f = 0x05; break;
    case MODE_AM: m = 0x02, f = 0x04; break;
    case 11: m = 0x03, f = 0x01; break;
    case 15: m = 0x06, f = 0x03; break;
    default: return false;
  }
  out = wjcsma_frame(0x01, {m, f});
  return true;
}

}  // namespace vesk
