// TCP sockets for the station's network ports: a listening socket, one accepted client at a
// time, and a waker that ends a blocked accept or receive when the port is stopped.
//
// Sends never raise SIGPIPE (a client that has gone gives an error, not the end of the
// process). Listening sockets are made with SO_REUSEADDR, so a port can be bound again at once
// after a stop, even while old connections linger in TIME_WAIT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vesk {

// The kernel's queue of connections not yet accepted. The ports serve one client at a time and
// keep one more waiting; they accept and refuse the rest themselves, with a reply, so a crowd
// of clients is told at once instead of hanging on a full queue.
inline constexpr int kNetListenBacklog = 16;
// A client that sends nothing for this long is dropped (where its port drops idle clients).
inline constexpr int kNetIdleTimeoutMs = 300000;
// A send that a client does not take for this long fails (bounded by the idle time-out).
inline constexpr int kNetSendTimeoutMs = 10000;
inline constexpr int kNetSendBufferBytes = 64 * 1024;

// An eventfd: wake() makes every wait on it return until clear().
class NetWaker {
 public:
  NetWaker();
  ~NetWaker();
  NetWaker(const NetWaker&) = delete;
  NetWaker& operator=(const NetWaker&) = delete;
  void wake();
  void clear();
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// The step of opening a listener that failed.
enum class NetStep { None, Socket, Bind, Listen };

struct NetListenResult {
  int fd = -1;            // the listening socket, -1 on failure
  NetStep failed = NetStep::None;
  int error = 0;          // errno of the failed step
  uint32_t ip = 0;        // the address bound (network byte order)
  uint16_t port = 0;      // the port bound (host byte order; the kernel's choice for port 0)
  bool fell_back = false; // the address asked for is not one of this machine's: 127.0.0.1 bound
};

// Opens a listening TCP socket on `ip` (network byte order) and `port` (host byte order).
// When `ip` is not an address of this machine, 127.0.0.1 is bound instead (fell_back).
NetListenResult net_listen(uint32_t ip, uint16_t port, int backlog);

// Outcome of a wait: a socket is ready, the waker fired, or the call failed (errno in *error);
// for net_wait_client also a new connection on the listener, or the time-out.
enum class NetWait { Ready, Woken, Failed, Listener, TimedOut };

// Waits for a client on `listen_fd`; on Ready `*client` holds its socket.
NetWait net_accept(int listen_fd, const NetWaker& waker, int* client, int* error);
// Waits for bytes on `fd` and reads at most `size` of them into `buf`; `*got` is 0 when the
// peer has closed its side. Failed: the connection broke (errno in *error).
NetWait net_receive(int fd, const NetWaker& waker, char* buf, std::size_t size, std::size_t* got, int* error);
// Waits for bytes (or the end) from the client `fd`, a connection waiting on `listen_fd` (-1:
// not watched) or the waker, at most `timeout_ms` (negative: no limit). Bytes come first.
NetWait net_wait_client(int fd, int listen_fd, const NetWaker& waker, int timeout_ms, int* error);
// Accepts a connection that waits on `listen_fd` without blocking; -1 when none could be taken.
int net_accept_now(int listen_fd);
// Whether `ip` (network byte order) is a loopback address (127.0.0.0/8).
bool net_is_loopback(uint32_t ip);
// A send on `fd` that cannot go on for `ms` fails (a peer that stops reading); the kernel's
// send buffer of the socket is held to kNetSendBufferBytes, so such a peer is noticed soon and
// ties up little memory.
void net_set_send_timeout(int fd, int ms);
// Sends all bytes; false when the peer has gone or stopped reading (no signal is raised).
bool net_send_all(int fd, const char* data, std::size_t size);
// Ends the connection in both directions: a send or receive blocked on it on another thread
// returns. The socket stays open until net_close.
void net_shutdown(int fd);
// Shuts the connection down and closes the socket; -1 is ignored.
void net_close(int fd);
// "a.b.c.d" of an address in network byte order.
std::string net_address_text(uint32_t ip);

}  // namespace vesk
