// Hamlib's rigctl as an independent reference for the receiver command sets where it has the
// model (JRC, AOR, R&S, Racal): what rigctl writes for a frequency and a mode is compared with
// catgen's bytes; each row says how the two frame the same command (the note on the issue
// gives why the station keeps its own form).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/drivers/rigctl_compare.h"

namespace vesk {
namespace {

std::string without(std::string s, char c) {
  s.erase(std::remove(s.begin(), s.end(), c), s.end());
  return s;
}

TEST(ReceiversAgainstRigctl, FrequencyAndModeCommands) {
  if (!test::have_rigctl()) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
  test::expect_rigctl_writes_catgen(
      {
          {"NRD535D frequency", "6006", {"F", "7102500"}, {"NRD535D", "freq", "7102500"}, test::same_bytes},
          {"NRD535D USB", "6006", {"M", "USB", "0"}, {"NRD535D", "mode", "USB"}, test::same_bytes},
          {"NRD545 frequency", "6007", {"F", "7102500"}, {"NRD545", "freq", "7102500"}, test::same_bytes},
          {"NRD545 AM", "6007", {"M", "AM", "0"}, {"NRD545", "mode", "AM"}, test::same_bytes},
          // rigctl writes eight digits of 10 Hz steps and no CR; the station seven and a CR.
          {"NRD525 frequency", "6005", {"F", "7102500"}, {"NRD525", "freq", "7102500"},
           [](const std::string& s) { return "F0" + without(s.substr(1), '\r'); }},
          {"AR5000 USB", "5004", {"M", "USB", "0"}, {"AR5000", "mode", "USB"}, test::same_bytes},
          {"AR5000 AM", "5004", {"M", "AM", "0"}, {"AR5000", "mode", "AM"}, test::same_bytes},
          // rigctl ends the AR8600's commands with CR alone.
          {"AR8600 USB", "5013", {"M", "USB", "0"}, {"AR8600", "mode", "USB"},
           [](const std::string& s) { return without(s, '\n'); }},
          {"XK2100 USB", "27003", {"M", "USB", "0"}, {"XK2100", "mode", "USB"}, test::same_bytes},
          {"XK2100 AM", "27003", {"M", "AM", "0"}, {"XK2100", "mode", "AM"}, test::same_bytes},
          // rigctl adds the transmit frequency after a comma.
          {"XK2100 frequency", "27003", {"F", "7102500"}, {"XK2100", "freq", "7102500"},
           [](const std::string& s) { return without(s, '\r'); }},
          // rigctl addresses the receiver as 0 and leaves the CR to the bandwidth it appends.
          {"RA6790 USB", "11003", {"M", "USB", "0"}, {"RA6790GM", "mode", "USB"},
           [](const std::string& s) { return "$0" + without(s.substr(2), '\r'); }},
          // rigctl sends the frequency alone (no "A00" address, the mode in its own command).
          {"EK896 frequency", "27004", {"F", "7102500"}, {"EK896", "tune-channel", "7102500", "USB"},
           [](const std::string& s) { return "\nF" + s.substr(5, s.find(',') - 5) + "\r"; }},
      },
      '\r');
}

}  // namespace
}  // namespace vesk
