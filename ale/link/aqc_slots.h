// AQC-ALE response slot widths: the 32 slots (in word times Tw) that the responders of an
// AQC-ALE net, group or anycall answer in. The slot-wait and acknowledgement-wait periods
// (ale_timing.h) add them up. The AQC-ALE layer may change single widths; the link state
// machine resets the table when it starts and when a frame begins.
#pragma once

#include <array>

namespace vesk {

inline constexpr int kAqcSlotCount = 32;
inline constexpr int kAqcFirstSlotTw = 17;  // slot 0 also holds the caller's own turn
inline constexpr int kAqcSlotTw = 11;

struct AqcSlotState {
  std::array<int, kAqcSlotCount> width{};
  AqcSlotState() { reset(); }
  void reset() {
    width.fill(kAqcSlotTw);
    width[0] = kAqcFirstSlotTw;
  }
};

AqcSlotState& aqc_slot_state();

// 17 Tw for slot 0, 11 Tw for slots 1-31.
void aqc_slots_reset();
// Width of slot n in Tw; 0 outside 0-31.
int aqc_slot(int n);
// Sets slot n (0-31; others are ignored).
void aqc_slot_set(int n, int width_tw);
// The widths of slots 0 to n-1 added up (0 for n of 32 or more, and for n below 1).
int aqc_slots_sum(int n);

}  // namespace vesk
