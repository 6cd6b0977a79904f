// Random byte streams through the receive parser. The first two bytes choose the receive
// series' bytes per frame and frames count, as a peer's control frame would; a control frame
// handed over sets them too, as the link does. Every record handed over must stay inside its
// bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "datalink/fs1052_parser.h"

namespace {

struct FuzzSink : vesk::Fs1052FrameSink {
  int frames = 0;
  int bytes = 0;
  int rx_series_frames() override { return frames; }
  int rx_bytes_per_frame() override { return bytes; }
  void on_control_frame(const vesk::Fs1052ControlFrame& f) override {
    if (f.source_len < 0 || f.source_len > vesk::kFs1052MaxAddress || f.destination_len < 0 ||
        f.destination_len > vesk::kFs1052MaxAddress || f.type < 1 || f.type > 4)
      std::abort();
    if (f.has_series) {
      frames = f.frames_next;
      bytes = f.bytes_per_frame;
    }
  }
  void on_data_frame(const vesk::Fs1052DataFrame& f) override {
    if (f.length < 0 || f.length > vesk::kFs1052MaxBytesPerFrame) std::abort();
  }
  void on_parser_event(int) override {}
  void on_receiver_reset() override {}
  void on_trace(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  FuzzSink sink;
  // Up to 2047 bytes per frame and 511 frames: beyond what the records hold.
  sink.bytes = (data[0] << 3) | (data[1] & 7);
  sink.frames = data[1] << 1;
  vesk::Fs1052Parser parser;
  for (size_t i = 2; i < size; ++i) {
    parser.rx_byte(data[i], sink);
    // Sync bytes are rare in random input: start frames often.
    if ((data[i] & 0x0F) == 0x0F) {
      parser.rx_byte(0x5C, sink);
      parser.rx_byte(0x5C, sink);
    }
  }
  return 0;
}
