#include "command/mail_port.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

MailState& mail_state() { return station().state<MailState>(); }

namespace {

constexpr uint64_t kEndMarker = 0x0D0A2E0D0AULL;  // CR LF "." CR LF
constexpr uint64_t kWatchMask = 0xFFFFFFFFFFULL;
// The files tried for one message when earlier ones exist (from a run whose counter was not saved).
constexpr int kMailNameTries = 1000;

void send_to(MailListener MailState::*listener, const char* bytes, std::size_t length, const char* name) {
  MailState& s = mail_state();
  MailListener& l = s.*listener;
  int fd = -1;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.running || l.cut_off) return;
    fd = l.client;
  }
  if (fd < 0 || net_send_all(fd, bytes, length)) return;
  // A client that does not take its replies (or has gone) is cut off: its next receive sees
  // the end, and nothing more is sent to it.
  net_shutdown(fd);
  std::lock_guard<std::mutex> lock(s.mutex);
  l.cut_off = true;
  log_printf("%s TCP/IP CLIENT TAKES NO REPLIES: CONNECTION CLOSED\n", name);
}

// Every SMTP reply is the code, a blank and a text: clients read a reply line as that (a bare
// code leaves some of them waiting).
void smtp_reply(const char* text) { mail_smtp_send(text, std::strlen(text)); }
void pop3_reply(const char* text) { mail_pop3_send(text, std::strlen(text)); }

// The first four characters of a line, upper-cased.
std::string verb_of(const std::string& line) {
  std::string v = line.substr(0, 4);
  for (char& c : v) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return v;
}

std::string mail_file_name(int counter) {
  char name[48];
  std::snprintf(name, sizeof name, "email/m%4X.txt", static_cast<unsigned>(counter));
  return name;
}

// The next name from the e-mail file counter, which moves on by one.
std::string next_mail_file_name() {
  const int counter = db_get_email_file_counter();
  db_set_email_file_counter(counter + 1);
  return mail_file_name(counter);
}

// Creates the message's file, never over an existing one: an existing name moves on to the
// next. False when no file could be made.
bool create_mail_file(SmtpSession& m) {
  std::error_code ec;
  std::filesystem::create_directories(station().path(kMailFolder), ec);
  if (m.file_name.empty() || m.file_used) m.file_name = next_mail_file_name();
  for (int i = 0; i < kMailNameTries; ++i) {
    const int fd = open(station().path(m.file_name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      m.file = fdopen(fd, "wb");
      if (m.file == nullptr) close(fd);
      return m.file != nullptr;
    }
    if (errno != EEXIST) return false;
    m.file_name = next_mail_file_name();
  }
  return false;
}

// Closes and removes the message's file: a message that is not accepted leaves nothing behind.
void discard_mail_file(SmtpSession& m) {
  if (m.file == nullptr) return;
  std::fclose(m.file);
  m.file = nullptr;
  std::error_code ec;
  std::filesystem::remove(station().path(m.file_name), ec);
}

// Appends the queue lines of the message's recipients; false when the queue cannot be written,
// in which case the queue is cut back to what it held, so no half line stays in it.
bool queue_recipients(const SmtpSession& m) {
  const std::filesystem::path path = station().path(kMailQueueFile);
  std::FILE* q = std::fopen(path.c_str(), "ab");
  if (q == nullptr) return false;
  std::fseek(q, 0, SEEK_END);
  const long before = std::ftell(q);
  bool ok = before >= 0;
  for (const std::string& address : m.recipients)
    ok = std::fprintf(q, "%s %s %d\n", m.file_name.c_str(), address.c_str(), 0) > 0 && ok;
  ok = std::fclose(q) == 0 && ok;
  if (!ok && before >= 0) {
    std::error_code ec;
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(before), ec);
  }
  return ok;
}

// Forgets the recipients and gives their memory back.
void clear_recipients(SmtpSession& m) { std::vector<std::string>().swap(m.recipients); }

// One line received from a client, as one log line: escaped, and a password or credentials
// masked.
void log_received_line(const char* port, std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::string verb = verb_of(line);
  if ((verb == "PASS" || verb == "AUTH") && line.size() > 4) line = line.substr(0, 4) + " ****";
  log_stamped_line(std::string(port) + " RX: " + log_escape_text(line, kMailLogLineMax));
}

// Collects a received byte for the log; a line end writes the line.
void collect_log_byte(const char* port, std::string& log_line, char c) {
  if (c == '\n') {
    log_received_line(port, log_line);
    log_line.clear();
  } else if (log_line.size() <= kMailLogLineMax) {
    log_line.push_back(c);
  }
}

bool queue_writable() {
  std::error_code ec;
  std::filesystem::create_directories(station().path(kMailFolder), ec);
  std::FILE* q = std::fopen(station().path(kMailQueueFile).c_str(), "ab");
  if (q == nullptr) return false;
  std::fclose(q);
  return true;
}

void smtp_command(SmtpSession& m, const std::string& line) {
  const std::string verb = verb_of(line);
  if (verb == "HELO" || verb == "RSET") {
    m.file_name = next_mail_file_name();
    m.file_used = false;
    clear_recipients(m);
    smtp_reply("250 OK\n");
  } else if (verb == "MAIL") {
    smtp_reply("250 OK\n");
  } else if (verb == "RCPT") {
    std::string address;
    if (m.file_name.empty()) {
      smtp_reply("503 Send HELO first\n");
    } else if (m.recipients.size() >= kSmtpRecipientsMax) {
      smtp_reply("452 Too many recipients\n");
    } else if (!mail_route_lookup(line, &address)) {
      smtp_reply("550 No ALE Address map\n");
    } else if (!queue_writable()) {
      smtp_reply("550 Unable to open ALE Queue File\n");
    } else {
      m.recipients.push_back(address);
      smtp_reply("250 OK\n");
    }
  } else if (verb == "DATA") {
    if (!create_mail_file(m)) {
      smtp_reply("451 Unable to create mail file\n");
      return;
    }
    m.state = 1;
    // The DATA line's own line end comes before a message that is only the end marker.
    m.watch = 0x0D0A;
    m.size = 0;
    m.too_big = m.write_failed = false;
    smtp_reply("354 End data with <CR><LF>.<CR><LF>\n");
  } else if (verb == "QUIT") {
    smtp_reply("221 Bye\n");
  } else {
    smtp_reply("500 Command not recognized\n");
  }
}

// The end marker has come: the message is filed and queued, or refused with nothing kept.
void smtp_message_end(SmtpSession& m) {
  m.state = 0;
  const bool closed = m.file != nullptr && std::fclose(m.file) == 0;
  if (m.file != nullptr && !closed) {
    m.file = nullptr;
    std::error_code ec;
    std::filesystem::remove(station().path(m.file_name), ec);
  }
  m.file = nullptr;
  if (m.too_big) {
    smtp_reply("552 Message size exceeds fixed maximum message size\n");
  } else if (!closed) {
    smtp_reply("451 Unable to write mail file\n");
  } else if (!queue_recipients(m)) {
    std::error_code ec;
    std::filesystem::remove(station().path(m.file_name), ec);
    smtp_reply("451 Unable to open ALE Queue File\n");
  } else {
    m.file_used = true;
    smtp_reply("250 OK\n");
  }
  clear_recipients(m);
}

// One byte of message data: written to the file until the message is too big or a write
// fails (the file is then removed at once, so a full disk is not kept full), and watched for
// the end marker in any case.
void smtp_data_byte(SmtpSession& m, char c) {
  m.watch = ((m.watch << 8) | static_cast<unsigned char>(c)) & kWatchMask;
  if (m.file != nullptr) {
    if (m.size >= kSmtpMessageMax) {
      m.too_big = true;
      discard_mail_file(m);
    } else if (std::fputc(static_cast<unsigned char>(c), m.file) == EOF) {
      m.write_failed = true;
      discard_mail_file(m);
    } else {
      ++m.size;
    }
  }
  if (m.watch == kEndMarker) smtp_message_end(m);
}

// Splits a domain or pattern at its dots; false when it exceeds the limits.
bool split_components(const std::string& text, std::vector<std::string>* out) {
  out->clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (part.size() > kRouteComponentMax || out->size() >= kRouteComponentsMax) return false;
    out->push_back(part);
    if (dot == std::string::npos) return true;
    start = dot + 1;
  }
}

bool components_match(const std::vector<std::string>& pattern, const std::vector<std::string>& domain) {
  if (pattern.size() != domain.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i)
    if (pattern[i] != "*" && pattern[i] != domain[i]) return false;
  return true;
}

// What differs between the two listeners.
struct MailPortKind {
  MailListener MailState::*listener;
  std::size_t block_size;
  const char* name;
  void (*greet)();
  void (*step)(const char*, std::size_t);
  void (*end)();
  const char* busy;  // to a client refused while one is served and another waits
  const char* idle;  // to a client dropped for sending nothing
};

int send_timeout_ms(int idle_ms) { return std::min(kNetSendTimeoutMs, idle_ms); }

// The served client's connection is over: its session ends and the socket is closed.
void drop_client(const MailPortKind& k) {
  MailState& s = mail_state();
  if (k.end) k.end();
  std::lock_guard<std::mutex> lock(s.mutex);
  MailListener& l = s.*k.listener;
  net_close(l.client);
  l.client = -1;
}

// A new connection while a client is served: it waits its turn when no other waits, and is
// told the port is busy and closed otherwise.
void admit_or_refuse(const MailPortKind& k, int listen_fd, int idle_ms) {
  MailState& s = mail_state();
  const int fd = net_accept_now(listen_fd);
  if (fd < 0) return;
  net_set_send_timeout(fd, send_timeout_ms(idle_ms));
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    MailListener& l = s.*k.listener;
    if (s.running && l.waiting < 0) {
      l.waiting = fd;
      return;
    }
  }
  log_net_trace_printf("%s TCP/IP BUSY: CLIENT REFUSED\n", k.name);
  net_send_all(fd, k.busy, std::strlen(k.busy));
  net_close(fd);
}

// A listener's thread pass: take the waiting client or accept one (greeting it), or wait for
// the served client's next block, a newcomer, or its idle time to run out.
void listener_step(const MailPortKind& k) {
  MailState& s = mail_state();
  MailListener& l = s.*k.listener;
  Clock& clock = station().clock();
  int fd = -1, listen_fd = -1, idle_ms = 0;
  bool took_waiting = false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (l.client < 0 && l.waiting >= 0) {
      l.client = l.waiting;
      l.waiting = -1;
      l.cut_off = false;
      took_waiting = true;
    }
    fd = l.client;
    listen_fd = l.listen_fd;
    idle_ms = s.idle_timeout_ms;
  }
  int error = 0;
  if (took_waiting) {
    l.active_ms = clock.mono_ms();
    k.greet();
    return;
  }
  if (fd < 0) {
    int accepted = -1;
    const NetWait w = net_accept(listen_fd, *s.waker, &accepted, &error);
    if (w == NetWait::Woken) return;
    if (w == NetWait::Failed) {
      log_net_trace_printf("%s TCP/IP ACCEPT ERROR %d\n", k.name, error);
      clock.sleep_ms(100);  // back off instead of trying again at once
      return;
    }
    net_set_send_timeout(accepted, send_timeout_ms(idle_ms));
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      if (!s.running) {
        net_close(accepted);
        return;
      }
      l.client = accepted;
      l.cut_off = false;
    }
    l.active_ms = clock.mono_ms();
    k.greet();
    return;
  }
  const int64_t idle_left = l.active_ms + idle_ms - clock.mono_ms();
  if (idle_left <= 0) {
    log_printf("%s TCP/IP CLIENT SENT NOTHING FOR %d S: CONNECTION CLOSED\n", k.name, idle_ms / 1000);
    net_send_all(fd, k.idle, std::strlen(k.idle));
    drop_client(k);
    return;
  }
  const NetWait w = net_wait_client(fd, listen_fd, *s.waker, static_cast<int>(idle_left), &error);
  if (w == NetWait::Woken || w == NetWait::TimedOut) return;
  if (w == NetWait::Listener) {
    admit_or_refuse(k, listen_fd, idle_ms);
    return;
  }
  char block[kSmtpReceiveBlock + 1];
  std::size_t got = 0;
  if (w == NetWait::Ready && net_receive(fd, *s.waker, block, k.block_size, &got, &error) == NetWait::Ready &&
      got > 0) {
    l.active_ms = clock.mono_ms();
    k.step(block, got);
    return;
  }
  drop_client(k);
}

constexpr MailPortKind kSmtpKind = {&MailState::smtp_listener, kSmtpReceiveBlock, "SMTP", mail_smtp_greet,
                                    mail_smtp_step, mail_smtp_end, "421 Busy, try again later\n",
                                    "421 Idle time-out, closing connection\n"};
constexpr MailPortKind kPop3Kind = {&MailState::pop3_listener, kPop3ReceiveBlock, "POP3", pop3_greet, pop3_step,
                                    pop3_end, "-ERR Busy, try again later\n", "-ERR Idle time-out\n"};

void smtp_thread_step() { listener_step(kSmtpKind); }
void pop3_thread_step() { listener_step(kPop3Kind); }

// Opens one listener; -1 (and a log line) on failure.
int open_listener(const char* name, int port, uint16_t* bound) {
  const uint32_t ip = db_get_host_ip();
  const NetListenResult r = net_listen(ip, static_cast<uint16_t>(port), kNetListenBacklog);
  if (r.fell_back)
    log_printf("%s TCP/IP HOST ADDRESS %s IS NOT AN ADDRESS OF THIS MACHINE: 127.0.0.1 USED\n", name,
               net_address_text(ip).c_str());
  if (r.fd < 0) {
    const char* step = r.failed == NetStep::Socket ? "SOCKET" : r.failed == NetStep::Bind ? "BIND" : "LISTEN";
    log_printf("%s TCP/IP %s ERROR %d\n", name, step, r.error);
    return -1;
  }
  log_printf("%s TCP/IP LISTENING ON %s:%u\n", name, net_address_text(r.ip).c_str(), static_cast<unsigned>(r.port));
  if (!net_is_loopback(r.ip))
    log_printf("%s TCP/IP WARNING: PORT %u IS OPEN BEYOND THIS MACHINE ON %s WITHOUT AUTHENTICATION; "
               "BIND IT TO 127.0.0.1 OR KEEP IT BEHIND A FIREWALL\n",
               name, static_cast<unsigned>(r.port), net_address_text(r.ip).c_str());
  *bound = r.port;
  return r.fd;
}

}  // namespace

void mail_set_ports(int smtp_port, int pop3_port) {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (smtp_port >= 0) s.smtp_port = smtp_port;
  if (pop3_port >= 0) s.pop3_port = pop3_port;
  s.forced = true;
}

void mail_set_idle_timeout_ms(int ms) {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.idle_timeout_ms = std::max(ms, 1);
}

void mail_init() {
  MailState& s = mail_state();
  bool forced = false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.running) return;
    forced = s.forced;
  }
  if (forced || db_get_email_enabled() == 1) mail_start();
}

void mail_start() {
  MailState& s = mail_state();
  int smtp_port = 0, pop3_port = 0;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.running) return;
    smtp_port = s.smtp_port;
    pop3_port = s.pop3_port;
  }
  uint16_t smtp_bound = 0, pop3_bound = 0;
  const int smtp_fd = open_listener("SMTP", smtp_port, &smtp_bound);
  const int pop3_fd = open_listener("POP3", pop3_port, &pop3_bound);
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.waker) s.waker = std::make_unique<NetWaker>();
    s.waker->clear();
    s.running = true;
    s.smtp_listener.listen_fd = smtp_fd;
    s.pop3_listener.listen_fd = pop3_fd;
    s.smtp_listener.bound = smtp_bound;
    s.pop3_listener.bound = pop3_bound;
  }
  // A listener that could not be opened has no thread: nothing spins on its failure.
  if (smtp_fd >= 0) s.smtp_listener.thread.start(station(), "mail-smtp", smtp_thread_step);
  if (pop3_fd >= 0) s.pop3_listener.thread.start(station(), "mail-pop3", pop3_thread_step);
}

void mail_stop() {
  MailState& s = mail_state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.running) return;
    s.running = false;
    s.waker->wake();
    for (MailListener* l : {&s.smtp_listener, &s.pop3_listener}) {
      l->thread.request_stop();
      net_shutdown(l->client);
    }
  }
  s.smtp_listener.thread.stop();
  s.pop3_listener.thread.stop();
  mail_smtp_end();
  pop3_end();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (MailListener* l : {&s.smtp_listener, &s.pop3_listener}) {
    for (int* fd : {&l->client, &l->waiting, &l->listen_fd}) {
      net_close(*fd);
      *fd = -1;
    }
    l->bound = 0;
  }
}

int mail_running() {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.running ? 1 : 0;
}

uint16_t mail_smtp_bound_port() {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.smtp_listener.bound;
}

uint16_t mail_pop3_bound_port() {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.pop3_listener.bound;
}

void mail_smtp_send(const char* bytes, std::size_t length) {
  send_to(&MailState::smtp_listener, bytes, length, "SMTP");
}
void mail_pop3_send(const char* bytes, std::size_t length) {
  send_to(&MailState::pop3_listener, bytes, length, "POP3");
}

void mail_smtp_greet() {
  SmtpSession& m = mail_state().smtp;
  m.state = 0;
  m.line.clear();
  m.log_line.clear();
  smtp_reply("220 Ready\n");
}

void mail_smtp_step(const char* block, std::size_t length) {
  SmtpSession& m = mail_state().smtp;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = block[i];
    // The whole dialogue goes to the log, message text included, one line at a time.
    collect_log_byte("SMTP", m.log_line, c);
    if (m.state == 1) {
      smtp_data_byte(m, c);
      continue;
    }
    if (c != '\n') {
      if (m.line.size() < kMailLineMax) m.line.push_back(c);
      continue;
    }
    std::string line;
    line.swap(m.line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    smtp_command(m, line);
  }
}

void mail_smtp_end() {
  SmtpSession& m = mail_state().smtp;
  if (!m.log_line.empty()) log_received_line("SMTP", m.log_line);
  // A client that left in the middle of a message never had it accepted: nothing of it stays.
  discard_mail_file(m);
  m.state = 0;
  m.line.clear();
  m.log_line.clear();
  clear_recipients(m);
}

bool mail_route_lookup(const std::string& line, std::string* address) {
  address->clear();
  const std::size_t at = line.find('@');
  if (at == std::string::npos) return false;
  std::string domain = line.substr(at + 1);
  const std::size_t end = domain.find_first_of("> \r\n");
  if (end != std::string::npos) domain.resize(end);
  std::vector<std::string> wanted;
  if (domain.empty() || !split_components(domain, &wanted)) return false;
  std::ifstream routes(station().path(kMailRouteFile));
  std::string pattern, ale_address;
  std::vector<std::string> parts;
  while (routes >> pattern >> ale_address) {
    if (pattern.size() > kRoutePatternMax || ale_address.size() > kRouteAddressMax) continue;
    if (split_components(pattern, &parts) && components_match(parts, wanted)) {
      *address = ale_address;
      return true;
    }
  }
  return false;
}

void pop3_greet() {
  Pop3Session& p = mail_state().pop3;
  p.state = 1;
  p.line.clear();
  pop3_reply("+OK POP3 Server Ready\n");
}

void pop3_step(const char* block, std::size_t length) {
  Pop3Session& p = mail_state().pop3;
  for (std::size_t i = 0; i < length; ++i) {
    if (block[i] != '\n') {
      if (p.line.size() < kMailLineMax) p.line.push_back(block[i]);
      continue;
    }
    log_received_line("POP3", p.line);
    const std::string verb = p.line.substr(0, 4);
    p.line.clear();
    if (p.state == 1 && verb == "USER") {
      pop3_reply("+OK\n");
    } else if (p.state == 1 && verb == "PASS") {
      p.state = 2;
      pop3_reply("+OK\n");
    } else if (verb == "QUIT") {
      pop3_reply("+OK\n");
    } else if (p.state == 2 && verb == "STAT") {
      pop3_reply("+OK 0 0\n");
    } else {
      pop3_reply("-ERR\n");
    }
  }
}

void pop3_end() {
  Pop3Session& p = mail_state().pop3;
  if (!p.line.empty()) log_received_line("POP3", p.line);
  p.line.clear();
}

}  // namespace vesk
