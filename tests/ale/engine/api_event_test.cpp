// API events and engine events as the worker runs them: the log lines of unknown and
// illegal numbers, the silent kinds, the queue's bound, and the checks on records.
#include <cstring>

#include "ale/engine/events.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/tables.h"
#include "tests/ale/engine_fixture.h"

namespace vesk {
namespace {

class ApiEventTest : public test::EngineFixture {
 protected:
  void SetUp() override { start_engine(); }
  void post(int kind, int param = 0, int sub_op = 0, int payload_length = 0) {
    ApiEvent* e = api_alloc(payload_length);
    ASSERT_NE(e, nullptr);
    e->kind = kind;
    e->param = param;
    e->sub_op = sub_op;
    ASSERT_EQ(api_post(e), 1);
  }
};

TEST_F(ApiEventTest, EngineEventNumbers) {
  struct Case {
    int number;
    const char* line;  // "" when nothing may be logged
  } cases[] = {
      {500, "ILLEGAL EVENT ID 500\n"},
      {0, "ILLEGAL EVENT ID 0\n"},
      {-7, "ILLEGAL EVENT ID -7\n"},
      {1041, "ILLEGAL EVENT ID 1041\n"},
      {504, "UNKNOWN EVENT ID 000001F8\n"},
      {1040, "UNKNOWN EVENT ID 00000410\n"},
      {EV_ALE_WORD, ""},
      {EV_ALE_TX_UNDERUN, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    const std::string before = log_monitor_text();
    EngineEvent e;
    e.event = c.number;
    ale_engine_dispatch_event(e);
    const std::string after = log_monitor_text();
    if (*c.line == '\0') {
      EXPECT_EQ(after, before);
    } else {
      EXPECT_EQ(after, c.line + before);
    }
  }
}

TEST_F(ApiEventTest, KindsAndTimerNumbers) {
  struct Case {
    int kind, param;
    const char* line;
  } cases[] = {
      {API_CANCELLED, 0, ""},
      {18, 0, ""},
      {19, 0, ""},
      {API_CALL, 0, "[00:00:00][FAILED  ] - UNKNOWN ADDRESS \n"},  // a call with no address
      {API_TOGGLE_SCANNING, 0, ""},
      {API_LINK_DOWN, 0, ""},
      {API_VOICE_DETECTED, 0, ""},
      {27, 0, "Unknown API event 27\n"},
      {0, 0, "Unknown API event 0\n"},
      {-1, 0, "Unknown API event -1\n"},
      {API_TIMER_EXPIRY, 1019, "UNKNOWN TIMER EVENT ID 1019\n"},
      {API_TIMER_EXPIRY, EV_INITIATE_KILL, "UNKNOWN TIMER EVENT ID 547\n"},
      {API_TIMER_EXPIRY, EV_TOGGLE_SCANNING, "UNKNOWN TIMER EVENT ID 554\n"},
      {API_TIMER_EXPIRY, 1091, "UNKNOWN TIMER EVENT ID 1091\n"},
      {API_TIMER_EXPIRY, 0, "UNKNOWN TIMER EVENT ID 0\n"},
      {API_TIMER_EXPIRY, 1, ""},
      {API_TIMER_EXPIRY, EV_SCAN_TIMER, ""},
      {API_TIMER_EXPIRY, EV_LQA_AGE_TIMER, ""},
      {API_TIMER_EXPIRY, 1045, ""},
      {API_TIMER_EXPIRY, 1089, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " param " << c.param);
    const std::string before = log_monitor_text();
    post(c.kind, c.param);
    ale_engine_step();
    EXPECT_EQ(api_queue_count(), 0);
    const std::string after = log_monitor_text();
    EXPECT_EQ(after, std::string(c.line) + before);
  }
}

TEST_F(ApiEventTest, TimerRoutes) {
  struct Case {
    int number;
    TimerRoute route;
  } cases[] = {
      {1, TimerRoute::Nothing},
      {EV_INITIATE_FRAME, TimerRoute::LinkStateMachine},
      {EV_INITIATE_GROUP_CALL, TimerRoute::LinkStateMachine},
      {EV_INITIATE_KILL, TimerRoute::Unknown},
      {EV_INITIATE_ALLCALL, TimerRoute::LinkStateMachine},
      {EV_START_SCAN, TimerRoute::LinkStateMachine},
      {EV_TOGGLE_SCANNING, TimerRoute::Unknown},
      {EV_PARSER_ERROR, TimerRoute::Unknown},
      {EV_TRANSMISSION_COMPLETE, TimerRoute::Unknown},
      {EV_SCAN_TIMER, TimerRoute::LinkStateMachine},
      {EV_KEYUP_TIMER, TimerRoute::LinkStateMachine},
      {EV_VOICE_ID_TIMER, TimerRoute::VoiceId},
      {EV_TWACK_RESP_TIMER, TimerRoute::LinkStateMachine},
      {EV_RADIO_TIMEOUT, TimerRoute::RadioPort},
      {EV_RADIO_SCAN_COMMAND_SENT, TimerRoute::LinkStateMachine},
      {EV_INACTIVITY_TIMEOUT, TimerRoute::LinkStateMachine},
      {EV_LQA_AGE_TIMER, TimerRoute::LqaAgeing},
      {EV_BREAK_TIMER_A, TimerRoute::Unknown},
      {EV_TRANSPARENT_ESCAPE_TIMER, TimerRoute::Unknown},
      {EV_RADIO_CONFIG_TIMER, TimerRoute::RadioPort},
      {EV_SKANTI_TX_POLL_TIMER, TimerRoute::RadioPort},
      {EV_RADIO_TX_POLL_TIMER, TimerRoute::RadioKeepAlive},
      {EV_API_EVENT, TimerRoute::Unknown},
      {EV_MAX_EVENT, TimerRoute::Unknown},
      {EV_ATU_CONFIG_TIMER, TimerRoute::TunerPort},
      {1045, TimerRoute::AntennaSwitchPort},
      {1047, TimerRoute::TncPort},
      {1048, TimerRoute::RemoteCommandReply},
      {1074, TimerRoute::RemoteCommandReply},
      {1075, TimerRoute::SgcSetupStep},
      {1083, TimerRoute::SgcSetupStep},
      {1084, TimerRoute::AmdRetry},
      {1085, TimerRoute::KeyTransmitter},
      {1086, TimerRoute::DelayedFrequencyLoad},
      {1087, TimerRoute::MemoriesPrompt},
      {1089, TimerRoute::EmulationPort},
      {1090, TimerRoute::FileTransferReport},
      {1091, TimerRoute::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(api_timer_route(c.number), c.route) << c.number;
}

TEST_F(ApiEventTest, The257thPostOverflows) {
  for (int i = 0; i < kApiQueueSize; ++i) post(18);
  EXPECT_EQ(count_in_log("ERROR API Queue Overflowed\n"), 0);
  ApiEvent* extra = api_alloc(10);
  extra->kind = 18;
  EXPECT_EQ(api_post(extra), 0);  // freed by the queue (the sanitizer build checks)
  EXPECT_EQ(count_in_log("ERROR API Queue Overflowed\n"), 1);
  EXPECT_EQ(api_queue_count(), kApiQueueSize);
  run_worker();
  EXPECT_EQ(api_queue_count(), 0);
}

TEST_F(ApiEventTest, AllocClearsAndTerminates) {
  ApiEvent* e = api_alloc(5);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->kind, 0);
  EXPECT_EQ(e->address_count, 0);
  EXPECT_EQ(e->param, 0);
  EXPECT_EQ(e->addresses[19][15], 0);
  EXPECT_EQ(e->payload_length, 5);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(e->payload()[i], 0) << i;
  std::memcpy(e->payload(), "HELLO", 5);
  EXPECT_STREQ(e->payload(), "HELLO");  // the byte after the payload is in the record
  api_free(e);
  EXPECT_EQ(api_alloc(-1), nullptr);
  api_free(nullptr);
}

TEST_F(ApiEventTest, RecordKindsCheckSizeAndIndex) {
  struct Case {
    int kind, sub_op, payload_length, param;
    const char* line;
  } cases[] = {
      {API_CHANNEL, API_RECORD_ADD, 72, 0, ""},
      {API_CHANNEL, API_RECORD_ADD, 71, 0, "API event 14 dropped: record of 71 bytes, expected 72\n"},
      {API_OWN_ADDRESS, API_RECORD_ADD, 24, 0, ""},
      {API_OTHER_ADDRESS, API_RECORD_ADD, 5183, 0, "API event 16 dropped: record of 5183 bytes, expected 5184\n"},
      {API_NET, API_RECORD_ADD, 117, 0, "API event 17 dropped: record of 117 bytes, expected 116\n"},
      {API_NET, API_RECORD_ADD, 116, 0, ""},
      {API_CHANNEL, API_RECORD_DELETE, 0, 256, ""},
      {API_CHANNEL, API_RECORD_DELETE, 0, 257, "API event 14 dropped: index 257 out of range\n"},
      {API_OTHER_ADDRESS, API_RECORD_DELETE, 0, 99, ""},
      {API_OTHER_ADDRESS, API_RECORD_DELETE, 0, 100, "API event 16 dropped: index 100 out of range\n"},
      {API_NET, API_RECORD_DELETE, 0, 19, ""},
      {API_NET, API_RECORD_DELETE, 1, 20, "API event 17 dropped: index 20 out of range\n"},
      {API_NET, API_RECORD_DELETE, 0, -1, "API event 17 dropped: index -1 out of range\n"},
      {API_NET, 5, 0, 0, ""},  // neither add nor delete: nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " length " << c.payload_length << " index " << c.param);
    const std::string before = log_monitor_text();
    post(c.kind, c.param, c.sub_op, c.payload_length);
    ale_engine_step();
    EXPECT_EQ(log_monitor_text(), std::string(c.line) + before);
  }
}

TEST_F(ApiEventTest, RecordKindsReachTheDatabase) {
  OwnAddressRecord own{};
  own.in_use = 1;
  std::memset(own.address, 'Q', sizeof own.address);  // no terminator: cut to 15 characters
  ApiEvent* e = api_alloc(sizeof own);
  e->kind = API_OWN_ADDRESS;
  e->sub_op = API_RECORD_ADD;
  std::memcpy(e->payload(), &own, sizeof own);
  api_post(e);
  ale_engine_step();
  const int index = db_find_own_address_index("QQQQQQQQQQQQQQQ");
  ASSERT_GE(index, 0);
  post(API_OWN_ADDRESS, index, API_RECORD_DELETE);
  ale_engine_step();
  EXPECT_EQ(db_find_own_address_index("QQQQQQQQQQQQQQQ"), -1);

  ChannelRecord ch{};
  ch.in_use = 1;
  ch.rx_freq_hz = 7102000;
  ch.tx_freq_hz = 7102000;
  e = api_alloc(sizeof ch);
  e->kind = API_CHANNEL;
  e->sub_op = API_RECORD_ADD;
  std::memcpy(e->payload(), &ch, sizeof ch);
  api_post(e);
  ale_engine_step();
  bool found = false;
  for (int n = 1; n < kChannelCount; ++n) {
    ChannelRecord got{};
    if (db_copy_channel(n, &got) == 0 && got.in_use && got.rx_freq_hz == 7102000) found = true;
  }
  EXPECT_TRUE(found);
}

TEST_F(ApiEventTest, ScanKindsStartTheirTimers) {
  post(API_START_SCANNING);
  post(API_STOP_SCANNING);
  run_worker();
  EXPECT_TRUE(timer_is_running(EV_START_SCAN));
  EXPECT_TRUE(timer_is_running(EV_STOP_SCAN));
  for (int i = 0; i < 9; ++i) clock().advance_ms(kTickMs);
  EXPECT_EQ(queued_expiries(EV_START_SCAN), 0);
  clock().advance_ms(kTickMs);  // 100 ms
  EXPECT_EQ(queued_expiries(EV_START_SCAN), 1);
  EXPECT_EQ(queued_expiries(EV_STOP_SCAN), 1);
}

}  // namespace
}  // namespace vesk
