// The operations of the JRC receivers (JST-245, NRD-345, NRD-525, NRD-535, NRD-535D,
// NRD-545): text commands in the row's set, under the radio's remote control. An AF level
// finds the radio under remote control or turns it on first ("H1"); the shut-down turns it
// off ("H0"). The NRD-545 (jrc_level_255) scales its level to 0 .. 255 and sends the stored
// level again whenever remote control comes on, since the radio may have been left at another
// level under local control.
#include <mutex>
#include <string>

#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/receivers.h"
#include "radio/family_ops.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/text_steps.h"

namespace vesk {

namespace {

struct JrcState {
  std::mutex lock;
  bool remote = false;  // known to be under remote control
  int level = 0;        // the AF level last sent, after scaling (jrc_level_255)
};
JrcState& jrc() { return station().state<JrcState>(); }

void send_level(const RadioTypeRow& row, int level) { text_send(row, receiver_af_level(row.number, level)); }

void remote_on(const RadioTypeRow& row) {
  text_send(row, "H1");
  int level;
  {
    std::lock_guard<std::mutex> g(jrc().lock);
    jrc().remote = true;
    level = jrc().level;
  }
  if (!row.jrc_level_255) return;
  radio_pause_ms(1);
  send_level(row, level);
}

void freq_then_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  text_set_freq(row, static_cast<uint32_t>(ch.rx_freq_hz)), text_set_mode(row, ch.rx_mode);
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  text_set_freq(row, static_cast<uint32_t>(ch.rx_freq_hz));
  if (radio_mode_due(ch)) text_set_mode(row, ch.rx_mode), radio_mode_remember(ch);
}

// Outside scanning only the radios with freq_mode_outside_scan are tuned; the others keep
// their channel.
void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.freq_mode_outside_scan) freq_then_mode(row, ch);
}

void af_gain(const RadioTypeRow& row, int level) {
  int value = level;
  bool remote;
  {
    std::lock_guard<std::mutex> g(jrc().lock);
    if (row.jrc_level_255) value = static_cast<int>(level * 2.55), jrc().level = value;
    remote = jrc().remote;
  }
  if (!remote) remote_on(row);
  send_level(row, value);
}

void mute(const RadioTypeRow& row, bool, int level) { af_gain(row, level); }

AntennaResult select_antenna(const RadioTypeRow& row, int port) {
  if (row.antenna_ports == 0) return AntennaResult::NotNow;
  if (port < 1 || port > row.antenna_ports) return AntennaResult::NoSuchPort;
  text_send(row, "A" + std::to_string(port));
  return AntennaResult::Selected;
}

void shutdown(const RadioTypeRow& row) {
  text_send(row, "H0");
  std::lock_guard<std::mutex> g(jrc().lock);
  jrc().remote = false;
}

void setup_before_port(const RadioSetupRow& setup) {
  text_setup_before_port_line(setup);
  if (!radio_type_row(setup.type).jrc_remote_reset_before_port) return;
  std::lock_guard<std::mutex> g(jrc().lock);
  jrc().remote = false;
}

// The start command; without one, remote control on with the stored level back at 0.
void setup_start(const RadioTypeRow& row) {
  if (row.setup_start_text != nullptr) {
    text_send(row, row.setup_start_text);
    return;
  }
  {
    std::lock_guard<std::mutex> g(jrc().lock);
    jrc().level = 0;
  }
  remote_on(row);
}

// A single line, or the JST-245's sequence: remote control on, then the noise blanker
// reminder, the wide SSB filter, the centred passband and fast AGC.
void setup_commands(const RadioTypeRow& row, const RadioSetupRow& setup) {
  if (row.setup_done_line != nullptr) {
    radio_setup_line(row.setup_done_line);
    return;
  }
  if (row.setup_label == nullptr) return;
  const std::string label = row.setup_label;
  auto step = [&](const std::string& line, const char* command) {
    radio_setup_line(line), text_send(row, command), radio_pause_ms(kSequencePauseMs);
  };
  radio_setup_line(label + " Remote Control ENABLED"), remote_on(row), radio_pause_ms(kSequencePauseMs);
  radio_setup_line(label + " being initialized");
  if (text_preconfig_off(setup)) {
    radio_setup_line(kPreconfigDisabledLine);
  } else {
    radio_setup_line("Please set your NOISE BLANKER to OFF");
    step(label + " SSB filter set to WIDE", "B0");
    step(label + " SSB Passband set to CENTER", "P0000");
    step(label + " AGC set to FAST", "G1");
  }
  radio_setup_line(label + " initialization completed");
}

}  // namespace

const FamilyOps kJrcReceiverOps{
    .built = true,
    .set_freq = text_set_freq,
    .set_mode = text_set_mode,
    .ptt_on = text_ptt_on,
    .ptt_off = text_ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = freq_then_mode,
    .set_freq_mode = set_freq_mode,
    .split_freq_mode = freq_then_mode,
    .attenuator = text_attenuator,
    .set_af_gain = af_gain,
    .mute = mute,
    .select_antenna = select_antenna,
    .setup_before_port = setup_before_port,
    .setup_start = setup_start,
    .setup_commands = setup_commands,
    .shutdown = shutdown,
    .on_reply = text_on_reply,
};

}  // namespace vesk
