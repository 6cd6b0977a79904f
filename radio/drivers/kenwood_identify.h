// Kenwood identification and preconfiguration.
//
// A Kenwood radio answers "ID;" with "ID" and three digits. The reply selects the model
// (`KenwoodModel`), and the model's preconfiguration follows: a fixed series of commands that
// switch off what disturbs ALE, each queued, logged on a "Radio Setup" line and followed by a
// pause, with advice lines for what the operator must set by hand. An identity a type's
// group does not know gets a fallback series. Every other frame only acknowledges the queue.
//
// The series runs once per radio set-up, and again only when a reply names another model: a
// radio that repeats its identity does not start it over. Its pauses are the radio's own
// timer (EV_RADIO_CONFIG_TIMER), so the engine worker goes on reading the port and handling
// events while the series runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "radio/drivers/radio_types.h"

namespace vesk {

// The model code of the connected Kenwood radio (0: none identified). The MICOM type also
// uses it as its once-only flag. Written on the engine thread, read anywhere.
struct KenwoodModelState {
  std::atomic<int32_t> model{0};
};
int32_t kenwood_model();
void kenwood_set_model(int32_t model);

// The handling of a type's identity replies (its row's `kenwood_group`).
KenwoodGroup kenwood_group_of(int radio_type);

// The model's name as the log lines give it ("TS-2000"), or null for a code without a model.
const char* kenwood_model_name(int32_t model);

// One item of a preconfiguration: a command queued (row of the Kenwood set, or the filter
// pair), then its line, with the pauses around the line.
struct KenwoodSetupItem {
  int command = -1;       // row of kKenwoodCommandSet; -1: a line alone
  int arg = 0;
  bool filter_pair = false;  // "FL001007;"
  std::string line;       // the text inside "[Radio Setup: ...]"
  int pause_before_line_ms = 0;
  int pause_after_ms = 0;
};

// The items that one identity reply runs, for the group of `radio_type`; `model` is read and
// updated as the identification does. Pure: queues, logs and sleeps nothing.
std::vector<KenwoodSetupItem> kenwood_setup_plan(int radio_type, const uint8_t* frame, int count, int32_t& model,
                                                 int preconfig_disabled);

// The reply entry of the eight Kenwood types: an identity reply ("ID...") selects the model
// and starts its preconfiguration (queued commands and "Radio Setup" lines, paced on the
// radio's timer) and is not acknowledged; every other frame goes to `kenwood_on_reply`.
void kenwood_handle_reply(const uint8_t* frame, int count);

// The preconfiguration in progress. Without a wired timer (a tool) the pauses are slept.
struct KenwoodSetupRun {
  std::mutex mutex;
  bool identified = false;  // a series started since the last radio set-up
  std::vector<KenwoodSetupItem> items;
  std::size_t next = 0;       // the item to go on with
  bool command_sent = false;  // the item's command has gone, its line not yet
};
// A radio set-up begins: the next identity reply runs its series again; one in progress ends.
void kenwood_identify_reset();
// The radio's timer expired (EV_RADIO_CONFIG_TIMER): the series goes on to its next pause.
void kenwood_setup_timer(int timer_id);

}  // namespace vesk
