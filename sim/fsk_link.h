// Harness pieces for running ALE words through the 8-FSK modem without a sound card: a
// modulator that renders symbol values as tones at any sample rate, and a receiver that
// feeds 8 kHz samples to the station's demodulator block by block and collects the words
// the word receiver posts (the caller binds `ale_rx_symbol` as the demodulator's symbol
// handler). Used by tests, benchmarks and the tools.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ale/words/word_queue.h"

namespace vesk {

// Appends one symbol time per value (0-7 tones, 8 the tune tone, 9 silence) at `rate`
// samples per second (a multiple of 125 Hz times the symbol's samples), scaled by `amplitude`.
void sim_fsk_modulate(const uint8_t* symbols, int count, int rate, float amplitude,
                      std::vector<float>& out);
// Appends the 49 symbols of each word.
void sim_fsk_modulate_words(const std::vector<AleWord>& words, int rate, float amplitude,
                            std::vector<float>& out);

// One word as the receiver posted it, with the 8 kHz sample count at which it was posted.
struct SimRxWord {
  int64_t sample = 0;
  RxWordRecord record;
};

struct SimFskReceiver {
  int64_t samples = 0;   // 8 kHz samples fed so far
  // Called for every EV_ALE_WORD as it is posted; may call ale_reset_receiver.
  std::function<void(const SimRxWord&)> on_word;
  int underruns = 0;
};

// Feeds `count` 8 kHz samples (full scale 1.0) through fsk_process_block in blocks of at
// most `block` samples, taking the engine events after each block.
void sim_fsk_receive(SimFskReceiver& rx, const float* x, int count, int block = 64);

}  // namespace vesk
