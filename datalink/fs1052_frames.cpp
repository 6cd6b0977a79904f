#include "datalink/fs1052_frames.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "datalink/fs1052_crc.h"

namespace vesk {

namespace {

struct RateRow {
  const char* mode;
  int absolute_code;
  int interleaver_long;
  float seconds;
  int bits_per_block;
  int frames_per_series;
};

// 4800S would allow 510 frames, but a series numbers its frames 1..255 and the data frame
// table holds 255: its series is capped there.
constexpr RateRow kRates[14] = {
    {"75NS", 0, 0, 0.6f, 45, 8},       {"75NL", 0, 1, 4.8f, 360, 8},
    {"150S", 1, 0, 0.6f, 90, 16},      {"150L", 1, 1, 4.8f, 720, 16},
    {"300S", 2, 0, 0.6f, 180, 32},     {"300L", 2, 1, 4.8f, 1440, 32},
    {"600S", 3, 0, 0.6f, 360, 64},     {"600L", 3, 1, 4.8f, 2880, 64},
    {"1200S", 4, 0, 0.6f, 720, 128},   {"1200L", 4, 1, 4.8f, 5760, 128},
    {"2400S", 5, 0, 0.6f, 1440, 255},  {"2400L", 5, 1, 4.8f, 11520, 255},
    {"2400V", 5, 0, 0.6f, 1440, 255},  {"4800S", 6, 0, 0.6f, 2880, kFs1052MaxSeriesFrames},
};

const char* const kAbsoluteNames[8] = {"75bps",   "150bps",  "300bps",  "600bps",
                                       "1200bps", "2400bps", "4800bps", "NO RECOMENDATION"};
const char* const kRelativeNames[8] = {"DIV 8", "DIV 4", "DIV 2", "SAME",
                                       "MUL 2", "MUL 4", "MUL 8", "NO RECOMENDATION"};
const char* const kControlModes[4] = {"VARIABLE ARQ", "BROADCAST", "CIRCUIT", "FIXED ARQ"};
const char* const kNegotiationModes[2] = {"ONLY NEGOTIATE CHANGES", "NEGOTIATE EVERY SERIES"};
const char* const kAddressModes[2] = {"2 BYTE ADDRESS", "18 BYTE ADDRESS"};
const char* const kLinkStates[4] = {"CALLING STATE", "CALL ACK STATE", "LINK UP STATE", "DROPPING STATE"};
const char* const kAckTypes[4] = {"NULL ACK", "DATA ACK", "DATA ACK REQUEST", "HERALD ACK"};

int text_len(const char* s, int stored, int address_mode) {
  const int n = address_mode == 1 ? stored : static_cast<int>(strnlen(s, kFs1052MaxAddress));
  return n < 0 ? 0 : (n > kFs1052MaxAddress ? kFs1052MaxAddress : n);
}

// Character k of the address counted from its end (0: the last), 0 past its start.
uint8_t from_end(const char* s, int len, int k) {
  return k < len ? static_cast<uint8_t>(s[len - 1 - k]) : 0;
}

void put21(uint8_t* p, int value, int top3) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(((value >> 16) & 0x1F) | ((top3 & 7) << 5));
}

void append(std::string& s, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void append(std::string& s, const char* fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  s += buf;
}

void append_rate(std::string& s, int relative, int code, const char* absolute_label) {
  if (relative)
    append(s, "DATA RATE RELATIVE %s\r\n", kRelativeNames[code & 7]);
  else
    append(s, "%s%s\r\n", absolute_label, kAbsoluteNames[code & 7]);
}

}  // namespace

void fs1052_set_rate(int code, Fs1052Rate* rate) {
  rate->code = code;
  if (code >= 0 && code < 14) {
    const RateRow& r = kRates[code];
    std::snprintf(rate->mode, sizeof rate->mode, "%s", r.mode);
    rate->absolute_code = r.absolute_code;
    rate->interleaver_long = r.interleaver_long;
    rate->interleaver_seconds = r.seconds;
    rate->bits_per_block = r.bits_per_block;
    rate->frames_per_series = r.frames_per_series;
    return;
  }
  std::snprintf(rate->mode, sizeof rate->mode, "%s", "600S");
  rate->absolute_code = 3;
  rate->interleaver_long = 0;
  rate->interleaver_seconds = 0.6f;
  rate->frames_per_series = 255;
}

const char* fs1052_absolute_rate_name(int code) { return kAbsoluteNames[code & 7]; }
const char* fs1052_relative_rate_name(int code) { return kRelativeNames[code & 7]; }

int fs1052_encode_control_frame(uint8_t* out, const Fs1052ControlFrame& f) {
  if (f.type < 1 || f.type > 4) return 0;
  const int am = f.address_mode & 1;
  const int slen = text_len(f.source, f.source_len, am);
  const int dlen = text_len(f.destination, f.destination_len, am);
  out[0] = static_cast<uint8_t>(1 | 2 | (f.protocol_version & 3) << 2 | (f.control_mode & 3) << 4 |
                                (f.negotiation_mode & 1) << 6 | am << 7);
  out[1] = from_end(f.source, slen, 0);
  out[2] = from_end(f.source, slen, 1);
  out[3] = from_end(f.destination, dlen, 0);
  out[4] = from_end(f.destination, dlen, 1);
  out[5] = static_cast<uint8_t>((f.link_state & 3) | (f.timeout_code & 15) << 2 | (f.ack_type & 3) << 6);
  if (f.type == 1) return 6 + fs1052_append_crc32(out, 6);
  if (am == 1) {
    for (int k = 0; k < 16; ++k) {
      out[6 + k] = from_end(f.source, slen, 2 + k);
      out[22 + k] = from_end(f.destination, dlen, 2 + k);
    }
  } else {
    std::memcpy(out + 6, f.bitmap, 32);
    if (f.flow_control) out[6 + 31] |= 0x80;
  }
  out[38] = static_cast<uint8_t>((f.ack_seq & 1) | (f.rate_relative & 1) << 1 | (f.rate_code & 7) << 2 |
                                 (f.interleaver_long & 1) << 5 | (f.bytes_per_frame & 3) << 6);
  out[39] = static_cast<uint8_t>(f.bytes_per_frame >> 2);
  out[40] = static_cast<uint8_t>(f.frames_next);
  if (f.type == 2) return 41 + fs1052_append_crc32(out, 41);
  out[41] = static_cast<uint8_t>(f.tx_msg_id);
  out[42] = static_cast<uint8_t>(f.tx_conn_id);
  out[43] = static_cast<uint8_t>(f.tx_msg_size_bits);
  out[44] = static_cast<uint8_t>(f.tx_msg_size_bits >> 8);
  out[45] = static_cast<uint8_t>(f.tx_msg_size_bits >> 16);
  put21(out + 46, f.tx_next_byte, f.reserved_a);
  out[49] = static_cast<uint8_t>(f.tx_priority);
  put21(out + 50, f.rx_next_byte, f.reserved_b);
  if (f.type == 3) return 53 + fs1052_append_crc32(out, 53);
  out[53] = static_cast<uint8_t>(f.user_id);
  out[54] = static_cast<uint8_t>(((f.user_id >> 8) & 0x3F) | ((f.function_b >> 14) & 3) << 6);
  out[55] = static_cast<uint8_t>(f.function_b >> 16);
  out[56] = static_cast<uint8_t>(f.function_b >> 24);
  for (int i = 0; i < 4; ++i) out[57 + i] = static_cast<uint8_t>(f.function_a >> (8 * i));
  return 61 + fs1052_append_crc32(out, 61);
}

int fs1052_encode_data_frame(uint8_t* out, const Fs1052DataFrame& f, int bytes_per_frame) {
  int b = bytes_per_frame;
  if (b < 0) b = 0;
  if (b > kFs1052MaxBytesPerFrame) b = kFs1052MaxBytesPerFrame;
  out[0] = static_cast<uint8_t>(1 | (f.rate_relative & 1) << 2 | (f.rate_code & 7) << 3 |
                                (f.interleaver_long & 1) << 6 | (f.reserved_a & 1) << 7);
  out[1] = static_cast<uint8_t>(f.sequence);
  put21(out + 2, f.offset, 0);
  std::memcpy(out + 5, f.data, static_cast<std::size_t>(b));
  return 5 + b + fs1052_append_crc32(out, static_cast<std::size_t>(5 + b));
}

void fs1052_bitmap_set(uint8_t* bitmap, int seq) {
  if (seq < 0 || seq > 255) return;
  bitmap[(255 - seq) / 8] |= static_cast<uint8_t>(0x80 >> (seq % 8));
}

bool fs1052_bitmap_test(const uint8_t* bitmap, int seq) {
  if (seq < 0 || seq > 255) return false;
  return (bitmap[(255 - seq) / 8] & (0x80 >> (seq % 8))) != 0;
}

bool fs1052_frame_for_me(const Fs1052ControlFrame& f, const char* own, int own_len) {
  if (own_len < 0) own_len = 0;
  if (own_len > kFs1052MaxAddress) own_len = kFs1052MaxAddress;
  const int dlen = f.destination_len < 0 ? 0 : (f.destination_len > kFs1052MaxAddress ? kFs1052MaxAddress : f.destination_len);
  if (f.control_mode == FS1052_BROADCAST && dlen >= 3 && std::memcmp(f.destination, "@?@", 3) == 0) return true;
  if (f.address_mode == 1) {
    // The whole address must match: taking any destination that merely begins with the own
    // address would take ALFAX's frames at ALFA. Trailing '@' (the fill of ALE addresses)
    // does not count on either side.
    auto unfilled = [](const char* text, int len) {
      while (len > 0 && text[len - 1] == '@') --len;
      return len;
    };
    const int d = unfilled(f.destination, dlen);
    const int o = unfilled(own, own_len);
    return o > 0 && d == o && std::memcmp(f.destination, own, static_cast<std::size_t>(o)) == 0;
  }
  const int tail = own_len < 2 ? own_len : 2;
  return dlen == tail && std::memcmp(f.destination, own + own_len - tail, static_cast<std::size_t>(tail)) == 0;
}

std::string fs1052_control_frame_text(const Fs1052ControlFrame& f, bool transmitted) {
  std::string s = transmitted ? "\r\nTX **** \r\n" : "\r\nRX **** \r\n";
  append(s, "FRAME TYPE                       CONTROL TYPE %d\r\n", f.type);
  append(s, "PROTOCOL VERSION                 %d\r\n", f.protocol_version);
  append(s, "CONTROL MODE                     %s\r\n", kControlModes[f.control_mode & 3]);
  append(s, "NEGOTIATION MODE                 %s\r\n", kNegotiationModes[f.negotiation_mode & 1]);
  append(s, "ADDRESS MODE                     %s\r\n", kAddressModes[f.address_mode & 1]);
  const int slen = text_len(f.source, f.source_len, 1);
  const int dlen = text_len(f.destination, f.destination_len, 1);
  append(s, "SOURCE ADDRESS LENGTH            %d\r\n", slen);
  s += "SOURCE ADDRESS                   ";
  s.append(f.source, static_cast<std::size_t>(slen));
  s += "\r\n";
  append(s, "DESTINATION ADDRESS LENGTH       %d\r\n", dlen);
  s += "DESTINATION ADDRESS              ";
  s.append(f.destination, static_cast<std::size_t>(dlen));
  s += "\r\n";
  append(s, "LINK STATE                       %s\r\n", kLinkStates[f.link_state & 3]);
  append(s, "LINK TIMEOUT SECS                %d\r\n", ((f.timeout_code & 15) + 1) * 30);
  append(s, "ACK NAK TYPE                     %s - %s\r\n", kAckTypes[f.ack_type & 3],
         f.frames_next != 0 ? "HERALD" : "NULL HERALD");
  if (f.type >= 2) {
    append(s, "FLOW CONTROL                     %d\r\n", f.flow_control);
    if (f.address_mode == 0) {
      s += "BIT MAP \n";
      for (int line = 0; line < 4; ++line) {
        for (int k = 0; k < 8; ++k) append(s, "%.2X ", f.bitmap[line * 8 + k]);
        s += "\r\n";
      }
    }
    append(s, "ACK SEQ                          %d\r\n", f.ack_seq);
    append_rate(s, f.rate_relative, f.rate_code, "DATA RATE ABSOLUTE               ");
    append(s, "INTERLEAVER LENGTH               %s\r\n", f.interleaver_long ? "LONG" : "SHORT");
    append(s, "NUMBER OF BYTES IN DATA FRAMES   %d\r\n", f.bytes_per_frame);
    append(s, "NUMBER OF FRAMES IN NEXT SERIES  %d\r\n", f.frames_next);
  }
  if (f.type >= 3) {
    append(s, "TX MESSAGE ID                    %d\r\n", f.tx_msg_id);
    append(s, "TX CONNECTION ID                 %d\r\n", f.tx_conn_id);
    append(s, "TX MESSAGE SIZE (BITS)           %d\r\n", f.tx_msg_size_bits);
    append(s, "TX MESSAGE NEXT BYTE POSITION    %d\r\n", f.tx_next_byte);
    append(s, "RESERVED A                       %d\r\n", f.reserved_a);
    append(s, "TX MESSAGE PRIORITY              %d\r\n", f.tx_priority);
    append(s, "RX MESSAGE NEXT BYTE POSITION    %d\r\n", f.rx_next_byte);
    append(s, "RESERVED B                       %d\r\n", f.reserved_b);
  }
  if (f.type == 4) {
    append(s, "USERD ID                         %.4X\r\n", f.user_id);
    append(s, "FUNCTION BITS                    %.8X  %.8X\r\n", f.function_a, f.function_b);
  }
  return s;
}

std::string fs1052_data_frame_text(const Fs1052DataFrame& f, bool transmitted) {
  std::string s = transmitted ? "\r\nTX **** \r\n" : "\r\nRX **** \r\n";
  s += "FRAME TYPE              DATA\r\n";
  append_rate(s, f.rate_relative, f.rate_code, "DATA RATE ABSOLUTE      ");
  append(s, "INTERLEAVER LENGTH      %s\r\n", f.interleaver_long ? "LONG" : "SHORT");
  append(s, "RESERVED A              %d\r\n", f.reserved_a);
  append(s, "SEQUENCE NUMBER         %d\r\n", f.sequence);
  append(s, "MESSAGE BYTE OFFSET     %d\r\n", f.offset);
  append(s, "RESERVED B              %d\r\n", f.reserved_b);
  append(s, "DATA LENGTH             %d\r\n", f.length);
  int n = f.length < 0 ? 0 : (f.length > kFs1052MaxBytesPerFrame ? kFs1052MaxBytesPerFrame : f.length);
  for (int i = 0; i < n; ++i) {
    if (i > 0 && i % 20 == 0) s += "\r\n";
    append(s, "%.2X ", f.data[i]);
  }
  s += "\r\n\r\n";
  return s;
}

}  // namespace vesk
