// The TCP host port of the running station, talked to by real clients: nc and Python sockets
// against vesk-ale-headless, and a Python client placing a call in vesk-ale-sim.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/net.h"

namespace vesk {
namespace {

using test::ChildProcess;
namespace fs = std::filesystem;

// Runs a Python client; its output (repr of what it received, or its own report) and status.
struct PeerResult {
  int status;
  std::string out;
};
PeerResult python(const std::string& script, int port, int limit_ms = 30000, const std::vector<std::string>& args = {}) {
  std::vector<std::string> argv = {"/usr/bin/env", "python3", "-c", "import socket, sys, time\nport = int(sys.argv[1])\n" + script,
                                   std::to_string(port)};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess p(argv);
  const int status = p.wait(limit_ms);
  return {status, p.output()};
}

// nc -N: sends the text, half-closes, prints what came back until the station closes.
PeerResult nc(const std::string& text, int port, int limit_ms = 10000) {
  ChildProcess p({"/usr/bin/env", "nc", "-N", "127.0.0.1", std::to_string(port)}, text);
  const int status = p.wait(limit_ms);
  return {status, p.output()};
}

class HostPortTest : public ::testing::Test {
 protected:
  void start() {
    station_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        test::program_path("app/vesk-ale-headless"), "--dir", dir_.path(), "--audio-in", "null", "--audio-out", "null",
        "-P" + std::to_string(port_)});
    ASSERT_TRUE(station_->wait_for_output("started", 10000)) << station_->output();
  }
  void TearDown() override {
    if (station_) {
      station_->signal(SIGTERM);
      EXPECT_EQ(station_->wait(20000), 0) << station_->output();
    }
  }
  test::TempDir dir_;
  int port_ = test::free_tcp_port();
  std::unique_ptr<ChildProcess> station_;
};

TEST_F(HostPortTest, AnswersEachLineAndClosesAfterTheReplies) {
  start();
  // The default bind address is not this machine's: the port falls back to the loopback.
  EXPECT_NE(station_->output().find("TCP/IP HOST ADDRESS 192.168.0.2 IS NOT AN ADDRESS OF THIS MACHINE: 127.0.0.1 USED"),
            std::string::npos);
  EXPECT_NE(station_->output().find("TCP/IP HOST PORT LISTENING ON 127.0.0.1:" + std::to_string(port_)),
            std::string::npos);
  const std::string not_supported = "VESK-ALE: ERROR Command not supported:\n\r";
  const struct {
    std::string sent, reply;
  } cases[] = {
      {"CH\nFOO\n", "OK\n\r" + not_supported},
      {"CH\r\n", "OK\n\r"},  // telnet's and nc -C's line end
      {"CHANNEL 5\nFIX\nLQA?\n", "OK\n\rOK\n\rOK\n\r"},
      {"CONNECTXOLVEN:DSAPI\n", "READY\n\r"},
      {"cmd STATUS\n", not_supported},
      {"RXAUTOFILL:2\nTXSILENT:\nSELF25:BRAVO7\nSELF\n", "OK\n\rOK\n\rOK\n\rOK\n\r"},
      // Arguments that do not fit, and port numbers that are none, are refused.
      {"AMD:" + std::string(100, 'A') + "\n", "ERROR\n\r"},
      {"CALLTI:ABCDEFGHIJKLMNOP\n", "ERROR\n\r"},
      {"SELF01:ABCDEFGHIJKLMNOP\n", "ERROR\n\r"},
      {"COMX\nCOM\nCOM 0\nCOM 99999999999\n", "ERROR\n\rERROR\n\rERROR\n\rERROR\n\r"},
      {"", ""},
  };
  for (const auto& c : cases) {
    const PeerResult r = nc(c.sent, port_);
    EXPECT_EQ(r.status, 0) << c.sent;
    EXPECT_EQ(r.out, c.reply) << c.sent;
  }
}

// A partial line left by one client is not completed by the next one's bytes.
TEST_F(HostPortTest, NoClientCompletesAnothersLine) {
  start();
  EXPECT_EQ(nc("CMD QU", port_).out, "");
  EXPECT_EQ(nc("IT\n", port_).out, "VESK-ALE: ERROR Command not supported:\n\r");
  EXPECT_EQ(nc("CH\n", port_).out, "OK\n\r");
  EXPECT_EQ(station_->output().find("Goodbye"), std::string::npos);
}

// 200 kB of random bytes, then a client that leaves while the log is echoed to it: the
// station answers the next client at once.
TEST_F(HostPortTest, HostileClientsLeaveTheStationAnswering) {
  start();
  const PeerResult r = python(R"(
import os
s = socket.create_connection(("127.0.0.1", port))
s.sendall(os.urandom(200000))
s.close()
s = socket.create_connection(("127.0.0.1", port))
s.sendall(b"CMD LIST CHANNELS\nCMD LIST OTHER\n")
time.sleep(0.15)
s.close()
s = socket.create_connection(("127.0.0.1", port))
s.settimeout(20)
s.sendall(b"CH\n")
got = b""
while not got.endswith(b"OK\n\r"):
    got += s.recv(1000)
print("answered")
)",
                              port_);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "answered\n");
}

// At a stop the client is told EXIT, and the port is free again at once: a new station
// listens on it. The client is this test's own socket: an interpreter started for it may take
// longer than the station to come up on a loaded machine.
TEST_F(HostPortTest, StopFreesThePortForTheNextStart) {
  start();
  const int client = test::connect_to(port_);
  ASSERT_GE(client, 0);
  const timeval limit{30, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ASSERT_EQ(::send(client, "CH\n", 3, MSG_NOSIGNAL), 3);
  std::string got;
  char buf[1000];
  auto read_some = [&] {
    const ssize_t n = recv(client, buf, sizeof buf, 0);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    return n > 0;
  };
  while (got.find("OK\n\r") == std::string::npos && read_some()) {
  }
  ASSERT_EQ(got, "OK\n\r") << "accepted and answered";
  station_->signal(SIGTERM);
  ASSERT_EQ(station_->wait(20000), 0) << station_->output();
  while (read_some()) {
  }
  close(client);
  EXPECT_TRUE(got.ends_with("EXIT\n\r")) << got;
  PeerResult bound = python(R"(
deadline = time.time() + 1.5
while True:
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        s.bind(("127.0.0.1", port)); break
    except OSError:
        if time.time() > deadline: print("busy"); sys.exit(1)
        time.sleep(0.02)
print("free")
)", port_);
  EXPECT_EQ(bound.out, "free\n");
  station_.reset();
  start();
  EXPECT_EQ(nc("CH\n", port_).out, "OK\n\r");
}

// A client of one simulated station places a call to the other, reads the link report, sends
// an AMD text in the link and reads that it went. The run leaves room for the answer to that
// AMD even when the client's lines come late (a loaded machine); it is stopped once the AMD
// has arrived.
TEST(HostPortSim, ClientCallsAndSendsAnAmdText) {
  test::TempDir root;
  for (const auto& [dir, own, other] : {std::tuple{"a", "ALFA", "BRAVO"}, std::tuple{"b", "BRAVO", "ALFA"}}) {
    fs::create_directories(fs::path(root.path()) / dir);
    std::ofstream(fs::path(root.path()) / dir / "CONFIG.DAT")
        << "ADD OWN " << own << "\nADD CHANNEL 7000000\nADD OTHER " << other << "\nENABLE SCANNING\n";
  }
  ChildProcess sim({test::program_path("app/vesk-ale-sim"), "--station", "ALFA:" + root.path() + "/a", "--station",
                    "BRAVO:" + root.path() + "/b", "--seconds", "300", "--host-ports"});
  const std::string mark = "ALFA TCP/IP HOST PORT LISTENING ON 127.0.0.1:";
  ASSERT_TRUE(sim.wait_for_output(mark, 10000)) << sim.output();
  const int port = std::stoi(sim.output().substr(sim.output().find(mark) + mark.size()));
  const PeerResult r = python(R"(
s = socket.create_connection(("127.0.0.1", port))
s.settimeout(120)
got = b""
def until(text):
    global got
    while text not in got:
        x = s.recv(1000)
        if not x: return False
        got += x
    return True
s.sendall(b"CALLTI:BRAVO\n")
print(until(b"LINKED\r\n\r"), got.startswith(b"OK\n\r"))
s.sendall(b"AMD:HELLO\n")
print(until(b"SENT AMD\n\r"))
)",
                              port, 240000);
  EXPECT_EQ(r.out, "True True\nTrue\n") << sim.output();
  // (The times depend on when the client's lines came.)
  EXPECT_TRUE(sim.wait_for_output("[FRQ 07000000][AMD][ALFA           ][HELLO ]", 60000)) << sim.output();
  EXPECT_NE(sim.output().find("[FRQ 07000000][LINKED  ][BRAVO          ]"), std::string::npos);
  sim.signal(SIGTERM);
  sim.wait(30000);
}

// BRAVO's client, connected while ALFA calls BRAVO and sends it data, reads the progress lines
// of each message that arrives, in order; they go to the client only, never into the log.
struct ProgressCase {
  const char* name;
  std::vector<std::string> sends;  // ALFA's command lines once linked
  std::vector<std::string> lines;  // what BRAVO's client reads, in this order
};

void expect_progress_lines(const ProgressCase& c) {
  test::TempDir root;
  for (const auto& [dir, own, other] : {std::tuple{"a", "ALFA", "BRAVO"}, std::tuple{"b", "BRAVO", "ALFA"}}) {
    fs::create_directories(fs::path(root.path()) / dir);
    std::ofstream(fs::path(root.path()) / dir / "CONFIG.DAT")
        << "ADD OWN " << own << "\nADD CHANNEL 7000000\nADD OTHER " << other << "\nENABLE SCANNING\n";
  }
  fs::create_directories(fs::path(root.path()) / "b" / "download");
  std::ofstream(fs::path(root.path()) / "a" / "SMALL.TXT") << "A SMALL FILE\n";
  std::vector<std::string> argv = {test::program_path("app/vesk-ale-sim"), "--station", "ALFA:" + root.path() + "/a",
                                   "--station", "BRAVO:" + root.path() + "/b", "--seconds", "300", "--host-ports",
                                   "--at", "1:ALFA:CALL BRAVO"};
  for (std::size_t i = 0; i < c.sends.size(); ++i) {
    argv.push_back("--at");
    argv.push_back(std::to_string(14 + static_cast<int>(i)) + ".0:ALFA:" + c.sends[i]);
  }
  ChildProcess sim(argv);
  const std::string mark = "BRAVO TCP/IP HOST PORT LISTENING ON 127.0.0.1:";
  ASSERT_TRUE(sim.wait_for_output(mark, 10000)) << sim.output();
  const int port = std::stoi(sim.output().substr(sim.output().find(mark) + mark.size()));
  std::string wanted;
  for (const std::string& l : c.lines) wanted += (wanted.empty() ? "" : "|") + l;
  // Prints each wanted line in the order it came (with its CR/LF ending), until all came.
  const PeerResult r = python(R"(
want = sys.argv[2].split("|")
s = socket.create_connection(("127.0.0.1", port))
s.settimeout(120)
got = b""
while not all(("[" + w + ":]\n\r").encode() in got for w in want):
    x = s.recv(4000)
    if not x: break
    got += x
found = sorted((got.find(("[" + w + ":]\n\r").encode()), w) for w in want)
print("\n".join(w for at, w in found if at >= 0))
)",
                              port, 240000, {wanted});
  std::string expected;
  for (const std::string& l : c.lines) expected += l + "\n";
  EXPECT_EQ(r.out, expected) << c.name << "\n" << sim.output();
  sim.signal(SIGTERM);
  sim.wait(30000);
  EXPECT_EQ(sim.output().find("MESSAGE FRAME START"), std::string::npos) << c.name;
  EXPECT_EQ(sim.output().find("SENDING ACK"), std::string::npos) << c.name;
}

TEST(HostPortSim, MessageProgressLinesReachTheClient) {
  expect_progress_lines({"DTM and DBM texts",
                         {"DBMARQ BRAVO WORLD", "DTMARQ BRAVO HELLO"},
                         {"DTM ARQ MESSAGE FRAME START", "DTM ARQ SENDING ACK", "DBM ARQ MESSAGE FRAME START",
                          "DBM ARQ MESSAGE COMPLETE", "DBM ARQ SENDING ACK"}});
}

TEST(HostPortSim, FileTransferProgressLinesReachTheClient) {
  expect_progress_lines({"file transfer",
                         {"DBMFTP BRAVO SMALL.TXT", "@SENDFILE"},
                         {"DBM ARQ MESSAGE FRAME START", "DBM ARQ SENDING ACK", "DBM FTP MESSAGE COMPLETE"}});
}

}  // namespace
}  // namespace vesk
