// Remote commands in received AMD texts, handed in directly: which texts start which reply,
// and that each reply goes to the station that asked for it.
#include <gtest/gtest.h>

#include <string>

#include "ale/link/amd_retry.h"
#include "ale/link/call_setup.h"
#include "command/remote_amd.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "tests/command/command_fixture.h"

namespace vesk {
namespace {

class RemoteAmdTest : public test::CommandFixture {
 protected:
  // The station the reply of `timer` went to ("" when none went).
  std::string reply_to(int timer) {
    copy_clear();
    mmi_remote_command_reply(timer);
    return call_setup().first_address.data();
  }
  void copy_clear() { call_setup().first_address.fill('\0'); }
};

TEST_F(RemoteAmdTest, ListedTextsAsTheyArrive) {
  EXPECT_EQ(mmi_remote_command_text(">>CMD MODEM<<"), ">>CMD MODEM<<  ");
  EXPECT_EQ(mmi_remote_command_text(">>CMD PACTOR<<"), ">>CMD PACTOR<< ");
  EXPECT_EQ(mmi_remote_command_text(">>CMD CLOVER<<"), ">>CMD CLOVER<< ");
  EXPECT_EQ(mmi_remote_command_text(">>CMD MILMODEM<<"), ">>CMD MILMODEM<<  ");
  EXPECT_EQ(mmi_remote_command_text(">>CMD GTOR<<"), ">>CMD GTOR<<");
}

TEST_F(RemoteAmdTest, RepliesGoToTheirOwnSenders) {
  db_set_tnc_port(0);
  db_set_twx_mode(2);
  mmi_remote_amd_command("BRAVO", "ALFA", ">>CMD MODEM<<  ");
  mmi_remote_amd_command("BRAVO", "CHARLY", ">>CMD MILMODEM<<  ");
  mmi_remote_amd_command("BRAVO", "DELTA", "HELLO ");  // the latest AMD, no command
  ale_set_amd_retry_counter(-1);
  EXPECT_EQ(reply_to(1070), "ALFA");
  EXPECT_EQ(ale_amd_retry_counter(), 0);  // as the AMD command leaves it
  EXPECT_EQ(reply_to(1073), "CHARLY");
  EXPECT_EQ(reply_to(1070), "");  // answered once
  // Texts that are not exactly a listed command start nothing.
  for (const char* text : {">>CMD MODEM<<", ">>CMD PACTOR<<", ">>CMD QUIT<<", "CMD QUIT", ">>cmd MODEM<<  "}) {
    mmi_remote_amd_command("BRAVO", "ALFA", text);
    for (int timer = kRemoteReplyFirstTimer; timer <= kRemoteReplyLastTimer; ++timer)
      EXPECT_EQ(reply_to(timer), "") << text << " " << timer;
  }
}

TEST_F(RemoteAmdTest, TncTypesChooseTheReply) {
  db_set_tnc_port(3);
  const struct {
    int type;
    const char* command;
    int timer;
  } cases[] = {
      {1, ">>CMD CLOVER<<", 1048},   // a KAM has no CLOVER
      {14, ">>CMD CLOVER<<", 1049},  // and now CLOVER matches at all
      {15, ">>CMD RCLOVER<<", 1050}, {0, ">>CMD GTOR<<", 1051},   {3, ">>CMD PACTOR<<", 1052},
      {14, ">>CMD PACTOR<<", 1052},  {16, ">>CMD PACTOR<<", 1048}, {13, ">>CMD MODEM<<", 1064},
      {16, ">>CMD MODEM<<", 1069},   {17, ">>CMD MODEM<<", 1070},
  };
  for (const auto& c : cases) {
    db_set_tnc_type(c.type);
    mmi_remote_amd_command("BRAVO", "ALFA", mmi_remote_command_text(c.command));
    EXPECT_EQ(reply_to(c.timer), "ALFA") << c.type << " " << c.command;
  }
}

}  // namespace
}  // namespace vesk
