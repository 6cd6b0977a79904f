// Binds the hooks between the ale folders.
#include "ale/dispatch/layer_hooks.h"

#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/ale_timing.h"
#include "ale/link/aqc_rx.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "ale/link/scan_monitor.h"
#include "ale/messages/dbm.h"
#include "ale/messages/dtm.h"
#include "ale/messages/file_transfer.h"
#include "ale/messages/send_queue.h"

namespace vesk {

void ale_bind_layer_hooks() {
  FrameEventHooks& frames = frame_event_state().hooks;
  frames.frame_kind = ale_set_frame_kind;
  frames.link_event = ale_link_event;
  frames.scanning = [] { return ale_scan_mode() == ALE_SCAN_MODE_SCANNING; };
  frames.aqc_frame_start = aqc_rx_frame_start;
  frames.heard_call_ended = ale_scan_monitor_event;
  frames.slots_net = [](int net, const char* caller) {
    ale_swt_net(net, caller);
    ale_twan_net(net, caller);
  };
  frames.slots_group = [](const AddressList& list, const char* caller) {
    ale_swt_group(list, caller);
    ale_twan_group(list, caller);
  };
  frames.slots_anycall = [] {
    ale_swt_random();
    ale_twan_anycall();
  };
  frames.slots_aqc = [](int slot) {
    ale_swt_aqc_slot(slot);
    ale_twan_aqc_slot(slot);
  };
  SendQueueHooks& send = send_queue_state().hooks;
  send.send_traffic = [](const char* address) { ale_send_amd_linked(address, ""); };
  FrameSectionHooks& sections = frame_sections().hooks;
  sections.dtm_block = dtm_transmit;
  sections.dtm_ack = dtm_build_ack;
  sections.dbm_block = dbm_transmit;
  sections.dbm_ack = dbm_build_ack;
  RxParserHooks& parser = rx_parser_state().hooks;
  parser.aqc_word = aqc_rx_word;
  parser.dbm_group = dbm_rx_group;
  parser.dtm_header = dtm_rx_header;
  parser.dtm_data_word = dtm_rx_data_word;
  parser.dtm_check_word = dtm_rx_check_word;
  parser.dbm_header = dbm_rx_header;
  parser.message_words_clear = [] {
    dtm_rx_clear_words();
    dbm_rx_clear();
  };
  parser.dbm_cut_off = dbm_rx_cut_off;
  parser.frame_ended = xfer_frame_ended;
  xfer_state().hooks.file_payload = xfer_receive;
  XferFileHooks& file = xfer_file_state().hooks;
  file.call_unless_linked = [](const char* address) {
    if (ale_link_ready() == 0) ale_place_call({address}, "");
  };
}

}  // namespace vesk
