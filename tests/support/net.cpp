#include "tests/support/net.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <random>

namespace vesk::test {

namespace {

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  return a;
}

}  // namespace

int free_tcp_port() {
  static std::mt19937 pick(static_cast<unsigned>(getpid()));
  for (;;) {
    const int port = 20000 + static_cast<int>(pick() % 12000);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = loopback(port);
    const bool free = bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    if (free) return port;
  }
}

int connect_to(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in a = loopback(port);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
  close(fd);
  return -1;
}

bool can_connect(int port) {
  const int fd = connect_to(port);
  if (fd < 0) return false;
  close(fd);
  return true;
}

}  // namespace vesk::test
