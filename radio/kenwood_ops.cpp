// The Kenwood ASCII family's operations (the eight Kenwood types). What an identified model
// takes is read from the model code the identity reply left (radio/drivers/kenwood_identify.h).
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/family_ops.h"
#include "radio/keying.h"
#include "radio/serial_output.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }

// The models that need half a second more after the transmit VFO's mode.
bool slow_model(int32_t model) { return model == 3 || model == 6 || model == 8 || model == 12; }

void set_freq(const RadioTypeRow&, uint32_t hz) { kenwood_set_vfo_a_freq(cat_slot_next(), hz); }
void set_mode(const RadioTypeRow&, int mode) { kenwood_set_mode(cat_slot_next(), mode); }
void set_vfo_b_freq(const RadioTypeRow&, uint32_t hz) { kenwood_set_vfo_b_freq(cat_slot_next(), hz); }

void ptt_on(const RadioTypeRow& row, int tx_mode) {
  const int32_t model = kenwood_model();
  uint8_t* slot = cat_slot_next();
  // The TS-480 and TS-590 key the microphone (TX0) for voice and the data input (TX1) else.
  if (row.kenwood_group == KenwoodGroup::Kenwood && (model == 20 || model == 21)) {
    if (tx_mode == MODE_LSB || tx_mode == MODE_USB) kenwood_ptt_on_tx0(slot);
    else kenwood_ptt_on_tx1(slot);
  } else {
    kenwood_ptt_on(slot);
  }
}
void ptt_off(const RadioTypeRow&) { kenwood_ptt_off(cat_slot_next()); }

void channel_freq_mode(const RadioTypeRow&, const ChannelRecord& ch) {
  kenwood_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(ch.rx_freq_hz));
  radio_set_vfo_freq(ch.rx_freq_hz);
  if (radio_mode_first()) {
    const int32_t model = kenwood_model();
    kenwood_set_rx_vfo(cat_slot_next(), 1);
    wait_ms(100);
    kenwood_set_tx_vfo(cat_slot_next(), 0);
    wait_ms(100);
    kenwood_set_mode(cat_slot_next(), ch.tx_mode);
    wait_ms(200);
    if (slow_model(model)) wait_ms(500);
    kenwood_set_rx_vfo(cat_slot_next(), 0);
    wait_ms(200);
    kenwood_set_tx_vfo(cat_slot_next(), 0);
    wait_ms(200);
  }
  if (radio_mode_due(ch)) {
    kenwood_set_mode(cat_slot_next(), ch.rx_mode);
    radio_mode_remember(ch);
    wait_ms(100);
  }
}

void tune_channel(const RadioTypeRow&, const ChannelRecord& ch) {
  kenwood_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(ch.rx_freq_hz));
  wait_ms(200);
  kenwood_set_mode(cat_slot_next(), ch.rx_mode);
}

void set_freq_mode(const RadioTypeRow&, const ChannelRecord& ch) {
  kenwood_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(ch.rx_freq_hz)),
      kenwood_set_mode(cat_slot_next(), ch.rx_mode);
}

void split_freq_mode(const RadioTypeRow&, const ChannelRecord& w) {
  const int32_t model = kenwood_model();
  kenwood_set_mode(cat_slot_next(), w.rx_mode), wait_ms(100);
  kenwood_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(w.rx_freq_hz)), wait_ms(100);
  kenwood_set_rx_vfo(cat_slot_next(), 1), wait_ms(100);
  kenwood_set_tx_vfo(cat_slot_next(), 0), wait_ms(100);
  kenwood_set_mode(cat_slot_next(), w.tx_mode), wait_ms(100);
  kenwood_set_vfo_b_freq(cat_slot_next(), static_cast<uint32_t>(w.tx_freq_hz)), wait_ms(100);
  if (slow_model(model)) wait_ms(500);
  kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(100);
  kenwood_set_tx_vfo(cat_slot_next(), 1), wait_ms(100);
}

// Receive on VFO A, the transmit frequency and mode on VFO B, transmit on B; sent before
// every transmission whether or not the frequency changed.
void prepare_tx(const RadioTypeRow& row, int tx_hz, int tx_mode, bool) {
  const bool hs = row.long_split_waits;
  const int32_t model = kenwood_model();
  kenwood_set_rx_vfo(cat_slot_next(), 1);
  wait_ms(hs ? 100 : 25);
  kenwood_set_tx_vfo(cat_slot_next(), 0);
  wait_ms(hs ? 300 : 100);
  kenwood_set_mode(cat_slot_next(), tx_mode);
  wait_ms(hs ? 100 : 25);
  kenwood_set_vfo_b_freq(cat_slot_next(), static_cast<uint32_t>(tx_hz));
  wait_ms(hs ? 200 : 25);
  if (slow_model(model)) wait_ms(hs ? 500 : 125);
  kenwood_set_rx_vfo(cat_slot_next(), 0);
  wait_ms(hs ? 100 : 25);
  kenwood_set_tx_vfo(cat_slot_next(), 1);
  wait_ms(hs ? 100 : 25);
}

void scan_split(const RadioTypeRow&, bool on) {
  if (on) {
    const int32_t model = kenwood_model();
    if (model != 4 && model != 5) {
      kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(200);
      kenwood_set_tx_vfo(cat_slot_next(), 1), wait_ms(200);
    }
  } else {
    kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(200);
    kenwood_set_tx_vfo(cat_slot_next(), 0), wait_ms(200);
  }
}

void attenuator(const RadioTypeRow&, bool on) {
  if (kenwood_model_full_featured()) on ? kenwood_attenuator_on(cat_slot_next()) : kenwood_attenuator_off(cat_slot_next());
}

void set_af_gain(const RadioTypeRow&, int level) { kenwood_set_af_gain(cat_slot_next(), level); }
void mute_af_gain(const RadioTypeRow&, int level) {
  if (kenwood_model_full_featured()) kenwood_set_af_gain(cat_slot_next(), level);
}

// The identified models that take the antenna command, by the type's group.
bool antenna_model(KenwoodGroup group) {
  const int32_t m = kenwood_model();
  switch (group) {
    case KenwoodGroup::Kenwood: return m == 5 || m == 15 || (m >= 17 && m <= 21);
    case KenwoodGroup::Kenwood4: return m == 20 || m == 21;
    default: return m == 15 || (m >= 17 && m <= 21);
  }
}

AntennaResult select_antenna(const RadioTypeRow& row, int port) {
  if (!antenna_model(row.kenwood_group)) return AntennaResult::NotNow;
  if (port < 1 || port > row.antenna_ports) return AntennaResult::NoSuchPort;
  port == 1 ? kenwood_select_ant1(cat_slot_next()) : kenwood_select_ant2(cat_slot_next());
  return AntennaResult::Selected;
}

int tuner(const RadioTypeRow&, TunerStep step) {
  if (!kenwood_model_full_featured()) return 0;
  switch (step) {
    case TunerStep::On: kenwood_tuner_on(cat_slot_next()); break;
    case TunerStep::Bypass: kenwood_tuner_bypass(cat_slot_next()); break;
    case TunerStep::Start: kenwood_tuner_start(cat_slot_next()); break;
    case TunerStep::Off: kenwood_tuner_off(cat_slot_next()); break;
  }
  return 1;
}

}  // namespace

// The set-up commands follow the radio's answer to "ID;" (the reply handler), paced on the
// radio's timer.
const FamilyOps kKenwoodOps{
    .built = true,
    .set_freq = set_freq,
    .set_mode = set_mode,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = tune_channel,
    .set_freq_mode = set_freq_mode,
    .split_freq_mode = split_freq_mode,
    .prepare_tx = prepare_tx,
    .scan_split = scan_split,
    .attenuator = attenuator,
    .set_af_gain = set_af_gain,
    .mute_af_gain = mute_af_gain,
    .select_antenna = select_antenna,
    .tuner = tuner,
    .on_reply = kenwood_handle_reply,
    .on_timer = kenwood_setup_timer,
    .set_vfo_b_freq = set_vfo_b_freq,
};

}  // namespace vesk
