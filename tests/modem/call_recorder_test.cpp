// The call recorder: the files it writes (lengths, LIST chunk, names), its maximum, a start
// during a recording, and a write that fails part way.
#include "modem/call_recorder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "db/log.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

constexpr int kBlock = 210;

std::vector<uint8_t> file_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
std::string id(const std::vector<uint8_t>& b, std::size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

class CallRecorderTest : public ::testing::Test {
 protected:
  CallRecorderTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    rec_enable();
    block_.resize(kBlock);
    for (int i = 0; i < kBlock; ++i) block_[static_cast<std::size_t>(i)] = static_cast<int16_t>(i * 97 - 9000);
  }
  // Writes `blocks` received blocks; the frames of the finished file.
  int64_t record(const std::string& name, const std::string& title, int blocks) {
    EXPECT_EQ(rec_start(name, title), 1);
    for (int i = 0; i < blocks; ++i) rec_write(block_.data(), kBlock);
    rec_stop();
    WavReader r;
    EXPECT_EQ(r.open(rec_file_path()), 1) << r.error();
    EXPECT_EQ(r.format().sample_rate, 8000);
    EXPECT_EQ(r.format().channels, 1);
    EXPECT_EQ(r.format().bits_per_sample, 16);
    return r.format().frames;
  }
  fs::path in_station(const std::string& name) const { return fs::path(dir_.path()) / name; }

  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  std::vector<int16_t> block_;
};

TEST_F(CallRecorderTest, TheMaximumEndsARecordingAfterTheBlockThatPassesIt) {
  struct Case {
    int max_seconds;
    int64_t frames;
  } cases[] = {{1, 8190}, {0, 210}, {2, 16170}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.max_seconds);
    rec_set_max_seconds(c.max_seconds);
    EXPECT_EQ(record("F1.wav", "", 100), c.frames);
    EXPECT_EQ(rec_is_recording(), 0);
  }
}

TEST_F(CallRecorderTest, ARecordingStoppedBeforeItsFirstBlockIsEmpty) {
  for (const char* title : {"", "no blocks"}) EXPECT_EQ(record("F0.wav", title, 0), 0) << title;
}

TEST_F(CallRecorderTest, TheTitleIsAListChunkPaddedToAnEvenLength) {
  struct Case {
    std::string title;
    uint32_t inam_length;
    bool inam_pad;
  } cases[] = {{"", 0, false}, {"123456789", 10, false}, {"1234567890", 11, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(record("F2.wav", c.title, 3), 3 * kBlock);
    const std::vector<uint8_t> b = file_bytes(rec_file_path());
    const std::size_t data_end = 44 + 3 * kBlock * 2;
    EXPECT_EQ(le32(b, 40), 3u * kBlock * 2);
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    if (c.title.empty()) {
      EXPECT_EQ(b.size(), data_end);
      continue;
    }
    ASSERT_GT(b.size(), data_end + 24);
    EXPECT_EQ(id(b, data_end), "LIST");
    EXPECT_EQ(le32(b, data_end + 4), b.size() - data_end - 8);
    EXPECT_EQ(id(b, data_end + 8), "INFO");
    EXPECT_EQ(id(b, data_end + 12), "INAM");
    EXPECT_EQ(le32(b, data_end + 16), c.inam_length);
    EXPECT_EQ(std::string(b.begin() + data_end + 20, b.begin() + data_end + 20 + c.title.size()), c.title);
    const std::size_t isft = data_end + 20 + c.inam_length + (c.inam_pad ? 1 : 0);
    EXPECT_EQ(id(b, isft), "ISFT");
    EXPECT_EQ(le32(b, isft + 4), std::strlen(kRecorderSoftwareText) + 1);
    EXPECT_EQ(std::strlen(kRecorderSoftwareText), 52u);
  }
}

// The name follows the path directly: inside the station folder, or in an absolute folder as
// the recorder dialog checked it.
TEST_F(CallRecorderTest, TheNameFollowsThePathDirectly) {
  test::TempDir elsewhere;
  const std::string absolute = (fs::path(elsewhere.path()) / "calls").string() + "/";
  struct Case {
    std::string path;
    fs::path file;
  } cases[] = {{"", in_station("recordings/F100.wav")},
               {"rec", in_station("recF100.wav")},
               {"D:\\rec", in_station("D:/recF100.wav")},
               {absolute, fs::path(absolute) / "F100.wav"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    rec_set_path(c.path);
    EXPECT_EQ(record("F100.wav", "", 1), kBlock);
    EXPECT_TRUE(fs::exists(c.file));
  }
  EXPECT_FALSE(fs::exists(in_station(fs::path(absolute).relative_path().string())));
}

TEST_F(CallRecorderTest, AStartDuringARecordingFinishesTheFirstFile) {
  ASSERT_EQ(rec_start("A.wav", "first call"), 1);
  for (int i = 0; i < 5; ++i) rec_write(block_.data(), kBlock);
  ASSERT_EQ(rec_start("B.wav", ""), 1);
  rec_write(block_.data(), kBlock);
  rec_stop();
  struct Case {
    const char* file;
    int64_t frames;
  } cases[] = {{"recordings/A.wav", 5 * kBlock}, {"recordings/B.wav", kBlock}};
  for (const Case& c : cases) {
    std::vector<int16_t> s;
    WavFormat f;
    ASSERT_EQ(wav_read_file(in_station(c.file).string(), s, &f), 1) << c.file;
    EXPECT_EQ(f.frames, c.frames) << c.file;
    EXPECT_EQ(std::vector<int16_t>(s.begin(), s.begin() + kBlock), block_);
  }
}

TEST_F(CallRecorderTest, NothingIsRecordedWhileDisabled) {
  rec_disable();
  EXPECT_EQ(rec_start("F3.wav", ""), 0);
  EXPECT_FALSE(fs::exists(in_station("recordings/F3.wav")));
  // Switched off during a recording: the appending stops, the file stays open until the stop.
  rec_enable();
  ASSERT_EQ(rec_start("F4.wav", ""), 1);
  rec_write(block_.data(), kBlock);
  rec_disable();
  rec_write(block_.data(), kBlock);
  rec_stop();
  WavReader r;
  ASSERT_EQ(r.open(in_station("recordings/F4.wav").string()), 1);
  EXPECT_EQ(r.format().frames, kBlock);
}

TEST_F(CallRecorderTest, AFileThatCannotBeMadeOrWrittenIsLogged) {
  // The folder's place is taken by a file: nothing can be created there.
  std::ofstream(in_station("taken")) << "x";
  rec_set_path("taken/");
  EXPECT_EQ(rec_start("F5.wav", ""), 0);
  EXPECT_EQ(rec_is_recording(), 0);
  EXPECT_NE(log_monitor_text().find("[RECORDER ERROR: CANNOT CREATE "), std::string::npos);

  // A file size limit makes the third block fail part way: the file keeps the two whole
  // blocks and its title, and reads back.
  rec_set_path("");
  rec_set_max_seconds(60);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 44 + 2 * kBlock * 2 + 160;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ASSERT_EQ(rec_start("F6.wav", "cut short"), 1);
  for (int i = 0; i < 4; ++i) rec_write(block_.data(), kBlock);
  const int still_recording = rec_is_recording();
  rec_stop();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(still_recording, 0) << "the failed write ended the recording";
  EXPECT_NE(log_monitor_text().find("[RECORDER ERROR: CANNOT WRITE "), std::string::npos);
  const std::vector<uint8_t> b = file_bytes(in_station("recordings/F6.wav"));
  ASSERT_GE(b.size(), 44u + 2 * kBlock * 2 + 8);
  EXPECT_EQ(le32(b, 40), 2u * kBlock * 2);
  EXPECT_EQ(le32(b, 4), b.size() - 8);
  EXPECT_EQ(id(b, 44 + 2 * kBlock * 2), "LIST");
  WavReader r;
  ASSERT_EQ(r.open(in_station("recordings/F6.wav").string()), 1);
  EXPECT_EQ(r.format().frames, 2 * kBlock);
}

}  // namespace
}  // namespace vesk
