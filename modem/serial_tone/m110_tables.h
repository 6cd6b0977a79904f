// The serial-tone waveform's fixed tables: the fourteen modes, the 8-PSK points, the transmit
// shaping filter, the preamble symbol patterns and their scrambling, the data scrambler, the
// 75 bit/s sequence sets, the K=7 rate-1/2 coder and the interleaver geometry of each mode.
// Transmitter and receiver share them; nothing here holds state.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <string>

namespace vesk {

using M110Complex = std::complex<float>;

inline constexpr int kM110ModeCount = 14;
inline constexpr int kM110SymbolRate = 2400;
inline constexpr int kM110SampleRate = 9600;       // the transmitter's output rate
inline constexpr int kM110SamplesPerSymbol = 4;
inline constexpr int kM110ChunkSymbols = 480;       // 200 ms
inline constexpr int kM110SegmentSymbols = 480;     // one preamble segment
inline constexpr int kM110ScramblerLength = 160;
// Every message ends with the end-of-message pattern (32 bits, most significant first), then
// 144 zero bits that flush the decoder, then zero bits to the end of its interleaver block.
inline constexpr uint32_t kM110EndOfMessage = 0x4B65A5B2u;
inline constexpr int kM110FlushBits = 144;

enum class M110Interleave { Short, Long, InOrder };
// How a mode's data symbols are formed.
enum class M110Symbols { Walsh, Bpsk, Qpsk, Psk8 };

struct M110ModeInfo {
  const char* short_name;
  const char* display_name;
  int bits_per_second;
  M110Interleave interleave;
  // Coded bits loaded per data bit: 2 (rate 1/2), 8 (150 bit/s, each pair four times),
  // 4 (300 bit/s, twice), 1 (4800 bit/s, uncoded).
  int expansion;
  M110Symbols symbols;
  int data_per_frame;   // data symbols per frame (0 at 75 bit/s)
  int probe_per_frame;  // probe symbols per frame (0 at 75 bit/s)
  int d1, d2;
  int segments;         // preamble segments: 3 or 24
  int bits_per_chunk;   // data bits per 200 ms
  int bits_per_block;   // data bits per interleaver block
  int frames_per_block; // frames (75 bit/s: 32-symbol sequences) per interleaver block
  // Interleaver geometry: rows x columns, the load row step and the fetch column step (added
  // modulo the column count). Row step 0: coded bits pass in order, one block later.
  int rows, columns, row_step, column_step;
  int chunks_per_block() const { return bits_per_block / bits_per_chunk; }
  int capacity() const { return rows * columns; }
  bool is_long() const { return interleave == M110Interleave::Long; }
};

const M110ModeInfo& m110_mode_info(int mode);
// The mode with this exact short name ("600S"), or -1.
int m110_mode_from_name(const std::string& name);
bool m110_mode_valid(int mode);

// Tribit k at k x 45 degrees; the diagonal value is 0.707.
extern const std::array<M110Complex, 8> kM110Constellation;
// Four phases of eight taps: output sample j of a symbol period is the sum over the last eight
// symbols (oldest first) times phase j's taps.
extern const float kM110TxShaping[4][8];

// Preamble: the 8-tribit pattern of each channel symbol 0-7 (a symbol is its pattern four
// times), the 32-tribit sequence added to every preamble symbol, the nine sync symbols.
extern const uint8_t kM110SymbolPattern[8][8];
extern const uint8_t kM110PreambleScramble[32];
extern const uint8_t kM110SyncSymbols[9];
// The three count symbols of a segment with count c (0-23).
std::array<int, 3> m110_count_symbols(int count);
// The 32 scrambled tribits of preamble symbol s.
std::array<uint8_t, 32> m110_preamble_symbol_tribits(int s);

// Data scrambler: 160 tribits, used cyclically.
const std::array<uint8_t, kM110ScramblerLength>& m110_scrambler_tribits();
const std::array<M110Complex, kM110ScramblerLength>& m110_scrambler_points();

// 75 bit/s: the 8-tribit groups (each sent four times) of the normal and the exceptional set,
// by sequence number; a dibit (b1, b2) selects sequence kM110WalshOfDibit[2 b1 + b2] (0 1 2 3).
extern const uint8_t kM110WalshNormal[4][8];
extern const uint8_t kM110WalshExceptional[4][8];
extern const uint8_t kM110WalshOfDibit[4];

// Bits to tribits of the PSK modes (first bit most significant) and back.
extern const uint8_t kM110QpskOfDibit[4];    // 0 2 6 4
extern const uint8_t kM110Psk8OfTribit[8];   // 0 1 3 2 7 6 4 5 (coded 8-PSK)
extern const uint8_t kM110Psk8OfTribit4800[8];  // 1 0 2 3 6 7 5 4 (4800 bit/s, uncoded)
// The 20-tribit probe of a D value: its pattern twice, then four zeros.
std::array<uint8_t, 20> m110_probe_tribits(int d);

// Rate-1/2 K=7 convolutional coder, generators 133 and 171 (octal). The register holds the
// newest bit in bit 6.
struct M110Coder {
  int reg = 0;
  void reset() { reg = 0; }
  // c1 in bit 1, c2 in bit 0.
  int encode(int bit);
};
// The two coded bits (c1 << 1 | c2) for a 7-bit register value.
int m110_coder_output(int reg);

// The modem's nominal sample rate for a sample-rate setting (9500-9700 -> 9600, 7900-8100 ->
// 8000, 7100-7300 -> 7200, 6300-6500 -> 6400), or 0 for a setting in none of those ranges.
int m110_rate_of_setting(int setting);

// Carrier phase step per 9,600 Hz sample from the station's settings: centre frequency and
// the nominal rate of the sample-rate setting. 0 for a setting of no nominal rate (the
// carrier stands still).
float m110_carrier_step(int centre_hz, int rate_setting);
// The same from the station database's settings.
float m110_carrier_step_from_settings();

}  // namespace vesk
