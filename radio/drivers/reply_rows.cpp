// The reply parser and model-timer step of each radio type: the rows through which the radio
// reply dispatch and the radio queue's timer handler reach the drivers. One row per type
// number; a type without a row drops its replies and ignores timers 1025 to 1027.
#include "radio/reply_dispatch.h"

#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/kenwood_tk.h"

namespace vesk {

namespace {

constexpr RadioReplyRow kRadioReplyRows[] = {
    {59, micom_identity_lines},   // MICOM: identity lines, no acknowledgement
    {133, radio_reply_ack_any},   // NONE: acknowledges every frame
    // Icom CI-V types and the TT-586: OK acknowledges, NG refuses, anything else is ignored.
    {1, civ_on_reply}, {4, civ_on_reply}, {5, civ_on_reply}, {6, civ_on_reply}, {7, civ_on_reply}, {8, civ_on_reply},
    {9, civ_on_reply}, {10, civ_on_reply}, {11, civ_on_reply}, {12, civ_on_reply}, {13, civ_on_reply}, {14, civ_on_reply},
    {15, civ_on_reply}, {16, civ_on_reply}, {17, civ_on_reply}, {18, civ_on_reply}, {19, civ_on_reply}, {20, civ_on_reply},
    {21, civ_on_reply}, {22, civ_on_reply}, {23, civ_on_reply}, {24, civ_on_reply}, {25, civ_on_reply}, {26, civ_on_reply},
    {27, civ_on_reply}, {28, civ_on_reply}, {29, civ_on_reply}, {30, civ_on_reply}, {31, civ_on_reply}, {32, civ_on_reply},
    {33, civ_on_reply}, {34, civ_on_reply}, {35, civ_on_reply}, {36, civ_on_reply}, {37, civ_on_reply}, {38, civ_on_reply},
    {39, civ_on_reply}, {40, civ_on_reply}, {108, civ_on_reply}, {147, civ_on_reply}, {148, civ_on_reply}, {149, civ_on_reply},
    // Kenwood: an identity reply selects the model and runs its preconfiguration; any other
    // frame acknowledges.
    {51, kenwood_handle_reply}, {52, kenwood_handle_reply}, {53, kenwood_handle_reply},
    {54, kenwood_handle_reply}, {55, kenwood_handle_reply}, {56, kenwood_handle_reply},
    {57, kenwood_handle_reply}, {58, kenwood_handle_reply},
    // TK-80, TK-90, TK-90 high speed: every frame acknowledges.
    {142, tk90_on_reply}, {143, tk90_on_reply}, {144, tk90_on_reply},
};

constexpr RadioTimerRow kRadioTimerRows[] = {
    {-1, nullptr},  // no model timer steps yet
};

}  // namespace

std::span<const RadioReplyRow> radio_reply_rows() { return kRadioReplyRows; }
std::span<const RadioTimerRow> radio_timer_rows() { return kRadioTimerRows; }

}  // namespace vesk
