// The mail gateway of the running station, talked to by real mail programs: swaks, Python's
// smtplib and poplib, fetchmail, and raw Python sockets for the dialogue's edges.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/net.h"

namespace vesk {
namespace {

using test::ChildProcess;
namespace fs = std::filesystem;

std::string read_mail_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class MailPortTest : public ::testing::Test {
 protected:
  MailPortTest() {
    fs::create_directories(email());
    std::ofstream(email() / "mroute.txt") << "alpha.net BRAVO7\n*.example.org CHARLY\n";
    station_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        test::program_path("app/vesk-ale-headless"), "--dir", dir_.path(), "--audio-in", "null", "--audio-out", "null",
        "--smtp-port", std::to_string(smtp_), "--pop3-port", std::to_string(pop3_)});
  }
  void SetUp() override { ASSERT_TRUE(station_->wait_for_output("started", 10000)) << station_->output(); }
  void TearDown() override {
    station_->signal(SIGTERM);
    EXPECT_EQ(station_->wait(20000), 0) << station_->output();
  }
  fs::path email() const { return fs::path(dir_.path()) / "email"; }
  std::string queue() const { return read_mail_file(email() / "mtxq.txt"); }
  int mail_files() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(email())) n += e.path().filename().string().rfind("m ", 0) == 0 ? 1 : 0;
    return n;
  }
  // Runs a Python client with `smtp` and `pop3` set to the ports; its output and status.
  std::pair<int, std::string> python(const std::string& script) {
    ChildProcess p({"/usr/bin/env", "python3", "-c",
                    "import socket, smtplib, poplib, time\nsmtp, pop3 = " + std::to_string(smtp_) + ", " +
                        std::to_string(pop3_) + "\n" + script});
    const int status = p.wait(60000);
    return {status, p.output()};
  }

  test::TempDir dir_;
  int smtp_ = test::free_tcp_port();
  int pop3_ = test::free_tcp_port();
  std::unique_ptr<ChildProcess> station_;
};

TEST_F(MailPortTest, SwaksMessageIsFiledAndQueued) {
  ChildProcess swaks({"/usr/bin/env", "swaks", "--server", "127.0.0.1", "--port", std::to_string(smtp_), "--to",
                      "op@alpha.net", "--from", "x@y.z", "--body", "hi"});
  EXPECT_EQ(swaks.wait(30000), 0) << swaks.output();
  EXPECT_EQ(queue(), "email/m   0.txt BRAVO7 0\n");
  const std::string mail = read_mail_file(email() / "m   0.txt");
  ASSERT_GE(mail.size(), 5u);
  EXPECT_EQ(mail.substr(mail.size() - 5), "\r\n.\r\n");
  EXPECT_NE(mail.find("\r\nhi\r\n"), std::string::npos);
}

TEST_F(MailPortTest, SmtplibMessagesEachGetTheirOwnFile) {
  const auto [status, out] = python(R"(
s = smtplib.SMTP("127.0.0.1", smtp, timeout=10)
print(s.sendmail("x@y.z", ["op@alpha.net"], "Subject: one\n\nfirst\n.dotted\n"))
# A second message in the same connection, without RSET, and a wildcard route.
print(s.sendmail("x@y.z", ["a@mail.example.org"], "second"))
try:
    s.sendmail("x@y.z", ["op@nowhere.net"], "lost")
except smtplib.SMTPRecipientsRefused as e:
    print(e.recipients["op@nowhere.net"][0])
s.quit()
for i in range(50):
    c = smtplib.SMTP("127.0.0.1", smtp, timeout=10)
    c.sendmail("x@y.z", ["op@alpha.net"], "message %d" % i)
    c.quit()
print("done")
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "{}\n{}\n550\ndone\n");
  EXPECT_EQ(mail_files(), 52);
  std::istringstream lines(queue());
  std::string line, first, second;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(first, "email/m   0.txt BRAVO7 0");
  EXPECT_EQ(second, "email/m   1.txt CHARLY 0");
  int count = 2;
  while (std::getline(lines, line)) ++count;
  EXPECT_EQ(count, 52);
  EXPECT_NE(read_mail_file(email() / "m   0.txt").find("\r\n..dotted\r\n"), std::string::npos);  // as sent
  EXPECT_EQ(read_mail_file(email() / "m   1.txt").find("first"), std::string::npos);
}

// Raw dialogues: replies to what the table lacks, RCPT before HELO, a message whose end marker
// is split and whose last block carries QUIT, and a client killed in the middle of its data.
TEST_F(MailPortTest, DialogueEdges) {
  const auto [status, out] = python(R"(
def talk(sock, data, wait=0.3):
    if data: sock.sendall(data)
    time.sleep(wait)
    return sock.recv(4000).decode()
s = socket.create_connection(("127.0.0.1", smtp))
s.settimeout(5)
print(repr(talk(s, b"")))
print(repr(talk(s, b"RCPT TO:<op@alpha.net>\r\n")))
print(repr(talk(s, b"ehlo me\r\nhelo me\r\nrcpt to:<op@alpha.net>\r\n")))
print(repr(talk(s, b"DATA\r\nline one\r\n.")))
print(repr(talk(s, b"\r\nQUIT\r\n")))
s.close()
k = socket.create_connection(("127.0.0.1", smtp))
k.settimeout(5)
talk(k, b"HELO x\r\nRCPT TO:<op@alpha.net>\r\nDATA\r\npartial\r\n")
k.close()
time.sleep(0.3)
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out,
            "'220 Ready\\n'\n"
            "'503 Send HELO first\\n'\n"
            "'500 Command not recognized\\n250 OK\\n250 OK\\n'\n"
            "'354 End data with <CR><LF>.<CR><LF>\\n'\n"
            "'250 OK\\n221 Bye\\n'\n");
  EXPECT_EQ(queue(), "email/m   0.txt BRAVO7 0\n");
  EXPECT_EQ(read_mail_file(email() / "m   0.txt"), "line one\r\n.\r\n");
  EXPECT_EQ(mail_files(), 1);  // the killed client's message was not kept
}

TEST_F(MailPortTest, Pop3ReportsAnEmptyMailbox) {
  const auto [status, out] = python(R"(
p = poplib.POP3("127.0.0.1", pop3, timeout=10)
print(p.getwelcome(), p.user("op"), p.pass_("secret"), p.stat(), p.quit())
s = socket.create_connection(("127.0.0.1", pop3))
s.settimeout(5)
s.recv(100)
s.sendall(b"STAT\r\nLIST\r\n")
time.sleep(0.3)
print(repr(s.recv(100)))
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "b'+OK POP3 Server Ready' b'+OK' b'+OK' (0, 0) b'+OK'\nb'-ERR\\n-ERR\\n'\n");
  std::ofstream(fs::path(dir_.path()) / "fetchmailrc")
      << "poll 127.0.0.1 port " << pop3_ << " protocol pop3 user \"op\" password \"secret\"\n";
  fs::permissions(fs::path(dir_.path()) / "fetchmailrc", fs::perms::owner_read | fs::perms::owner_write);
  ChildProcess fetchmail({"/usr/bin/env", "HOME=" + dir_.path(), "fetchmail", "-c", "--sslproto", "", "-f",
                          dir_.path() + "/fetchmailrc"});
  EXPECT_EQ(fetchmail.wait(30000), 1) << fetchmail.output();  // 1: no mail
}

}  // namespace
}  // namespace vesk
