#include "ale/engine/engine.h"

#include <cstdlib>

#include "ale/engine/api_event.h"
#include "ale/frames/dictionaries.h"
#include "ale/engine/engine_seams.h"
#include "ale/engine/event_names.h"
#include "db/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_linked.h"
#include "ale/engine/timer.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "command/interpreter.h"
#include "db/daily_log.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

// The engine's services that lower layers reach through their hooks: the transmit word
// trace, the frame-start trace, the timers of the log layer (the AMD retry) and of the
// serial output queues (their pacing), and the scan dwell counted in demodulated blocks.
void engine_connect_layers() {
  word_queue_state().seams.trace_tx_word = ale_trace_tx_word;
  word_rx_state().seams.trace_frame_start = ale_trace_frame_start;
  word_rx_state().seams.dbm_mode = [] { return ale_rx_dbm_mode() != 0; };
  log_set_hooks([](LogHooks& h) { h.start_timer = timer_start; });
  serial_set_timer_hooks(SerialTimerHooks{timer_start, timer_stop});
  fsk_state().hooks.dwell_tick = ale_dwell_tick;
}

struct EngineStartStep {
  const char* what;
  void (*run)();
};

// The engine's start-up, in this order, one call per step. A step whose module is not built
// yet is empty; no step is skipped when an earlier one fails (each module reports its own
// faults). The worker thread starts after the last step.
constexpr EngineStartStep kEngineStartOrder[] = {
    {"radio emulation port output queue", [] { emul_queue_init(); }},
    {"daily log files", [] { log_open_daily_files(); }},
    {"API queue", [] { api_queue_create(); }},
    {"engine event and transmit word queues", [] { ale_word_io_init(); }},
    {"frame-section queues", [] { ale_section_queues_init(); }},
    {"command interpreter text entry",
     [] {
       mmi_clear_text_entry();
       // Lines the worker hands over (link scripts, remote replies) run on their own thread;
       // a stepped engine's harness runs them with mmi_executor_step.
       if (!engine().stepped) mmi_executor_start();
     }},
    {"TCP echo of log lines off", [] { log_reset_tcp_echo(); }},
    {"table listings with headings", [] { display_set_listing_full(); }},
    {"link state machine",
     [] {
       ale_link_connect_layers();
       ale_state_machine_connect();
       ale_linked_states_connect();
       ale_link_init();
     }},
    {"DTM and DBM block queues", [] {}},                // dtm_dbm_queues_init
    {"DTM receive stores", [] {}},                      // dtm_rx_init
    {"DBM receive stores", [] {}},                      // dbm_rx_init
    {"received text and data buffers", [] { ale_rx_buffers_reset(); }},
    {"linking protection", [] {}},                      // lp_init
    {"sound card",
     [] {
       snd_bind_station_modules();
       // A stepped engine runs no threads of its own: its harness steps the sound card too.
       if (engine().stepped) sound_card().threaded = false;
       snd_open();
     }},
    {"10 ms tick", [] { timer_tick_start(); }},
    {"engine traces and timers lent to other layers", [] { engine_connect_layers(); }},
    {"tuner, antenna-switch and TNC port queues",
     [] {
       atu_queue_init();
       ant_queue_init();
       tnc_queue_init();
     }},
    {"radio port queue and radio set-up", [] { radio_port_init(); }},
    {"scanning marked inactive", [] { db_clear_scan_active(); }},
    {"call recorder and scan monitor", [] {}},          // ale_recorder_init
    {"command-line parameters", [] { ale_apply_command_line(); }},
    {"TCP host port when enabled", [] {}},
    {"mail listeners when enabled", [] {}},
    {"queued-transfer queue", [] {}},                   // xfer_queue_init
    {"AMD phrase dictionaries",
     [] {
       amd_load_dictionaries();
       amd_connect_log();
     }},
    {"frame event handler on the receiver, parser and decoder", [] { ale_frame_events_connect(); }},
    {"LQA ageing timer", [] { timer_start_periodic(EV_LQA_AGE_TIMER, 60000); }},
};

// The host port is kept in network byte order (its two low bytes swapped); giving it also
// turns the host port's autostart on.
void set_host_port(int port) {
  db_set_tcp_port(static_cast<uint16_t>(((port & 0xFF) << 8) | ((port >> 8) & 0xFF)));
  db_set_tcp_autostart(1);
}

// A parameter of the form P<n> with n from 1 to 65535 gives the port; 0 otherwise.
int host_port_of(const std::string& digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

}  // namespace

EngineState& engine() { return station().state<EngineState>(); }

StationThread* ale_engine_start(EngineRun run) {
  EngineState& s = engine();
  if (!s.started) {
    s.started = true;
    s.stepped = run == EngineRun::Stepped;
    for (const EngineStartStep& step : kEngineStartOrder) step.run();
    if (run == EngineRun::Thread)
      station().state<EngineWorker>().thread.start(station(), "ale-engine", [] { ale_engine_pass(); });
  }
  StationThread& worker = station().state<EngineWorker>().thread;
  return worker.running() ? &worker : nullptr;
}

void ale_engine_step() {
  EngineEvent e;
  if (ale_engine_event_pop(&e)) ale_engine_dispatch_event(e);
  if (ApiEvent* a = api_pop()) api_dispatch(a);
  port_poll_input();
}

void ale_engine_pass() {
  station().clock().sleep_ms(1);
  ale_engine_step();
}

void ale_engine_dispatch_event(const EngineEvent& event) {
  const int number = event.event;
  if (number <= EV_MIN_EVENT || number >= EV_MAX_EVENT) {
    log_printf("ILLEGAL EVENT ID %d\n", number);
  } else if (number == EV_ALE_WORD) {
    seam_rx_word(event.record);
  } else if (number == EV_RX_FRAME_BEGIN || number == EV_AQC_FRAME_BEGIN) {
    ale_frame_event(number);
  } else if (number == EV_ALE_TX_UNDERUN) {
    ale_state_machine_event(EV_TRANSMISSION_COMPLETE);
    seam_reset_modem();
  } else {
    log_printf("UNKNOWN EVENT ID %.8X\n", static_cast<unsigned>(number));
  }
}

int ale_engine_stop() {
  // The worker ends before anything it uses (sound card, tick, database) is taken down.
  const bool ended = station().state<EngineWorker>().thread.stop(kEngineStopLimitMs);
  if (!ended) log_printf("Engine worker did not stop within %d ms\n", static_cast<int>(kEngineStopLimitMs));
  mmi_executor_stop();
  seam_stop_network_listeners();
  return ended ? 1 : 0;
}

int ale_command_line_add(const std::string& arg) {
  EngineState& s = engine();
  if (arg.size() > 1 && arg[0] == '-') {
    if (static_cast<int>(s.command_line_flags.size()) >= kCommandLineMaxFlags) return 0;
    s.command_line_flags.push_back(arg.substr(1));
    return 1;
  }
  if (s.command_line_plain_kept) return 0;
  s.command_line_plain = arg;
  s.command_line_plain_kept = true;
  return 1;
}

void ale_apply_command_line() {
  EngineState& s = engine();
  for (const std::string& flag : s.command_line_flags) {
    if (flag[0] == 'P' || flag[0] == 'p') {
      const int port = host_port_of(flag.substr(1));
      if (port != 0)
        set_host_port(port);
      else
        log_printf("Host port %s ignored: not a number from 1 to 65535\r\n", flag.c_str() + 1);
    } else {
      log_printf("%s\r\n", flag.c_str());
    }
  }
  if (s.command_line_plain_kept) log_printf("%s\r\n", s.command_line_plain.c_str());
}

}  // namespace vesk
