#include "ui/station_wiring.h"

#include "ale/dispatch/layer_hooks.h"
#include "ale/engine/api_event.h"
#include "ale/engine/timer.h"
#include "ale/frames/address_match.h"
#include "ale/frames/cmd_words.h"
#include "ale/frames/dictionaries.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/ale_timing.h"
#include "ale/link/aqc_rx.h"
#include "ale/link/call_setup.h"
#include "ale/link/channel_quality.h"
#include "ale/engine/host_reports.h"
#include "ale/link/link_state.h"
#include "ale/link/scan_monitor.h"
#include "ale/link/vad.h"
#include "ale/messages/dbm.h"
#include "ale/messages/dtm.h"
#include "ale/messages/file_transfer.h"
#include "ale/messages/send_queue.h"
#include "ale/words/linking_protection.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "command/host_port.h"
#include "command/interpreter.h"
#include "command/mail_port.h"
#include "command/remote_amd.h"
#include "command/listings.h"
#include "command/scripts.h"
#include "datalink/fs1052_binding.h"
#include "datalink/xfer_queue.h"
#include "db/daily_log.h"
#include "ale/engine/events.h"
#include "db/options.h"
#include "db/log.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/call_recorder.h"
#include "modem/fsk8.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "platform/thread.h"
#include "radio/dispatch.h"
#include "radio/emulation.h"
#include "radio/keying.h"
#include "radio/radio_hooks.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"
#include "ui/data_bar.h"
#include "ui/message_dialogs.h"
#include "ui/station_app.h"

namespace vesk {

namespace {

struct StationRun {
  bool started = false;
  bool stepped = false;
};
StationRun& station_run() { return station().state<StationRun>(); }

// ---- what a station thread reports ----

void wire_platform() {
  thread_hooks().fault = [](const std::string& thread, const std::string& what) {
    log_printf("[%s][%s][THREAD ERROR: %s: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
               thread.c_str(), what.c_str());
  };
}

// ---- what the database and log layer ask of the layers above ----

void wire_db() {
  LogHooks& log = log_hooks();
  log.expand_coded_amd = amd_expand_coded_amd;
  log.full_listing = report_full_listing;
  log.post_message = station_app_post_message;
  log.repaint = station_app_repaint;
  log.request_exit = station_app_exit_now;
  log.tuned_tx_freq_hz = radio_tuned_tx_freq;
  log.lp_level = lp_display_level;
  DbHooks& db = db_hooks();
  db.store_channel = [](int, const ChannelRecord& rec) { radio_store_channel_hook(rec); };
  db.start_tis_sounding = ale_start_tis_sounding;
  db.start_twas_sounding = ale_start_twas_sounding;
}

// ---- what the sound card and the 8-FSK demodulator hand up ----

void wire_modem() {
  // The word queue and receiver, the voice detector and the link state.
  SoundCardAleHooks& ale = sound_card().ale_hooks;
  ale.tx_symbols_pending = [] { return ale_tx_symbols_waiting() ? ALE_TX_SYMBOLS_WAITING : ALE_TX_DRAINED; };
  ale.tx_next_symbol = [] { return ale_tx_next_symbol(); };
  ale.post_tx_underrun = [] { ale_post_tx_underrun(); };
  ale.reset_receiver = [] { ale_reset_receiver(); };
  ale.vad_reset = ale_vad_reset;
  ale.link_ready = ale_link_ready;
  // Keying.
  SoundCardRadioHooks& radio = sound_card().radio_hooks;
  radio.ptt_on = [] { ptt_on(); };
  radio.ptt_off = [] { ptt_off(); };
  // The serial-tone modem's receptions and transmissions go to the data link.
  SoundCardDataLinkHooks& data_link = sound_card().data_link_hooks;
  data_link.rx_byte = [](int byte) { fs1052_modem_rx_byte(static_cast<uint8_t>(byte)); };
  data_link.rx_start = [] {
    fs1052_modem_rx_start();
    timer_start_twa();
  };
  data_link.rx_end = fs1052_modem_rx_end;
  data_link.tx_end = fs1052_modem_tx_end;
  fs1052_set_modem_io(&fs1052_serial_tone_modem());
  sound_card().trace_hooks.net_trace = [](const std::string& line) { log_net_trace_printf("%s", line.c_str()); };
  FskState& fsk = fsk_state();
  fsk.hooks.symbol = ale_rx_symbol;
  fsk.hooks.dwell_tick = ale_dwell_tick;
  fsk.hooks.vad_block = ale_vad_block;
  fsk.hooks.audio_update = display_post_audio_update;
  fsk.hooks.record = rec_write;
  fsk.hooks.aqc_snr_add = aqc_snr_add;
  // The word receiver's frame begin reaches the frame event handler through the engine queue
  // (the receiver runs on the audio thread), ahead of the frame's first word.
  word_rx_state().hooks.frame_begin = [](int event) { ale_post_frame_begin(event); };
  word_rx_state().hooks.status = [](int disagreements, double sinad) {
    display_post_word_figures(disagreements, static_cast<float>(sinad));
  };
  // Each transmitted word reaches the command monitor after its trace, as each received one.
  word_queue_state().hooks.tx_word = ale_monitor_cmd_word;
}

// ---- what radio control asks of the link state and the engine's timers ----

void wire_radio() {
  RadioHooks& hooks = radio_hooks();
  hooks.link_state = [] { return ale_link_state(); };
  hooks.scanning = [] { return ale_scan_mode() == ALE_SCAN_MODE_SCANNING; };
  SerialTimerHooks& serial_timers = serial_timer_hooks();
  serial_timers.start = timer_start;
  serial_timers.stop = timer_stop;
  // Keying the transmitter is link activity.
  serial_poll_hooks().timer_start_twa = timer_start_twa;
  serial_poll_hooks().emul_frame = emul_handle_frame;
}

// ---- what the link state asks of the command layer ----

void wire_ale() {
  LinkHooks& link = link_state().hooks;
  link.refresh_status_bar = report_refresh_status_bar;
  link.run_script = [](const char* script) { script_run_file(script); };
  link.link_cleared = mmi_tnc_reset_on_clear;
  HostReportHooks& host = host_report_hooks();
  host.linked = host_report_linked;
  host.linked_to = host_report_linked_to;
  host.amd_sent = host_report_amd_sent;
  host.amd_sent_pending = host_set_amd_sent_pending;
  host.resumed_scanning = host_report_resumed_scanning;
  host.amd_received = host_report_amd_received;
  host.remote_amd_command = mmi_remote_amd_command;
  host.remote_command_reply = mmi_remote_command_reply;
  host.progress = host_send_text;
  link.data_link_up = [](const char* peer) {
    fs1052_set_own_address(ale_channel_own_address().c_str());
    if (peer != nullptr && peer[0] != '\0') fs1052_set_remote_address(peer);
    fs1052_enable();
  };
  link.data_link_down = [] {
    fs1052_disable();
    fs1052_reset_link();
  };
  link.data_link_abort = fs1052_disable_on_kill;
  send_queue_state().hooks.message_sent = ui_message_sent;
  link.data_link_message_done = [] {
    std::string address;
    if (fs1052_report_take(&address)) ui_message_sent(address.c_str());
  };
  timers().hooks.data_link_tick = fs1052_tick;
  api_state().hooks.queued_transfer = xfer_queue_add;
  api_state().hooks.transfer_event = [](int event) {
    xfer_queue_event(event);
    if (event == XFER_EV_CALL_FAILED) fs1052_call_failed();
  };
  xfer_state().hooks.modem_payload = xfer_send_modem_payload_to;
}

struct StartStep {
  const char* what;
  void (*run)();
};

// The station's start-up, in this order, one call per step; no step is skipped when an
// earlier one fails (each module reports its own faults). The engine worker starts after the
// last step.
constexpr StartStep kStartOrder[] = {
    {"radio emulation port output queue", [] { emul_queue_init(); }},
    {"daily log files", [] { log_open_daily_files(); }},
    {"API queue", [] { api_queue_create(); }},
    {"engine event and transmit word queues", [] { ale_word_io_init(); }},
    {"frame-section queues", [] { ale_section_queues_init(); }},
    {"command interpreter text entry",
     [] {
       mmi_clear_text_entry();
       // Lines the worker hands over (link scripts) run on their own thread; a stepped
       // station's harness runs them with mmi_executor_step.
       if (!station_run().stepped) mmi_executor_start();
     }},
    {"TCP echo of log lines off", [] { log_reset_tcp_echo(); }},
    {"table listings with headings", [] { display_set_listing_full(); }},
    {"link state machine", [] { ale_link_init(); }},
    {"DTM and DBM send queues and receive stores",
     [] {
       dtm_dbm_queues_init();
       dtm_rx_init();
       dbm_rx_init();
     }},
    {"linking protection", [] { lp_init(); }},
    {"received text and data buffers", [] { ale_rx_buffers_reset(); }},
    {"sound card",
     [] {
       if (station_run().stepped) sound_card().threaded = false;
       snd_open();
     }},
    {"FED-STD-1052 data link", [] { fs1052_open(station_run().stepped); }},
    {"10 ms tick", [] { timer_tick_start(); }},
    {"tuner, antenna-switch and TNC port queues",
     [] {
       atu_queue_init();
       ant_queue_init();
       tnc_queue_init();
     }},
    {"radio port queue and radio set-up", [] { radio_port_init(); }},
    {"scanning marked inactive", [] { db_clear_scan_active(); }},
    {"recorder state", [] { ale_recorder_init(); }},
    {"command-line parameters", [] { ale_apply_command_line(); }},
    {"TCP host port when enabled", [] { host_init(); }},
    {"mail listeners when enabled", [] { mail_init(); }},
    {"queued-transfer queue", [] { xfer_queue_init(); }},
    {"AMD phrase dictionaries", [] { amd_load_dictionaries(); }},
    {"LQA ageing timer", [] { timer_start_periodic(EV_LQA_AGE_TIMER, 60000); }},
};

}  // namespace

void station_wire() {
  wire_platform();
  wire_db();
  wire_modem();
  wire_radio();
  wire_ale();
  ale_bind_layer_hooks();
}

StationThread* station_start(EngineRun run) {
  StationRun& s = station_run();
  if (!s.started) {
    s.started = true;
    s.stepped = run == EngineRun::Stepped;
    for (const StartStep& step : kStartOrder) step.run();
  }
  return ale_engine_start_worker(run);
}

int station_stop() {
  mail_stop();
  host_stop();
  const int ended = ale_engine_stop();
  mmi_executor_stop();
  fs1052_close();
  return ended;
}

}  // namespace vesk
