#include "platform/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/station.h"

namespace vesk {

namespace {

struct BaudRow {
  int baud;
  speed_t speed;
};

// Speed 0 is absent on purpose: it hangs the line up.
constexpr BaudRow kBaudRows[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000},
};

bool baud_speed(int baud, speed_t* out) {
  for (const BaudRow& r : kBaudRows)
    if (r.baud == baud) {
      *out = r.speed;
      return true;
    }
  return false;
}

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool parse_int(const std::string& s, int* out) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  *out = std::atoi(s.c_str());
  return true;
}

// A line change the device cannot carry is no port failure.
bool unsupported(int err) { return err == ENOTTY || err == EINVAL || err == ENOSYS || err == EIO; }

class TermiosDevice : public SerialDevice {
 public:
  explicit TermiosDevice(int fd) : fd_(fd) {}
  ~TermiosDevice() override {
    flock(fd_, LOCK_UN);
    ::close(fd_);
  }

  int configure(const SerialSettings& s, int handshaking) override {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return -1;
    if (serial_make_termios(s, handshaking, &t) != 0) return -1;
    return tcsetattr(fd_, TCSANOW, &t) == 0 ? 0 : -1;
  }

  int write_some(const uint8_t* bytes, int count) override {
    for (;;) {
      const ssize_t n = ::write(fd_, bytes, static_cast<size_t>(count));
      if (n >= 0) return static_cast<int>(n);
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      return -1;
    }
  }

  int read(uint8_t* bytes, int max) override {
    for (;;) {
      const ssize_t n = ::read(fd_, bytes, static_cast<size_t>(max));
      if (n >= 0) return static_cast<int>(n);
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      return -1;
    }
  }

  int waiting() override {
    int n = 0;
    return ioctl(fd_, FIONREAD, &n) == 0 ? n : -1;
  }

  int set_line(SerialLine line, bool on) override {
    int r;
    if (line == SerialLine::Break) {
      r = ioctl(fd_, on ? TIOCSBRK : TIOCCBRK);
    } else {
      int bits = line == SerialLine::Rts ? TIOCM_RTS : TIOCM_DTR;
      r = ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
    }
    if (r == 0 || unsupported(errno)) return 0;
    return -1;
  }

  int clear(bool input, bool output) override {
    const int what = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return tcflush(fd_, what) == 0 || unsupported(errno) ? 0 : -1;
  }

 private:
  int fd_;
};

class TermiosBackend : public SerialBackend {
 public:
  std::unique_ptr<SerialDevice> open(int port_number, std::string* error) override {
    const std::string path = serial_device_path(port_number);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      *error = path + ": " + std::strerror(errno);
      return nullptr;
    }
    // One opener per device in the process: flock conflicts between two open files even
    // within one process.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      *error = path + ": in use";
      ::close(fd);
      return nullptr;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
      *error = path + ": not a terminal";
      flock(fd, LOCK_UN);
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<TermiosDevice>(fd);
  }
};

struct SerialPlatformState {
  std::mutex mutex;
  std::shared_ptr<SerialBackend> backend;
};

}  // namespace

int serial_make_termios(const SerialSettings& s, int handshaking, termios* out) {
  speed_t speed;
  if (!baud_speed(s.baud, &speed) || s.data_bits < 5 || s.data_bits > 8) return -1;
  termios& t = *out;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[s.data_bits - 5];
  switch (s.parity) {
    case 'O': t.c_cflag |= PARENB | PARODD; break;
    case 'E': t.c_cflag |= PARENB; break;
    case 'M': t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 'S': t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (s.stop_halves > 2) t.c_cflag |= CSTOPB;  // 1.5 stop bits has no termios form
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (handshaking == SERIAL_HANDSHAKE_XON_XOFF || handshaking == SERIAL_HANDSHAKE_RTS_XON_XOFF)
    t.c_iflag |= IXON | IXOFF;
  if (handshaking == SERIAL_HANDSHAKE_RTS || handshaking == SERIAL_HANDSHAKE_RTS_XON_XOFF) t.c_cflag |= CRTSCTS;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0) return -1;
  return 0;
}

int serial_parse_settings(const std::string& text, SerialSettings* out) {
  std::vector<std::string> f;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) f.push_back(trim(item));
  if (f.size() != 4) return -1;
  SerialSettings s;
  speed_t speed;
  if (!parse_int(f[0], &s.baud) || !baud_speed(s.baud, &speed)) return -1;
  if (f[1].size() != 1) return -1;
  s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(f[1][0])));
  if (std::strchr("NOEMS", s.parity) == nullptr || s.parity == 0) return -1;
  if (!parse_int(f[2], &s.data_bits) || s.data_bits < 5 || s.data_bits > 8) return -1;
  if (f[3] == "1") s.stop_halves = 2;
  else if (f[3] == "1.5") s.stop_halves = 3;
  else if (f[3] == "2") s.stop_halves = 4;
  else return -1;
  *out = s;
  return 0;
}

std::string serial_settings_text(const SerialSettings& s) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%d,%c,%d,%s", s.baud, s.parity, s.data_bits,
                s.stop_halves == 2 ? "1" : s.stop_halves == 3 ? "1.5" : "2");
  return buf;
}

std::string serial_device_path(int port_number) {
  std::ifstream map(station().path("PORTS.MAP"));
  for (std::string line; std::getline(map, line);) {
    std::istringstream fields(line);
    int n = 0;
    std::string path;
    if (fields >> n >> path && n == port_number) return path;
  }
  return "/dev/ttyS" + std::to_string(static_cast<long long>(port_number) - 1);
}

std::shared_ptr<SerialBackend> serial_termios_backend() { return std::make_shared<TermiosBackend>(); }

std::shared_ptr<SerialBackend> serial_backend() {
  auto& s = station().state<SerialPlatformState>();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.backend) s.backend = serial_termios_backend();
  return s.backend;
}

void serial_set_backend(std::shared_ptr<SerialBackend> backend) {
  auto& s = station().state<SerialPlatformState>();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.backend = std::move(backend);
}

SerialPort::~SerialPort() = default;

void SerialPort::set_port_number(int n) {
  std::lock_guard<std::mutex> lock(mutex_);
  port_number_ = n;
}

int SerialPort::port_number() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return port_number_;
}

int SerialPort::set_settings(const std::string& text) {
  SerialSettings s;
  if (serial_parse_settings(text, &s) != 0) return -1;
  std::lock_guard<std::mutex> lock(mutex_);
  if (device_ && device_->configure(s, handshaking_) != 0) return -1;
  settings_ = s;
  return 0;
}

std::string SerialPort::settings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return serial_settings_text(settings_);
}

int SerialPort::set_handshaking(int handshaking) {
  if (handshaking < SERIAL_HANDSHAKE_NONE || handshaking > SERIAL_HANDSHAKE_RTS_XON_XOFF) return -1;
  std::lock_guard<std::mutex> lock(mutex_);
  if (device_ && device_->configure(settings_, handshaking) != 0) return -1;
  handshaking_ = handshaking;
  return 0;
}

int SerialPort::handshaking() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return handshaking_;
}

int SerialPort::open() {
  std::shared_ptr<SerialBackend> backend = serial_backend();
  std::lock_guard<std::mutex> lock(mutex_);
  if (device_) {
    last_error_ = "port already open";
    return -1;
  }
  std::string error;
  std::unique_ptr<SerialDevice> device = backend->open(port_number_, &error);
  if (!device) {
    last_error_ = error;
    return -1;
  }
  // The device raises RTS and DTR as it opens: put them back to the stored states at once,
  // since either may key a transmitter.
  if (device->set_line(SerialLine::Rts, rts_) != 0 || device->set_line(SerialLine::Dtr, dtr_) != 0 ||
      device->configure(settings_, handshaking_) != 0) {
    last_error_ = "settings refused by the device";
    return -1;
  }
  device_ = std::move(device);
  pending_.clear();
  return 0;
}

int SerialPort::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!device_) return -1;
  device_.reset();
  pending_.clear();
  return 0;
}

bool SerialPort::is_open() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return device_ != nullptr;
}

std::string SerialPort::last_error() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_error_;
}

int SerialPort::flush_pending_locked() {
  std::size_t done = 0;
  while (done < pending_.size()) {
    const int n = device_->write_some(pending_.data() + done, static_cast<int>(pending_.size() - done));
    if (n < 0) {
      pending_.clear();
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
  return 0;
}

int SerialPort::output(const uint8_t* bytes, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!device_ || count < 0) return -1;
  if (count == 0) return 0;
  if (pending_.size() + static_cast<std::size_t>(count) > kMaxPendingOutput) return -1;
  pending_.insert(pending_.end(), bytes, bytes + count);
  return flush_pending_locked();
}

int SerialPort::in_buffer_count() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!device_) return -1;
  if (!pending_.empty() && flush_pending_locked() != 0) return -1;
  return device_->waiting();
}

int SerialPort::input(uint8_t* bytes, int max) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!device_) return -1;
  return device_->read(bytes, max);
}

int SerialPort::set_rts(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  rts_ = on;
  return device_ ? device_->set_line(SerialLine::Rts, on) : 0;
}

int SerialPort::set_dtr(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  dtr_ = on;
  return device_ ? device_->set_line(SerialLine::Dtr, on) : 0;
}

bool SerialPort::rts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rts_;
}

bool SerialPort::dtr() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dtr_;
}

int SerialPort::set_break(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  return device_ ? device_->set_line(SerialLine::Break, on) : -1;
}

int SerialPort::clear_input() {
  std::lock_guard<std::mutex> lock(mutex_);
  return device_ ? device_->clear(true, false) : -1;
}

int SerialPort::clear_output() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!device_) return -1;
  pending_.clear();
  return device_->clear(false, true);
}

}  // namespace vesk
