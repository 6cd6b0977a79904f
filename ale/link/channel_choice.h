// Channel choice by link quality: the order in which a call tries the channels of the scan
// group, and the one channel an allcall or anycall is sent on.
//
// Candidates are the channels 1 to 256 that are in use, in the current scan group and allowed
// to transmit (a receive-only channel is never tried), in ascending channel number before any
// sorting. The order comes from the link-quality scores kept per station and channel: a call
// to one station ranks by the SINAD it was measured at (channels never measured last, highest
// receive frequency first); a call to several stations ranks by the summed BER scores, best
// (highest) first, counting only scores that hold a value: channels without any score follow
// in ascending order, and a channel marked for one of the stations comes last.
#pragma once

#include <vector>

#include "db/ale_chars.h"

namespace vesk {

// Enough room for every candidate.
inline constexpr int kCallChannelsMax = 256;

// The candidate channels in ascending order.
std::vector<int> lqa_candidate_channels();

// Fills `channels` (room for kCallChannelsMax) with the candidates in call order and `size`
// with their number. 0 on success; 1 when there is no candidate or a named station is not in
// the address table (with a single candidate no score is read and nothing can fail).
int lqa_rank_channels(const AddressList& addresses, int* channels, int* size);
int lqa_rank_channels_for_station(const char* address, int* channels, int* size);

// The channel for an allcall or anycall: the first of the candidates ranked as for a group of
// all known stations (the best summed BER scores; the lowest number on a tie or with no
// score); channel 1 when there is no candidate.
int ale_allcall_channel();

}  // namespace vesk
