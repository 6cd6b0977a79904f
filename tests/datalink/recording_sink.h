// A frame sink that records what the receive parser hands over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datalink/fs1052_parser.h"

namespace vesk::test {

struct RecordingSink : Fs1052FrameSink {
  int series_frames = 0;
  int bytes_per_frame = 100;
  std::vector<Fs1052ControlFrame> controls;
  std::vector<Fs1052DataFrame> datas;
  std::vector<int> events;
  int receiver_resets = 0;
  std::string trace;

  int rx_series_frames() override { return series_frames; }
  int rx_bytes_per_frame() override { return bytes_per_frame; }
  void on_control_frame(const Fs1052ControlFrame& f) override { controls.push_back(f); }
  void on_data_frame(const Fs1052DataFrame& f) override { datas.push_back(f); }
  void on_parser_event(int event) override { events.push_back(event); }
  void on_receiver_reset() override { ++receiver_resets; }
  void on_trace(const std::string& text) override { trace += text; }
};

inline void feed(Fs1052Parser& p, Fs1052FrameSink& sink, const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes) p.rx_byte(b, sink);
}

}  // namespace vesk::test
