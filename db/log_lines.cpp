#include "db/log_lines.h"

#include <string>

#include "db/database.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/options.h"

namespace vesk {

namespace {

// Lookups into the station options.
int opt_bells() { return db_get_bells(); }
int opt_display_soundings() { return db_get_display_soundings(); }

const char* text(const char* s) { return s != nullptr ? s : ""; }

// Stamped lines: the time stamp and the working channel's stamp, then the caller's fields.
template <class... Args>
void stamped(const char* format, Args... args) {
  log_printf(format, log_time_stamp().c_str(), log_current_channel_stamp().c_str(), args...);
}

// Time-only lines: "[%s] * ..." with the time stamp.
void time_only(const char* format) { log_printf(format, log_time_stamp().c_str()); }

void bells_and_linked_station(const char* address) {
  if (opt_bells() == 1) log_printf("\a\a\a");
  display_post_linked_station(text(address));
}

// The linking-protection level the heard words were read at.
std::string lp_level_name() {
  const LogHooks& h = log_hooks();
  return display_lp_level_name(h.lp_level ? h.lp_level() : 0);
}

void sounding(const char* format, const char* address, int ber_score, int sinad) {
  if (opt_display_soundings() == 0) return;
  stamped(format, text(address), lp_level_name().c_str(), log_ber_score_text(ber_score).c_str(), sinad);
}

void aqc_sounding(const char* format, const char* address, int ber_score, int sinad, int noise) {
  if (opt_display_soundings() == 0) return;
  stamped(format, text(address), lp_level_name().c_str(), log_ber_score_text(ber_score).c_str(), sinad, noise);
}

void call_heard(const char* format, const char* called, const char* calling, int ber_score, int sinad,
                const char* amd_text) {
  const std::string amd = amd_text != nullptr ? std::string("[AMD]") + amd_text : std::string();
  stamped(format, text(called), text(calling), lp_level_name().c_str(), log_ber_score_text(ber_score).c_str(),
          sinad, amd.c_str());
}

}  // namespace

// ---- link events ----

void log_linked(const char* address) {
  const std::string ts = log_time_stamp(), cs = log_current_channel_stamp();
  log_frame_printf("[%s][%s][%s][LINKED  ][%-15s]\n", log_date_stamp().c_str(), ts.c_str(), cs.c_str(),
                   text(address));
  log_printf("[%s][%s][LINKED  ][%-15s]\n", ts.c_str(), cs.c_str(), text(address));
  bells_and_linked_station(address);
}

void log_aqc_linked(const char* address) {
  stamped("[%s][%s][AQC LINKED  ][%-6s]\n", text(address));
  bells_and_linked_station(address);
}

void log_cleared(const char* address) {
  stamped("[%s][%s][CLEARED ][%-15s]\n", text(address));
}

void log_time_out(const char* address) {
  stamped("[%s][%s][TIME OUT][%-15s]\n", text(address));
}

void log_call_failed(const char* address) { stamped("[%s][%s][FAILED  ][%-15s]\n", text(address)); }
void log_polled(const char* address) { stamped("[%s][%s][POLLED  ][%-15s]\n", text(address)); }
void log_respond(const char* address) { stamped("[%s][%s][RESPOND ][%-15s]\n", text(address)); }
void log_msg_sent(const char* address) { stamped("[%s][%s][MSG SENT][%-15s]\n", text(address)); }
void log_dbm_fail() { stamped("[%s][%s][DBM FAIL]\n"); }
void log_dtm_fail() { stamped("[%s][%s][DTM FAIL]\n"); }

void log_unknown_address(const char* address) {
  log_printf("[%s][FAILED  ] - UNKNOWN ADDRESS %s\n", log_time_stamp().c_str(), text(address));
}

// ---- AQC-ALE acknowledgements ----

void log_nak(const char* address) { stamped("[%s][%s][NAK][%-6s]\n", text(address)); }
void log_ack(const char* address) { stamped("[%s][%s][ACK][%-6s]\n", text(address)); }
void log_operator_nak(const char* address) { stamped("[%s][%s][OPERATOR NAK][%-6s]\n", text(address)); }
void log_operator_ack(const char* address) { stamped("[%s][%s][OPERATOR ACK][%-6s]\n", text(address)); }
void log_send_operator_ack_now(const char* address) {
  stamped("[%s][%s][SEND OPERATOR ACK NOW][%-6s]\n", text(address));
}

// ---- command and table errors ----

void log_mmi_no_command(const char* word) {
  stamped("[%s][%s][MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => %s]\n", text(word));
}
void log_mmi_ambiguous() { stamped("[%s][%s][MMI CHANGE ERROR: AMBIGUOUS COMMAND]\n"); }
void log_mmi_not_enough_params() { stamped("[%s][%s][MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"); }
void log_mmi_too_many_params() { stamped("[%s][%s][MMI CHANGE ERROR: TOO MANY PARAMETERS]\n"); }
void log_mmi_unknown_own_address(const char* t) { stamped("[%s][%s][MMI CHANGE: UNKNOWN OWN ADDRESS => %s]\n", text(t)); }
void log_mmi_unknown_net_address(const char* t) { stamped("[%s][%s][MMI CHANGE: UNKNOWN NET ADDRESS => %s]\n", text(t)); }
void log_add_net_invalid(const char* t) { stamped("[%s][%s][ADD NET: INVALID NET ADDRESS => %s]\n", text(t)); }
void log_file_not_found(const char* file_name) { stamped("[%s][%s][FILE NOT FOUND ERROR: %s]\n", text(file_name)); }

void log_channel_not_in_group() {
  time_only("[%s][MMI CHANGE ERROR: REQUESTD CHANNEL NOT IN USE WITH CURRENT SCAN GROUP]\n");
}

void log_unknown_other_address(const char* t) { log_printf("UNKNOWN OTHER ADDRESS -%s-\n", text(t)); }
void log_not_in_use() { log_printf("* NOT IN USE\n"); }
void log_my_address_not_set() { log_printf("* MY ADDRESS NOT SET\n"); }
void log_my_address(const char* address) { log_printf("* MY ADDRESS %s\n", text(address)); }

// ---- message boxes ----

void display_one_own_address_box(const char* second_own_address) {
  display_message_box(std::string("Only One OWN Address Allowed ") + text(second_own_address));
}
void display_missing_own_address_box() { display_message_box("Missing OWN Address"); }
void display_missing_net_address_box() { display_message_box("Missing NET Address"); }
void display_other_in_use_box() { display_message_box("OTHER Address In Use"); }
void display_own_in_use_box() { display_message_box("OWN Address In Use"); }

// ---- soundings and heard calls ----

std::string log_ber_score_text(int score) {
  if (score == 49) return " -";
  if (score == 50) return " F";
  if (score < 0 || score > 99) return "??";
  char buf[4];
  std::snprintf(buf, sizeof buf, "%2d", score);
  return buf;
}

void log_sounding_tws(const char* address, int ber_score, int sinad) {
  sounding("[%s][%s][SND][               ][TWS][%-15s][%s] BER %s SN %.2d\n", address, ber_score, sinad);
}
void log_sounding_tis(const char* address, int ber_score, int sinad) {
  sounding("[%s][%s][SND][               ][TIS][%-15s][%s] BER %s SN %.2d\n", address, ber_score, sinad);
}
void log_aqc_sounding_tws(const char* address, int ber_score, int sinad, int noise) {
  aqc_sounding("[%s][%s][AQC SND][               ][TWS][%-15s][%s] BER %s SN %.2d NOISE %.2d\n", address,
               ber_score, sinad, noise);
}
void log_aqc_sounding_tis(const char* address, int ber_score, int sinad, int noise) {
  aqc_sounding("[%s][%s][AQC SND][               ][TIS][%-15s][%s] BER %s SN %.2d NOISE %.2d\n", address,
               ber_score, sinad, noise);
}

void log_call_heard_tis(const char* called, const char* calling, int ber_score, int sinad, const char* amd_text) {
  call_heard("[%s][%s][TO ][%-15s][TIS][%-15s][%s] BER %s SN %.2d %s\n", called, calling, ber_score, sinad,
             amd_text);
}
void log_call_heard_tws(const char* called, const char* calling, int ber_score, int sinad, const char* amd_text) {
  call_heard("[%s][%s][TO ][%-15s][TWS][%-15s][%s] BER %s SN %.2d %s\n", called, calling, ber_score, sinad,
             amd_text);
}

// ---- received AMD messages and the LQA trace ----

namespace {
// A fixed text field of a stored record, read without passing the field's end.
template <std::size_t N>
std::string field(const char (&f)[N]) {
  std::size_t n = 0;
  while (n < N && f[n] != '\0') ++n;
  return std::string(f, n);
}
}  // namespace

void log_amd_entry(const AmdStoreEntry& entry) {
  const std::string ts = log_time_stamp(), sender = field(entry.sender), message = field(entry.text);
  log_printf("[%s][%s][AMD][%-15s][%s]\n", ts.c_str(), log_channel_stamp(entry.channel).c_str(), sender.c_str(),
             message.c_str());
  log_frame_printf("[%s]<<[%s]%s\n", ts.c_str(), sender.c_str(), message.c_str());
}

void log_aqc_amd(const AmdStoreEntry& entry, int check_state) {
  std::string message = field(entry.text);
  if (!message.empty() && static_cast<unsigned char>(message[0]) == 0x80) {
    const LogHooks& hooks = log_hooks();
    if (hooks.expand_coded_amd) message = hooks.expand_coded_amd(message);
  }
  const char* tag = check_state == 1 ? "[CRC OK]" : check_state == 2 ? "[CRC BAD]" : "[NO CRC]";
  log_printf("[%s][%s][AMD][%-6s][%s]%s\n", log_time_stamp().c_str(), log_channel_stamp(entry.channel).c_str(),
             field(entry.sender).c_str(), message.c_str(), tag);
  log_frame_printf("%s\n", message.c_str());
}

void log_lqa_line(int address_index, int channel, const LqaRecord& lqa) {
  if (display_listing_style() != 2) return;
  log_printf("[ L %.2d %d %d %d %d %d %d %d %d %d ]\n", address_index, channel, lqa_ber(lqa.measured),
             lqa_sinad(lqa.measured), lqa_multipath(lqa.measured), lqa.measured_age, lqa_ber(lqa.reported),
             lqa_sinad(lqa.reported), lqa_multipath(lqa.reported), lqa.reported_age);
}

// ---- AMD retry ----

void log_handshake_failed() { time_only("[%s] * HANDSHAKE FAILED\n"); }
void log_amd_auto_retry_armed() { time_only("[%s] * AMD AUTO RETRY IN 3 SECONDS\n"); }
void log_amd_auto_retry_sending() { time_only("[%s] * AMD AUTO RETRY SENDING\n"); }

}  // namespace vesk
