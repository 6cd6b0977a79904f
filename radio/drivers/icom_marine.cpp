#include "radio/drivers/icom_marine.h"

#include <cstdio>

#include "radio/drivers/cat_encode.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

char icmarine_id(int type) { return radio_type_row(type).marine_id; }

CatCommand icmarine_sentence(char id, const std::string& body, bool checksum) {
  CatCommand c;
  c.put("$PICOA,90,0").put(static_cast<uint8_t>(id)).put(",").put(body.c_str());
  if (checksum) {
    const uint8_t sum = xor_checksum(c.bytes + 1, c.bytes + c.length);
    c.put("*");
    uint8_t hex[2];
    put_hex_byte(hex, sum);
    c.put(hex[0]).put(hex[1]);
  }
  c.put("\r\n");
  return c;
}

std::string icmarine_freq(uint32_t hz) {
  char text[24];
  std::snprintf(text, sizeof text, "%03u.%06u", hz / 1000000u % 1000u, hz % 1000000u);
  return text;
}

const char* icmarine_mode(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_LSB_D: return "LSB";
    case MODE_USB: case MODE_USB_D: return "USB";
    case MODE_CW: return "A1A";
    case MODE_AM: return "H3A";
    case MODE_FSK: return "FSK";
    default: return nullptr;
  }
}

CatCommand pcr_freq_mode(uint32_t hz, int mode) {
  // Mode and filter digits; the data modes as their sidebands, other codes as USB.
  const char* digits = "0100";
  switch (mode) {
    case MODE_LSB: case MODE_LSB_D: case MODE_RTTY: digits = "0000"; break;
    case MODE_CW: digits = "0300"; break;
    case MODE_FM: digits = "0502"; break;
    case MODE_FMW: digits = "0600"; break;
    case MODE_AM: digits = "0201"; break;
    case 13: digits = "0200"; break;
    default: break;
  }
  CatCommand c;
  c.put("K0");
  c.length += put_decimal(c.bytes + c.length, hz, 10);
  c.put(digits).put("00\n");
  return c;
}

CatCommand pcr_hex(const char* head, int value) {
  CatCommand c;
  c.put(head);
  uint8_t hex[2];
  put_hex_byte(hex, static_cast<uint8_t>(value & 0xFF));
  c.put(hex[0]).put(hex[1]).put("\n");
  return c;
}

CatCommand pcr_text(const char* text) {
  CatCommand c;
  c.put(text).put("\n");
  return c;
}

}  // namespace vesk
