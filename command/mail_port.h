// The mail gateway: an SMTP intake that files each accepted message in the "email" folder and
// queues it for its recipients' ALE addresses, and a POP3 responder that always reports an
// empty mailbox. Each listener serves one client at a time on its own thread.
//
// Files, relative to the station folder: "email/mroute.txt" (route table: pairs of a mail
// domain pattern and an ALE address), "email/mtxq.txt" (transmit queue, one line per queued
// recipient, only appended), "email/m%4X.txt" (one file per message, the bytes as the client
// sent them, up to and including the end marker).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/net.h"
#include "platform/thread.h"

namespace vesk {

inline constexpr int kSmtpDefaultPort = 25;
inline constexpr int kPop3DefaultPort = 110;
inline constexpr std::size_t kSmtpReceiveBlock = 1000;
inline constexpr std::size_t kPop3ReceiveBlock = 200;
inline constexpr std::size_t kMailLineMax = 1000;  // characters of a command line kept
inline constexpr std::size_t kMailLogLineMax = 1000;  // characters of a received line logged
inline constexpr std::size_t kRouteComponentMax = 39;
inline constexpr std::size_t kRouteComponentsMax = 25;
inline constexpr std::size_t kRoutePatternMax = 39;
inline constexpr std::size_t kRouteAddressMax = 15;
// Recipients of one message (the least a mail server must take) and the largest message
// taken, end marker included; beyond them the client is told so and nothing is filed.
inline constexpr std::size_t kSmtpRecipientsMax = 100;
inline constexpr uint64_t kSmtpMessageMax = 10 * 1024 * 1024;

inline constexpr const char* kMailFolder = "email";
inline constexpr const char* kMailRouteFile = "email/mroute.txt";
inline constexpr const char* kMailQueueFile = "email/mtxq.txt";

struct SmtpSession {
  int state = 0;                    // 0 commands, 1 message data
  std::string line;                 // command line being received
  std::string log_line;             // the received line being collected for the log
  std::string file_name;            // "email/m%4X.txt", chosen at HELO and RSET
  bool file_used = false;           // a message has been filed under the name
  std::FILE* file = nullptr;        // open during message data
  uint64_t watch = 0;               // the last five bytes of the message
  uint64_t size = 0;                // bytes of the message written
  bool too_big = false;             // the message passed kSmtpMessageMax: its file is gone
  bool write_failed = false;        // a write failed (a full disk): its file is gone
  std::vector<std::string> recipients;  // ALE addresses of the accepted recipients
};

struct Pop3Session {
  int state = 1;  // 1 authorization, 2 transaction
  std::string line;
};

// One listener of the gateway: its socket, the client it serves, one client waiting its turn
// (any further one is refused at once), and when the client last sent bytes.
struct MailListener {
  int listen_fd = -1;
  int client = -1;
  int waiting = -1;
  uint16_t bound = 0;
  int64_t active_ms = 0;
  bool cut_off = false;  // the client stopped taking replies: its connection is being ended
  StationThread thread;
};

struct MailState {
  std::mutex mutex;
  bool running = false;
  // Ports, and whether the program's flags asked for the gateway whatever the e-mail switch.
  int smtp_port = kSmtpDefaultPort;
  int pop3_port = kPop3DefaultPort;
  bool forced = false;
  int idle_timeout_ms = kNetIdleTimeoutMs;
  std::unique_ptr<NetWaker> waker;
  MailListener smtp_listener;
  MailListener pop3_listener;
  SmtpSession smtp;
  Pop3Session pop3;
};

MailState& mail_state();

// The ports to listen on (0: any free one) and that the gateway starts at engine start even
// with the e-mail switch off; called before the station starts (vesk-ale-headless --smtp-port,
// --pop3-port). A negative port keeps the one set.
void mail_set_ports(int smtp_port, int pop3_port);
// A client that sends nothing for this long is dropped (vesk-ale-headless --idle-timeout).
void mail_set_idle_timeout_ms(int ms);
// Engine start: starts the gateway when the e-mail switch is on (or the ports were given).
void mail_init();
void mail_start();
void mail_stop();
int mail_running();
uint16_t mail_smtp_bound_port();
uint16_t mail_pop3_bound_port();

// Replies to the connected client, while running.
void mail_smtp_send(const char* bytes, std::size_t length);
void mail_pop3_send(const char* bytes, std::size_t length);

// A new SMTP connection: state 0, the greeting.
void mail_smtp_greet();
// One received block of the SMTP dialogue.
void mail_smtp_step(const char* block, std::size_t length);
// The SMTP connection ended: a message cut off in its data is not kept.
void mail_smtp_end();
// The ALE address for the recipient of an RCPT line; false when no route matches.
bool mail_route_lookup(const std::string& line, std::string* address);

void pop3_greet();
void pop3_step(const char* block, std::size_t length);
// The POP3 connection ended: a line cut off by it is still logged.
void pop3_end();

}  // namespace vesk
