#include "radio/drivers/cat_contract.h"

#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_events.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

CatTapState& cat_tap() { return station().state<CatTapState>(); }

int cat_send(const uint8_t* bytes, int length) {
  if (length < 0) length = 0;
  // A command longer than a slot goes whole: the queue keeps it beside its slot.
  CatTapState& tap = cat_tap();
  if (tap.on_send) tap.on_send(bytes, length);
  return radio_send(bytes, length);
}

int cat_send_now(const CatCommand& c) {
  if (c.overflow) return cat_send(c);  // refused with its line
  CatTapState& tap = cat_tap();
  if (tap.on_send) tap.on_send(c.bytes, c.length);
  return radio_send_now(c.bytes, c.length);
}

uint8_t* cat_slot_next() { return radio_slot_next(); }

int cat_send(const CatCommand& c) {
  if (c.overflow) {
    log_printf("[%s][%s][RADIO ERROR: Command not sent. Longer than %d bytes.]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), kCatCommandMax);
    return -1;
  }
  return cat_send(c.bytes, c.length);
}

void cat_ack() {
  CatTapState& tap = cat_tap();
  if (tap.on_reply) tap.on_reply(true);
  radio_send_ack();
}

void cat_nak() {
  CatTapState& tap = cat_tap();
  if (tap.on_reply) tap.on_reply(false);
  radio_send_nak();
}

void driver_pause_ms(int ms) { radio_pause_ms(ms); }

bool driver_start_timer(int ms) {
  const auto& start = serial_queues().timers.start;
  if (!start) return false;
  start(EV_RADIO_CONFIG_TIMER, ms);
  return true;
}

int driver_radio_type() {
  const int t = db_get_radio_type();
  return radio_type_valid(t) ? t : 0;
}

int driver_preconfig_disabled() { return db_option_int(opt::RADIO_PRECONFIG_DISABLED); }

}  // namespace vesk
