// Harness pieces for the 8-FSK modem: see fsk_link.h.
#include "sim/fsk_link.h"

#include <algorithm>
#include <cmath>

#include "ale/engine/events.h"
#include "modem/fsk8.h"

namespace vesk {

void sim_fsk_modulate(const uint8_t* symbols, int count, int rate, float amplitude,
                      std::vector<float>& out) {
  const int per_symbol = rate / 125;
  for (int k = 0; k < count; ++k) {
    const int v = symbols[k];
    if (v == FSK_SILENCE_SYMBOL || v > FSK_TUNE_SYMBOL) {
      out.insert(out.end(), static_cast<std::size_t>(per_symbol), 0.0f);
      continue;
    }
    const double f = v == FSK_TUNE_SYMBOL ? 750.0 : kFskToneHz[v];
    const double a = v == FSK_TUNE_SYMBOL ? amplitude * 0.5 : amplitude;
    for (int n = 0; n < per_symbol; ++n)
      out.push_back(static_cast<float>(a * std::cos(2 * 3.14159265358979323846 * f * n / rate)));
  }
}

void sim_fsk_modulate_words(const std::vector<AleWord>& words, int rate, float amplitude,
                            std::vector<float>& out) {
  uint8_t symbols[ALE_WORD_SYMBOLS];
  for (AleWord w : words) {
    ale_encode_word_symbols(w & 0xFFFFFF, symbols);
    sim_fsk_modulate(symbols, ALE_WORD_SYMBOLS, rate, amplitude, out);
  }
}

void sim_fsk_receive(SimFskReceiver& rx, const float* x, int count, int block) {
  block = std::clamp(block, 1, FSK_RX_BLOCK_SAMPLES);
  int16_t pcm[FSK_RX_BLOCK_SAMPLES];
  for (int i = 0; i < count; i += block) {
    const int n = std::min(block, count - i);
    for (int k = 0; k < n; ++k) {
      const long q = std::lround(static_cast<double>(x[i + k]) * 32767.0);
      pcm[k] = static_cast<int16_t>(std::clamp(q, -32768L, 32767L));
    }
    fsk_process_block(fsk_state(), pcm, n);
    rx.samples += n;
    EngineEvent e;
    while (ale_engine_event_pop(&e)) {
      if (e.event == EV_ALE_WORD) {
        if (rx.on_word) rx.on_word(SimRxWord{rx.samples, e.record});
      } else if (e.event == EV_ALE_TX_UNDERUN) {
        ++rx.underruns;
      }
    }
  }
}

}  // namespace vesk
