#include "radio/drivers/driver_steps.h"

#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/kenwood_tk.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

namespace {
// Only KENWOOD and KENWOOD_HS take frequency, mode and the model's keying variants.
bool kenwood_full(int type) { return type == DB_KENWOOD || type == DB_KENWOOD_HS; }
}  // namespace

int driver_step_set_freq(uint32_t hz) {
  const int type = driver_radio_type();
  switch (radio_type_family(type)) {
    case DriverFamily::IcomCiv: civ_set_freq(hz); return 1;
    case DriverFamily::Kenwood:
      if (!kenwood_full(type)) return 0;
      kenwood_set_vfo_a_freq(cat_slot_next(), hz);
      return 1;
    case DriverFamily::KenwoodTk:
      if (type == DB_TK80) tk80_set_vfo_a_freq(cat_slot_next(), hz);
      else tk90_set_vfo_a_freq(cat_slot_next(), hz);
      return 1;
    default: return 0;
  }
}

int driver_step_set_mode(int mode) {
  const int type = driver_radio_type();
  switch (radio_type_family(type)) {
    case DriverFamily::IcomCiv: civ_set_mode(mode); return 1;
    case DriverFamily::Kenwood:
      if (!kenwood_full(type)) return 0;
      kenwood_set_mode(cat_slot_next(), mode);
      return 1;
    case DriverFamily::KenwoodTk:
      if (type == DB_TK80) tk80_set_mode(cat_slot_next(), mode);
      else tk90_set_mode(cat_slot_next(), mode);
      return 1;
    default: return 0;
  }
}

int driver_step_tune(uint32_t hz, int mode) {
  const int f = driver_step_set_freq(hz);
  const int m = driver_step_set_mode(mode);
  return f | m;
}

int driver_step_ptt_on(int tx_mode) {
  const int type = driver_radio_type();
  switch (radio_type_family(type)) {
    case DriverFamily::IcomCiv:
      if (civ_type_takes(type, CivStep::PttTt586)) civ_tt586_ptt_on();
      else if (civ_type_takes(type, CivStep::Ptt)) civ_ptt_on();
      else return 0;
      return 1;
    case DriverFamily::Kenwood: {
      const int32_t model = kenwood_model();
      uint8_t* slot = cat_slot_next();
      if (kenwood_full(type) && (model == 20 || model == 21)) {
        if (tx_mode == MODE_LSB || tx_mode == MODE_USB) kenwood_ptt_on_tx0(slot);
        else kenwood_ptt_on_tx1(slot);
      } else {
        kenwood_ptt_on(slot);
      }
      return 1;
    }
    case DriverFamily::KenwoodTk:
      if (type == DB_TK80) tk80_ptt_on(cat_slot_next());
      else tk90_ptt_on(cat_slot_next());
      return 1;
    default: return 0;
  }
}

int driver_step_ptt_off() {
  const int type = driver_radio_type();
  switch (radio_type_family(type)) {
    case DriverFamily::IcomCiv:
      if (civ_type_takes(type, CivStep::PttTt586)) civ_tt586_ptt_off();
      else if (civ_type_takes(type, CivStep::Ptt)) civ_ptt_off();
      else return 0;
      return 1;
    case DriverFamily::Kenwood: kenwood_ptt_off(cat_slot_next()); return 1;
    case DriverFamily::KenwoodTk:
      if (type == DB_TK80) tk80_ptt_off(cat_slot_next());
      else tk90_ptt_off(cat_slot_next());
      return 1;
    default: return 0;
  }
}

}  // namespace vesk
