// Radio reply dispatch: every frame the radio sends back goes to the reply parser of the
// configured radio type.
//
// The parsers are the drivers'. They reach the dispatch through the radio's family
// operations (`on_reply`, radio/family_ops.h), or the radio's own parser where its row names
// one (`own_reply`). A type without a parser drops its frames (the radio queue then moves on
// by its 50 ms timer). A parser that acknowledges calls `radio_send_ack` (or `radio_send_nak`
// for a negative answer), radio/serial_output.h.
//
// The model timers 1025 to 1027, which the radio queue's timer handler passes on, reach the
// drivers the same way: the family's `on_timer`.
//
// A frame is the bytes up to and including the terminator, with its count (1 to 300); a NUL
// stands behind it. It is valid only during the call and must not be changed.
#pragma once

#include <cstdint>

namespace vesk {

using RadioReplyParser = void (*)(const uint8_t* frame, int count);
using RadioTimerStep = void (*)(int timer_id);

// Gives one radio frame to the parser of the configured radio type. Result: 0.
int radio_reply_dispatch(const uint8_t* frame, int count);

// The parser of a type that acknowledges every frame, whatever it holds.
void radio_reply_ack_any(const uint8_t* frame, int count);

// The MICOM branch: writes the identity lines that the frame carries (each line only when the
// frame holds every byte it prints), then hands the frame to nothing further.
void micom_identity_lines(const uint8_t* frame, int count);
// Radio set-up calls this just before it queues the identity-block read, so that the next
// block is logged once.
void micom_identity_reset();

}  // namespace vesk
