// vesk-ale-headless with an MFJ-1278B TNC on a pseudo-terminal, as a user runs it: the
// station's "CONFIG.DAT" starts a PACTOR call, and the test plays the TNC at the terminal's
// other end, noting when each byte arrives.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

#include "command/cmd_tnc.h"
#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"
#include "tests/support/pty.h"

namespace vesk {
namespace {

using test::ChildProcess;

TEST(HeadlessTnc, PactorCallReachesAnMfj1278bInTwoMessagesHalfASecondApart) {
  test::PtyPeer tnc;
  test::PtyPeer radio;  // the radio port's own terminal, so the set-up reaches the TNC port
  ASSERT_TRUE(tnc.ok() && radio.ok());
  test::TempDir dir;
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << radio.path() << "\n5 " << tnc.path() << "\n";
  std::ofstream(dir.path() + "/CONFIG.DAT") << "TNC PACTOR BRAVO7\n";
  {
    Station st(dir.path(), std::make_unique<SimClock>());
    StationScope scope(st);
    db_open();
    db_set_tnc_type(TNC_MFJ1278B);
    db_set_tnc_port(5);
    db_set_tnc_handshake(0);
    ASSERT_EQ(db_save(), 1);
  }
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path(), "--audio-in", "null",
                  "--audio-out", "null"});
  ASSERT_TRUE(tnc.wait_for("PACTOR\rC BRAVO7\r", 15000)) << tnc.received() << "\n" << p.output();
  EXPECT_EQ(tnc.received(), "PACTOR\rC BRAVO7\r");
  std::printf("the call followed PACTOR after %lld ms\n", static_cast<long long>(tnc.arrival(7) - tnc.arrival(0)));
  // The TNC queue lets one message out per 500 ms (its timer runs in 10 ms ticks).
  EXPECT_GE(tnc.gap_at_most(0, 7), 450);
  EXPECT_TRUE(p.wait_for_output("[MMI CHANGE: PACTOR call to BRAVO7]", 5000)) << p.output();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10000), 0) << p.output();
}

}  // namespace
}  // namespace vesk
