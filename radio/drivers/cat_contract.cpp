#include "radio/drivers/cat_contract.h"

#include "platform/station.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

namespace {
// Scratch slots handed to text builders until the radio port's own ring takes their place.
struct CatScratchState {
  uint8_t slots[4][kCatCommandMax + 1] = {};
  int next = 0;
};
}  // namespace

CatTapState& cat_tap() { return station().state<CatTapState>(); }
DriverSettingsState& driver_settings() { return station().state<DriverSettingsState>(); }

int cat_send(const uint8_t* bytes, int length) {
  if (length < 0) length = 0;
  if (length > kCatCommandMax) length = kCatCommandMax;
  CatTapState& tap = cat_tap();
  if (tap.on_send) tap.on_send(bytes, length);
  return length;
}

uint8_t* cat_slot_next() {
  CatScratchState& s = station().state<CatScratchState>();
  s.next = (s.next + 1) % 4;
  return &s.slots[s.next][1];
}

void cat_ack() {
  CatTapState& tap = cat_tap();
  if (tap.on_reply) tap.on_reply(true);
}

void cat_nak() {
  CatTapState& tap = cat_tap();
  if (tap.on_reply) tap.on_reply(false);
}

void driver_pause_ms(int ms) { station().clock().sleep_ms(ms); }

int driver_radio_type() {
  const int t = driver_settings().radio_type;
  return radio_type_valid(t) ? t : 0;
}

int driver_preconfig_disabled() { return driver_settings().preconfig_disabled; }

}  // namespace vesk
