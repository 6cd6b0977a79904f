// One-minute link-quality ageing over a full table: 100 addresses x 257 channels, every
// address heard and every channel holding a score that ages without expiring.
#include <chrono>
#include <cstdio>
#include <string>

#include "db/database.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"

int main() {
  using namespace vesk;
  Station st("/tmp", std::make_unique<SimClock>());
  StationScope scope(st);
  db_set_lqa_timeout(1000000000);  // nothing expires: every record is aged each minute
  for (int i = 0; i < kOtherAddressCount; ++i) db_add_other_address(("S" + std::to_string(i)).c_str(), 0, 0, 0);
  {
    DbLock lock;
    for (auto& a : lock.db().other) {
      a.minutes_heard = 1;
      for (auto& q : a.lqa) q.measured_age = q.reported_age = 1;
    }
  }
  constexpr int kMinutes = 2000;
  const auto t0 = std::chrono::steady_clock::now();
  for (int m = 0; m < kMinutes; ++m) db_age_minute();
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("db_age_minute, 100 addresses x 257 channels: %.1f us per minute step (%d steps)\n",
              s * 1e6 / kMinutes, kMinutes);
  // The expiring case: no record holds a measured score, so each is reset every minute.
  db_set_lqa_timeout(1440);
  db_reset_all_lqa();
  const auto t1 = std::chrono::steady_clock::now();
  for (int m = 0; m < kMinutes; ++m) db_age_minute();
  const double s2 = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
  std::printf("db_age_minute, every record expired: %.1f us per minute step\n", s2 * 1e6 / kMinutes);
  return 0;
}
