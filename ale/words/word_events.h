// The event numbers the word queue posts to the engine: a received word, a transmit underrun,
// a frame's begin and end. They share the engine's number space (ale/engine/events.h).
#pragma once

namespace vesk {

enum WordEvent : int {
  EV_ALE_WORD = 502,
  EV_ALE_TX_UNDERUN = 503,
  EV_RX_FRAME_BEGIN = 505,
  EV_RX_FRAME_END = 523,
  EV_AQC_FRAME_BEGIN = 1030,
};

}  // namespace vesk
