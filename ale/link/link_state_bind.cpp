// The link state's, the timing periods' and the voice identification's side of the seams that
// the word, frame and message layers left for them.
#include <string>
#include <vector>

#include "ale/link/ale_timing.h"
#include "ale/frames/cmd_words.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/voice_id.h"
#include "ale/words/word_seams.h"
#include "db/log.h"

namespace vesk {

namespace {

std::vector<const char*> pointers(const std::vector<std::string>& list) {
  std::vector<const char*> out;
  out.reserve(list.size());
  for (const std::string& s : list) out.push_back(s.c_str());
  return out;
}

void queue_tw_section(AleWord word) {
  auto* section = new FrameSection;
  section->kind = SECTION_WORDS;
  section->words.push_back(word);
  if (ale_section_push_call(section) == 0) delete section;
}

}  // namespace

void ale_link_connect_layers() {
  WordSeams& w = word_seams();
  w.signalling_mode = [] { return ale_signalling_mode(); };
  w.engine_idle = [] { return ale_is_idle() != 0; };
  log_set_hooks([](LogHooks& h) {
    h.linked_station_count = [] { return ale_linked_count(); };
    h.link_state = [] { return ale_link_state(); };
  });

  FrameEventSeams& f = frame_event_state().seams;
  f.link_event = ale_link_event;
  f.scan_running = [] { return ale_scan_mode() == ALE_SCAN_MODE_SCANNING; };
  f.data_message_clear = ale_data_message_clear;
  f.frame_called_text = ale_frame_called_text;
  f.set_frame_kind = ale_set_frame_kind;
  // A call addressed here: the responder's slot wait and acknowledgement wait.
  f.net_slot_timing = [](int net, const char* caller) {
    ale_swt_net(net, caller);
    ale_twan_net(net, caller);
  };
  f.group_slot_timing = [](const std::vector<std::string>& list, const char* caller) {
    const std::vector<const char*> p = pointers(list);
    ale_swt_group(p.data(), static_cast<int>(p.size()), caller);
    ale_twan_group(p.data(), static_cast<int>(p.size()), caller);
  };
  f.anycall_slot_timing = [] {
    ale_swt_random();
    ale_twan_anycall();
  };
  f.aqc_slot_timing = [](int slot) {
    ale_swt_aqc_slot(slot);
    ale_twan_aqc_slot(slot);
  };

  RxParserSeams& parser = rx_parser_state().seams;
  parser.frame_called_add = ale_frame_called_add;
  parser.frame_called_clear = ale_frame_called_clear;

  CmdWordSeams& cmd = cmd_word_state().seams;
  cmd.data_message_set = ale_data_message_set;
  cmd.timing_char_decode = [](int character, int) { ale_tw_decode(character); };
  cmd.timing_received_set = [] { ale_slot_width_flag_set(1); };

  link_state().seams.set_frame_called_list = [](const std::vector<std::string>& names) {
    const std::vector<const char*> p = pointers(names);
    ale_set_called_list(p.data(), static_cast<int>(p.size()));
  };

  FrameSectionSeams& sections = frame_sections().seams;
  sections.scan_mode = ale_scan_mode;
  sections.set_signalling_mode = ale_set_signalling_mode;
  sections.voice_id_due_clear = ale_voice_id_due_clear;

  TimingSeams& t = timing_state().seams;
  // A caller with LQA exchange on sends its LQA word with the flag clear on a call that ends
  // with TIS, yet waits for answers that each carry an LQA word; the slots count the word
  // whenever the call carried one, so that caller and responders agree on the slot widths.
  t.frame_lqa_report_flag = [] { return ale_frame_context().lqa_word != 0 || ale_frame_lqa_report_flag() != 0 ? 1 : 0; };
  t.frame_peer_index = ale_frame_peer_index;
  t.queue_tw_section = queue_tw_section;
}

}  // namespace vesk
