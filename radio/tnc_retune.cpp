// The retune for TNC data: the data mode and the frequency shift, in the form the radio's row
// names (`RadioTypeRow::tnc`), and the split sequences of the models that need one while
// scanning.
#include "radio/serial_output.h"
#include "radio/tnc_retune.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/radio_types.h"
#include "radio/drivers/yaesu.h"
#include "radio/family_ops.h"
#include "radio/radio_hooks.h"

namespace vesk {

namespace {

constexpr int kModePkt = 16;
// The data mode code some radios take for USB-D and LSB-D.
constexpr int kModeYaesuData = 14;

// Each TNC data mode setting: the mode sent, and which field of the radio's row says it takes it.
struct DataModeRow {
  int mode;       // the mode code sent
  int skip_when;  // no mode command when the scan channel receives in this mode; -1: never
  bool TncRetune::*takes;
};
const DataModeRow kDataModes[] = {
    {MODE_USB, MODE_USB, &TncRetune::sideband},
    {MODE_LSB, MODE_LSB, &TncRetune::sideband},
    {MODE_USB_D, MODE_USB_D, &TncRetune::data_sideband},
    {MODE_LSB_D, MODE_LSB_D, &TncRetune::data_sideband},
    {MODE_FSK, -1, &TncRetune::fsk},
    {MODE_FSK_R, -1, &TncRetune::fsk_r},
    {kModePkt, -1, &TncRetune::pkt},
    {MODE_RTTY, -1, &TncRetune::rtty},
};

int mode_for(const DataModeRow& m, const TncRetune& tnc) {
  const bool data_sideband = m.mode == MODE_USB_D || m.mode == MODE_LSB_D;
  return data_sideband && tnc.yaesu_data_mode ? kModeYaesuData : m.mode;
}

void wait_ms(int ms) { radio_pause_ms(ms); }

// Calls `f` when the family has it; true when it did.
template <typename F, typename... Args>
bool call(F f, Args... args) {
  if (f == nullptr) return false;
  f(args...);
  return true;
}

// The Kenwood split sequence for a data mode: both VFOs take the mode, receive on A and
// transmit on B.
void kenwood_split_mode(const RadioTypeRow& row, const FamilyOps& ops, int mode) {
  ops.set_mode(row, mode);
  kenwood_set_rx_vfo(cat_slot_next(), 1), wait_ms(100);
  kenwood_set_tx_vfo(cat_slot_next(), 0), wait_ms(100);
  ops.set_mode(row, mode), wait_ms(100);
  wait_ms(500);
  kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(100);
  kenwood_set_tx_vfo(cat_slot_next(), 1), wait_ms(100);
}

// The shifted frequency in the type's form; true when a command went out.
bool send_shift(const RadioTypeRow& row, const FamilyOps& ops, uint32_t hz, bool scanning) {
  if (scanning && row.tnc.split_while_scanning && ops.set_freq != nullptr && ops.set_vfo_b_freq != nullptr) {
    ops.set_freq(row, hz), wait_ms(100);
    ops.set_vfo_b_freq(row, hz), wait_ms(100);
    wait_ms(500);
    kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(100);
    kenwood_set_tx_vfo(cat_slot_next(), 1), wait_ms(100);
    return true;
  }
  switch (row.tnc.shift_form) {
    case TncShiftForm::RxTx:
    case TncShiftForm::VfoAThenB: {
      const auto second = row.tnc.shift_form == TncShiftForm::RxTx ? ops.set_tx_freq : ops.set_vfo_b_freq;
      bool sent = call(ops.set_freq, row, hz);
      if (sent && second != nullptr && scanning) wait_ms(100);
      return call(second, row, hz) || sent;
    }
    case TncShiftForm::ChannelSelect: return call(ops.select_channel_freq, row, hz);
    case TncShiftForm::Single: break;
  }
  if (!call(ops.set_freq, row, hz)) return false;
  if (!scanning) return true;
  if (row.family == DriverFamily::IcomCiv && row.vfo_a_after_tnc) wait_ms(100), civ_vfo_a0();
  if (row.tnc.split_after_shift) wait_ms(100), cat_send(yaesu_op(0x00, 0x85));
  return true;
}

struct RetuneState {
  std::atomic<bool> radio_changed{false};  // the last retune sent the radio a command
};
RetuneState& retune_state() { return station().state<RetuneState>(); }

}  // namespace

void radio_tnc_retune() {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const RadioTypeRow& row = configured_radio();
  const FamilyOps& ops = radio_ops(row);
  const bool scanning = radio_scanning();
  bool sent = false;

  const int data_mode = db_get_tnc_data_mode();
  if (data_mode >= TNC_DATA_USB && data_mode <= TNC_DATA_RTTY) {
    const DataModeRow& m = kDataModes[data_mode];
    ChannelRecord scan{};
    const bool already = m.skip_when >= 0 && db_copy_channel(db_current_scan_channel(), &scan) == 0 &&
                         scan.rx_mode == m.skip_when;
    if (!already && row.tnc.*m.takes && ops.set_mode != nullptr) {
      const int mode = mode_for(m, row.tnc);
      const bool split = scanning && row.tnc.split_while_scanning &&
                         (data_mode == TNC_DATA_USB || data_mode == TNC_DATA_LSB || data_mode == TNC_DATA_FSK);
      split ? kenwood_split_mode(row, ops, mode) : ops.set_mode(row, mode);
      sent = true;
    }
  }

  const double offset_khz = db_get_freq_offset_khz();
  if (offset_khz != 0 && std::isfinite(offset_khz) && row.tnc.shift) {
    const double shift_hz = (db_get_freq_offset_add() == 1 ? offset_khz : -offset_khz) * 1000.0;
    const double hz = std::trunc(static_cast<double>(db_get_current_rx_freq()) + shift_hz);
    // A shift below zero or beyond the drivers' 32 bits has no frequency to send.
    if (hz > 0 && hz <= static_cast<double>(UINT32_MAX)) sent = send_shift(row, ops, static_cast<uint32_t>(hz), scanning) || sent;
  }
  if (sent) retune_state().radio_changed = true;
}

void radio_tnc_restore() {
  const bool changed = retune_state().radio_changed.exchange(false);
  if (!changed && db_get_tnc_data_mode() == TNC_DATA_USB && db_get_freq_offset_khz() == 0) return;
  radio_reset_alechan();
}

}  // namespace vesk
