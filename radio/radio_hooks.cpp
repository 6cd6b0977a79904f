// Radio control's hooks and its channel-setting lock.
#include "radio/radio_hooks.h"

#include "db/log.h"
#include "platform/station.h"

namespace vesk {

namespace {
struct RadioHookState {
  RadioHooks hooks;
  std::recursive_mutex channel_lock;
};
RadioHookState& hook_state() { return station().state<RadioHookState>(); }
}  // namespace

RadioHooks& radio_hooks() { return hook_state().hooks; }

int radio_link_state() {
  auto& f = radio_hooks().link_state;
  return f ? f() : 0;
}

bool radio_scanning() {
  auto& f = radio_hooks().scanning;
  return f ? f() : false;
}

void radio_message_box(const std::string& text) { display_message_box(text); }

std::recursive_mutex& radio_channel_lock() { return hook_state().channel_lock; }

void radio_log_line(const char* text) {
  log_printf("[%s][%s][%s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text);
}

void radio_ask(const RadioQuestion& question, const std::function<void(bool)>& answer) {
  std::string text = question.text;
  for (char& c : text) c = c == '\n' ? ' ' : c;
  const std::string line = std::string("RADIO: ") + question.caption + ": " + text + " - " + question.default_text;
  radio_log_line(line.c_str());
  if (answer) answer(question.default_answer);
}

}  // namespace vesk
