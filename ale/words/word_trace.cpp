// Word traces: see word_trace.h.
#include "ale/words/word_trace.h"

#include <cstdio>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"

namespace vesk {

namespace {

// The tag of each word type in the bracketed word form.
constexpr const char* kWordTags[8] = {"DAT", "TRU", "TO ", "TWS", "FRM", "TIS", "CMD", "RPT"};

constexpr const char* kSecondDeNames[8] = {
    "RESERVED 0",       "M141 SECTION",      "ACK LAST TRANSACTION", "NAK LAST TRANSACTION",
    "DIRECTED LINK TERMINATE", "OPERATOR ACK/NAK", "AQC CONTROL MESSAGE",  "RESERVED 7",
};

}  // namespace

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
}

void ale_trace_tx_start() {
  if (db_get_trace_tx_words()) log_printf("[TX START]\n");
}

void ale_trace_tx_end() {
  if (db_get_trace_tx_words()) log_printf("[TX END]\n");
}

void ale_trace_tx_word(AleWord word) {
  if (db_get_trace_tx_words()) log_printf("%s\n", ale_word_trace_text(word).c_str());
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
