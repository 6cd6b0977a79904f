// The simulator's stand-in for the serial-tone modem on the air: each station's data-link
// transmissions (bytes in a modem mode) take the mode's air time and reach the stations whose
// receiver is tuned to the sender's transmit frequency, with bit errors drawn from a model of
// the modem: a coded bit error rate that falls by 1.2 decades per dB past the SNR where the mode
// reaches 1e-5 on AWGN (0 dB at 75 bps, +2 dB per doubling up to 2400 bps at 11 dB; 4800 bps at
// 17 dB, 0.5 decades per dB); with fading, every interleaver block sees the SNR scaled by a
// Rayleigh fade (averaged over 2 draws for short interleavers, 8 for long). A station that
// transmits hears nothing meanwhile. The stations' ALE audio goes through the sample ether as
// before; only the data link's bytes go this way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace vesk {

class Station;
class Fs1052ModemIo;

struct ByteEtherConfig {
  bool noise = false;   // false: no errors at all
  double snr_db = 30;
  bool fading = false;  // Rayleigh fades per interleaver block (the CCIR presets)
  uint64_t seed = 1;
};

// The bit error rate of the model in a mode at an SNR.
double byte_ether_ber(const std::string& mode, double snr_db);

class ByteEther {
 public:
  explicit ByteEther(ByteEtherConfig config);
  ~ByteEther();
  // A station on the ether; the returned modem belongs to the ether.
  Fs1052ModemIo* add_station(Station* st, std::function<int()> rx_freq, std::function<int()> tx_freq);
  // Delivers every transmission that has ended by `now_ms` (simulated time of the run).
  void step(int64_t now_ms);

 private:
  struct Modem;
  struct Flight {
    int from;
    int freq;
    int64_t start_ms, end_ms;
    std::string mode;
    std::vector<uint8_t> bytes;
  };
  void deliver(const Flight& f);

  ByteEtherConfig config_;
  std::mt19937_64 rng_;
  std::vector<std::unique_ptr<Modem>> modems_;
  std::vector<Flight> flights_;
  int64_t now_ms_ = 0;
  friend struct Modem;
};

}  // namespace vesk
