// FED-STD-1052 frames on the air: the sync prefix, the control frame (types 1 to 4), the data
// frame, the rate codes and the rate records, the acknowledgement bit map, the "for me" test
// and the frame trace texts.
//
// Multi-byte numbers are least significant byte first; every frame ends with its CRC-32.
#pragma once

#include <cstdint>
#include <string>

namespace vesk {

inline constexpr uint8_t kFs1052Sync = 0x5C;
// Longest address the link keeps: two characters in bytes 1-4 and sixteen in bytes 6-37.
inline constexpr int kFs1052MaxAddress = 18;
inline constexpr int kFs1052MaxBytesPerFrame = 1023;
// Sequence numbers 1..255: the data frame table's size and the longest series.
inline constexpr int kFs1052MaxSeriesFrames = 255;
inline constexpr int kFs1052ControlFrameBytes[5] = {0, 10, 45, 57, 65};

enum Fs1052ControlMode : int { FS1052_VARIABLE_ARQ = 0, FS1052_BROADCAST = 1, FS1052_CIRCUIT = 2, FS1052_FIXED_ARQ = 3 };
enum Fs1052LinkStateCode : int { FS1052_CALLING = 0, FS1052_CALL_ACK = 1, FS1052_LINK_UP = 2, FS1052_DROPPING = 3 };
enum Fs1052AckType : int { FS1052_NULL_ACK = 0, FS1052_DATA_ACK = 1, FS1052_DATA_ACK_REQUEST = 2, FS1052_HERALD_ACK = 3 };

struct Fs1052ControlFrame {
  bool in_use = false;
  int type = 0;  // 1..4; not sent, it follows from the length
  int protocol_version = 0;
  int control_mode = 0;
  int negotiation_mode = 0;
  int address_mode = 0;  // 0: 2 byte address, 1: 18 byte address
  char source[kFs1052MaxAddress + 2] = {};
  int source_len = 0;
  char destination[kFs1052MaxAddress + 2] = {};
  int destination_len = 0;
  int link_state = 0;
  int timeout_code = 0;
  int ack_type = 0;
  uint8_t bitmap[32] = {};
  int flow_control = 0;
  int ack_seq = 0;
  int rate_relative = 0;
  int rate_code = 0;
  int interleaver_long = 0;
  int bytes_per_frame = 0;
  int frames_next = 0;
  int tx_msg_id = 0;
  int tx_conn_id = 0;
  int tx_msg_size_bits = 0;
  int tx_next_byte = 0;
  int reserved_a = 0;
  int tx_priority = 0;
  int rx_next_byte = 0;
  int reserved_b = 0;
  int user_id = 0;
  uint32_t function_a = 0;
  uint32_t function_b = 0;
  // Presence flags set by the receiver.
  bool has_series = false;
  bool has_message = false;
  bool has_user = false;
};

struct Fs1052DataFrame {
  bool in_use = false;
  int rate_relative = 0;
  int rate_code = 0;
  int interleaver_long = 0;
  int reserved_a = 0;
  int sequence = 0;
  int offset = 0;
  int reserved_b = 0;
  int length = 0;
  uint8_t data[kFs1052MaxBytesPerFrame + 1] = {};
};

// The link's working form of a rate (codes 0-13).
struct Fs1052Rate {
  int code = 6;
  int frames_per_series = 64;
  int bits_per_block = 360;
  int absolute_code = 3;
  int interleaver_long = 0;
  float interleaver_seconds = 0.6f;
  char mode[8] = "600S";
};

void fs1052_set_rate(int code, Fs1052Rate* rate);
// "75bps" ... "4800bps", "NO RECOMENDATION" for absolute codes; "DIV 8" ... for relative.
const char* fs1052_absolute_rate_name(int code);
const char* fs1052_relative_rate_name(int code);

// Longest control frame and longest data frame on the air, CRC included.
inline constexpr int kFs1052MaxControlFrame = 65;
inline constexpr int kFs1052MaxDataFrame = 5 + kFs1052MaxBytesPerFrame + 4;

// Writes the frame of the record's type (1-4) with its CRC; returns its length (10, 45, 57
// or 65), or 0 for a type outside 1-4. Address mode 1 sends the stored lengths, mode 0 the
// string lengths. In address mode 0 the flow-control flag is bit 7 of bit-map byte 31.
int fs1052_encode_control_frame(uint8_t* out, const Fs1052ControlFrame& f);
// Writes the data frame with `bytes_per_frame` data bytes (the series' B, 0-1023); returns
// 5 + B + 4.
int fs1052_encode_data_frame(uint8_t* out, const Fs1052DataFrame& f, int bytes_per_frame);

// Acknowledgement bit map: sequence number s in byte (255 - s) / 8, bit 7 - s % 8.
void fs1052_bitmap_set(uint8_t* bitmap, int seq);
bool fs1052_bitmap_test(const uint8_t* bitmap, int seq);

// The received control frame is addressed to the station of `own` (own_len characters):
// address mode 1 compares the whole destination with the whole own address (trailing '@' fill
// left out on both sides); address mode 0
// the two characters sent with the last two of the own address; a BROADCAST frame whose
// destination begins "@?@" is for everyone.
bool fs1052_frame_for_me(const Fs1052ControlFrame& f, const char* own, int own_len);

// The trace texts of one frame ("TX" or "RX" heading).
std::string fs1052_control_frame_text(const Fs1052ControlFrame& f, bool transmitted);
std::string fs1052_data_frame_text(const Fs1052DataFrame& f, bool transmitted);

}  // namespace vesk
