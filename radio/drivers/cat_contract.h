// The contract between the radio command drivers and radio control.
//
// A builder formats exactly one command and hands it to the radio port's paced output queue
// (`cat_send`, which is `radio_send`); a reply entry reads one terminated frame and
// acknowledges the command in flight (`cat_ack`, `cat_nak`). The queue lets one command out
// per reply, or one per reply timeout when the radio does not answer. Sequences of commands
// pause the calling thread between them on the station's clock.
//
// A tap may watch every command that a builder hands over (catgen and the golden tests use
// it to see bytes and the pauses between them on simulated time).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "db/database.h"

namespace vesk {

// The longest command a slot of the radio port's ring holds.
inline constexpr int kCatCommandMax = 49;
// Pacing: the reply time after which the command in flight is dropped, and the pauses that
// sequences take between their commands.
inline constexpr int kRadioReplyTimeoutMs = 50;
inline constexpr int kStepPauseMs = 100;
inline constexpr int kSequencePauseMs = 200;

// One command as a builder forms it.
struct CatCommand {
  uint8_t bytes[kCatCommandMax] = {};
  int length = 0;
  bool overflow = false;  // a byte did not fit: the command is refused, never sent cut

  CatCommand& put(uint8_t b) {
    if (length < kCatCommandMax) bytes[length++] = b;
    else overflow = true;
    return *this;
  }
  CatCommand& put(const char* text) {
    while (*text != '\0') put(static_cast<uint8_t>(*text++));
    return *this;
  }
  std::string text() const { return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length)); }
  bool operator==(const CatCommand& o) const {
    return length == o.length && std::memcmp(bytes, o.bytes, static_cast<std::size_t>(length)) == 0;
  }
};

// What a reply entry does with one frame.
enum class CatReply { Ignore, Ack, Nak };

struct CatTapState {
  // Called with every command that a builder queues, before the queue takes it.
  std::function<void(const uint8_t*, int)> on_send;
  // Called for every acknowledgement (true) or refusal (false) a reply entry gives.
  std::function<void(bool)> on_reply;
};
CatTapState& cat_tap();

// Queues one command on the radio port (`radio_send`), whole whatever its length.
int cat_send(const uint8_t* bytes, int length);
// A built command; one that overflowed its builder is refused with a log line (result -1).
int cat_send(const CatCommand& c);
// Writes one command at once, outside the queue and without the reply timer (`radio_send_now`).
int cat_send_now(const CatCommand& c);
// The next slot of the radio port's command ring (`radio_slot_next`), as a scratch buffer
// for text builders.
uint8_t* cat_slot_next();
// The command in flight was answered (or refused): `radio_send_ack` / `radio_send_nak`.
void cat_ack();
void cat_nak();
// A pause of a command sequence, on the station's clock.
void driver_pause_ms(int ms);
// Starts the radio model's own timer (EV_RADIO_CONFIG_TIMER) for `ms`; its expiry reaches the
// family's timer step on the engine worker. False when no timer is wired (a tool, a bare
// test): the caller then pauses instead.
bool driver_start_timer(int ms);

// The configured radio type (`db_get_radio_type`), bounded to 0 .. 154: "ALE.DAT" may hold
// anything, and anything else reads as 0 (no radio type known).
int driver_radio_type();
// Nonzero when the radio's preset commands are switched off (the options' radio
// preconfiguration switch).
int driver_preconfig_disabled();

// The remembered-channel rule of the tune builders: the receive frequency always goes out;
// the receive mode only when no channel is remembered or the remembered one's receive mode
// differs. The reference points into the channel table, so the comparison reads the
// remembered channel's current mode. Several threads tune; the reference is atomic.
struct RememberedChannel {
  std::atomic<const ChannelRecord*> channel{nullptr};

  // The driver's forget-channel step (set-up and most fixed commands).
  void forget() { channel.store(nullptr); }
  // True when the tune to `next` must send the mode; remembers `next` either way.
  bool tune_needs_mode(const ChannelRecord* next) {
    const ChannelRecord* before = channel.exchange(next);
    return before == nullptr || next == nullptr || before->rx_mode != next->rx_mode;
  }
};

// The common tune builder: the channel's receive frequency, then (by the rule above) its
// receive mode, through the family's two builders.
template <class SendFreq, class SendMode>
int driver_tune_channel(RememberedChannel& memory, const ChannelRecord* ch, SendFreq send_freq, SendMode send_mode) {
  if (ch == nullptr) return 0;
  int r = send_freq(static_cast<uint32_t>(ch->rx_freq_hz));
  if (memory.tune_needs_mode(ch)) r = send_mode(ch->rx_mode);
  return r;
}

}  // namespace vesk
