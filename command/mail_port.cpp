#include "command/mail_port.h"

#include <fcntl.h>
#include <unistd.h>

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

void send_to(int MailState::*client, const char* bytes, std::size_t length) {
  MailState& s = mail_state();
  int fd = -1;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.running) return;
    fd = s.*client;
  }
  net_send_all(fd, bytes, length);  // errors ignored: the connection's end is seen by the receive
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

// Appends the queue lines of the message's recipients; false when the queue cannot be written.
bool queue_recipients(const SmtpSession& m) {
  std::FILE* q = std::fopen(station().path(kMailQueueFile).c_str(), "ab");
  if (q == nullptr) return false;
  bool ok = true;
  for (const std::string& address : m.recipients)
    ok = std::fprintf(q, "%s %s %d\n", m.file_name.c_str(), address.c_str(), 0) > 0 && ok;
  return std::fclose(q) == 0 && ok;
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
    m.recipients.clear();
    smtp_reply("250 OK\n");
  } else if (verb == "MAIL") {
    smtp_reply("250 OK\n");
  } else if (verb == "RCPT") {
    std::string address;
    if (m.file_name.empty()) {
      smtp_reply("503 Send HELO first\n");
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
    smtp_reply("354 End data with <CR><LF>.<CR><LF>\n");
  } else if (verb == "QUIT") {
    smtp_reply("221 Bye\n");
  } else {
    smtp_reply("500 Command not recognized\n");
  }
}

// The end marker has been written: the message is filed and queued.
void smtp_message_end(SmtpSession& m) {
  const bool closed = std::fclose(m.file) == 0;
  m.file = nullptr;
  m.state = 0;
  m.file_used = true;
  if (!closed) {
    smtp_reply("451 Unable to write mail file\n");
  } else if (!queue_recipients(m)) {
    smtp_reply("451 Unable to open ALE Queue File\n");
  } else {
    smtp_reply("250 OK\n");
  }
  m.recipients.clear();
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

// A listener's thread pass: accept a client (greeting it), or take its next block.
void listener_step(int MailState::*listen_fd, int MailState::*client, std::size_t block_size, const char* name,
                   void (*greet)(), void (*step)(const char*, std::size_t), void (*end)()) {
  MailState& s = mail_state();
  int fd = -1;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    fd = s.*client;
  }
  int error = 0;
  if (fd < 0) {
    int accepted = -1;
    const NetWait w = net_accept(s.*listen_fd, *s.waker, &accepted, &error);
    if (w == NetWait::Woken) return;
    if (w == NetWait::Failed) {
      log_net_trace_printf("%s TCP/IP ACCEPT ERROR %d\n", name, error);
      station().clock().sleep_ms(100);  // back off instead of trying again at once
      return;
    }
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      if (!s.running) {
        net_close(accepted);
        return;
      }
      s.*client = accepted;
    }
    greet();
    return;
  }
  char block[kSmtpReceiveBlock + 1];
  std::size_t got = 0;
  const NetWait w = net_receive(fd, *s.waker, block, block_size, &got, &error);
  if (w == NetWait::Woken) return;
  if (w == NetWait::Ready && got > 0) {
    step(block, got);
    return;
  }
  if (end) end();
  std::lock_guard<std::mutex> lock(s.mutex);
  net_close(s.*client);
  s.*client = -1;
}

void smtp_thread_step() {
  listener_step(&MailState::smtp_listen_fd, &MailState::smtp_client, kSmtpReceiveBlock, "SMTP", mail_smtp_greet,
                mail_smtp_step, mail_smtp_end);
}

void pop3_thread_step() {
  listener_step(&MailState::pop3_listen_fd, &MailState::pop3_client, kPop3ReceiveBlock, "POP3", pop3_greet, pop3_step,
                nullptr);
}

// Opens one listener; -1 (and a log line) on failure.
int open_listener(const char* name, int port, uint16_t* bound) {
  const uint32_t ip = db_get_host_ip();
  const NetListenResult r = net_listen(ip, static_cast<uint16_t>(port), 1);
  if (r.fell_back)
    log_printf("%s TCP/IP HOST ADDRESS %s IS NOT AN ADDRESS OF THIS MACHINE: 127.0.0.1 USED\n", name,
               net_address_text(ip).c_str());
  if (r.fd < 0) {
    const char* step = r.failed == NetStep::Socket ? "SOCKET" : r.failed == NetStep::Bind ? "BIND" : "LISTEN";
    log_printf("%s TCP/IP %s ERROR %d\n", name, step, r.error);
    return -1;
  }
  log_printf("%s TCP/IP LISTENING ON %s:%u\n", name, net_address_text(r.ip).c_str(), static_cast<unsigned>(r.port));
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
    s.smtp_listen_fd = smtp_fd;
    s.pop3_listen_fd = pop3_fd;
    s.smtp_bound = smtp_bound;
    s.pop3_bound = pop3_bound;
  }
  // A listener that could not be opened has no thread: nothing spins on its failure.
  if (smtp_fd >= 0) s.smtp_thread.start(station(), "mail-smtp", smtp_thread_step);
  if (pop3_fd >= 0) s.pop3_thread.start(station(), "mail-pop3", pop3_thread_step);
}

void mail_stop() {
  MailState& s = mail_state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.running) return;
    s.running = false;
    s.smtp_thread.request_stop();
    s.pop3_thread.request_stop();
    s.waker->wake();
    net_shutdown(s.smtp_client);
    net_shutdown(s.pop3_client);
  }
  s.smtp_thread.stop();
  s.pop3_thread.stop();
  mail_smtp_end();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (int* fd : {&s.smtp_client, &s.pop3_client, &s.smtp_listen_fd, &s.pop3_listen_fd}) {
    net_close(*fd);
    *fd = -1;
  }
  s.smtp_bound = s.pop3_bound = 0;
}

int mail_running() {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.running ? 1 : 0;
}

uint16_t mail_smtp_bound_port() {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.smtp_bound;
}

uint16_t mail_pop3_bound_port() {
  MailState& s = mail_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.pop3_bound;
}

void mail_smtp_send(const char* bytes, std::size_t length) { send_to(&MailState::smtp_client, bytes, length); }
void mail_pop3_send(const char* bytes, std::size_t length) { send_to(&MailState::pop3_client, bytes, length); }

void mail_smtp_greet() {
  SmtpSession& m = mail_state().smtp;
  m.state = 0;
  m.line.clear();
  smtp_reply("220 Ready\n");
}

void mail_smtp_step(const char* block, std::size_t length) {
  // The whole dialogue goes to the log, message text included.
  log_printf("%s", std::string(block, length).c_str());
  SmtpSession& m = mail_state().smtp;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = block[i];
    if (m.state == 1) {
      std::fputc(static_cast<unsigned char>(c), m.file);
      m.watch = ((m.watch << 8) | static_cast<unsigned char>(c)) & kWatchMask;
      if (m.watch == kEndMarker) smtp_message_end(m);
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
  if (m.file != nullptr) {
    // The client left in the middle of a message: it was never accepted, so nothing of it stays.
    std::fclose(m.file);
    m.file = nullptr;
    std::error_code ec;
    std::filesystem::remove(station().path(m.file_name), ec);
  }
  m.state = 0;
  m.line.clear();
  m.recipients.clear();
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
  log_printf("%s", std::string(block, length).c_str());
  Pop3Session& p = mail_state().pop3;
  for (std::size_t i = 0; i < length; ++i) {
    if (block[i] != '\n') {
      if (p.line.size() < kMailLineMax) p.line.push_back(block[i]);
      continue;
    }
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

}  // namespace vesk
