#include "command/cmd_call.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ale/engine/api_event.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/messages/file_transfer.h"
#include "ale/link/amd_retry.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "ale/engine/events.h"
#include "command/keywords.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {


namespace {

// Every request of the command language carries these two values in its source and form.
constexpr int kCommandSource = 3;
constexpr int kCommandForm = 1;
// Requests that carry text have room for 90 characters and the terminator.
constexpr int kTextPayload = kMmiTextMax + 1;

void log_invalid_address(const char* address) {
  log_printf("[%s][%s][MMI CHANGE ERROR: INVALID ADDRESS => %s]\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str(), address);
}

// Checks the addresses words[first] .. words[last] before anything is posted: at most 20,
// each 1 to 15 characters of the basic ALE set. Reports the refusal itself.
bool addresses_ok(MmiLine& line, int first, int last) {
  if (last - first + 1 > kApiMaxAddresses) {
    line.fail(MMI_ERROR_TOO_MANY_PARAMETERS);
    return false;
  }
  for (int i = first; i <= last; ++i) {
    if (!db_address_valid(line.words[i])) {
      log_invalid_address(line.words[i]);
      return false;
    }
  }
  return true;
}

ApiEvent* new_request(int kind, int payload) {
  ApiEvent* e = api_alloc(payload);
  if (e == nullptr) return nullptr;
  e->kind = kind;
  e->source = kCommandSource;
  e->form = kCommandForm;
  e->payload_length = 0;  // no text until set_text
  return e;
}

void copy_addresses(ApiEvent* e, MmiLine& line, int first, int last) {
  for (int i = first; i <= last; ++i) {
    std::strncpy(e->addresses[e->address_count], line.words[i], kApiAddressSize - 1);
    ++e->address_count;
  }
}

// The text upper-cased and cut to 90 characters.
void set_text(ApiEvent* e, const char* text) {
  int n = 0;
  for (; text[n] != '\0' && n < kMmiTextMax; ++n)
    e->payload()[n] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[n])));
  e->payload_length = n;
}

int decimal(const char* word) { return static_cast<int>(std::strtol(word, nullptr, 10)); }

void call_or_clear(MmiLine& line, int kind) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  if (!addresses_ok(line, 1, line.count - 1)) return;
  ApiEvent* e = new_request(kind, 0);
  if (e == nullptr) return;
  copy_addresses(e, line, 1, line.count - 1);
  api_post(e);
}

// GLOBAL and SELECTIVE: `first` is the index of the channel word.
void allcall_anycall(MmiLine& line, int channel_word, int allcall_kind, int anycall_kind, int text_count) {
  ApiEvent* e = new_request(0, kTextPayload);
  if (e == nullptr) return;
  if (channel_word == 3) {  // SELECTIVE: the selector goes in address slot 0
    std::strncpy(e->addresses[0], line.words[2], kApiAddressSize - 1);
    e->address_count = 1;
  }
  e->param = decimal(line.words[channel_word]);
  switch (mmi_lookup_keyword(line.words[1])) {
    case 191:  // ALLCALL
      e->kind = allcall_kind;
      if (line.count == text_count) set_text(e, line.words[text_count - 1]);
      break;
    case 192:  // ANYCALL
      e->kind = anycall_kind;
      break;
    case MMI_AMBIGUOUS:
      api_free(e);
      return line.fail(MMI_ERROR_AMBIGUOUS, line.words[1]);
    default:
      api_free(e);
      return line.fail(MMI_ERROR_NO_COMMAND, line.words[1]);
  }
  api_post(e);
}

void linked_twx_on(const char* what) {
  if (db_get_linked_twx() != 0) return;
  db_set_linked_twx(1);
  log_printf("[%s][%s][OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR %s]\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str(), what);
}

void data_arq(MmiLine& line, bool dbm) {
  if (line.count < 2) return;
  std::string text;
  for (int i = 2; i < line.count; ++i) {
    text += line.words[i];
    text += ' ';
  }
  text += '\n';
  xfer_set_dest_address(line.words[1]);
  if (dbm)
    db_set_dbm_arq();
  else
    db_set_dtm_arq();
  linked_twx_on(dbm ? "DBM ARQ" : "DTM ARQ");
  if (dbm)
    xfer_select_dbm_path();
  else
    xfer_select_dtm_path();
  text += '\n';
  ale_set_amd_retry_counter(-1);
  xfer_send_text(text.c_str(), 0);
}

}  // namespace

void mmi_cmd_call(MmiLine& line) { call_or_clear(line, API_CALL); }
void mmi_cmd_clear(MmiLine& line) { call_or_clear(line, API_CLEAR); }

void mmi_cmd_global(MmiLine& line) {
  if (line.count < 3) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  allcall_anycall(line, 2, API_GLOBAL_ALLCALL, API_GLOBAL_ANYCALL, 4);
}

void mmi_cmd_selective(MmiLine& line) {
  if (line.count < 4 || std::strlen(line.words[2]) > 2 || !db_address_valid(line.words[2]))
    return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  allcall_anycall(line, 3, API_SELECTIVE_ALLCALL, API_SELECTIVE_ANYCALL, 5);
}

void mmi_cmd_amd(MmiLine& line) {
  if (line.count == 1) return db_list_amd_store();
  if (line.count < 3) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  if (!addresses_ok(line, 1, line.count - 2)) return;
  ApiEvent* e = new_request(API_AMD, kTextPayload);
  if (e == nullptr) return;
  copy_addresses(e, line, 1, line.count - 2);
  set_text(e, line.words[line.count - 1]);
  ale_set_amd_retry_counter(0);
  api_post(e);
}

void mmi_cmd_dbmarq(MmiLine& line) { data_arq(line, true); }
void mmi_cmd_dtmarq(MmiLine& line) { data_arq(line, false); }

void process_msgdbmftp_command(MmiLine& line) {
  // Both words are read below: without them there is nothing to prepare.
  if (line.count < 3) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  const std::string t = log_time_stamp(), c = log_current_channel_stamp();
  log_printf("[%s][%s][process_msgdbmftp_command 1]\n", t.c_str(), c.c_str());
  log_printf("[%s][%s][process_msgdbmftp_command 2]\n", t.c_str(), c.c_str());
  xfer_set_file_path(line.word_as_typed(2).c_str());
  xfer_set_dest_address(line.words[1]);
  xfer_use_dbm_for_ftp();
  // A file send ends an armed automatic AMD retry.
  ale_set_amd_retry_counter(-1);
}

void mmi_cmd_kill(MmiLine&) { ale_abort(); }
void mmi_cmd_stop(MmiLine&) { ale_link_event(EV_STOP_SCAN); }
void mmi_cmd_start(MmiLine&) { ale_link_event(EV_START_SCAN); }

}  // namespace vesk
