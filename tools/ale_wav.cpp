// ale-wav: ALE words to and from WAV files through the station's own word layer and 8-FSK
// modem.
//
//   ale-wav encode OUT.wav WORD...   WORD is TYPE:CHARS, e.g. TO:ABC DATA:DEF TIS:XYZ, with
//                                    TYPE one of DATA THRU TO TWAS FROM TIS CMD REP and three
//                                    characters; half a second of silence before and after.
//   ale-wav decode IN.wav            48 kHz or 8 kHz, mono, 16 bit: one line per decoded word:
//                                    start in ms, type, characters, the word in hex and the
//                                    bit errors corrected; a word failing the vote or the
//                                    Golay code is marked BAD and ends the frame.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "modem/resample.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "sim/fsk_link.h"

using namespace vesk;

namespace {

constexpr const char* kTypeNames[8] = {"DATA", "THRU", "TO", "TWAS", "FROM", "TIS", "CMD", "REP"};
constexpr int kRate = 48000;

int usage() {
  std::fprintf(stderr,
               "usage: ale-wav encode OUT.wav TYPE:CHARS...\n"
               "       ale-wav decode IN.wav\n"
               "TYPE: DATA THRU TO TWAS FROM TIS CMD REP; CHARS: three characters\n");
  return 2;
}

bool parse_word(const std::string& text, AleWord* out) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const std::string type = text.substr(0, colon), chars = text.substr(colon + 1);
  if (chars.size() != 3) return false;
  for (char c : chars)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  for (int t = 0; t < 8; ++t) {
    if (type == kTypeNames[t]) {
      *out = ale_make_word(t, chars[0], chars[1], chars[2]);
      return true;
    }
  }
  return false;
}

int encode(const std::string& path, int argc, char** argv) {
  std::vector<AleWord> words;
  for (int i = 0; i < argc; ++i) {
    AleWord w;
    if (!parse_word(argv[i], &w)) {
      std::fprintf(stderr, "ale-wav: bad word \"%s\" (TYPE:CHARS with three characters)\n", argv[i]);
      return 2;
    }
    words.push_back(w);
  }
  for (AleWord w : words) ale_tx_word(w);
  std::vector<int16_t> pcm(kRate / 2, 0);
  // The transmit feed's work: every symbol selects a 384-sample table.
  for (int s = ale_tx_next_symbol(); s != ALE_TX_IDLE; s = ale_tx_next_symbol()) {
    const int16_t* table = fsk_tone_table(fsk_state(), s);
    if (table == nullptr) table = fsk_tone_table(fsk_state(), FSK_SILENCE_SYMBOL);
    pcm.insert(pcm.end(), table, table + FSK_TX_SYMBOL_SAMPLES);
  }
  pcm.insert(pcm.end(), kRate / 2, 0);
  if (!wav_write_file(path, pcm.data(), static_cast<int64_t>(pcm.size()), kRate, 1)) {
    std::fprintf(stderr, "ale-wav: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}

std::string char_text(AleWord w) {
  std::string s;
  for (int c : {ale_word_char1(w), ale_word_char2(w), ale_word_char3(w)})
    s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
  return s;
}

int decode(const std::string& path) {
  WavReader reader;
  if (!reader.open(path)) {
    std::fprintf(stderr, "ale-wav: cannot read %s as a WAV file: %s\n", path.c_str(), reader.error().c_str());
    return 1;
  }
  const WavFormat fmt = reader.format();
  if (fmt.channels != 1 || (fmt.sample_rate != 48000 && fmt.sample_rate != 8000)) {
    std::fprintf(stderr, "ale-wav: %s is %d Hz with %d channels; need 48000 or 8000 Hz mono\n",
                 path.c_str(), fmt.sample_rate, fmt.channels);
    return 1;
  }
  SimFskReceiver rx;
  rx.on_word = [](const SimRxWord& w) {
    const AleWord word = w.record.word & kAleWordBits;
    // The word ended at the symbol boundary at which it was posted.
    const long long start_ms = (w.sample - ALE_WORD_SYMBOLS * FSK_SYMBOL_SAMPLES) * 1000 / FSK_SAMPLE_RATE;
    std::printf("%lld ms %s %s %06X %d%s\n", start_ms < 0 ? 0 : start_ms, kTypeNames[ale_word_type(word)],
                char_text(word).c_str(), static_cast<unsigned>(word), w.record.golay_errors,
                w.record.bad ? " BAD" : "");
    if (w.record.bad) ale_reset_receiver();  // a bad word ends the frame
  };
  // The file is streamed: read a piece, bring it to 8 kHz, and hand the receiver whole
  // symbols, keeping the rest for the next piece, so the blocks fall as for the whole file.
  constexpr int kDecimatorFrames = 1260;
  std::vector<int16_t> piece(kDecimatorFrames * 64);
  std::vector<float> x8k;
  DecimatorState dec;
  int16_t out8k[FSK_RX_BLOCK_SAMPLES + 8];
  for (int64_t got; (got = reader.read(piece.data(), static_cast<int64_t>(piece.size()))) > 0;) {
    if (fmt.sample_rate == 48000) {
      for (int64_t i = 0; i < got; i += kDecimatorFrames) {
        const int n = static_cast<int>(std::min<int64_t>(kDecimatorFrames, got - i));
        int count8k = 0, count9600 = 0;
        snd_decimate(dec, &piece[static_cast<std::size_t>(i)], n, out8k, &count8k, nullptr, &count9600);
        for (int k = 0; k < count8k; ++k) x8k.push_back(out8k[k] / 32767.0f);
      }
    } else {
      for (int64_t i = 0; i < got; ++i) x8k.push_back(piece[static_cast<std::size_t>(i)] / 32767.0f);
    }
    const int whole = static_cast<int>(x8k.size()) / FSK_SYMBOL_SAMPLES * FSK_SYMBOL_SAMPLES;
    sim_fsk_receive(rx, x8k.data(), whole, FSK_SYMBOL_SAMPLES);
    x8k.erase(x8k.begin(), x8k.begin() + whole);
  }
  sim_fsk_receive(rx, x8k.data(), static_cast<int>(x8k.size()), FSK_SYMBOL_SAMPLES);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  Station station(".", std::make_unique<SimClock>());
  StationScope scope(station);
  db_set_default_options();
  fsk_build_tone_tables(fsk_state());
  fsk_init(fsk_state());
  ale_word_io_init();
  fsk_state().hooks.symbol = ale_rx_symbol;
  const std::string cmd = argv[1];
  if (cmd == "encode" && argc >= 4) return encode(argv[2], argc - 3, argv + 3);
  if (cmd == "decode" && argc == 3) return decode(argv[2]);
  return usage();
}
