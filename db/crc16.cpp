#include "db/crc16.h"

namespace vesk {

static_assert(kCrc16Table[1] == 0x1021 && kCrc16Table[2] == 0x2042 && kCrc16Table[255] == 0x1EF0);

void crc16_init(int32_t* crc) { *crc = 0xFFFF; }

void crc16_update_byte(int32_t value, int32_t* crc) {
  const int32_t index = ((*crc >> 8) ^ value) & 0xFF;
  *crc = ((*crc << 8) ^ kCrc16Table[index]) & 0xFFFF;
}

void crc16_update_nibble(int32_t value, int32_t* crc) {
  const int32_t index = ((*crc >> 12) ^ value) & 0x0F;
  *crc = ((*crc << 4) ^ kCrc16Table[index]) & 0xFFFF;
}

void crc16_update_12bits(int32_t value, int32_t* crc) {
  crc16_update_byte(value >> 4, crc);
  crc16_update_nibble(value & 0x0F, crc);
}

void crc16_update_24bits(int32_t value, int32_t* crc) {
  crc16_update_byte(value >> 16, crc);
  crc16_update_byte(value >> 8, crc);
  crc16_update_byte(value, crc);
}

}  // namespace vesk
