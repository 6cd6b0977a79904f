// The call recorder with the audio thread appending while the engine starts and stops
// recordings: every file is finished whole, its header matching its samples.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "modem/call_recorder.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

TEST(CallRecorderTsanTest, StartsAndStopsDuringAppendsLeaveWholeFiles) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  rec_enable();
  rec_set_max_seconds(60);
  std::atomic<bool> done{false};
  std::thread audio([&] {
    StationScope s(st);
    std::vector<int16_t> block(210, 1234);
    while (!done.load()) rec_write(block.data(), 210);
  });
  for (int i = 0; i < 40; ++i) {
    rec_start("F" + std::to_string(i % 8) + ".wav", i % 2 ? "title" : "");
    std::this_thread::yield();
    if (i % 3 == 0) rec_stop();
  }
  rec_stop();
  done = true;
  audio.join();
  for (const auto& e : std::filesystem::directory_iterator(st.path("recordings"))) {
    std::vector<int16_t> s;
    WavFormat f;
    ASSERT_EQ(wav_read_file(e.path().string(), s, &f), 1) << e.path();
    EXPECT_EQ(f.frames % 210, 0) << e.path();
    EXPECT_EQ(static_cast<int64_t>(s.size()), f.frames);
  }
}

}  // namespace
}  // namespace vesk
