// Golay decoding speed: every 12-bit data word with every error pattern of up to three bits
// (4096 × 2325, about 9.5 million decodes).
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "ale/words/golay.h"

int main() {
  using namespace vesk;
  std::vector<int32_t> patterns;
  for (int32_t e = 0; e < (1 << 24); ++e)
    if (std::popcount(static_cast<uint32_t>(e)) <= 3) patterns.push_back(e);
  long long decodes = 0, wrong = 0, error_sum = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (int32_t d = 0; d < 4096; ++d) {
    const int32_t check = ale_golay_encode(d);
    for (int32_t e : patterns) {
      int32_t corrected, errors;
      ale_golay_decode(d ^ (e >> 12), check ^ (e & 0xFFF), &corrected, &errors);
      wrong += corrected != d;
      error_sum += errors;
      ++decodes;
    }
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%lld decodes in %.3f s = %.1f M decodes/s, %.2f ns each (wrong %lld, error sum %lld)\n", decodes, s,
              decodes / s / 1e6, s / decodes * 1e9, wrong, error_sum);
  return wrong == 0 ? 0 : 1;
}
