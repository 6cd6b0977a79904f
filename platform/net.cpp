#include "platform/net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace vesk {

NetWaker::NetWaker() { fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }
NetWaker::~NetWaker() {
  if (fd_ >= 0) close(fd_);
}
void NetWaker::wake() {
  const uint64_t one = 1;
  if (fd_ >= 0) (void)!write(fd_, &one, sizeof one);
}
void NetWaker::clear() {
  uint64_t value = 0;
  if (fd_ >= 0) (void)!read(fd_, &value, sizeof value);
}

namespace {

int bind_listener(uint32_t ip, uint16_t port, int backlog, NetListenResult* r) {
  // Non-blocking, so an accept after a wait never blocks on a connection that went away.
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    r->failed = NetStep::Socket;
    r->error = errno;
    return -1;
  }
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = ip;
  a.sin_port = htons(port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    r->failed = NetStep::Bind;
    r->error = errno;
    close(fd);
    return -1;
  }
  if (listen(fd, backlog) != 0) {
    r->failed = NetStep::Listen;
    r->error = errno;
    close(fd);
    return -1;
  }
  socklen_t len = sizeof a;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    r->ip = a.sin_addr.s_addr;
    r->port = ntohs(a.sin_port);
  }
  r->failed = NetStep::None;
  r->error = 0;
  return fd;
}

// Waits until `fd` is readable or the waker fires.
NetWait wait_readable(int fd, const NetWaker& waker, int* error) {
  pollfd p[2] = {{fd, POLLIN, 0}, {waker.fd(), POLLIN, 0}};
  for (;;) {
    const int n = poll(p, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return NetWait::Failed;
    }
    if (p[1].revents != 0) return NetWait::Woken;
    if (p[0].revents != 0) return NetWait::Ready;
  }
}

}  // namespace

NetListenResult net_listen(uint32_t ip, uint16_t port, int backlog) {
  NetListenResult r;
  r.fd = bind_listener(ip, port, backlog, &r);
  if (r.fd < 0 && r.failed == NetStep::Bind && r.error == EADDRNOTAVAIL) {
    r.fell_back = true;
    r.fd = bind_listener(htonl(INADDR_LOOPBACK), port, backlog, &r);
  }
  return r;
}

NetWait net_accept(int listen_fd, const NetWaker& waker, int* client, int* error) {
  for (;;) {
    const NetWait w = wait_readable(listen_fd, waker, error);
    if (w != NetWait::Ready) return w;
    const int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
      *client = fd;
      return NetWait::Ready;
    }
    if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) continue;
    *error = errno;
    return NetWait::Failed;
  }
}

NetWait net_receive(int fd, const NetWaker& waker, char* buf, std::size_t size, std::size_t* got, int* error) {
  for (;;) {
    const NetWait w = wait_readable(fd, waker, error);
    if (w != NetWait::Ready) return w;
    const ssize_t n = recv(fd, buf, size, MSG_DONTWAIT);
    if (n >= 0) {
      *got = static_cast<std::size_t>(n);
      return NetWait::Ready;
    }
    if (errno == EINTR || errno == EAGAIN) continue;
    *error = errno;
    return NetWait::Failed;
  }
}

NetWait net_wait_client(int fd, int listen_fd, const NetWaker& waker, int timeout_ms, int* error) {
  pollfd p[3] = {{fd, POLLIN, 0}, {waker.fd(), POLLIN, 0}, {listen_fd, POLLIN, 0}};
  const nfds_t count = listen_fd >= 0 ? 3 : 2;
  for (;;) {
    const int n = poll(p, count, timeout_ms < 0 ? -1 : timeout_ms);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return NetWait::Failed;
    }
    if (n == 0) return NetWait::TimedOut;
    if (p[1].revents != 0) return NetWait::Woken;
    if (p[0].revents != 0) return NetWait::Ready;
    if (count == 3 && p[2].revents != 0) return NetWait::Listener;
  }
}

int net_accept_now(int listen_fd) {
  for (;;) {
    const int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

bool net_is_loopback(uint32_t ip) { return (ntohl(ip) >> 24) == 127; }

void net_set_send_timeout(int fd, int ms) {
  timeval t{};
  t.tv_sec = ms / 1000;
  t.tv_usec = (ms % 1000) * 1000;
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
  const int buffer = kNetSendBufferBytes;
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
}

bool net_send_all(int fd, const char* data, std::size_t size) {
  if (fd < 0) return false;
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void net_shutdown(int fd) {
  if (fd >= 0) shutdown(fd, SHUT_RDWR);
}

void net_close(int fd) {
  if (fd < 0) return;
  shutdown(fd, SHUT_RDWR);
  close(fd);
}

std::string net_address_text(uint32_t ip) {
  char buf[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = ip;
  inet_ntop(AF_INET, &a, buf, sizeof buf);
  return buf;
}

}  // namespace vesk
