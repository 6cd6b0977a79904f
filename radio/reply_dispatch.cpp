#include "radio/reply_dispatch.h"

#include <atomic>
#include <string>

#include "db/log.h"
#include "platform/station.h"
#include "radio/family_ops.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

// Whether the MICOM identity block has been logged since the last radio set-up.
struct MicomIdentityState {
  std::atomic<int> logged{0};
};

struct MicomField {
  const char* label;
  int length_byte;  // byte 1 of a single-field reply
  int start;        // byte 6
  int count;        // byte 7
  int first;        // bytes logged
  int last;
};

constexpr MicomField kSerialNumber{"MICOM Serial Number", 0x15, 0x0C, 0x10, 8, 14};
constexpr MicomField kRadioHwVer{"MICOM Radio HW Ver", 0x0D, 0x2C, 0x08, 8, 14};
constexpr MicomField kRadioSwVer{"MICOM Radio SW Ver", 0x0D, 0x00, 0x08, 8, 14};
constexpr MicomField kChSwVer{"MICOM CH SW Ver", 0x0D, 0x34, 0x08, 8, 12};
constexpr MicomField kChHwVer{"MICOM CH HW Ver", 0x0D, 0x3C, 0x08, 8, 12};
constexpr MicomField kRadioCode{"MICOM Radio Code", 0x15, 0x1C, 0x10, 8, 17};

constexpr const MicomField* kSingleFields[] = {&kSerialNumber, &kRadioHwVer, &kRadioSwVer,
                                               &kChSwVer,      &kChHwVer,    &kRadioCode};

// The identity block holds each field at byte 8 + its start; logged in this order.
constexpr const MicomField* kBlockOrder[] = {&kChSwVer, &kChHwVer, &kRadioSwVer, &kRadioHwVer, &kRadioCode,
                                             &kSerialNumber};

constexpr uint8_t kMicomStart = 0x24;   // '$'
constexpr uint8_t kMicomFromRadio = 0x81;
constexpr uint8_t kMicomReadReply = 0x20;
constexpr uint8_t kMicomCardReply = 0x1E;

// "[time][channel][<label>: = <bytes first..last> ]": each byte as it came, printable or not.
void log_micom_line(const char* label, const uint8_t* frame, int first, int last) {
  std::string text(label);
  text += ": = ";
  text.append(reinterpret_cast<const char*>(frame + first), static_cast<std::size_t>(last - first + 1));
  text += " ";
  log_printf("[%s][%s][%s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text.c_str());
}

}  // namespace

void radio_reply_ack_any(const uint8_t*, int) { radio_send_ack(); }

void micom_identity_reset() { station().state<MicomIdentityState>().logged = 0; }

void micom_identity_lines(const uint8_t* f, int count) {
  // Every test reads the header bytes 0 to 7, and each line only bytes the frame holds.
  if (count < 8 || f[0] != kMicomStart || f[2] != kMicomFromRadio) return;
  if (f[3] == kMicomReadReply && f[4] == 0 && f[5] == 0) {
    for (const MicomField* field : kSingleFields)
      if (f[1] == field->length_byte && f[6] == field->start && f[7] == field->count && count > field->last)
        log_micom_line(field->label, f, field->first, field->last);
  }
  if (f[1] == 0x2A && f[3] == kMicomCardReply && count > 11) log_micom_line("MICOM Radio Card", f, 4, 11);
  if (f[1] == 0xCD && f[3] == kMicomReadReply && f[4] == 0 && f[5] == 0 && f[6] == 0 && f[7] == 0xC8 &&
      count > 8 + kChHwVer.start + (kChHwVer.last - kChHwVer.first)) {
    auto& state = station().state<MicomIdentityState>();
    if (state.logged.load() != 0) return;
    for (const MicomField* field : kBlockOrder)
      log_micom_line(field->label, f, 8 + field->start, 8 + field->start + field->last - field->first);
    state.logged = 1;
  }
}

int radio_reply_dispatch(const uint8_t* frame, int count) {
  if (frame == nullptr || count < 1) return 0;
  const RadioTypeRow& row = radio_type_row(serial_opt_radio_type());
  const RadioReplyParser parser = row.own_reply != nullptr ? row.own_reply : radio_ops(row).on_reply;
  if (parser) parser(frame, count);
  return 0;  // a type without a parser: the frame is dropped
}

}  // namespace vesk
