// A station on simulated time with the engine stepped, three channels of the scan group with
// the own address ME, and the station ABC in the address table. The radio is radio control's
// own, of type NONE on a recording serial port and keyed by its RTS line. The words of each
// frame are taken from the transmit queue instead of being played, and the end of each
// frame's transmission is raised as the audio path would: the transmitter released, the
// engine told.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/serial_fake.h"
#include "radio/keying.h"
#include "radio/radio_setup.h"
#include "radio/serial_queue.h"
#include "tests/ale/engine_fixture.h"
#include "ale/dispatch/layer_hooks.h"
#include "tests/ale/tx_words.h"

namespace vesk::test {

class StateMachineFixture : public EngineFixture {
 protected:
  static constexpr int kChannels[] = {1, 2, 3};

  void SetUp() override {
    ale_bind_layer_hooks();
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
    serial_ = FakeSerialBackend::install();
    db_set_rts_ptt(1);
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    start_engine();
    // The set-up pauses between its port steps: let the clock run through them.
    clock().set_auto_advance(true);
    radio_setup();
    clock().set_auto_advance(false);
    // The status bar is refreshed after every event that changed the state.
    link_state().hooks.refresh_status_bar = [this] {
      const int s = ale_link_state();
      if (states.empty() || states.back() != s) states.push_back(s);
    };
  }

  bool keyed() const { return radio_flags().ptt_active_flag.load() != 0; }
  // How often the transmitter was keyed: its RTS line raised.
  int key_count() const {
    int n = 0;
    for (const FakeSerialBackend::Event& e : serial_->events())
      if (e.kind == FakeSerialBackend::Kind::Rts && e.value == 1) ++n;
    return n;
  }

  // Runs the station for `ms` of simulated time. A frame handed to the transmitter ends when
  // its words have been played: the transmitter is released and the engine told.
  void run_ms(int ms) {
    for (int t = 0; t < ms; t += kTickMs) {
      tick_and_run();
      std::vector<AleWord> words = tx_queued_words();
      if (words.empty()) continue;
      ale_tx_flush();
      frames.push_back(std::move(words));
      frame_channels.push_back(db_current_channel_index());
      keyed_at_send.push_back(keyed());
      ptt_off();
      ale_link_event(EV_TRANSMISSION_COMPLETE);
      ale_reset_modem();
      run_worker();
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

  std::shared_ptr<FakeSerialBackend> serial_;
  std::vector<bool> keyed_at_send;
  std::vector<int> states;
  std::vector<std::vector<AleWord>> frames;
  std::vector<int> frame_channels;  // the working channel each frame went out on
};

}  // namespace vesk::test
