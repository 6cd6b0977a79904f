// What the serial-tone modem reports to its owner.
#pragma once

#include <functional>

namespace vesk {

enum class M110Status { RxMode = 0, RxEnd = 1, TxStart = 2, TxEnd = 3, FreqOffset = 4 };
// `hz`: the frequency offset for FreqOffset, else 0.
using M110StatusFn = std::function<void(M110Status status, float hz)>;

}  // namespace vesk
