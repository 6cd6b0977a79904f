// The TT-550 and RX-320 tuning words of the reference cases, shared by the test of the
// library's (optimised) build and by a program that builds the computation at -O0: both must
// give these words. Several fine words sit just below a whole number in double precision.
#pragma once

#include "radio/drivers/radio_types.h"
#include "radio/drivers/tentec.h"

namespace vesk::test {

struct TuningCase {
  TuningSide side;
  uint32_t hz;
  int mode;
  TuningWords want;
};

inline constexpr TuningCase kTuningCases[] = {
    {TuningSide::Tt550Rx, 10142170, MODE_USB, {22057, 655, 26481}},
    {TuningSide::Tt550Tx, 10142170, MODE_USB, {22057, 655, 4641}},
    {TuningSide::Tt550Rx, 14100000, MODE_USB, {23640, 2456, 26481}},  // exact fine word 2457
    {TuningSide::Tt550Rx, 10100000, MODE_CW, {22039, 1637, 24433}},
    {TuningSide::Tt550Tx, 10100000, MODE_CW, {22038, 12284, 5460}},
    {TuningSide::Rx320Rx, 10000000, MODE_AM, {21999, 6824, 30576}},   // exact fine word 6825
};

}  // namespace vesk::test
