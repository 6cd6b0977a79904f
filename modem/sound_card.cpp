#include "modem/sound_card.h"

#include <cmath>
#include <cstring>

#include "db/locked_queue.h"
#include "db/log.h"
#include "modem/aqc_burst.h"
#include "modem/fsk8.h"
#include "modem/sound_card_mixer.h"
#include "modem/wav_player.h"
#include "platform/station.h"

namespace vesk {

namespace {

struct OpenError {
  int result;
  const char* input;
  const char* output;
};

// Open results and the operator's warning for each.
constexpr OpenError kOpenErrors[] = {
    {AUDIO_ERR_BADDEVICEID, "Unable to Open Soundcard Input BADDEVICEID", "Unable to Open Soundcard Output BADDEVICEID"},
    {AUDIO_ERR_ALLOCATED, "Unable to Open Soundcard Input ALLOCATED", "Unable to Open Soundcard Output ALLOCATED"},
    {AUDIO_ERR_NODRIVER, "Unable to Open Soundcard Input NODRIVER", "Unable to Open Soundcard Output NODRIVER"},
    {AUDIO_ERR_NOMEM, "Unable to Open Soundcard Input NOMEM", "Unable to Open Soundcard Output NOMEM"},
    {AUDIO_ERR_INVALPARAM, "Unable to Open Soundcard Input INVALID PARAM", "Unable to Open Soundcard Output INVALID PARAM"},
    {AUDIO_ERR_BADFORMAT, "Unable to Open Soundcard Input BADFORMAT", "Unable to Open Soundcard Output BADFORMAT"},
    // A synchronous-only input still delivers its buffers: it counts as opened.
    {AUDIO_ERR_SYNC, nullptr, "Unable to Open Soundcard Output SYNC"},
};

const char* open_error_text(int result, AudioDirection dir) {
  for (const OpenError& e : kOpenErrors)
    if (e.result == result) return dir == AudioDirection::Input ? e.input : e.output;
  return nullptr;
}

const int16_t* silence_block() {
  static constexpr std::array<int16_t, kSndWordBlockSamples> kSilence{};
  return kSilence.data();
}

void warn(const std::string& text) { log_printf("%s\n", text.c_str()); }

void call(const std::function<void()>& f) {
  if (f) f();
}

int symbols_pending(SoundCardState& sc) {
  return sc.ale_hooks.tx_symbols_pending ? sc.ale_hooks.tx_symbols_pending() : ALE_TX_DRAINED;
}

int next_symbol(SoundCardState& sc) { return sc.ale_hooks.tx_next_symbol ? sc.ale_hooks.tx_next_symbol() : 9; }

// A tone table for a symbol value; values without a table play as silence.
const int16_t* tone_table(SoundCardState& sc, int symbol) {
  if (sc.tone_tables == nullptr || symbol < 0 || symbol >= kSndToneTables) return silence_block();
  return sc.tone_tables + symbol * kSndSymbolSamples;
}

AudioCallbacks callbacks_for(AudioDirection dir) {
  Station* st = &station();
  AudioCallbacks cb;
  cb.done = [dir, st](AudioBuffer* b) {
    StationScope scope(*st);
    snd_wave_callback(dir, b);
  };
  cb.log = [st](const std::string& line) {
    StationScope scope(*st);
    log_printf("[%s][SOUNDCARD: %s]\n", log_time_stamp().c_str(), line.c_str());
  };
  return cb;
}

// Opens one direction: the harness's device, a device named on the command line, or the
// ALSA device of the options; an unusable ALSA device falls back to the default device
// (and the option to -1), and a machine without any falls back to no device.
std::unique_ptr<AudioDevice> open_device(AudioDirection dir, std::string* opened_name) {
  SoundCardState& sc = sound_card();
  Clock& clock = station().clock();
  const bool in = dir == AudioDirection::Input;
  const char* which = in ? "input" : "output";
  std::unique_ptr<AudioDevice> dev;
  int result = AUDIO_OK;

  auto try_open = [&](std::unique_ptr<AudioDevice> d) {
    if (!d) {
      result = AUDIO_ERR_BADDEVICEID;
      return false;
    }
    result = d->open(callbacks_for(dir));
    const bool sync_input = result == AUDIO_ERR_SYNC && dir == AudioDirection::Input;
    if (result != AUDIO_OK && !sync_input) return false;
    dev = std::move(d);
    return true;
  };

  if (sc.device_hooks.make_device) {
    try_open(sc.device_hooks.make_device(dir));
  } else {
    const std::string& spec = in ? sc.input_spec : sc.output_spec;
    if (!spec.empty() && spec.rfind("alsa:", 0) != 0) {
      try_open(audio_device_create(spec, dir, clock));
    } else {
      std::string name = !spec.empty() ? spec.substr(5)
                                       : audio_alsa_device_name(in ? snd_option_wave_in_device()
                                                                   : snd_option_wave_out_device(), dir);
      if (name.empty() || !try_open(audio_alsa_device(name, dir))) {
        if (in) {
          snd_set_option_wave_in_device(-1);
        } else {
          snd_set_option_wave_out_device(-1);
        }
        if (name != "default") try_open(audio_alsa_device("default", dir));
      }
      if (!dev) {
        if (const char* text = open_error_text(result, dir)) warn(text);
        log_printf("[%s][SOUNDCARD: no sound card %s, running without one]\n", log_time_stamp().c_str(), which);
        try_open(audio_null_device(dir, clock));
        *opened_name = dev ? dev->name() : std::string();
        return dev;
      }
    }
  }
  if (!dev) {
    if (const char* text = open_error_text(result, dir)) warn(text);
    return nullptr;
  }
  *opened_name = dev->name();
  log_printf("[%s][SOUNDCARD: %s %s]\n", log_time_stamp().c_str(), which, opened_name->c_str());
  return dev;
}

void process_rx_block(SoundCardState& sc, SndHeader* h) {
  int n8 = 0, n96 = 0;
  snd_decimate(h->data.data(), h->buffer.frames, sc.rx8k.data(), &n8, sc.rx9600.data(), &n96);
  fsk_process_block(fsk_state(), sc.rx8k.data(), n8);
  snd_m110_rx_block(sc.rx9600.data(), n96);
}

}  // namespace

SoundCardState& sound_card() { return station().state<SoundCardState>(); }

int snd_audio_state() { return sound_card().audio_state.load(); }

int16_t snd_float_to_pcm16(float x) {
  if (x >= 0.0f) {
    const float v = x * 32767.0f;
    return static_cast<int16_t>(v >= 32767.0f ? 32767 : static_cast<int>(v));
  }
  // The bitwise complement of the magnitude: -1.0 reaches -32768, and -0.00001 gives -1.
  float m = -x * 32767.0f;
  if (!(m < 32767.0f)) m = 32767.0f;  // also NaN
  return static_cast<int16_t>(~static_cast<int>(m));
}


bool snd_device_spec_valid(const std::string& spec) {
  if (spec == "null") return true;
  if (spec.rfind("wav:", 0) == 0) return spec.size() > 4;
  if (spec.rfind("alsa:", 0) == 0) return spec.size() > 5;
  return false;
}

int snd_set_device_specs(const std::string& input_spec, const std::string& output_spec) {
  if ((!input_spec.empty() && !snd_device_spec_valid(input_spec)) ||
      (!output_spec.empty() && !snd_device_spec_valid(output_spec)))
    return 0;
  SoundCardState& sc = sound_card();
  sc.input_spec = input_spec;
  sc.output_spec = output_spec;
  return 1;
}

// ---- open and close ----

int snd_open() {
  SoundCardState& sc = sound_card();
  if (sc.tx_done_queue != nullptr) snd_close();  // opening twice reopens
  sc.tx_done_queue = queue_create(kSndQueueSlots);
  sc.rx_process_queue = queue_create(kSndQueueSlots);
  sc.rx_data_queue = queue_create(kSndQueueSlots);

  call(sc.ale_hooks.vad_reset);
  FskState& fsk = fsk_state();
  fsk_init(fsk);
  fsk_build_tone_tables(fsk);
  sc.tone_tables = fsk.tone_tables.data();
  AqcBurstState& burst = aqc_burst_state();
  aqc_build_burst_waveform(burst.samples.data());
  sc.burst = burst.samples.data();

  snd_alloc_tx_buffers();
  snd_alloc_rx_buffers();
  sc.next_tx = sc.next_rx = 0;
  sc.rx_at_device = 0;
  // Before anything is sent the card counts as idle, so a transmission queued before the
  // open is seen to start and to end like any other.
  sc.last_submitted_tag = BLOCK_TAG_LAST;
  sc.last_finished_tag = BLOCK_TAG_LAST;

  if (sc.threaded) {
    Station& st = station();
    Clock& clock = st.clock();
    sc.audio_thread.start(st, "audio", [&clock] {
      snd_audio_step();
      clock.sleep_ms(1);
    });
    sc.pump_thread.start(st, "audio-in", [&clock] {
      snd_pump_step();
      clock.sleep_ms(1);
    });
  }

  sc.output_open = 0;
  sc.input_open = 0;
  sc.input = open_device(AudioDirection::Input, &sc.input_name);
  if (sc.input) {
    sc.input_open = 1;
    sc.input->start();
    for (int i = 0; i < kSndRxAtDevice; ++i) snd_queue_rx_buffer();
  }
  sc.output = open_device(AudioDirection::Output, &sc.output_name);
  if (sc.output) {
    sc.output_open = 1;
    sc.output->start();
    snd_write_next_tx_block();
    snd_write_next_tx_block();
  }

  m110_setup();
  if (sc.input && sc.output) mixer_setup(sc.input_name, sc.output_name);
  sc.audio_state = AUDIO_RX;
  sc.running.store(true, std::memory_order_release);
  return 1;
}

int snd_close() {
  SoundCardState& sc = sound_card();
  if (sc.tx_done_queue == nullptr) return 1;
  sc.running.store(false, std::memory_order_release);
  sc.audio_thread.request_stop();
  sc.pump_thread.request_stop();
  sc.audio_state = AUDIO_CLOSING;
  // Devices first (no completion runs once they are closed), then the threads, and only
  // then the buffers they might still hold.
  sc.output_open = 0;
  sc.input_open = 0;
  if (sc.output) sc.output->close();
  if (sc.input) sc.input->close();
  sc.audio_thread.stop();
  sc.pump_thread.stop();
  sc.output.reset();
  sc.input.reset();
  snd_free_buffers();
  mixer_close();
  queue_destroy(sc.tx_done_queue);
  queue_destroy(sc.rx_process_queue);
  queue_destroy(sc.rx_data_queue);
  sc.tx_done_queue = sc.rx_process_queue = sc.rx_data_queue = nullptr;
  return 1;
}

// ---- callback, pump and audio thread ----

void snd_wave_callback(AudioDirection dir, AudioBuffer* buffer) {
  if (buffer == nullptr) return;
  SoundCardState& sc = sound_card();
  LockedQueue* q = dir == AudioDirection::Output ? sc.tx_done_queue : sc.rx_data_queue;
  if (q != nullptr) queue_push(q, buffer);  // a full queue drops it
}

void snd_pump_step() {
  SoundCardState& sc = sound_card();
  if (!sc.running.load(std::memory_order_acquire)) return;
  if (sc.input_open.load() && sc.input) sc.input->poll();
  while (void* p = queue_pop(sc.rx_data_queue)) {
    --sc.rx_at_device;
    if (queue_push(sc.rx_process_queue, p) == nullptr) {
      // The hand-over is full: the block is lost and its header free again.
      sc.rx[static_cast<std::size_t>(static_cast<AudioBuffer*>(p)->user)].tag.store(0, std::memory_order_release);
      sc.rx_blocks_dropped++;
    }
  }
  // Keep the device supplied with processed buffers; when the audio thread still holds them
  // all, the device runs short and that capture is lost rather than overwriting a block.
  while (sc.rx_at_device < kSndRxAtDevice && sc.input_open.load()) {
    const int before = sc.rx_at_device;
    snd_queue_rx_buffer();
    if (sc.rx_at_device == before) break;
  }
}

void snd_audio_step() {
  SoundCardState& sc = sound_card();
  if (!sc.running.load(std::memory_order_acquire)) return;
  if (sc.output_open.load() && sc.output) sc.output->poll();
  if (auto* b = static_cast<AudioBuffer*>(queue_pop(sc.tx_done_queue))) {
    SndHeader& h = sc.tx[static_cast<std::size_t>(b->user)];
    snd_write_next_tx_block();
    // The end of a transmission: its last block has finished playing. That is a block
    // tagged last that carried the transmission, or the first idle block after blocks
    // tagged more (serial-tone modem blocks).
    if (h.tag == BLOCK_TAG_LAST && (h.carries || sc.last_finished_tag == BLOCK_TAG_MORE)) {
      call(sc.ale_hooks.post_tx_underrun);
      call(sc.radio_hooks.ptt_off);
      if (sc.last_finished_modem) snd_m110_tx_ended();
      sc.tx_ends++;
      sc.audio_state = AUDIO_RX;
    }
    if (h.tag == BLOCK_TAG_PLAYER) wav_player_block_played();
    sc.last_finished_tag = h.tag;
    sc.last_finished_modem = h.modem;
    h.tag.store(0, std::memory_order_relaxed);
    h.carries = false;
    h.modem = false;
  }
  if (auto* b = static_cast<AudioBuffer*>(queue_pop(sc.rx_process_queue))) {
    SndHeader& h = sc.rx[static_cast<std::size_t>(b->user)];
    if (sc.audio_state.load() == AUDIO_RX) {
      process_rx_block(sc, &h);
      sc.rx_blocks_processed++;
    }
    h.tag.store(0, std::memory_order_release);
  }
}

void snd_step() {
  snd_pump_step();
  snd_audio_step();
}

// ---- buffers ----

void snd_alloc_tx_buffers() {
  SoundCardState& sc = sound_card();
  for (int i = 0; i < kSndTxHeaders; ++i) {
    SndHeader& h = sc.tx[static_cast<std::size_t>(i)];
    h.data.assign(kSndTxBufferSamples, 0);
    h.buffer = AudioBuffer{h.data.data(), kSndTxBufferSamples, 0, i};
    h.tag = 0;
    h.carries = false;
  }
}

void snd_alloc_rx_buffers() {
  SoundCardState& sc = sound_card();
  for (int i = 0; i < kSndRxHeaders; ++i) {
    SndHeader& h = sc.rx[static_cast<std::size_t>(i)];
    h.data.assign(kSndRxBlockSamples, 0);
    h.buffer = AudioBuffer{h.data.data(), kSndRxBlockSamples, 0, i};
    h.tag = 0;
  }
}

void snd_free_buffers() {
  SoundCardState& sc = sound_card();
  for (auto* headers : {&sc.tx, &sc.rx}) {
    for (SndHeader& h : *headers) {
      h.data.clear();
      h.data.shrink_to_fit();
      h.buffer = AudioBuffer{};
      h.tag = 0;
    }
  }
}

SndHeader* snd_next_tx_header() {
  SoundCardState& sc = sound_card();
  SndHeader* h = &sc.tx[static_cast<std::size_t>(sc.next_tx)];
  sc.next_tx = (sc.next_tx + 1) % kSndTxHeaders;
  h->tag = 1;
  h->buffer.frames = kSndWordBlockSamples;
  return h;
}

SndHeader* snd_next_rx_header() {
  SoundCardState& sc = sound_card();
  for (int k = 0; k < kSndRxHeaders; ++k) {
    SndHeader* h = &sc.rx[static_cast<std::size_t>(sc.next_rx)];
    sc.next_rx = (sc.next_rx + 1) % kSndRxHeaders;
    if (h->tag.load(std::memory_order_acquire) != 0) continue;  // still with the audio thread
    h->tag.store(1, std::memory_order_relaxed);
    h->buffer.frames = 0;
    return h;
  }
  return nullptr;
}

void snd_queue_rx_buffer() {
  SoundCardState& sc = sound_card();
  if (!sc.input_open.load() || !sc.input) return;
  SndHeader* h = snd_next_rx_header();
  if (h == nullptr) return;
  if (sc.input->submit(&h->buffer)) {
    ++sc.rx_at_device;
  } else {
    h->tag.store(0, std::memory_order_relaxed);
  }
}

// ---- transmit feed ----

namespace {

void submit_tx(SoundCardState& sc, SndHeader* h, int frames, int tag, bool carries) {
  h->tag = tag;
  h->carries = carries;
  h->buffer.frames = frames;
  sc.tx_blocks++;
  sc.output->submit(&h->buffer);
}

// The WAV player's next block, when it has one: submitted as a block of its own length.
bool write_player_block(SoundCardState& sc) {
  SndHeader* h = &sc.tx[static_cast<std::size_t>(sc.next_tx)];
  const int frames = wav_player_next_block(h->data.data(), kSndWordBlockSamples);
  if (frames <= 0) return false;
  snd_next_tx_header();
  submit_tx(sc, h, frames, BLOCK_TAG_PLAYER, false);
  return true;
}

}  // namespace

void snd_write_pcm_block(const int16_t* samples, int tag, bool carries) {
  SoundCardState& sc = sound_card();
  SndHeader* h = snd_next_tx_header();
  std::memcpy(h->data.data(), samples, sizeof(int16_t) * kSndWordBlockSamples);
  submit_tx(sc, h, kSndWordBlockSamples, tag, carries);
}

void snd_write_modem_block(const float* block, int tag) {
  SoundCardState& sc = sound_card();
  thread_local std::vector<float> wide(static_cast<std::size_t>(kSndModemOutSamples));
  snd_interpolate_by5(block, wide.data(), kModemBlockSamples);
  SndHeader* h = snd_next_tx_header();
  for (int i = 0; i < kSndModemOutSamples; ++i) h->data[static_cast<std::size_t>(i)] = snd_float_to_pcm16(wide[static_cast<std::size_t>(i)]);
  h->modem = true;
  submit_tx(sc, h, kSndModemOutSamples, tag, true);
}

void snd_write_burst_block(int tag) {
  SoundCardState& sc = sound_card();
  SndHeader* h = snd_next_tx_header();
  if (sc.burst != nullptr) {
    std::memcpy(h->data.data(), sc.burst, sizeof(int16_t) * kSndBurstSamples);
  } else {
    std::fill_n(h->data.data(), kSndBurstSamples, int16_t{0});
  }
  submit_tx(sc, h, kSndBurstSamples, tag, true);
}


void snd_write_next_tx_block() {
  SoundCardState& sc = sound_card();
  if (!sc.output_open.load() || !sc.output) return;
  int tag;
  bool carries = true;
  int modem_first = -1;  // the mode of a modem message's first block
  std::array<float, kModemBlockSamples> block;
  M110TxWorker::BlockInfo info;
  if (symbols_pending(sc) == ALE_TX_DRAINED) {
    if (snd_m110_next_block(block.data(), &info)) {
      tag = BLOCK_TAG_MORE;
      snd_write_modem_block(block.data(), tag);
      if (info.first) modem_first = info.mode;
    } else if (write_player_block(sc)) {
      tag = BLOCK_TAG_PLAYER;
      carries = false;
    } else {
      // Idle: silence.
      tag = BLOCK_TAG_LAST;
      carries = false;
      snd_write_pcm_block(silence_block(), tag, false);
    }
  } else {
    const int first = next_symbol(sc);
    if (first == ALE_TX_BURST_MARKER) {
      for (int i = 1; i < kSndSymbolsPerBlock; ++i) next_symbol(sc);
      tag = symbols_pending(sc) == ALE_TX_DRAINED ? BLOCK_TAG_LAST : BLOCK_TAG_MORE;
      snd_write_burst_block(tag);
    } else {
      SndHeader* h = snd_next_tx_header();
      int16_t* out = h->data.data();
      for (int i = 0; i < kSndSymbolsPerBlock; ++i) {
        const int symbol = i == 0 ? first : next_symbol(sc);
        std::memcpy(out + i * kSndSymbolSamples, tone_table(sc, symbol), sizeof(int16_t) * kSndSymbolSamples);
      }
      tag = symbols_pending(sc) == ALE_TX_DRAINED ? BLOCK_TAG_LAST : BLOCK_TAG_MORE;
      submit_tx(sc, h, kSndWordBlockSamples, tag, true);
    }
  }
  // The start of a transmission: the first block that carries one after an idle block, a
  // player block or the last block of an earlier transmission.
  if (carries && sc.last_submitted_tag != BLOCK_TAG_MORE) {
    sc.audio_state = AUDIO_TX;
    fsk_clear_display_bins(fsk_state());
    call(sc.ale_hooks.reset_receiver);
    if (modem_first >= 0) snd_m110_tx_started(modem_first);
  }
  sc.last_submitted_tag = tag;
  sc.last_submitted_idle = !carries;
}

}  // namespace vesk
