// Sound card: the station's modem hardware, one capture and one playback device at 48 kHz.
//
// The output never stops: the transmit feed builds the next block (ALE word symbols from the
// 8-FSK tone tables, the AQC-ALE burst, a WAV player block, or silence) for every block that
// finishes playing, and notices the start and the end of each transmission by the blocks'
// tags. The input pump moves filled capture blocks to the audio thread, which brings each
// 26.25 ms block to 8 kHz for the 8-FSK demodulator. Devices deliver finished blocks to two
// hand-over queues; the audio thread and the pump poll them.
//
// The tone tables, the burst, the demodulator and the WAV player are this layer's own and are
// called directly. What the feed needs from the layers above (the word transmit queue, the
// transmitter's release) comes through the SoundCard...Hooks structs, which the station's wiring
// binds.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "modem/resample.h"
#include "modem/serial_tone/m110_rx.h"
#include "modem/serial_tone/m110_tx_worker.h"
#include "platform/audio.h"
#include "platform/thread.h"

namespace vesk {

struct LockedQueue;

inline constexpr int BLOCK_TAG_LAST = 1;  // nothing further was waiting when the block was built
inline constexpr int BLOCK_TAG_MORE = 2;  // more was waiting
// A block of the WAV player: part of no ALE or modem transmission, so its end neither posts
// the end of a transmission nor releases the transmitter (the player's caller keys).
inline constexpr int BLOCK_TAG_PLAYER = 3;

inline constexpr int AUDIO_RX = 1;
inline constexpr int AUDIO_TX = 2;
inline constexpr int AUDIO_CLOSING = 4;

inline constexpr int ALE_TX_SYMBOLS_WAITING = 10;  // ale_tx_symbols_pending: symbols wait
inline constexpr int ALE_TX_DRAINED = 9;           // the word transmit queue is empty
inline constexpr int ALE_TX_BURST_MARKER = 16;     // a symbol block that stands for the AQC-ALE burst

inline constexpr int kSndTxHeaders = 10;
inline constexpr int kSndRxHeaders = 10;
inline constexpr int kSndTxBufferSamples = 20000;  // 40,000 bytes
inline constexpr int kSndRxBlockSamples = 1260;    // 26.25 ms
inline constexpr int kSndSymbolSamples = 384;      // one 8 ms symbol at 48 kHz
inline constexpr int kSndSymbolsPerBlock = 49;     // one ALE word
inline constexpr int kSndWordBlockSamples = kSndSymbolSamples * kSndSymbolsPerBlock;  // 18,816
inline constexpr int kSndToneTables = 10;          // tones 0-7, tune tone, silence
inline constexpr int kSndBurstSamples = 2688;      // 56 ms
inline constexpr int kModemBlockSamples = 4000;    // one serial-tone block at 9,600 Hz
inline constexpr int kSndModemOutSamples = 5 * kModemBlockSamples;
inline constexpr int kRxAudioBlockSamples = 210;   // 26.25 ms at 8 kHz
inline constexpr int kRx9600BlockSamples = 252;    // 26.25 ms at 9,600 Hz
inline constexpr int kSndQueueSlots = 20;
inline constexpr int kSndRxAtDevice = 4;  // input buffers kept at the device

// What the sound card asks of the layers above it, one struct for each kind of caller; the
// station's wiring binds them. An empty hook does nothing (a query answers as an idle station
// would).

// The ALE word transmit queue, word receiver and link state.
struct SoundCardAleHooks {
  // ALE_TX_SYMBOLS_WAITING or ALE_TX_DRAINED; the next symbol; the end-of-transmission event
  // into the engine queue; receiver reset; the voice detector's start with the card.
  std::function<int()> tx_symbols_pending;
  std::function<int()> tx_next_symbol;
  std::function<void()> post_tx_underrun;
  std::function<void()> reset_receiver;
  std::function<void()> vad_reset;
  // Whether the ALE link is ready (LINKED IDLE, no frame coming in), for the serial-tone
  // modem's part in the sound path.
  std::function<int()> link_ready;
};

// Radio control: key the transmitter at the start of each serial-tone transmission, release
// it at the end of an ALE transmission.
struct SoundCardRadioHooks {
  std::function<void()> ptt_on;
  std::function<void()> ptt_off;
};

// The data link, for what the serial-tone modem receives (every byte, the start of a
// reception with its mode found, its end) and the end of each of its transmissions once played
// out (or dropped, the modem being out of the sound path).
struct SoundCardDataLinkHooks {
  std::function<void(int byte)> rx_byte;
  std::function<void()> rx_start;
  std::function<void()> rx_end;
  std::function<void()> tx_end;
};

// The network-trace output of the log (written only while that trace is on): the mixer's
// failure lines. Empty: not written.
struct SoundCardTraceHooks {
  std::function<void(const std::string&)> net_trace;
};

// Devices made by a harness (loopback between stations) instead of from the options.
struct SoundCardDeviceHooks {
  std::function<std::unique_ptr<AudioDevice>(AudioDirection)> make_device;
};

struct SndHeader {
  AudioBuffer buffer;
  std::vector<int16_t> data;
  // Output: BLOCK_TAG_LAST / BLOCK_TAG_MORE, 0 once dealt with. Input: 1 while at the device
  // or waiting, 0 once processed (only then may the header go back to the device).
  std::atomic<int> tag{0};
  bool carries = false;  // output: the block is part of a transmission (not idle silence)
  bool modem = false;    // output: a serial-tone modem block
};

struct SoundCardState {
  SoundCardAleHooks ale_hooks;
  SoundCardRadioHooks radio_hooks;
  SoundCardDataLinkHooks data_link_hooks;
  SoundCardTraceHooks trace_hooks;
  SoundCardDeviceHooks device_hooks;
  // Device descriptions from the command line ("null", "wav:PATH", "alsa:NAME"); empty: the
  // ALSA device of the options.
  std::string input_spec;
  std::string output_spec;
  // Threads started by snd_open (false: a harness calls snd_step itself). On a simulated
  // clock the threads move only as the clock does: use auto-advance, or step mode.
  bool threaded = true;

  std::unique_ptr<AudioDevice> input;
  std::unique_ptr<AudioDevice> output;
  std::string input_name;  // what was opened, for log lines and tests
  std::string output_name;
  std::array<SndHeader, kSndTxHeaders> tx;
  std::array<SndHeader, kSndRxHeaders> rx;
  int next_tx = 0;
  int next_rx = 0;
  int rx_at_device = 0;  // input headers the device holds (input pump)
  LockedQueue* tx_done_queue = nullptr;
  LockedQueue* rx_data_queue = nullptr;
  LockedQueue* rx_process_queue = nullptr;

  // Set once open has finished (devices primed), cleared first at close: the threads' steps
  // do nothing outside that window.
  std::atomic<bool> running{false};
  std::atomic<int> audio_state{0};
  std::atomic<int> output_open{0};
  std::atomic<int> input_open{0};
  int last_submitted_tag = BLOCK_TAG_LAST;
  int last_finished_tag = BLOCK_TAG_LAST;

  const int16_t* tone_tables = nullptr;  // kSndToneTables x kSndSymbolSamples
  const int16_t* burst = nullptr;        // kSndBurstSamples
  std::array<int16_t, kRxAudioBlockSamples + 8> rx8k{};
  std::array<int16_t, kRx9600BlockSamples + 8> rx9600{};

  // The serial-tone modem (made at the first open, kept for the station's life): the transmit
  // worker whose blocks the feed plays, the receiver fed at 9,600 Hz, and the two status texts.
  std::unique_ptr<M110TxWorker> m110_tx;
  std::unique_ptr<M110Receiver> m110_rx;
  // The transmit carrier, taken from the settings on the station's threads (at set-up and for
  // each message) and read by the worker: the worker never reaches the station's state, which
  // may already be gone while the sound card's state waits for the worker to end.
  std::shared_ptr<std::atomic<float>> m110_tx_carrier_step;
  std::string modem_rx_text;
  std::string modem_tx_text;
  // Feed: the last submitted block was an idle one (silence or the WAV player), a modem block
  // of a message whose last block has not gone yet, or the last block of a modem message.
  bool last_submitted_idle = true;
  bool modem_in_message = false;
  bool last_finished_modem = false;

  StationThread audio_thread;
  StationThread pump_thread;
  // Counters for tests and the status display.
  std::atomic<int64_t> tx_blocks{0};
  std::atomic<int64_t> rx_blocks_processed{0};
  std::atomic<int64_t> rx_blocks_dropped{0};
  std::atomic<int64_t> tx_ends{0};
};

SoundCardState& sound_card();

// Opens the card: queues, tables, threads, the two devices (falling back to the default
// device, and to no device at all), the modem binding and the mixer. Returns 1.
int snd_open();
// Stops both devices and both threads, then frees the buffers, closes the mixer and
// destroys the queues.
int snd_close();

// The thread steps: one pass of the audio thread (finished output block, captured block)
// and of the input pump. A harness without threads calls snd_step() instead.
void snd_audio_step();
void snd_pump_step();
void snd_step();
// Completion function given to both devices: hands a finished header to its queue.
void snd_wave_callback(AudioDirection dir, AudioBuffer* buffer);

// Transmit feed: build and submit the next output block.
void snd_write_next_tx_block();
void snd_write_pcm_block(const int16_t* samples, int tag, bool carries);
void snd_write_burst_block(int tag);
// The 10 output headers of 40,000 bytes and the 10 input headers of 2,520 bytes; freed only
// once both devices and both threads have stopped.
void snd_alloc_tx_buffers();
void snd_alloc_rx_buffers();
void snd_free_buffers();
SndHeader* snd_next_tx_header();
// The next processed input header, round-robin; null when the audio thread still holds all.
SndHeader* snd_next_rx_header();
// Gives the input device one more buffer, when one is free.
void snd_queue_rx_buffer();

int snd_audio_state();

// The serial-tone modem's binding to the card (called by snd_open): makes the transmit worker
// and the receiver once, switches both on, blank status texts.
void m110_setup();
// Whether the modem takes part in the sound path: TwxMode OFF (0) no, ALWAYS (2) yes, LINKED
// (1) while the ALE link is ready.
int m110_is_active();
// Queues one transmission of these bytes in this mode ("600S"); it goes out on its own, keyed
// and released, after any transmission before it. False for an unknown mode, an empty or
// over-long message, a full queue, or before the first open.
bool m110_transmit(const uint8_t* data, std::size_t length, const std::string& mode);
// Ends the reception under way (from any thread).
void m110_rx_reset();
// Interpolates one 4,000-sample modem block to 20,000 samples at 48 kHz and submits it.
void snd_write_modem_block(const float* block, int tag);
// The card's own steps for the modem (audio thread): a 9,600 Hz input block for the receiver;
// the next modem block for the feed (false: none may go now); the start (keying, status
// text) and the end of a modem transmission on the air.
void snd_m110_rx_block(const int16_t* samples, int count);
bool snd_m110_next_block(float* block, M110TxWorker::BlockInfo* info);
void snd_m110_tx_started(int mode);
void snd_m110_tx_ended();
int16_t snd_float_to_pcm16(float x);

// The options the card reads, one function each (the station database's accessors).
int snd_option_wave_in_device();
void snd_set_option_wave_in_device(int device);
int snd_option_wave_out_device();
void snd_set_option_wave_out_device(int device);
int snd_option_twx_mode();
void snd_set_option_twx_mode(int mode);
int snd_option_tx_audio_level();
int snd_option_rx_audio_level();
void snd_set_option_tx_audio_level(int level);
void snd_set_option_rx_audio_level(int level);
int snd_option_mixer_input();
void snd_set_option_mixer_input(int source);

// Chooses the back ends (from vesk-ale-headless --audio-in/--audio-out); takes effect at the
// next open. 1 when the descriptions are well formed.
int snd_set_device_specs(const std::string& input_spec, const std::string& output_spec);
bool snd_device_spec_valid(const std::string& spec);

}  // namespace vesk
