// The TNC command: an external terminal node controller or data modem on the TNC port. Each
// sub-keyword becomes the bytes that the configured TNC type understands; PACTOR first
// retunes the radio for data, DISCONN and FORCE first put it back (radio/tnc_retune.h).
#pragma once

#include "command/interpreter.h"

namespace vesk {

// The configured TNC types (db_get_tnc_type).
enum TncType : int {
  TNC_KAME = 0,
  TNC_KAMPLUS = 1,
  TNC_KAMXL = 2,
  TNC_KAM98 = 3,
  TNC_PK232 = 4,
  TNC_PK900 = 5,
  TNC_DSP232 = 6,
  TNC_DSP1232 = 7,
  TNC_DSP2232 = 8,
  TNC_HK232 = 9,
  TNC_SCSPTCI = 10,
  TNC_SCSPTCII = 11,
  TNC_MFJ1276 = 12,
  TNC_MFJ1278B = 13,
  TNC_DSP4100 = 14,
  TNC_DXP38 = 15,
  TNC_GENERIC = 16,
};

// The longest text one TNC output message carries; a longer command text is refused, and a
// longer MSG or HALMSG text goes out in pieces of this size.
inline constexpr int kTncMessageBytes = 255;

void mmi_cmd_tnc(MmiLine& line);

}  // namespace vesk
