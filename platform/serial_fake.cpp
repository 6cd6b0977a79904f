#include "platform/serial_fake.h"

#include <algorithm>
#include <cstdio>

#include "platform/clock.h"
#include "platform/station.h"

namespace vesk {

class FakeSerialDevice : public SerialDevice {
 public:
  FakeSerialDevice(std::shared_ptr<FakeSerialBackend> fake, int port) : fake_(std::move(fake)), port_(port) {}
  ~FakeSerialDevice() override { fake_->closed(port_); }

  int configure(const SerialSettings& s, int handshaking) override {
    fake_->record(port_, FakeSerialBackend::Kind::Settings, serial_settings_text(s), handshaking);
    return 0;
  }
  int write_some(const uint8_t* bytes, int count) override {
    fake_->record(port_, FakeSerialBackend::Kind::Write,
                  std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count)));
    return count;
  }
  int read(uint8_t* bytes, int max) override { return fake_->read(port_, bytes, max); }
  int waiting() override { return fake_->waiting(port_); }
  int set_line(SerialLine line, bool on) override {
    {
      std::lock_guard<std::mutex> lock(fake_->mutex_);
      if (fake_->lines_fail_.count(port_)) return -1;
    }
    const auto kind = line == SerialLine::Rts   ? FakeSerialBackend::Kind::Rts
                      : line == SerialLine::Dtr ? FakeSerialBackend::Kind::Dtr
                                                : FakeSerialBackend::Kind::Break;
    fake_->record(port_, kind, {}, on ? 1 : 0);
    return 0;
  }
  int clear(bool input, bool output) override {
    if (input) {
      std::lock_guard<std::mutex> lock(fake_->mutex_);
      auto& q = fake_->input_[port_];
      const int64_t now = fake_->now_ms();
      q.erase(std::remove_if(q.begin(), q.end(), [&](const auto& p) { return p.t_ms <= now; }), q.end());
    }
    if (input) fake_->record(port_, FakeSerialBackend::Kind::ClearInput);
    if (output) fake_->record(port_, FakeSerialBackend::Kind::ClearOutput);
    return 0;
  }

 private:
  std::shared_ptr<FakeSerialBackend> fake_;
  int port_;
};

FakeSerialBackend::FakeSerialBackend(Clock& clock) : clock_(clock), origin_ns_(clock.mono_ns()) {}

std::shared_ptr<FakeSerialBackend> FakeSerialBackend::install() {
  auto fake = std::make_shared<FakeSerialBackend>(station().clock());
  serial_set_backend(fake);
  return fake;
}

int64_t FakeSerialBackend::now_ms() { return (clock_.mono_ns() - origin_ns_) / 1000000; }

std::unique_ptr<SerialDevice> FakeSerialBackend::open(int port, std::string* error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (unavailable_.count(port)) {
      *error = "COM" + std::to_string(port) + ": not available";
      return nullptr;
    }
    if (open_ports_.count(port)) {
      *error = "COM" + std::to_string(port) + ": in use";
      return nullptr;
    }
    open_ports_.insert(port);
  }
  record(port, Kind::Open);
  return std::make_unique<FakeSerialDevice>(shared_from_this(), port);
}

void FakeSerialBackend::closed(int port) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ports_.erase(port);
  }
  record(port, Kind::Close);
}

void FakeSerialBackend::set_unavailable(int port, bool unavailable) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (unavailable) unavailable_.insert(port);
  else unavailable_.erase(port);
}

void FakeSerialBackend::set_lines_fail(int port, bool fail) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fail) lines_fail_.insert(port);
  else lines_fail_.erase(port);
}

void FakeSerialBackend::inject(int port, const std::string& bytes) { inject_at(port, now_ms(), bytes); }

void FakeSerialBackend::inject_at(int port, int64_t t_ms, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& q = input_[port];
  // Kept in time order; equal times keep their injection order.
  auto at = std::upper_bound(q.begin(), q.end(), t_ms, [](int64_t t, const Pending& p) { return t < p.t_ms; });
  q.insert(at, Pending{t_ms, bytes});
}

int FakeSerialBackend::waiting(int port) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t now = now_ms();
  int n = 0;
  for (const Pending& p : input_[port]) {
    if (p.t_ms > now) break;
    n += static_cast<int>(p.bytes.size());
  }
  return n;
}

int FakeSerialBackend::read(int port, uint8_t* out, int max) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t now = now_ms();
  auto& q = input_[port];
  int n = 0;
  while (!q.empty() && q.front().t_ms <= now && n < max) {
    std::string& b = q.front().bytes;
    const int take = std::min(max - n, static_cast<int>(b.size()));
    std::copy(b.begin(), b.begin() + take, out + n);
    n += take;
    b.erase(0, static_cast<std::size_t>(take));
    if (b.empty()) q.erase(q.begin());
  }
  return n;
}

void FakeSerialBackend::record(int port, Kind kind, std::string bytes, int value) {
  const int64_t t = now_ms();
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(Event{t, port, kind, std::move(bytes), value});
}

bool FakeSerialBackend::is_open(int port) {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_ports_.count(port) != 0;
}

std::vector<FakeSerialBackend::Event> FakeSerialBackend::events() {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<FakeSerialBackend::Event> FakeSerialBackend::events(int port, Kind kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Event> out;
  for (const Event& e : events_)
    if (e.port == port && e.kind == kind) out.push_back(e);
  return out;
}

std::string FakeSerialBackend::written(int port) {
  std::string out;
  for (const Event& e : events(port, Kind::Write)) out += e.bytes;
  return out;
}

std::vector<std::pair<int64_t, std::string>> FakeSerialBackend::writes(int port) {
  std::vector<std::pair<int64_t, std::string>> out;
  for (const Event& e : events(port, Kind::Write)) out.emplace_back(e.t_ms, e.bytes);
  return out;
}

std::string FakeSerialBackend::hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
    out += buf;
  }
  return out;
}

std::string FakeSerialBackend::trace() {
  std::string out;
  char head[64];
  for (const Event& e : events()) {
    std::snprintf(head, sizeof head, "%lld ms COM%d ", static_cast<long long>(e.t_ms), e.port);
    out += head;
    switch (e.kind) {
      case Kind::Open: out += "open"; break;
      case Kind::Close: out += "close"; break;
      case Kind::Settings: out += "settings " + e.bytes + " handshaking " + std::to_string(e.value); break;
      case Kind::Write: out += "write " + hex(e.bytes); break;
      case Kind::Rts: out += e.value ? "RTS on" : "RTS off"; break;
      case Kind::Dtr: out += e.value ? "DTR on" : "DTR off"; break;
      case Kind::Break: out += e.value ? "break on" : "break off"; break;
      case Kind::ClearInput: out += "clear input"; break;
      case Kind::ClearOutput: out += "clear output"; break;
    }
    out += '\n';
  }
  return out;
}

void FakeSerialBackend::clear_events() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
}

}  // namespace vesk
