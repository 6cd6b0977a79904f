// The engine's calls into separately built modules. A seam with an empty body belongs to a
// module that is not built yet; its comment names the call that fills it.
#include "ale/engine/engine_seams.h"

#include "ale/link/call_setup.h"
#include "ale/frames/cmd_words.h"
#include "ale/link/link_state.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/state_machine.h"
#include "ale/link/voice_id.h"
#include "platform/station.h"

namespace vesk {

// ---- link state machine ----
void ale_state_machine_event(int event) { ale_link_event(event); }
int seam_link_state() { return ale_link_state(); }
void seam_reset_modem() { ale_reset_modem(); }

// ---- receive frame parser ----
void seam_rx_word(const RxWordRecord& record) { ale_rx_word(record); }

// ---- network ports ----
void seam_stop_network_listeners() {}          // host port stop, mail listeners stop

// ---- API event kinds ----
void seam_place_call(char** a, int n, const char* t) { ale_place_call(a, n, t); }
void seam_terminate_link(char** a, int n, const char* t) { ale_terminate_link(a, n, t); }
void seam_global_allcall(int channel, const char* t) { ale_global_allcall(channel, t); }
void seam_selective_allcall(int channel, const char* s, const char* t) { ale_selective_allcall(channel, s, t); }
void seam_global_anycall(int channel, const char* t) { ale_global_anycall(channel, t); }
void seam_selective_anycall(int channel, const char* s, const char* t) { ale_selective_anycall(channel, s, t); }
void seam_dbm_queue(int, const char*, int) {}
void seam_dtm_queue(int, const char*, int) {}
void seam_send_amd(char** a, int n, const char* t) { ale_send_amd(a, n, t); }
void seam_xfer_queue_add(ApiEvent*) {}
void seam_xfer_send_file(ApiEvent*) {}
void seam_xfer_queue_event(int) {}

// ---- timer owners ----
void seam_voice_id_timer() { ale_voice_id_due(); }
void seam_radio_keep_alive() {}
void seam_remote_command_reply(int) {}
void seam_sgc_setup_step(int) {}
// Through the state machine, which keys only while the frame it keyed for is still to go.
void seam_ptt_on() { ale_sm_key_transmitter(); }
void seam_delayed_frequency_load() {}
void seam_memories_prompt() {}
void seam_fs1052_tick() {}

// ---- word layers ----
void seam_monitor_word(AleWord word) { ale_monitor_cmd_word(word); }
bool seam_aqc_word_test(AleWord) { return false; }
void seam_aqc_trace_tx_word(AleWord) {}       // aqc_trace_tx_word(word);

}  // namespace vesk
