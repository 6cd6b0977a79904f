#include "datalink/fs1052_binding.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>

#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "ale/frames/address_match.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/ale_timing.h"
#include "ale/link/link_state.h"
#include "datalink/async_framing.h"
#include "datalink/fs1052_link.h"
#include "datalink/fs1052_runner.h"
#include "datalink/xfer_queue.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "platform/thread.h"

namespace vesk {

namespace {

// The link's port: what the link asks of the modem side.
class BindingPort : public Fs1052Port {
 public:
  void transmit(std::vector<uint8_t> bytes) override;
  void receiver_reset() override;
  void set_mode(const char* mode_name) override {
    std::lock_guard<std::mutex> lock(mutex);
    mode = mode_name;
  }
  void trace(const std::string& text) override { log_printf("%s", text.c_str()); }

  std::mutex mutex;
  std::string mode = "600S";
};

class SerialToneModemIo : public Fs1052ModemIo {
 public:
  bool transmit(std::vector<uint8_t> bytes, const std::string& mode) override {
    return m110_transmit(bytes.data(), bytes.size(), mode);
  }
  void rx_reset() override { m110_rx_reset(); }
};

struct Fs1052Binding {
  Fs1052Link link;
  BindingPort port;
  Fs1052Runner runner{link};
  StationThread indications;
  std::atomic<Fs1052ModemIo*> modem{nullptr};
  bool opened = false;
  bool stepped = false;
  int ticks_to_report = 100;
  // Origin of each transmission on the modem, oldest first: true for the link's own, whose
  // ends advance the link; false for asynchronous sends.
  std::mutex tx_mutex;
  std::deque<bool> tx_origin;
  AsyncDeframer deframer;
  std::mutex deframer_mutex;
  SerialToneModemIo serial_tone;

  Fs1052Binding() { link.set_port(&port); }
  ~Fs1052Binding() {
    indications.stop();
    runner.stop();
  }
};

Fs1052Binding& binding() { return station().state<Fs1052Binding>(); }

// Runs `op` on the link's thread, or at once when stepped.
void post(Fs1052Runner::Op op) {
  Fs1052Binding& b = binding();
  b.runner.post(std::move(op));
  if (b.stepped || !b.runner.running()) b.runner.run_pending();
}

bool modem_transmit(std::vector<uint8_t> bytes, const std::string& mode, bool from_link) {
  Fs1052Binding& b = binding();
  Fs1052ModemIo* io = b.modem.load();
  if (io == nullptr) {
    log_printf("[%s][%s][MODEM ERROR: NO SERIAL-TONE MODEM, %zu BYTES NOT SENT]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), bytes.size());
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(b.tx_mutex);
    b.tx_origin.push_back(from_link);
  }
  if (io->transmit(std::move(bytes), mode)) return true;
  std::lock_guard<std::mutex> lock(b.tx_mutex);
  b.tx_origin.pop_back();
  return false;
}

void BindingPort::transmit(std::vector<uint8_t> bytes) {
  std::string m;
  {
    std::lock_guard<std::mutex> lock(mutex);
    m = mode;
  }
  // A transmission the modem refused never ends: the link's retries take over.
  modem_transmit(std::move(bytes), m, true);
}

void BindingPort::receiver_reset() {
  if (Fs1052ModemIo* io = binding().modem.load()) io->rx_reset();
}

void put_text(int c) { ale_rx_text_put(c); }
void flush_text() { ale_rx_text_flush(); }

void indication_line(const char* what, const Fs1052Indication& ind) {
  log_printf("[%s][FS-1052 %s %s]\r\n", log_time_stamp().c_str(), what, ind.first.c_str());
}

}  // namespace

void fs1052_set_modem_io(Fs1052ModemIo* io) { binding().modem.store(io); }

Fs1052ModemIo& fs1052_serial_tone_modem() { return binding().serial_tone; }

void fs1052_open(bool stepped) {
  Fs1052Binding& b = binding();
  int32_t values[10];
  db_get_m110_params(values);
  fs1052_configure(values);
  if (b.opened) return;
  b.opened = true;
  b.stepped = stepped;
  if (stepped) return;
  Station& st = station();
  b.runner.start(st);
  b.indications.start(st, "fs1052-ind", [] {
    // A second in slices, so that a close is not kept waiting.
    StationThread& self = binding().indications;
    for (int i = 0; i < 20 && !self.stop_requested(); ++i) station().clock().sleep_ms(50);
    if (!self.stop_requested()) fs1052_indication_step();
  });
}

void fs1052_close() {
  Fs1052Binding& b = binding();
  b.indications.stop();
  b.runner.stop();
  b.opened = false;
}

void fs1052_configure(const int32_t v[10]) {
  Fs1052Config c;
  c.immediate = v[0];
  c.negotiation_mode = v[1];
  c.control_mode_pref = v[2];
  c.arq_rate = v[3];
  c.bytes_per_frame = v[4];
  c.retry_limit = v[5];
  c.trace = v[6];
  c.broadcast_rate = v[7];
  c.broadcast_repeats = v[8];
  c.lowest_bps = v[9];
  post([c](Fs1052Link& l) { l.configure(c); });
}

void fs1052_send_message(const uint8_t* data, int length, int priority, int id, int broadcast) {
  std::vector<uint8_t> copy(data, data + (length > 0 ? length : 0));
  post([copy = std::move(copy), priority, id, broadcast](Fs1052Link& l) {
    l.send_message(copy.data(), static_cast<int>(copy.size()), priority, id, broadcast);
  });
}

void fs1052_set_own_address(const char* text) {
  std::string t = text ? text : "";
  post([t](Fs1052Link& l) { l.set_own_address(t.c_str(), static_cast<int>(t.size())); });
}

void fs1052_set_remote_address(const char* text) {
  std::string t = text ? text : "";
  post([t](Fs1052Link& l) { l.set_remote_address(t.c_str(), static_cast<int>(t.size())); });
}

void fs1052_set_link_addresses() {
  fs1052_set_own_address(ale_channel_own_address().c_str());
  const char* remote = ale_first_called_address();
  if (remote && remote[0]) fs1052_set_remote_address(remote);
}

void fs1052_enable() {
  post([](Fs1052Link& l) { l.enable(); });
}
void fs1052_disable() {
  post([](Fs1052Link& l) { l.disable(); });
}
void fs1052_disable_on_kill() { fs1052_disable(); }
void fs1052_reset_link() {
  post([](Fs1052Link& l) { l.reset(); });
}

void fs1052_call_failed() {
  post([](Fs1052Link& l) {
    if (!l.active()) l.disable();
  });
}

void fs1052_tick() {
  Fs1052Binding& b = binding();
  if (!b.opened) return;
  b.runner.post_tick();
  if (!b.stepped) return;
  b.runner.run_pending();
  if (--b.ticks_to_report <= 0) {
    b.ticks_to_report = 100;
    fs1052_indication_step();
  }
}

int m110_send_async(const uint8_t* data, std::size_t length) {
  std::vector<uint8_t> framed;
  if (!m110_async_frame(data, length, &framed)) {
    log_printf("[%s][%s][MODEM ERROR: ASYNC MESSAGE OF %zu BYTES REFUSED, AT MOST %zu FIT]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), length, kAsyncMaxMessage);
    return -1;
  }
  std::string mode = db_get_data_rate();
  if (mode.empty()) mode = "600S";
  return modem_transmit(std::move(framed), mode, false) ? 0 : -1;
}

int xfer_send_modem_payload(const uint8_t* data, std::size_t length, int id, int broadcast) {
  switch (db_get_data_link_mode()) {
    case kDataLinkAsync: return m110_send_async(data, length) == 0 ? 1 : 0;
    case kDataLinkFs1052: fs1052_send_message(data, static_cast<int>(length), 0, id, broadcast); return 1;
    default: return 0;
  }
}

int xfer_send_modem_payload_to(const char* destination, const uint8_t* data, std::size_t length, int id) {
  if (db_get_data_link_mode() == kDataLinkFs1052 && destination != nullptr && destination[0] != '\0')
    fs1052_set_remote_address(destination);
  return xfer_send_modem_payload(data, length, id, 0);
}

void xfer_send_modem_text(const std::string& text, int broadcast) {
  std::vector<uint8_t> payload;
  payload.reserve(text.size() + 1);
  payload.push_back(PID_TEXT);
  payload.insert(payload.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(text.size(), 10000)));
  xfer_send_modem_payload(payload.data(), payload.size(), 0, broadcast);
}

void fs1052_modem_rx_start() {
  if (db_get_data_link_mode() == kDataLinkAsync) return;
  post([](Fs1052Link& l) { l.rx_begin(); });
}

void fs1052_modem_rx_byte(uint8_t byte) {
  // In ASYNC mode every decoded byte is data for the deframer: none of them is a frame.
  if (db_get_data_link_mode() == kDataLinkAsync) {
    Fs1052Binding& b = binding();
    std::lock_guard<std::mutex> lock(b.deframer_mutex);
    m110_deframe_byte(b.deframer, byte, put_text, flush_text);
    return;
  }
  post([byte](Fs1052Link& l) { l.rx_byte(byte); });
}

void fs1052_modem_rx_end() {
  if (db_get_data_link_mode() != kDataLinkAsync) return;
  Fs1052Binding& b = binding();
  std::lock_guard<std::mutex> lock(b.deframer_mutex);
  ale_rx_text_flush();
}

void fs1052_modem_tx_end() {
  Fs1052Binding& b = binding();
  bool from_link = false;
  {
    std::lock_guard<std::mutex> lock(b.tx_mutex);
    if (b.tx_origin.empty()) return;
    from_link = b.tx_origin.front();
    b.tx_origin.pop_front();
  }
  if (from_link) post([](Fs1052Link& l) { l.tx_complete(); });
}

int fs1052_indication_step() {
  Fs1052Indication ind;
  if (!binding().link.pop_indication(&ind)) return 0;
  switch (ind.type) {
    case FS_IND_CONNECT_CONFIRM: indication_line("Connect Confirm", ind); break;
    case FS_IND_CONNECT: indication_line("Connect Indication", ind); break;
    case FS_IND_DISCONNECT: indication_line("Disconnect Indication", ind); break;
    case FS_IND_DISCONNECT_CONFIRM: indication_line("Disconnect Confirm", ind); break;
    case FS_IND_RX_DATA:
      xfer_select_modem_path();
      xfer_dispatch_pid(ind.data.data(), ind.data.size(), ind.first.c_str());
      timer_start(EV_TWT_TIMER, ale_twt_period_ms());
      break;
    case FS_IND_MESSAGE_CONFIRM:
      xfer_queue_event(XFER_EV_CONFIRMED);
      log_printf("[%s][FS-1052 Message Confirm ID %d %s]\r\n", log_time_stamp().c_str(), ind.id, ind.first.c_str());
      if (link_state().hooks.data_link_message_done) link_state().hooks.data_link_message_done();
      break;
    case FS_IND_MESSAGE_FAILED:
      xfer_queue_event(XFER_EV_FAILED);
      log_printf("[%s][FS-1052 Message ID %d failed %s]\r\n", log_time_stamp().c_str(), ind.id, ind.first.c_str());
      if (link_state().hooks.data_link_message_done) link_state().hooks.data_link_message_done();
      break;
    case FS_IND_RX_FAILED:
      log_printf("[%s][FS-1052 Message ID %d failed %s]\r\n", log_time_stamp().c_str(), ind.id, ind.first.c_str());
      break;
    default: break;
  }
  return 1;
}

Fs1052Link& fs1052_station_link() { return binding().link; }
void fs1052_run_pending() { binding().runner.run_pending(); }

}  // namespace vesk
