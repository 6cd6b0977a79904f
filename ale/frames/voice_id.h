// Voice identification: the station names itself by voice from the recorded "voice_id.wav",
// on the operator's demand, with the transmitter keyed for the length of the sound. A due
// flag, raised ten minutes after each tune sound, tells the linked-call transmitter that an
// identification is due; the hook it runs is left empty, so nothing is sent automatically.
#pragma once

#include <atomic>
#include <functional>

namespace vesk {

inline constexpr const char* kVoiceIdFile = "voice_id.wav";
inline constexpr int kVoiceIdPeriodMs = 600000;

struct VoiceIdState {
  std::atomic<int> due{0};
};

VoiceIdState& voice_id_state();

// Keys, plays "voice_id.wav" from the station folder, releases; returns when the sound has
// been sent. Does nothing (returns 0) while the player is busy; a missing file is logged and
// nothing is keyed. 1 when the sound was played.
int ale_send_voice_id();
// EV_VOICE_ID_TIMER: the identification is due.
void ale_voice_id_due();
int ale_voice_id_is_due();
// A tune sound was sent: the flag is cleared (the frame transmitter restarts the timer).
void ale_voice_id_due_clear();
// Before a linked call is sent: runs the hook when an identification is due.
void ale_voice_id_check();
// Before scanning calls, clears and soundings. Empty; the due flag stays as it is.
void ale_voice_id_hook();
// After each tune sound: the flag cleared and EV_VOICE_ID_TIMER started at ten minutes.
void ale_voice_id_timer_restart();

}  // namespace vesk
