#include "radio/radio_shutdown.h"

#include <cstdint>

#include "db/options.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

enum class Step : uint8_t {
  CivSplitOff,         // CI-V 0F 00
  CivAfGain,           // CI-V 14 01 with the normal level (CAT muting only)
  KenwoodRxVfoA,       // FR0;
  KenwoodTxVfoA,       // FT0;
  KenwoodAfGainNewer,  // AG0nnn; for the newer models (CAT muting only)
  Pause,               // 200 ms
};

struct ShutdownRow {
  int type;
  Step steps[5];
  int count;
};

constexpr ShutdownRow kShutdownRows[] = {
    {DB_IC78, {Step::CivAfGain}, 1},
    {DB_IC703, {Step::CivAfGain}, 1},
    {DB_IC718, {Step::CivAfGain}, 1},
    {DB_R75, {Step::CivAfGain}, 1},
    {DB_R8500, {Step::CivAfGain}, 1},
    {DB_R9500, {Step::CivAfGain}, 1},
    {DB_IC746, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC746PRO, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC756PRO, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC756PROII, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC756PROIII, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC7000, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC7700, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC7800, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC7200, {Step::CivSplitOff, Step::CivAfGain}, 2},
    {DB_IC756, {Step::CivSplitOff}, 1},
    {DB_IC765, {Step::CivSplitOff, Step::Pause}, 2},
    {DB_KENWOOD, {Step::KenwoodRxVfoA, Step::Pause, Step::KenwoodTxVfoA, Step::Pause, Step::KenwoodAfGainNewer}, 5},
    {DB_KENWOOD_HS, {Step::KenwoodRxVfoA, Step::Pause, Step::KenwoodTxVfoA, Step::Pause, Step::KenwoodAfGainNewer}, 5},
};

constexpr int kShutdownPauseMs = 200;

const ShutdownRow* shutdown_row(int type) {
  for (const ShutdownRow& r : kShutdownRows)
    if (r.type == type) return &r;
  return nullptr;
}

void run_step(Step step, bool cat_mute, int level) {
  switch (step) {
    case Step::CivSplitOff: civ_split_off(); break;
    case Step::CivAfGain:
      if (cat_mute) civ_set_af_gain(level);
      break;
    case Step::KenwoodRxVfoA: kenwood_set_rx_vfo(cat_slot_next(), 0); break;
    case Step::KenwoodTxVfoA: kenwood_set_tx_vfo(cat_slot_next(), 0); break;
    case Step::KenwoodAfGainNewer:
      if (cat_mute && kenwood_model_full_featured()) kenwood_set_af_gain(cat_slot_next(), level);
      break;
    case Step::Pause: driver_pause_ms(kShutdownPauseMs); break;
  }
}

}  // namespace

void radio_shutdown() {
  // A transmission cut short by the shut-down: the transmitter is released first.
  if (ptt_is_active() != 0) ptt_off();
  const int type = driver_radio_type();
  if (radio_type_driver_built(type)) {
    if (const ShutdownRow* row = shutdown_row(type)) {
      const bool cat_mute = db_get_cat_mute() == 1;
      const int level = db_get_unmuted_af_level();
      for (int i = 0; i < row->count; ++i) run_step(row->steps[i], cat_mute, level);
    }
  }
  radio_mute_lines_off();
}

bool radio_queue_drained() { return serial_queue_count(SQ_RADIO) == 0; }

void serial_release_ports() {
  for (int role = 0; role < SERIAL_ROLE_COUNT; ++role) {
    SerialPort& port = serial_control(static_cast<SerialPortRole>(role));
    if (!port.is_open()) continue;
    port.set_rts(false);
    port.set_dtr(false);
    port.close();
  }
}

}  // namespace vesk
