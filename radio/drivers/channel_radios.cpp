#include "radio/drivers/channel_radios.h"

#include "radio/drivers/cat_encode.h"
#include "radio/drivers/radio_types.h"
#include "radio/drivers/receivers.h"

namespace vesk {

bool ek890_tune(const ChannelRecord& ch, CatCommand& out) {
  const char* m = text_mode_of(kTextEk89x, ch.rx_mode);
  if (m == nullptr) return false;
  out = text_framed(kTextEk89x, "A00F" + std::to_string(static_cast<uint32_t>(ch.rx_freq_hz)) + "," + m);
  return true;
}

bool xk2100_tune(const ChannelRecord& ch, CatCommand& out) {
  const char* m = text_mode_of(kTextXk2100, ch.rx_mode);
  if (m == nullptr) return false;
  out = text_framed(kTextXk2100, std::string(m) + ",F" + std::to_string(static_cast<uint32_t>(ch.rx_freq_hz)));
  return true;
}

bool sea235_tune(const ChannelRecord& ch, CatCommand& out) {
  if (ch.rx_freq_hz < 1000000) return false;
  const std::string body = "PSEAS,15,," + std::to_string(ch.rx_freq_hz) + "," + std::to_string(ch.tx_freq_hz) +
                           ",,R,H," + (ch.rx_mode == MODE_USB ? "U" : "L");
  const uint8_t sum = xor_checksum(reinterpret_cast<const uint8_t*>(body.data()),
                                   reinterpret_cast<const uint8_t*>(body.data()) + body.size());
  uint8_t hex[2];
  put_hex_byte(hex, sum);
  out = CatCommand{};
  out.put("$").put(body.c_str()).put("*").put(hex[0]).put(hex[1]).put("\r");
  return true;
}

bool hf90m_select(const ChannelRecord& ch, CatCommand& out) {
  if (ch.in_use != 1) return false;
  uint8_t hex[2];
  put_hex_byte(hex, static_cast<uint8_t>(ch.number + 1));
  out = text_framed(kTextHf90m, std::string("C") + static_cast<char>(hex[0]) + static_cast<char>(hex[1]));
  return true;
}

CatCommand hf90m_memory_record(const ChannelRecord& ch) {
  const uint32_t rx = static_cast<uint32_t>(ch.rx_freq_hz) / 100u, tx = static_cast<uint32_t>(ch.tx_freq_hz) / 100u;
  uint8_t b[13] = {0x08, 0x00, static_cast<uint8_t>(ch.number * 8), 0x00,
                   static_cast<uint8_t>((ch.rx_freq_hz == ch.tx_freq_hz ? 0x10 : 0) | (ch.rx_mode == MODE_USB ? 0x08 : 0)),
                   static_cast<uint8_t>(rx), static_cast<uint8_t>(rx >> 8),
                   static_cast<uint8_t>(((rx >> 16) & 0x0F) | ((tx & 0x0F) << 4)), static_cast<uint8_t>(tx >> 4),
                   static_cast<uint8_t>(tx >> 12), static_cast<uint8_t>(ch.number + 1), 0x00, 0x00};
  b[12] = static_cast<uint8_t>(-additive_checksum(b, 12));
  CatCommand c;
  c.put(":");
  for (uint8_t v : b) {
    uint8_t hex[2];
    put_hex_byte(hex, v);
    c.put(hex[0]).put(hex[1]);
  }
  return c.put("\r\n");
}

}  // namespace vesk
