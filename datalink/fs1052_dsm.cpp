// The data state machine of the FED-STD-1052 link: series building, acknowledgements,
// retries, reassembly, rate adaptation, the control frames it composes and the transmissions.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "datalink/fs1052_link.h"

namespace vesk {

namespace {

constexpr int kControlFrameBits[5] = {0, 80, 360, 456, 520};
constexpr float kAckWait = 48.8f;

int bps_of(int code) {
  Fs1052Rate r;
  fs1052_set_rate(code, &r);
  return 75 << r.absolute_code;
}

}  // namespace

// ---- rates ----

int Fs1052Link::step_up(int code) const {
  if (code >= 0 && code <= 9) return code + 2;
  return code;
}

int Fs1052Link::step_down(int code) const {
  int lower = code;
  if (code >= 2 && code <= 11)
    lower = code - 2;
  else if (code == 12)
    lower = 8;
  else if (code == 13)
    lower = 10;
  if (lower == code) return code;
  // Only while the lowest configured rate is below the rate reached.
  return cfg_.lowest_bps < bps_of(code) ? lower : code;
}

void Fs1052Link::lower_tx_rate() { fs1052_set_rate(step_down(rates_[FS_RATE_TX].code), &rates_[FS_RATE_TX]); }

void Fs1052Link::apply_advice(int which, int relative, int code, int interleaver_long) {
  code &= 7;
  if (code == 7) return;
  int c = rates_[which].code;
  if (!relative) {
    c = code == 6 ? 13 : 2 * code + (interleaver_long & 1);
  } else {
    // The short or long twin of the current rate first (2400V counts as short).
    if (c >= 0 && c <= 11)
      c = (c & ~1) | (interleaver_long & 1);
    else if (c == 12 && interleaver_long)
      c = 11;
    static constexpr int kSteps[7] = {-3, -2, -1, 0, 1, 2, 3};
    for (int k = kSteps[code]; k > 0; --k) c = step_up(c);
    for (int k = kSteps[code]; k < 0; ++k) c = step_down(c);
  }
  fs1052_set_rate(c, &rates_[which]);
}

void Fs1052Link::set_rates_for_exchange() {
  const int code = control_mode_ == FS1052_BROADCAST ? cfg_.broadcast_rate : cfg_.arq_rate;
  fs1052_set_rate(code, &rates_[FS_RATE_TX]);
  fs1052_set_rate(code, &rates_[FS_RATE_CONTROL]);
}

// ---- air times ----

float Fs1052Link::air_time(int bits, const Fs1052Rate& r) const {
  const int bpb = std::max(r.bits_per_block, 1);
  return static_cast<float>(std::ceil(static_cast<double>(bits + 176) / bpb) * r.interleaver_seconds);
}

float Fs1052Link::control_timeout() const {
  const Fs1052Rate& r = rates_[FS_RATE_CONTROL];
  const int type = std::clamp(out_control_.type, 1, 4);
  return air_time(kControlFrameBits[type], r) + r.interleaver_seconds + 25.4f;
}

float Fs1052Link::series_timeout() const {
  const Fs1052Rate& r = rates_[FS_RATE_TX];
  return air_time(frames_bits(tx_series_.frames, tx_series_.bytes_per_frame), r) + r.interleaver_seconds + 25.4f;
}

float Fs1052Link::rx_series_time() const {
  const Fs1052Rate& r = rates_[FS_RATE_RX];
  return air_time(frames_bits(rx_series_.frames, rx_series_.bytes_per_frame), r) + r.interleaver_seconds;
}

float Fs1052Link::retry_wait() {
  rng_ ^= rng_ >> 12;
  rng_ ^= rng_ << 25;
  rng_ ^= rng_ >> 27;
  const int k = static_cast<int>(((rng_ * 2685821657736338717ull) >> 33) % 3);
  return kAckWait + 15.0f * static_cast<float>(k);
}

// ---- series ----

void Fs1052Link::clear_data_table() {
  for (auto& f : data_table_) f.in_use = false;
  series_frames_ = 0;
}

void Fs1052Link::build_series() {
  if (!cur_tx_) return;
  prev_tx_series_ = tx_series_;
  // Frames not yet acknowledged move to the front, in their order.
  std::stable_partition(data_table_.begin(), data_table_.end(), [](const Fs1052DataFrame& f) { return f.in_use; });
  int used = data_table_in_use();
  const Fs1052Rate& r = rates_[FS_RATE_TX];
  tx_series_.relative = 0;
  tx_series_.rate_code = r.absolute_code;
  tx_series_.interleaver_long = r.interleaver_long;
  const int b = cfg_.bytes_per_frame;
  tx_series_.bytes_per_frame = b;
  const int limit = std::min(r.frames_per_series, kFs1052MaxSeriesFrames);
  int pos = cur_tx_->next_byte;
  // After a step down the frames waiting may be more than the new rate's series holds: the
  // ones past it go back to the message and are cut again later.
  while (used > limit) {
    Fs1052DataFrame& f = data_table_[static_cast<std::size_t>(--used)];
    f.in_use = false;
    pos = std::min(pos, f.offset);
  }
  while (used < limit && pos < cur_tx_->length) {
    Fs1052DataFrame& f = data_table_[static_cast<std::size_t>(used++)];
    f = Fs1052DataFrame{};
    f.in_use = true;
    f.offset = pos;
    f.length = b;
    const int n = std::min(b, cur_tx_->length - pos);
    std::memcpy(f.data, cur_tx_->data.data() + pos, static_cast<std::size_t>(n));
    f.rate_relative = 0;
    f.rate_code = 7;
    f.interleaver_long = 0;
    pos += b;
  }
  cur_tx_->next_byte = pos;
  tx_series_.frames = used;
  series_frames_ = used;
  for (int i = 0; i < used; ++i) data_table_[static_cast<std::size_t>(i)].sequence = used - i;
}

void Fs1052Link::choose_message() {
  Fs1052MessageSlot* best = best_tx_message();
  if (!best) return;
  cur_tx_ = best;
  stalled_acks_ = 0;
  info_report_ = Fs1052MessageInfo{best->size_bits, best->message_id, conn_id_, best->priority, best->contiguous, 0};
  best->next_byte = best->contiguous;
  tx_reassembly_.clear();
  clear_data_table();
  build_series();
}

bool Fs1052Link::preempt() {
  Fs1052MessageSlot* best = best_tx_message();
  if (!best || best == cur_tx_) return false;
  const bool higher = (cur_tx_ && best->priority > cur_tx_->priority) || (cur_rx_ && best->priority > cur_rx_->priority);
  if (!higher) return false;
  if (cur_tx_) cur_tx_->next_byte = cur_tx_->contiguous;
  choose_message();
  retry_ = 0;
  return true;
}

void Fs1052Link::confirm_tx_message() {
  if (!cur_tx_) return;
  post_indication(FS_IND_MESSAGE_CONFIRM, remote_address(), own_address(), nullptr, cur_tx_->priority, cur_tx_->user_id);
  free_slot(*cur_tx_);
  timer_start(1.0f, FS_EV_TX_CONFIRMED);
}

void Fs1052Link::deliver_rx_message() {
  if (!cur_rx_) return;
  std::vector<uint8_t> data(cur_rx_->data.begin(), cur_rx_->data.begin() + cur_rx_->length);
  post_indication(FS_IND_RX_DATA, remote_address(), own_address(), &data, cur_rx_->priority, 0);
  delivered_[delivered_next_] = Delivered{cur_rx_->message_id, cur_rx_->size_bits};
  delivered_next_ = (delivered_next_ + 1) % 16;
  free_slot(*cur_rx_);
  timer_start(kAckWait, FS_EV_RX_DELIVERED);
}

// Every acknowledgement resets the retry counter, so a peer that answers each request but
// never gets a frame through would keep the exchange going for ever: acknowledgements that
// release nothing count on their own, and past the retry limit the link fails.
bool Fs1052Link::stalled(int acked) {
  if (acked > 0) {
    stalled_acks_ = 0;
    return false;
  }
  if (++stalled_acks_ <= cfg_.retry_limit) return false;
  tracef("FS-1052 NO FRAME ACKNOWLEDGED IN %d ACKNOWLEDGEMENTS\n", stalled_acks_);
  timer_start(1.0f, FS_EV_LINK_TIMER);
  return true;
}

void Fs1052Link::take_data_ack(const Fs1052ControlFrame& f) {
  timer_stop(FS_EV_SERIES_TIMEOUT);
  if (!cur_tx_) return;
  if (f.ack_seq == ack_bit_expected_) {
    ack_bit_expected_ ^= 1;
    const int n = series_frames_;
    int acked = 0;
    // Only the numbers of this series count: a peer cannot make the link index outside it.
    for (int s = 1; s <= n; ++s) {
      if (!fs1052_bitmap_test(f.bitmap, s)) continue;
      Fs1052DataFrame& rec = data_table_[static_cast<std::size_t>(n - s)];
      if (!rec.in_use) continue;
      // A frame whose run the table cannot hold stays in the series and goes again: released
      // unrecorded, its bytes would never count as acknowledged.
      if (!tx_reassembly_.add(rec.offset, rec.length, &cur_tx_->contiguous)) {
        tracef("FS-1052 REASSEMBLY TABLE FULL\n");
        continue;
      }
      ++acked;
      rec.in_use = false;
    }
    flow_control_received_ = f.flow_control;
    if (stalled(acked)) return;
    frames_acked_ += acked;
    if (frames_acked_ < n && frames_acked_ < n / 2)
      lower_tx_rate();
    else if (frames_acked_ >= n && frames_acked_ > 4)
      fs1052_set_rate(step_up(rates_[FS_RATE_TX].code), &rates_[FS_RATE_TX]);
    tracef("BLOCKS SENT %d ACKED %d\n", n, frames_acked_);
    frames_acked_ = 0;
    if (tx_complete_msg()) {
      confirm_tx_message();
      clear_data_table();
      if (best_tx_message()) {
        choose_message();
        compose(KIND_B);
        timer_start(control_timeout(), FS_EV_CONTROL_TIMEOUT);
        dsm_ = Fs1052DataState::Announcing;
        req_control_ = true;
      } else {
        dsm_ = Fs1052DataState::Idle;
      }
      return;
    }
    if (negotiation_received_ == 1) {
      build_series();
      compose(KIND_A);
      timer_start(control_timeout(), FS_EV_CONTROL_TIMEOUT);
      dsm_ = Fs1052DataState::Announcing;
      req_control_ = true;
      return;
    }
  } else {
    lower_tx_rate();
    if (stalled(0)) return;
  }
  build_series();
  // A series the peer has not been told of (rate, size or count) is announced first.
  if (!(tx_series_ == announced_tx_series_)) {
    compose(KIND_A);
    timer_start(control_timeout(), FS_EV_CONTROL_TIMEOUT);
    dsm_ = Fs1052DataState::Announcing;
    req_control_ = true;
  } else {
    timer_start(series_timeout(), FS_EV_SERIES_TIMEOUT);
    req_series_ = true;
  }
}

bool Fs1052Link::take_peer_message(const Fs1052ControlFrame& f) {
  const int size_bytes = (f.tx_msg_size_bits + 7) / 8;
  Fs1052MessageSlot* slot = rx_slot_by_id(f.tx_msg_id);
  if (slot) {
    cur_rx_ = slot;
    if (slot->contiguous < slot->length) {
      info_report_ = Fs1052MessageInfo{slot->size_bits, slot->message_id, f.tx_conn_id, slot->priority, f.tx_next_byte,
                                       slot->contiguous == f.tx_next_byte ? f.rx_next_byte : slot->contiguous};
    } else {
      info_report_ = Fs1052MessageInfo{slot->size_bits, slot->message_id, f.tx_conn_id, slot->priority, slot->length,
                                       slot->length};
    }
    compose(KIND_D);
  } else if (std::any_of(std::begin(delivered_), std::end(delivered_), [&](const Delivered& d) {
               return d.id == f.tx_msg_id && d.size_bits == f.tx_msg_size_bits;
             })) {
    // Delivered already; its acknowledgement was lost.
    info_report_ = Fs1052MessageInfo{f.tx_msg_size_bits, f.tx_msg_id, f.tx_conn_id, f.tx_priority, f.tx_next_byte,
                                     size_bytes};
    compose(KIND_D);
    return true;
  } else if (f.tx_next_byte != 0) {
    info_report_ = Fs1052MessageInfo{f.tx_msg_size_bits, f.tx_msg_id, f.tx_conn_id, f.tx_priority, f.tx_next_byte,
                                     size_bytes + 1};
    compose(KIND_D);
    return true;
  } else {
    Fs1052MessageSlot* fresh = alloc_rx_slot(f.tx_msg_id, f.tx_msg_size_bits, f.tx_priority);
    if (!fresh) {
      // Refused: the peer retries and in the end gives the message up.
      tracef("FS-1052 NO FREE RECEIVE SLOT FOR MESSAGE %d\n", f.tx_msg_id);
      return false;
    }
    cur_rx_ = fresh;
    if (control_mode_ != FS1052_BROADCAST && f.control_mode != FS1052_BROADCAST) compose(KIND_C);
  }
  rx_series_ = announced_;
  ack_bit_send_ = 0;
  if (f.control_mode != FS1052_BROADCAST) {
    dsm_ = Fs1052DataState::Receiving;
    msm(FS_EV_RECEIVING);
  }
  return true;
}

void Fs1052Link::take_message_reply(const Fs1052ControlFrame& f) {
  Fs1052MessageSlot* slot = tx_slot_by_id(f.tx_msg_id);
  if (!slot) return;
  cur_tx_ = slot;
  if (f.rx_next_byte >= slot->length) {
    confirm_tx_message();
    clear_data_table();
    dsm_ = Fs1052DataState::Idle;
  } else if (f.rx_next_byte > 0) {
    slot->next_byte = slot->contiguous = f.rx_next_byte;
    info_report_ = Fs1052MessageInfo{slot->size_bits, slot->message_id, conn_id_, slot->priority, slot->contiguous, 0};
    tx_reassembly_.clear();
    clear_data_table();
    build_series();
    compose(KIND_A);
    timer_start(control_timeout(), FS_EV_CONTROL_TIMEOUT);
    dsm_ = Fs1052DataState::Announcing;
    req_control_ = true;
  } else {
    timer_start(series_timeout(), FS_EV_SERIES_TIMEOUT);
    msm(FS_EV_SENDING);
    dsm_ = Fs1052DataState::AwaitingAck;
    req_series_ = true;
  }
}

void Fs1052Link::store_data_frame(const Fs1052DataFrame& f) {
  if (!cur_rx_) return;
  const int len = cur_rx_->length;
  const int n = std::clamp(std::min(f.length, len - f.offset), 0, kFs1052MaxBytesPerFrame);
  if (f.offset < len && n > 0) {
    if (!rx_reassembly_.add(f.offset, n, &cur_rx_->contiguous)) {
      // Not acknowledged either: the peer sends it again.
      tracef("FS-1052 REASSEMBLY TABLE FULL: FRAME %d DROPPED\n", f.sequence);
      return;
    }
    std::memcpy(cur_rx_->data.data() + f.offset, f.data, static_cast<std::size_t>(n));
  }
  if (f.sequence >= 1) fs1052_bitmap_set(pending_bitmap_, f.sequence);
  // The modem hands the bytes of a whole interleaver block over at once, when the block has
  // been heard: a frame may come up to one block later than its air time says. Without that
  // margin the rest of the series is given up (and acknowledged) while its last frame is still
  // being decoded, and the acknowledgement sent after it carries the wrong sequence bit.
  const Fs1052Rate& r = rates_[FS_RATE_RX];
  const float remaining =
      f.sequence < 2 ? 0.0f
                     : air_time(frames_bits(f.sequence - 1, rx_series_.bytes_per_frame), r) + r.interleaver_seconds;
  timer_start(remaining, FS_EV_RX_REMAINING);
}

// ---- control frames composed ----

void Fs1052Link::compose(Kind kind) {
  const bool restored = kind == KIND_H || kind == KIND_I || kind == KIND_J;
  Fs1052ControlFrame& o = out_control_;
  if (restored)
    o = saved_control_;
  else
    o = Fs1052ControlFrame{};
  o.in_use = true;
  o.protocol_version = 0;
  o.control_mode = control_mode_;
  o.negotiation_mode = cfg_.negotiation_mode;
  std::memcpy(o.source, own_, sizeof o.source);
  o.source_len = own_len_;
  std::memcpy(o.destination, remote_, sizeof o.destination);
  o.destination_len = remote_len_;
  const bool modes13 = control_mode_ == FS1052_BROADCAST || control_mode_ == FS1052_FIXED_ARQ;
  bool series = false, message = false;
  int type = 2;
  int rate_from = FS_RATE_TX;
  expect_series_ = false;
  switch (kind) {
    case KIND_A:
      o.address_mode = 1, o.ack_type = FS1052_NULL_ACK, series = true, type = 2;
      break;
    case KIND_B:
      o.address_mode = 1, o.ack_type = FS1052_NULL_ACK, series = message = true, type = 3;
      ack_bit_expected_ = 0;
      break;
    case KIND_C:
    case KIND_D:
      o.address_mode = kind == KIND_D || modes13 ? 1 : 0;
      o.ack_type = FS1052_HERALD_ACK;
      message = kind == KIND_D;
      type = kind == KIND_D ? 3 : 1;
      expect_series_ = true;
      saved_control_ = Fs1052ControlFrame{};
      saved_control_.in_use = true;
      saved_control_.type = 2;
      saved_control_.ack_type = FS1052_DATA_ACK;
      saved_control_.control_mode = control_mode_;
      saved_control_.negotiation_mode = cfg_.negotiation_mode;
      std::memcpy(saved_control_.source, own_, sizeof o.source);
      saved_control_.source_len = own_len_;
      std::memcpy(saved_control_.destination, remote_, sizeof o.destination);
      saved_control_.destination_len = remote_len_;
      break;
    case KIND_E:
      o.address_mode = 0, o.ack_type = FS1052_DATA_ACK, series = message = true, type = 3;
      ack_bit_expected_ = 1;
      break;
    case KIND_F:
      o.address_mode = 0, o.ack_type = FS1052_DATA_ACK, type = 2, rate_from = FS_RATE_PEER;
      expect_series_ = true;
      break;
    case KIND_G:
      o.address_mode = modes13 ? 1 : 0, o.ack_type = FS1052_DATA_ACK_REQUEST, type = 1;
      break;
    case KIND_H:
      o.address_mode = 0, type = 2, rate_from = FS_RATE_PEER;
      expect_series_ = true;
      break;
    case KIND_I:
      o.address_mode = 0, series = true, type = 3;
      break;
    case KIND_J:
      o.address_mode = 0, series = message = true, type = 3;
      ack_bit_expected_ = 0;
      break;
    case KIND_K:
      o.address_mode = 1, o.ack_type = FS1052_NULL_ACK, type = 2, rate_from = -1;
      o.link_state = FS1052_DROPPING;
      o.timeout_code = timeout_code();
      break;
  }
  o.type = modes13 ? 4 : type;
  if (!restored) {
    if (o.ack_type == FS1052_DATA_ACK) {
      o.ack_seq = ack_bit_send_;
      ack_bit_send_ ^= 1;
      std::memcpy(o.bitmap, pending_bitmap_, sizeof o.bitmap);
      o.bitmap[31] &= 0x7F;
      o.flow_control = flow_control_send_;
    } else {
      o.ack_seq = 0;
    }
  }
  o.rate_relative = o.rate_code = o.interleaver_long = o.bytes_per_frame = o.frames_next = 0;
  if (series) {
    o.rate_relative = tx_series_.relative;
    o.rate_code = tx_series_.rate_code;
    o.interleaver_long = tx_series_.interleaver_long;
    o.bytes_per_frame = tx_series_.bytes_per_frame;
    o.frames_next = tx_series_.frames;
    announced_tx_series_ = tx_series_;
  }
  o.tx_msg_size_bits = o.tx_msg_id = o.tx_conn_id = o.tx_priority = o.tx_next_byte = o.rx_next_byte = 0;
  if (message) {
    o.tx_msg_size_bits = info_report_.size_bits;
    o.tx_msg_id = info_report_.id;
    o.tx_conn_id = info_report_.conn_id;
    o.tx_priority = info_report_.priority;
    o.tx_next_byte = info_report_.tx_next;
    o.rx_next_byte = info_report_.rx_next;
  }
  if (rate_from >= 0) rates_[FS_RATE_CONTROL] = rates_[rate_from];
  if (kind == KIND_E || kind == KIND_F) saved_control_ = o;
}

// ---- the data state machine ----

void Fs1052Link::dsm(int event, const Fs1052ControlFrame* cf, const Fs1052DataFrame* df) {
  req_control_ = req_series_ = req_both_ = false;
  if (event != FS_EV_POLL) tracef("DSM STATE %d EVENT %d\n", static_cast<int>(dsm_), event);
  if (event == FS_EV_CONTROL_FRAME && cf) {
    retry_ = 0;
    if (cf->has_series) {
      apply_advice(FS_RATE_TX, cf->rate_relative, cf->rate_code, cf->interleaver_long);
      apply_advice(FS_RATE_RX, cf->rate_relative, cf->rate_code, cf->interleaver_long);
      announced_ = Fs1052Series{cf->rate_relative, cf->rate_code, cf->interleaver_long, cf->bytes_per_frame, cf->frames_next};
    }
    if (cf->has_message)
      info_received_ = Fs1052MessageInfo{cf->tx_msg_size_bits, cf->tx_msg_id, cf->tx_conn_id, cf->tx_priority,
                                         cf->tx_next_byte, cf->rx_next_byte};
    timer_stop(FS_EV_CONTROL_TIMEOUT);
    timer_stop(FS_EV_LINK_TIMER);
  }
  if (event == FS_EV_DATA_FRAME && df) {
    apply_advice(FS_RATE_PEER, df->rate_relative, df->rate_code, df->interleaver_long);
    timer_stop(FS_EV_LINK_TIMER);
  }
  switch (dsm_) {
    case Fs1052DataState::Idle:
      dsm_idle(event, cf, df);
      break;
    case Fs1052DataState::Receiving:
      dsm_receiving(event, cf, df);
      break;
    case Fs1052DataState::Announcing:
      dsm_announcing(event, cf);
      break;
    case Fs1052DataState::AwaitingAck:
      dsm_awaiting_ack(event, cf);
      break;
  }
  if (dsm_ == Fs1052DataState::Receiving && req_control_)
    timer_start(expect_series_ ? rx_series_time() + link_timeout_ : link_timeout_ + 25.4f, FS_EV_LINK_TIMER);
  const bool c = req_control_, s = req_series_, b = req_both_;
  req_control_ = req_series_ = req_both_ = false;
  if (c) lsm(FS_EV_REQ_CONTROL, nullptr);
  if (s) lsm(FS_EV_REQ_SERIES, nullptr);
  if (b) lsm(FS_EV_REQ_BOTH, nullptr);
}

// One more retry; past the limit the link timer ends the link.
bool Fs1052Link::retry_exhausted() {
  ++retry_;
  if (retry_ > cfg_.retry_limit) {
    timer_start(1.0f, FS_EV_LINK_TIMER);
    return true;
  }
  return false;
}

// A waiting message of higher priority takes over: it is announced at once.
void Fs1052Link::announce_if_preempted() {
  if (!preempt()) return;
  compose(KIND_B);
  dsm_ = Fs1052DataState::Announcing;
  req_control_ = true;
}

void Fs1052Link::dsm_idle(int event, const Fs1052ControlFrame* cf, const Fs1052DataFrame* df) {
  switch (event) {
    case FS_EV_START_MESSAGE: {
      Fs1052MessageSlot* best = best_tx_message();
      if (!best) break;
      retry_ = 0;
      control_mode_ = best->broadcast ? FS1052_BROADCAST : FS1052_VARIABLE_ARQ;
      // The series is cut at the rate it goes out at.
      if (lsm_ == Fs1052LinkState::Idle) set_rates_for_exchange();
      choose_message();
      compose(KIND_B);
      if (control_mode_ == FS1052_BROADCAST) {
        msm(FS_EV_SENDING);
        req_both_ = true;
      } else {
        timer_start(control_timeout(), FS_EV_CONTROL_TIMEOUT);
        dsm_ = Fs1052DataState::Announcing;
        req_control_ = true;
      }
      break;
    }
    case FS_EV_DROP:
      compose(KIND_K);
      lsm(FS_EV_DISCONNECT, nullptr);
      break;
    case FS_EV_CONTROL_FRAME:
      if (cf->has_series && cf->has_message) {
        if (take_peer_message(*cf) && cf->control_mode != FS1052_BROADCAST) req_control_ = true;
      } else if (cf->ack_type == FS1052_DATA_ACK_REQUEST) {
        compose(KIND_H);
        req_control_ = true;
      }
      break;
    case FS_EV_DATA_FRAME:
      store_data_frame(*df);
      break;
    case FS_EV_SERIES_END:
    case FS_EV_RX_REMAINING:
      timer_stop(FS_EV_RX_REMAINING);
      if (cur_rx_ && rx_complete_msg()) deliver_rx_message();
      break;
    case FS_EV_TX_COMPLETE:
      if (cur_tx_ && cur_tx_->broadcast) {
        cur_tx_->contiguous = std::min(cur_tx_->next_byte, cur_tx_->length);
        clear_data_table();
        if (tx_complete_msg()) {
          if (cur_tx_->repeats_left > 0) {
            --cur_tx_->repeats_left;
            cur_tx_->next_byte = cur_tx_->contiguous = 0;
            timer_start(1.0f, FS_EV_START_MESSAGE);
          } else {
            confirm_tx_message();
          }
        } else {
          build_series();
          compose(KIND_B);
          req_both_ = true;
        }
      }
      break;
    default:
      break;
  }
}

void Fs1052Link::dsm_receiving(int event, const Fs1052ControlFrame* cf, const Fs1052DataFrame* df) {
  switch (event) {
    case FS_EV_ABORT:
      dsm_ = Fs1052DataState::Idle;
      break;
    case FS_EV_CONTROL_FRAME:
      if (cf->ack_type == FS1052_DATA_ACK_REQUEST) {
        lower_tx_rate();
        compose(KIND_H);
        req_control_ = true;
      } else if (cf->has_series && cf->has_message) {
        if (take_peer_message(*cf)) req_control_ = true;
      } else if (cf->has_series) {
        rx_series_ = announced_;
        compose(KIND_C);
        req_control_ = true;
      }
      announce_if_preempted();
      break;
    case FS_EV_DATA_FRAME:
      store_data_frame(*df);
      break;
    case FS_EV_RX_REMAINING:
      if (cur_rx_ && rx_complete_msg()) {
        deliver_rx_message();
        dsm_ = Fs1052DataState::Idle;
      }
      if (preempt()) {
        compose(KIND_E);
        dsm_ = Fs1052DataState::Announcing;
      } else {
        compose(KIND_F);
      }
      req_control_ = true;
      break;
    default:
      break;
  }
}

void Fs1052Link::dsm_announcing(int event, const Fs1052ControlFrame* cf) {
  switch (event) {
    case FS_EV_ABORT:
      dsm_ = Fs1052DataState::Idle;
      break;
    case FS_EV_CONTROL_FRAME:
      if (cf->ack_type == FS1052_HERALD_ACK) {
        if (cf->has_series && cf->has_message) {
          if (take_peer_message(*cf)) req_control_ = true;
        } else if (cf->has_message) {
          take_message_reply(*cf);
        } else {
          timer_start(series_timeout(), FS_EV_SERIES_TIMEOUT);
          req_series_ = true;
          dsm_ = Fs1052DataState::AwaitingAck;
          msm(FS_EV_SENDING);
        }
      } else if (cf->ack_type == FS1052_NULL_ACK) {
        if (cf->has_series && cf->has_message)
          take_peer_message(*cf);
        else if (cf->has_message)
          take_message_reply(*cf);
        req_control_ = true;
      } else if (cf->ack_type == FS1052_DATA_ACK_REQUEST) {
        compose(out_control_.tx_msg_size_bits != 0 ? KIND_J : KIND_I);
        timer_start(kAckWait, FS_EV_CONTROL_TIMEOUT);
        req_control_ = true;
      }
      break;
    case FS_EV_CONTROL_TIMEOUT:
      if (retry_exhausted()) break;
      if (retry_ % 2 == 0) {
        lower_tx_rate();
        build_series();
      }
      // A repeated announcement names its message: a peer that has finished it (and
      // whose answer was lost) cannot place a bare series announcement.
      if (cur_tx_) {
        info_report_ = Fs1052MessageInfo{cur_tx_->size_bits, cur_tx_->message_id, conn_id_, cur_tx_->priority,
                                         cur_tx_->contiguous, 0};
        compose(KIND_B);
      } else {
        compose(out_control_.tx_msg_size_bits != 0 ? KIND_B : KIND_A);
      }
      timer_start(lsm_ == Fs1052LinkState::LinkUp ? kAckWait : retry_wait(), FS_EV_CONTROL_TIMEOUT);
      req_control_ = true;
      break;
    default:
      break;
  }
}

void Fs1052Link::dsm_awaiting_ack(int event, const Fs1052ControlFrame* cf) {
  switch (event) {
    case FS_EV_ABORT:
      dsm_ = Fs1052DataState::Idle;
      break;
    case FS_EV_CONTROL_FRAME:
      if (cf->ack_type == FS1052_DATA_ACK) take_data_ack(*cf);
      if (cf->has_series && cf->has_message) take_peer_message(*cf);
      announce_if_preempted();
      break;
    case FS_EV_SERIES_TIMEOUT:
      if (retry_exhausted()) break;
      if (retry_ % 3 == 0) {
        lower_tx_rate();
        build_series();
      }
      compose(KIND_G);
      timer_start(kAckWait, FS_EV_SERIES_TIMEOUT);
      req_control_ = true;
      announce_if_preempted();
      break;
    default:
      break;
  }
}

// ---- transmissions ----

void Fs1052Link::append_control(std::vector<uint8_t>& out) {
  if (!out_control_.in_use) return;
  uint8_t buf[kFs1052MaxControlFrame];
  const int n = fs1052_encode_control_frame(buf, out_control_);
  if (n <= 0) return;
  out.insert(out.end(), {kFs1052Sync, kFs1052Sync, kFs1052Sync});
  out.insert(out.end(), buf, buf + n);
  if (cfg_.trace == 1) trace(fs1052_control_frame_text(out_control_, true));
  if (out_control_.address_mode == 0 && out_control_.type >= 2) std::memset(pending_bitmap_, 0, sizeof pending_bitmap_);
  out_control_.in_use = false;
}

void Fs1052Link::append_series(std::vector<uint8_t>& out) {
  std::vector<uint8_t> buf(kFs1052MaxDataFrame);
  const int b = tx_series_.bytes_per_frame;
  int n = 0;
  for (const auto& f : data_table_) n += f.in_use ? 1 : 0;
  int i = 0;
  for (auto& f : data_table_) {
    if (!f.in_use) continue;
    f.sequence = n - i++;
    out.push_back(kFs1052Sync);
    out.push_back(kFs1052Sync);
    const int len = fs1052_encode_data_frame(buf.data(), f, b);
    out.insert(out.end(), buf.begin(), buf.begin() + len);
    if (cfg_.trace == 1) {
      Fs1052DataFrame shown = f;
      shown.length = b;
      trace(fs1052_data_frame_text(shown, true));
    }
  }
  series_frames_ = n;
}

void Fs1052Link::transmit(std::vector<uint8_t> bytes) {
  if (!bytes.empty() && port_) {
    ++tx_outstanding_;
    port_->transmit(std::move(bytes));
  }
  parser_.reset(*this);
}

void Fs1052Link::send_control() {
  std::vector<uint8_t> out;
  append_control(out);
  if (!out.empty() && port_) port_->set_mode(rates_[FS_RATE_CONTROL].mode);
  transmit(std::move(out));
}

void Fs1052Link::send_series() {
  // Each frame advises one step below this station's transmit rate.
  Fs1052Rate advice;
  fs1052_set_rate(step_down(rates_[FS_RATE_TX].code), &advice);
  for (auto& f : data_table_) {
    f.rate_relative = 0;
    f.rate_code = advice.absolute_code;
    f.interleaver_long = advice.interleaver_long;
  }
  std::vector<uint8_t> out;
  out.reserve(static_cast<std::size_t>(1 + series_frames_ * (2 + 9 + tx_series_.bytes_per_frame)));
  out.push_back(kFs1052Sync);
  append_series(out);
  // The series goes out at the rate its frames and its announcement name.
  if (port_) port_->set_mode(rates_[FS_RATE_TX].mode);
  transmit(std::move(out));
}

void Fs1052Link::send_control_and_series() {
  std::vector<uint8_t> out;
  const bool broadcast = out_control_.in_use && out_control_.control_mode == FS1052_BROADCAST;
  append_control(out);
  if (out.empty()) out.push_back(kFs1052Sync);
  append_series(out);
  if (broadcast) {
    fs1052_set_rate(cfg_.broadcast_rate, &rates_[FS_RATE_CONTROL]);
    fs1052_set_rate(cfg_.broadcast_rate, &rates_[FS_RATE_TX]);
  }
  if (port_) port_->set_mode(rates_[FS_RATE_TX].mode);
  transmit(std::move(out));
}

}  // namespace vesk
