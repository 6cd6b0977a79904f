// The TT-550 and RX-320 tuning words. Every step is a double-precision operation in the order
// written and every conversion to an integer truncates toward zero; the file is built without
// floating-point contraction (radio/CMakeLists.txt), so a fused multiply-add never changes a
// word at any optimisation level (14,100,000 Hz USB gives a fine word of 2456, just below 2457).
#include <cmath>

#include "radio/drivers/radio_types.h"
#include "radio/drivers/tentec.h"

namespace vesk {

namespace {

struct Offsets {
  int s;  // sideband sign
  int p;  // filter offset, Hz
  int q;  // CW offset, Hz
};

// The data modes tune as their sidebands; codes without a row tune as the neutral row.
Offsets offsets(TuningSide side, int mode) {
  const int filter = side == TuningSide::Rx320Rx ? 1550 : 1700;
  if (mode == MODE_LSB_D) mode = MODE_LSB;
  if (mode == MODE_USB_D) mode = MODE_USB;
  switch (mode) {
    case MODE_LSB: return {-1, filter, 0};
    case MODE_USB: return {+1, filter, 0};
    case MODE_CW: return {-1, side == TuningSide::Tt550Tx ? 1500 : 450, 500};
    case MODE_AM: return {0, side == TuningSide::Tt550Tx ? 1700 : 3200, 0};
    case 13: return {0, side == TuningSide::Rx320Rx ? 1700 : filter, 0};
    default: return {0, filter, 0};  // FM, FMW, FSK, RTTY, CW_R, TUNE, FSK_R and the rest
  }
}

}  // namespace

TuningWords tentec_tuning_words(TuningSide side, uint32_t hz, int mode) {
  const Offsets o = offsets(side, mode);
  const double f = static_cast<double>(hz) / 1000000.0;
  const double shift = side == TuningSide::Tt550Tx ? static_cast<double>(o.s * o.p) / 1000000.0
                                                   : static_cast<double>((o.p + o.q) * o.s) / 1000000.0;
  const double x = (f - 0.00125) + shift;
  const double x400 = x * 400.0;
  const double whole = std::trunc(x400);
  TuningWords w{};
  w.coarse = static_cast<int>(whole) + 18000;
  const double fine = (x400 - whole) * 2500.0;
  w.fine = static_cast<int>(fine * 5.46);
  const int bfo_base = side == TuningSide::Tt550Tx ? o.p + o.q : o.p + o.q + 8000;
  w.bfo = static_cast<int>(static_cast<double>(bfo_base) * 2.73);
  return w;
}

}  // namespace vesk
