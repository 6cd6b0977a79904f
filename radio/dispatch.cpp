// Frequency, mode and level dispatch by radio type.
#include "radio/dispatch.h"

#include <atomic>
#include <mutex>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/kenwood_tk.h"
#include "radio/drivers/radio_types.h"
#include "radio/muting.h"
#include "radio/radio_hooks.h"

namespace vesk {

namespace {

struct DispatchState {
  std::atomic<int> af_level{0};
  std::atomic<int> vfo_freq{0};
  std::atomic<int> emul_mode{0};
};
DispatchState& dispatch() { return station().state<DispatchState>(); }

void wait_ms(int ms) { station().clock().sleep_ms(ms); }

bool is_kenwood(int type) { return type >= DB_KENWOOD && type <= DB_KENWOOD4_HS; }
bool is_tk(int type) { return type == DB_TK80 || type == DB_TK90 || type == DB_TK90_HS; }

// CI-V types that take a frequency then a mode in the manual tuning and the freq-mode
// setting: 1, 4 to 20, 22 to 40, 108, 147 to 149 (21 sends the mode first).
bool civ_freq_mode_type(int type) {
  return radio_type_family(type) == DriverFamily::IcomCiv && type != DB_IC751;
}

bool civ_af_type(int type) {
  switch (type) {
    case DB_IC78: case DB_IC703: case DB_IC718: case DB_IC746: case DB_IC746PRO: case DB_IC756: case DB_IC756PRO:
    case DB_IC756PROII: case DB_IC756PROIII: case DB_IC7000: case DB_IC7700: case DB_IC7800: case DB_R75:
    case DB_R8500: case DB_IC7200: return true;
    default: return false;
  }
}

bool civ_mode_type(int type) {
  return (type >= DB_IC78 && type <= DB_IC706MKIIG) || type == DB_IC718 || type == DB_IC735 ||
         type == DB_IC746 || type == DB_IC746PRO || (type >= DB_IC756 && type <= DB_IC756PROIII) ||
         (type >= DB_IC7000 && type <= DB_R9500) || type == DB_TT586 || (type >= DB_R10 && type <= DB_IC7200);
}

void tk_set_mode(int type, int mode) {
  if (type == DB_TK80) tk80_set_mode(cat_slot_next(), mode);
  else tk90_set_mode(cat_slot_next(), mode);
}

void civ_split(bool main_sub, const ChannelRecord& w) {
  auto select = [&](int v) { main_sub ? civ_select_main_sub(v) : civ_select_vfo(v); };
  select(1), wait_ms(100);
  civ_set_freq(static_cast<uint32_t>(w.tx_freq_hz)), wait_ms(100);
  civ_set_mode(w.tx_mode), wait_ms(100);
  select(0), wait_ms(100);
  civ_set_freq(static_cast<uint32_t>(w.rx_freq_hz)), wait_ms(100);
  civ_set_mode(w.rx_mode), wait_ms(100);
}

}  // namespace

int radio_af_level() { return dispatch().af_level.load(); }
int radio_vfo_freq() { return dispatch().vfo_freq.load(); }
void radio_set_vfo_freq(int hz) { dispatch().vfo_freq = hz; }
int radio_emul_mode() { return dispatch().emul_mode.load(); }

void radio_set_af_level(int level) {
  dispatch().af_level = level;
  if (radio_muting_get() == 1) return;
  const int type = driver_radio_type();
  if (civ_af_type(type)) civ_set_af_gain(level);
  else if (type == DB_KENWOOD || type == DB_KENWOOD_HS) kenwood_set_af_gain(cat_slot_next(), level);
  else if (type == DB_TK90 || type == DB_TK90_HS) tk90_set_af_gain(cat_slot_next(), level);
}

int radio_load_af_level() {
  const int level = db_get_unmuted_af_level();
  dispatch().af_level = level;
  return level;
}

void radio_tk_freq_mode(const ChannelRecord& ch) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const int type = driver_radio_type();
  if (db_get_memory_channels() == 1) {
    if (type == DB_TK80) tk80_select_memory_channel(cat_slot_next(), ch.number);
    else tk90_select_memory_channel(cat_slot_next(), ch.number);
    return;
  }
  if (type == DB_TK80) tk80_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(ch.rx_freq_hz));
  else tk90_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(ch.rx_freq_hz));
  if (radio_mode_due(ch)) {
    tk_set_mode(type, ch.rx_mode);
    radio_mode_remember(ch);
  }
}

void radio_tune_channel(const ChannelRecord& channel) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelRecord ch = channel;
  db_select_channel(ch.number);
  const int type = driver_radio_type();
  const auto rx = static_cast<uint32_t>(ch.rx_freq_hz);
  if (civ_freq_mode_type(type)) {
    civ_set_freq(rx), civ_set_mode(ch.rx_mode);
  } else if (type == DB_IC751) {
    civ_set_mode(ch.rx_mode), civ_set_freq(rx);
  } else if (is_kenwood(type)) {
    // The further Kenwood speeds are tuned like KENWOOD and KENWOOD_HS.
    kenwood_set_vfo_a_freq(cat_slot_next(), rx);
    wait_ms(200);
    kenwood_set_mode(cat_slot_next(), ch.rx_mode);
  } else if (type == DB_TK80) {
    tk80_set_vfo_a_freq(cat_slot_next(), rx), tk80_set_mode(cat_slot_next(), ch.rx_mode);
  } else if (type == DB_TK90 || type == DB_TK90_HS) {
    tk90_set_vfo_a_freq(cat_slot_next(), rx), tk90_set_mode(cat_slot_next(), ch.rx_mode);
  }
  db_clear_mode_resend();
}

void radio_set_freq_mode(const ChannelRecord& channel) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelRecord ch = channel;
  const int type = driver_radio_type();
  const auto rx = static_cast<uint32_t>(ch.rx_freq_hz);
  if (civ_freq_mode_type(type)) {
    civ_set_freq(rx), civ_set_mode(ch.rx_mode);
  } else if (type == DB_IC751) {
    civ_set_mode(ch.rx_mode), civ_set_freq(rx);
  } else if (is_kenwood(type)) {
    kenwood_set_vfo_a_freq(cat_slot_next(), rx), kenwood_set_mode(cat_slot_next(), ch.rx_mode);
  } else if (is_tk(type)) {
    radio_tk_freq_mode(ch);
  }
}

void radio_set_split_freq_mode() {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelRecord w = db_current_channel();
  const int type = driver_radio_type();
  switch (type) {
    case DB_IC78: case DB_IC703: case DB_IC706: case DB_IC706MKII: case DB_IC706MKIIG: case DB_IC707:
    case DB_IC718: case DB_IC725: case DB_IC726: case DB_IC728: case DB_IC729: case DB_IC735: case DB_IC736:
    case DB_IC737: case DB_IC738: case DB_IC751: case DB_IC761: case DB_IC7000: case DB_TT586: case DB_IC7200:
      civ_set_freq(static_cast<uint32_t>(w.rx_freq_hz)), wait_ms(100), civ_set_mode(w.rx_mode);
      return;
    case DB_IC746: case DB_IC746PRO: case DB_IC765: case DB_IC775DSP: case DB_IC781: civ_split(false, w); return;
    case DB_IC756: case DB_IC756PRO: case DB_IC756PROII: case DB_IC756PROIII: case DB_IC7700: case DB_IC7800:
      civ_split(true, w);
      return;
    case DB_TK80: case DB_TK90: case DB_TK90_HS: {
      ChannelRecord scan{};
      if (db_copy_channel(db_current_scan_channel(), &scan) >= 0) radio_tk_freq_mode(scan);
      return;
    }
    default: break;
  }
  if (!is_kenwood(type)) return;
  const int32_t model = kenwood_model();
  kenwood_set_mode(cat_slot_next(), w.rx_mode), wait_ms(100);
  kenwood_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(w.rx_freq_hz)), wait_ms(100);
  kenwood_set_rx_vfo(cat_slot_next(), 1), wait_ms(100);
  kenwood_set_tx_vfo(cat_slot_next(), 0), wait_ms(100);
  kenwood_set_mode(cat_slot_next(), w.tx_mode), wait_ms(100);
  kenwood_set_vfo_b_freq(cat_slot_next(), static_cast<uint32_t>(w.tx_freq_hz)), wait_ms(100);
  if (model == 3 || model == 6 || model == 8 || model == 12) wait_ms(500);
  kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(100);
  kenwood_set_tx_vfo(cat_slot_next(), 1), wait_ms(100);
}

void radio_set_mode(int mode) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  dispatch().emul_mode = mode;
  const int type = driver_radio_type();
  if (civ_mode_type(type)) civ_set_mode(mode);
  else if (type == DB_KENWOOD || type == DB_KENWOOD_HS) kenwood_set_mode(cat_slot_next(), mode);
  else if (is_tk(type)) tk_set_mode(type, mode);
  // The whole-channel radios (scratch channel 0) come with their drivers.
}

void radio_set_freq(int hz) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const int type = driver_radio_type();
  if (type == DB_KENWOOD || type == DB_KENWOOD_HS) kenwood_set_vfo_a_freq(cat_slot_next(), static_cast<uint32_t>(hz));
}

// FT757GX and SKANTI-8250 have refresh steps and TT516 a store step; they come with their
// drivers. No built type has one.
void radio_refresh_hook() {}
void radio_store_channel_hook(const ChannelRecord&) {}

}  // namespace vesk
