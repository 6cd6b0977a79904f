#include "command/host_port.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

#include "ale/frames/frame_sections.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "db/log.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/port_reopen.h"

namespace vesk {

HostPortState& host_port() { return station().state<HostPortState>(); }

namespace {

bool trace_on() { return log_state().socket_trace.load(std::memory_order_relaxed) != 0; }

// A client is there and takes texts.
bool client_live(const HostPortState& s) { return s.running && s.client_fd >= 0 && !s.closing && !s.broken; }

void push_locked(HostPortState& s, HostOutText text) {
  if (s.out.size() >= kHostQueueMax) {
    s.out.pop_front();
    ++s.dropped;
  }
  s.out.push_back(std::move(text));
}

// Moves the log's echo lines into the queue, in their order, ahead of what is queued next
// (they were written first); with no client they are dropped.
void pull_echo_locked(HostPortState& s) {
  LogEchoItem item;
  while (log_echo_pop(item)) {
    if (!client_live(s)) continue;
    HostOutText t;
    t.connection = s.connection;
    t.paced = !item.as_line;
    t.bytes = item.text + (item.as_line ? "\n" : "\r");
    if (!item.as_line) t.trace = std::move(item.text);
    push_locked(s, std::move(t));
  }
}

void enqueue(const std::string& text, bool paced) {
  HostPortState& s = host_port();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!client_live(s)) return;
  pull_echo_locked(s);
  HostOutText t;
  t.connection = s.connection;
  t.paced = paced;
  t.bytes = text + (paced ? "\r" : "\n");
  if (paced) t.trace = text;
  push_locked(s, std::move(t));
  s.cv.notify_all();
}

bool queued_for(const HostPortState& s, uint64_t connection) {
  return std::any_of(s.out.begin(), s.out.end(), [&](const HostOutText& t) { return t.connection == connection; });
}

// One pass of the sender thread: the next text to the client, then its pause.
void sender_step() {
  HostPortState& s = host_port();
  if (!s.echo_attached) {
    log_echo_attach();  // this thread's own lines (the send traces) are never echoed
    s.echo_attached = true;
  }
  std::unique_lock<std::mutex> lock(s.mutex);
  pull_echo_locked(s);
  if (s.out.empty()) {
    // The log's echo queue gives no signal: look again after a short wait.
    s.cv.wait_for(lock, std::chrono::milliseconds(20));
    return;
  }
  HostOutText t = std::move(s.out.front());
  s.out.pop_front();
  if (!s.running || s.broken || s.client_fd < 0 || t.connection != s.connection) {
    s.cv.notify_all();
    return;
  }
  const int fd = s.client_fd;
  s.sending = true;
  lock.unlock();
  const bool sent = net_send_all(fd, t.bytes.data(), t.bytes.size());
  lock.lock();
  s.sending = false;
  if (!sent) {
    // The client has gone: what was queued for it is dropped.
    s.broken = true;
    std::erase_if(s.out, [&](const HostOutText& x) { return x.connection == t.connection; });
  }
  s.cv.notify_all();
  lock.unlock();
  if (!sent) return;
  if (!t.trace.empty() && trace_on()) log_printf("<<FROM ZIRVO->%s\r\n", t.trace.c_str());
  if (t.paced) station().clock().sleep_ms(kHostPaceMs);
}

// The client has closed its side or the connection broke: the replies already queued for it
// leave first, then the socket is closed.
void end_connection(HostPortState& s) {
  std::unique_lock<std::mutex> lock(s.mutex);
  s.closing = true;
  const uint64_t connection = s.connection;
  s.cv.wait(lock, [&] { return !s.running || s.broken || (!s.sending && !queued_for(s, connection)); });
  const int fd = s.client_fd;
  net_shutdown(fd);
  s.cv.wait(lock, [&] { return !s.sending; });
  net_close(fd);
  s.client_fd = -1;
}

int send_timeout_ms(const HostPortState& s) { return std::min(kNetSendTimeoutMs, s.idle_timeout_ms); }

// Makes `client` the served connection; a new client starts with an empty line, so no client
// completes another's command. False (and the socket closed) when the port has stopped.
bool take_client(HostPortState& s, int client) {
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.running) {
    net_close(client);
    return false;
  }
  s.client_fd = client;
  ++s.connection;
  s.closing = false;
  s.broken = false;
  s.line.clear();
  s.active_ms = station().clock().mono_ms();
  return true;
}

// A new connection while a client is served: it waits its turn when no other waits, and is
// told the port is busy and closed otherwise.
void admit_or_refuse(HostPortState& s) {
  const int fd = net_accept_now(s.listen_fd);
  if (fd < 0) return;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    net_set_send_timeout(fd, send_timeout_ms(s));
    if (s.running && s.waiting_fd < 0) {
      s.waiting_fd = fd;
      return;
    }
  }
  log_net_trace_printf("TCP/IP BUSY: CLIENT REFUSED\n");
  static constexpr char kBusy[] = "VESK-ALE: ERROR Port busy, one client at a time\n\r";
  net_send_all(fd, kBusy, sizeof kBusy - 1);
  net_close(fd);
}

// One pass of the listener thread: accept a client (or take the one waiting), or take the
// bytes the served one sent; a served client that has sent nothing for the idle time while
// another waits is dropped.
void listener_step() {
  HostPortState& s = host_port();
  int fd = -1, waiting = -1, idle_ms = 0;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    fd = s.client_fd;
    waiting = s.waiting_fd;
    idle_ms = s.idle_timeout_ms;
    if (fd < 0) s.waiting_fd = -1;
  }
  int error = 0;
  if (fd < 0) {
    int client = waiting;
    if (client < 0) {
      const NetWait w = net_accept(s.listen_fd, *s.waker, &client, &error);
      if (w == NetWait::Woken) return;
      if (w == NetWait::Failed) {
        log_net_trace_printf("TCP/IP ACCEPT ERROR %d\n", error);
        station().clock().sleep_ms(kHostPaceMs);
        return;
      }
      std::lock_guard<std::mutex> lock(s.mutex);
      net_set_send_timeout(client, send_timeout_ms(s));
    }
    take_client(s, client);
    return;
  }
  int timeout_ms = -1;
  if (waiting >= 0) {
    const int64_t idle_left = s.active_ms + idle_ms - station().clock().mono_ms();
    if (idle_left <= 0) {
      log_printf("TCP/IP HOST CLIENT SENT NOTHING FOR %d S WHILE ANOTHER WAITED: CONNECTION CLOSED\n", idle_ms / 1000);
      end_connection(s);
      return;
    }
    timeout_ms = static_cast<int>(idle_left);
  }
  const NetWait w = net_wait_client(fd, s.listen_fd, *s.waker, timeout_ms, &error);
  if (w == NetWait::Woken || w == NetWait::TimedOut) return;
  if (w == NetWait::Listener) {
    admit_or_refuse(s);
    return;
  }
  char block[kHostReceiveBlock];
  std::size_t got = 0;
  if (w == NetWait::Ready && net_receive(fd, *s.waker, block, sizeof block, &got, &error) == NetWait::Ready &&
      got > 0) {
    s.active_ms = station().clock().mono_ms();
    host_collect_bytes(block, got);
    return;
  }
  end_connection(s);
}

// A decimal number as atoi reads it (leading blanks, a sign, digits; 0 when none), held
// within the range of int instead of overflowing.
int decimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = std::min<long long>(v * 10 + (text[i] - '0'), INT_MAX);
  return static_cast<int>(negative ? -v : v);
}

// A port number for COM: digits only (blanks around them allowed), 1 to 255; -1 otherwise.
int port_number(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return -1;
  const std::size_t last = text.find_last_not_of(' ');
  const std::string digits = text.substr(first, last - first + 1);
  if (digits.empty() || digits.size() > 3 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  const int n = std::stoi(digits);
  return n >= 1 && n <= 255 ? n : -1;
}

char at(const std::string& line, std::size_t position) { return position < line.size() ? line[position] : '\0'; }

void send_pending_amd() {
  HostPortState& s = host_port();
  std::string address, text;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.pending_amd.empty()) return;
    text.swap(s.pending_amd);
    address = s.current_address;
  }
  ale_send_amd_address(address.c_str(), text.c_str());
}

// CALLTI: and CALLTW:; false when the address does not fit.
bool call_line(const std::string& argument, bool tis) {
  HostPortState& s = host_port();
  const std::string address = !argument.empty() && argument[0] == '*' ? std::string("@?@") : argument;
  if (address.size() > kHostAddressMax) return false;
  std::string message;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.current_address = address;
    message.swap(s.pending_amd);
  }
  if (tis) ale_end_calls_with_tis();
  else ale_end_calls_with_twas();
  ale_call_address(address.c_str(), message.c_str());
  return true;
}

bool running() {
  HostPortState& s = host_port();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.running;
}

const char* step_name(NetStep step) {
  switch (step) {
    case NetStep::Socket: return "SOCKET";
    case NetStep::Bind: return "BIND";
    case NetStep::Listen: return "LISTEN";
    default: return "";
  }
}

}  // namespace

void host_init() {
  HostPortState& s = host_port();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.running) return;
    s.line.clear();
  }
  if (db_get_tcp_autostart() == 1) host_start();
}

void host_start() {
  HostPortState& s = host_port();
  if (running()) return;
  const uint32_t ip = db_get_host_ip();
  const uint16_t port = ntohs(db_get_tcp_port());
  const NetListenResult r = net_listen(ip, port, kNetListenBacklog);
  if (r.fell_back)
    log_printf("TCP/IP HOST ADDRESS %s IS NOT AN ADDRESS OF THIS MACHINE: 127.0.0.1 USED\n",
               net_address_text(ip).c_str());
  if (r.fd < 0) {
    log_printf("TCP/IP %s ERROR %d\n", step_name(r.failed), r.error);
    return;
  }
  log_printf("TCP/IP HOST PORT LISTENING ON %s:%u\n", net_address_text(r.ip).c_str(), static_cast<unsigned>(r.port));
  if (!net_is_loopback(r.ip))
    log_printf("TCP/IP WARNING: HOST PORT %u IS OPEN BEYOND THIS MACHINE ON %s WITHOUT AUTHENTICATION; "
               "BIND IT TO 127.0.0.1 OR KEEP IT BEHIND A FIREWALL\n",
               static_cast<unsigned>(r.port), net_address_text(r.ip).c_str());
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.waker) s.waker = std::make_unique<NetWaker>();
    s.waker->clear();
    s.running = true;
    s.listen_fd = r.fd;
    s.bound_port = r.port;
    s.client_fd = s.waiting_fd = -1;
    s.closing = s.broken = s.sending = false;
    s.out.clear();
    s.line.clear();
  }
  s.listener.start(station(), "host-listen", listener_step);
  s.sender.start(station(), "host-send", sender_step);
}

void host_stop() {
  HostPortState& s = host_port();
  if (!running()) return;
  host_report_exit();
  // "EXIT" leaves before the connection closes (at most a second's wait).
  Clock& clock = station().clock();
  const int64_t until = clock.mono_ms() + kHostStopWaitMs;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      if ((s.out.empty() && !s.sending) || s.client_fd < 0 || s.broken) break;
    }
    if (clock.mono_ms() >= until) break;
    clock.sleep_ms(10);
  }
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.running = false;
    s.listener.request_stop();
    s.sender.request_stop();
    s.waker->wake();
    net_shutdown(s.client_fd);  // ends a send blocked on a client that does not read
    s.cv.notify_all();
  }
  s.listener.stop();
  s.sender.stop();
  log_echo_detach();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.echo_attached = false;
  net_close(s.client_fd);
  net_close(s.waiting_fd);
  net_close(s.listen_fd);
  s.client_fd = s.waiting_fd = s.listen_fd = -1;
  s.bound_port = 0;
  s.out.clear();
}

int host_running() { return running() ? 1 : 0; }

void host_set_idle_timeout_ms(int ms) {
  HostPortState& s = host_port();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.idle_timeout_ms = std::max(ms, 1);
}

uint16_t host_bound_port() {
  HostPortState& s = host_port();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.bound_port;
}

void host_collect_bytes(const char* bytes, std::size_t count) {
  HostPortState& s = host_port();
  for (std::size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (c == '\n') {
      std::string line;
      line.swap(s.line);
      // Telnet and "nc -C" end lines with CR LF: the CR is not part of the command.
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // A station that is ending runs no more of a client's lines (a flood of DELAYs would
      // hold its shut-down).
      if (mmi_stop_requested()) continue;
      host_handle_line(line.data(), line.size());
    } else if (s.line.size() < kHostLineMax) {
      s.line.push_back(c);
    }
  }
}

void host_handle_line(const char* text, std::size_t length) {
  std::string line(text, std::min(length, kHostHandleMax));
  line.resize(std::strlen(line.c_str()));  // the line ends at a NUL, as the C text it was
  if (trace_on()) log_printf(">>TO ZIRVO->%s\r\n", line.c_str());
  HostPortState& s = host_port();
  auto starts = [&](const char* verb) { return line.compare(0, std::strlen(verb), verb) == 0; };
  auto rest = [&](std::size_t from) { return from <= line.size() ? line.substr(from) : std::string(); };
  const char* reply = "OK\n";

  if (starts("AMD:")) {
    const std::string amd = rest(4);
    if (amd.size() > kHostAmdTextMax) {
      reply = "ERROR\n";
    } else if (ale_link_ready()) {
      std::string address;
      {
        std::lock_guard<std::mutex> lock(s.mutex);
        address = s.current_address;
      }
      ale_send_amd_address(address.c_str(), amd.c_str());
    } else {
      std::lock_guard<std::mutex> lock(s.mutex);
      s.pending_amd = amd;
    }
  } else if (starts("CALLTI:")) {
    if (!call_line(rest(7), true)) reply = "ERROR\n";
  } else if (starts("CALLTW:")) {
    if (!call_line(rest(7), false)) reply = "ERROR\n";
  } else if (starts("COM")) {
    // The number is checked before the working radio port is closed.
    const int port = port_number(rest(3));
    if (port < 0 || radio_port_reopen(port) == -1) reply = "ERROR\n";
  } else if (starts("DISCONNECT")) {
    ale_terminate_address("@?@", "");
  } else if (starts("LINKTIMEOUT:")) {
    const int seconds = decimal(rest(12));
    db_set_twa_secs(seconds == 0 ? 10000 : seconds);
  } else if (starts("RXAUTOFILL:")) {
    if (at(line, 11) == '1') db_set_rx_autofill(1);
    if (at(line, 11) == '0') db_set_rx_autofill(0);
  } else if (starts("SELF")) {
    if (line.size() >= 8) {
      const std::string address = rest(7);
      if (address.size() > kHostAddressMax) {
        reply = "ERROR\n";
      } else {
        db_set_own_address_at(address.c_str(), decimal(line.substr(4, 2)));
        db_select_my_address(address.c_str());
      }
    }
  } else if (starts("TXSILENT:")) {
    if (at(line, 9) == '1') db_set_all_channel_permission(0);
    if (at(line, 9) == '0') db_set_all_channel_permission(3);
  } else if (starts("WAITRX:")) {
    const long long ms = static_cast<long long>(decimal(rest(7))) * 1000;
    db_set_all_twr_ms(static_cast<int>(std::clamp<long long>(ms, INT_MIN, INT_MAX)));
  } else if (starts("CH") || starts("ERASE:") || starts("FI") || starts("FR") || starts("GR") || starts("LQA")) {
    // Accepted and ignored.
  } else if (starts("CONNECTXOLVEN:DSAPI")) {
    reply = "READY\n";
  } else if (starts("CMD")) {
    mmi_run_line(rest(3));
  } else {
    reply = kHostNotSupported;
  }
  host_send_text(reply);
}

void host_send_text(const std::string& text) { enqueue(text, true); }
void host_send_line(const std::string& text) { enqueue(text, false); }
void host_send_joined(const std::string& first, const std::string& second) {
  host_send_text((first + second).substr(0, 103));
}

void host_set_amd_sent_pending() {
  HostPortState& s = host_port();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.amd_sent_pending = true;
}

void host_clear_amd_sent() {
  HostPortState& s = host_port();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.amd_sent_pending = false;
}

void host_report_linked(const std::string& suffix) {
  if (!running()) return;
  host_send_text("LINKED" + suffix);
  host_send_text("\n");
  send_pending_amd();
}

void host_report_linked_to(const std::string& address) {
  if (!running()) return;
  {
    HostPortState& s = host_port();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.current_address = address.substr(0, kHostAddressMax);
  }
  host_send_text("LINKED:" + address);
  host_send_text("\n");
}

void host_report_amd_sent() {
  if (!running()) return;
  bool sent = false;
  {
    HostPortState& s = host_port();
    std::lock_guard<std::mutex> lock(s.mutex);
    sent = s.amd_sent_pending;
    s.amd_sent_pending = false;
  }
  if (sent) host_send_text("SENT AMD\n");
  send_pending_amd();
}

void host_report_resumed_scanning() {
  if (!running()) return;
  host_send_text("[" + log_time_stamp() + "][RESUMED SCANNING]\n");
}

void host_report_exit() {
  if (!running()) return;
  host_send_text("EXIT\n");
}

void host_report_amd_received(const std::string& to, const std::string& text, const std::string& from) {
  if (!running()) return;
  host_send_text("[AMD][" + log_time_stamp() + "][" + to + "][" + text + "][" + from + "]\r\n");
}

}  // namespace vesk
