#include "command/cmd_radio.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command/keywords.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/setup_table.h"

namespace vesk {

namespace {

// A queue slot holds this many bytes of one command.
constexpr std::size_t kSlotBytes = 49;

constexpr int kAstart = 345, kAstop = 346, kBypass = 347, kFreq = 379;

void wait_ms(int ms) { station().clock().sleep_ms(ms); }

const char* terminator_of(int code) {
  switch (code) {
    case 391: return "\n";    // LF1
    case 392: return "\r";    // CR1
    case 393: return "\n\n";  // LF2
    case 394: return "\r\r";  // CR2
    case 395: return "\n\r";  // LFCR
    default: return nullptr;
  }
}

struct LdgByte {
  int keyword;
  uint8_t byte;
  const char* line;
};
constexpr LdgByte kLdgBytes[] = {
    {185, 0x39, "AT-200PC Reset all Relays, L, C and Hi/LoZ"},
    {201, 0x3B, "AT-200PC set to Tuner Mode = Manual"},
    {202, 0x3A, "AT-200PC set to Tuner Mode = Automatic"},
    {347, 0x2C, "AT-200PC set to Tuner Select = Bypass"},
    {357, 0x2D, "AT-200PC set to Tuner Select = Active"},
    {349, 0x32, "AT-200PC VSWR Threshold set to VSWR 1.1:1"},
    {350, 0x33, "AT-200PC VSWR Threshold set to VSWR 1.2:1"},
    {351, 0x34, "AT-200PC VSWR Threshold set to VSWR 1.3:1"},
    {352, 0x35, "AT-200PC VSWR Threshold set to VSWR 1.5:1"},
    {353, 0x35, "AT-200PC VSWR Threshold set to VSWR 1.7:1"},
    {354, 0x36, "AT-200PC VSWR Threshold set to VSWR 2.0:1"},
    {355, 0x37, "AT-200PC VSWR Threshold set to VSWR 2.5:1"},
    {356, 0x38, "AT-200PC VSWR Threshold set to VSWR 3.0:1"},
    {358, 0x08, "AT-200PC set to Impedence = LOW Z"},
    {359, 0x09, "AT-200PC set to Impedence = HIGH Z"},
    {360, 0x02, "AT-200PC Inductor Decrement"},
    {361, 0x01, "AT-200PC Inductor Incrrement"},
    {362, 0x04, "AT-200PC Capacitor Decrement"},
    {363, 0x03, "AT-200PC Capacitor Increment"},
    {364, 0x05, "AT-200PC set to Memory Tune"},
    {365, 0x06, "AT-200PC set to Full Tune"},
    {366, 0x28, "AT-200PC set to Return All Relay Settings"},
    {367, 0x29, "AT-200PC request Firmware Version"},
    {368, 0x2A, "AT-200PC set Request Arm Clear"},
    {369, 0x2B, "AT-200PC set Request Clear Memory"},
    {370, 0x2E, "AT-200PC set Store to Memory"},
    {371, 0x3C, "AT-200PC Request Forward Power"},
    {372, 0x3D, "AT-200PC Request Reflected Power"},
    {373, 0x3E, "AT-200PC Request VSWR"},
    {374, 0x3F, "AT-200PC set Automatic Updates ON"},
    {375, 0x40, "AT-200PC set Automatic Updates OFF"},
    {376, 0x41, "AT-200PC set Inductor Value"},
    {377, 0x42, "AT-200PC set Capacitor Value"},
    {378, 0x44, "AT-200PC set Request Memory Dump"},
};

// ASTART and ASTOP on the configured tuner.
void atu_cycle(bool start) {
  switch (db_get_atu_type()) {
    case ATU_RADIO_CAT: {
      start ? radio_cat_tuner_on() : radio_cat_tuner_stop();
      break;
    }
    case ATU_AT200PC: {
      const uint8_t manual = 0x3B, bypass = 0x2C;
      atu_at200pc_message(&manual, 1, 10, 10, 20);
      atu_at200pc_message(&bypass, 1, 10, 10, 20);
      break;
    }
    case ATU_Z100: log_printf(start ? "TEST MSG: Z100 ATU TUNE\n" : "TEST MSG: Z100 ATU MMI BYPASS\n"); break;
    case ATU_STEPPIR: log_printf("TEST MSG: SteppIR ATU\n"); break;
    case ATU_LDG_PRO:
      if (start) {
        // The start pulse is on DTR too, for the RTS delay.
        SerialPort& tuner = serial_control(SERIAL_ROLE_ATU);
        tuner.set_dtr(true);
        wait_ms(db_get_atu_rts_delay());
        tuner.set_dtr(false);
        wait_ms(100);
      } else {
        atu_dtr_pulse();
      }
      break;
    case ATU_RS232_LINES: start ? atu_rts_pulse() : atu_dtr_pulse(); break;
    default: break;
  }
}

}  // namespace

void mmi_cmd_radcmd(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  if (line.count > 5) return line.fail(MMI_ERROR_TOO_MANY_PARAMETERS);
  const char* terminator = terminator_of(mmi_lookup_keyword(line.words[line.count - 1]));
  const int last = terminator != nullptr ? line.count - 1 : line.count;
  std::string text;
  for (int i = 1; i < last; ++i) text += (i > 1 ? " " : "") + std::string(line.words[i]);
  if (terminator != nullptr) text += terminator;
  if (text.size() > kSlotBytes) {
    log_stamped_printf("[MMI ERROR: Radio command not sent. Longer than %zu bytes.]\n", kSlotBytes);
    return;
  }
  if (radio_send(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size())) != 0) {
    log_stamped_printf("[MMI ERROR: Radio command not sent. Radio output queue full.]\n");
    return;
  }
  std::string shown;
  for (int i = 1; i < line.count; ++i) shown += (i > 1 ? " " : "") + std::string(line.words[i]);
  log_stamped_printf("[MMI CHANGE: Sent radio command %s]\n", shown.c_str());
}

void mmi_cmd_hexradcmd(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  if (line.count > 31) return line.fail(MMI_ERROR_TOO_MANY_PARAMETERS);
  uint8_t bytes[30];
  const int count = line.count - 1;
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(std::strtol(line.words[i + 1], nullptr, 16) & 0xFF);
  if (radio_send(bytes, count) != 0) {
    log_stamped_printf("[MMI ERROR: Radio command not sent. Radio output queue full.]\n");
    return;
  }
  log_stamped_printf("[MMI CHANGE: Sent HEX radio command: %i]\n", count);  // the number of bytes sent
}

void mmi_cmd_atu(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  switch (mmi_lookup_keyword(line.words[1])) {
    case kAstart:
      atu_cycle(true);
      log_stamped_printf("[MMI CHANGE: Test START]\n");
      break;
    case kAstop:
      atu_cycle(false);
      log_stamped_printf("[MMI CHANGE: Test STOP]\n");
      break;
    case kBypass: log_stamped_printf("[MMI CHANGE: Test BYPASS]\n"); break;
    default: break;
  }
}

void mmi_cmd_ldg(MmiLine& line) {
  if (!serial_control(SERIAL_ROLE_ATU).is_open()) return;
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  SerialPort& tuner = serial_control(SERIAL_ROLE_ATU);
  tuner.set_rts(true);
  wait_ms(15);
  tuner.set_rts(false);
  wait_ms(50);
  const int code = mmi_lookup_keyword(line.words[1]);
  for (const LdgByte& b : kLdgBytes) {
    if (b.keyword != code) continue;
    atu_at200pc_message(&b.byte, 1, 15, 15, 100);
    log_stamped_printf("[MMI CHANGE: %s]\n", b.line);
    return;
  }
  if (code != kFreq) return;
  const long long hz = std::strtoll(line.word(2), nullptr, 10);
  const int shown = static_cast<int>(hz > INT32_MAX ? INT32_MAX : hz < INT32_MIN ? INT32_MIN : hz);
  if (hz < 1800000 || hz > 54000000) {
    log_stamped_printf("[MMI ERROR: AT-200PC does not support frequency %i khz]\n", shown);
    return;
  }
  // 64-bit: 20,480,000,000 is beyond 32 bits.
  const int64_t n = int64_t{20480000000} / hz;
  const uint8_t bytes[3] = {0x43, static_cast<uint8_t>((n >> 8) & 0xFF), static_cast<uint8_t>(n & 0xFF)};
  atu_at200pc_message(bytes, 3, 50, 50, 100);
  log_stamped_printf("[MMI CHANGE: AT-200PC Memory to %i khz]\n", shown);
}

}  // namespace vesk
