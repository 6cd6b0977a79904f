#include "tests/modem/serial_tone/m110_loopback_support.h"

namespace vesk::test {

std::vector<float> m110_air(int mode, const std::vector<uint8_t>& message) {
  M110Transmitter tx;
  tx.set_mode(mode);
  return tx.send(message.data(), message.size());
}

LoopResult m110_receive(std::vector<float> air, const LoopOptions& options) {
  if (options.channel) {
    ChannelSim sim;
    ChannelSimConfig cfg = options.sim;
    cfg.sample_rate = kM110SampleRate;
    cfg.signal_power = channel_measure_power(air.data(), static_cast<int>(air.size()), kM110SampleRate);
    channel_sim_init(sim, cfg);
    std::vector<float> out;
    channel_sim_process(sim, air.data(), static_cast<int>(air.size()), out);
    air.swap(out);
  }
  LoopResult result;
  M110Receiver* receiver = nullptr;
  M110RxConfig cfg;
  cfg.on_byte = [&](int b) {
    result.bytes.push_back(static_cast<uint8_t>(b));
    if (options.on_byte) options.on_byte(*receiver, b);
  };
  cfg.status = [&result](M110Status s, float hz) {
    if (s == M110Status::RxEnd) ++result.rx_ends;
    if (s == M110Status::RxMode) ++result.rx_modes;
    if (s == M110Status::FreqOffset) result.freq_offset_hz = hz;
  };
  cfg.end_on_eom = options.end_on_eom;
  M110Receiver rx(cfg);
  receiver = &rx;
  rx.rx_samples(air.data(), static_cast<int>(air.size()));
  result.mode_heard = result.rx_modes > 0 ? rx.rx_mode() : -1;
  result.stats = rx.stats();
  result.final_state = rx.state();
  return result;
}

LoopResult m110_loopback(int mode, const std::vector<uint8_t>& message, const LoopOptions& options) {
  std::vector<float> air(static_cast<std::size_t>(options.lead_samples), 0.0f);
  const std::vector<float> signal = m110_air(mode, message);
  air.insert(air.end(), signal.begin(), signal.end());
  air.insert(air.end(), static_cast<std::size_t>(options.tail_samples), 0.0f);
  return m110_receive(std::move(air), options);
}

int64_t m110_bit_errors(const std::vector<uint8_t>& message, const std::vector<uint8_t>& got) {
  int64_t errors = 0;
  for (std::size_t i = 0; i < message.size(); ++i)
    errors += i < got.size() ? __builtin_popcount(static_cast<unsigned>(message[i] ^ got[i])) : 8;
  return errors;
}

}  // namespace vesk::test
