// Test support: loopback TCP ports for the tests that run a station's servers or a peer's.
#pragma once

namespace vesk::test {

// A loopback port that nothing listens on now, below the range the kernel hands out to
// clients, so no client of another test takes it while a server is (re)started on it.
int free_tcp_port();
// A connected socket to the loopback `port`, or -1.
int connect_to(int port);
// Whether something accepts connections on the loopback `port` now.
bool can_connect(int port);

}  // namespace vesk::test
