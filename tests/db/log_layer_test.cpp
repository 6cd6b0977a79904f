// The log output layer: texts, writers, bounds, echo queue, stamps, display names, status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "tests/db/log_fixture.h"

namespace vesk {
namespace {

using LogLayer = test::LogFixture;

TEST_F(LogLayer, MonitorNewestFirstFrameInOrder) {
  std::vector<std::string> shown;
  log_set_sink([&](LogText, const std::string& l) { shown.push_back(l); });
  log_printf("A\n");
  log_printf("B\n");
  log_frame_printf("A\n");
  log_frame_printf("B\n");
  log_printf_append("C\n");
  EXPECT_EQ(log_monitor_text(), "B\nA\nC\n");
  EXPECT_EQ(log_frame_text(), "A\nB\n");
  // The sink sees every line in the order written.
  EXPECT_EQ(shown, (std::vector<std::string>{"A\n", "B\n", "A\n", "B\n", "C\n"}));
}

TEST_F(LogLayer, LongLinesAreCutAt4095) {
  const std::string big(9000, 'x');
  EXPECT_EQ(log_printf("%s", big.c_str()), 4095);
  EXPECT_EQ(log_monitor_text(), std::string(4095, 'x'));
  EXPECT_EQ(log_frame_printf("%s!", big.c_str()), 4095);
  EXPECT_EQ(log_frame_text(), std::string(4095, 'x'));
}

TEST_F(LogLayer, ChunkedWritersCutAt4095InOrder) {
  std::string data;
  for (int i = 0; i < 9000; ++i) data += static_cast<char>('a' + i % 26);
  std::vector<std::size_t> pieces;
  log_set_sink([&](LogText, const std::string& l) { pieces.push_back(l.size()); });
  log_frame_write(data.data(), data.size());
  EXPECT_EQ(pieces, (std::vector<std::size_t>{4095, 4095, 810}));
  EXPECT_EQ(log_frame_text(), data);
  pieces.clear();
  log_tnc_write(data.data(), 4095);
  EXPECT_EQ(pieces, (std::vector<std::size_t>{4095}));
  pieces.clear();
  log_tnc_write(data.data(), 0);
  EXPECT_TRUE(pieces.empty());
}

std::vector<LogEchoItem> drain_echo() {
  std::vector<LogEchoItem> out;
  LogEchoItem item;
  while (log_echo_pop(item)) out.push_back(item);
  return out;
}

TEST_F(LogLayer, EchoCopiesOnlyWhileOnAndAttached) {
  log_printf("off\n");
  log_enable_tcp_echo();
  log_printf("no consumer\n");
  EXPECT_EQ(log_echo_pending(), 0u);
  on_other_thread([] { log_echo_attach(); });  // another thread is the consumer
  log_printf("one\n");
  log_printf("%s", "");  // an empty line changes no text but is still echoed
  log_net_trace_printf("trace\n");  // never echoed (and not written: socket trace off)
  auto items = drain_echo();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "one\n");
  EXPECT_EQ(items[1].text, "");
  EXPECT_EQ(log_monitor_text(), "one\nno consumer\noff\n");
  log_disable_tcp_echo();
  log_printf("quiet\n");
  EXPECT_EQ(log_echo_pending(), 0u);
}

TEST_F(LogLayer, ConsumerThreadOwnLinesAreNotEchoed) {
  log_enable_tcp_echo();
  log_echo_attach();  // this thread drains: its own traces must not come back to it
  log_printf("host trace\n");
  EXPECT_EQ(log_echo_pending(), 0u);
  EXPECT_EQ(log_monitor_text(), "host trace\n");
}

TEST_F(LogLayer, FrameAndTncEchoWrapTheText) {
  log_enable_tcp_echo();
  on_other_thread([] { log_echo_attach(); });
  log_frame_printf("hello\n");
  auto items = drain_echo();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, stamps() + "[DISPLAY MESSAGE FRAME:]\n");
  EXPECT_EQ(items[1].text, "hello\n");
  EXPECT_EQ(items[2].text, stamps() + "[MESSAGE FRAME END:]\n");

  log_tnc_printf("tnc text");
  items = drain_echo();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, stamps() + "[TNC MESSAGE START:]\n");
  EXPECT_TRUE(items[1].as_line);
  EXPECT_EQ(items[2].text, stamps() + "[TNC MESSAGE END:]\n");

  // The PACTOR prompt reaches the frame text but not the client.
  log_tnc_printf("cmd:cmd:PACTOR <PACTOR STANDBY>");
  EXPECT_EQ(log_echo_pending(), 0u);
  EXPECT_EQ(log_frame_text(), "hello\ntnc textcmd:cmd:PACTOR <PACTOR STANDBY>");
}

TEST_F(LogLayer, EchoQueueIsBoundedOldestDropped) {
  log_enable_tcp_echo();
  on_other_thread([] { log_echo_attach(); });
  for (std::size_t i = 0; i < kLogEchoQueueMax + 5; ++i) log_printf("%zu\n", i);
  EXPECT_EQ(log_echo_pending(), kLogEchoQueueMax);
  EXPECT_EQ(log_echo_dropped(), 5u);
  LogEchoItem first;
  ASSERT_TRUE(log_echo_pop(first));
  EXPECT_EQ(first.text, "5\n");
  log_echo_detach();
  EXPECT_EQ(log_echo_pending(), 0u);
}

TEST_F(LogLayer, NetTraceOnlyWhileSocketTraceOn) {
  log_net_trace_printf("a\n");
  log_set_socket_trace(1);
  log_net_trace_printf("b\n");
  log_set_socket_trace(0);
  log_net_trace_printf("c\n");
  EXPECT_EQ(log_monitor_text(), "b\n");
}

TEST_F(LogLayer, TimeAndDateStamps) {
  EXPECT_EQ(log_time_stamp(), "14:03:09");
  EXPECT_EQ(log_date_stamp(), "12/08/2026");
  EXPECT_EQ(log_format_date_time(static_cast<std::time_t>(test::kLogTestStartMs / 1000)), "12-08-26 14:03");
  log_print_time();
  EXPECT_EQ(log_monitor_text(), "12-08-26 14:03\n");
}

TEST_F(LogLayer, StampsFollowTheDateAndFrequencyOptions) {
  {
    DbLock lock;
    lock.db().channels[5].rx_freq_hz = 7102000;
    lock.db().channels[5].tx_freq_hz = 7105500;
    lock.db().channels[123].rx_freq_hz = 14109000;
  }
  log_hooks().tuned_tx_freq_hz = [] { return 3596000; };
  struct Case {
    int freq_display;
    int channel;
    std::string rx, tx, tuned;
  } cases[] = {
      {0, 5, "CHN 05", "CHN 05", "CHN 05"},
      {0, 123, "CHN 123", "CHN 123", "CHN 123"},
      {1, 5, "FRQ 07102000", "FRQ 07105500", "FRQ 03596000"},
      {1, 123, "FRQ 14109000", "FRQ 00000000", "FRQ 03596000"},
      {1, 400, "FRQ 00000000", "FRQ 00000000", "FRQ 03596000"},  // out of the table: no frequency
  };
  for (const Case& c : cases) {
    db_set_option_int(opt::FREQ_DISPLAY, c.freq_display);
    EXPECT_EQ(log_channel_stamp(c.channel), c.rx) << c.channel;
    EXPECT_EQ(log_channel_tx_stamp(c.channel), c.tx) << c.channel;
    EXPECT_EQ(log_tuned_freq_stamp(c.channel), c.tuned) << c.channel;
  }

  // A stamped line of the working channel, with the date option off and on.
  db_set_option_int(opt::FREQ_DISPLAY, 0);
  db_select_channel(5);
  db_set_show_date(0);
  EXPECT_EQ(stamps() + "[X]", "[14:03:09][CHN 05][X]");
  db_set_show_date(1);
  EXPECT_EQ(log_time_stamp(), "12/08/2026][14:03:09");
  EXPECT_EQ(stamps() + "[X]", "[12/08/2026][14:03:09][CHN 05][X]");
  EXPECT_EQ(log_date_stamp(), "12/08/2026");
}

TEST_F(LogLayer, DisplayNames) {
  struct Case {
    const char* (*fn)(int);
    int code;
    const char* name;
  } cases[] = {
      {display_mode_name, 0, "LSB"},     {display_mode_name, 2, "CW "},    {display_mode_name, 10, "FSKR"},
      {display_mode_name, 11, "???"},    {display_mode_name, 21, "LSB-D"}, {display_mode_name, 22, "USB-D"},
      {display_mode_name, -1, "???"},    {display_permission_name, 0, "RX "}, {display_permission_name, 3, "BX "},
      {display_permission_name, 2, "???"}, {display_usage_letter, 2, "D"},  {display_usage_letter, 3, "U"},
      {display_lp_level_name, 4, "AL4"}, {display_lp_level_name, 5, "???"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.fn(c.code), c.name) << c.code;
  EXPECT_EQ(display_format_ber(3), "BER 3");
  EXPECT_EQ(display_format_ber(-1), "");
  EXPECT_EQ(display_format_sinad(10.0f), "SINAD 60.0");
  EXPECT_EQ(display_format_sinad(0.0f), "");
}

TEST_F(LogLayer, StatusTextsArePostedToTheWindow) {
  std::vector<int> posted;
  log_hooks().post_message = [&](int m) { posted.push_back(m); };
  display_post_freq_offset(-12.25f);
  EXPECT_EQ(display_status_texts().freq_offset, "-12.250000 hz");
  display_post_freq_offset(0.5f);
  EXPECT_EQ(display_status_texts().freq_offset, ".500000 hz");
  display_clear_freq_offset();
  EXPECT_EQ(display_status_texts().freq_offset, "          ");
  display_set_tx();
  EXPECT_EQ(display_status_texts().tx_rx, "TX");
  display_post_recorder_status("RECORDING");
  display_post_ale_mode("NORMAL");
  display_post_modem_text("RX USB", "");
  EXPECT_EQ(display_status_texts().modem_rx, "RX USB");
  EXPECT_EQ(posted, (std::vector<int>{WM_MODEM_STATUS, WM_MODEM_STATUS, WM_MODEM_STATUS, WM_REFRESH_STATUS,
                                      WM_RECORDER_STATUS, WM_LINKED_STATION, WM_MODEM_STATUS}));
}

TEST_F(LogLayer, ListingStyleAndFullListing) {
  int listed = 0;
  log_hooks().full_listing = [&] { ++listed; };
  EXPECT_EQ(display_listing_style(), 0);
  display_set_listing_compact();
  EXPECT_EQ(display_listing_style(), 2);
  display_full_listing();
  EXPECT_EQ(listed, 1);
  display_set_listing_plain();
  EXPECT_EQ(display_listing_style(), 1);
}

TEST_F(LogLayer, MessageBoxesGoToTheNotifierOrTheLog) {
  display_message_box("Missing OWN Address");
  EXPECT_EQ(log_monitor_text(), stamps() + "[MESSAGE BOX: Missing OWN Address]\n");
  struct Recorder : LogNotifier {
    std::vector<std::string> seen;
    void message_box(const std::string& t) override { seen.push_back(t); }
  };
  auto rec = std::make_shared<Recorder>();
  log_set_notifier(rec);
  display_message_box("OWN Address In Use");
  EXPECT_EQ(rec->seen, std::vector<std::string>{"OWN Address In Use"});
}

TEST_F(LogLayer, ExitAsksForAnOrderlyEnd) {
  int asked = 0;
  log_hooks().request_exit = [&] { ++asked; };
  display_exit_program();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(display_exit_requested());
  EXPECT_EQ(log_monitor_text(), "Goodbye......");
}

}  // namespace
}  // namespace vesk
