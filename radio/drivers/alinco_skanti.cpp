#include "radio/drivers/alinco_skanti.h"

#include <cstdio>

#include "radio/drivers/cat_encode.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

CatCommand dx77t_text(const std::string& body) {
  CatCommand c;
  c.put(body.c_str()).put("\r");
  return c;
}

CatCommand dx77t_freq(char vfo, uint32_t hz) {
  CatCommand c;
  c.put("AL0").put(static_cast<uint8_t>(vfo));
  c.length += put_decimal(c.bytes + c.length, hz, 8);
  c.put("\r");
  return c;
}

char dx77t_mode_digit(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_RTTY: case MODE_LSB_D: return '0';
    case MODE_USB: case MODE_USB_D: return '1';
    case MODE_CW: return '2';
    case MODE_CW_R: return '3';
    case MODE_AM: return '4';
    case MODE_FM: case MODE_FMW: return '5';
    default: return 0;
  }
}

std::string skanti_freq_field(uint32_t hz) {
  char text[16];
  std::snprintf(text, sizeof text, "%06u\r", hz % 100000000u / 100u);
  return text;
}

}  // namespace vesk
