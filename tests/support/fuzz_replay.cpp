// Replay driver for the fuzz targets in builds without libFuzzer: feeds each target a fixed
// set of seeded random inputs (bytes, printable text and lines of words), so the targets run
// under every build and its sanitizers. The libFuzzer build explores further.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main() {
  std::mt19937 rng(12345);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 \"#@?\n\r\t{}/.,-_";
  int runs = 0;
  for (int i = 0; i < 3000; ++i, ++runs) {
    std::string input;
    const std::size_t len = rng() % (i % 10 == 0 ? 4000 : 200);
    for (std::size_t k = 0; k < len; ++k) {
      if (i % 3 == 0)
        input += static_cast<char>(rng() & 0xFF);
      else
        input += alphabet[rng() % alphabet.size()];
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
  std::printf("fuzz replay: %d inputs\n", runs);
  return 0;
}
