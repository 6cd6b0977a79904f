// Binds the sound card's hooks to the station's own 8-FSK modem and word queue.
#include "ale/link/vad.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/locked_queue.h"
#include "modem/aqc_burst.h"
#include "modem/fsk8.h"
#include "modem/sound_card.h"
#include "modem/wav_player.h"

namespace vesk {

namespace {

// Whether symbols wait beyond those already taken. The word queue keeps a block at its head
// until the reader asks past its last symbol; a block whose 49 symbols have all been taken
// is not waiting, so the last word of a frame is tagged as the last block.
int symbols_waiting() {
  WordQueueState& q = word_queue_state();
  if (q.tx_queue == nullptr) return ALE_TX_DRAINED;
  const bool exhausted = q.tx_index.load(std::memory_order_relaxed) >= ALE_WORD_SYMBOLS;
  const int queued = queue_count(q.tx_queue);
  if (!exhausted) return ALE_TX_SYMBOLS_WAITING;
  return queued > (q.tx_block != nullptr ? 1 : 0) ? ALE_TX_SYMBOLS_WAITING : ALE_TX_DRAINED;
}

}  // namespace

void snd_bind_station_modules() {
  SoundCardHooks& h = sound_card().hooks;
  h.fsk_init = [] { fsk_init(); };
  h.fsk_build_tone_tables = []() -> const int16_t* {
    fsk_build_tone_tables();
    return fsk_state().tone_tables.data();
  };
  h.fsk_process_block = [](const int16_t* s, int n) { fsk_process_block(s, n); };
  h.fsk_clear_display_bins = [] { fsk_clear_display_bins(); };
  h.ale_tx_symbols_pending = [] { return symbols_waiting(); };
  h.ale_tx_next_symbol = [] { return ale_tx_next_symbol(); };
  h.ale_post_tx_underrun = [] { ale_post_tx_underrun(); };
  h.ale_reset_receiver = [] { ale_reset_receiver(); };
  h.aqc_build_burst_waveform = []() -> const int16_t* {
    AqcBurstState& b = aqc_burst_state();
    aqc_build_burst_waveform(b.samples.data());
    return b.samples.data();
  };
  h.ale_vad_hook = [] { ale_vad_hook(); };
  h.player_next_block = [](int16_t* dst, int max) { return wav_player_next_block(dst, max); };
  h.player_block_played = [] { wav_player_block_played(); };
}

}  // namespace vesk
