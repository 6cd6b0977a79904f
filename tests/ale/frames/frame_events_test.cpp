// Frame events: the protocol events raised from a frame's pieces, link quality from received
// frames, heard calls and soundings, and the AMD store flush.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/link_state.h"
#include "db/database.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "tests/ale/frame_fixture.h"
#include "ale/dispatch/layer_hooks.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

constexpr int kChannel = 3;

struct Step {
  int event;
  const char* text;
};

// The link state machine is not started: the events raised are only traced.
class FrameEventTest : public ::testing::Test {
 protected:
  FrameEventTest() {
    ale_bind_layer_hooks();
    db_open();
    ChannelRecord ch{};
    ch.in_use = 1;
    db_store_channel(kChannel, ch);
    db_select_channel(kChannel);
    db_add_own_address("ME");
    db_add_own_address("YYY");
    db_add_other_address("ABC", 0, 0, 0);
    db_enable_trace_events();
    // The frame's words as the parser summed them: SINAD score 20, BER score 27.
    RxWordRecord word;
    word.sinad = 10;
    word.vote_disagreements = 3;
    ale_rx_add_statistics(word);
  }

  // Runs the steps and returns the events raised, in order. The steps stand for the parser,
  // which also lists each TO address in the link state's frame table (read by the heard-call
  // line) and empties the table once the frame has ended.
  static std::vector<int> run(const std::vector<Step>& steps) {
    clear_monitor();
    for (const Step& s : steps) {
      if (s.event == EV_RX_TO) ale_frame_called_add(s.text);
      ale_frame_event_text(s.event, s.text);
      if (s.event == EV_RX_FRAME_END) ale_frame_called_clear();
    }
    return traced_link_events();
  }
  static void set_scanning(bool on) { ale_set_scan_mode(on ? ALE_SCAN_MODE_SCANNING : ALE_SCAN_MODE_STOPPED); }
  static LqaRecord lqa(const char* address) {
    LqaRecord q{};
    EXPECT_EQ(db_copy_lqa_record(address, kChannel, &q), 0);
    return q;
  }
  static bool logged(const std::string& text) { return log_monitor_text().find(text) != std::string::npos; }

  TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
};

TEST_F(FrameEventTest, ProtocolEventsOfFrames) {
  db_enable_allcalls();
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<int> raised;
  };
  const Case cases[] = {
      {"not for me at the repeat",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "A1"}, {EV_RX_TO, "B2"}, {EV_RX_TO, "A1"}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_NOT_FOR_ME}},
      {"own address among the repeat: no event",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "A1"}, {EV_RX_TO, "ME"}, {EV_RX_TO, "A1"}},
       {EV_RX_FRAME_BEGIN}},
      {"individual call ending TIS",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_TO, "ME"}, {EV_RX_MESSAGE_SECTION, ""},
        {EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_FOR_ME}},
      {"individual call ending TWAS",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_THIS_WAS, "ABC"},
        {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_FOR_ME_CLEAR}},
      {"allcall ending TWAS",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_ALLCALL, "ME"}, {EV_RX_THIS_WAS, "ABC"}, {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_GLOBAL_CLEAR}},
      {"in-link call ending TWAS",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_INLINK_ADDRESS, "?@?"}, {EV_RX_THIS_WAS, "ABC"}, {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_GLOBAL_CLEAR}},
      {"anycall refused",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_ANYCALL, "ME"}, {EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_NOT_FOR_ME, EV_FRAME_NOT_FOR_ME}},
      {"call to another station, TIS",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "XYZ"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_THIS_IS, "ABC"},
        {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_NOT_FOR_ME}},
      {"call to another station, TWAS",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "XYZ"}, {EV_RX_THIS_WAS, "ABC"}, {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_NOT_FOR_ME_CLEAR}},
      {"FROM in a frame not for me",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "XYZ"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_FROM, "ABC"}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_NOT_FOR_ME}},
      {"a second frame end only ends the frame",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_THIS_IS, "ABC"},
        {EV_RX_FRAME_END, ""}, {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_FRAME_FOR_ME, EV_RX_FRAME_END}},
      {"no ending: the frame end is raised as it is",
       {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_FRAME_END, ""}},
       {EV_RX_FRAME_BEGIN, EV_RX_FRAME_END}},
      {"other events are ignored", {{EV_RX_LQA, ""}, {EV_SCAN_TIMER, ""}}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(run(c.steps), c.raised) << c.name;
}

TEST_F(FrameEventTest, GroupFoundAtTheMessageSection) {
  // THRU X, THRU Y, THRU X, THRU Y: the repeat of X closes the calling cycle (Y is own: no
  // not-for-me); the message section finds Y among the listed addresses.
  EXPECT_EQ(run({{EV_RX_FRAME_BEGIN, ""},
                 {EV_RX_THRU, "XXX"},
                 {EV_RX_THRU, "YYY"},
                 {EV_RX_THRU, "XXX"},
                 {EV_RX_THRU, "YYY"}}),
            std::vector<int>{EV_RX_FRAME_BEGIN});
  EXPECT_EQ(ale_frame_for_me(), 0);
  run({{EV_RX_MESSAGE_SECTION, ""}});
  EXPECT_EQ(ale_frame_for_me(), 1);
  EXPECT_EQ(ale_frame_context().kind, FRAME_KIND_GROUP);
  EXPECT_STREQ(ale_frame_context().addressed_own.data(), "YYY");
  // A net is found when no own address is listed.
  const char* net[] = {"NET", "ME", "ABC"};
  ASSERT_EQ(db_add_net_from_list(net, 3), 1);
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "NET"}, {EV_RX_MESSAGE_SECTION, ""}});
  EXPECT_EQ(ale_frame_context().kind, FRAME_KIND_NET);
  EXPECT_EQ(ale_frame_for_me(), 1);
}

TEST_F(FrameEventTest, HeardCallIsLoggedOnce) {
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "XYZ"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_THIS_IS, "ABC"},
       {EV_RX_FRAME_END, ""}});
  const std::string line = "[TO ][XYZ            ][TIS][ABC            ][AL0] BER 27 SN 20 \n";
  EXPECT_TRUE(logged(line)) << log_monitor_text();
  // With an AMD it ends with the text; two endings write no heard-call line.
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "XYZ"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_AMD, "HELLO"},
       {EV_RX_THIS_WAS, "ABC"}, {EV_RX_FRAME_END, ""}});
  EXPECT_TRUE(logged("[TWS][ABC            ][AL0] BER 27 SN 20 [AMD]HELLO\n")) << log_monitor_text();
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "XYZ"}, {EV_RX_THIS_IS, "ABC"}, {EV_RX_THIS_IS, "ABC"},
       {EV_RX_FRAME_END, ""}});
  EXPECT_FALSE(logged("[TIS][ABC")) << log_monitor_text();
  // The AMD of an earlier frame is never shown with a later call.
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "QQQ"}, {EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}});
  EXPECT_TRUE(logged("[TO ][QQQ            ][TIS][ABC            ][AL0] BER 27 SN 20 \n"));
}

TEST_F(FrameEventTest, SoundingsRecognised) {
  set_scanning(true);
  EXPECT_EQ(run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_THIS_IS, "ABC"}, {EV_RX_THIS_IS, "ABC"}}),
            std::vector<int>{EV_RX_FRAME_BEGIN});
  EXPECT_EQ(run({{EV_RX_THIS_IS, "ABC"}}), std::vector<int>{EV_RX_THIS_IS_SOUND});
  EXPECT_TRUE(logged("[SND][               ][TIS][ABC            ][AL0] BER 27 SN 20\n")) << log_monitor_text();
  EXPECT_EQ(run({{EV_RX_FRAME_END, ""}}), std::vector<int>{EV_RX_FRAME_END});

  EXPECT_EQ(run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_THIS_WAS, "ABC"}}), std::vector<int>{EV_RX_FRAME_BEGIN});
  EXPECT_EQ(run({{EV_RX_THIS_WAS, "ABC"}}), std::vector<int>{EV_RX_THIS_WAS_SOUND});
  EXPECT_TRUE(logged("[SND][               ][TWS][ABC            ][AL0] BER 27 SN 20\n"));
  // Different callers make no sounding.
  EXPECT_EQ(run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_THIS_WAS, "ABC"}, {EV_RX_THIS_WAS, "DEF"}}),
            std::vector<int>{EV_RX_FRAME_BEGIN});
  // With the scan stopped the sounding is recognised at the frame end.
  set_scanning(false);
  EXPECT_EQ(run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_THIS_IS, "ABC"}, {EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}}),
            (std::vector<int>{EV_RX_FRAME_BEGIN, EV_RX_THIS_IS_SOUND}));
  // A heard sounding records the measured link quality.
  const LqaRecord q = lqa("ABC");
  EXPECT_EQ(lqa_sinad(q.measured), 20);
  EXPECT_EQ(lqa_ber(q.measured), 27);
  EXPECT_EQ(q.noise, kFrameNoise141a);
}

TEST_F(FrameEventTest, LqaReportLandsInTheCallersRecord) {
  // SINAD field 18, BER field 5 (reported BER score 25), bit 13: LQA exchange on.
  db_disable_lqa();
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_MESSAGE_SECTION, ""}});
  ale_frame_set_lqa_word((1u << 13) | (18u << 5) | 5u);
  EXPECT_EQ(ale_frame_lqa_report_flag(), 1);
  run({{EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}});
  LqaRecord q = lqa("ABC");
  EXPECT_EQ(lqa_sinad(q.reported), 18);
  EXPECT_EQ(lqa_ber(q.reported), 25);
  EXPECT_EQ(q.reported_age, 0);
  EXPECT_EQ(lqa_sinad(q.measured), 20);
  EXPECT_EQ(lqa_ber(q.measured), 27);
  EXPECT_EQ(db_get_lqa(), 1);
  EXPECT_EQ(ale_frame_peer_index(), db_find_other_address_index("ABC"));

  // A BER field of 31 reports no value: the stored BER is kept, not merged with -1.
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_MESSAGE_SECTION, ""}});
  ale_frame_set_lqa_word((30u << 5) | 31u);
  run({{EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}});
  q = lqa("ABC");
  EXPECT_EQ(lqa_sinad(q.reported), 30);
  EXPECT_EQ(lqa_ber(q.reported), 25);
}

TEST_F(FrameEventTest, AmdTextsAreStoredAndShown) {
  std::vector<Step> steps = {{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_MESSAGE_SECTION, ""}};
  std::vector<std::string> texts;
  for (int i = 0; i < kFrameAmdMax + 1; ++i) texts.push_back("MSG " + std::to_string(i));
  for (const std::string& t : texts) steps.push_back({EV_RX_AMD, t.c_str()});
  steps.push_back({EV_RX_THIS_IS, "ABC"});
  run(steps);
  // The 31st is the last AMD but is not kept.
  EXPECT_STREQ(ale_frame_last_amd(), "MSG 30");
  run({{EV_RX_FRAME_END, ""}});
  EXPECT_EQ(db_get_amd_store_index(), kFrameAmdMax);
  {
    DbLock lock;
    const AmdStoreEntry* ring = db_get_amd_store(lock);
    EXPECT_STREQ(ring[0].sender, "ABC");
    EXPECT_STREQ(ring[0].text, "MSG 0");
    EXPECT_EQ(ring[0].channel, kChannel);
    EXPECT_EQ(ring[29].valid, 1);
    EXPECT_STREQ(ring[29].text, "MSG 29");
    EXPECT_EQ(ring[30].valid, 0);
  }
  EXPECT_TRUE(logged("][AMD][ABC            ][MSG 29]\n")) << log_monitor_text();
  EXPECT_EQ(ale_frame_context().amd_count, 0);
  EXPECT_EQ(ale_frame_for_me(), 0);
  EXPECT_TRUE(receiver_reset_taken());
  // A frame not for this station keeps no AMD.
  run({{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "XYZ"}, {EV_RX_AMD, "NOT MINE"}, {EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}});
  EXPECT_EQ(db_get_amd_store_index(), kFrameAmdMax);
}

TEST_F(FrameEventTest, AqcProbesAndParserErrors) {
  // What the AQC-ALE receiver left for its sounding probe: the caller and the noise.
  frame_event_state().ctx.aqc = AqcProbeInfo{.caller = "ABC", .noise = 7};
  EXPECT_EQ(run({{EV_AQC_TWS_SOUND_PROBE, ""}}), std::vector<int>{EV_AQC_TWS_SOUND_PROBE});
  EXPECT_STREQ(ale_frame_caller(), "ABC");
  EXPECT_TRUE(logged("[AQC SND][               ][TWS][ABC            ][AL0] BER 27 SN 20 NOISE 07\n"))
      << log_monitor_text();
  EXPECT_EQ(lqa("ABC").noise, 7);
  EXPECT_FALSE(receiver_reset_taken());
  // The end of an AQC-ALE frame and a parser error each reset the receiver; a parser error
  // also ends the frame, so that no wait hangs on a frame nothing will end.
  EXPECT_EQ(run({{EV_AQC_FRAME_END, ""}}), std::vector<int>{EV_AQC_FRAME_END});
  EXPECT_TRUE(receiver_reset_taken());
  EXPECT_EQ(run({{EV_PARSER_ERROR, ""}}), std::vector<int>{EV_RX_FRAME_END});
  EXPECT_TRUE(receiver_reset_taken());
}

TEST_F(FrameEventTest, FrameKindIsPublishedWithTheEvents) {
  db_enable_allcalls();
  std::vector<std::pair<int, int>> seen;  // the link state's frame kind, the event raised
  for (const Step& step : std::vector<Step>{{EV_RX_FRAME_BEGIN, ""}, {EV_RX_TO, "ME"}, {EV_RX_MESSAGE_SECTION, ""},
                                           {EV_RX_THIS_IS, "ABC"}, {EV_RX_FRAME_END, ""}, {EV_RX_FRAME_BEGIN, ""},
                                           {EV_RX_ALLCALL, "ME"}, {EV_RX_THIS_WAS, "ABC"}, {EV_RX_FRAME_END, ""}})
    for (int event : run({step})) seen.emplace_back(ale_frame_kind(), event);
  const std::vector<std::pair<int, int>> expected = {{FRAME_KIND_NONE, EV_RX_FRAME_BEGIN},
                                                     {FRAME_KIND_INDIVIDUAL, EV_FRAME_FOR_ME},
                                                     {FRAME_KIND_NONE, EV_RX_FRAME_BEGIN},
                                                     {FRAME_KIND_ALLCALL, EV_FRAME_GLOBAL_CLEAR}};
  EXPECT_EQ(seen, expected);
  // An AQC-ALE event leaves the kind to the state machine.
  ale_set_frame_kind(42);
  EXPECT_EQ(run({{EV_AQC_CALL_HANDSHAKE, ""}}), std::vector<int>{EV_AQC_CALL_HANDSHAKE});
  EXPECT_EQ(ale_frame_kind(), 42);
}

}  // namespace
}  // namespace vesk::test
