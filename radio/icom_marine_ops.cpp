// The operations of Icom's marine transceivers (types 41 to 46, NMEA sentences) and of the
// PCR-1000 and PCR-1500 receivers.
#include <mutex>
#include <string>

#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_marine.h"
#include "radio/family_ops.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }
uint32_t hz_of(int hz) { return static_cast<uint32_t>(hz); }
bool is_pcr(const RadioTypeRow& row) { return row.marine_set != MarineSet::Marine; }

// The sentences are built in a slot of the radio port's ring and queued from there.
void send_slot(const CatCommand& c) {
  if (c.overflow) {
    cat_send(c);  // refused with its line
    return;
  }
  uint8_t* slot = cat_slot_next();
  for (int i = 0; i < c.length; ++i) slot[i] = c.bytes[i];
  cat_send(slot, c.length);
}
void sentence(const RadioTypeRow& row, const std::string& body, bool checksum = false) {
  send_slot(icmarine_sentence(row.marine_id, body, checksum));
}
void rx_freq(const RadioTypeRow& row, uint32_t hz) { sentence(row, "RXF," + icmarine_freq(hz)); }
void tx_freq(const RadioTypeRow& row, uint32_t hz) { sentence(row, "TXF," + icmarine_freq(hz)); }
void marine_mode(const RadioTypeRow& row, int mode) {
  if (const char* m = icmarine_mode(mode)) sentence(row, std::string("MODE,") + m);
}

// The PCR's remembered volume byte.
struct PcrState {
  std::mutex lock;
  int volume = 0;
};
// A level outside 0 to 100 is held at the nearer end: the volume byte would wrap otherwise.
void pcr_volume(int level) {
  level = level < 0 ? 0 : level > 100 ? 100 : level;
  const int volume = static_cast<int>(level * 2.55);
  {
    PcrState& s = station().state<PcrState>();
    std::lock_guard<std::mutex> g(s.lock);
    s.volume = volume;
  }
  cat_send(pcr_hex("J40", volume));
}

void set_freq(const RadioTypeRow& row, uint32_t hz) {
  if (!is_pcr(row)) rx_freq(row, hz);
}
// The transmit frequency alone (the retune for TNC data sets receive and transmit apart).
void set_tx_freq(const RadioTypeRow& row, uint32_t hz) {
  if (!is_pcr(row)) tx_freq(row, hz);
}
void set_mode(const RadioTypeRow& row, int mode) {
  if (!is_pcr(row)) {
    marine_mode(row, mode);
    return;
  }
  // A whole-channel receiver: the scratch channel 0 carries the mode at the emulator's
  // frequency.
  ChannelRecord ch{};
  ch.rx_mode = ch.tx_mode = mode;
  ch.rx_freq_hz = ch.tx_freq_hz = radio_vfo_freq();
  db_store_channel(0, ch);
  cat_send(pcr_freq_mode(hz_of(ch.rx_freq_hz), mode));
}

void ptt_on(const RadioTypeRow& row, int) { sentence(row, "TRX,TX"); }
void ptt_off(const RadioTypeRow& row) { sentence(row, "TRX,RX"); }

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (is_pcr(row)) {
    cat_send(pcr_freq_mode(hz_of(ch.rx_freq_hz), ch.rx_mode));
    return;
  }
  rx_freq(row, hz_of(ch.rx_freq_hz));
  if (radio_mode_due(ch)) marine_mode(row, ch.rx_mode), radio_mode_remember(ch);
  if (!radio_channel_scanning()) {
    tx_freq(row, hz_of(ch.tx_freq_hz));
    if (radio_mode_due(ch)) marine_mode(row, ch.tx_mode), radio_mode_remember(ch);
  }
}

void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (is_pcr(row)) {
    cat_send(pcr_freq_mode(hz_of(ch.rx_freq_hz), ch.rx_mode));
    return;
  }
  rx_freq(row, hz_of(ch.rx_freq_hz)), wait_ms(200), marine_mode(row, ch.rx_mode), wait_ms(200);
  tx_freq(row, hz_of(ch.rx_freq_hz));
}

void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (is_pcr(row)) return;
  rx_freq(row, hz_of(ch.rx_freq_hz)), marine_mode(row, ch.rx_mode);
  tx_freq(row, hz_of(ch.tx_freq_hz)), marine_mode(row, ch.tx_mode);
}

void split_freq_mode(const RadioTypeRow& row, const ChannelRecord& w) {
  if (is_pcr(row)) return;
  rx_freq(row, hz_of(w.rx_freq_hz)), wait_ms(100), marine_mode(row, w.rx_mode), wait_ms(100);
  tx_freq(row, hz_of(w.tx_freq_hz));
}

void prepare_tx(const RadioTypeRow& row, int tx_hz, int tx_mode, bool) {
  if (is_pcr(row)) return;
  tx_freq(row, hz_of(tx_hz)), marine_mode(row, tx_mode);
}

void attenuator(const RadioTypeRow& row, bool on) {
  if (is_pcr(row)) cat_send(pcr_text(on ? "J4701" : "J4700"));
}

void af_gain(const RadioTypeRow& row, int level) {
  if (is_pcr(row)) {
    pcr_volume(level);
    return;
  }
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", level < 0 ? 0 : level > 999 ? 999 : level);
  sentence(row, std::string("AFG,") + digits);
}

// Marine radios switch their speaker; the PCR sets its volume to 0 or full.
void mute(const RadioTypeRow& row, bool on, int) {
  if (is_pcr(row)) cat_send(pcr_text(on ? "J4000" : "J407F"));
  else sentence(row, on ? "SP,OFF" : "SP,ON");
}

int tuner(const RadioTypeRow& row, TunerStep step) {
  if (is_pcr(row)) return 0;
  sentence(row, step == TunerStep::On ? "TUNER,ON" : step == TunerStep::Start ? "TUNER,TUNE" : "TUNER,OFF");
  return 1;
}

// ---- set-up ----

void setup_start(const RadioTypeRow& row) {
  if (row.marine_set == MarineSet::Pcr1000) {
    cat_send(pcr_text("H101")), cat_send(pcr_text("J407F"));
  } else if (row.marine_set == MarineSet::Pcr1500) {
    for (const char* c : {"H100", "H1?", "H101", "G105", "J5100", "J5000", "J4500", "J4600", "J4700", "J407F", "J4100"})
      cat_send(pcr_text(c));
  }
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow&) {
  if (is_pcr(row)) {
    // No switch test: the receivers' set-up always goes out.
    const bool p1000 = row.marine_set == MarineSet::Pcr1000;
    const std::string label = row.setup_label;
    auto step = [](const std::string& text, const CatCommand& c) {
      radio_setup_line(text);
      cat_send(c);
      wait_ms(kSequencePauseMs);
    };
    radio_setup_line(label + " being initialized");
    step(label + " Filter set to 2800hz", pcr_text(p1000 ? "J4701" : "J4700"));
    step(label + (p1000 ? " PREAMP set to OFF" : " PREAMP set to ON"), pcr_text("J4501"));
    radio_setup_line(label + " AGC set to ON"), wait_ms(kSequencePauseMs);
    step(label + " SPEAKER OUT set to 50 percent, adjust using MCRA", pcr_hex("J43", 140));
    radio_setup_line(label + " IF SHIFT set to CENTER");
    radio_setup_line(label + " has been initialized");
    return;
  }
  const std::string label = row.setup_label;
  radio_setup_line(label + " being initialized");
  if (driver_preconfig_disabled() != 0) {
    radio_setup_line(kPreconfigDisabledLine);
  } else {
    // Each sentence first, then the pause, then its line.
    const struct {
      const char* body;
      bool checksum;
      const char* text;
    } steps[] = {{"SQLC,OFF", true, " SQUELCH set to OFF"},
                 {"NB,OFF", false, " NB set to OFF"},
                 {"AGC,ON", true, " AGC set to ON"},
                 {"TUNER,OFF", false, " ATU set to OFF"}};
    for (const auto& s : steps) {
      sentence(row, s.body, s.checksum);
      wait_ms(kSequencePauseMs);
      radio_setup_line(label + s.text);
    }
  }
  radio_setup_line(label + " has been initialized");
}

// The PCR's answers acknowledge; the marine radios' commands leave at the reply timer's pace.
void on_reply(const uint8_t*, int) {
  if (radio_type_row(driver_radio_type()).reply_acks) cat_ack();
}

}  // namespace

const FamilyOps kIcomMarineOps{
    .built = true,
    .set_freq = set_freq,
    .set_mode = set_mode,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = tune_channel,
    .set_freq_mode = set_freq_mode,
    .split_freq_mode = split_freq_mode,
    .prepare_tx = prepare_tx,
    .attenuator = attenuator,
    .set_af_gain = af_gain,
    .mute = mute,
    .tuner = tuner,
    .setup_start = setup_start,
    .setup_commands = setup_commands,
    .on_reply = on_reply,
    .set_tx_freq = set_tx_freq,
};

}  // namespace vesk
