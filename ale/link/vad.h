// Voice detector: watches the received 8 kHz audio for speech while the station listens
// before it transmits, so that it does not call or sound over a voice conversation.
//
// Each 26.25 ms block (210 samples) is hard-limited, passed through two resonators around
// 500-600 Hz (where voiced speech keeps its energy whatever its loudness), rectified and
// smoothed by a low-pass section; the block counts as a hit when the smoothed level peaks
// above 0.2. A detection needs more than 20 hits inside a window of 50 blocks, so speech is
// found within about 0.6 s while tones elsewhere in the band and sporadic noise peaks never
// add up to one. A detection posts the voice-detected API event and starts afresh.
#pragma once

#include <atomic>

namespace vesk {

inline constexpr int kVadBlockSamples = 210;
inline constexpr double kVadPeakThreshold = 0.2;
inline constexpr int kVadHitsNeeded = 20;     // more than this many hits
inline constexpr int kVadWindowBlocks = 50;   // within this many blocks

// One second-order direct-form-II section.
struct VadSection {
  double a1, a2, b0, b1, b2;
};
inline constexpr VadSection kVadSections[3] = {
    {-1.8091, 0.961124, 0.082616, -0.072968, 0.082616},
    {-1.74553, 0.954811, 0.082616, -0.163297, 0.082616},
    {-1.99444, 0.994455, 0.000004, 0.000008, 0.000004},
};

// The detector's own state: filter states and the two counts.
struct VadDetector {
  double s1[3]{}, s2[3]{};
  int hits = 0;
  int blocks = 0;
};

// Runs one block through the detector (the samples are changed in place: each step's output
// replaces the sample). Returns true on a detection; the detector has then been reset.
bool vad_process_block(VadDetector& d, float* samples, int count);
void vad_reset(VadDetector& d);

struct VadState {
  VadDetector detector;  // audio thread only
  // A reset asked for by another thread, carried out before the next block.
  std::atomic<bool> reset_requested{false};
  std::atomic<long> detections{0};
};

VadState& vad_state();

// The 8-FSK receiver's hand-over of every received block (float samples at 8 kHz). Runs only
// with the VOICE option on.
void ale_vad_block(const float* samples, int count);
void ale_vad_reset();

}  // namespace vesk
