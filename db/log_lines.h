// Fixed log lines: link events, command and table errors, soundings and heard calls, received
// AMD messages, AQC-ALE acknowledgements, the LQA trace and the AMD retry's lines. Each text exists
// only here; the engine, the command interpreter and the dialogs call these operations.
//
// Addresses are NUL-terminated texts (a null pointer prints as empty).
#pragma once

#include <string>

namespace vesk {

struct AmdStoreEntry;
struct LqaRecord;

// Link events (stamped with time and working channel).
void log_linked(const char* address);
void log_aqc_linked(const char* address);
void log_cleared(const char* address);
void log_time_out(const char* address);
void log_call_failed(const char* address);
void log_polled(const char* address);
void log_respond(const char* address);
void log_msg_sent(const char* address);
void log_dbm_fail();
void log_dtm_fail();
void log_unknown_address(const char* address);

// AQC-ALE acknowledgements.
void log_nak(const char* address);
void log_ack(const char* address);
void log_operator_nak(const char* address);
void log_operator_ack(const char* address);
void log_send_operator_ack_now(const char* address);

// Command and table errors.
void log_mmi_no_command(const char* word);
void log_mmi_ambiguous();
void log_mmi_not_enough_params();
void log_mmi_too_many_params();
void log_mmi_unknown_own_address(const char* text);
void log_mmi_unknown_net_address(const char* text);
void log_add_net_invalid(const char* text);
void log_file_not_found(const char* file_name);
void log_channel_not_in_group();
void log_unknown_other_address(const char* text);
void log_not_in_use();
void log_my_address_not_set();
void log_my_address(const char* address);

// Message boxes of the address tables and dialogs.
void display_one_own_address_box(const char* second_own_address);
void display_missing_own_address_box();
void display_missing_net_address_box();
void display_other_in_use_box();
void display_own_in_use_box();

// The two-character text of a BER score: " -" for 49 (no value), " F" for 50 (marked).
std::string log_ber_score_text(int score);

// Soundings (written only while display soundings is on) and heard calls (always).
void log_sounding_tws(const char* address, int ber_score, int sinad);
void log_sounding_tis(const char* address, int ber_score, int sinad);
void log_aqc_sounding_tws(const char* address, int ber_score, int sinad, int noise);
void log_aqc_sounding_tis(const char* address, int ber_score, int sinad, int noise);
// `amd_text` may be null (no AMD with the call).
void log_call_heard_tis(const char* called, const char* calling, int ber_score, int sinad, const char* amd_text);
void log_call_heard_tws(const char* called, const char* calling, int ber_score, int sinad, const char* amd_text);

// Received AMD messages.
void log_amd_entry(const AmdStoreEntry& entry);
// check_state: 1 CRC OK, 2 CRC BAD, other NO CRC.
void log_aqc_amd(const AmdStoreEntry& entry, int check_state);

// LQA trace, only while ListingStyle is 2.
void log_lqa_line(int address_index, int channel, const LqaRecord& lqa);

// A failed AMD handshake, and the automatic AMD retry armed after one and sending.
void log_handshake_failed();
void log_amd_auto_retry_armed();
void log_amd_auto_retry_sending();

}  // namespace vesk
