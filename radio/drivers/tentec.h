// Ten-Tec command sets. The TT-516, TT-538, TT-588 and RX-350 take "*", a letter, binary
// parameters and CR; the TT-550 and RX-320 are tuned by three 16-bit tuning words computed
// from the frequency and mode; the RX-330 family takes addressed text ("$1..." CR); the TT-585
// is keyed like its front panel, one character at a time. The builders here only format; the
// families' operations (radio/tentec_ops.cpp) send what they build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"
#include "radio/drivers/cat_contract.h"

namespace vesk {

// "*", `letter`, the parameter bytes, CR.
CatCommand tentec_cmd(const char* head, std::initializer_list<uint8_t> params = {});
// "*A" / "*B" with the frequency as four bytes, most significant first.
CatCommand tentec_freq(char letter, uint32_t hz);

// Mode characters of the "*M" pair.
enum class TenTecModeTable : uint8_t { Tt516, Tt588Remote, Tt588Radio };
uint8_t tentec_mode_char(TenTecModeTable table, int mode);
CatCommand tentec_mode_pair(TenTecModeTable table, int rx_mode, int tx_mode);
// The TT-588 remote set's mode pair: "*C1A" 00 before "*M" for each sideband code of the
// pair, "*C1A" 01 for each data code, then "*M".
std::vector<CatCommand> tt588_remote_mode_pair(int rx_mode, int tx_mode);

// The 23-byte frame that writes a channel into a TT-516 memory (memory = channel number + 1).
CatCommand tt516_memory_frame(const ChannelRecord& ch);

// ---- TT-550 and RX-320 tuning words ----

enum class TuningSide : uint8_t { Tt550Rx, Tt550Tx, Rx320Rx };
struct TuningWords {
  int coarse;
  int fine;
  int bfo;
};
// The three words for a frequency and mode (double precision, truncating conversions; see
// tentec_tuning.cpp).
TuningWords tentec_tuning_words(TuningSide side, uint32_t hz, int mode);
// The 8-byte tuning command: `letter`, the three words high byte first, CR.
CatCommand tentec_tuning_command(char letter, const TuningWords& w);

uint8_t tt550_mode_char(int mode);
uint8_t rx320_mode_char(int mode);
// The RX-320 filter byte for a first tune, or -1 for a mode that sends none.
int rx320_filter(int mode);
// TT-550 "#" digit of a transmit-enable value.
uint8_t tt550_enable_digit(int value);

// ---- RX-330, RX-331, RX-340 text commands ($1...) ----
CatCommand rx340_text(const std::string& body);
CatCommand rx340_freq(uint32_t hz);
// False for a mode the set has no command for.
bool rx340_mode(int mode, CatCommand& out);
CatCommand rx340_bandwidth(int hz);
CatCommand rx340_agc(int agc);

// ---- TT-585 ----
// The characters of a frequency (tens of MHz, MHz, "W", 100 kHz .. 10 Hz, "@").
std::string tt585_freq_keys(uint32_t hz);
// The key of a mode ("X" for FSK, which the caller follows by "P").
char tt585_mode_key(int mode);

}  // namespace vesk
