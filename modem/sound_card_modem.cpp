// The serial-tone modem on the sound card: its transmit worker and receiver, its place in the
// sound path, and its two status texts.
#include <cstring>

#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"

namespace vesk {

namespace {

void post_texts(SoundCardState& sc) { display_post_modem_text(sc.modem_rx_text, sc.modem_tx_text); }

// Receiver status, on the audio thread.
void rx_status(M110Status status, float hz) {
  SoundCardState& sc = sound_card();
  switch (status) {
    case M110Status::RxMode:
      sc.modem_rx_text = std::string("RX ") + m110_mode_info(sc.m110_rx->rx_mode()).display_name;
      post_texts(sc);
      if (sc.data_link_hooks.rx_start) sc.data_link_hooks.rx_start();
      break;
    case M110Status::RxEnd:
      sc.modem_rx_text.clear();
      post_texts(sc);
      display_post_freq_offset(0.0f);
      if (sc.data_link_hooks.rx_end) sc.data_link_hooks.rx_end();
      break;
    case M110Status::FreqOffset: display_post_freq_offset(hz); break;
    default: break;
  }
}

}  // namespace

void m110_setup() {
  SoundCardState& sc = sound_card();
  if (!sc.m110_tx) {
    sc.m110_tx_carrier_step = std::make_shared<std::atomic<float>>(m110_carrier_step_from_settings());
    M110TxWorkerConfig tx;
    tx.block_samples = kModemBlockSamples;
    tx.carrier_step = [step = sc.m110_tx_carrier_step] { return step->load(); };
    sc.m110_tx = std::make_unique<M110TxWorker>(std::move(tx));
  }
  if (!sc.m110_rx) {
    M110RxConfig rx;
    rx.on_byte = [](int byte) {
      SoundCardState& card = sound_card();
      if (card.data_link_hooks.rx_byte) card.data_link_hooks.rx_byte(byte);
    };
    rx.status = rx_status;
    rx.carrier_step = m110_carrier_step_from_settings;
    sc.m110_rx = std::make_unique<M110Receiver>(std::move(rx));
  }
  sc.m110_tx->set_enabled(true);
  sc.m110_rx->set_enabled(true);
  sc.last_submitted_idle = true;
  sc.modem_in_message = false;
  sc.last_finished_modem = false;
  sc.modem_rx_text.clear();
  sc.modem_tx_text.clear();
}

int m110_is_active() {
  switch (db_get_twx_mode()) {
    case 2: return 1;
    case 1: {
      SoundCardState& sc = sound_card();
      return sc.ale_hooks.link_ready && sc.ale_hooks.link_ready() ? 1 : 0;
    }
    default: return 0;
  }
}

bool m110_transmit(const uint8_t* data, std::size_t length, const std::string& mode) {
  SoundCardState& sc = sound_card();
  const int m = m110_mode_from_name(mode);
  if (!sc.m110_tx || m < 0) return false;
  sc.m110_tx_carrier_step->store(m110_carrier_step_from_settings());
  return sc.m110_tx->send(data, length, m);
}

void m110_rx_reset() {
  SoundCardState& sc = sound_card();
  if (sc.m110_rx) sc.m110_rx->reset();
}

void snd_m110_rx_block(const int16_t* samples, int count) {
  SoundCardState& sc = sound_card();
  if (!sc.m110_rx || !m110_is_active()) return;
  sc.m110_rx->rx_samples16(samples, count);
}

// The next modem block for the feed, when one may go now. A message starts only once the
// transmission before it (ALE words or another message) has ended on the air, its release
// included, and after an idle block: so each is keyed after the release before it, heard with
// its own preamble and ended by itself. A block popped while the modem is out of the sound path
// is dropped; the end of its message is still reported.
bool snd_m110_next_block(float* block, M110TxWorker::BlockInfo* info) {
  SoundCardState& sc = sound_card();
  if (!sc.m110_tx) return false;
  if (!sc.modem_in_message && !(sc.last_submitted_idle && sc.audio_state.load() == AUDIO_RX)) return false;
  // A harness on simulated time, and a message under way, wait for the worker's next block.
  const bool wait = !sc.threaded || sc.modem_in_message;
  if (!sc.m110_tx->pop_block(block, info, wait)) return false;
  sc.modem_in_message = !info->last;
  if (m110_is_active()) return true;
  if (info->first)
    log_printf("[%s][%s][MODEM ERROR: SERIAL-TONE MODEM NOT IN THE SOUND PATH (TWX MODE), TRANSMISSION NOT SENT]\n",
               log_time_stamp().c_str(), log_current_channel_stamp().c_str());
  if (info->last && sc.data_link_hooks.tx_end) sc.data_link_hooks.tx_end();
  return false;
}

// The start and the end of a modem transmission on the air.
void snd_m110_tx_started(int mode) {
  SoundCardState& sc = sound_card();
  if (sc.radio_hooks.ptt_on) sc.radio_hooks.ptt_on();
  sc.modem_tx_text = std::string("TX ") + m110_mode_info(mode).display_name;
  post_texts(sc);
}

void snd_m110_tx_ended() {
  SoundCardState& sc = sound_card();
  sc.modem_tx_text.clear();
  post_texts(sc);
  if (sc.data_link_hooks.tx_end) sc.data_link_hooks.tx_end();
}

}  // namespace vesk
