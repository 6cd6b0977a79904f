#include "radio/text_steps.h"

#include "radio/drivers/cat_contract.h"
#include "radio/drivers/receivers.h"
#include "radio/family_ops.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"

namespace vesk {

void text_send(const RadioTypeRow& row, const std::string& text) { cat_send(receiver_text(row.number, text)); }

void text_set_freq(const RadioTypeRow& row, uint32_t hz) {
  CatCommand c;
  if (receiver_freq(row.number, hz, c)) cat_send(c);
}

void text_set_mode(const RadioTypeRow& row, int mode) {
  CatCommand c;
  if (receiver_mode(row.number, mode, c)) cat_send(c);
}

void text_command_then_line(const RadioTypeRow& row, const std::string& command, const std::string& line) {
  text_send(row, command), radio_pause_ms(kSequencePauseMs), radio_setup_line(line);
}

bool text_preconfig_off(const RadioSetupRow& setup) {
  return setup.preconfig_flag && driver_preconfig_disabled() != 0;
}

void text_ptt_on(const RadioTypeRow& row, int) {
  if (row.ptt_on_text != nullptr) text_send(row, row.ptt_on_text);
}
void text_ptt_off(const RadioTypeRow& row) {
  if (row.ptt_off_text != nullptr) text_send(row, row.ptt_off_text);
}

void text_attenuator(const RadioTypeRow& row, bool on) {
  if (row.attenuator_on_text != nullptr) text_send(row, on ? row.attenuator_on_text : row.attenuator_off_text);
}

void text_setup_before_port_line(const RadioSetupRow& setup) {
  if (const char* line = radio_type_row(setup.type).setup_before_port_line) radio_setup_line(line);
}

void text_setup_start(const RadioTypeRow& row) {
  if (row.setup_start_text != nullptr) text_send(row, row.setup_start_text);
}

void text_on_reply(const uint8_t*, int) {
  if (configured_radio().reply_acks) cat_ack();
}

}  // namespace vesk
