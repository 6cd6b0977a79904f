#include "ale/words/ale_clock.h"

#include <ctime>

#include "platform/station.h"

namespace vesk {

namespace {
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Gregorian rule on the calendar year. (The plain "divisible by 4 and not by 100" rule on the
// year counted from 1900 would make 2000 and 2400 common years.)
bool leap_year(int year_from_1900) {
  const int y = year_from_1900 + 1900;
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

void add_day(AleClock* c) {
  ++c->day;
  if (c->day <= ale_clock_month_days(c->month, c->year)) return;
  c->day = 1;
  if (++c->month > 11) {
    c->month = 0;
    ++c->year;
  }
}
}  // namespace

int ale_clock_month_days(int month, int year) {
  if (month < 0 || month > 11) return 31;
  return (month == 1 && leap_year(year)) ? 29 : kMonthDays[month];
}

void ale_clock_now(AleClock* clock) {
  const std::tm t = station().clock().utc_tm();
  clock->ms = 0;
  clock->second = t.tm_sec;
  clock->minute = t.tm_min;
  clock->hour = t.tm_hour;
  clock->day = t.tm_mday;
  clock->month = t.tm_mon;
  clock->year = t.tm_year;
}

void ale_clock_advance(AleClock* clock, int64_t ms) {
  if (ms <= 0) return;
  int64_t sum = clock->ms + ms;
  clock->ms = static_cast<int32_t>(sum % 1000);
  if (sum < 1000) return;
  sum = clock->second + sum / 1000;
  clock->second = static_cast<int32_t>(sum % 60);
  if (sum < 60) return;
  sum = clock->minute + sum / 60;
  clock->minute = static_cast<int32_t>(sum % 60);
  if (sum < 60) return;
  sum = clock->hour + sum / 60;
  clock->hour = static_cast<int32_t>(sum % 24);
  // Callers advance by less than a day; a longer step still carries every whole day.
  for (int64_t days = sum / 24; days > 0; --days) add_day(clock);
}

void ale_clock_set_stub(const AleClock*) {}

}  // namespace vesk
