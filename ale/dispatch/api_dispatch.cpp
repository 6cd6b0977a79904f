// The engine's dispatcher: see api_dispatch.h.
#include "ale/dispatch/api_dispatch.h"

#include <algorithm>
#include <cstring>

#include "ale/engine/api_event.h"
#include "ale/engine/timer.h"
#include "ale/link/amd_retry.h"
#include "ale/link/call_setup.h"
#include "ale/engine/host_reports.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/frames/voice_id.h"
#include "ale/messages/file_transfer.h"
#include "ale/messages/send_queue.h"
#include "db/database.h"
#include "ale/engine/events.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/lqa.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/hook.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"

namespace vesk {

namespace {

// The database records that kinds 14 to 17 carry, and the table sizes that bound their
// delete indexes.
struct RecordKind {
  int kind;
  int record_size;
  int table_size;
};
constexpr RecordKind kRecordKinds[] = {
    {API_CHANNEL, sizeof(ChannelRecord), kChannelCount},
    {API_OWN_ADDRESS, sizeof(OwnAddressRecord), kOwnAddressCount},
    {API_OTHER_ADDRESS, sizeof(OtherAddressRecord), kOtherAddressCount},
    {API_NET, sizeof(NetRecord), kNetCount},
};

// A record of the payload as its struct (the producer copied the struct in the same way).
template <class Record>
Record record_of(const ApiEvent& e) {
  Record r{};
  std::memcpy(&r, e.payload(), sizeof r);
  return r;
}

struct TimerRouteRow {
  int first, last;
  TimerRoute route;
};

// Timer numbers and their owners; a number in no row is unknown.
constexpr TimerRouteRow kTimerRoutes[] = {
    {1, 1, TimerRoute::Nothing},
    {EV_INITIATE_FRAME, EV_INITIATE_GROUP_CALL, TimerRoute::LinkStateMachine},
    {EV_INITIATE_ALLCALL, EV_START_SCAN, TimerRoute::LinkStateMachine},
    {EV_SCAN_TIMER, EV_KEYUP_TIMER, TimerRoute::LinkStateMachine},
    {EV_VOICE_ID_TIMER, EV_VOICE_ID_TIMER, TimerRoute::VoiceId},
    {EV_TWACK_TIMER, EV_TWACK_RESP_TIMER, TimerRoute::LinkStateMachine},
    {EV_RADIO_TIMEOUT, EV_RADIO_TIMEOUT, TimerRoute::RadioPort},
    {EV_RADIO_SCAN_COMMAND_SENT, EV_INACTIVITY_TIMEOUT, TimerRoute::LinkStateMachine},
    {EV_LQA_AGE_TIMER, EV_LQA_AGE_TIMER, TimerRoute::LqaAgeing},
    {EV_RADIO_CONFIG_TIMER, EV_SKANTI_TX_POLL_TIMER, TimerRoute::RadioPort},
    {EV_RADIO_TX_POLL_TIMER, EV_RADIO_TX_POLL_TIMER, TimerRoute::RadioKeepAlive},
    {EV_ATU_TIMEOUT, EV_ATU_CONFIG_TIMER, TimerRoute::TunerPort},
    {EV_ANT_TIMEOUT, 1045, TimerRoute::AntennaSwitchPort},
    {EV_TNC_TIMEOUT, 1047, TimerRoute::TncPort},
    {1048, 1074, TimerRoute::RemoteCommandReply},
    {1075, 1083, TimerRoute::SgcSetupStep},
    {1084, 1084, TimerRoute::AmdRetry},
    {1085, 1085, TimerRoute::KeyTransmitter},
    {1086, 1086, TimerRoute::DelayedFrequencyLoad},
    {1087, 1087, TimerRoute::MemoriesPrompt},
    {EV_RADIO_EMULATION_TIMEOUT, 1089, TimerRoute::EmulationPort},
    {EV_XFER_REPORT_TIMER, EV_XFER_REPORT_TIMER, TimerRoute::FileTransferReport},
};

// The event's addresses as the one list the engine's entries take. Addresses
// come from other threads and programs: each is cut to its field and the count bounded.
AddressList address_list(ApiEvent& e) {
  const int count = std::clamp(e.address_count, 0, kApiMaxAddresses);
  AddressList list;
  for (int i = 0; i < kApiMaxAddresses; ++i) {
    e.addresses[i][kApiAddressSize - 1] = '\0';
    if (i < count) list.emplace_back(e.addresses[i]);
  }
  return list;
}

void dispatch_record(ApiEvent& e) {
  const RecordKind* rk = nullptr;
  for (const auto& r : kRecordKinds)
    if (r.kind == e.kind) rk = &r;
  if (rk == nullptr) return;
  if (e.sub_op == API_RECORD_ADD) {
    if (e.payload_length != rk->record_size) {
      log_printf("API event %d dropped: record of %d bytes, expected %d\n", e.kind, e.payload_length,
                 rk->record_size);
      return;
    }
    switch (e.kind) {
      case API_CHANNEL: db_add_channel(record_of<ChannelRecord>(e)); break;
      case API_OWN_ADDRESS: {
        OwnAddressRecord r = record_of<OwnAddressRecord>(e);
        r.address[kAddressFieldSize - 1] = '\0';
        db_add_own_address(r.address);
        break;
      }
      case API_OTHER_ADDRESS: {
        OtherAddressRecord r = record_of<OtherAddressRecord>(e);
        r.address[kAddressFieldSize - 1] = '\0';
        db_add_other_address(r.address, r.learned, r.twr_ms, r.tt_ms);
        break;
      }
      case API_NET: db_store_net(record_of<NetRecord>(e)); break;
    }
  } else if (e.sub_op == API_RECORD_DELETE) {
    if (e.param < 0 || e.param >= rk->table_size) {
      log_printf("API event %d dropped: index %d out of range\n", e.kind, e.param);
      return;
    }
    switch (e.kind) {
      case API_CHANNEL: db_delete_channel(e.param); break;
      case API_OWN_ADDRESS: db_delete_own_address(e.param); break;
      case API_OTHER_ADDRESS: db_delete_other_address(e.param); break;
      case API_NET: db_delete_net(e.param); break;
    }
  }
}

// A DTM or DBM data event goes to the queue of its kind of data: text, the last part of a
// binary message, or another part.
using QueueData = int (*)(const uint8_t* data, int n, const char* destination);
void queue_data(const ApiEvent& e, QueueData text, QueueData binary_ended, QueueData binary) {
  const QueueData queue = e.sub_op == API_DATA_TEXT            ? text
                          : e.sub_op == API_DATA_BINARY_ENDED ? binary_ended
                                                               : binary;
  queue(reinterpret_cast<const uint8_t*>(e.payload()), e.payload_length, e.addresses[0]);
}

}  // namespace

TimerRoute api_timer_route(int event_number) {
  for (const auto& row : kTimerRoutes)
    if (event_number >= row.first && event_number <= row.last) return row.route;
  return TimerRoute::Unknown;
}

void api_dispatch_timer(int n) {
  switch (api_timer_route(n)) {
    case TimerRoute::Nothing: break;
    case TimerRoute::LinkStateMachine: ale_link_event(n); break;
    case TimerRoute::VoiceId: ale_voice_id_due(); break;
    case TimerRoute::RadioPort:
    case TimerRoute::TunerPort:
    case TimerRoute::AntennaSwitchPort:
    case TimerRoute::TncPort:
    case TimerRoute::EmulationPort: serial_queue_route_timer(n); break;
    case TimerRoute::FileTransferReport: xfer_report_timer(); break;
    case TimerRoute::LqaAgeing:
      db_age_minute();
      db_run_sounding_schedule();
      // The minute's log lines reach the daily files even when no line follows them.
      log_file_texts();
      break;
    case TimerRoute::AmdRetry: ale_amd_auto_retry_send(); break;
    // Through the state machine, which keys only while the frame it keyed for is still to go.
    case TimerRoute::KeyTransmitter: ale_sm_key_transmitter(); break;
    case TimerRoute::RemoteCommandReply: ale_remote_command_reply(n); break;
    case TimerRoute::RadioKeepAlive:
    case TimerRoute::SgcSetupStep:
    case TimerRoute::DelayedFrequencyLoad:
    case TimerRoute::MemoriesPrompt: radio_timer_step(n); break;
    case TimerRoute::Unknown: log_printf("UNKNOWN TIMER EVENT ID %d\n", n); break;
  }
}

void api_dispatch(ApiEvent* event) {
  if (event == nullptr) return;
  ApiEvent& e = *event;
  const AddressList addresses = address_list(e);
  // Text payloads end at payload_length; the byte there is inside the record.
  if (e.payload_length < 0 || e.payload_length > e.payload_capacity) e.payload_length = e.payload_capacity;
  e.payload()[e.payload_length] = '\0';
  switch (e.kind) {
    case API_CANCELLED: break;
    case API_TIMER_EXPIRY:
      if (timer_expiry_is_current(e.param, e.generation)) api_dispatch_timer(e.param);
      break;
    case API_CALL: ale_place_call(addresses, ""); break;
    case API_CLEAR: ale_terminate_link(addresses, ""); break;
    case API_GLOBAL_ALLCALL: ale_global_allcall(e.param, e.payload()); break;
    case API_SELECTIVE_ALLCALL: ale_selective_allcall(e.param, e.addresses[0], e.payload()); break;
    case API_GLOBAL_ANYCALL: ale_global_anycall(e.param, ""); break;
    case API_SELECTIVE_ANYCALL: ale_selective_anycall(e.param, e.addresses[0], ""); break;
    case API_AMD: ale_send_amd(addresses, e.payload()); break;
    case API_DBM_DATA: queue_data(e, dbm_queue_text, dbm_queue_binary_ended, dbm_queue_binary); break;
    case API_DTM_DATA: queue_data(e, dtm_queue_text, dtm_queue_binary_ended, dtm_queue_binary); break;
    // Queued transfers and the link notices they follow.
    case API_QUEUED_TRANSFER: call_hook(api_state().hooks.queued_transfer, e); break;
    case API_LINK_UP: call_hook(api_state().hooks.transfer_event, 0); break;
    case API_LINK_DOWN: call_hook(api_state().hooks.transfer_event, 1); break;
    case API_CALL_FAILED: call_hook(api_state().hooks.transfer_event, 2); break;
    case API_FILE_SEND: xfer_send_file(e); break;
    case API_CHANNEL:
    case API_OWN_ADDRESS:
    case API_OTHER_ADDRESS:
    case API_NET: dispatch_record(e); break;
    case 18:
    case 19: break;  // reserved
    case API_START_SCANNING: timer_start(EV_START_SCAN, 100); break;
    case API_STOP_SCANNING: timer_start(EV_STOP_SCAN, 100); break;
    case API_TOGGLE_SCANNING: ale_link_event(EV_TOGGLE_SCANNING); break;
    case API_VOICE_DETECTED: ale_link_event(EV_VOICE_DETECTED); break;
    default: log_printf("Unknown API event %d\n", e.kind); break;
  }
  api_free(event);
}

}  // namespace vesk
