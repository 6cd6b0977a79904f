#include "radio/serial_poll.h"

// Before pty.h, whose termios macros (ECHO) would clash with option names.
#include "db/options.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "db/log.h"
#include "platform/station.h"
#include "radio/serial_queue.h"
#include "tests/support/serial_harness.h"

namespace vesk {
namespace {

using Frames = std::vector<std::string>;

// The radio port on a pseudo-terminal: bytes written to the master arrive as the radio's.
class PtyPollTest : public ::testing::Test {
 protected:
  PtyPollTest() : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_) {
    char name[128];
    EXPECT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    std::ofstream(station_.path("PORTS.MAP")) << "1 " << name << "\n";
    SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
    radio.set_port_number(1);
    EXPECT_EQ(radio.open(), 0) << radio.last_error();
    serial_poll_hooks().radio_frame = [this](const uint8_t* b, int n) {
      // The handler sees the count with the terminator and a NUL behind it.
      EXPECT_EQ(b[n], 0);
      frames_.emplace_back(reinterpret_cast<const char*>(b), static_cast<std::size_t>(n));
    };
  }
  ~PtyPollTest() override {
    close(master_);
    close(slave_);
  }
  // Writes one read's worth of bytes and polls once they are all waiting on the port.
  void arrive(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    int waiting = 0;
    for (int tries = 0; tries < 20000 && waiting < static_cast<int>(bytes.size()); ++tries) {
      waiting = serial_control(SERIAL_ROLE_RADIO).in_buffer_count();
      if (waiting < static_cast<int>(bytes.size())) usleep(100);
    }
    ASSERT_EQ(waiting, static_cast<int>(bytes.size()));
    port_poll_input();
  }

  test::TempDir dir_;
  Station station_;
  StationScope scope_;
  int master_ = -1, slave_ = -1;
  Frames frames_;
};

struct FramingCase {
  const char* name;
  uint8_t first, second;
  std::vector<std::string> reads;  // each arrives, and is polled, on its own
  Frames frames;
};

TEST_F(PtyPollTest, RadioRepliesAreCutAtTheTerminators) {
  const std::string x300(300, 'x'), x299(299, 'x');
  const FramingCase cases[] = {
      {"a reply one byte per read is one frame", ';', ';',
       {"F", "A", "0", "0", "0", "0", "7", "1", "0", "0", "0", "0", "0", ";"}, {"FA00007100000;"}},
      {"two and a half replies in one read", ';', ';', {"IF1;FA2;FB", "3;"}, {"IF1;", "FA2;", "FB3;"}},
      {"CR LF gives two frames", '\r', '\n', {"OK\r\n"}, {"OK\r", "\n"}},
      {"a pair of equal bytes ends only at that byte", '\r', '\r', {"A\nB\r"}, {"A\nB\r"}},
      {"ACK and NAK are frames of their own", 0x06, 0x15, {"\x06\x15"}, {"\x06", "\x15"}},
      {"a NUL ends a frame with the pair 0 and 0", 0, 0, {std::string("AB\0", 3)}, {std::string("AB\0", 3)}},
      {"300 bytes without a terminator are dropped", ';', ';', {x300, "y;"}, {"y;"}},
      {"a terminator as the 300th byte makes a whole frame", ';', ';', {x299 + ";z;"}, {x299 + ";", "z;"}},
  };
  for (const FramingCase& c : cases) {
    SCOPED_TRACE(c.name);
    serial_set_reply_terminators(SERIAL_ROLE_RADIO, c.first, c.second);
    frames_.clear();
    for (const std::string& r : c.reads) arrive(r);
    EXPECT_EQ(frames_, c.frames);
  }
}

TEST_F(PtyPollTest, UnfinishedReplyWaitsAcrossPasses) {
  serial_set_reply_terminators(SERIAL_ROLE_RADIO, ';', ';');
  arrive("FA0000");
  port_poll_input();  // a pass with nothing new
  EXPECT_TRUE(frames_.empty());
  arrive("7100000;");
  EXPECT_EQ(frames_, Frames{"FA00007100000;"});
}

class FakePollTest : public ::testing::Test {
 protected:
  FakePollTest() {
    SerialPollHooks& poll = serial_poll_hooks();
    poll.radio_frame = [this](const uint8_t* b, int n) { radio_.emplace_back(reinterpret_cast<const char*>(b), n); };
    poll.emul_frame = [this](const uint8_t* b, int n) { emul_.emplace_back(reinterpret_cast<const char*>(b), n); };
    poll.timer_start_twa = [this] { ++twa_restarts_; };
  }
  test::SerialHarness h;
  Frames radio_, emul_;
  int twa_restarts_ = 0;
};

TEST_F(FakePollTest, PortsKeepTheirInputApart) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, 1));
  ASSERT_TRUE(h.open(SERIAL_ROLE_ATU, 2));
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO_EMUL, 3));
  serial_set_reply_terminators(SERIAL_ROLE_RADIO, '\r', '\r');
  h.fake().inject(1, "FA0000");
  h.fake().inject(2, "tuner;\r\xFD");
  h.fake().inject(3, "FA;");
  port_poll_input();
  EXPECT_EQ(serial_control(SERIAL_ROLE_ATU).in_buffer_count(), 0) << "tuner bytes are taken and dropped";
  h.fake().inject(1, "7100\r");
  h.fake().inject(3, "\xFE\xFE\x66\xE0\x03\xFD");
  port_poll_input();
  EXPECT_EQ(radio_, Frames{"FA00007100\r"});
  EXPECT_EQ(emul_, (Frames{"FA;", "\xFE\xFE\x66\xE0\x03\xFD"}));
}

TEST_F(FakePollTest, EmulationFramesAreCutAtEitherTerminator) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO_EMUL, 3));
  // A CI-V frame carrying 0x3B is cut there; 256 bytes without a terminator are dropped.
  h.fake().inject(3, std::string("\xFE\xFE\x66\xE0\x3B\x00\xFD", 7));
  h.fake().inject(3, std::string(256, 'x') + "ID;");
  port_poll_input();
  EXPECT_EQ(emul_, (Frames{"\xFE\xFE\x66\xE0\x3B", std::string("\x00\xFD", 2), "ID;"}));
}

TEST_F(FakePollTest, EmulationPortIsReadOnlyWhileEnabled) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO_EMUL, 3));
  db_set_option_int(opt::EMULATION_ENABLED, 0);
  h.fake().inject(3, "ID;");
  port_poll_input();
  EXPECT_TRUE(emul_.empty());
  EXPECT_EQ(serial_control(SERIAL_ROLE_RADIO_EMUL).in_buffer_count(), 3);
  db_set_option_int(opt::EMULATION_ENABLED, 1);
  port_poll_input();
  EXPECT_EQ(emul_, Frames{"ID;"});
}

TEST_F(FakePollTest, AClosedRadioPortLeavesTheOtherTurns) {
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO_EMUL, 3));
  h.fake().inject(3, "ID;");
  port_poll_input();
  EXPECT_EQ(emul_, Frames{"ID;"});
}

TEST_F(FakePollTest, TncReadsBecomeTncTextAndCountAsLinkActivity) {
  // Closed TNC port: not read, the link timer untouched.
  radio_flags().radio_linked_flag = 1;
  port_poll_input();
  EXPECT_EQ(twa_restarts_, 0);
  ASSERT_TRUE(h.open(SERIAL_ROLE_TNC, 5));
  // Outside a link: shown, no restart.
  radio_flags().radio_linked_flag = 0;
  h.fake().inject(5, "cmd:");
  port_poll_input();
  EXPECT_EQ(twa_restarts_, 0);
  // During a link: one restart per read that finds bytes, not per byte; a read longer than
  // the 4,096-byte block is shown whole, in order.
  radio_flags().radio_linked_flag = 1;
  std::string big;
  for (int i = 0; i < 5000; ++i) big += static_cast<char>('a' + i % 26);
  h.fake().inject(5, big);
  port_poll_input();
  port_poll_input();
  EXPECT_EQ(twa_restarts_, 1);
  EXPECT_EQ(log_frame_text(), "cmd:" + big);
}

}  // namespace
}  // namespace vesk
