#include "ale/dispatch/engine.h"

#include <cstdlib>

#include "ale/dispatch/api_dispatch.h"
#include "ale/engine/api_event.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "ale/words/word_queue.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "radio/serial_poll.h"

namespace vesk {

namespace {

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

StationThread* ale_engine_start_worker(EngineRun run) {
  EngineState& s = engine();
  if (!s.started) {
    s.started = true;
    s.stepped = run == EngineRun::Stepped;
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
    ale_rx_word(event.record);
  } else if (number == EV_RX_FRAME_BEGIN || number == EV_AQC_FRAME_BEGIN) {
    ale_frame_event(number);
  } else if (number == EV_RX_FRAME_END) {
    // The word receiver's linking protection read the word under no seed: the frame is over.
    ale_parser_step(PARSER_END_OF_FRAME);
  } else if (number == EV_ALE_TX_UNDERUN) {
    ale_link_event(EV_TRANSMISSION_COMPLETE);
    ale_reset_modem();
  } else {
    log_printf("UNKNOWN EVENT ID %.8X\n", static_cast<unsigned>(number));
  }
}

int ale_engine_stop() {
  // The worker ends before anything it uses (sound card, tick, database) is taken down.
  const bool ended = station().state<EngineWorker>().thread.stop(kEngineStopLimitMs);
  if (!ended) log_printf("Engine worker did not stop within %d ms\n", static_cast<int>(kEngineStopLimitMs));
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
