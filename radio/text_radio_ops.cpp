// The operations of the radios commanded by frequency and mode texts: the TCI 8174, Cubic,
// Racal, R&S EK2000, Collins HF2050, AOR, Drake and Watkins-Johnson receivers, the SDR-1000
// and the Codan. Each command is in the row's text set (radio/drivers/receivers.h); the
// keying, attenuator, muting and AF level texts and the set-up labels are fields of the row.
// The set-up after the port opens is one line (setup_done_line) or the make's preconfiguration
// between the model's opening and closing lines.
#include <mutex>
#include <string>

#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/receivers.h"
#include "radio/family_ops.h"
#include "radio/radio_hooks.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/text_steps.h"

namespace vesk {

namespace {

// The Drake sends a channel's mode only when it differs from the one it last sent.
struct DrakeState {
  std::mutex lock;
  bool mode_set = false;
  int mode = 0;
};
DrakeState& drake() { return station().state<DrakeState>(); }

uint32_t rx_hz(const ChannelRecord& ch) { return static_cast<uint32_t>(ch.rx_freq_hz); }

void drake_tune(const RadioTypeRow& row, const ChannelRecord& ch) {
  text_set_freq(row, rx_hz(ch));
  bool due;
  {
    std::lock_guard<std::mutex> g(drake().lock);
    due = !drake().mode_set || drake().mode != ch.rx_mode;
    drake().mode_set = true, drake().mode = ch.rx_mode;
  }
  if (due) text_set_mode(row, ch.rx_mode);
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.receiver_make == ReceiverMake::Drake) {
    drake_tune(row, ch);
    return;
  }
  if (row.channel_log_line != nullptr) radio_log_line(row.channel_log_line);
  text_set_freq(row, rx_hz(ch));
  if (radio_mode_due(ch)) text_set_mode(row, ch.rx_mode), radio_mode_remember(ch);
}

void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.receiver_make == ReceiverMake::Drake) drake_tune(row, ch);
  else if (!row.panel_tune_silent) text_set_freq(row, rx_hz(ch)), text_set_mode(row, ch.rx_mode);
}

void af_gain(const RadioTypeRow& row, int level) {
  const std::string text = receiver_af_level(row.number, level);
  if (!text.empty()) text_send(row, text);
}

void mute(const RadioTypeRow& row, bool on, int level) {
  if (row.mute_on_text != nullptr) text_send(row, on ? row.mute_on_text : row.mute_off_text);
  else af_gain(row, level);
}

void setup_before_port(const RadioSetupRow& setup) {
  text_setup_before_port_line(setup);
  if (radio_type_row(setup.type).receiver_make != ReceiverMake::Drake) return;
  std::lock_guard<std::mutex> g(drake().lock);
  drake().mode_set = false;
}

// The make's preconfiguration; the model's label, attenuator-off and AGC texts are its row's.
void preconfigure(const RadioTypeRow& row, const std::string& label) {
  switch (row.receiver_make) {
    case ReceiverMake::Cubic:
      text_send(row, "W" + std::to_string(cubic_bandwidth_index(2700)));
      if (row.agc_after_bandwidth) text_send(row, row.agc_fast_text);
      radio_pause_ms(kSequencePauseMs), radio_setup_line(label + " Filter set to 2700hz");
      text_command_then_line(row, row.attenuator_off_text, label + " Attenuator set to OFF");
      text_command_then_line(row, row.agc_fast_text, label + " AGC set to FAST");
      break;
    case ReceiverMake::Racal:
      text_command_then_line(row, racal_bandwidth(row.number, 3300),
                             label + " Filter set to 3300hz or closest installed");
      text_command_then_line(row, row.agc_fast_text, label + " AGC set to FAST");
      text_command_then_line(row, row.attenuator_off_text, label + " Attenuator set to OFF");
      break;
    case ReceiverMake::Collins:
      radio_setup_line(label + " Filter set to 3200hz");
      text_command_then_line(row, row.attenuator_off_text, label + " Attenuator set to OFF");
      text_command_then_line(row, "SQ " + std::to_string(hf2050_squelch_step(0)), label + " SQUELCH set to OFF");
      text_command_then_line(row, row.agc_fast_text, label + " AGC set to FAST");
      break;
    case ReceiverMake::Aor:
      text_command_then_line(row, row.attenuator_off_text, label + " Attenuator set to OFF");
      break;
    default: break;
  }
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow& setup) {
  if (row.setup_done_line != nullptr) {
    radio_setup_line(row.setup_done_line);
    return;
  }
  if (row.setup_label == nullptr) return;
  const std::string label = row.setup_label;
  // The TCI 8174 said its opening line before the port opened and always takes its settings.
  if (row.receiver_make == ReceiverMake::Tci) {
    text_command_then_line(row, std::string("ef") + tci_filter_char(3000), label + " Filter set to 3000hz");
    text_command_then_line(row, row.attenuator_off_text, label + " Attenuator set to OFF");
    text_command_then_line(row, "t127", label + " SQUELCH set to OFF");
    text_command_then_line(row, row.agc_fast_text, label + " AGC set to FAST");
  } else {
    radio_setup_line(std::string(row.setup_opening_label != nullptr ? row.setup_opening_label : row.setup_label) +
                     " being initialized");
    if (text_preconfig_off(setup)) radio_setup_line(kPreconfigDisabledLine);
    else preconfigure(row, label);
  }
  radio_setup_line(label + " has been initialized");
}

}  // namespace

const FamilyOps kTextRadioOps{
    .built = true,
    .set_freq = text_set_freq,
    .set_mode = text_set_mode,
    .ptt_on = text_ptt_on,
    .ptt_off = text_ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = tune_channel,
    .attenuator = text_attenuator,
    .set_af_gain = af_gain,
    .mute = mute,
    .setup_before_port = setup_before_port,
    .setup_start = text_setup_start,
    .setup_commands = setup_commands,
    .on_reply = text_on_reply,
};

}  // namespace vesk
