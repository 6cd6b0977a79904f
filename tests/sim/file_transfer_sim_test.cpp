// File transfer between whole stations on the simulated ether: after ALFA links with BRAVO,
// "DBMFTP BRAVO FILE" and the file dialog's send request carry a 14 kB file as DBM blocks; it
// arrives byte for byte in BRAVO's download folder, plain and enciphered, and ALFA logs
// BRAVO's report. A name BRAVO refuses, and a file too large to send, are refused aloud. With
// the dialog's modem path the file goes as one FED-STD-1052 message; when BRAVO is off the
// air the message is reported failed and BRAVO's download folder stays empty. A longer file
// ends saved or failed on both stations, and its rate follows a channel that fades and
// recovers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

constexpr uint8_t kKeys[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC, 0xBA, 0x98,
                               0x76, 0x54, 0x32, 0x10, 0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};

class FileTransferSimTest : public ::testing::Test {
 protected:
  void stations(bool secure) {
    const auto set_up = [secure] {
      db_set_transfer_keys(kKeys);
      db_set_secure_transfers(secure ? 1 : 0);
    };
    test::make_station_folder(a(), set_up, "ADD OWN ALFA\nADD CHANNEL 7000000\nADD OTHER BRAVO\nENABLE SCANNING\n");
    test::make_station_folder(b(), set_up, "ADD OWN BRAVO\nADD CHANNEL 7000000\nADD OTHER ALFA\nENABLE SCANNING\n");
    fs::create_directories(b() / "download");
  }
  fs::path a() const { return fs::path(root_.path()) / "a"; }
  fs::path b() const { return fs::path(root_.path()) / "b"; }
  std::string put_file(const std::string& name, std::size_t size) const {
    std::mt19937 rng(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    std::ofstream(a() / name, std::ios::binary) << bytes;
    return bytes;
  }
  // Runs ALFA and BRAVO (`bravo_on`: BRAVO is in the run); `received` gets the files in
  // BRAVO's folder at the end, by name, also when BRAVO was switched off during the run.
  // `snr_from` changes the SNR during the run; `watch` is called after each station's step.
  test::SimRun run(int seconds, const std::vector<SimCommand>& commands, std::map<std::string, std::string>* received,
                   double snr_db = 10, bool bravo_on = true, const std::map<int64_t, double>& snr_from = {},
                   const SimStep& watch = {}) {
    SimOptions o;
    o.snr_from_ms = snr_from;
    o.stations = {{"ALFA", a().string()}};
    if (bravo_on) o.stations.push_back({"BRAVO", b().string()});
    o.channel = "awgn";
    o.snr_db = snr_db;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = commands;
    // BRAVO's scratch folder stays until the run's end, after a QUIT too; ALFA reads it there.
    auto bravo_dir = std::make_shared<fs::path>();
    const SimStep on_step = [bravo_dir, watch](int64_t now, const std::string& who) {
      if (who == "BRAVO" && bravo_dir->empty()) *bravo_dir = station().dir();
      if (watch) watch(now, who);
    };
    return test::sim_collect(o, [received, bravo_dir](const std::string& who) {
      if (who != "ALFA" || received == nullptr || bravo_dir->empty()) return;
      for (const auto& e : fs::recursive_directory_iterator(*bravo_dir)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        (*received)[fs::relative(e.path(), *bravo_dir).string()] = std::string(std::istreambuf_iterator<char>(in), {});
      }
    }, on_step);
  }
  // The data-link dialog's OK on both stations: FED-STD-1052, the modem in the sound path while
  // linked.
  static std::vector<SimCommand> data_link_linked() {
    return {{1000, "ALFA", "@MIL110OPTIONS 1 1"}, {1000, "BRAVO", "@MIL110OPTIONS 1 1"}};
  }
  // `size` bytes holding every byte value, in a different order in each 256.
  static std::string binary_bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 37 + i / 256) & 0xFF);
    return bytes;
  }
  void transfer_14k(bool secure) {
    stations(secure);
    const std::string sent = put_file("FILE.BIN", 14000);
    std::map<std::string, std::string> got;
    const test::SimRun r = run(1600,
                               {{10000, "ALFA", "CALL BRAVO"},
                                {30000, "ALFA", "DBMFTP BRAVO FILE.BIN"},
                                {31000, "ALFA", kSimSendFile}},
                               &got);
    EXPECT_EQ(r.count_of("ALFA", "[LOCAL][SENDING] FILE.BIN"), 1) << r.text;
    EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED] download\\FILE.BIN"), 1) << r.text;
    EXPECT_EQ(r.count_of("ALFA", "[REMOTE][TRANSFER] OK download\\FILE.BIN"), 1);
    ASSERT_EQ(got.count("download/FILE.BIN"), 1u);
    EXPECT_TRUE(got["download/FILE.BIN"] == sent) << "the received file differs";
    EXPECT_TRUE(r.keyings_released());
  }
  test::TempDir root_;
};

TEST_F(FileTransferSimTest, PlainFileArrivesWhole) { transfer_14k(false); }
TEST_F(FileTransferSimTest, EncipheredFileArrivesWhole) { transfer_14k(true); }

TEST_F(FileTransferSimTest, RefusedNamesAndFilesTooLarge) {
  stations(false);
  put_file("X..Y", 100);
  put_file("BIG.BIN", 600000);
  std::map<std::string, std::string> got;
  const test::SimRun r = run(90,
                             {{10000, "ALFA", "CALL BRAVO"},
                              {30000, "ALFA", "DBMFTP BRAVO BIG.BIN"},
                              {31000, "ALFA", kSimSendFile},
                              {32000, "ALFA", "DBMFTP BRAVO X..Y"},
                              {33000, "ALFA", kSimSendFile}},
                             &got);
  // The size given is the file's.
  EXPECT_EQ(r.count_of("ALFA", "[LOCAL][ERROR] FTP File too large > 600000 Transfer failed"), 1) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[LOCAL][SENDING] BIG.BIN"), 0);
  EXPECT_EQ(r.count_of("BRAVO", "[LOCAL]FTP file name refused"), 1) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[REMOTE][TRANSFER] FAIL "), 1);
  for (const auto& [name, bytes] : got) EXPECT_EQ(name.rfind("download/", 0), std::string::npos) << name;
}

// Two files sent within a second of each other both arrive, and both reports come back. Names
// keep their case: one given as it is on disk, one typed in capitals for a file whose name
// differs only in case (the one file of that name is taken).
TEST_F(FileTransferSimTest, TwoFilesBackToBackArriveUnderTheirOwnNames) {
  stations(false);
  const std::string first = put_file("m1.txt", 300);
  std::ofstream(a() / "Mixed.Bin", std::ios::binary) << binary_bytes(400);
  std::map<std::string, std::string> got;
  const test::SimRun r = run(260,
                             {{10000, "ALFA", "CALL BRAVO"},
                              {40000, "ALFA", "DBMFTP BRAVO m1.txt"},
                              {40000, "ALFA", kSimSendFile},
                              {40500, "ALFA", "DBMFTP BRAVO MIXED.BIN"},
                              {40500, "ALFA", kSimSendFile}},
                             &got, 15);
  EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED] download\\m1.txt"), 1) << r.text;
  EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED] download\\Mixed.Bin"), 1) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[REMOTE][TRANSFER] OK download\\m1.txt"), 1);
  EXPECT_EQ(r.count_of("ALFA", "[REMOTE][TRANSFER] OK download\\Mixed.Bin"), 1);
  EXPECT_EQ(r.count("FAIL"), 0);
  EXPECT_TRUE(got["download/m1.txt"] == first) << "the first file differs";
  EXPECT_TRUE(got["download/Mixed.Bin"] == binary_bytes(400)) << "the second file differs";
  EXPECT_TRUE(r.keyings_released());
}

// A file longer than the send queue can take at the DBM frame time is refused whole: the
// refusal is the one line logged, and nothing goes on the air.
TEST_F(FileTransferSimTest, AFileTheSendQueueCannotTakeSendsNothing) {
  stations(false);
  put_file("LARGE.BIN", 20000);
  const test::SimRun r = run(75, {{10000, "ALFA", "CALL BRAVO"}, {40000, "ALFA", "DBMFTP BRAVO LARGE.BIN"},
                                  {40000, "ALFA", kSimSendFile}},
                             nullptr);
  ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[DATA ERROR: MESSAGE OF 140 BLOCKS REFUSED, 100 SEND QUEUE ENTRIES FREE]"), 1)
      << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[SENDING]"), 0);
  EXPECT_EQ(r.count("PTT now ACTIVE", 40), 0) << r.text;
  EXPECT_EQ(r.count("[MSG SENT]"), 0);
}

TEST_F(FileTransferSimTest, OverTheDataLinkAFileArrivesByteIdentical) {
  stations(false);
  const std::string sent = binary_bytes(4096);
  std::ofstream(a() / "BINARY.BIN", std::ios::binary) << sent;
  std::vector<SimCommand> commands = data_link_linked();
  commands.insert(commands.end(), {{10000, "ALFA", "CALL BRAVO"},
                                   {30000, "ALFA", "DBMFTP BRAVO BINARY.BIN"},
                                   {31000, "ALFA", kSimSendFileModem}});
  std::map<std::string, std::string> got;
  const test::SimRun r = run(420, commands, &got, 15);
  ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[LOCAL][SENDING] BINARY.BIN"), 1) << r.text;
  EXPECT_NE(r.at("ALFA", "[FS-1052 Message Confirm ID 0 BRAVO]"), -1) << r.text;
  EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED] download\\BINARY.BIN"), 1) << r.text;
  // BRAVO's report comes back over the data link to the station that sent the file.
  EXPECT_EQ(r.count_of("ALFA", "[REMOTE][TRANSFER] OK download\\BINARY.BIN"), 1) << r.text;
  EXPECT_EQ(r.count("FS-1052 Message ID"), 0);  // nothing failed
  ASSERT_EQ(got.count("download/BINARY.BIN"), 1u);
  EXPECT_TRUE(got["download/BINARY.BIN"] == sent) << "the received file differs";
  EXPECT_TRUE(r.keyings_released());
}

TEST_F(FileTransferSimTest, OverTheDataLinkALongTransferEndsSavedOrFailedOnBothStations) {
  // A file of several full series: at 19 dB frames are lost and their gaps close later; when
  // the channel dies during the transfer both stations report the message failed.
  struct Case {
    const char* what;
    std::map<int64_t, double> snr_from;
    bool saved;
    int seconds;
  };
  const Case cases[] = {{"19 dB", {{0, 19}}, true, 900},
                        {"the channel dies at 150 s", {{0, 25}, {150000, -30}}, false, 720}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(a());
    fs::remove_all(b());
    stations(false);
    const std::string sent = put_file("FILE.BIN", 60000);
    std::vector<SimCommand> commands = data_link_linked();
    commands.insert(commands.end(), {{10000, "ALFA", "CALL BRAVO"},
                                     {30000, "ALFA", "DBMFTP BRAVO FILE.BIN"},
                                     {31000, "ALFA", kSimSendFileModem}});
    std::map<std::string, std::string> got;
    const test::SimRun r = run(c.seconds, commands, &got, 25, true, c.snr_from);
    if (c.saved) {
      EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED] download\\FILE.BIN"), 1) << r.text;
      EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message Confirm ID 0 BRAVO]"), 1);
      ASSERT_EQ(got.count("download/FILE.BIN"), 1u);
      EXPECT_TRUE(got["download/FILE.BIN"] == sent) << "the received file differs";
      EXPECT_EQ(r.count("FS-1052 Message ID"), 0);
    } else {
      EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message ID 0 failed BRAVO]"), 1) << r.text;
      EXPECT_EQ(r.count_of("BRAVO", "[FS-1052 Message ID 0 failed ALFA]"), 1) << r.text;
      EXPECT_EQ(r.count("[SAVED]"), 0);
    }
  }
}

TEST_F(FileTransferSimTest, OverTheDataLinkTheRateFollowsAChannelThatFadesAndRecovers) {
  // 25 dB, 9 dB from 250 s to 550 s, 25 dB again: ALFA's modem pane shows the rate of each
  // transmission; it steps down in the fade and up again after it, and the file arrives.
  stations(false);
  const std::string sent = put_file("FILE.BIN", 60000);
  std::vector<SimCommand> commands = data_link_linked();
  commands.insert(commands.end(), {{10000, "ALFA", "CALL BRAVO"},
                                   {30000, "ALFA", "DBMFTP BRAVO FILE.BIN"},
                                   {31000, "ALFA", kSimSendFileModem}});
  struct Shown {
    double at;
    std::string text;
  };
  auto shown = std::make_shared<std::vector<Shown>>();
  const SimStep watch = [shown](int64_t now, const std::string& who) {
    if (who != "ALFA") return;
    const std::string tx = display_status_texts().modem_tx;
    if (!tx.empty() && (shown->empty() || shown->back().text != tx)) shown->push_back({now / 1000.0, tx});
  };
  std::map<std::string, std::string> got;
  const test::SimRun r = run(1500, commands, &got, 25, true, {{250000, 9}, {550000, 25}}, watch);
  EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED] download\\FILE.BIN"), 1) << r.text;
  ASSERT_EQ(got.count("download/FILE.BIN"), 1u);
  EXPECT_TRUE(got["download/FILE.BIN"] == sent) << "the received file differs";
  auto bps = [](const std::string& text) { return std::atoi(text.c_str() + 3); };  // "TX 600 BPS SHORT"
  // A step down is a transmission slower than the one before it; a series that started just
  // after the fade began was still chosen on the acknowledgements of the good channel.
  int steps_down_in_fade = 0, previous = 0, lowest_in_fade = 1 << 20, after = 0;
  std::string texts;
  for (const Shown& s : *shown) {
    texts += std::to_string(static_cast<int>(s.at)) + " " + s.text + "\n";
    EXPECT_NE(s.text.find(" BPS "), std::string::npos) << s.text;
    const int rate = bps(s.text);
    if (s.at > 250 && s.at < 550 && rate < previous) ++steps_down_in_fade;
    if (s.at > 300 && s.at < 550) lowest_in_fade = std::min(lowest_in_fade, rate);
    if (s.at > 550) after = std::max(after, rate);
    previous = rate;
  }
  EXPECT_GT(steps_down_in_fade, 0) << texts;
  EXPECT_GT(after, lowest_in_fade) << texts;
}

TEST_F(FileTransferSimTest, OverTheDataLinkAPeerOffTheAirFailsTheTransferAloud) {
  struct Case {
    const char* what;
    bool bravo_on;
    std::vector<SimCommand> commands;
  };
  const std::vector<Case> cases = {
      // BRAVO is switched off while the file is on its way: the link's retries run out (ten,
      // about ten minutes).
      {"switched off during the transfer", true,
       {{10000, "ALFA", "CALL BRAVO"}, {30000, "ALFA", "DBMFTP BRAVO BINARY.BIN"}, {31000, "ALFA", kSimSendFileModem},
        {45000, "BRAVO", "QUIT"}}},
      // BRAVO is not on the air at all: the send places the call itself, and the call fails.
      {"off from the start", false, {{10000, "ALFA", "DBMFTP BRAVO BINARY.BIN"}, {11000, "ALFA", kSimSendFileModem}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(a());
    fs::remove_all(b());
    stations(false);
    std::ofstream(a() / "BINARY.BIN", std::ios::binary) << binary_bytes(4096);
    std::vector<SimCommand> commands = data_link_linked();
    commands.insert(commands.end(), c.commands.begin(), c.commands.end());
    std::map<std::string, std::string> got;
    const test::SimRun r = run(700, commands, &got, 15, c.bravo_on);
    EXPECT_EQ(r.count_of("ALFA", "[LOCAL][SENDING] BINARY.BIN"), 1) << r.text;
    EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message ID 0 failed BRAVO]"), 1) << r.text;
    EXPECT_EQ(r.count("FS-1052 Message Confirm"), 0);
    EXPECT_EQ(r.count("[REMOTE][TRANSFER]"), 0);
    EXPECT_EQ(r.count("[SAVED]"), 0);
    for (const auto& [name, bytes] : got) EXPECT_EQ(name.rfind("download/", 0), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace vesk
