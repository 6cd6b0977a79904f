// The FED-STD-1052 data link: one object moving whole messages between two stations over the
// serial-tone modem, driven by three state machines that see the same events: the link state
// machine (LSM: calling, call acknowledged, link up), the message state machine (MSM: which
// message activity is under way) and the data state machine (DSM: series of data frames,
// acknowledgements, retries, rates, reassembly).
//
// The object is single-threaded: every call (received bytes, ticks, transmission complete,
// operations) must come from one thread at a time. Fs1052Runner (fs1052_runner.h) gives it
// that thread and an event queue.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "datalink/fs1052_frames.h"
#include "datalink/fs1052_parser.h"

namespace vesk {

// Events, one numbering for the three machines.
enum Fs1052Event : int {
  FS_EV_DISCONNECT = 1,
  FS_EV_LINK_TIMER = 2,
  FS_EV_LINK_IDLE = 3,
  FS_EV_POLL = 4,
  FS_EV_TX_CONFIRMED = 6,
  FS_EV_RX_DELIVERED = 7,
  FS_EV_RECEIVING = 9,
  FS_EV_SENDING = 10,
  FS_EV_MSM_11 = 11,
  FS_EV_NO_TRAFFIC = 12,
  FS_EV_START_MESSAGE = 13,
  FS_EV_DROP = 14,
  FS_EV_ABORT = 15,
  FS_EV_CONTROL_FRAME = 16,
  FS_EV_DATA_FRAME = 17,
  FS_EV_SERIES_END = 18,
  FS_EV_UNEXPECTED = 20,
  FS_EV_BAD_CONTROL = 21,
  FS_EV_TX_COMPLETE = 22,
  FS_EV_CONTROL_TIMEOUT = 23,
  FS_EV_SERIES_TIMEOUT = 24,
  FS_EV_RX_REMAINING = 26,
  FS_EV_REQ_CONTROL = 27,
  FS_EV_REQ_SERIES = 28,
  FS_EV_REQ_BOTH = 29,
  FS_EV_SEND_CONTROL = 30,
  FS_EV_SEND_SERIES = 31,
  FS_EV_SEND_BOTH = 32,
};

enum Fs1052IndicationType : int {
  FS_IND_CONNECT_CONFIRM = 0,
  FS_IND_CONNECT = 1,
  FS_IND_DISCONNECT = 2,
  FS_IND_DISCONNECT_CONFIRM = 3,
  FS_IND_RX_DATA = 4,
  FS_IND_MESSAGE_CONFIRM = 5,
  FS_IND_MESSAGE_FAILED = 6,
  FS_IND_RX_FAILED = 7,  // a message from the peer, partly received, is lost (id: the peer's)
};

struct Fs1052Indication {
  int type = 0;
  int value = 0;  // priority (types 4-6)
  int id = 0;     // the caller's message id (types 5, 6); the peer's (type 7)
  std::vector<uint8_t> data;  // types 4 and 6
  std::string first;   // the remote address; type 1: the frame's destination
  std::string second;  // the own address; type 1: the frame's source
};

// The ten configuration values, in their stored order.
struct Fs1052Config {
  int immediate = 0;          // 1: links go straight to LINK UP and are not dropped when idle
  int negotiation_mode = 0;   // sent in control frames
  int control_mode_pref = 0;  // stored only
  int arq_rate = 6;           // rate code of ARQ exchanges
  int bytes_per_frame = 100;  // 1-1023
  int retry_limit = 20;
  int trace = 0;              // 1: trace on
  int broadcast_rate = 6;
  int broadcast_repeats = 0;
  int lowest_bps = 75;        // lowest data rate for rate reduction
};

// What the link asks of the modem side.
class Fs1052Port {
 public:
  virtual ~Fs1052Port() = default;
  // Starts a modem transmission of these bytes (the port owns them from now on). The port
  // calls Fs1052Link::tx_complete when the modem has sent them.
  virtual void transmit(std::vector<uint8_t> bytes) = 0;
  // The modem restarts its synchronisation search.
  virtual void receiver_reset() = 0;
  virtual void set_mode(const char* mode_name) = 0;
  virtual void trace(const std::string& text) = 0;
};

struct Fs1052Series {
  int relative = 0;
  int rate_code = 0;
  int interleaver_long = 0;
  int bytes_per_frame = 100;
  int frames = 0;
  bool operator==(const Fs1052Series&) const = default;
};

struct Fs1052MessageInfo {
  int size_bits = 0;
  int id = 0;
  int conn_id = 0;
  int priority = 0;
  int tx_next = 0;
  int rx_next = 0;
};

struct Fs1052MessageSlot {
  bool in_use = false;
  int broadcast = 0;
  int message_id = 0;
  int priority = 0;
  int user_id = 0;
  int size_bits = 0;
  int length = 0;
  int next_byte = 0;
  std::vector<uint8_t> data;
  int contiguous = 0;
  int repeats_left = 0;
};

// Reassembly of one direction: (offset, length) pairs, merged into a contiguous count.
struct Fs1052Reassembly {
  static constexpr int kPairs = 255;
  int offset[kPairs];
  int length[kPairs];
  Fs1052Reassembly() { clear(); }
  void clear();
  // Enters a run of bytes: a run that reaches `*contiguous` extends it (the frame that closes
  // a gap is always taken), one that touches a stored run merges with it. False, and nothing
  // changed, only when the run stands alone and all pairs hold runs of their own.
  bool add(int off, int len, int* contiguous);
};

struct Fs1052Timer {
  bool in_use = false;
  int event = 0;
  int period_ms = 0;
  int remaining_ms = 0;
  int64_t started_tick = -1;
};

inline constexpr int kFs1052Slots = 20;
inline constexpr int kFs1052Timers = 10;
// Longest transmission: three syncs, a type 4 control frame, and a full series of the
// longest frames, each behind its two syncs (263,738 bytes).
inline constexpr int kFs1052MaxTransmission = 3 + kFs1052MaxControlFrame + kFs1052MaxSeriesFrames * (2 + kFs1052MaxDataFrame);

// The states of the three machines. Their numbers are the ones the trace prints.
enum class Fs1052LinkState : int {
  Idle = 0,
  Calling = 1,           // this station called
  CallAcknowledged = 2,  // the peer called
  LinkUp = 3,
};
enum class Fs1052MessageState : int {
  Idle = 0,
  Unused = 1,  // never entered
  Receiving = 2,
  Sending = 3,
  Msm11 = 4,  // entered on FS_EV_MSM_11 only, which nothing posts
};
enum class Fs1052DataState : int {
  Idle = 0,
  Receiving = 1,    // a series of the peer's is under way
  Announcing = 2,   // a control frame of this station waits for its answer
  AwaitingAck = 3,  // a series of this station waits for its acknowledgement
};

// Names of the rate records.
enum Fs1052RateIndex : int { FS_RATE_CONTROL = 0, FS_RATE_TX = 1, FS_RATE_PEER = 2, FS_RATE_RX = 3, FS_RATE_SPARE = 4 };

class Fs1052Link : public Fs1052FrameSink {
 public:
  Fs1052Link();
  Fs1052Link(const Fs1052Link&) = delete;
  Fs1052Link& operator=(const Fs1052Link&) = delete;

  void set_port(Fs1052Port* port) { port_ = port; }
  void set_random_seed(uint64_t seed) { rng_ = seed ? seed : 1; }

  void init();
  void configure(const Fs1052Config& c);
  const Fs1052Config& config() const { return cfg_; }
  void set_own_address(const char* text, int length);
  void set_remote_address(const char* text, int length);
  std::string own_address() const { return std::string(own_, static_cast<std::size_t>(own_len_)); }
  std::string remote_address() const { return std::string(remote_, static_cast<std::size_t>(remote_len_)); }

  // Queues a message in a free TX slot; with all 20 busy it fails at once (type 6 indication).
  // Returns 0, or -1 when refused.
  int send_message(const uint8_t* data, int length, int priority, int user_id, int broadcast);
  void enable() { active_ = true; }
  void disable();
  void reset();
  bool active() const { return active_; }

  // One byte from the modem's receiver.
  void rx_byte(uint8_t byte) { parser_.rx_byte(byte, *this); }
  // The modem has found a new transmission: the parser starts hunting for its sync, so what
  // is left of a broken earlier one cannot swallow it.
  void rx_begin() { parser_.begin(); }
  // The modem has sent a transmission this link started; ignored when none is under way.
  void tx_complete();
  // One 10 ms step of the protocol timers and the poll.
  void timer_tick();

  // The oldest indication, or false when none waits. Safe from any thread.
  bool pop_indication(Fs1052Indication* out);
  std::size_t indications_waiting();

  // Timers (also for the machines' own use).
  void timer_start(float seconds, int event);
  void timer_stop(int event);
  void timer_stop_all();
  bool timer_running(int event) const;

  // State for tests, traces and the binding.
  Fs1052LinkState lsm_state() const { return lsm_; }
  Fs1052MessageState msm_state() const { return msm_; }
  Fs1052DataState dsm_state() const { return dsm_; }
  int retry_counter() const { return retry_; }
  const Fs1052Rate& rate(int which) const { return rates_[which]; }
  int tx_slots_in_use() const;
  int rx_slots_in_use() const;
  int transmissions_outstanding() const { return tx_outstanding_; }
  // Rate steps (public for their tests).
  int step_up(int code) const;
  int step_down(int code) const;
  int timeout_code() const;
  int data_table_in_use() const;

  // Fs1052FrameSink: what the receive parser hands over.
  int rx_series_frames() override { return rx_series_.frames; }
  int rx_bytes_per_frame() override { return rx_series_.bytes_per_frame; }
  void on_control_frame(const Fs1052ControlFrame& f) override;
  void on_data_frame(const Fs1052DataFrame& f) override;
  void on_parser_event(int event) override;
  void on_receiver_reset() override;
  void on_trace(const std::string& text) override { trace(text); }

 private:
  enum Kind { KIND_A, KIND_B, KIND_C, KIND_D, KIND_E, KIND_F, KIND_G, KIND_H, KIND_I, KIND_J, KIND_K };

  void trace(const std::string& text);
  void tracef(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  void post_indication(int type, const std::string& first, const std::string& second,
                       const std::vector<uint8_t>* data, int value, int id);
  void fail_all(int kind);
  void fail_rx_slots();
  void free_slot(Fs1052MessageSlot& s);
  Fs1052MessageSlot* alloc_rx_slot(int message_id, int size_bits, int priority);
  Fs1052MessageSlot* tx_slot_by_id(int id);
  Fs1052MessageSlot* rx_slot_by_id(int id);
  Fs1052MessageSlot* best_tx_message();
  bool tx_complete_msg() const;
  bool rx_complete_msg() const;

  // Machines: each takes an event and hands it to the handler of its state.
  void dispatch_timer_event(int event);
  void lsm(int event, const Fs1052ControlFrame* f);
  void lsm_disconnect();
  void lsm_idle(int event, const Fs1052ControlFrame* f);
  void lsm_calling(int event, const Fs1052ControlFrame* f);  // Calling and CallAcknowledged
  void lsm_link_up(int event, const Fs1052ControlFrame* f);
  void lsm_past_idle(int event, const Fs1052ControlFrame* f);
  void msm(int event);
  void msm_idle(int event);
  void msm_unused(int event);  // Unused and Msm11
  void msm_receiving(int event);
  void msm_sending(int event);
  void dsm(int event, const Fs1052ControlFrame* cf, const Fs1052DataFrame* df);
  void dsm_idle(int event, const Fs1052ControlFrame* cf, const Fs1052DataFrame* df);
  void dsm_receiving(int event, const Fs1052ControlFrame* cf, const Fs1052DataFrame* df);
  void dsm_announcing(int event, const Fs1052ControlFrame* cf);
  void dsm_awaiting_ack(int event, const Fs1052ControlFrame* cf);
  bool retry_exhausted();
  void announce_if_preempted();
  void reset_machines();

  // Data state machine work.
  void choose_message();
  bool preempt();
  void build_series();
  void take_data_ack(const Fs1052ControlFrame& f);
  bool stalled(int acked);
  bool take_peer_message(const Fs1052ControlFrame& f);
  void take_message_reply(const Fs1052ControlFrame& f);
  void store_data_frame(const Fs1052DataFrame& f);
  void deliver_rx_message();
  void confirm_tx_message();
  void compose(Kind kind);
  void lower_tx_rate();
  void apply_advice(int which, int relative, int code, int interleaver_long);
  void set_rates_for_exchange();
  void clear_data_table();

  // Air times.
  float air_time(int bits, const Fs1052Rate& r) const;
  static int frames_bits(int frames, int bytes_per_frame) { return frames == 0 ? 0 : frames * (bytes_per_frame * 8 + 88); }
  float control_timeout() const;
  float series_timeout() const;
  float rx_series_time() const;
  float retry_wait();

  // Transmissions.
  void send_control();
  void send_series();
  void send_control_and_series();
  void append_control(std::vector<uint8_t>& out);
  void append_series(std::vector<uint8_t>& out);
  void transmit(std::vector<uint8_t> bytes);

  Fs1052Port* port_ = nullptr;
  Fs1052Config cfg_;
  Fs1052LinkState lsm_ = Fs1052LinkState::Idle;
  Fs1052DataState dsm_ = Fs1052DataState::Idle;
  Fs1052MessageState msm_ = Fs1052MessageState::Idle;
  int conn_id_ = 0;
  int negotiation_received_ = 0;
  float link_timeout_received_ = 60.0f;
  int control_mode_ = 0;
  float link_timeout_ = 60.0f;
  Fs1052MessageSlot* cur_tx_ = nullptr;
  Fs1052MessageSlot* cur_rx_ = nullptr;
  int flow_control_send_ = 0;
  int flow_control_received_ = 0;
  int message_index_ = 0;
  Fs1052Series rx_series_, announced_, tx_series_, prev_tx_series_;
  Fs1052Series announced_tx_series_;  // the series parameters last sent to the peer
  Fs1052MessageInfo info_report_, info_received_;
  uint8_t pending_bitmap_[32] = {};
  int ack_bit_send_ = 0;
  int ack_bit_expected_ = 0;
  int retry_ = 0;
  int stalled_acks_ = 0;  // acknowledgements in a row that released no frame
  char remote_[kFs1052MaxAddress + 2] = {};
  int remote_len_ = 0;
  char own_[kFs1052MaxAddress + 2] = {};
  int own_len_ = 0;
  Fs1052Reassembly tx_reassembly_, rx_reassembly_;
  std::vector<Fs1052DataFrame> data_table_;  // 255 records
  int series_frames_ = 0;  // frames numbered in the series last built
  Fs1052MessageSlot rx_slots_[kFs1052Slots];
  Fs1052MessageSlot tx_slots_[kFs1052Slots];
  Fs1052ControlFrame out_control_, saved_control_;
  Fs1052Rate rates_[5];
  Fs1052Timer timers_[kFs1052Timers];
  int64_t tick_count_ = 0;
  Fs1052Parser parser_;
  bool active_ = false;
  int frames_acked_ = 0;
  int poll_ms_ = 0;
  bool req_control_ = false, req_series_ = false, req_both_ = false;
  bool expect_series_ = false;
  int tx_outstanding_ = 0;
  uint64_t rng_ = 0x9E3779B97F4A7C15ull;
  // The last messages delivered (peer's id, size in bits): an announcement of one of them
  // again (its acknowledgement was lost) is answered as complete, not received twice.
  struct Delivered {
    int id = -1;
    int size_bits = -1;
  };
  Delivered delivered_[16];
  int delivered_next_ = 0;
  void forget_delivered();
  std::mutex ind_mutex_;
  std::deque<Fs1052Indication> indications_;
};

}  // namespace vesk
