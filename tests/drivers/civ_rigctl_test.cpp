// Hamlib's rigctl as an independent reference for the CI-V frames: rigctl drives a
// pseudo-terminal whose other end answers as a radio on a CI-V bus does (each frame echoed,
// then acknowledged or answered), and the set-frequency, set-mode and PTT frames it writes
// must equal catgen's, frame for frame.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/rigctl.h"

namespace vesk {
namespace {

using Frame = std::vector<uint8_t>;

constexpr uint32_t kFreq = 14250000;
// The mode and filter the answering radio reports; the rigctl modes below all differ from it,
// so rigctl sets each of them.
constexpr uint8_t kReportedMode = 0x02;  // AM
constexpr uint8_t kReportedFilter = 0x01;

// The radio end of the pseudo-terminal: each frame echoed, as the bus does, then answered
// (reads of the frequency, the mode and a 1A setting) or acknowledged.
std::string civ_reply(uint8_t address, const std::string& frame) {
  const Frame f(frame.begin(), frame.end());
  std::string out = frame;
  if (f.size() < 6 || f[0] != 0xFE || f[1] != 0xFE) return out;
  const uint8_t cmd = f[4];
  Frame head{0xFE, 0xFE, 0xE0, address};
  if (cmd == 0x03 && f.size() == 6) {
    head.insert(head.end(), {0x03, 0x00, 0x00, 0x25, 0x14, 0x00, 0xFD});
  } else if (cmd == 0x04 && f.size() == 6) {
    head.insert(head.end(), {0x04, kReportedMode, kReportedFilter, 0xFD});
  } else if (cmd == 0x1A && f.size() == 7) {  // a read of a 1A setting: off
    head.insert(head.end(), {0x1A, f[5], 0x00, 0x00, 0xFD});
  } else {
    head.insert(head.end(), {0xFB, 0xFD});
  }
  return out + std::string(head.begin(), head.end());
}

// The whole frames of a recorded stream.
std::vector<Frame> frames_of(const std::vector<uint8_t>& stream) {
  std::vector<Frame> out;
  Frame pending;
  for (uint8_t b : stream) {
    pending.push_back(b);
    if (b != 0xFD) continue;
    out.push_back(pending);
    pending.clear();
  }
  return out;
}

// The frames of rigctl that the comparison covers: set frequency to the requested value
// (its VFO probes carry other values), set mode, PTT. A mode frame's trailing filter byte
// that restates the radio's reported filter is the passband left unchanged and is dropped.
// Repeats of the same frame in a row count once.
std::vector<std::string> compared_frames(const std::vector<Frame>& all, const Frame& freq_frame) {
  std::vector<std::string> out;
  for (Frame f : all) {
    if (f.size() < 6) continue;
    const uint8_t cmd = f[4];
    bool keep = false;
    if (cmd == 0x05) keep = f == freq_frame;
    if (cmd == 0x06) {
      if (f.size() == 8 && f[6] == kReportedFilter) f.erase(f.begin() + 6);
      keep = true;
    }
    if (cmd == 0x1C && f[5] == 0x00) keep = true;
    if (!keep) continue;
    const std::string h = test::hex(f);
    if (out.empty() || out.back() != h) out.push_back(h);
  }
  return out;
}

TEST(CivAgainstRigctl, FrequencyModeAndPttFramesMatch) {
  if (!test::have_rigctl()) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
  const struct {
    const char* type;
    const char* hamlib_model;
    uint8_t address;
  } radios[] = {{"IC7000", "3060", 0x70}, {"IC746PRO", "3046", 0x66}, {"IC7200", "3061", 0x76}};
  for (const auto& r : radios) {
    SCOPED_TRACE(r.type);
    test::RecordingPeer peer([&r](const std::string& frame) { return civ_reply(r.address, frame); }, '\xFD');
    ASSERT_FALSE(peer.device().empty());
    test::ChildProcess rig({"/usr/bin/rigctl", "-m", r.hamlib_model, "-r", peer.device(), "-s", "19200", "F",
                            std::to_string(kFreq), "M", "USB", "-1", "M", "LSB", "-1", "M", "CW", "-1", "M", "RTTY",
                            "-1", "M", "FM", "-1", "T", "1", "T", "0"});
    ASSERT_EQ(rig.wait(20000), 0) << rig.output();

    std::vector<std::string> want;
    for (const std::vector<std::string>& op :
         {std::vector<std::string>{"freq", std::to_string(kFreq)}, {"mode", "USB"}, {"mode", "LSB"}, {"mode", "CW"},
          {"mode", "RTTY"}, {"mode", "FM"}, {"ptt-on"}, {"ptt-off"}}) {
      std::vector<std::string> args{r.type};
      args.insert(args.end(), op.begin(), op.end());
      for (const std::string& f : test::catgen_commands(args)) want.push_back(f);
    }
    ASSERT_EQ(want.size(), 8u);
    Frame freq_frame{0xFE, 0xFE, r.address, 0xE0, 0x05, 0x00, 0x00, 0x25, 0x14, 0x00, 0xFD};
    EXPECT_EQ(compared_frames(frames_of(peer.bytes()), freq_frame), want);
  }
}

}  // namespace
}  // namespace vesk
