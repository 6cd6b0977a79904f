#include "db/lqa.h"

namespace vesk {

namespace {

uint32_t reset_word(uint32_t w) {
  return lqa_with_multipath(lqa_with_sinad(lqa_with_ber(w, kLqaNoValue), kLqaNoValue), kLqaNoMultipath);
}

}  // namespace

void db_reset_lqa_record(LqaRecord* rec) {
  if (rec == nullptr) return;
  rec->measured = reset_word(rec->measured);
  rec->reported = reset_word(rec->reported);
  rec->measured_age = kAgeNever;
  rec->reported_age = kAgeNever;
}

void db_reset_lqa_column(LqaRecord* first) {
  if (first == nullptr) return;
  for (int ch = 0; ch < kChannelCount; ++ch) db_reset_lqa_record(first + ch);
}

}  // namespace vesk
