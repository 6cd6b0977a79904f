#include "tests/support/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include "tests/support/waits.h"

namespace vesk::test {

Pty::Pty(PtyOptions options) {
  char buf[128] = {};
  if (openpty(&master, &slave, buf, nullptr, nullptr) != 0) return;
  name = buf;
  for (int fd : {master, slave}) fcntl(fd, F_SETFD, FD_CLOEXEC);
  if (options.nonblocking_master) fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  if (options.raw) {
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
  }
}

Pty::~Pty() {
  if (master >= 0) close(master);
  if (slave >= 0) close(slave);
}

std::string Pty::read_master(std::size_t want, int limit_ms) {
  std::string out;
  while (out.size() < want) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, limit_ms) <= 0) break;
    char buf[4096];
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

PtyPeer::PtyPeer() : pty_({.nonblocking_master = true}) {
  if (!pty_.ok()) return;
  reader_ = std::thread([this] {
    char buf[4096];
    int64_t empty = steady_ms();
    while (!stop_.load()) {
      const int64_t before_poll = steady_ms();
      pollfd p{pty_.master, POLLIN, 0};
      if (poll(&p, 1, 5) <= 0) {
        empty = before_poll;
        continue;
      }
      const int64_t before_read = steady_ms();
      const ssize_t n = read(pty_.master, buf, sizeof buf);
      if (n <= 0) continue;
      const int64_t at = steady_ms();
      {
        std::lock_guard<std::mutex> hold(mutex_);
        reads_.push_back({received_.size(), empty, at});
        received_.append(buf, static_cast<std::size_t>(n));
      }
      // A read that did not fill the buffer took all there was.
      if (static_cast<std::size_t>(n) < sizeof buf) empty = before_read;
    }
  });
}

PtyPeer::~PtyPeer() {
  stop_ = true;
  if (reader_.joinable()) reader_.join();
}

std::string PtyPeer::received() {
  std::lock_guard<std::mutex> hold(mutex_);
  return received_;
}

const PtyPeer::Read& PtyPeer::read_holding(std::size_t index) {
  // The last read that began at or before the byte.
  const auto after =
      std::upper_bound(reads_.begin(), reads_.end(), index, [](std::size_t i, const Read& r) { return i < r.first; });
  return *std::prev(after);
}

int64_t PtyPeer::arrival(std::size_t index) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (index >= received_.size()) return -1;
  return read_holding(index).at;
}

int64_t PtyPeer::gap_at_least(std::size_t first, std::size_t second) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (first >= received_.size() || second >= received_.size()) return -1;
  return read_holding(second).empty - read_holding(first).at;
}

int64_t PtyPeer::gap_at_most(std::size_t first, std::size_t second) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (first >= received_.size() || second >= received_.size()) return -1;
  return read_holding(second).at - read_holding(first).empty;
}

bool PtyPeer::wait_for(const std::string& text, int limit_ms) {
  return wait_until([&] { return received().find(text) != std::string::npos; }, limit_ms, 10);
}

bool PtyPeer::send(const std::string& bytes, int limit_ms) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    pollfd p{pty_.master, POLLOUT, 0};
    if (poll(&p, 1, limit_ms) <= 0) return false;
    const ssize_t n = write(pty_.master, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  return true;
}

Relay::Relay(int station, int program, bool echo)
    : station_(station), program_(program), echo_(echo), thread_([this] { run(); }) {}

Relay::~Relay() {
  stop_ = true;
  thread_.join();
}

void Relay::run() {
  pollfd fds[2] = {{station_, POLLIN, 0}, {program_, POLLIN, 0}};
  uint8_t buf[512];
  while (!stop_) {
    if (poll(fds, 2, 10) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      const ssize_t n = read(station_, buf, sizeof buf);
      if (n > 0) (void)!write(program_, buf, static_cast<std::size_t>(n));
    }
    if (fds[1].revents & POLLIN) {
      const ssize_t n = read(program_, buf, sizeof buf);
      if (n > 0) {
        if (echo_) (void)!write(program_, buf, static_cast<std::size_t>(n));
        (void)!write(station_, buf, static_cast<std::size_t>(n));
      }
    }
  }
}

}  // namespace vesk::test
