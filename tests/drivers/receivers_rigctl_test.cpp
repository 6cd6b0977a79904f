// Hamlib's rigctl as an independent reference for the receiver command sets where it has the
// model (JRC, AOR, R&S, Racal): what rigctl writes for a frequency and a mode is compared with
// catgen's bytes; each row says how the two frame the same command (the note on the issue
// gives why the station keeps its own form).
#include "tests/drivers/driver_fixture.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/drivers/rigctl_peer.h"

namespace vesk {
namespace {

std::string catgen_bytes(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& c : test::catgen_commands(args))
    for (std::size_t i = 0; i < c.size(); i += 3) out += static_cast<char>(std::stoi(c.substr(i, 2), nullptr, 16));
  return out;
}
std::string without(std::string s, char c) {
  s.erase(std::remove(s.begin(), s.end(), c), s.end());
  return s;
}

TEST(ReceiversAgainstRigctl, FrequencyAndModeCommands) {
  if (system("rigctl --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
  struct Case {
    const char* what;
    const char* hamlib_model;
    std::vector<std::string> rigctl;
    std::vector<std::string> catgen;
    std::string (*as_rigctl)(const std::string&);
  };
  const auto same = [](const std::string& s) { return s; };
  const std::vector<Case> cases = {
      {"NRD535D frequency", "6006", {"F", "7102500"}, {"NRD535D", "freq", "7102500"}, same},
      {"NRD535D USB", "6006", {"M", "USB", "0"}, {"NRD535D", "mode", "USB"}, same},
      {"NRD545 frequency", "6007", {"F", "7102500"}, {"NRD545", "freq", "7102500"}, same},
      {"NRD545 AM", "6007", {"M", "AM", "0"}, {"NRD545", "mode", "AM"}, same},
      // rigctl writes eight digits of 10 Hz steps and no CR; the station seven and a CR.
      {"NRD525 frequency", "6005", {"F", "7102500"}, {"NRD525", "freq", "7102500"},
       [](const std::string& s) { return "F0" + without(s.substr(1), '\r'); }},
      {"AR5000 USB", "5004", {"M", "USB", "0"}, {"AR5000", "mode", "USB"}, same},
      {"AR5000 AM", "5004", {"M", "AM", "0"}, {"AR5000", "mode", "AM"}, same},
      // rigctl ends the AR8600's commands with CR alone.
      {"AR8600 USB", "5013", {"M", "USB", "0"}, {"AR8600", "mode", "USB"},
       [](const std::string& s) { return without(s, '\n'); }},
      {"XK2100 USB", "27003", {"M", "USB", "0"}, {"XK2100", "mode", "USB"}, same},
      {"XK2100 AM", "27003", {"M", "AM", "0"}, {"XK2100", "mode", "AM"}, same},
      // rigctl adds the transmit frequency after a comma.
      {"XK2100 frequency", "27003", {"F", "7102500"}, {"XK2100", "freq", "7102500"},
       [](const std::string& s) { return without(s, '\r'); }},
      // rigctl addresses the receiver as 0 and leaves the CR to the bandwidth it appends.
      {"RA6790 USB", "11003", {"M", "USB", "0"}, {"RA6790GM", "mode", "USB"},
       [](const std::string& s) { return "$0" + without(s.substr(2), '\r'); }},
      // rigctl sends the frequency alone (no "A00" address, the mode in its own command).
      {"EK896 frequency", "27004", {"F", "7102500"}, {"EK896", "tune-channel", "7102500", "USB"},
       [](const std::string& s) { return "\nF" + s.substr(5, s.find(',') - 5) + "\r"; }},
  };
  std::vector<std::unique_ptr<test::RecordingPeer>> peers;
  std::vector<std::unique_ptr<test::ChildProcess>> rigs;
  for (const Case& c : cases) {
    peers.push_back(std::make_unique<test::RecordingPeer>(test::RecordingPeer::Answers{}, '\r'));
    ASSERT_FALSE(peers.back()->device().empty());
    std::vector<std::string> argv{"/usr/bin/rigctl", "-m", c.hamlib_model, "-r", peers.back()->device(), "-C",
                                  "timeout=1000,retry=0"};
    argv.insert(argv.end(), c.rigctl.begin(), c.rigctl.end());
    rigs.push_back(std::make_unique<test::ChildProcess>(argv));
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    rigs[i]->wait(30000);
    const std::vector<uint8_t> b = peers[i]->bytes();
    const std::string wrote(b.begin(), b.end());
    const std::string want = cases[i].as_rigctl(catgen_bytes(cases[i].catgen));
    ASSERT_FALSE(want.empty());
    EXPECT_NE(wrote.find(want), std::string::npos)
        << test::hex(b) << "\nwant " << test::hex(reinterpret_cast<const uint8_t*>(want.data()), static_cast<int>(want.size()));
  }
}

}  // namespace
}  // namespace vesk
