// The TCP host port: one client program at a time drives the station over a TCP connection
// with lines ended by LF (AMD texts, calls, a few settings, whole command lines) and receives
// the replies, the link reports and, while TCP echo is on, a copy of the log.
//
// Three threads serve it: the listener (accepts one client, assembles its lines and runs
// them), the sender (sends every text queued for the client, each followed by CR and a pause
// of 100 ms, and the log's echo lines) and whichever thread calls `host_handle_line` or a
// report. Callers only queue their texts, so no engine, audio or window thread ever waits on
// the network.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/net.h"
#include "platform/thread.h"

namespace vesk {

inline constexpr std::size_t kHostLineMax = 179;       // characters of a received line before its LF
inline constexpr std::size_t kHostHandleMax = 1023;    // characters of a line handed to host_handle_line
inline constexpr std::size_t kHostAddressMax = 15;
inline constexpr std::size_t kHostAmdTextMax = 99;
inline constexpr std::size_t kHostReceiveBlock = 200;
inline constexpr int kHostPaceMs = 100;                 // the pause after each text sent
inline constexpr int kHostStopWaitMs = 1000;           // how long the stop waits for "EXIT" to leave
// Texts waiting for the client beyond this are dropped oldest first, so a client that stops
// reading cannot make the station's memory grow.
inline constexpr std::size_t kHostQueueMax = 20000;

inline constexpr const char* kHostNotSupported = "VESK-ALE: ERROR Command not supported:\n";

struct HostOutText {
  std::string bytes;  // with its CR or LF
  uint64_t connection = 0;
  bool paced = true;
  std::string trace;  // the text without its CR, for the trace line
};

struct HostPortState {
  std::mutex mutex;
  std::condition_variable cv;  // queue changed, a send ended, or stop
  bool running = false;
  // The one connection: its socket, its number (texts carry the number they were queued
  // for), whether its peer has closed (no new texts) and whether it has broken (texts dropped).
  int listen_fd = -1;
  int client_fd = -1;
  // A second client waits its turn (any further one is told the port is busy); the served
  // client, when it has sent nothing for the idle time, then makes way for it.
  int waiting_fd = -1;
  int idle_timeout_ms = kNetIdleTimeoutMs;
  int64_t active_ms = 0;  // when the client last sent bytes (listener thread only)
  uint64_t connection = 0;
  bool closing = false;
  bool broken = false;
  bool sending = false;
  std::deque<HostOutText> out;
  uint64_t dropped = 0;
  uint16_t bound_port = 0;

  // Line assembly; cleared at each accepted connection.
  std::string line;
  // The client's current station address, its pending AMD text and the AMD-sent flag.
  std::string current_address;
  std::string pending_amd;
  bool amd_sent_pending = false;

  std::unique_ptr<NetWaker> waker;
  StationThread listener;
  StationThread sender;
  bool echo_attached = false;  // touched by the sender thread only
};

HostPortState& host_port();

// Engine start: the port stopped, then started when its start-at-start-up option is on.
void host_init();
// Opens the listener on the configured address and port and starts the threads. A bind or
// listen failure is logged and leaves the port stopped. Nothing while running.
void host_start();
// Tells the client "EXIT", waits for it to leave (at most a second), closes the connection
// and the listener and ends the threads. Nothing when the port is not running.
void host_stop();
int host_running();
// The idle time after which a client that sends nothing makes way for one that waits
// (vesk-ale-headless --idle-timeout); it also bounds the time a client may leave a reply
// untaken.
void host_set_idle_timeout_ms(int ms);
// The port the listener is bound to (the kernel's choice when the option is 0); 0 when stopped.
uint16_t host_bound_port();

// Line assembly from received bytes: each LF ends a line (one CR before it is dropped).
void host_collect_bytes(const char* bytes, std::size_t count);
// Runs one line (at most 1,023 characters are taken) and sends its reply to the client.
void host_handle_line(const char* text, std::size_t length);

// Queues a text for the client, followed by CR, paced; nothing while the port is stopped or
// no client is connected.
void host_send_text(const std::string& text);
// Queues a text followed by LF, without the pause.
void host_send_line(const std::string& text);
void host_send_joined(const std::string& first, const std::string& second);

void host_set_amd_sent_pending();
void host_clear_amd_sent();

// The client reports.
void host_report_linked(const std::string& suffix);
void host_report_linked_to(const std::string& address);
void host_report_amd_sent();
void host_report_resumed_scanning();
void host_report_exit();
void host_report_amd_received(const std::string& to, const std::string& text, const std::string& from);

}  // namespace vesk
