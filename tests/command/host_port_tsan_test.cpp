// Texts for the host-port client from several threads at once, with log lines echoed beside
// them: each reaches the client whole, followed by its CR, and a client that leaves in the
// middle costs nothing but its texts.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>
#include <string>
#include <thread>

#include "command/host_port.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"
#include "tests/support/net.h"

namespace vesk {
namespace {

TEST(HostPortConcurrency, TextsFromManyThreadsArriveWhole) {
  test::TempDir dir;
  Station st(dir.path());
  StationScope scope(st);
  db_open();
  db_set_host_ip(htonl(INADDR_LOOPBACK));
  db_set_tcp_port(0);
  host_start();
  ASSERT_EQ(host_running(), 1);
  const int fd = test::connect_to(host_bound_port());
  ASSERT_GE(fd, 0);
  // The client is taken when the first text of the line it sends is answered.
  send(fd, "CH\n", 3, 0);
  std::string got;
  char buf[4096];
  while (got.find("OK\n\r") == std::string::npos) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    ASSERT_GT(n, 0);
    got.append(buf, static_cast<std::size_t>(n));
  }
  got.clear();
  log_enable_tcp_echo();
  constexpr int kTexts = 4;
  auto sender = [&](char who) {
    StationScope s(st);
    for (int i = 0; i < kTexts; ++i) {
      host_send_text(std::string(200, who) + std::to_string(i));
      log_printf("ECHO %c%d\n", who, i);
    }
  };
  std::thread a(sender, 'A'), b(sender, 'B'), c(sender, 'C');
  a.join();
  b.join();
  c.join();
  // 24 texts, each followed by 100 ms: wait for all of them.
  std::set<std::string> texts;
  while (texts.size() < 3 * 2 * kTexts) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    ASSERT_GT(n, 0) << got;
    got.append(buf, static_cast<std::size_t>(n));
    for (std::size_t cr; (cr = got.find('\r')) != std::string::npos; got.erase(0, cr + 1)) texts.insert(got.substr(0, cr));
  }
  for (char who : {'A', 'B', 'C'})
    for (int i = 0; i < kTexts; ++i) {
      EXPECT_EQ(texts.count(std::string(200, who) + std::to_string(i)), 1u) << who << i;
      EXPECT_EQ(texts.count(std::string("ECHO ") + who + std::to_string(i) + "\n"), 1u) << who << i;
    }
  close(fd);
  // The client has gone: texts for it are dropped, and the stop ends at once.
  for (int i = 0; i < 5; ++i) host_send_text("LOST");
  host_stop();
  EXPECT_EQ(host_running(), 0);
}

}  // namespace
}  // namespace vesk
