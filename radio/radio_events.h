// The radio side's event numbers: the reply timeouts and poll timers of the radio, tuner,
// antenna switch, TNC and emulation ports, and the timer a scan step starts when it sends the
// channel command. They share the engine's number space (ale/engine/events.h), where the
// timer slots and traces know them.
#pragma once

namespace vesk {

enum RadioEvent : int {
  EV_RADIO_TIMEOUT = 1015,
  EV_RADIO_SCAN_COMMAND_SENT = 1016,
  EV_RADIO_CONFIG_TIMER = 1025,
  EV_SKANTI_TIMER = 1026,
  EV_SKANTI_TX_POLL_TIMER = 1027,
  EV_RADIO_TX_POLL_TIMER = 1028,
  EV_ATU_TIMEOUT = 1042,
  EV_ATU_CONFIG_TIMER = 1043,
  EV_ANT_TIMEOUT = 1044,
  EV_TNC_TIMEOUT = 1046,
  EV_RADIO_EMULATION_TIMEOUT = 1088,
};

}  // namespace vesk
