// The tuning words built at -O0 (this program compiles the computation itself, unoptimised):
// the same words as the library's optimised build gives (tentec_test.cpp).
#include <gtest/gtest.h>

#include "tests/drivers/tentec_tuning_cases.h"

namespace vesk {
namespace {

TEST(TenTecTuningAtO0, ReferenceWords) {
  for (const test::TuningCase& c : test::kTuningCases) {
    const TuningWords w = tentec_tuning_words(c.side, c.hz, c.mode);
    EXPECT_EQ(w.coarse, c.want.coarse) << c.hz;
    EXPECT_EQ(w.fine, c.want.fine) << c.hz;
    EXPECT_EQ(w.bfo, c.want.bfo) << c.hz;
  }
}

}  // namespace
}  // namespace vesk
