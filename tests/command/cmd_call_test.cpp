#include "command/cmd_call.h"

#include <string>
#include <vector>

#include "ale/engine/api_event.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "datalink/fs1052_binding.h"
#include "datalink/fs1052_link.h"
#include "ale/messages/file_transfer.h"
#include "ale/link/amd_retry.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "tests/command/command_fixture.h"

namespace vesk {
namespace {

struct Posted {
  int kind = 0;
  std::vector<std::string> addresses;
  int param = 0;
  std::string text;
  int source = 0, form = 0;
};

class CallCommands : public test::CommandFixture {
 protected:
  CallCommands() { api_queue_create(); }
  std::vector<Posted> posted() {
    std::vector<Posted> out;
    while (ApiEvent* e = api_pop()) {
      Posted p;
      p.kind = e->kind;
      for (int i = 0; i < e->address_count; ++i) p.addresses.push_back(e->addresses[i]);
      p.param = e->param;
      p.text.assign(e->payload(), e->payload_length);
      p.source = e->source;
      p.form = e->form;
      out.push_back(p);
      api_free(e);
    }
    return out;
  }
};

TEST_F(CallCommands, PostedRequests) {
  const std::string long_text(120, 'x');
  struct Case {
    std::string line;
    int kind;
    std::vector<std::string> addresses;
    int param;
    std::string text;
  } cases[] = {
      {"CALL A B C", API_CALL, {"A", "B", "C"}, 0, ""},
      {"CLEAR K1ABC", API_CLEAR, {"K1ABC"}, 0, ""},
      {"GLOBAL ALLCALL 5 \"hello there\"", API_GLOBAL_ALLCALL, {}, 5, "HELLO THERE"},
      {"GLOBAL ALLCALL 5 hello there", API_GLOBAL_ALLCALL, {}, 5, ""},
      {"GLOBAL ANYCALL 5 text", API_GLOBAL_ANYCALL, {}, 5, ""},
      {"SELECTIVE ALLCALL A 5", API_SELECTIVE_ALLCALL, {"A"}, 5, ""},
      {"SELECTIVE ANYCALL AB 7 x", API_SELECTIVE_ANYCALL, {"AB"}, 7, ""},
      {"AMD A B hi", API_AMD, {"A", "B"}, 0, "HI"},
      {"AMD A \"quoted text\"", API_AMD, {"A"}, 0, "QUOTED TEXT"},
      {"AMD A " + long_text, API_AMD, {"A"}, 0, std::string(90, 'X')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.line), "") << c.line;
    auto p = posted();
    ASSERT_EQ(p.size(), 1u) << c.line;
    EXPECT_EQ(p[0].kind, c.kind) << c.line;
    EXPECT_EQ(p[0].addresses, c.addresses) << c.line;
    EXPECT_EQ(p[0].param, c.param) << c.line;
    EXPECT_EQ(p[0].text, c.text) << c.line;
    EXPECT_EQ(p[0].source, 3);
    EXPECT_EQ(p[0].form, 1);
  }
}

TEST_F(CallCommands, RefusedRequestsPostNothing) {
  std::string many = "CALL";
  for (int i = 0; i < 21; ++i) many += " A" + std::to_string(i);
  struct Case {
    std::string line;
    const char* error;
  } cases[] = {
      {"CALL", "NOT ENOUGH PARAMETERS"},
      {"AMD A", "NOT ENOUGH PARAMETERS"},
      {"GLOBAL ALLCALL", "NOT ENOUGH PARAMETERS"},
      {"GLOBAL FOO 5", "NO MMI COMMAND => FOO]"},
      {"GLOBAL A 5", "AMBIGUOUS COMMAND"},
      {"SELECTIVE ALLCALL ABC 5", "NOT ENOUGH PARAMETERS"},
      {"SELECTIVE ALLCALL A", "NOT ENOUGH PARAMETERS"},
      {many, "TOO MANY PARAMETERS"},
      {"CALL ABCDEFGHIJKLMNOP", "INVALID ADDRESS => ABCDEFGHIJKLMNOP]"},
      {"CLEAR K1-ABC", "INVALID ADDRESS => K1-ABC]"},
      {"AMD \"abc\" hello", "INVALID ADDRESS => abc]"},
      {"DBMFTP X", "NOT ENOUGH PARAMETERS"},
  };
  for (const Case& c : cases) {
    EXPECT_NE(run(c.line).find(c.error), std::string::npos) << c.line;
    EXPECT_TRUE(posted().empty()) << c.line;
  }
}

// The data-message commands make their settings and lines; the transfers themselves are not
// part of the station yet, so nothing is posted.
TEST_F(CallCommands, DataMessageSettings) {
  struct Case {
    std::string line;
    int linked_twx_before;
    std::vector<std::string> want_lines;  // each found in the output, in this order
    bool quiet;                           // nothing written at all
    int dbm_mode, dtm_mode;               // 2 (broadcast): left as it was
    int linked_twx, retry_counter;        // retry counter 0: left as it was
    int data_kind;                        // the data request handed to the engine, 0 none
    std::string data_address, data_text;
  } cases[] = {
      {"DBMARQ X hello world", 0, {"[OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR DBM ARQ]"}, false, 1, 2, 1, -1,
       API_DBM_DATA, "X", "HELLO WORLD \n\n"},
      {"DBMARQ X", 1, {}, true, 1, 2, 1, -1, API_DBM_DATA, "X", "\n\n"},  // LINKED TWX already on: no line
      {"DTMARQ Y", 0, {"[OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR DTM ARQ]"}, false, 2, 1, 1, -1, API_DTM_DATA,
       "Y", "\n\n"},
      {"DTMARQ Y", 1, {}, true, 2, 1, 1, -1, API_DTM_DATA, "Y", "\n\n"},
      {"DBMARQ", 0, {}, true, 2, 2, 0, 0, 0, "", ""},
      {"DTMARQ", 0, {}, true, 2, 2, 0, 0, 0, "", ""},
      {"DBMFTP K1ABC \"/tmp/file.txt\"", 0,
       {"[process_msgdbmftp_command 1]", "[process_msgdbmftp_command 2]",
        "[OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR DBM FTP]"},
       false, 2, 2, 1, -1, 0, "", ""},
      // 1052ARQ touches none of these (its message: Fs1052ArqQueuesTheTextOnTheDataLink).
      {"1052ARQ Z a b", 0, {}, true, 2, 2, 0, 0, 0, "", ""},
      {"1052ARQ", 0, {}, true, 2, 2, 0, 0, 0, "", ""},
  };
  for (const Case& c : cases) {
    db_set_linked_twx(c.linked_twx_before);
    db_set_dbm_broadcast();
    db_set_dtm_broadcast();
    ale_set_amd_retry_counter(0);
    const std::string out = run(c.line);
    if (c.quiet) {
      EXPECT_EQ(out, "") << c.line;
    }
    std::size_t at = 0;
    for (const std::string& want : c.want_lines) {
      at = out.find(want, at);
      ASSERT_NE(at, std::string::npos) << c.line << ": " << want << "\n" << out;
    }
    EXPECT_EQ(db_get_dbm_mode(), c.dbm_mode) << c.line;
    EXPECT_EQ(db_get_dtm_mode(), c.dtm_mode) << c.line;
    EXPECT_EQ(db_get_linked_twx(), c.linked_twx) << c.line;
    EXPECT_EQ(ale_amd_retry_counter(), c.retry_counter) << c.line;
    const auto p = posted();
    if (c.data_kind == 0) {
      EXPECT_TRUE(p.empty()) << c.line;
      continue;
    }
    ASSERT_EQ(p.size(), 1u) << c.line;
    EXPECT_EQ(p[0].kind, c.data_kind) << c.line;
    EXPECT_EQ(p[0].addresses, std::vector<std::string>{c.data_address}) << c.line;
    EXPECT_EQ(p[0].text, c.data_text) << c.line;
  }
}

// 1052ARQ hands the text (PID 4, the words each with a blank, two line feeds) to the
// FED-STD-1052 link for the address, on the modem path.
TEST_F(CallCommands, Fs1052ArqQueuesTheTextOnTheDataLink) {
  db_set_data_link_mode(kDataLinkFs1052);
  run("1052ARQ BRAVO hello there");
  EXPECT_EQ(xfer_path(), XFER_PATH_MODEM);
  EXPECT_STREQ(xfer_dest_address(), "BRAVO");
  Fs1052Link& link = fs1052_station_link();
  EXPECT_EQ(link.remote_address(), "BRAVO");
  ASSERT_EQ(link.tx_slots_in_use(), 1);
  link.disable();  // reports the queued message back, with its bytes
  Fs1052Indication ind;
  ASSERT_TRUE(link.pop_indication(&ind));
  EXPECT_EQ(ind.type, FS_IND_MESSAGE_FAILED);
  EXPECT_EQ(std::string(ind.data.begin(), ind.data.end()), std::string("\x04HELLO THERE \n\n"));
  posted();
}

TEST_F(CallCommands, DbmFtpPreparesTheTransfer) {
  xfer_select_dtm_path();
  run("DBMFTP K1ABC \"/tmp/file.txt\"");
  EXPECT_EQ(xfer_file_path(), "/tmp/file.txt");
  EXPECT_STREQ(xfer_dest_address(), "K1ABC");
  EXPECT_EQ(xfer_path(), XFER_PATH_DBM);
  EXPECT_TRUE(posted().empty());  // the transfer starts only when a file send is requested
}

TEST_F(CallCommands, AmdArmsTheAutomaticRetry) {
  ale_set_amd_retry_counter(-1);
  run("AMD A HI");
  EXPECT_EQ(ale_amd_retry_counter(), 0);
  posted();
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

// mmi-run with a stub engine that prints each posted request, and with the real dispatch
// and the frequency-file dump.
TEST(MmiRunTool, PrintsPostedRequestsAndDumpsTables) {
  std::string many = "CALL";
  for (int i = 0; i < 21; ++i) many += " A" + std::to_string(i);
  test::ChildProcess api({test::program_path("tools/mmi-run"), "--api"},
                         "CALL A B C\nGLOBAL ALLCALL 5 \"hello there\"\nGLOBAL A 5\nSELECTIVE ALLCALL ABC 5\n"
                         "AMD A " + std::string(120, 'y') + "\n" + many + "\n");
  ASSERT_EQ(api.wait(20000), 0);
  const std::string out = api.output();
  EXPECT_NE(out.find("API kind=3 param=0 addresses=A,B,C text=\"\"\n"), std::string::npos) << out;
  EXPECT_NE(out.find("API kind=5 param=5 addresses= text=\"HELLO THERE\"\n"), std::string::npos);
  EXPECT_NE(out.find("AMBIGUOUS COMMAND"), std::string::npos);
  EXPECT_NE(out.find("NOT ENOUGH PARAMETERS"), std::string::npos);
  EXPECT_NE(out.find("API kind=11 param=0 addresses=A text=\"" + std::string(90, 'Y') + "\"\n"), std::string::npos);
  EXPECT_NE(out.find("TOO MANY PARAMETERS"), std::string::npos);
  EXPECT_EQ(out.find("A20"), std::string::npos);

  test::TempDir dir;
  test::ChildProcess dump({test::program_path("tools/mmi-run"), "--dir", dir.path(), "--dump", "x.qrg"},
                          "ADD OWN ALPHA\nADD CHANNEL 7000000\nADD CHANNEL 7000000 XYZ\n");
  ASSERT_EQ(dump.wait(20000), 0);
  EXPECT_NE(dump.output().find("NO MMI COMMAND => XYZ]"), std::string::npos);
  std::ifstream in(dir.path() + "/x.qrg");
  const std::string qrg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(qrg.find("RESET CHANNELS\nADD CHANNEL 7000000 USB 7000000 USB 1 3 ALPHA 0 0 0 0 0 0\nSCANGROUP 1"),
            std::string::npos)
      << qrg;
}

}  // namespace
}  // namespace vesk
