// The AQC-ALE channel-quality estimate: the demodulator's in-band signal figure is summed on
// the audio thread; at each channel sample (end of a dwell, end of a call) the engine takes the
// mean and folds it into the channel's slow average and decaying peak; the 4-bit data element
// of a channel rates its average over the quietest channel of the scan group and its
// peak-to-average ratio. The table lives for the run and is not saved.
#pragma once

namespace vesk {

inline constexpr int kChannelQualityChannels = 257;

struct ChannelQualityPair {
  float average = 0;
  float peak = 0;
};

// One value into the accumulator (the demodulator's hook, audio thread).
void aqc_snr_add(float value);
// Takes the accumulator's mean and empties it; a channel 0-256 then has its pair updated, a
// negative one only empties. Nothing is folded in when nothing was added.
void aqc_channel_quality_update(int channel);
// The 4-bit channel-quality data element of a channel 0-256 (0 outside, and 0 while the
// channel's average or the group's smallest is 0).
int aqc_channel_quality(int channel);
// The data element from the figures themselves: the channel's pair and the group's smallest
// average.
int aqc_channel_quality_of(ChannelQualityPair pair, double group_min_average);

ChannelQualityPair aqc_channel_quality_pair(int channel);
void aqc_channel_quality_set_pair(int channel, ChannelQualityPair pair);

}  // namespace vesk
