#include "ale/link/aqc_slots.h"

#include "platform/station.h"

namespace vesk {

AqcSlotState& aqc_slot_state() { return station().state<AqcSlotState>(); }

void aqc_slots_reset() { aqc_slot_state().reset(); }

int aqc_slot(int n) {
  if (n < 0 || n >= kAqcSlotCount) return 0;
  return aqc_slot_state().width[static_cast<std::size_t>(n)];
}

void aqc_slot_set(int n, int width_tw) {
  if (n < 0 || n >= kAqcSlotCount) return;
  aqc_slot_state().width[static_cast<std::size_t>(n)] = width_tw;
}

int aqc_slots_sum(int n) {
  if (n >= kAqcSlotCount) return 0;
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += aqc_slot(i);
  return sum;
}

}  // namespace vesk
