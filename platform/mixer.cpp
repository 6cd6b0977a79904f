#include "platform/mixer.h"

#include <alsa/asoundlib.h>

#include <cstring>

namespace vesk {

namespace {

void quiet_alsa_errors(const char*, int, const char*, int, const char*, ...) {}

class NoMixer : public AudioMixer {
 public:
  int control_range(MixerControl, long* min, long* max) override {
    *min = 0;
    *max = 100;
    return 1;
  }
  int set_control(MixerControl, long) override { return 1; }
  std::vector<std::string> input_sources() override { return {"Mic", "Line"}; }
  int select_input_source(int) override { return 1; }
  std::string name() const override { return "none"; }
};

// Element names tried for each control, most specific first.
constexpr const char* kWaveOutNames[] = {"PCM", "Master", "Speaker", "Headphone"};
constexpr const char* kLineNames[] = {"Line", "Line Capture", "Capture"};
constexpr const char* kMicNames[] = {"Mic", "Mic Capture", "Capture"};
constexpr const char* kSourceNames[] = {"Capture Source", "Input Source", "PCM Capture Source"};

class AlsaMixer : public AudioMixer {
 public:
  AlsaMixer(snd_mixer_t* handle, std::string name) : handle_(handle), name_(std::move(name)) {}
  ~AlsaMixer() override { snd_mixer_close(handle_); }

  int control_range(MixerControl control, long* min, long* max) override {
    snd_mixer_elem_t* e = find(control);
    if (e == nullptr) return 0;
    const int rc = control == MixerControl::WaveOut ? snd_mixer_selem_get_playback_volume_range(e, min, max)
                                                    : snd_mixer_selem_get_capture_volume_range(e, min, max);
    return rc == 0 && *max > *min ? 1 : 0;
  }

  int set_control(MixerControl control, long value) override {
    snd_mixer_elem_t* e = find(control);
    if (e == nullptr) return 0;
    const int rc = control == MixerControl::WaveOut ? snd_mixer_selem_set_playback_volume_all(e, value)
                                                    : snd_mixer_selem_set_capture_volume_all(e, value);
    return rc == 0 ? 1 : 0;
  }

  std::vector<std::string> input_sources() override {
    std::vector<std::string> items;
    snd_mixer_elem_t* e = source_selector();
    if (e == nullptr) return items;
    const int n = snd_mixer_selem_get_enum_items(e);
    for (int i = 0; i < n; ++i) {
      char buf[64] = {};
      if (snd_mixer_selem_get_enum_item_name(e, static_cast<unsigned>(i), sizeof buf - 1, buf) < 0) buf[0] = 0;
      items.emplace_back(buf);
    }
    return items;
  }

  int select_input_source(int item) override {
    snd_mixer_elem_t* e = source_selector();
    if (e == nullptr || item < 0 || item >= snd_mixer_selem_get_enum_items(e)) return 0;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
      const auto c = static_cast<snd_mixer_selem_channel_id_t>(ch);
      unsigned cur = 0;
      if (snd_mixer_selem_get_enum_item(e, c, &cur) < 0) continue;
      if (snd_mixer_selem_set_enum_item(e, c, static_cast<unsigned>(item)) < 0) return 0;
    }
    return 1;
  }

  std::string name() const override { return "alsa:" + name_; }

 private:
  snd_mixer_elem_t* by_name(const char* name, bool playback) {
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle_); e != nullptr; e = snd_mixer_elem_next(e)) {
      if (!snd_mixer_selem_is_active(e) || std::strcmp(snd_mixer_selem_get_name(e), name) != 0) continue;
      if (playback ? snd_mixer_selem_has_playback_volume(e) : snd_mixer_selem_has_capture_volume(e)) return e;
    }
    return nullptr;
  }

  snd_mixer_elem_t* find(MixerControl control) {
    auto first = [&](const auto& names, bool playback) -> snd_mixer_elem_t* {
      for (const char* n : names)
        if (snd_mixer_elem_t* e = by_name(n, playback)) return e;
      return nullptr;
    };
    switch (control) {
      case MixerControl::WaveOut:
        return first(kWaveOutNames, true);
      case MixerControl::LineIn:
        return first(kLineNames, false);
      case MixerControl::MicIn:
        return first(kMicNames, false);
    }
    return nullptr;
  }

  snd_mixer_elem_t* source_selector() {
    for (const char* n : kSourceNames)
      for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle_); e != nullptr; e = snd_mixer_elem_next(e))
        if (std::strcmp(snd_mixer_selem_get_name(e), n) == 0 && snd_mixer_selem_is_enumerated(e)) return e;
    return nullptr;
  }

  snd_mixer_t* handle_;
  std::string name_;
};

}  // namespace

std::unique_ptr<AudioMixer> mixer_open_none() { return std::make_unique<NoMixer>(); }

std::unique_ptr<AudioMixer> mixer_open_alsa(const std::string& ctl_name, std::string* error) {
  snd_lib_error_set_handler(quiet_alsa_errors);
  snd_mixer_t* h = nullptr;
  int rc = snd_mixer_open(&h, 0);
  if (rc == 0) rc = snd_mixer_attach(h, ctl_name.c_str());
  if (rc == 0) rc = snd_mixer_selem_register(h, nullptr, nullptr);
  if (rc == 0) rc = snd_mixer_load(h);
  if (rc != 0) {
    if (error != nullptr) *error = snd_strerror(rc);
    if (h != nullptr) snd_mixer_close(h);
    return nullptr;
  }
  return std::make_unique<AlsaMixer>(h, ctl_name);
}

std::string mixer_ctl_name_for_pcm(const std::string& pcm_name) {
  std::string n = pcm_name;
  if (n.rfind("plug:", 0) == 0) n = n.substr(5);
  if (!n.empty() && (n.front() == '"' || n.front() == '\'')) n = n.substr(1, n.size() - 2);
  const std::size_t card = n.find("CARD=");
  if (card != std::string::npos) {
    const std::size_t end = n.find(',', card);
    return "hw:" + n.substr(card + 5, end == std::string::npos ? std::string::npos : end - card - 5);
  }
  for (const char* prefix : {"plughw:", "hw:"}) {
    if (n.rfind(prefix, 0) == 0) {
      const std::string rest = n.substr(std::strlen(prefix));
      return "hw:" + rest.substr(0, rest.find(','));
    }
  }
  return "default";
}

}  // namespace vesk
