// AQC-ALE burst waveform.
#include "modem/aqc_burst.h"

#include <cmath>

#include "db/options.h"
#include "modem/serial_tone/m110_tables.h"
#include "modem/sound_card.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kBurstAmplitude = 0.999999;
// Stages 1-16 at the start, stage 1 first.
constexpr const char* kShiftRegisterStart = "1000100111010101";
static_assert(kAqcBurstSamples == kSndBurstSamples);

}  // namespace

AqcBurstState& aqc_burst_state() { return station().state<AqcBurstState>(); }

double aqc_burst_carrier_hz() {
  const double centre = db_get_modem_centre_freq();
  const int rate = m110_rate_of_setting(db_get_modem_sample_rate());
  // The modem's samples always play at 9,600 Hz; an unknown rate setting is taken as that.
  return rate == 0 ? centre : centre * 9600.0 / rate;
}

void aqc_build_burst_waveform(int16_t* samples) {
  int stage[17];  // stage[1] .. stage[16]
  for (int i = 1; i <= 16; ++i) stage[i] = kShiftRegisterStart[i - 1] - '0';

  const double step = kTwoPi * aqc_burst_carrier_hz() / kAqcBurstRate;
  double phase = 0;
  int n = 0;
  for (; n < kAqcBurstLeadSamples; ++n) samples[n] = 0;
  for (int sym = 0; sym < kAqcBurstSymbols; ++sym) {
    const int s = stage[3] << 2 | stage[2] << 1 | stage[1];
    for (int clock = 0; clock < 3; ++clock) {
      const int feed = stage[1] ^ stage[6] ^ stage[15] ^ stage[16];
      for (int i = 1; i < 16; ++i) stage[i] = stage[i + 1];
      stage[16] = feed;
    }
    for (int k = 0; k < kAqcBurstSymbolSamples; ++k, ++n) {
      samples[n] = snd_float_to_pcm16(static_cast<float>(kBurstAmplitude * std::cos(s * kPi / 4 + phase)));
      phase += step;
      if (phase >= kTwoPi) phase -= kTwoPi;
    }
  }
  for (; n < kAqcBurstSamples; ++n) samples[n] = 0;
}

}  // namespace vesk
