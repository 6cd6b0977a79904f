#include "radio/drivers/driver_steps.h"

#include "radio/family_ops.h"

namespace vesk {

int driver_step_set_freq(uint32_t hz) {
  const RadioTypeRow& row = configured_radio();
  const FamilyOps& ops = radio_ops(row);
  if (!row.freq_mode_steps || ops.set_freq == nullptr) return 0;
  ops.set_freq(row, hz);
  return 1;
}

int driver_step_set_mode(int mode) {
  const RadioTypeRow& row = configured_radio();
  const FamilyOps& ops = radio_ops(row);
  if (!row.freq_mode_steps || ops.set_mode == nullptr) return 0;
  ops.set_mode(row, mode);
  return 1;
}

int driver_step_tune(uint32_t hz, int mode) {
  const int f = driver_step_set_freq(hz);
  const int m = driver_step_set_mode(mode);
  return f | m;
}

int driver_step_tune_channel(uint32_t hz, int mode) {
  const RadioTypeRow& row = configured_radio();
  const FamilyOps& ops = radio_ops(row);
  if (ops.tune_channel == nullptr) return 0;
  ChannelRecord ch{};
  ch.rx_freq_hz = ch.tx_freq_hz = static_cast<int32_t>(hz);
  ch.rx_mode = ch.tx_mode = mode;
  ops.tune_channel(row, ch);
  return 1;
}

int driver_step_ptt_on(int tx_mode) {
  const RadioTypeRow& row = configured_radio();
  const FamilyOps& ops = radio_ops(row);
  if (ops.keying != nullptr && ops.keying(row, true, false)) return 1;  // the family's own sequence
  if (!row.ptt_command || ops.ptt_on == nullptr) return 0;
  ops.ptt_on(row, tx_mode);
  return 1;
}

int driver_step_ptt_off() {
  const RadioTypeRow& row = configured_radio();
  const FamilyOps& ops = radio_ops(row);
  if (ops.keying != nullptr && ops.keying(row, false, false)) return 1;
  if (!row.ptt_command || ops.ptt_off == nullptr) return 0;
  ops.ptt_off(row);
  return 1;
}

}  // namespace vesk
