#include "ale/frames/frame_sections.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <utility>

#include "ale/frames/address_match.h"
#include "ale/frames/frame_build.h"
#include "ale/words/word_build.h"
#include "db/scan.h"
#include "ale/words/linking_protection.h"
#include "db/locked_queue.h"
#include "db/log.h"
#include "db/options.h"
#include "db/log_lines.h"
#include "modem/wav_player.h"
#include "platform/station.h"
#include "platform/thread.h"

namespace vesk {

namespace {

void copy16(char* dst, const char* src) {
  const std::size_t n = src == nullptr ? 0 : strnlen(src, 15);
  if (n > 0) std::memcpy(dst, src, n);
  dst[n] = '\0';
}

void log_frame_error(const char* what) {
  log_printf("[%s][%s][FRAME ERROR: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), what);
}

void free_section(FrameSection* s) { delete s;  /* a MessageBlock it points at stays its layer's */ }

void drain(LockedQueue* q) {
  if (q == nullptr) return;
  while (auto* s = static_cast<FrameSection*>(queue_pop(q))) free_section(s);
}

// The most words a section can write; -1 for a kind this station does not build.
int word_bound(const FrameSection& s) {
  switch (s.kind) {
    case SECTION_AMD: return static_cast<int>((s.text.size() + 2) / 3) + 2;
    case SECTION_CODED: return static_cast<int>((s.bytes.size() + 2) / 3) + 2;
    case SECTION_CHECK: return 1;
    case SECTION_LQA: return 2;
    case SECTION_WORDS: return static_cast<int>(s.words.size());
    case SECTION_DTM_CONTROL: return 2;
    case SECTION_LP_TIME: return 3;
    case SECTION_DTM_BLOCK: {
      const auto* b = static_cast<const MessageBlock*>(s.block);
      if (b == nullptr) return 0;
      const int n = static_cast<int>(b->data.size());
      return n == 0 ? 2 : dtm_data_words(message_header_text(b->header), n) + 2;
    }
    case SECTION_DBM_BLOCK:
    case SECTION_DBM_ACK: return 0;
    default: return -1;
  }
}

// Builds one section into `out`: the words written, or -1 when they do not fit.
int build_section(const FrameSection& s, std::span<AleWord> out) {
  const FrameSectionHooks& hooks = frame_sections().hooks;
  const int bound = word_bound(s);
  if (bound > static_cast<int>(out.size())) return -1;
  switch (s.kind) {
    case SECTION_AMD: return ale_build_amd_words(s.text.c_str(), out);
    case SECTION_CODED: {
      std::vector<uint8_t> codes(s.bytes.size());
      for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = s.bytes[i] & 0x7F;
      return ale_build_coded_amd_words(codes, out);
    }
    case SECTION_CHECK: return ale_check_word(out.data());
    case SECTION_LQA: return ale_build_lqa_word(s.address, s.value, out);
    case SECTION_WORDS: return ale_copy_prepared_words(s.words, out);
    case SECTION_DTM_CONTROL: return hooks.dtm_ack ? hooks.dtm_ack(s.value, out) : 0;
    case SECTION_LP_TIME: return lp_build_time_words(s.value, out.data(), static_cast<int>(out.size()));
    case SECTION_DTM_BLOCK:
      return s.block == nullptr || !hooks.dtm_block ? 0
                                                    : hooks.dtm_block(*static_cast<const MessageBlock*>(s.block), out);
    // These queue their words themselves (a DBM body is raw groups, not words).
    case SECTION_DBM_ACK: return hooks.dbm_ack ? hooks.dbm_ack(s.value) : 0;
    case SECTION_DBM_BLOCK:
      if (s.block != nullptr && hooks.dbm_block) hooks.dbm_block(*static_cast<const MessageBlock*>(s.block));
      return 0;
    default: return 0;
  }
}

}  // namespace

void ale_compose_into(int queue, std::span<AleWord> frame, int& n, int& sent) {
  if (queue < 0 || queue >= kSectionQueueCount) return;
  LockedQueue* q = frame_sections().queues[static_cast<std::size_t>(queue)];
  if (q == nullptr) return;
  const int first = n;
  while (auto* s = static_cast<FrameSection*>(queue_peek(q))) {
    if (s->kind == SECTION_DBM_BLOCK || s->kind == SECTION_DBM_ACK) {
      ale_tx_word_array(frame.data() + sent, n - sent);
      sent = n;
    }
    const int written = build_section(*s, frame.subspan(static_cast<std::size_t>(n)));
    if (written < 0) {
      const int bound = word_bound(*s);
      if (bound <= kFrameWordsMax && bound >= 0) {
        // It fits a frame of its own: it goes with the next one, and so does everything after it.
        log_frame_error("FRAME FULL, SECTION KEPT FOR THE NEXT FRAME");
        break;
      }
      if (bound < 0 && n > first) {
        log_frame_error("FRAME FULL, SECTION KEPT FOR THE NEXT FRAME");
        break;
      }
      log_frame_error("SECTION TOO LONG FOR A FRAME, DROPPED");
      free_section(static_cast<FrameSection*>(queue_pop(q)));
      continue;
    }
    queue_pop(q);
    n += written;
    free_section(s);
  }
}

FrameSectionState::~FrameSectionState() {
  if (sound_thread.joinable()) sound_thread.join();
  for (LockedQueue*& q : queues) {
    drain(q);
    queue_destroy(q);
    q = nullptr;
  }
}

FrameSectionState& frame_sections() {
  Station& st = station();
  // The player's state is made first, so it outlives the thread that plays the lead-in sound.
  st.state<WavPlayerState>();
  return st.state<FrameSectionState>();
}

FrameFlags& frame_flags() { return station().state<FrameFlags>(); }
int ale_ack_in_frame() { return frame_flags().ack_in_frame.load(); }
void ale_ack_in_frame_set() { frame_flags().ack_in_frame = 1; }
void ale_ack_in_frame_clear() { frame_flags().ack_in_frame = 0; }
void ale_no_reply_set(int value) { frame_flags().no_reply = value; }
int ale_no_reply() { return frame_flags().no_reply.load(); }
void ale_end_link_set(int value) { frame_flags().end_link = value; }
int ale_end_link() { return frame_flags().end_link.load(); }

int ale_play_lead_sound(const std::string& file, std::function<void()> handed) {
  FrameSectionState& s = frame_sections();
  if (s.sound_active.load() || wav_player_busy()) return 0;
  if (s.sound_thread.joinable()) s.sound_thread.join();  // the previous sound's, already ended
  auto once = std::make_shared<std::once_flag>();
  std::function<void()> fire = [once, handed] { std::call_once(*once, handed); };
  s.sound_active.store(true);
  Station* st = &station();
  s.sound_thread = std::thread([st, &s, file, fire] {
    StationScope scope(*st);
    set_thread_name("lead-sound");
    // Nothing may end this thread by an exception: the frame behind the sound must still go,
    // so the transmitter keyed for it is released at its end.
    try {
      const int result = wav_play_file(file, fire);
      std::error_code ec;
      if (result == WAV_PLAY_NO_FILE && !std::filesystem::exists(st->dir() / file, ec))
        log_file_not_found(file.c_str());
      else if (result != WAV_PLAY_DONE && result != WAV_PLAY_BUSY)
        log_printf("[%s][%s][TUNE SOUND: %s not played: %s]\n", log_time_stamp().c_str(),
                   log_current_channel_stamp().c_str(), file.c_str(), wav_player_last_error().c_str());
    } catch (const std::exception& e) {
      log_printf("[%s][%s][TUNE SOUND: %s not played: %s]\n", log_time_stamp().c_str(),
                 log_current_channel_stamp().c_str(), file.c_str(), e.what());
    }
    fire();  // not played, or cut short: the frame goes all the same
    s.sound_active.store(false);
  });
  return 1;
}

void ale_lead_sound_wait() {
  FrameSectionState& s = frame_sections();
  if (s.sound_thread.joinable()) s.sound_thread.join();
}

void ale_section_queues_init() {
  FrameSectionState& s = frame_sections();
  for (LockedQueue*& q : s.queues) {
    if (q != nullptr) {
      drain(q);
      queue_destroy(q);
    }
    q = queue_create(kSectionQueueSize);
  }
  s.called_count = 0;
  s.ending = ALE_ENDING_TIS;
}

void ale_sections_flush() {
  for (LockedQueue* q : frame_sections().queues) drain(q);
}

void ale_ack_sections_flush() { drain(frame_sections().queues[SECTIONS_ACK]); }

int ale_sections_pending() {
  const auto& q = frame_sections().queues;
  for (int i : {SECTIONS_CALL, SECTIONS_TRAFFIC, SECTIONS_ACK, SECTIONS_POLL})
    if (q[static_cast<std::size_t>(i)] != nullptr && queue_count(q[static_cast<std::size_t>(i)]) > 0) return 1;
  return 0;
}

void ale_section_drop_block(const void* block) {
  LockedQueue* q = frame_sections().queues[SECTIONS_TRAFFIC];
  if (q == nullptr || block == nullptr) return;
  // Pops every section once and puts back, in order, those that do not carry the block.
  for (int n = queue_count(q); n > 0; --n) {
    auto* s = static_cast<FrameSection*>(queue_pop(q));
    if (s == nullptr) break;
    if (s->block == block || queue_push(q, s) == nullptr) free_section(s);
  }
}

int ale_traffic_pending() { return ale_section_count(SECTIONS_TRAFFIC) > 0 ? 1 : 0; }
LockedQueue* ale_ack_section_queue() { return frame_sections().queues[SECTIONS_ACK]; }

int ale_section_count(int queue) {
  if (queue < 0 || queue >= kSectionQueueCount) return 0;
  LockedQueue* q = frame_sections().queues[static_cast<std::size_t>(queue)];
  return q == nullptr ? 0 : queue_count(q);
}

int ale_section_push(int queue, FrameSection* section) {
  if (section == nullptr || queue < 0 || queue >= kSectionQueueCount) return 0;
  LockedQueue* q = frame_sections().queues[static_cast<std::size_t>(queue)];
  return q != nullptr && queue_push(q, section) != nullptr ? 1 : 0;
}

int ale_section_push_call(FrameSection* s) { return ale_section_push(SECTIONS_CALL, s); }
int ale_section_push_traffic(FrameSection* s) { return ale_section_push(SECTIONS_TRAFFIC, s); }
int ale_section_push_ack(FrameSection* s) { return ale_section_push(SECTIONS_ACK, s); }
int ale_section_push_poll(FrameSection* s) { return ale_section_push(SECTIONS_POLL, s); }
int ale_section_push_link_message(FrameSection* s) { return ale_section_push(SECTIONS_LINK_MESSAGE, s); }

int ale_queue_traffic_text(const char* text) {
  if (text == nullptr || text[0] == '\0') return 0;
  auto* s = new FrameSection;
  s->kind = SECTION_AMD;
  s->text = text;
  if (ale_section_push_traffic(s)) return 1;
  delete s;
  return 0;
}

int ale_queue_traffic_binary(const uint8_t* data, int length) {
  if (data == nullptr || length <= 0) return 0;
  auto* s = new FrameSection;
  s->kind = SECTION_CODED;
  s->bytes.assign(data, data + length);
  s->data_element = kAqcBinaryDataElement;
  if (ale_section_push_traffic(s)) return 1;
  delete s;
  return 0;
}

// ---- frame addresses ----

void ale_set_own_address(const char* text) {
  FrameSectionState& s = frame_sections();
  copy16(s.own_address, text);
}

void ale_load_own_address() {
  const std::string own = ale_channel_own_address();
  ale_set_own_address(own.empty() ? "NONAME" : own.c_str());
}

const char* ale_own_address_text() { return frame_sections().own_address; }

int ale_set_called_list(const AddressList& addresses) {
  const int count = static_cast<int>(addresses.size());
  if (count > kCalledListMax) {
    log_printf("[%s][%s][CALL ERROR: %d ADDRESSES, AT MOST %d MAY BE CALLED]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), count, kCalledListMax);
    return 0;
  }
  FrameSectionState& s = frame_sections();
  for (int i = 0; i < count; ++i) copy16(s.called[static_cast<std::size_t>(i)].data(), addresses[static_cast<std::size_t>(i)].c_str());
  s.called_count = count;
  return 1;
}

void ale_set_called(const char* address) { ale_set_called_list({address}); }

std::vector<const char*> ale_called_pointers() {
  FrameSectionState& s = frame_sections();
  std::vector<const char*> out;
  for (int i = 0; i < s.called_count; ++i) out.push_back(s.called[static_cast<std::size_t>(i)].data());
  return out;
}

const char* ale_first_called_address() { return frame_sections().called[0].data(); }
int ale_called_count() { return frame_sections().called_count; }

std::string ale_called_list_text() {
  std::string out;
  for (const char* a : ale_called_pointers()) {
    out += a;
    out += ' ';
  }
  return out;
}

void ale_end_calls_with_tis() { frame_sections().ending = ALE_ENDING_TIS; }
void ale_end_calls_with_twas() { frame_sections().ending = ALE_ENDING_TWAS; }
int ale_call_ending() { return frame_sections().ending; }
void xfer_set_dest_address(const char* text) { copy16(frame_sections().dest_address, text); }
const char* xfer_dest_address() { return frame_sections().dest_address; }

// ---- composer ----

int ale_compose_sections(int queue, std::span<AleWord> out) {
  int n = 0, sent = 0;
  ale_compose_into(queue, out, n, sent);
  // Words already handed over ahead of a section that queued its own are not returned.
  if (sent > 0) std::copy(out.begin() + sent, out.begin() + n, out.begin());
  return n - sent;
}

void ale_tx_word_array(const AleWord* words, int count) {
  // Through the builders' hand-over, so the words of a frame held during the lead-in sound
  // stay in order with its address words.
  for (int i = 0; i < count; ++i) ale_builder_tx_word(words[i]);
}

}  // namespace vesk
