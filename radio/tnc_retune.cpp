// The retune for TNC data: which radio types take the data mode and the frequency shift, in
// which command form, and the split sequences of the models that need one while scanning.
#include "radio/serial_output.h"
#include "radio/tnc_retune.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <span>

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

// The radio types that take the frequency shift.
constexpr int kShiftSet[] = {
    DB_DX77T,
    DB_IC78, DB_IC703, DB_IC706, DB_IC706MKII, DB_IC706MKIIG, DB_IC707, DB_IC718, DB_IC725, DB_IC726, DB_IC728,
    DB_IC729, DB_IC735, DB_IC736, DB_IC737, DB_IC738, DB_IC746, DB_IC746PRO, DB_IC751, DB_IC756, DB_IC756PRO,
    DB_IC756PROII, DB_IC756PROIII, DB_IC761, DB_IC765, DB_IC775DSP, DB_IC781, DB_IC7000, DB_IC7700, DB_IC7800,
    DB_IC7200, DB_TT586,
    DB_ICM700PRO, DB_ICM710, DB_ICM710RT, DB_ICM801E, DB_ICM802, DB_ICF7000,
    DB_JST245, DB_K505DSP, DB_KENWOOD, DB_KENWOOD_HS, DB_SGC2000,
    DB_FT450, DB_FT450HS, DB_FT650, DB_FT757GX, DB_FT767, DB_FT600, DB_FT817, DB_FT897, DB_VX1700, DB_FT847,
    DB_FT890, DB_FT920, DB_FT950, DB_FT950HS, DB_FT980, DB_FT990, DB_FT1000MP, DB_FT1000MP_QSS, DB_FTDX9000,
    DB_FT2000, DB_FT2000HS,
    DB_RF350, DB_RF350ALK, DB_RF350ALK_TNC, DB_RF350KWT, DB_RF5022, DB_RF5800,
    DB_TT516, DB_TT538, DB_TT550, DB_TT550MA, DB_TT585, DB_TT588RAD, DB_TT588REM,
    DB_TK80, DB_TK90, DB_TK90_HS,
};

// The types that take USB-D and LSB-D.
constexpr int kDataSidebandTypes[] = {DB_IC703,       DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC746PRO,
                                      DB_IC7800,      DB_FT817,    DB_VX1700,     DB_FT920};
constexpr int kFskTypes[] = {DB_IC78,     DB_IC703,       DB_IC706,    DB_IC706MKII, DB_IC706MKIIG, DB_IC718,
                             DB_IC746,    DB_IC746PRO,    DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC761,
                             DB_IC7000,   DB_IC7700,      DB_IC7800,   DB_IC7200,    DB_ICM710,     DB_KENWOOD,
                             DB_KENWOOD_HS, DB_FT920,     DB_FT1000MP, DB_TK80,      DB_TK90,       DB_TK90_HS};
constexpr int kFskRTypes[] = {DB_IC703,  DB_IC746,  DB_IC746PRO, DB_IC756PRO,   DB_IC756PROII, DB_IC756PROIII, DB_IC7000,
                              DB_IC7700, DB_IC7800, DB_IC7200,   DB_KENWOOD,    DB_KENWOOD_HS, DB_FT920,       DB_FT1000MP};
constexpr int kPktTypes[] = {DB_FT450,   DB_FT450HS,  DB_FT767, DB_FT920,   DB_FT950, DB_FT950HS,
                             DB_FT990,   DB_FT1000MP, DB_FTDX9000, DB_FT2000, DB_FT2000HS};
constexpr int kRttyTypes[] = {DB_DX77T,     DB_IC78,         DB_IC703,    DB_IC706,    DB_IC706MKII, DB_IC706MKIIG,
                              DB_IC718,     DB_IC746,        DB_IC746PRO, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII,
                              DB_IC761,     DB_IC765,        DB_IC775DSP, DB_IC781,    DB_IC7000,    DB_IC7700,
                              DB_IC7800,    DB_IC7200,       DB_JST245,   DB_RF350ALK, DB_RF350ALK_TNC, DB_RF5022,
                              DB_RF5800};

constexpr int kModePkt = 16;
// The FT-817 and VX-1700 take their data mode (code 14) for USB-D and LSB-D.
constexpr int kModeYaesuData = 14;

struct DataModeRow {
  int mode;                  // the mode code sent
  int skip_when;             // no mode command when the scan channel receives in this mode; -1: never
  std::span<const int> types;
  bool shift_set_but_sgc;    // the types are the shift set less the SGC-2000
};
const DataModeRow kDataModes[] = {
    {MODE_USB, MODE_USB, {}, true},
    {MODE_LSB, MODE_LSB, {}, true},
    {MODE_USB_D, MODE_USB_D, kDataSidebandTypes, false},
    {MODE_LSB_D, MODE_LSB_D, kDataSidebandTypes, false},
    {MODE_FSK, -1, kFskTypes, false},
    {MODE_FSK_R, -1, kFskRTypes, false},
    {kModePkt, -1, kPktTypes, false},
    {MODE_RTTY, -1, kRttyTypes, false},
};

bool listed(std::span<const int> types, int type) { return std::find(types.begin(), types.end(), type) != types.end(); }

bool takes_mode(const DataModeRow& m, int type) {
  return m.shift_set_but_sgc ? type != DB_SGC2000 && listed(kShiftSet, type) : listed(m.types, type);
}

int mode_for(const DataModeRow& m, int type) {
  const bool data_sideband = m.mode == MODE_USB_D || m.mode == MODE_LSB_D;
  return data_sideband && (type == DB_FT817 || type == DB_VX1700) ? kModeYaesuData : m.mode;
}

// How a type takes the shifted frequency.
enum class ShiftForm {
  Single,         // its frequency command (the VFO A command where the driver sets VFO A)
  RxTx,           // the receive and the transmit frequency commands
  VfoAThenB,      // VFO A, then VFO B
  ChannelSelect,  // the channel-select command with the frequency as its value
};
ShiftForm shift_form(int type) {
  switch (type) {
    case DB_ICM700PRO: case DB_ICM710: case DB_ICM710RT: case DB_ICM801E: case DB_ICM802: case DB_ICF7000:
    case DB_K505DSP: case DB_RF5022: case DB_RF5800:
      return ShiftForm::RxTx;
    case DB_FT600: return ShiftForm::VfoAThenB;
    case DB_SGC2000: return ShiftForm::ChannelSelect;
    default: return ShiftForm::Single;
  }
}

bool kenwood_ascii(int type) { return type == DB_KENWOOD || type == DB_KENWOOD_HS; }

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
  const int type = row.number;
  if (scanning && kenwood_ascii(type) && ops.set_freq != nullptr && ops.set_vfo_b_freq != nullptr) {
    ops.set_freq(row, hz), wait_ms(100);
    ops.set_vfo_b_freq(row, hz), wait_ms(100);
    wait_ms(500);
    kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(100);
    kenwood_set_tx_vfo(cat_slot_next(), 1), wait_ms(100);
    return true;
  }
  switch (shift_form(type)) {
    case ShiftForm::RxTx:
    case ShiftForm::VfoAThenB: {
      const auto second = shift_form(type) == ShiftForm::RxTx ? ops.set_tx_freq : ops.set_vfo_b_freq;
      bool sent = call(ops.set_freq, row, hz);
      if (sent && second != nullptr && scanning) wait_ms(100);
      return call(second, row, hz) || sent;
    }
    case ShiftForm::ChannelSelect: return call(ops.select_channel_freq, row, hz);
    case ShiftForm::Single: break;
  }
  if (!call(ops.set_freq, row, hz)) return false;
  if (!scanning) return true;
  if (row.family == DriverFamily::IcomCiv && row.vfo_a_after_tnc) wait_ms(100), civ_vfo_a0();
  if (type == DB_FT990) wait_ms(100), cat_send(yaesu_op(0x00, 0x85));
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
  const int type = row.number;
  const bool scanning = radio_scanning();
  bool sent = false;

  const int data_mode = db_get_tnc_data_mode();
  if (data_mode >= TNC_DATA_USB && data_mode <= TNC_DATA_RTTY) {
    const DataModeRow& m = kDataModes[data_mode];
    ChannelRecord scan{};
    const bool already = m.skip_when >= 0 && db_copy_channel(db_current_scan_channel(), &scan) == 0 &&
                         scan.rx_mode == m.skip_when;
    if (!already && takes_mode(m, type) && ops.set_mode != nullptr) {
      const int mode = mode_for(m, type);
      const bool split = scanning && kenwood_ascii(type) &&
                         (data_mode == TNC_DATA_USB || data_mode == TNC_DATA_LSB || data_mode == TNC_DATA_FSK);
      split ? kenwood_split_mode(row, ops, mode) : ops.set_mode(row, mode);
      sent = true;
    }
  }

  const double offset_khz = db_get_freq_offset_khz();
  if (offset_khz != 0 && std::isfinite(offset_khz) && listed(kShiftSet, type)) {
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
