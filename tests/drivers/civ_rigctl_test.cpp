// Hamlib's rigctl as an independent reference for the CI-V frames: rigctl drives a
// pseudo-terminal whose other end answers as a radio on a CI-V bus does (each frame echoed,
// then acknowledged or answered), and the set-frequency, set-mode and PTT frames it writes
// must equal catgen's, frame for frame.
// First: <termios.h> defines macros (ECHO) that the options header uses as names.
#include "tests/drivers/driver_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vesk {
namespace {

using Frame = std::vector<uint8_t>;

constexpr uint32_t kFreq = 14250000;
// The mode and filter the answering radio reports; the rigctl modes below all differ from it,
// so rigctl sets each of them.
constexpr uint8_t kReportedMode = 0x02;  // AM
constexpr uint8_t kReportedFilter = 0x01;

// The radio end of the pseudo-terminal.
class CivPeer {
 public:
  explicit CivPeer(uint8_t address) : address_(address) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    name_ = ptsname(master_);
    // Keep the terminal open (and raw) while rigctl opens and closes it.
    slave_ = open(name_.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    thread_ = std::thread([this] { run(); });
  }
  ~CivPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  const std::string& device() const { return name_; }
  std::vector<Frame> frames() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return frames_;
  }

 private:
  void send(const Frame& f) { (void)!write(master_, f.data(), f.size()); }
  void answer(const Frame& f) {
    send(f);  // the bus echoes every frame
    if (f.size() < 6 || f[0] != 0xFE || f[1] != 0xFE) return;
    const uint8_t cmd = f[4];
    Frame head{0xFE, 0xFE, 0xE0, address_};
    if (cmd == 0x03 && f.size() == 6) {
      head.insert(head.end(), {0x03, 0x00, 0x00, 0x25, 0x14, 0x00, 0xFD});
    } else if (cmd == 0x04 && f.size() == 6) {
      head.insert(head.end(), {0x04, kReportedMode, kReportedFilter, 0xFD});
    } else if (cmd == 0x1A && f.size() == 7) {  // a read of a 1A setting: off
      head.insert(head.end(), {0x1A, f[5], 0x00, 0x00, 0xFD});
    } else {
      head.insert(head.end(), {0xFB, 0xFD});
    }
    send(head);
  }
  void run() {
    Frame pending;
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
      uint8_t buf[256];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      for (ssize_t i = 0; i < n; ++i) {
        pending.push_back(buf[i]);
        if (buf[i] == 0xFD) {
          frames_.push_back(pending);
          answer(pending);
          pending.clear();
        }
      }
    }
  }

  uint8_t address_;
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<Frame> frames_;
};

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

// catgen's frames for one operation.
std::vector<std::string> catgen_frames(const std::vector<std::string>& args) {
  std::vector<std::string> argv{test::program_path("tools/catgen")};
  argv.insert(argv.end(), args.begin(), args.end());
  test::ChildProcess p(argv);
  EXPECT_EQ(p.wait(10000), 0);
  std::vector<std::string> out;
  std::istringstream in(p.output());
  std::string line;
  while (std::getline(in, line)) {
    // "+MS XX XX ...  text"
    const auto sp = line.find(' ');
    const auto end = line.find("  ");
    if (line.empty() || line[0] != '+' || sp == std::string::npos) continue;
    out.push_back(line.substr(sp + 1, end - sp - 1));
  }
  return out;
}

bool have_rigctl() { return system("rigctl --version >/dev/null 2>&1") == 0; }

TEST(CivAgainstRigctl, FrequencyModeAndPttFramesMatch) {
  if (!have_rigctl()) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
  const struct {
    const char* type;
    const char* hamlib_model;
    uint8_t address;
  } radios[] = {{"IC7000", "3060", 0x70}, {"IC746PRO", "3046", 0x66}, {"IC7200", "3061", 0x76}};
  for (const auto& r : radios) {
    SCOPED_TRACE(r.type);
    CivPeer peer(r.address);
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
      for (const std::string& f : catgen_frames(args)) want.push_back(f);
    }
    ASSERT_EQ(want.size(), 8u);
    Frame freq_frame{0xFE, 0xFE, r.address, 0xE0, 0x05, 0x00, 0x00, 0x25, 0x14, 0x00, 0xFD};
    EXPECT_EQ(compared_frames(peer.frames(), freq_frame), want);
  }
}

}  // namespace
}  // namespace vesk
