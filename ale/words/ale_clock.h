// AleClock: a broken-down UTC time with a milliseconds field, advanced by its own carry
// arithmetic. Linking protection and the time exchange use it.
#pragma once

#include <cstdint>

namespace vesk {

struct AleClock {
  int32_t ms = 0;      // 0-999
  int32_t second = 0;  // 0-59
  int32_t minute = 0;  // 0-59
  int32_t hour = 0;    // 0-23
  int32_t day = 1;     // day of the month, 1-31
  int32_t month = 0;   // 0-11, January = 0
  int32_t year = 0;    // counted from 1900
};

// The station's current UTC time, in whole seconds (milliseconds 0).
void ale_clock_now(AleClock* clock);
// Adds a number of milliseconds (a negative amount changes nothing).
void ale_clock_advance(AleClock* clock, int64_t ms);
// Days in a month (0-11) of a year counted from 1900.
int ale_clock_month_days(int month, int year);
// Called by a radio driver after reading the radio's clock; the station keeps its own time.
void ale_clock_set_stub(const AleClock* time);

}  // namespace vesk
