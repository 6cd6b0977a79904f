#include "ale/frames/voice_id.h"

#include <exception>
#include <filesystem>
#include <string>

#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "modem/wav_player.h"
#include "platform/station.h"
#include "radio/keying.h"

namespace vesk {

VoiceIdState& voice_id_state() { return station().state<VoiceIdState>(); }

int ale_send_voice_id() {
  // Keying now would cut the sound that is playing short when this call releases.
  if (wav_player_busy()) return 0;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(station().dir() / kVoiceIdFile, ec)) {
    log_file_not_found(kVoiceIdFile);
    return 0;
  }
  // A receive-only channel or a closed radio port keys nothing: the sound would go nowhere.
  if (ptt_on_manual() == 0) {
    log_printf("[%s][VOICE ID: %s not played: transmitter not keyed]\n", log_time_stamp().c_str(), kVoiceIdFile);
    return 0;
  }
  // The transmitter is released however the sound ends.
  int result = WAV_PLAY_NO_FILE;
  std::string error;
  try {
    result = wav_play_file(kVoiceIdFile);
    error = wav_player_last_error();
  } catch (const std::exception& e) {
    error = e.what();
  }
  ptt_off_manual();
  if (result == WAV_PLAY_DONE) return 1;
  if (result != WAV_PLAY_BUSY)
    log_printf("[%s][VOICE ID: %s not played: %s]\n", log_time_stamp().c_str(), kVoiceIdFile, error.c_str());
  return 0;
}

void ale_voice_id_due() { voice_id_state().due = 1; }
int ale_voice_id_is_due() { return voice_id_state().due.load(); }
void ale_voice_id_due_clear() { voice_id_state().due = 0; }

void ale_voice_id_check() {
  if (voice_id_state().due.load()) ale_voice_id_hook();
}

void ale_voice_id_hook() {}

void ale_voice_id_timer_restart() {
  voice_id_state().due = 0;
  timer_start(EV_VOICE_ID_TIMER, kVoiceIdPeriodMs);
}

}  // namespace vesk
