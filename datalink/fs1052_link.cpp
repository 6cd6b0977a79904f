#include "datalink/fs1052_link.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vesk {

namespace {

void copy_address(char* dst, int* dst_len, const char* src, int len) {
  std::memset(dst, 0, kFs1052MaxAddress + 2);
  len = std::clamp(len, 0, kFs1052MaxAddress);
  if (src) std::memcpy(dst, src, static_cast<std::size_t>(len));
  *dst_len = static_cast<int>(strnlen(dst, static_cast<std::size_t>(len)));
}

}  // namespace

// ---- reassembly ----

void Fs1052Reassembly::clear() {
  std::fill(offset, offset + kPairs, -1);
  std::fill(length, length + kPairs, -1);
}

bool Fs1052Reassembly::add(int off, int len, int* contiguous) {
  if (len <= 0) return true;
  // What the contiguous count already covers adds nothing.
  if (off + len <= *contiguous) return true;
  int end = off + len;
  // The run joins the count (the frame that closes a gap needs no pair) or a run already
  // stored when it touches or overlaps it: the runs merge into one.
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = 0; i < kPairs; ++i) {
      if (offset[i] < 0 || offset[i] > end || offset[i] + length[i] < off) continue;
      off = std::min(off, offset[i]);
      end = std::max(end, offset[i] + length[i]);
      offset[i] = length[i] = -1;
      changed = true;
    }
  }
  if (off <= *contiguous) {
    *contiguous = std::max(*contiguous, end);
    return true;
  }
  for (int i = 0; i < kPairs; ++i) {
    if (offset[i] >= 0) continue;
    offset[i] = off;
    length[i] = end - off;
    return true;
  }
  // Full (a merge would have freed a pair): 255 runs, each past a gap of its own.
  return false;
}

// ---- object ----

Fs1052Link::Fs1052Link() : data_table_(kFs1052MaxSeriesFrames) { init(); }

void Fs1052Link::init() {
  cfg_ = Fs1052Config{};
  for (Fs1052Rate& r : rates_) fs1052_set_rate(6, &r);
  link_timeout_received_ = 60.0f;
  link_timeout_ = 60.0f;
  rx_series_ = Fs1052Series{};
  rx_series_.bytes_per_frame = 100;
  tx_series_ = Fs1052Series{};
  tx_series_.rate_code = rates_[FS_RATE_TX].absolute_code;
  tx_series_.interleaver_long = rates_[FS_RATE_TX].interleaver_long;
  ack_bit_send_ = ack_bit_expected_ = 0;
  reset_machines();
  message_index_ = 0;
  cur_tx_ = cur_rx_ = nullptr;
  for (auto& s : tx_slots_) free_slot(s);
  for (auto& s : rx_slots_) free_slot(s);
}

void Fs1052Link::configure(const Fs1052Config& c) {
  cfg_ = c;
  cfg_.bytes_per_frame = std::clamp(cfg_.bytes_per_frame, 1, kFs1052MaxBytesPerFrame);
  cfg_.retry_limit = std::max(cfg_.retry_limit, 0);
  fs1052_set_rate(cfg_.arq_rate, &rates_[FS_RATE_TX]);
}

void Fs1052Link::set_own_address(const char* text, int length) { copy_address(own_, &own_len_, text, length); }
void Fs1052Link::set_remote_address(const char* text, int length) { copy_address(remote_, &remote_len_, text, length); }

void Fs1052Link::trace(const std::string& text) {
  if (port_ && cfg_.trace == 1) port_->trace(text);
}

void Fs1052Link::tracef(const char* fmt, ...) {
  if (!port_ || cfg_.trace != 1) return;
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  port_->trace(buf);
}

// ---- slots and indications ----

void Fs1052Link::free_slot(Fs1052MessageSlot& s) {
  s = Fs1052MessageSlot{};
  if (cur_tx_ == &s) cur_tx_ = nullptr;
  if (cur_rx_ == &s) cur_rx_ = nullptr;
}

int Fs1052Link::send_message(const uint8_t* data, int length, int priority, int user_id, int broadcast) {
  if (length < 0) length = 0;
  Fs1052MessageSlot* slot = nullptr;
  for (auto& s : tx_slots_) {
    if (!s.in_use) {
      slot = &s;
      break;
    }
  }
  std::vector<uint8_t> copy(data, data + length);
  // The size travels as a 24-bit count of bits; an empty message has no series to send.
  if (!slot || length == 0 || length > 0xFFFFFF / 8) {
    post_indication(FS_IND_MESSAGE_FAILED, remote_address(), own_address(), &copy, priority, user_id);
    return -1;
  }
  slot->in_use = true;
  slot->broadcast = broadcast;
  slot->message_id = message_index_;
  message_index_ = (message_index_ + 1) % 256;
  slot->size_bits = length * 8;
  slot->length = length;
  slot->priority = priority;
  slot->user_id = user_id;
  slot->next_byte = 0;
  slot->contiguous = 0;
  slot->repeats_left = broadcast ? cfg_.broadcast_repeats : 0;
  slot->data = std::move(copy);
  return 0;
}

void Fs1052Link::post_indication(int type, const std::string& first, const std::string& second,
                                 const std::vector<uint8_t>* data, int value, int id) {
  Fs1052Indication ind;
  ind.type = type;
  ind.first = first;
  ind.second = second;
  if (data && (type == FS_IND_RX_DATA || type == FS_IND_MESSAGE_FAILED)) ind.data = *data;
  ind.value = value;
  ind.id = id;
  std::lock_guard<std::mutex> lock(ind_mutex_);
  indications_.push_back(std::move(ind));
}

bool Fs1052Link::pop_indication(Fs1052Indication* out) {
  std::lock_guard<std::mutex> lock(ind_mutex_);
  if (indications_.empty()) return false;
  *out = std::move(indications_.front());
  indications_.pop_front();
  return true;
}

std::size_t Fs1052Link::indications_waiting() {
  std::lock_guard<std::mutex> lock(ind_mutex_);
  return indications_.size();
}

void Fs1052Link::reset_machines() {
  lsm_ = Fs1052LinkState::Idle;
  dsm_ = Fs1052DataState::Idle;
  msm_ = Fs1052MessageState::Idle;
}

void Fs1052Link::forget_delivered() {
  for (auto& d : delivered_) d = Delivered{};
  delivered_next_ = 0;
}

void Fs1052Link::fail_all(int kind) {
  for (auto& s : tx_slots_) {
    if (!s.in_use) continue;
    std::vector<uint8_t> data = s.data;
    data.resize(static_cast<std::size_t>(s.length));
    post_indication(FS_IND_MESSAGE_FAILED, remote_address(), own_address(), &data, s.priority, s.user_id);
    free_slot(s);
  }
  fail_rx_slots();
  post_indication(kind, remote_address(), own_address(), nullptr, 0, 0);
  forget_delivered();
  reset_machines();
  clear_data_table();
  for (int ev : {FS_EV_LINK_TIMER, FS_EV_START_MESSAGE, FS_EV_CONTROL_TIMEOUT, FS_EV_SERIES_TIMEOUT,
                 FS_EV_RX_REMAINING, FS_EV_SEND_CONTROL, FS_EV_SEND_SERIES, FS_EV_SEND_BOTH})
    timer_stop(ev);
}

// A message partly received when the link ends is reported too: the receiving station would
// otherwise never learn that what it was receiving is lost.
void Fs1052Link::fail_rx_slots() {
  for (auto& s : rx_slots_) {
    if (s.in_use) post_indication(FS_IND_RX_FAILED, remote_address(), own_address(), nullptr, s.priority, s.message_id);
    free_slot(s);
  }
}

// Messages still queued are reported failed: their senders wait for an answer.
void Fs1052Link::disable() {
  active_ = false;
  for (auto& s : tx_slots_) {
    if (!s.in_use) continue;
    std::vector<uint8_t> data = s.data;
    post_indication(FS_IND_MESSAGE_FAILED, remote_address(), own_address(), &data, s.priority, s.user_id);
    free_slot(s);
  }
  fail_rx_slots();
  clear_data_table();
  forget_delivered();
  reset_machines();
}

void Fs1052Link::reset() {
  disable();
  timer_stop_all();
  message_index_ = 0;
  tx_reassembly_.clear();
  rx_reassembly_.clear();
}

Fs1052MessageSlot* Fs1052Link::alloc_rx_slot(int message_id, int size_bits, int priority) {
  for (auto& s : rx_slots_) {
    if (s.in_use) continue;
    s = Fs1052MessageSlot{};
    s.in_use = true;
    s.message_id = message_id;
    s.size_bits = size_bits;
    s.length = (size_bits + 7) / 8;
    s.priority = priority;
    s.data.assign(static_cast<std::size_t>((s.length + kFs1052MaxBytesPerFrame - 1) / kFs1052MaxBytesPerFrame *
                                           kFs1052MaxBytesPerFrame),
                  0);
    rx_reassembly_.clear();
    return &s;
  }
  return nullptr;
}

Fs1052MessageSlot* Fs1052Link::tx_slot_by_id(int id) {
  for (auto& s : tx_slots_)
    if (s.in_use && s.message_id == id) return &s;
  return nullptr;
}

Fs1052MessageSlot* Fs1052Link::rx_slot_by_id(int id) {
  for (auto& s : rx_slots_)
    if (s.in_use && s.message_id == id) return &s;
  return nullptr;
}

Fs1052MessageSlot* Fs1052Link::best_tx_message() {
  Fs1052MessageSlot* best = nullptr;
  int prio = -1;
  for (auto& s : tx_slots_) {
    if (s.in_use && s.contiguous < s.length && s.priority > prio) {
      best = &s;
      prio = s.priority;
    }
  }
  return best;
}

bool Fs1052Link::tx_complete_msg() const { return cur_tx_ && cur_tx_->contiguous >= cur_tx_->length; }
bool Fs1052Link::rx_complete_msg() const { return !cur_rx_ || cur_rx_->contiguous >= cur_rx_->length; }

int Fs1052Link::tx_slots_in_use() const {
  return static_cast<int>(std::count_if(std::begin(tx_slots_), std::end(tx_slots_), [](const auto& s) { return s.in_use; }));
}
int Fs1052Link::rx_slots_in_use() const {
  return static_cast<int>(std::count_if(std::begin(rx_slots_), std::end(rx_slots_), [](const auto& s) { return s.in_use; }));
}
int Fs1052Link::data_table_in_use() const {
  return static_cast<int>(std::count_if(data_table_.begin(), data_table_.end(), [](const auto& f) { return f.in_use; }));
}

// ---- timers ----

void Fs1052Link::timer_start(float seconds, int event) {
  timer_stop(event);
  for (auto& t : timers_) {
    if (t.in_use) continue;
    t.in_use = true;
    t.event = event;
    t.period_ms = 0;
    t.remaining_ms = static_cast<int>(seconds * 1000.0f);
    t.started_tick = tick_count_;
    return;
  }
  tracef("NO FREE TIMER FOR EVENT %d\n", event);
}

void Fs1052Link::timer_stop(int event) {
  for (auto& t : timers_)
    if (t.in_use && t.event == event) t = Fs1052Timer{};
}

void Fs1052Link::timer_stop_all() {
  for (auto& t : timers_) t = Fs1052Timer{};
}

bool Fs1052Link::timer_running(int event) const {
  return std::any_of(std::begin(timers_), std::end(timers_), [&](const auto& t) { return t.in_use && t.event == event; });
}

void Fs1052Link::timer_tick() {
  ++tick_count_;
  for (auto& t : timers_) {
    // A timer started by an event of this same tick counts from the next one.
    if (!t.in_use || t.started_tick == tick_count_) continue;
    t.remaining_ms -= 10;
    if (t.remaining_ms >= 0) continue;
    const int event = t.event;
    if (t.period_ms > 0)
      t.remaining_ms = t.period_ms;
    else
      t = Fs1052Timer{};
    dispatch_timer_event(event);
  }
  poll_ms_ += 10;
  if (poll_ms_ > 5000) {
    poll_ms_ = 0;
    msm(FS_EV_POLL);
  }
}

void Fs1052Link::dispatch_timer_event(int event) {
  lsm(event, nullptr);
  dsm(event, nullptr, nullptr);
  msm(event);
}

void Fs1052Link::tx_complete() {
  // Only transmissions this link started advance its machines.
  if (tx_outstanding_ <= 0) return;
  --tx_outstanding_;
  lsm(FS_EV_TX_COMPLETE, nullptr);
  dsm(FS_EV_TX_COMPLETE, nullptr, nullptr);
  msm(FS_EV_TX_COMPLETE);
}

// ---- received frames ----

void Fs1052Link::on_receiver_reset() {
  if (port_) port_->receiver_reset();
}

void Fs1052Link::on_control_frame(const Fs1052ControlFrame& f) {
  if (cfg_.trace == 1) trace(fs1052_control_frame_text(f, false));
  if (!fs1052_frame_for_me(f, own_, own_len_)) return;
  if (f.address_mode == 1 && f.link_state == FS1052_CALLING && f.control_mode != FS1052_BROADCAST)
    set_remote_address(f.source, f.source_len);
  link_timeout_received_ = static_cast<float>((f.timeout_code + 1) * 30);
  msm(FS_EV_CONTROL_FRAME);
  dsm(FS_EV_CONTROL_FRAME, &f, nullptr);
  lsm(FS_EV_CONTROL_FRAME, &f);
}

void Fs1052Link::on_data_frame(const Fs1052DataFrame& f) {
  if (cfg_.trace == 1) trace(fs1052_data_frame_text(f, false));
  msm(FS_EV_DATA_FRAME);
  dsm(FS_EV_DATA_FRAME, nullptr, &f);
  lsm(FS_EV_DATA_FRAME, nullptr);
}

void Fs1052Link::on_parser_event(int event) {
  if (event == FS_EV_UNEXPECTED) {
    msm(event);
    dsm(event, nullptr, nullptr);
    lsm(event, nullptr);
  } else {
    dsm(event, nullptr, nullptr);
  }
}

// ---- link state machine ----

int Fs1052Link::timeout_code() const {
  const int t = static_cast<int>(std::ceil(cfg_.retry_limit * 48.8 / 30.0)) - 1;
  return std::clamp(t, 0, 15);
}

void Fs1052Link::lsm(int event, const Fs1052ControlFrame* f) {
  if (event != FS_EV_POLL) tracef("LSM STATE %d EVENT %d\n", static_cast<int>(lsm_), event);
  if (event == FS_EV_CONTROL_FRAME && f) {
    negotiation_received_ = f->negotiation_mode;
    link_timeout_ = static_cast<float>((f->timeout_code + 1) * 30);
  }
  if (event == FS_EV_DISCONNECT) {
    lsm_disconnect();
    return;
  }
  switch (lsm_) {
    case Fs1052LinkState::Idle:
      lsm_idle(event, f);
      break;
    case Fs1052LinkState::Calling:
    case Fs1052LinkState::CallAcknowledged:
      lsm_calling(event, f);
      break;
    case Fs1052LinkState::LinkUp:
      lsm_link_up(event, f);
      break;
  }
}

// A disconnect request, in every state: the control frame goes out, every message is failed
// and the link is idle. A link that is up sends its frame before its machines are reset, so
// that the frame still carries the link's fields; before that the frame is the reset one.
void Fs1052Link::lsm_disconnect() {
  const bool up = lsm_ == Fs1052LinkState::LinkUp;
  if (up) send_control();
  fail_all(FS_IND_DISCONNECT_CONFIRM);
  if (!up) send_control();
  lsm_ = Fs1052LinkState::Idle;
}

void Fs1052Link::lsm_idle(int event, const Fs1052ControlFrame* f) {
  switch (event) {
    case FS_EV_CONTROL_FRAME:
      control_mode_ = f->control_mode;
      if (f->link_state == FS1052_CALLING) {
        lsm_ = Fs1052LinkState::CallAcknowledged;
      } else if (f->link_state == FS1052_LINK_UP) {
        post_indication(FS_IND_CONNECT, std::string(f->destination, static_cast<std::size_t>(f->destination_len)),
                        std::string(f->source, static_cast<std::size_t>(f->source_len)), nullptr, 0, 0);
        lsm_ = Fs1052LinkState::LinkUp;
      }
      break;
    case FS_EV_REQ_BOTH:
      if (control_mode_ == FS1052_BROADCAST) {
        lsm_ = Fs1052LinkState::LinkUp;
        timer_start(1.0f, FS_EV_SEND_BOTH);
        break;
      }
      [[fallthrough]];
    case FS_EV_REQ_CONTROL:
      if (control_mode_ != FS1052_BROADCAST) {
        lsm_ = cfg_.immediate == 1 ? Fs1052LinkState::LinkUp : Fs1052LinkState::Calling;
        timer_start(1.0f, event == FS_EV_REQ_BOTH ? FS_EV_SEND_BOTH : FS_EV_SEND_CONTROL);
      }
      break;
    default:
      break;
  }
}

void Fs1052Link::lsm_calling(int event, const Fs1052ControlFrame* f) {
  switch (event) {
    case FS_EV_LINK_TIMER:
      fail_all(FS_IND_DISCONNECT);
      lsm_ = Fs1052LinkState::Idle;
      break;
    case FS_EV_DATA_FRAME:
      if (lsm_ == Fs1052LinkState::CallAcknowledged) lsm_ = Fs1052LinkState::LinkUp;
      break;
    default:
      lsm_past_idle(event, f);
      break;
  }
}

void Fs1052Link::lsm_link_up(int event, const Fs1052ControlFrame* f) {
  switch (event) {
    case FS_EV_LINK_TIMER:
      fail_all(FS_IND_DISCONNECT);
      // The DROPPING frame goes out as it is: sending it through the calling state would
      // rewrite its link state to CALLING.
      compose(KIND_K);
      send_control();
      lsm_ = Fs1052LinkState::Idle;
      break;
    case FS_EV_LINK_IDLE:
      post_indication(FS_IND_DISCONNECT, remote_address(), own_address(), nullptr, 0, 0);
      break;
    default:
      lsm_past_idle(event, f);
      break;
  }
}

// What every state past idle does alike: follow the peer's link state, and send what the data
// state machine asks for with the link state of this one.
void Fs1052Link::lsm_past_idle(int event, const Fs1052ControlFrame* f) {
  auto send_as_state = [&](void (Fs1052Link::*send)()) {
    out_control_.link_state = lsm_ == Fs1052LinkState::Calling            ? FS1052_CALLING
                              : lsm_ == Fs1052LinkState::CallAcknowledged ? FS1052_CALL_ACK
                                                                          : FS1052_LINK_UP;
    out_control_.timeout_code = timeout_code();
    (this->*send)();
  };
  const int ls = f ? f->link_state : -1;
  switch (event) {
    case FS_EV_CONTROL_FRAME:
      if (ls == FS1052_CALLING) {
        lsm_ = Fs1052LinkState::CallAcknowledged;
      } else if (ls == FS1052_CALL_ACK || ls == FS1052_LINK_UP) {
        lsm_ = Fs1052LinkState::LinkUp;
      } else if (ls == FS1052_DROPPING) {
        lsm_ = Fs1052LinkState::Idle;
        dsm(FS_EV_ABORT, nullptr, nullptr);
        fail_all(FS_IND_DISCONNECT);
      }
      if (lsm_ == Fs1052LinkState::LinkUp) timer_start(1000.0f, FS_EV_LINK_IDLE);
      break;
    case FS_EV_REQ_CONTROL:
      timer_start(1.0f, FS_EV_SEND_CONTROL);
      break;
    case FS_EV_REQ_SERIES:
      retry_ = 0;
      timer_start(1.0f, FS_EV_SEND_SERIES);
      break;
    case FS_EV_REQ_BOTH:
      timer_start(1.0f, FS_EV_SEND_BOTH);
      break;
    case FS_EV_SEND_CONTROL:
      send_as_state(&Fs1052Link::send_control);
      break;
    case FS_EV_SEND_SERIES:
      send_as_state(&Fs1052Link::send_series);
      break;
    case FS_EV_SEND_BOTH:
      send_as_state(&Fs1052Link::send_control_and_series);
      break;
    default:
      break;
  }
}

// ---- message state machine ----

void Fs1052Link::msm(int event) {
  if (event != FS_EV_POLL) tracef("MSM STATE %d EVENT %d\n", static_cast<int>(msm_), event);
  switch (msm_) {
    case Fs1052MessageState::Idle:
      msm_idle(event);
      break;
    case Fs1052MessageState::Unused:
    case Fs1052MessageState::Msm11:
      msm_unused(event);
      break;
    case Fs1052MessageState::Receiving:
      msm_receiving(event);
      break;
    case Fs1052MessageState::Sending:
      msm_sending(event);
      break;
  }
}

void Fs1052Link::msm_idle(int event) {
  if (event == FS_EV_POLL) {
    if (active_ && best_tx_message()) {
      timer_stop(FS_EV_NO_TRAFFIC);
      timer_start(0.0f, FS_EV_START_MESSAGE);
      msm_ = Fs1052MessageState::Sending;
    }
  } else if (event == FS_EV_RECEIVING || event == FS_EV_SENDING) {
    msm_ = event == FS_EV_RECEIVING ? Fs1052MessageState::Receiving : Fs1052MessageState::Sending;
    timer_stop(FS_EV_NO_TRAFFIC);
  } else if (event == FS_EV_NO_TRAFFIC) {
    if (cfg_.immediate == 0) timer_start(0.0f, FS_EV_DROP);
  }
}

void Fs1052Link::msm_unused(int event) {
  if (event == FS_EV_RECEIVING) msm_ = Fs1052MessageState::Receiving;
  if (event == FS_EV_SENDING) msm_ = Fs1052MessageState::Sending;
}

void Fs1052Link::msm_receiving(int event) {
  if (event == FS_EV_RX_DELIVERED) msm_ = Fs1052MessageState::Idle;
  if (event == FS_EV_SENDING) msm_ = Fs1052MessageState::Sending;
  if (event == FS_EV_MSM_11) msm_ = Fs1052MessageState::Msm11;
}

void Fs1052Link::msm_sending(int event) {
  if (event == FS_EV_TX_CONFIRMED) {
    if (!best_tx_message()) timer_start(30.0f, FS_EV_NO_TRAFFIC);
    msm_ = Fs1052MessageState::Idle;
  } else if (event == FS_EV_RECEIVING) {
    msm_ = Fs1052MessageState::Receiving;
  }
}

}  // namespace vesk
