// Engine seams: every call that the engine runtime (start-up, worker, API events, timers,
// traces) makes into a module that is built separately. Each seam is one small function in
// engine_seams.cpp; until its module exists it does nothing (or gives the module's default),
// and when the module lands its seam is filled with the one call named beside it.
#pragma once

#include <cstdint>

#include "ale/words/ale_word.h"

namespace vesk {

struct ApiEvent;
struct RxWordRecord;

// ---- link state machine ----
// Raises an event in the link state machine (ale_link_event).
void ale_state_machine_event(int event);
// The current link state 0-31 (ale_link_state).
int seam_link_state();
// Resets the modem after a transmission (ale_reset_modem).
void seam_reset_modem();

// ---- receive frame parser ----
// Hands a received word to the frame parser's word entry (ale_rx_word).
void seam_rx_word(const RxWordRecord& record);

// ---- network ports ----
// Stops the TCP host port (its client is told "EXIT") and the mail listeners.
void seam_stop_network_listeners();

// ---- API event kinds 3 to 17 and 23 to 25 ----
void seam_place_call(char** addresses, int count, const char* text);        // ale_place_call
void seam_terminate_link(char** addresses, int count, const char* text);    // ale_terminate_link
void seam_global_allcall(int channel, const char* text);                     // ale_global_allcall
void seam_selective_allcall(int channel, const char* selector, const char* text);
void seam_global_anycall(int channel, const char* text);                     // ale_global_anycall
void seam_selective_anycall(int channel, const char* selector, const char* text);
void seam_dbm_queue(int binary, const char* data, int length);  // dbm_queue_text / _binary
void seam_dtm_queue(int binary, const char* data, int length);  // dtm_queue_text / _binary
void seam_send_amd(char** addresses, int count, const char* text);           // ale_send_amd
void seam_xfer_queue_add(ApiEvent* event);                                   // xfer_queue_add
void seam_xfer_send_file(ApiEvent* event);                                   // xfer_send_file
void seam_xfer_queue_event(int what);                                        // xfer_queue_event

// ---- timer owners ----
void seam_voice_id_timer();                  // voice identification
void seam_radio_keep_alive();                // the radio keep-alive query
void seam_remote_command_reply(int event);   // one remote-command reply per number
void seam_sgc_setup_step(int event);         // the SGC-2000 set-up chain
void seam_ptt_on();                          // key the transmitter
void seam_delayed_frequency_load();          // delayed frequency load after a set-up
void seam_memories_prompt();                 // memories prompt after a memory-mode set-up
// Advances the FED-STD-1052 protocol timers by one tick.
void seam_fs1052_tick();

// ---- word layers ----
// Hands a received or transmitted word to the command-word monitor.
void seam_monitor_word(AleWord word);
// True when the word is an AQC-ALE word (the AQC-ALE word test).
bool seam_aqc_word_test(AleWord word);
// The AQC-ALE transmit trace of one word (aqc_trace_tx_word).
void seam_aqc_trace_tx_word(AleWord word);

}  // namespace vesk
