// The byte-by-byte receive parser: turns the modem's decoded byte stream back into control
// and data frame records and the parser's events for the link.
#pragma once

#include <cstdint>
#include <string>

#include "datalink/fs1052_frames.h"

namespace vesk {

// Parser events.
inline constexpr int kFs1052EvSeriesEnd = 18;     // end of a received data series
inline constexpr int kFs1052EvUnexpected = 20;    // unexpected byte after a frame
inline constexpr int kFs1052EvBadControl = 21;    // control frame with a bad CRC

// What the parser needs of its link and hands to it.
class Fs1052FrameSink {
 public:
  virtual ~Fs1052FrameSink() = default;
  // The receive series parameters: frames in the series the peer announced, and B.
  virtual int rx_series_frames() = 0;
  virtual int rx_bytes_per_frame() = 0;
  virtual void on_control_frame(const Fs1052ControlFrame& f) = 0;
  virtual void on_data_frame(const Fs1052DataFrame& f) = 0;
  virtual void on_parser_event(int event) = 0;
  // The modem restarts its synchronisation search.
  virtual void on_receiver_reset() = 0;
  virtual void on_trace(const std::string& text) = 0;
};

// Fills a control frame record from its `type`'s bytes (10, 45, 57 or 65 of them, CRC
// included): fields, addresses in reading order with their lengths, presence flags.
void fs1052_decode_control_frame(const uint8_t* bytes, int type, Fs1052ControlFrame* f);

struct Fs1052Parser {
  int state = 0;
  int count = 0;
  uint32_t crc = 0;
  int frames_expected = 0;
  int bytes_per_frame = 0;  // B of the data frame being read
  uint8_t control_bytes[kFs1052MaxControlFrame] = {};
  int preset_type = 0;
  int sync_hits = 0;       // syncs seen in the two places between frames
  bool extra_sync = false; // a third sync before a series' next header
  int hunted = 0;          // bytes looked through for a sync since the last frame
  Fs1052ControlFrame control;
  Fs1052DataFrame data;

  void rx_byte(uint8_t byte, Fs1052FrameSink& sink);
  void reset(Fs1052FrameSink& sink);
  // A new reception begins (the modem found a new transmission): hunt for its sync.
  void begin();

 private:
  void hunt();
  void hunt_byte(uint8_t byte, Fs1052FrameSink& sink);
  void header_byte(uint8_t byte, Fs1052FrameSink& sink);
  void data_header(uint8_t byte, Fs1052FrameSink& sink);
  void control_byte(uint8_t byte, Fs1052FrameSink& sink);
  void data_byte(uint8_t byte, Fs1052FrameSink& sink);
};

}  // namespace vesk
