#include "radio/radio_shutdown.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "db/options.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/cat_encode.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"

namespace vesk {

namespace {

// One step of a type's release. Steps marked `af` run only when the station mutes by command
// (they restore the normal audio level L).
enum class Kind : uint8_t {
  End,          // the end of a row's steps
  CivSplitOff,  // CI-V 0F 00
  CivAfGain,    // CI-V 14 01 with L
  KenwoodVfoA,  // FR0;
  KenwoodTxVfoA,  // FT0;
  KenwoodAf,    // AG0 + L as three digits + ';' for the newer models only
  Bytes,        // fixed bytes, through the queue
  Level3,       // text + L as three digits + tail
  LevelByte,    // text + L as one byte + tail
  Level255Now,  // text + the low eight bits of L x 2.55 + tail, written at once past the queue
  Picoa,        // "$PICOA,90,0" + the type's id digit + text, "*" + checksum when tail is "*"
  Pause,        // 200 ms
  FamilyAf,     // the family's audio level command with L (it keeps the radio's state)
  FamilyMuteOff,  // the family's muting off at L (a radio that restores its own level)
  FamilyShutdown,  // the family's own shut-down step
};

struct Step {
  Kind kind = Kind::End;
  bool af = false;
  const char* text = nullptr;  // Bytes, Level*: the bytes before the level
  uint8_t length = 0;
  const char* tail = nullptr;  // Level*: the bytes after it
  uint8_t tail_length = 0;
};

constexpr Step kPause{Kind::Pause};
constexpr Step kCivSplitOff{Kind::CivSplitOff};
constexpr Step kCivAf{Kind::CivAfGain, true};
template <std::size_t N>
constexpr Step bytes(const char (&b)[N], bool af = false) {
  return Step{Kind::Bytes, af, b, static_cast<uint8_t>(N - 1)};
}
template <std::size_t N, std::size_t M>
constexpr Step level(Kind kind, const char (&b)[N], const char (&t)[M]) {
  return Step{kind, true, b, static_cast<uint8_t>(N - 1), t, static_cast<uint8_t>(M - 1)};
}
constexpr Step kYaesuAf = level(Kind::Level3, "AG0", ";");
constexpr Step kStarU = level(Kind::LevelByte, "*U", "\r");
constexpr Step kYaesuOff = bytes("\x00\x00\x00\x00\x80");
constexpr Step kYaesuSplitOff = bytes("\x00\x00\x00\x00\x01");
constexpr Step kRemoteOffH0 = bytes("H0\r");
constexpr Step kRemoteOffR0 = bytes("$1*R0\r");
constexpr Step kPicoaSpeakerOn{Kind::Picoa, true, ",SP,ON", 6};
constexpr Step kFamilyAf{Kind::FamilyAf, true};
constexpr Step kFamilyMuteOff{Kind::FamilyMuteOff, true};
constexpr Step kFamilyShutdown{Kind::FamilyShutdown};
constexpr Step kPicoaRemoteOff{Kind::Picoa, false, ",REMOTE,OFF", 11, "*", 1};

constexpr int kMaxTypes = 9;
constexpr int kMaxSteps = 8;
struct ShutdownRow {
  int types[kMaxTypes];
  Step steps[kMaxSteps];
};

// The release of each radio type. Types whose release depends on their driver's state (remote
// control, a stored level, a pacing buffer, a command file, a library) go through the
// family's operations.
const ShutdownRow kShutdownRows[] = {
    {{DB_CODAN}, {bytes("mute off\r", true)}},
    {{DB_IC78, DB_IC703, DB_IC718, DB_R75, DB_R8500, DB_R9500}, {kCivAf}},
    {{DB_IC746, DB_IC746PRO, DB_IC756PRO, DB_IC756PROII, DB_IC756PROIII, DB_IC7000, DB_IC7700, DB_IC7800,
      DB_IC7200},
     {kCivSplitOff, kCivAf}},
    {{DB_IC756}, {kCivSplitOff}},
    {{DB_IC765}, {kCivSplitOff, kPause}},
    {{DB_ICM700PRO, DB_ICM710, DB_ICM710RT, DB_ICM801E, DB_ICM802, DB_ICF7000},
     {kPicoaSpeakerOn, Step{Kind::Pause, true}, kPicoaRemoteOff, kPause}},
    {{DB_K505DSP}, {level(Kind::Level255Now, "\x02V", "\x03")}},
    {{DB_KENWOOD, DB_KENWOOD_HS},
     {Step{Kind::KenwoodVfoA}, kPause, Step{Kind::KenwoodTxVfoA}, kPause, Step{Kind::KenwoodAf, true}}},
    {{DB_FT450, DB_FT450HS, DB_FT950, DB_FT950HS, DB_FTDX9000, DB_FT2000, DB_FT2000HS}, {kYaesuAf}},
    {{DB_FT650, DB_FT847}, {kYaesuOff}},
    {{DB_FT757GX}, {bytes("\x00\x00\x00\x00\x04")}},
    {{DB_FT767}, {bytes("\x00\x00\x00\x01\x00")}},
    {{DB_FT817, DB_FT817DIG, DB_FT897}, {bytes("\x01\x00\x00\x00\x07"), kYaesuOff}},
    {{DB_FT920, DB_FT920DATA, DB_FT990}, {kYaesuSplitOff}},
    {{DB_FT980}, {bytes("\x00\x00\x00\x00\x00")}},
    {{DB_FT1000MP_QSS},
     {bytes("\x00\x00\x00\x00\x83"), kPause, kYaesuSplitOff, kPause, bytes("\x00\x00\x00\x00\x05")}},
    {{DB_FRG8800}, {bytes("\x00\x00\x00\x80\x00")}},
    {{DB_VR5000}, {bytes("\x80\x00\x00\x00\x00")}},
    {{DB_NRD345, DB_NRD525, DB_NRD535, DB_NRD535D}, {kRemoteOffH0}},
    {{DB_HF90M}, {bytes("\x1B\x1B\x1B")}},
    {{DB_RF350ALK, DB_RF350ALK_TNC},
     {bytes("(1\n", true), Step{Kind::Pause, true}, bytes(",0\n"), kPause, bytes("'1\n"), kPause, bytes("\"1\n"),
      kPause}},
    {{DB_RF350KWT}, {bytes("$1,Q1\r")}},
    {{DB_TT538, DB_RX350, DB_TT588REM}, {kStarU}},
    {{DB_TT588RAD}, {kStarU, bytes("*C1A\x00\r")}},
    {{DB_TT550, DB_TT550MA}, {level(Kind::Level255Now, "V", "\r")}},
    {{DB_RA6790GM}, {bytes("$1*S1\r")}},
    {{DB_RA6830JD}, {bytes("$85*S1\r")}},
    {{DB_PCR1000, DB_PCR1500}, {bytes("J407F\n", true), bytes("H100\n")}},
    {{DB_R3030STX1}, {bytes("\x02" "01X0\r")}},
    {{DB_R3030STX2}, {bytes("\x02\x02" "01X0\r")}},
    {{DB_R3030STX3}, {bytes("\x02\x02\x02" "01X0\r")}},
    {{DB_RX330, DB_RX331, DB_RX340}, {kRemoteOffR0}},
    {{DB_TCI8174}, {level(Kind::Level3, "{An3", "  }")}},
    {{DB_R2411U}, {bytes("\x02" "1T\r")}},
    {{DB_LCR2000}, {bytes("\x02" "001X0\r")}},
    {{DB_EK2000}, {bytes("A00REM1\n")}},
    {{DB_JST245, DB_NRD545}, {kFamilyAf, kFamilyShutdown}},
    {{DB_RX320}, {kFamilyMuteOff}},
    {{DB_SKANTI_8250}, {kFamilyMuteOff, kFamilyShutdown}},
    {{DB_GENERIC, DB_DLL_RADIO}, {kFamilyShutdown}},
};

constexpr int kShutdownPauseMs = 200;

// The id digit of an Icom marine radio's sentences.
char picoa_id(int type) {
  switch (type) {
    case DB_ICM700PRO: return '2';
    case DB_ICM710RT: return '3';
    case DB_ICM801E: return '7';
    case DB_ICM802: return '8';
    case DB_ICF7000: return '9';
    default: return '1';
  }
}

const ShutdownRow* shutdown_row(int type) {
  for (const ShutdownRow& r : kShutdownRows)
    for (int t : r.types)
      if (t == type && t != 0) return &r;
  return nullptr;
}

// The command is handed to the queue, or written at once; the CAT tap sees both.
void send_command(const std::string& command, bool now) {
  const auto* b = reinterpret_cast<const uint8_t*>(command.data());
  const int n = static_cast<int>(command.size());
  if (!now) {
    cat_send(b, n);
    return;
  }
  if (const auto& tap = cat_tap().on_send) tap(b, n);
  radio_send_now(b, n);
}

void run_step(const Step& step, int type, int level) {
  switch (step.kind) {
    case Kind::CivSplitOff: civ_split_off(); break;
    case Kind::CivAfGain: civ_set_af_gain(level); break;
    case Kind::KenwoodVfoA: kenwood_set_rx_vfo(cat_slot_next(), 0); break;
    case Kind::KenwoodTxVfoA: kenwood_set_tx_vfo(cat_slot_next(), 0); break;
    case Kind::KenwoodAf:
      if (kenwood_model_full_featured()) kenwood_set_af_gain(cat_slot_next(), level);
      break;
    case Kind::Bytes: send_command(std::string(step.text, step.length), false); break;
    case Kind::Level3: {
      char digits[16];
      std::snprintf(digits, sizeof digits, "%03d", level < 0 ? 0 : level % 1000);
      send_command(std::string(step.text, step.length) + digits + std::string(step.tail, step.tail_length), false);
      break;
    }
    case Kind::LevelByte:
      send_command(std::string(step.text, step.length) + static_cast<char>(level & 0xFF) +
                       std::string(step.tail, step.tail_length),
                   false);
      break;
    case Kind::Level255Now: {
      const int scaled = static_cast<int>(level * 2.55) & 0xFF;
      send_command(std::string(step.text, step.length) + static_cast<char>(scaled) +
                       std::string(step.tail, step.tail_length),
                   true);
      break;
    }
    case Kind::Picoa: {
      std::string s = std::string("$PICOA,90,0") + picoa_id(type) + std::string(step.text, step.length);
      if (step.tail_length > 0) {
        // The NMEA checksum of what lies between '$' and '*'.
        const auto* b = reinterpret_cast<const uint8_t*>(s.data());
        uint8_t hex[2];
        put_hex_byte(hex, xor_checksum(b + 1, b + s.size()));
        s += '*';
        s.append(reinterpret_cast<const char*>(hex), 2);
      }
      send_command(s + "\r\n", false);
      break;
    }
    case Kind::Pause: driver_pause_ms(kShutdownPauseMs); break;
    case Kind::FamilyAf:
    case Kind::FamilyMuteOff:
    case Kind::FamilyShutdown: {
      const RadioTypeRow& row = configured_radio();
      const FamilyOps& ops = radio_ops(row);
      if (step.kind == Kind::FamilyAf && ops.set_af_gain) ops.set_af_gain(row, level);
      if (step.kind == Kind::FamilyMuteOff && ops.mute) ops.mute(row, false, level);
      if (step.kind == Kind::FamilyShutdown && ops.shutdown) ops.shutdown(row);
      break;
    }
    case Kind::End: break;
  }
}

}  // namespace

void radio_shutdown() {
  // A transmission cut short by the shut-down: the transmitter is released first.
  if (ptt_is_active() != 0) ptt_off();
  // A radio port that is not open (a make whose driver is not built) takes the commands and
  // writes nothing.
  const int type = driver_radio_type();
  if (const ShutdownRow* row = shutdown_row(type)) {
    const bool cat_mute = db_get_cat_mute() == 1;
    const int level = db_get_unmuted_af_level();
    for (const Step& step : row->steps) {
      if (step.kind == Kind::End) break;
      if (!step.af || cat_mute) run_step(step, type, level);
    }
  }
  radio_mute_lines_off();
}

// The Skanti's bytes wait in its pacing buffer before they reach the radio queue.
bool radio_queue_drained() { return serial_queue_count(SQ_RADIO) == 0 && skanti_buffer_empty(); }

void serial_release_ports() {
  for (int role = 0; role < SERIAL_ROLE_COUNT; ++role) {
    SerialPort& port = serial_control(static_cast<SerialPortRole>(role));
    if (!port.is_open()) continue;
    port.set_rts(false);
    port.set_dtr(false);
    port.close();
  }
}

}  // namespace vesk
