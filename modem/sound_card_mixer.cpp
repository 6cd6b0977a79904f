#include "modem/sound_card_mixer.h"

#include <algorithm>
#include <utility>

#include "modem/sound_card.h"
#include "platform/station.h"

namespace vesk {

namespace {

void trace(const std::string& line) {
  const auto& t = sound_card().trace_hooks.net_trace;
  if (t) t(line);
}

std::unique_ptr<AudioMixer> open_for(const std::string& device) {
  if (device.rfind("alsa:", 0) != 0) return mixer_open_none();
  return mixer_open_alsa(mixer_ctl_name_for_pcm(device.substr(5)), nullptr);
}

// percent of the control's range above its minimum; a control whose maximum is below 100
// still gets its share rather than 0.
int set_percent(AudioMixer* mixer, MixerControl control, int percent) {
  long min = 0, max = 0;
  if (mixer == nullptr || !mixer->control_range(control, &min, &max)) return 0;
  percent = std::clamp(percent, 0, 100);
  const long long value = static_cast<long long>(percent) * (static_cast<long long>(max) - min) / 100 + min;
  return mixer->set_control(control, static_cast<long>(value));
}

}  // namespace

MixerState& mixer_state() { return station().state<MixerState>(); }

void mixer_setup(const std::string& input_device, const std::string& output_device) {
  mixer_setup_with(open_for(input_device), open_for(output_device));
}

void mixer_setup_with(std::unique_ptr<AudioMixer> input, std::unique_ptr<AudioMixer> output) {
  MixerState& m = mixer_state();
  m.input = std::move(input);
  m.output = std::move(output);
  // A card without a usable mixer gets the no-op one, so the levels can still be set.
  if (!m.input) {
    trace("Error Opening Input Mixer ID\n");
    m.input = mixer_open_none();
  }
  if (!m.output) {
    trace("Error Opening Output Mixer ID\n");
    m.output = mixer_open_none();
  }
  m.mic_item = m.line_item = -1;
  long min = 0, max = 0;
  if (m.input) {
    const std::vector<std::string> items = m.input->input_sources();
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].compare(0, 3, "Mic") == 0) m.mic_item = static_cast<int>(i);
      if (items[i].compare(0, 3, "Lin") == 0) m.line_item = static_cast<int>(i);
    }
    if (!m.input->control_range(MixerControl::LineIn, &min, &max)) trace("Error getLineControls 201\n");
    if (!m.input->control_range(MixerControl::MicIn, &min, &max)) trace("Error getLineControls 217\n");
  }
  if (m.output && !m.output->control_range(MixerControl::WaveOut, &min, &max)) trace("Error getLineControls 288\n");
  mixer_set_wave_out_level(snd_option_tx_audio_level());
  mixer_set_input_level(snd_option_rx_audio_level());
  mixer_apply_input_selection();
}

void mixer_set_wave_out_level(int percent) {
  MixerState& m = mixer_state();
  if (!m.output) return;
  if (!set_percent(m.output.get(), MixerControl::WaveOut, percent)) trace("Wave-out to speaker level failed\n");
}

void mixer_set_input_level(int percent) {
  MixerState& m = mixer_state();
  if (!m.input) return;
  if (!set_percent(m.input.get(), MixerControl::MicIn, percent)) trace("Mic to Wavein Level failed\n");
  if (!set_percent(m.input.get(), MixerControl::LineIn, percent)) trace("Line to Wavein Level failed\n");
}

void mixer_select_line_input() {
  MixerState& m = mixer_state();
  if (!m.input) return;
  if (m.line_item < 0 || !m.input->select_input_source(m.line_item)) trace("Unable to Select Line Input\n");
}

void mixer_select_mic_input() {
  MixerState& m = mixer_state();
  if (!m.input) return;
  if (m.mic_item < 0 || !m.input->select_input_source(m.mic_item)) trace("Unable to Select Mic Input\n");
}

int mixer_apply_input_selection() {
  const int choice = snd_option_mixer_input();
  if (choice == 1) mixer_select_mic_input();
  if (choice == 0) mixer_select_line_input();
  return choice;
}

void mixer_select_input(int choice) {
  if (choice == 1) mixer_select_mic_input();
  if (choice == 0) mixer_select_line_input();
  snd_set_option_mixer_input(choice);
}

void mixer_close() {
  MixerState& m = mixer_state();
  m.input.reset();
  m.output.reset();
}

}  // namespace vesk
