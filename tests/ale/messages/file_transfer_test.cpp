// File transfer: the frame, the sender's size checks, and the receiver's checks of what
// arrives (CRC, layout, name) with the reports it queues.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ale/engine/api_event.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/messages/file_transfer.h"
#include "ale/messages/send_queue.h"
#include "ale/messages/transfer_cipher.h"
#include "db/crc16.h"
#include "tests/ale/messages/message_fixture.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

int32_t crc_of(const std::vector<uint8_t>& bytes) {
  int32_t crc;
  crc16_init(&crc);
  for (uint8_t b : bytes) crc16_update_byte(b, &crc);
  return crc & 0xFFFF;
}

class FileTransferTest : public MessageStationTest {
 protected:
  FileTransferTest() {
    api_queue_create();
    dtm_dbm_queues_init();  // the send queues a file must fit
    fs::create_directories(fs::path(dir_.path()) / "download");
  }
  // Handles a file-send request for `path` to B2 as the engine does.
  static void send(const std::string& path) {
    ApiEvent* e = api_alloc(static_cast<int>(path.size()));
    e->kind = API_FILE_SEND;
    std::strcpy(e->addresses[0], "B2");
    e->address_count = 1;
    std::memcpy(e->payload(), path.data(), path.size());
    xfer_send_file(*e);
    api_free(e);
  }
  // The data requests posted since the last call: their total payload bytes (-1: none).
  static long posted_bytes() {
    long total = -1;
    while (ApiEvent* e = api_pop()) {
      if (e->kind == API_DBM_DATA) total = std::max(total, 0L) + e->payload_length;
      api_free(e);
    }
    return total;
  }
  std::string file(const std::string& name, std::size_t size) const {
    const fs::path p = fs::path(dir_.path()) / name;
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
    return p.string();
  }
  static void receive(std::vector<uint8_t> frame, bool fix_crc = true, const char* from = nullptr) {
    if (fix_crc) {
      frame.resize(frame.size() - 2);
      const int32_t crc = crc_of(frame);
      frame.push_back(static_cast<uint8_t>(crc >> 8));
      frame.push_back(static_cast<uint8_t>(crc));
    }
    xfer_receive(frame.data(), frame.size(), from);
  }
  static std::vector<std::string> reports() {
    std::vector<std::string> out;
    for (const XferReport& r : xfer_file_state().reports)
      out.push_back(r.address + ":" + std::string(r.frame.begin() + 1, r.frame.end() - 1));
    xfer_file_state().reports.clear();
    return out;
  }
};

TEST_F(FileTransferTest, FrameOfABC) {
  const std::string abc = "abc";
  const std::vector<uint8_t> f = xfer_build_frame("a.txt", reinterpret_cast<const uint8_t*>(abc.data()), 3);
  EXPECT_EQ(f.size(), 12u);
  EXPECT_EQ(std::string(f.begin() + 1, f.begin() + 10), std::string("a.txt\0abc", 9));
  EXPECT_EQ(crc_of(f), 0);
  const XferFrame parsed = xfer_parse_frame(f.data(), f.size());
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.name, "a.txt");
  EXPECT_EQ(parsed.data_length, 3u);
}

TEST_F(FileTransferTest, SenderChecksTheSizeFirst) {
  xfer_select_dbm_path();
  // At the longest DBM frame time the send queue takes a whole frame of 500,000 bytes.
  db_set_option_int(opt::DBM_MAX_FRAME_TIME, 1800);
  send(file("ABCDE", 499990));  // 1 + 6 + 499,990 + 2 = 499,999 bytes
  EXPECT_EQ(posted_bytes(), 499999);
  send(file("ABCDEFGHIJ", 499990));  // 500,004 bytes; the line gives the file's size
  EXPECT_EQ(posted_bytes(), -1);
  EXPECT_NE(log_monitor_text().find("[LOCAL][ERROR] FTP File too large > 499990 Transfer failed"), std::string::npos);
  // A file far larger than memory is refused by its size, never read.
  const std::string huge = file("HUGE", 0);
  fs::resize_file(huge, 1ull << 40);
  send(huge);
  EXPECT_NE(log_monitor_text().find("FTP File too large > 1099511627776 "), std::string::npos);
  // Either separator ends the folder part; a path without a file name is refused aloud.
  EXPECT_EQ(xfer_base_name("C:\\FILES\\A.TXT"), "A.TXT");
  EXPECT_EQ(xfer_base_name("files/sub\\B.TXT"), "B.TXT");
  EXPECT_EQ(xfer_base_name("C.TXT"), "C.TXT");
  send(std::string(dir_.path()) + "/");
  EXPECT_NE(log_monitor_text().find("[LOCAL]Unable to open File" + std::string(dir_.path()) + "/"), std::string::npos);
}

TEST_F(FileTransferTest, ReceivedFramesAreChecked) {
  const std::string body = "hello";
  const auto* data = reinterpret_cast<const uint8_t*>(body.data());
  receive(xfer_build_frame("good.txt", data, body.size()), false);
  EXPECT_EQ(reports(), (std::vector<std::string>{":OK download\\good.txt"}));
  // A second file of the same name replaces the first.
  receive(xfer_build_frame("good.txt", reinterpret_cast<const uint8_t*>("HI"), 2), false);
  EXPECT_EQ(reports(), (std::vector<std::string>{":OK download\\good.txt"}));
  std::ifstream in(fs::path(dir_.path()) / "download" / "good.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "HI");

  struct Case {
    std::string name;
    std::vector<uint8_t> frame;
    bool fix_crc;
    std::string log;
  };
  std::vector<uint8_t> damaged = xfer_build_frame("x.txt", data, body.size());
  damaged.back() ^= 1;
  const std::vector<Case> cases = {
      {"damaged CRC", damaged, false, "[LOCAL]FTP CRC failure"},
      {"parent folder", xfer_build_frame("../x", data, 5), true, "[LOCAL]FTP file name refused"},
      {"dots", xfer_build_frame("..", data, 5), true, "[LOCAL]FTP file name refused"},
      {"slash", xfer_build_frame("a/b", data, 5), true, "[LOCAL]FTP file name refused"},
      {"backslash", xfer_build_frame("a\\b", data, 5), true, "[LOCAL]FTP file name refused"},
      {"empty name", xfer_build_frame("", data, 5), true, "[LOCAL]FTP file name refused"},
      {"control character", xfer_build_frame("a\nb", data, 5), true, "[LOCAL]FTP file name refused"},
      {"no name end", {0, 'a', 'b', 'c', 0, 0}, true, "[LOCAL]FTP frame malformed"},
      {"too short", {0, 0, 0}, true, "[LOCAL]FTP"},
  };
  for (const Case& c : cases) {
    clear_monitor();
    receive(c.frame, c.fix_crc);
    EXPECT_EQ(reports(), (std::vector<std::string>{":FAIL "})) << c.name;
    EXPECT_NE(log_monitor_text().find(c.log), std::string::npos) << c.name << log_monitor_text();
  }
  // Nothing was written but the good file.
  std::vector<std::string> written;
  for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
    if (e.is_regular_file() && e.path().filename() != "ALE.DAT") written.push_back(e.path().filename().string());
  EXPECT_EQ(written, (std::vector<std::string>{"good.txt"}));
}

TEST_F(FileTransferTest, ReportsWaitOnATimerWithTheirOwnAddress) {
  const std::string body = "abc";
  // The last frame heard came from C3; the file arrives inside a frame whose ending names B2;
  // a later destination does not redirect the report.
  begin();
  feed({word(ALE_TO, "ABC"), word(ALE_TIS, "C3@")});
  feed_bad(1);
  begin();
  feed({word(ALE_TO, "ABC")});
  xfer_select_dbm_path();  // as the parser does for a DBM message
  receive(xfer_build_frame("r.txt", reinterpret_cast<const uint8_t*>(body.data()), 3), false);
  feed({word(ALE_TIS, "B2@")});
  feed_bad(1);
  xfer_set_dest_address("OTHER");
  xfer_report_timer();
  EXPECT_EQ(posted_bytes(), -1);  // not due yet
  station_.sim_clock()->advance_ms(kXferReportDelayMs);
  xfer_report_timer();
  ApiEvent* e = api_pop();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->kind, API_DTM_DATA);
  EXPECT_STREQ(e->addresses[0], "B2");
  api_free(e);
  (void)posted_bytes();
}

TEST_F(FileTransferTest, AFileOverTheDataLinkIsAnsweredToItsSenderOnTheSamePath) {
  std::vector<std::string> modem;  // what went to the data link: "destination:payload"
  xfer_state().hooks.modem_payload = [&modem](const char* to, const uint8_t* p, std::size_t n, int) {
    modem.push_back(std::string(to) + ":" + std::string(reinterpret_cast<const char*>(p), n));
    return 1;
  };
  const std::string body = "abc";
  xfer_select_modem_path();
  receive(xfer_build_frame("m.txt", reinterpret_cast<const uint8_t*>(body.data()), 3), false, "ALFA");
  // An ALE frame from another station heard before the report is due, and a path chosen since,
  // change neither where the report goes nor how.
  begin();
  feed({word(ALE_TO, "ABC"), word(ALE_TIS, "C3@")});
  feed_bad(1);
  xfer_select_dbm_path();
  station_.sim_clock()->advance_ms(kXferReportDelayMs);
  xfer_report_timer();
  EXPECT_EQ(modem, (std::vector<std::string>{std::string("ALFA:\x01OK download\\m.txt\0", 24)}));
  EXPECT_EQ(api_pop(), nullptr);  // no DTM or DBM request
  std::ifstream in(fs::path(dir_.path()) / "download" / "m.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), body);
}

TEST_F(FileTransferTest, EncipheredFrameNeedsTheSameKeys) {
  const std::string body = "secret";
  std::vector<uint8_t> f = xfer_build_frame("s.txt", reinterpret_cast<const uint8_t*>(body.data()), body.size());
  const uint8_t keys[24] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  db_set_transfer_keys(keys);
  db_set_secure_transfers(1);
  xfer_encrypt(f.data() + 1, f.size() - 1);
  xfer_receive(f.data(), f.size());
  EXPECT_EQ(reports(), (std::vector<std::string>{":OK download\\s.txt"}));
  db_set_secure_transfers(0);  // the receiver without the cipher cannot read it
  xfer_receive(f.data(), f.size());
  EXPECT_EQ(reports(), (std::vector<std::string>{":FAIL "}));
}

}  // namespace
}  // namespace vesk::test
