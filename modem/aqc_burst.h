// The AQC-ALE burst: 56 ms of 48 kHz samples that the sound card plays for a burst marker in
// the word stream. 384 samples of silence, 64 symbols of 8-PSK (20 samples each) drawn from a
// 16-stage shift register, then 1,024 samples of silence.
//
// The burst is played at the card's rate, so its carrier steps at 48 kHz: the carrier on the
// air is the serial-tone modem's (its centre frequency scaled by 9,600 over its sample rate,
// 1,800 Hz with the default settings).
#pragma once

#include <array>
#include <cstdint>

namespace vesk {

inline constexpr int kAqcBurstSamples = 2688;
inline constexpr int kAqcBurstLeadSamples = 384;
inline constexpr int kAqcBurstSymbols = 64;
inline constexpr int kAqcBurstSymbolSamples = 20;
inline constexpr int kAqcBurstTailSamples = 1024;
inline constexpr int kAqcBurstRate = 48000;
static_assert(kAqcBurstLeadSamples + kAqcBurstSymbols * kAqcBurstSymbolSamples + kAqcBurstTailSamples ==
              kAqcBurstSamples);

struct AqcBurstState {
  std::array<int16_t, kAqcBurstSamples> samples{};
};

AqcBurstState& aqc_burst_state();

// The burst's carrier on the air, in Hz, from the serial-tone modem's settings.
double aqc_burst_carrier_hz();
// Fills `samples` (kAqcBurstSamples of them).
void aqc_build_burst_waveform(int16_t* samples);

}  // namespace vesk
