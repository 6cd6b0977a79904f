// The call transmitters: see transmitters.h.
#include "ale/link/transmitters.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "ale/frames/frame_build.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/voice_id.h"
#include "ale/link/aqc.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "ale/words/word_build.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_trace.h"
#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"

namespace vesk {

namespace {

// The transmission of a frame: its start, the lead-in of a call made while scanning, its end.
void tx_begin() {
  ale_crc_reset();
  ale_trace_tx_start();
}

// Queues the words kept back during the lead-in sound, on the station that built them.
void release_held(Station* st, const std::vector<AleWord>& words) {
  std::optional<StationScope> scope;
  if (current_station() != st) scope.emplace(*st);
  for (AleWord w : words) ale_tx_word(w);
}

void lead_in() {
  if (ale_scan_mode() != ALE_SCAN_MODE_SCANNING) return;
  if (db_get_atu_tone_tune() == 0) {
    ale_tx_lead_blocks();
    return;
  }
  // Keep the frame's words back until the sound has gone to the feed.
  ale_builder_hold_words();
}

void tx_end() {
  if (word_build_state().holding) {
    Station* st = &station();
    auto release = [st, words = ale_builder_release_held()] { release_held(st, words); };
    if (ale_play_lead_sound(kTuneSoundFile, release) != 1) release();
    timer_start(EV_VOICE_ID_TIMER, kVoiceIdIntervalMs);
    ale_voice_id_due_clear();
  }
  ale_trace_tx_end();
}


void leading_call() {
  const auto list = ale_called_pointers();
  ale_build_leading_call(static_cast<int>(list.size()), list.data());
}

void ending_words() {
  FrameSectionState& s = frame_sections();
  if (s.ending == ALE_ENDING_TIS)
    ale_build_tis(s.own_address);
  else
    ale_build_twas(s.own_address);
}

// The frame's message words: an optional LQA word, then the sections of the queues in order.
void message_words(int lqa_flag, std::initializer_list<int> queues) {
  std::array<AleWord, kFrameWordsMax> words{};
  int n = 0;
  if (lqa_flag >= 0 && db_get_lqa() != 0)
    n += ale_build_lqa_word(ale_first_called_address(), lqa_flag, std::span<AleWord>(words).subspan(static_cast<std::size_t>(n)));
  int sent = 0;
  for (int q : queues) ale_compose_into(q, words, n, sent);
  ale_tx_word_array(words.data() + sent, n - sent);
}

void sounding(bool tis) {
  ale_load_own_address();
  tx_begin();
  lead_in();
  const char* own = frame_sections().own_address;
  if (db_get_aqc_mode() != 0) {
    if (tis)
      aqc_build_tis_sounding(own);
    else
      aqc_build_twas_sounding(own);
  } else if (tis) {
    ale_build_tis_sounding(own);
  } else {
    ale_build_twas_sounding(own);
  }
  tx_end();
}

bool alternate() { return ale_signalling_mode() == ALE_SIGNALLING_ALTERNATE; }

// The in-link form of a frame inside a link: the in-link address words with the count of the
// sections that follow as the first DE, the sections, and a check word when data follows.
void aqc_inlink_frame(std::initializer_list<int> queues) {
  FrameSectionState& s = frame_sections();
  if (s.called_count > 0 && std::strcmp(s.called[0].data(), "?@?") == 0) s.called_count = 0;
  int sections = 0;
  for (int q : queues) sections += ale_section_count(q);
  aqc_set_first_word_code(sections);
  const auto list = ale_called_pointers();
  aqc_build_inlink(list.data(), static_cast<int>(list.size()), s.own_address);
  std::array<AleWord, kFrameWordsMax> words{};
  int n = 0;
  for (int q : queues) n += ale_compose_sections(q, std::span<AleWord>(words).subspan(static_cast<std::size_t>(n)));
  if (aqc_tx_settings().second_code == AQC_CODE_DATA && n < kFrameWordsMax) n += ale_check_word(&words[static_cast<std::size_t>(n)]);
  ale_tx_word_array(words.data(), n);
}

void calling_frame(bool sclc) {
  FrameSectionState& s = frame_sections();
  aqc_set_second_word_flag(1);
  tx_begin();
  lead_in();
  if (db_get_aqc_mode() != 0) {
    ale_set_signalling_mode(ALE_SIGNALLING_ALTERNATE);
    aqc_build_scanning_call(ale_first_called_address(), s.own_address, db_count_group_channels());
    tx_end();
    return;
  }
  ale_set_signalling_mode(ALE_SIGNALLING_NORMAL);
  const auto list = ale_called_pointers();
  const int count = static_cast<int>(list.size());
  if (!sclc)
    ale_build_scanning_call_for_group(count, list.data());
  else if (db_get_sclc() != 0)
    ale_build_scanning_call(count, list.data(), db_get_sclc());
  leading_call();
  message_words(s.ending == ALE_ENDING_TIS ? 0 : 1, {SECTIONS_CALL});
  ending_words();
  tx_end();
}

void normal_response() {
  leading_call();
  // The caller's wait has room for an LQA word only when its call carried one.
  message_words(ale_frame_call_lqa() != 0 ? 1 : -1, {SECTIONS_ACK});
  ending_words();
}

void normal_ack() {
  leading_call();
  message_words(-1, {SECTIONS_POLL});
  ending_words();
}

void normal_linked_call() {
  leading_call();
  message_words(-1, {SECTIONS_TRAFFIC, SECTIONS_LINK_MESSAGE});
  ending_words();
}

}  // namespace

void ale_tx_twas_sounding() { sounding(false); }
void ale_tx_tis_sounding() { sounding(true); }
void ale_tx_call_scanning() { calling_frame(false); }
void ale_tx_call_sclc() { calling_frame(true); }

void ale_tx_response() {
  aqc_set_second_word_flag(1);
  tx_begin();
  lead_in();
  if (!alternate()) {
    normal_response();
  } else if (ale_frame_kind() == FRAME_KIND_INDIVIDUAL) {
    aqc_build_response(ale_first_called_address(), frame_sections().own_address);
  } else {
    aqc_build_ack(frame_sections().own_address);
  }
  tx_end();
}

void ale_tx_ack() {
  aqc_set_second_word_flag(1);
  tx_begin();
  if (!alternate()) {
    normal_ack();
  } else if (ale_call_class() == CALL_CLASS_INDIVIDUAL) {
    aqc_build_ack(frame_sections().own_address);
  } else {
    const auto list = ale_called_pointers();
    aqc_build_call(list.data(), static_cast<int>(list.size()), frame_sections().own_address);
  }
  tx_end();
}

void ale_tx_linked_call() {
  aqc_set_second_word_flag(1);
  tx_begin();
  if (alternate()) {
    // A frame that asks for no acknowledgement gets no answer: the link goes on at once
    // (unless the frame ends the link).
    if (aqc_tx_settings().first_flag == 0 && ale_end_link() == 0) ale_no_reply_set(1);
    aqc_inlink_frame({SECTIONS_TRAFFIC, SECTIONS_LINK_MESSAGE});
  } else
    normal_linked_call();
  tx_end();
}

void ale_tx_linked_response() {
  aqc_set_second_word_flag(1);
  tx_begin();
  if (alternate()) {
    aqc_set_first_word_flag(0);
    aqc_inlink_frame({SECTIONS_ACK});
  } else {
    normal_response();
  }
  tx_end();
}

void ale_tx_linked_ack() {
  aqc_set_second_word_flag(1);
  tx_begin();
  if (alternate()) {
    const auto list = ale_called_pointers();
    aqc_build_inlink(list.data(), static_cast<int>(list.size()), frame_sections().own_address);
  } else {
    normal_ack();
  }
  tx_end();
}

void ale_tx_clear() {
  frame_sections().ending = ALE_ENDING_TWAS;
  aqc_set_second_word_flag(0);
  aqc_set_first_word_flag(0);
  tx_begin();
  if (alternate())
    aqc_inlink_frame({SECTIONS_TRAFFIC, SECTIONS_LINK_MESSAGE});
  else
    normal_linked_call();
  tx_end();
}

}  // namespace vesk
