#include "radio/serial_queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "radio/radio_events.h"
#include "radio/reply_dispatch.h"
#include "radio/serial_output.h"
#include "tests/support/serial_harness.h"

namespace vesk {
namespace {

using Writes = std::vector<std::pair<int64_t, std::string>>;
constexpr int kRadioPort = 1;

int send_text(int (*send)(const uint8_t*, int), const std::string& s) {
  return send(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int>(s.size()));
}

class SerialQueueTest : public ::testing::Test {
 protected:
  SerialQueueTest() {
    db_set_option_int(opt::RADIO_TYPE, 133);  // NONE: every reply acknowledges
  }
  test::SerialHarness h;
};

TEST_F(SerialQueueTest, UnansweredCommandsLeaveOnePerPeriod) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  for (const char* c : {"A\r", "B\r", "C\r"}) ASSERT_EQ(send_text(radio_send, c), 0);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 3);
  h.run_ms(149);
  EXPECT_EQ(h.fake().writes(kRadioPort), (Writes{{0, "A\r"}, {50, "B\r"}, {100, "C\r"}}));
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 1);  // C still in flight
  h.run_ms(1);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 0);
  EXPECT_FALSE(h.timer_running(EV_RADIO_TIMEOUT));
}

TEST_F(SerialQueueTest, AnAnswerSendsTheNextAtOnceAndRestartsTheTimeout) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  for (const char* c : {"A\r", "B\r", "C\r"}) ASSERT_EQ(send_text(radio_send, c), 0);
  h.fake().inject_at(kRadioPort, 10, "OK\r");
  h.run_ms(200);
  // B leaves as the answer is parsed; C 50 ms after B, for B was not answered.
  EXPECT_EQ(h.fake().writes(kRadioPort), (Writes{{0, "A\r"}, {10, "B\r"}, {60, "C\r"}}));
}

TEST_F(SerialQueueTest, AccessoryQueuesMoveOnByTheirTimersOnly) {
  struct Case {
    SerialPortRole role;
    int (*send)(const uint8_t*, int);
    int gap_ms;
  };
  for (const Case& c : {Case{SERIAL_ROLE_ATU, atu_send, 50}, Case{SERIAL_ROLE_ANT_SWITCH, ant_send, 50},
                        Case{SERIAL_ROLE_TNC, tnc_send, 500}}) {
    SCOPED_TRACE(c.gap_ms);
    const int port = 3 + c.role;
    ASSERT_TRUE(h.open(c.role, port));
    const int64_t t0 = h.now_ms();
    ASSERT_EQ(send_text(c.send, "one"), 0);
    ASSERT_EQ(send_text(c.send, "two"), 0);
    h.fake().inject_at(port, t0 + 5, "\r\r\r");  // answers do not move these queues
    h.run_ms(c.gap_ms - 1);
    EXPECT_EQ(h.fake().writes(port), (Writes{{t0, "one"}}));
    h.run_ms(1);
    EXPECT_EQ(h.fake().writes(port), (Writes{{t0, "one"}, {t0 + c.gap_ms, "two"}}));
    h.run_ms(c.gap_ms);
  }
}

TEST_F(SerialQueueTest, AClosedPortDrainsWithoutWriting) {
  // The radio port was never opened.
  for (const char* c : {"A", "B", "C"}) ASSERT_EQ(send_text(radio_send, c), 0);
  h.run_ms(100);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 1);
  h.run_ms(50);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 0);
  EXPECT_TRUE(h.fake().events().empty());
}

TEST_F(SerialQueueTest, EmulationAnswersLeaveAtOnceWhenAcknowledged) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO_EMUL, 8, "19200,N,8,1"));
  for (const char* a : {"ID020;", "FA00007100000;"}) {
    ASSERT_EQ(send_text(emul_send, a), 0);
    emul_send_ack();
    EXPECT_EQ(serial_queue_count(SQ_EMUL), 0);
    EXPECT_FALSE(h.timer_running(EV_RADIO_EMULATION_TIMEOUT));
  }
  EXPECT_EQ(h.fake().written(8), "ID020;FA00007100000;");
}

TEST_F(SerialQueueTest, NegativeAnswerActsLikeAnAnswer) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  ASSERT_EQ(send_text(radio_send, "A"), 0);
  ASSERT_EQ(send_text(radio_send, "B"), 0);
  h.run_ms(5);
  radio_send_nak();
  EXPECT_EQ(h.fake().writes(kRadioPort), (Writes{{0, "A"}, {5, "B"}}));
  h.run_ms(100);
  EXPECT_EQ(h.fake().written(kRadioPort), "AB");  // never repeated
}

TEST_F(SerialQueueTest, AcknowledgementOrExpiryOnAnIdleQueueDoNothing) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  radio_send_ack();
  radio_queue_timer(EV_RADIO_TIMEOUT);
  // Model timers of a type without a timer step leave the queue alone.
  ASSERT_EQ(send_text(radio_send, "A"), 0);
  ASSERT_EQ(send_text(radio_send, "B"), 0);
  for (int id : {EV_RADIO_CONFIG_TIMER, EV_SKANTI_TIMER, EV_SKANTI_TX_POLL_TIMER}) radio_queue_timer(id);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 2);
  EXPECT_EQ(h.fake().written(kRadioPort), "A");
  // A handler given another port's timer does nothing.
  atu_queue_timer(EV_RADIO_TIMEOUT);
  radio_queue_timer(EV_ATU_TIMEOUT);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 2);
}

TEST_F(SerialQueueTest, StaleExpiryNeverDropsTheNextCommand) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  for (const char* c : {"A", "B", "C"}) ASSERT_EQ(send_text(radio_send, c), 0);
  h.run_ms(49);
  // The expiry of A's timer was already on its way when A's answer moved the queue on.
  radio_send_ack();
  radio_queue_timer(EV_RADIO_TIMEOUT);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 2) << "B, just written, must stay in flight";
  h.run_ms(49);
  EXPECT_EQ(h.fake().writes(kRadioPort), (Writes{{0, "A"}, {49, "B"}}));
  h.run_ms(1);
  EXPECT_EQ(h.fake().writes(kRadioPort), (Writes{{0, "A"}, {49, "B"}, {99, "C"}}));
}

// A pause kept after a command holds the next one until the pause has run from the moment
// the command was written, also when the radio answered at once; an answer during the pause
// moves nothing, for nothing is in flight.
TEST_F(SerialQueueTest, KeptPauseHoldsTheNextCommandOnTheWire) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  ASSERT_EQ(send_text(radio_send, "A"), 0);
  serial_queue_hold(SQ_RADIO, 200);
  h.fake().inject_at(kRadioPort, 10, "OK\r");
  h.fake().inject_at(kRadioPort, 100, "OK\r");
  h.run_ms(20);
  ASSERT_EQ(send_text(radio_send, "B"), 0);
  ASSERT_EQ(send_text(radio_send, "C"), 0);
  h.run_ms(300);
  EXPECT_EQ(h.fake().writes(kRadioPort), (Writes{{0, "A"}, {200, "B"}, {250, "C"}}));
  // A pause asked after the queue emptied runs from the last write, too.
  serial_queue_hold(SQ_RADIO, 100);
  ASSERT_EQ(send_text(radio_send, "D"), 0);
  h.run_ms(100);
  EXPECT_EQ(h.fake().writes(kRadioPort).back(), (std::pair<int64_t, std::string>{350, "D"}));
}

TEST_F(SerialQueueTest, PortInitStopsTheTimerAndDropsWhatWaits) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  db_set_current_tx_freq(7100000);
  radio_flags().radio_linked_flag = 1;
  for (const char* c : {"A", "B", "C"}) ASSERT_EQ(send_text(radio_send, c), 0);
  h.run_ms(20);
  // The radio set-up pauses on the station's clock.
  h.clock().set_auto_advance(true);
  h.fake().clear_events();
  radio_port_init();
  h.clock().set_auto_advance(false);
  // The set-up ran: NONE's block put the radio port back at its own settings.
  EXPECT_EQ(h.fake().events(kRadioPort, FakeSerialBackend::Kind::Settings).back().bytes, "4800,N,8,2");
  EXPECT_EQ(radio_flags().radio_linked_flag.load(), 0);
  EXPECT_EQ(radio_flags().radio_last_tx_freq.load(), 7100000);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 0);
  EXPECT_FALSE(h.timer_running(EV_RADIO_TIMEOUT));
  h.run_ms(200);
  EXPECT_EQ(h.fake().writes(kRadioPort), Writes{}) << "what waited for the old set-up never leaves";
  // The queue serves the new set-up at once.
  ASSERT_EQ(send_text(radio_send, "D"), 0);
  h.run_ms(1);
  EXPECT_EQ(h.fake().written(kRadioPort), "D");
}

TEST_F(SerialQueueTest, FullQueueRefusesWithARateLimitedLine) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  std::vector<std::string> sent;
  for (int i = 0; i < 150; ++i) {
    sent.push_back("CMD" + std::to_string(i) + ";");
    ASSERT_EQ(send_text(radio_send, sent.back()), 0) << i;
  }
  EXPECT_EQ(send_text(radio_send, "X;"), -1);
  EXPECT_EQ(send_text(radio_send, "Y;"), -1);
  const std::string chn = "][" + log_current_channel_stamp() + "][";
  EXPECT_EQ(log_monitor_text(), "[00:00:00" + chn + "RADIO PORT OUTPUT QUEUE FULL: 1 message(s) dropped]\n");
  h.clock().advance_ms(1000);  // the port is not served meanwhile: the queue stays full
  EXPECT_EQ(send_text(radio_send, "Z;"), -1);
  const std::string monitor = log_monitor_text();
  EXPECT_EQ(monitor.substr(0, monitor.find('\n') + 1),
            "[00:00:01" + chn + "RADIO PORT OUTPUT QUEUE FULL: 2 message(s) dropped]\n");
  // Every accepted message leaves whole and in order: no waiting slot was reused.
  h.run_ms(150 * 50);
  std::string expected;
  for (const auto& s : sent) expected += s;
  EXPECT_EQ(h.fake().written(kRadioPort), expected);
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 0);
  EXPECT_EQ(send_text(radio_send, "W;"), 0);
}

TEST_F(SerialQueueTest, ScratchSlotsNeverOverwriteWaitingMessages) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  // Builders format in a slot of the ring, then queue it: two slots per command. With the
  // port slow, the ring wraps while every queued message still waits.
  std::string expected;
  for (int i = 0; i < 149; ++i) {
    uint8_t* slot = radio_slot_next();
    const int n = std::snprintf(reinterpret_cast<char*>(slot), 49, "FA%011d;", i);
    ASSERT_EQ(radio_send(slot, n), 0) << i;
    expected += reinterpret_cast<char*>(slot);
  }
  h.run_ms(149 * 50);
  EXPECT_EQ(h.fake().written(kRadioPort), expected);
}

TEST_F(SerialQueueTest, LongMessagesLeaveWholeAsOneMessage) {
  struct Case {
    SerialPortRole role;
    int (*send)(const uint8_t*, int);
    int length;
    int gap_ms;
  };
  const Case cases[] = {
      {SERIAL_ROLE_RADIO, radio_send, 49, 50},       {SERIAL_ROLE_RADIO, radio_send, 50, 50},
      {SERIAL_ROLE_RADIO_EMUL, emul_send, 50, 50},   {SERIAL_ROLE_ATU, atu_send, 100, 50},
      {SERIAL_ROLE_TNC, tnc_send, 255, 500},         {SERIAL_ROLE_TNC, tnc_send, 256, 500},
      {SERIAL_ROLE_TNC, tnc_send, 64000, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const int port = 10 + c.role;
    if (!h.fake().is_open(port)) {
      ASSERT_TRUE(h.open(c.role, port));
    }
    h.fake().clear_events();
    std::string m;
    for (int i = 0; i < c.length; ++i) m += static_cast<char>(i * 7);
    const int64_t t0 = h.now_ms();
    ASSERT_EQ(send_text(c.send, m), 0);
    ASSERT_EQ(send_text(c.send, "next"), 0);
    h.run_ms(c.gap_ms);
    EXPECT_EQ(h.fake().writes(port), (Writes{{t0, m}, {t0 + c.gap_ms, "next"}}));
    h.run_ms(c.gap_ms);
  }
  EXPECT_EQ(send_text(tnc_send, std::string(kSerialMaxMessageBytes + 1, 'x')), -1);
}

TEST_F(SerialQueueTest, SendNowBypassesTheQueue) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  ASSERT_EQ(send_text(radio_send, "A"), 0);
  ASSERT_EQ(send_text(radio_send, "B"), 0);
  ASSERT_EQ(send_text(radio_send_now, "NOW"), 0);
  EXPECT_EQ(h.fake().written(kRadioPort), "ANOW");
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 2);
  h.run_ms(50);
  EXPECT_EQ(h.fake().written(kRadioPort), "ANOWB");
}

TEST_F(SerialQueueTest, PortWriteWritesOneSlotWhenThePortIsOpen) {
  uint8_t* message = radio_slot_next();
  std::memcpy(message, "ID;x", 4);
  message[-1] = 3;  // the length byte
  radio_port_write(message - 1);
  EXPECT_TRUE(h.fake().events().empty()) << "closed: nothing is written";
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kRadioPort));
  radio_port_write(message - 1);
  const uint8_t elsewhere[] = {3, 'a', 'b', 'c'};
  radio_port_write(elsewhere);  // not a slot of the radio ring
  EXPECT_EQ(h.fake().written(kRadioPort), "ID;");
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 0);
}

TEST_F(SerialQueueTest, PttIsActiveReadsTheKeyingFlag) {
  EXPECT_EQ(ptt_is_active(), 0);
  radio_flags().ptt_active_flag = 1;
  EXPECT_EQ(ptt_is_active(), 1);
  radio_flags().ptt_active_flag = 0;
  EXPECT_EQ(ptt_is_active(), 0);
}

}  // namespace
}  // namespace vesk
