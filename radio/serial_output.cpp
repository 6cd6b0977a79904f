// The per-port operations over the shared queue mechanics, and the timer routing.
#include "radio/serial_output.h"

#include "platform/station.h"
#include "radio/family_ops.h"
#include "radio/radio_events.h"
#include "radio/radio_setup.h"
#include "radio/reply_dispatch.h"
#include "radio/serial_queue.h"

namespace vesk {

void emul_queue_init() { serial_queue_reset(SQ_EMUL); }
void atu_queue_init() { serial_queue_reset(SQ_ATU); }
void ant_queue_init() { serial_queue_reset(SQ_ANT); }
void tnc_queue_init() { serial_queue_reset(SQ_TNC); }

void radio_port_init() {
  // The queue is reused: stop its timer and empty it, so nothing that waited for the old
  // set-up leaves, and a late expiry finds nothing of the new one to drop.
  serial_queue_reset(SQ_RADIO);
  radio_setup();
  RadioControlFlags& flags = radio_flags();
  flags.radio_linked_flag = 0;
  flags.radio_last_tx_freq = serial_opt_current_tx_freq();
}

uint8_t* radio_slot_next() { return serial_queue_slot_next(SQ_RADIO); }
int radio_send(const uint8_t* bytes, int count) { return serial_queue_send(SQ_RADIO, bytes, count); }
int radio_send_now(const uint8_t* bytes, int count) { return serial_queue_send_now(SQ_RADIO, bytes, count); }
void radio_send_ack() { serial_queue_ack(SQ_RADIO); }
void radio_send_nak() { serial_queue_ack(SQ_RADIO); }
void radio_send_next() { serial_queue_send_next(SQ_RADIO); }
void radio_pause_ms(int ms) {
  serial_queue_hold(SQ_RADIO, ms);
  station().clock().sleep_ms(ms);
}

void radio_queue_timer(int timer_id) {
  if (timer_id == EV_RADIO_TIMEOUT) {
    serial_queue_timer(SQ_RADIO, timer_id);
    return;
  }
  if (timer_id < EV_RADIO_CONFIG_TIMER || timer_id > EV_SKANTI_TX_POLL_TIMER) return;
  // The radio models' own timers: to the configured type's timer step, if it has one.
  const FamilyOps& ops = radio_ops(radio_type_row(serial_opt_radio_type()));
  if (ops.on_timer) ops.on_timer(timer_id);
}

uint8_t* emul_slot_next() { return serial_queue_slot_next(SQ_EMUL); }
int emul_send(const uint8_t* bytes, int count) { return serial_queue_send(SQ_EMUL, bytes, count); }
int emul_send_now(const uint8_t* bytes, int count) { return serial_queue_send_now(SQ_EMUL, bytes, count); }
void emul_send_ack() { serial_queue_ack(SQ_EMUL); }
void emul_send_next() { serial_queue_send_next(SQ_EMUL); }
void emul_queue_timer(int timer_id) { serial_queue_timer(SQ_EMUL, timer_id); }

uint8_t* atu_slot_next() { return serial_queue_slot_next(SQ_ATU); }
int atu_send(const uint8_t* bytes, int count) { return serial_queue_send(SQ_ATU, bytes, count); }
int atu_send_now(const uint8_t* bytes, int count) { return serial_queue_send_now(SQ_ATU, bytes, count); }
void atu_send_next() { serial_queue_send_next(SQ_ATU); }
void atu_queue_timer(int timer_id) { serial_queue_timer(SQ_ATU, timer_id); }

uint8_t* ant_slot_next() { return serial_queue_slot_next(SQ_ANT); }
int ant_send(const uint8_t* bytes, int count) { return serial_queue_send(SQ_ANT, bytes, count); }
int ant_send_now(const uint8_t* bytes, int count) { return serial_queue_send_now(SQ_ANT, bytes, count); }
void ant_send_next() { serial_queue_send_next(SQ_ANT); }
void ant_queue_timer(int timer_id) { serial_queue_timer(SQ_ANT, timer_id); }

uint8_t* tnc_slot_next() { return serial_queue_slot_next(SQ_TNC); }
int tnc_send(const uint8_t* bytes, int count) { return serial_queue_send(SQ_TNC, bytes, count); }
int tnc_send_now(const uint8_t* bytes, int count) { return serial_queue_send_now(SQ_TNC, bytes, count); }
void tnc_send_next() { serial_queue_send_next(SQ_TNC); }
void tnc_queue_timer(int timer_id) { serial_queue_timer(SQ_TNC, timer_id); }

void radio_port_write(const uint8_t* slot) { serial_queue_write_slot(SQ_RADIO, slot); }
void emul_port_write(const uint8_t* slot) { serial_queue_write_slot(SQ_EMUL, slot); }
void atu_port_write(const uint8_t* slot) { serial_queue_write_slot(SQ_ATU, slot); }
void ant_port_write(const uint8_t* slot) { serial_queue_write_slot(SQ_ANT, slot); }
void tnc_port_write(const uint8_t* slot) { serial_queue_write_slot(SQ_TNC, slot); }

int ptt_is_active() { return radio_flags().ptt_active_flag.load(); }

bool serial_queue_route_timer(int timer_id) {
  switch (timer_id) {
    case EV_RADIO_TIMEOUT:
    case EV_RADIO_CONFIG_TIMER:
    case EV_SKANTI_TIMER:
    case EV_SKANTI_TX_POLL_TIMER: radio_queue_timer(timer_id); return true;
    case EV_RADIO_EMULATION_TIMEOUT:
    case EV_RADIO_EMULATION_TIMEOUT + 1: emul_queue_timer(timer_id); return true;
    case EV_ATU_TIMEOUT:
    case EV_ATU_CONFIG_TIMER: atu_queue_timer(timer_id); return true;
    case EV_ANT_TIMEOUT:
    case EV_ANT_TIMEOUT + 1: ant_queue_timer(timer_id); return true;
    case EV_TNC_TIMEOUT:
    case EV_TNC_TIMEOUT + 1: tnc_queue_timer(timer_id); return true;
    default: return false;
  }
}

}  // namespace vesk
