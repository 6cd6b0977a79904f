// The reply parser and model-timer step of each radio type: the rows through which the radio
// reply dispatch and the radio queue's timer handler reach the drivers. One row per type
// number; a type without a row drops its replies and ignores timers 1025 to 1027.
#include "radio/reply_dispatch.h"

namespace vesk {

namespace {

constexpr RadioReplyRow kRadioReplyRows[] = {
    {59, micom_identity_lines},   // MICOM: identity lines, no acknowledgement
    {133, radio_reply_ack_any},   // NONE: acknowledges every frame
};

constexpr RadioTimerRow kRadioTimerRows[] = {
    {-1, nullptr},  // no model timer steps yet
};

}  // namespace

std::span<const RadioReplyRow> radio_reply_rows() { return kRadioReplyRows; }
std::span<const RadioTimerRow> radio_timer_rows() { return kRadioTimerRows; }

}  // namespace vesk
