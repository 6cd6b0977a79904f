// A station on simulated time with the engine stepped, three channels of the scan group with
// the own address ME, and the station ABC in the address table. The transmitter is a fake
// that records keying; the words of each frame are collected instead of played, and the end
// of each frame's transmission is raised as the audio path would.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ale/link/call_setup.h"
#include "db/events.h"
#include "ale/frames/frame_events.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/words/word_seams.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "tests/ale/engine_fixture.h"

namespace vesk::test {

class StateMachineFixture : public EngineFixture {
 protected:
  static constexpr int kChannels[] = {1, 2, 3};

  void SetUp() override {
    db_open();
    db_clear_channels();
    db_set_own_address_at("ME", 0);
    db_add_other_address("ABC", 0, 0, 0);
    const int group = db_get_scan_group();
    for (int n : kChannels) {
      ChannelRecord ch{};
      ch.in_use = 1;
      ch.permission = CHANNEL_BX;
      ch.scan_groups = 1 << (group & 31);
      ch.usage = 2;  // data: TWT 784 ms
      ch.rx_freq_hz = ch.tx_freq_hz = 3000000 + n * 1000000;
      ch.rx_mode = ch.tx_mode = 1;
      db_store_channel(n, ch);
    }
    db_select_channel(1);
    start_engine();
    StateMachineSeams& sm = state_machine().seams;
    sm.ptt_on = [this] {
      keyed = true;
      ++key_count;
    };
    sm.ptt_off = [this] { keyed = false; };
    sm.transmitter_keyed = [this] { return keyed ? 1 : 0; };
    call_setup().seams.radio_set_channel = [this](int ch) {
      db_select_channel(ch);
      tuned.push_back(ch);
    };
    word_seams().tx_word = [this](AleWord w) { frame_words.push_back(w); };
    LinkSeams& link = link_state().seams;
    link.state_handler = [this](int event) {
      ale_state_machine_handle(event);
      const int s = ale_link_state();
      if (states.empty() || states.back() != s) states.push_back(s);
    };
  }

  // Runs the station for `ms` of simulated time. A frame handed to the transmitter ends when
  // its words have been played: the transmitter is released and the engine told.
  void run_ms(int ms) {
    for (int t = 0; t < ms; t += kTickMs) {
      tick_and_run();
      if (!frame_words.empty()) {
        frames.push_back(frame_words);
        frame_words.clear();
        keyed_at_send.push_back(keyed);
        keyed = false;
        ale_link_event(EV_TRANSMISSION_COMPLETE);
        ale_reset_modem();
        run_worker();
      }
    }
  }

  void start_scanning() {
    ale_link_event(EV_START_SCAN);
    states.clear();
    states.push_back(ale_link_state());
  }

  // A frame from `caller` to `called` ending with TIS (or TWAS), as the parser reports it.
  static void receive_frame(const char* called, const char* caller, bool tis = true) {
    ale_frame_event_text(EV_RX_FRAME_BEGIN, "");
    ale_frame_event_text(EV_RX_TO, called);
    ale_frame_event_text(EV_RX_MESSAGE_SECTION, "");
    ale_frame_event_text(tis ? EV_RX_THIS_IS : EV_RX_THIS_WAS, caller);
    ale_frame_event_text(EV_RX_FRAME_END, "");
  }

  static bool logged(const std::string& text) { return log_monitor_text().find(text) != std::string::npos; }

  bool keyed = false;
  int key_count = 0;
  std::vector<bool> keyed_at_send;
  std::vector<int> tuned;
  std::vector<int> states;
  std::vector<AleWord> frame_words;
  std::vector<std::vector<AleWord>> frames;
};

}  // namespace vesk::test
