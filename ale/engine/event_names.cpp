#include "ale/engine/event_names.h"

#include <cstdio>
#include <iterator>

#include "ale/frames/cmd_words.h"
#include "ale/link/link_state.h"
#include "db/events.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"

namespace vesk {

namespace {

struct EventName {
  int number;
  const char* name;
};

// Numbers in ascending order. Timers without a name (1045, 1047, ...) are not listed.
constexpr EventName kEventNames[] = {
    {EV_NULL_EVENT, "EV_NULL_EVENT"},
    {EV_MIN_EVENT, "EV_MIN_EVENT"},
    {EV_INITIALISE, "EV_INITIALISE"},
    {EV_ALE_WORD, "EV_ALE_WORD"},
    {EV_ALE_TX_UNDERUN, "EV_ALE_TX_UNDERUN"},
    {EV_ALE_TIMER_COMPLETE, "EV_ALE_TIMER_COMPLETE"},
    {EV_RX_FRAME_BEGIN, "EV_RX_FRAME_BEGIN"},
    {EV_RX_TO, "EV_RX_TO"},
    {EV_RX_GP, "EV_RX_GP"},
    {EV_RX_WILD, "EV_RX_WILD"},
    {EV_RX_WILD_NO_MATCH, "EV_RX_WILD_NO_MATCH"},
    {EV_RX_THRU, "EV_RX_THRU"},
    {EV_RX_NULL, "EV_RX_NULL"},
    {EV_RX_MESSAGE_SECTION, "EV_RX_MESSAGE_SECTION"},
    {EV_RX_FROM, "EV_RX_FROM"},
    {EV_RX_AMD, "EV_RX_AMD"},
    {EV_RX_QAMD, "EV_RX_QAMD"},
    {EV_RX_LQA, "EV_RX_LQA"},
    {EV_RX_DTM, "EV_RX_DTM"},
    {EV_RX_DBM, "EV_RX_DBM"},
    {EV_RX_THIS_IS, "EV_RX_THIS_IS"},
    {EV_RX_THIS_WAS, "EV_RX_THIS_WAS"},
    {EV_RX_THIS_IS_SOUND, "EV_RX_THIS_IS_SOUND"},
    {EV_RX_THIS_WAS_SOUND, "EV_RX_THIS_WAS_SOUND"},
    {EV_RX_FRAME_END, "EV_RX_FRAME_END"},
    {EV_RX_ANYCALL, "EV_RX_ANYCALL"},
    {EV_RX_SELECTIVE_ANYCALL, "EV_RX_SELECTIVE_ANYCALL"},
    {EV_RX_ALLCALL, "EV_RX_ALLCALL"},
    {EV_RX_SELECTIVE_ALLCALL, "EV_RX_SELECTIVE_ALLCALL"},
    {EV_RX_INLINK_ADDRESS, "EV_RX_INLINK_ADDRESS"},
    {EV_VOICE_DETECTED, "EV_VOICE_DETECTED"},
    {EV_DIGITAL_DCD, "EV_DIGITAL_DCD"},
    {EV_FRAME_FOR_ME, "EV_FRAME_FOR_ME"},
    {EV_FRAME_FOR_ME_CLEAR, "EV_FRAME_FOR_ME_CLEAR"},
    {EV_FRAME_NOT_FOR_ME, "EV_FRAME_NOT_FOR_ME"},
    {EV_FRAME_NOT_FOR_ME_CLEAR, "EV_FRAME_NOT_FOR_ME_CLEAR"},
    {EV_FRAME_GLOBAL_CLEAR, "EV_FRAME_GLOBAL_CLEAR"},
    {EV_FRAME_ALLCALL, "EV_FRAME_ALLCALL"},
    {EV_FRAME_ANYCALL, "EV_FRAME_ANYCALL"},
    {EV_TRANSMISSION_COMPLETE, "EV_TRANSMISSION_COMPLETE"},
    {EV_INITIATE_FRAME, "EV_INITIATE_FRAME"},
    {EV_INITIATE_DATA_FRAME, "EV_INITIATE_DATA_FRAME"},
    {EV_INITIATE_CLEAR, "EV_INITIATE_CLEAR"},
    {EV_INITIATE_THIS_WAS_SOUND, "EV_INITIATE_THIS_WAS_SOUND"},
    {EV_INITIATE_THIS_IS_SOUND, "EV_INITIATE_THIS_IS_SOUND"},
    {EV_INITIATE_INDIVIDUAL_CALL, "EV_INITIATE_INDIVIDUAL_CALL"},
    {EV_INITIATE_NET_CALL, "EV_INITIATE_NET_CALL"},
    {EV_INITIATE_GROUP_CALL, "EV_INITIATE_GROUP_CALL"},
    {EV_INITIATE_KILL, "EV_INITIATE_KILL"},
    {EV_INITIATE_ALLCALL, "EV_INITIATE_ALLCALL"},
    {EV_INITIATE_ANYCALL, "EV_INITIATE_ANYCALL"},
    {EV_INITIATE_INLINKCALL, "EV_INITIATE_INLINKCALL"},
    {EV_INITIATE_POLL, "EV_INITIATE_POLL"},
    {EV_STOP_SCAN, "EV_STOP_SCAN"},
    {EV_START_SCAN, "EV_START_SCAN"},
    {EV_TOGGLE_SCANNING, "EV_TOGGLE_SCANNING"},
    {EV_PARSER_ERROR, "EV_PARSER_ERROR"},
    {EV_SCAN_TIMER, "EV_SCAN_TIMER"},
    {EV_DWELL_TIMER, "EV_DWELL_TIMER"},
    {EV_SM_POLL_TIMER, "EV_SM_POLL_TIMER"},
    {EV_TWRT_TIMER, "EV_TWRT_TIMER"},
    {EV_TWR_TIMER, "EV_TWR_TIMER"},
    {EV_TWT_TIMER, "EV_TWT_TIMER"},
    {EV_SWT_TIMER, "EV_SWT_TIMER"},
    {EV_TWAN_TIMER, "EV_TWAN_TIMER"},
    {EV_TWRN_TIMER, "EV_TWRN_TIMER"},
    {EV_TWA_TIMER, "EV_TWA_TIMER"},
    {EV_KEYDOWN_TIMER, "EV_KEYDOWN_TIMER"},
    {EV_KEYUP_TIMER, "EV_KEYUP_TIMER"},
    {EV_VOICE_ID_TIMER, "EV_VOICE_ID_TIMER"},
    {EV_TWACK_TIMER, "EV_TWACK_TIMER"},
    {EV_TWACK_RESP_TIMER, "EV_TWACK_RESP_TIMER"},
    {EV_RADIO_TIMEOUT, "EV_RADIO_TIMEOUT"},
    {EV_RADIO_SCAN_COMMAND_SENT, "EV_RADIO_SCAN_COMMAND_SENT"},
    {EV_INACTIVITY_TIMEOUT, "EV_INACTIVITY_TIMEOUT"},
    {EV_LQA_AGE_TIMER, "EV_LQA_AGE_TIMER"},
    {EV_BREAK_TIMER_A, "EV_BREAK_TIMER_A"},
    {EV_BREAK_TIMER_B, "EV_BREAK_TIMER_B"},
    {EV_BREAK_TIMER_C, "EV_BREAK_TIMER_C"},
    {EV_BREAK_TIMER_D, "EV_BREAK_TIMER_D"},
    {EV_CHANNEL_LOAD_TIMER, "EV_CHANNEL_LOAD_TIMER"},
    {EV_TRANSPARENT_ESCAPE_TIMER, "EV_TRANSPARENT_ESCAPE_TIMER"},
    {EV_RADIO_CONFIG_TIMER, "EV_RADIO_CONFIG_TIMER"},
    {EV_SKANTI_TIMER, "EV_SKANTI_TIMER"},
    {EV_SKANTI_TX_POLL_TIMER, "EV_SKANTI_TX_POLL_TIMER"},
    {EV_RADIO_TX_POLL_TIMER, "EV_RADIO_TX_POLL_TIMER"},
    {EV_API_EVENT, "EV_API_EVENT"},
    {EV_AQC_FRAME_BEGIN, "EV_AQC_FRAME_BEGIN"},
    {EV_AQC_FRAME_END, "EV_AQC_FRAME_END"},
    {EV_AQC_CALL_PROBE, "EV_AQC_CALL_PROBE"},
    {EV_AQC_CALL_HANDSHAKE, "EV_AQC_CALL_HANDSHAKE"},
    {EV_AQC_INLINK, "EV_AQC_INLINK"},
    {EV_AQC_NOT_FOR_ME, "EV_AQC_NOT_FOR_ME"},
    {EV_AQC_ALLCALL_PROBE, "EV_AQC_ALLCALL_PROBE"},
    {EV_AQC_ANYCALL_PROBE, "EV_AQC_ANYCALL_PROBE"},
    {EV_AQC_TIS_SOUND_PROBE, "EV_AQC_TIS_SOUND_PROBE"},
    {EV_AQC_TWS_SOUND_PROBE, "EV_AQC_TWS_SOUND_PROBE"},
    {EV_RESET_MODEM, "EV_RESET_MODEM"},
    {EV_MAX_EVENT, "EV_MAX_EVENT"},
    {EV_ATU_TIMEOUT, "EV_ATU_TIMEOUT"},
    {EV_ATU_CONFIG_TIMER, "EV_ATU_CONFIG_TIMER"},
    {EV_ANT_TIMEOUT, "EV_ANT_TIMEOUT"},
    {EV_TNC_TIMEOUT, "EV_TNC_TIMEOUT"},
    {EV_AMD_REMOTE_PROTOCOL_NOT_SUPPPORTED_TIMER, "EV_AMD_REMOTE_PROTOCOL_NOT_SUPPPORTED_TIMER"},
    {EV_AMD_REMOTE_CLOVER_TIMER, "EV_AMD_REMOTE_CLOVER_TIMER"},
    {EV_AMD_REMOTE_RCLOVER_TIMER, "EV_AMD_REMOTE_RCLOVER_TIMER"},
    {EV_AMD_REMOTE_GTOR_TIMER, "EV_AMD_REMOTE_GTOR_TIMER"},
    {EV_AMD_REMOTE_PACTOR_TIMER, "EV_AMD_REMOTE_PACTOR_TIMER"},
    {EV_AMD_REMOTE_PK232_TIMER, "EV_AMD_REMOTE_PK232_TIMER"},
    {EV_AMD_REMOTE_HK232_TIMER, "EV_AMD_REMOTE_HK232_TIMER"},
    {EV_AMD_REMOTE_PK900_TIMER, "EV_AMD_REMOTE_PK900_TIMER"},
    {EV_AMD_REMOTE_DSP1232_TIMER, "EV_AMD_REMOTE_DSP1232_TIMER"},
    {EV_AMD_REMOTE_DSP2232_TIMER, "EV_AMD_REMOTE_DSP2232_TIMER"},
    {EV_AMD_REMOTE_KAM_E_TIMER, "EV_AMD_REMOTE_KAM_E_TIMER"},
    {EV_AMD_REMOTE_KAM_PLUS_TIMER, "EV_AMD_REMOTE_KAM_PLUS_TIMER"},
    {EV_AMD_REMOTE_KAM_XL_TIMER, "EV_AMD_REMOTE_KAM_XL_TIMER"},
    {EV_AMD_REMOTE_KAM98_TIMER, "EV_AMD_REMOTE_KAM98_TIMER"},
    {EV_AMD_REMOTE_SCSPTCI_TIMER, "EV_AMD_REMOTE_SCSPTCI_TIMER"},
    {EV_AMD_REMOTE_SCSPTCII_TIMER, "EV_AMD_REMOTE_SCSPTCII_TIMER"},
    {EV_AMD_REMOTE_HALDXP38_TIMER, "EV_AMD_REMOTE_HALDXP38_TIMER"},
    {EV_AMD_REMOTE_HALDSP4100_TIMER, "EV_AMD_REMOTE_HALDSP4100_TIMER"},
    {EV_AMD_REMOTE_GENERIC_TIMER, "EV_AMD_REMOTE_GENERIC_TIMER"},
    {EV_AMD_REMOTE_MODEM_NOT_SUPPORTED_TIMER, "EV_AMD_REMOTE_MODEM_NOT_SUPPORTED_TIMER"},
    {EV_RADIO_EMULATION_TIMEOUT, "EV_RADIO_EMULATION_TIMEOUT"},
    {EV_XFER_REPORT_TIMER, "EV_XFER_REPORT_TIMER"},
};

constexpr const char* kLinkStateNames[] = {
    "NULL STATE",
    "SCANNING STOPPED",
    "SCANNING",
    "PAUSE SCAN TO LISTEN FOR CALL",
    "PAUSE SCAN TO LISTEN FOR CALL AFTER WORD SYNC",
    "LISTEN FOR ACTIVITY BEFORE CALL",
    "IND WAIT COMPLETION OF RESPONSE",
    "IND WAIT COMPLETION OF CALL",
    "IND WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "IND WAIT ACKNOWLEDGEMENT",
    "IND WAIT RESPONSE",
    "LINKED IDLE",
    "IND LINKED WAIT COMPLETION OF INITIAL FRAME",
    "IND LINKED WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "IND LINKED WAIT COMPLETION OF RESPONSE",
    "IND LINKED WAIT ACKNOWLEDGEMENT",
    "IND LINKED WAIT RESPONSE",
    "LINKED BRINGING DOWN LINK",
    "NET WAIT COMPLETION OF RESPONSE",
    "NET WAIT COMPLETION OF CALL",
    "NET WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "NET WAIT ACKNOWLEDGEMENT",
    "NET WAIT RESPONSE",
    "NET LINKED WAIT COMPLETION OF INITIAL FRAME",
    "NET LINKED WAIT COMPLETION OF ACKNOWLEDGEMENT",
    "NET LINKED WAIT COMPLETION OF RESPONSE",
    "NET LINKED WAIT ACKNOWLEDGEMENT",
    "NET LINKED WAIT RESPONSE",
    "LISTEN BEFORE THIS WAS SOUND",
    "LISTEN BEFORE THIS IS SOUND",
    "THIS WAS SOUND IN PROGRESS",
    "THIS IS SOUND IN PROGRESS",
};
static_assert(std::size(kLinkStateNames) == 32);

// The tag of each word type in the bracketed word form.
constexpr const char* kWordTags[8] = {"DAT", "TRU", "TO ", "TWS", "FRM", "TIS", "CMD", "RPT"};

constexpr const char* kSecondDeNames[8] = {
    "RESERVED 0",       "M141 SECTION",      "ACK LAST TRANSACTION", "NAK LAST TRANSACTION",
    "DIRECTED LINK TERMINATE", "OPERATOR ACK/NAK", "AQC CONTROL MESSAGE",  "RESERVED 7",
};


}  // namespace

const char* ale_event_name(int number) {
  for (const auto& e : kEventNames)
    if (e.number == number) return e.name;
  return "Unknown";
}

const char* ale_link_state_name(int state) {
  if (state < 0 || state >= static_cast<int>(std::size(kLinkStateNames))) return "UNKNOWN STATE";
  return kLinkStateNames[state];
}

void ale_trace_event(int number) {
  if (!db_get_trace_events()) return;
  if (number == EV_SCAN_TIMER || number == EV_SM_POLL_TIMER || number == EV_RADIO_SCAN_COMMAND_SENT) return;
  log_printf("Event = %s\r\n", ale_event_name(number));
}

void ale_trace_state() {
  if (!db_get_trace_states()) return;
  log_printf("State = %s\n", ale_link_state_name(ale_link_state()));
}

std::string ale_word_trace_text(AleWord word) {
  const auto preamble = static_cast<int>((word >> kAlePreambleShift) & 7);
  const unsigned c1 = (word >> 14) & 0x7F, c2 = (word >> 7) & 0x7F, c3 = word & 0x7F;
  char buf[32];
  if (preamble == ALE_CMD)
    std::snprintf(buf, sizeof buf, "[CMD %.2X %.2X %.2X]", c1, c2, c3);
  else
    std::snprintf(buf, sizeof buf, "[%s %c%c%c]", kWordTags[preamble], c1, c2, c3);
  return buf;
}

void ale_trace_rx_word(AleWord word) {
  if (db_get_trace_rx_words()) log_printf("%s\n", ale_word_trace_text(word).c_str());
  ale_monitor_cmd_word(word);
}

void ale_trace_tx_start() {
  if (db_get_trace_tx_words()) log_printf("[TX START]\n");
}

void ale_trace_tx_end() {
  if (db_get_trace_tx_words()) log_printf("[TX END]\n");
}

void ale_trace_tx_word(AleWord word) {
  if (db_get_trace_tx_words()) log_printf("%s\n", ale_word_trace_text(word).c_str());
  ale_monitor_cmd_word(word);
}

void ale_trace_frame_start(bool aqc) {
  if (!db_get_trace_rx_words()) return;
  log_printf(aqc ? "[RX][CH %-.2d][START OF ALTERNATE FRAME]\n" : "[RX][CH %-.2d][START OF NORMAL FRAME]\n",
             db_current_channel_number());
}

std::string aqc_inlink_de_text(int value) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s# COMMANDS %d", (value & 8) ? "ACK THIS, " : "DON'T ACK THIS, ", value & 7);
  return buf;
}

std::string aqc_second_de_text(int value) {
  return std::string((value & 8) ? "I'M INLINK, " : "I'M NOT INLINK, ") + kSecondDeNames[value & 7];
}

void aqc_trace_rx_word(int preamble, uint32_t value, const char* address, int de1, int de2) {
  if (!db_get_trace_rx_words()) return;
  if (address == nullptr) address = "";
  const unsigned low24 = value & 0xFFFFFF;
  switch (static_cast<AleWordType>(preamble & 7)) {
    case ALE_TWAS: log_printf("[TWS][%s][DE %d DE %d]\n", address, de1, de2); break;
    case ALE_TIS: log_printf("[TIS][%s][DE %d DE %d]\n", address, de1, de2); break;
    case ALE_THRU: log_printf("[INK][%s][DE %d DE %d]\n", address, de1, de2); break;
    case ALE_TO: log_printf("[TO ][%s][DE %d DE %d]\n", address, de1, de2); break;
    case ALE_CMD: log_printf("[CMD %.6X ]\n", low24); break;
    case ALE_REP: log_printf("[RPT %.6X ]\n", low24); break;
    case ALE_DATA: log_printf("[DAT %.6X ]\n", low24); break;
    case ALE_FROM: break;
  }
}

}  // namespace vesk
