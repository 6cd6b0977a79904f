// The running station's network ports against hostile clients: mail text that tries to pass
// for host-port protocol lines, mails too big or with too many recipients, a disk that fills
// during a mail, clients that send nothing or read nothing, a crowd of clients, a bind address
// open beyond the machine, and stop signals while a long script or a DELAY flood runs.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"
#include "tests/support/net.h"

namespace vesk {
namespace {

using test::ChildProcess;
namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A headless station with its host, SMTP and POP3 ports on free loopback ports.
class HostileClientsTest : public ::testing::Test {
 protected:
  HostileClientsTest() {
    fs::create_directories(email());
    std::ofstream(email() / "mroute.txt") << "alpha.net BRAVO7\n";
  }
  void TearDown() override {
    if (!station_) return;
    station_->signal(SIGTERM);
    EXPECT_EQ(station_->wait(30000), 0) << station_->output();
  }
  // Starts the station; `wrapper` goes in front of the program (a limit set on it).
  void start(const std::vector<std::string>& extra = {}, const std::vector<std::string>& wrapper = {}) {
    std::vector<std::string> argv = wrapper;
    for (const std::string& a :
         {test::program_path("app/vesk-ale-headless"), std::string("--dir"), dir_.path(), std::string("--audio-in"),
          std::string("null"), std::string("--audio-out"), std::string("null"), "-P" + std::to_string(host_),
          std::string("--smtp-port"), std::to_string(smtp_), std::string("--pop3-port"), std::to_string(pop3_)})
      argv.push_back(a);
    argv.insert(argv.end(), extra.begin(), extra.end());
    station_ = std::make_unique<ChildProcess>(argv);
    ASSERT_TRUE(station_->wait_for_output("started", 20000)) << station_->output();
  }
  void config(const std::string& lines) { std::ofstream(fs::path(dir_.path()) / "CONFIG.DAT") << lines; }
  fs::path email() const { return fs::path(dir_.path()) / "email"; }
  std::string queue() const { return read_file(email() / "mtxq.txt"); }
  int mail_files() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(email())) n += e.path().filename().string().rfind("m ", 0) == 0 ? 1 : 0;
    return n;
  }
  // Runs a Python client with `host`, `smtp` and `pop3` set to the ports; its status and output.
  // The station's output is read meanwhile, so its log never fills the pipe and holds it.
  std::pair<int, std::string> python(const std::string& script, int limit_ms = 90000) {
    static constexpr char kDone[] = "<<client done>>\n";
    std::string body;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) body += "    " + line + "\n";
    ChildProcess p({"/usr/bin/env", "python3", "-c",
                    "import re, socket, smtplib, time\nhost, smtp, pop3 = " + std::to_string(host_) + ", " +
                        std::to_string(smtp_) + ", " + std::to_string(pop3_) + "\ntry:\n" + body +
                        "finally:\n    print('" + std::string(kDone, sizeof kDone - 2) + "', flush=True)\n"});
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!p.wait_for_output(kDone, 100) && std::chrono::steady_clock::now() < until)
      if (station_) station_->output();
    const int status = p.wait(5000);
    std::string out = p.output();
    const std::size_t done = out.find(kDone);
    if (done != std::string::npos) out.erase(done, sizeof kDone - 1);
    return {status, out};
  }

  test::TempDir dir_;
  int host_ = test::free_tcp_port();
  int smtp_ = test::free_tcp_port();
  int pop3_ = test::free_tcp_port();
  std::unique_ptr<ChildProcess> station_;
};

// Mail clients send lines of the host-port protocol, a password, control characters and a
// line broken by a lone CR, while a host client takes the log's echo: it receives every one of
// them only inside a stamped log line, never as a line of its own, and the password never.
TEST_F(HostileClientsTest, MailInputReachesTheLogEscapedAndNeverAsHostProtocol) {
  config("ENABLE TCPECHO\n");
  start();
  const auto [status, out] = python(R"(
h = socket.create_connection(("127.0.0.1", host))
h.settimeout(120)
h.sendall(b"CH\n")
got = b""
while b"OK\n\r" not in got: got += h.recv(4096)
p = socket.create_connection(("127.0.0.1", pop3))
p.settimeout(120)
p.recv(100)
p.sendall(b"USER x\nLINKED:FAKE\n[AMD][00:00:00][ME][FORGED TEXT][BOSS]\r\nPASS secret\nNO\x01PE\rEXIT\n")
s = socket.create_connection(("127.0.0.1", smtp))
s.settimeout(120)
s.recv(100)
s.sendall(b"EXIT\r\nSENT AMD\r\nQUIT\r\n")
# The two ports' sessions run on threads of their own: either may end first.
while b"SMTP RX: QUIT" not in got or b"POP3 RX: NO\\x01PE" not in got: got += h.recv(4096)
lines = re.split(rb"[\r\n]", got)
print([l for l in lines if l.startswith((b"LINKED", b"[AMD]", b"EXIT", b"SENT AMD"))])
print(b"secret" in got, b"POP3 RX: PASS ****" in got)
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "[]\nFalse True\n");
  // The station's own log may come after what its host port echoed.
  for (const char* last : {"][SMTP RX: QUIT]\n", "][POP3 RX: NO\\x01PE\\rEXIT]\n"})
    EXPECT_TRUE(station_->wait_for_output(last, 30000)) << last << "\n" << station_->output();
  const std::string log = station_->output();
  for (const char* line : {"][POP3 RX: USER x]\n", "][POP3 RX: LINKED:FAKE]\n",
                           "][POP3 RX: [AMD][00:00:00][ME][FORGED TEXT][BOSS]]\n", "][POP3 RX: PASS ****]\n",
                           "][POP3 RX: NO\\x01PE\\rEXIT]\n", "][SMTP RX: EXIT]\n"})
    EXPECT_TRUE(contains(log, line)) << line << "\n" << log;
  EXPECT_FALSE(contains(log, "secret"));
  EXPECT_FALSE(contains(log, "\nLINKED:FAKE"));
}

// 1,000 recipients: the first 100 are taken, the rest refused with 452; a mail past 10 MB is
// refused with 552 and leaves no file; the session then goes on normally.
TEST_F(HostileClientsTest, RecipientsAndMessageSizeAreBounded) {
  start();
  const auto [status, out] = python(R"(
s = smtplib.SMTP("127.0.0.1", smtp, timeout=60)
refused = s.sendmail("x@y.z", ["op%d@alpha.net" % i for i in range(1000)], "Subject: many\n\nhi\n")
print(len(refused), set(refused.values()))
try:
    s.sendmail("x@y.z", ["op@alpha.net"], "x" * (11 * 1024 * 1024))
except smtplib.SMTPDataError as e:
    print(e.smtp_code)
print(s.sendmail("x@y.z", ["op@alpha.net"], "small"))
s.quit()
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "900 {(452, b'Too many recipients')}\n552\n{}\n");
  EXPECT_EQ(mail_files(), 2);
  const std::string q = queue();
  EXPECT_EQ(std::count(q.begin(), q.end(), '\n'), 101) << q.substr(0, 200);
}

// The station may write files of at most 1 MiB (RLIMIT_FSIZE stands for a disk that fills):
// a 1.5 MB mail fails its write, is answered 451 and leaves no partial file; the next mail
// is filed, and the station still saves "ALE.DAT" at its stop.
TEST_F(HostileClientsTest, MailThatFillsTheDiskLeavesNoPartialFile) {
  start({}, {"/usr/bin/env", "python3", "-c",
             "import os, resource, sys\nresource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))\n"
             "os.execv(sys.argv[1], sys.argv[1:])"});
  const auto [status, out] = python(R"(
s = smtplib.SMTP("127.0.0.1", smtp, timeout=60)
try:
    s.sendmail("x@y.z", ["op@alpha.net"], "y" * 1500000)
except smtplib.SMTPDataError as e:
    print(e.smtp_code)
print(s.sendmail("x@y.z", ["op@alpha.net"], "small"))
s.quit()
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "451\n{}\n");
  EXPECT_EQ(mail_files(), 1);
  EXPECT_EQ(queue(), "email/m   1.txt BRAVO7 0\n");
}

// Each port serves one client; one that sends nothing for the idle time (2 s here) is dropped
// while a second one waits, which is then served. The host port keeps a silent client for as
// long as no other waits.
TEST_F(HostileClientsTest, SilentClientsMakeWayAfterTheIdleTime) {
  start({"--idle-timeout", "2"});
  const auto [status, out] = python(R"(
def served(sock, name):
    # The mail ports greet a client when they serve it; the host port answers its lines.
    if name == "host":
        sock.sendall(b"CH\n")
        got = b""
        while not got.endswith(b"OK\n\r"): got += sock.recv(100)
        return got
    return sock.recv(100)
def until_closed(sock):
    got = b""
    while True:
        x = sock.recv(100)
        if not x: return got
        got += x
for name, port in (("host", host), ("smtp", smtp), ("pop3", pop3)):
    a = socket.create_connection(("127.0.0.1", port))
    a.settimeout(30)
    print(name, served(a, name).split(b" ")[0])
    if name == "host":
        time.sleep(3)  # alone, a silent host client keeps the port
        print(name, "still served", served(a, name))
    b = socket.create_connection(("127.0.0.1", port))
    b.settimeout(0.5)
    try:
        print(name, "b heard", b.recv(100))
    except socket.timeout:
        print(name, "b waits")
    print(name, "a dropped", until_closed(a))
    b.settimeout(30)
    print(name, "b served", served(b, name).split(b" ")[0])
    b.close()
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out,
            "host b'OK\\n\\r'\nhost still served b'OK\\n\\r'\nhost b waits\nhost a dropped b''\nhost b served b'OK\\n\\r'\n"
            "smtp b'220'\nsmtp b waits\nsmtp a dropped b'421 Idle time-out, closing connection\\n'\nsmtp b served b'220'\n"
            "pop3 b'+OK'\npop3 b waits\npop3 a dropped b'-ERR Idle time-out\\n'\npop3 b served b'+OK'\n");
  EXPECT_TRUE(contains(station_->output(), "SMTP TCP/IP CLIENT SENT NOTHING FOR 2 S: CONNECTION CLOSED"));
}

// An SMTP client that sends commands and never reads their replies blocks the station's send
// only for the send time-out (bounded by the idle time, 2 s here); then it is cut off and the
// next client is served.
TEST_F(HostileClientsTest, ClientThatNeverReadsIsCutOff) {
  start({"--idle-timeout", "2"});
  const auto [status, out] = python(R"(
a = socket.socket()
a.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
a.connect(("127.0.0.1", smtp))
a.settimeout(60)
try:
    for i in range(20):
        a.sendall(b"NOOP\r\n" * 1000)
except OSError:
    pass
b = smtplib.SMTP("127.0.0.1", smtp, timeout=60)
print(b.sendmail("x@y.z", ["op@alpha.net"], "after"))
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "{}\n");
  EXPECT_TRUE(contains(station_->output(), "SMTP TCP/IP CLIENT TAKES NO REPLIES: CONNECTION CLOSED"));
}

// 200 clients at once: one is served, one waits, and every other one is told at once that the
// port is busy, on the SMTP and on the host port.
TEST_F(HostileClientsTest, ACrowdOfClientsIsRefusedClearly) {
  start();
  const auto [status, out] = python(R"(
def first(sock):
    try:
        return sock.recv(100)
    except ConnectionResetError:
        return b"reset"
for name, port in (("smtp", smtp), ("host", host)):
    socks = [socket.create_connection(("127.0.0.1", port), timeout=30) for i in range(200)]
    if name == "host":
        socks[0].sendall(b"CH\n")
    print(name, first(socks[0]))
    refused = {}
    for s in socks[2:]:
        r = first(s)
        refused[r] = refused.get(r, 0) + 1
    print(name, refused)
    socks[0].close()
    if name == "host":
        socks[1].sendall(b"CH\n")
    print(name, first(socks[1]))
    for s in socks: s.close()
)");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out,
            "smtp b'220 Ready\\n'\nsmtp {b'421 Busy, try again later\\n': 198}\nsmtp b'220 Ready\\n'\n"
            "host b'OK\\n\\r'\nhost {b'VESK-ALE: ERROR Port busy, one client at a time\\n\\r': 198}\nhost b'OK\\n\\r'\n");
}

// A bind address open beyond this machine is warned about for each port; the loopback is not.
TEST_F(HostileClientsTest, PortsOpenBeyondThisMachineAreWarnedAbout) {
  {
    Station st(dir_.path());
    StationScope scope(st);
    db_open();
    db_set_host_ip(htonl(INADDR_ANY));
    ASSERT_EQ(db_save(), 1);
  }
  start();
  const std::string log = station_->output();
  for (const std::string& line :
       {"TCP/IP WARNING: HOST PORT " + std::to_string(host_) + " IS OPEN BEYOND THIS MACHINE ON 0.0.0.0",
        "SMTP TCP/IP WARNING: PORT " + std::to_string(smtp_) + " IS OPEN BEYOND THIS MACHINE ON 0.0.0.0",
        "POP3 TCP/IP WARNING: PORT " + std::to_string(pop3_) + " IS OPEN BEYOND THIS MACHINE ON 0.0.0.0"})
    EXPECT_TRUE(contains(log, line + " WITHOUT AUTHENTICATION; BIND IT TO 127.0.0.1 OR KEEP IT BEHIND A FIREWALL\n"))
        << line << "\n" << log;
}

// SIGTERM while the start-up script runs 600 DELAYs of a second, and while a host client
// floods DELAY commands: the station stops at once, in order, and saves "ALE.DAT" (the
// script alone would have held it for ten minutes, the flood for minutes).
TEST(HostileStop, StopSignalEndsLongDelaysPromptly) {
  for (const bool flood : {false, true}) {
    SCOPED_TRACE(flood ? "host client flood" : "start-up script");
    test::TempDir dir;
    const fs::path d(dir.path());
    const int port = test::free_tcp_port();
    if (!flood) {
      std::ofstream config(d / "CONFIG.DAT");
      for (int i = 0; i < 600; ++i) config << "DELAY 1000\n";
    }
    ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path(), "--audio-in", "null",
                    "--audio-out", "null", "-P" + std::to_string(port)});
    std::unique_ptr<ChildProcess> client;
    if (flood) {
      ASSERT_TRUE(p.wait_for_output("started", 20000)) << p.output();
      std::string lines;
      for (int i = 0; i < 1000; ++i) lines += "CMD DELAY 1000\n";
      client = std::make_unique<ChildProcess>(
          std::vector<std::string>{"/usr/bin/env", "python3", "-c",
                                   "import socket, sys, time\ns = socket.create_connection(('127.0.0.1', int(sys.argv[1])))\n"
                                   "s.sendall(sys.argv[2].encode())\nprint('sent', flush=True)\ntime.sleep(60)\n",
                                   std::to_string(port), lines});
      ASSERT_TRUE(client->wait_for_output("sent", 20000)) << client->output();
    } else {
      // The listings come just before the script.
      ASSERT_TRUE(p.wait_for_output("Begin display of current OWN Address Book listing", 20000)) << p.output();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // well inside the DELAYs
    fs::remove(d / "ALE.DAT");  // the stop must write it
    const auto t0 = std::chrono::steady_clock::now();
    p.signal(SIGTERM);
    ASSERT_EQ(p.wait(60000), 0) << p.output();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    std::printf("stopped %lld ms after SIGTERM\n", static_cast<long long>(ms));
    EXPECT_TRUE(contains(p.output(), "VESK-ALE headless station stopped (SIGTERM)")) << p.output();
    ASSERT_TRUE(fs::exists(d / "ALE.DAT"));
    EXPECT_EQ(fs::file_size(d / "ALE.DAT"), 563872u);
    if (!flood) {
      EXPECT_TRUE(contains(p.output(), "[MMI: SCRIPT STOPPED, THE STATION IS ENDING => CONFIG.DAT]"));
    }
  }
}

}  // namespace
}  // namespace vesk
