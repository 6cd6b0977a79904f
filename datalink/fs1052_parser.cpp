#include "datalink/fs1052_parser.h"

#include <algorithm>
#include <cstring>

#include "datalink/fs1052_crc.h"

namespace vesk {

namespace {

int get21(const uint8_t* p, int* top3) {
  if (top3) *top3 = p[2] >> 5;
  return p[0] | p[1] << 8 | (p[2] & 0x1F) << 16;
}

// Reverses the received characters in place; the text ends at its first zero.
int finish_address(char* text, int places) {
  const int len = static_cast<int>(strnlen(text, static_cast<std::size_t>(places)));
  std::reverse(text, text + len);
  std::memset(text + len, 0, static_cast<std::size_t>(kFs1052MaxAddress + 2 - len));
  return len;
}

}  // namespace

void fs1052_decode_control_frame(const uint8_t* b, int type, Fs1052ControlFrame* f) {
  *f = Fs1052ControlFrame{};
  f->type = type;
  f->protocol_version = (b[0] >> 2) & 3;
  f->control_mode = (b[0] >> 4) & 3;
  f->negotiation_mode = (b[0] >> 6) & 1;
  f->address_mode = (b[0] >> 7) & 1;
  f->source[0] = static_cast<char>(b[1]);
  f->source[1] = static_cast<char>(b[2]);
  f->destination[0] = static_cast<char>(b[3]);
  f->destination[1] = static_cast<char>(b[4]);
  f->link_state = b[5] & 3;
  f->timeout_code = (b[5] >> 2) & 15;
  f->ack_type = (b[5] >> 6) & 3;
  int places = 2;
  if (type >= 2) {
    if (f->address_mode == 1) {
      places = kFs1052MaxAddress;
      for (int k = 0; k < 16; ++k) {
        f->source[2 + k] = static_cast<char>(b[6 + k]);
        f->destination[2 + k] = static_cast<char>(b[22 + k]);
      }
    } else {
      std::memcpy(f->bitmap, b + 6, 32);
      f->flow_control = (b[6 + 31] >> 7) & 1;
    }
    f->ack_seq = b[38] & 1;
    f->rate_relative = (b[38] >> 1) & 1;
    f->rate_code = (b[38] >> 2) & 7;
    f->interleaver_long = (b[38] >> 5) & 1;
    f->bytes_per_frame = (b[38] >> 6) | b[39] << 2;
    f->frames_next = b[40];
    f->has_series = f->frames_next != 0;
  }
  if (type >= 3) {
    f->tx_msg_id = b[41];
    f->tx_conn_id = b[42];
    f->tx_msg_size_bits = b[43] | b[44] << 8 | b[45] << 16;
    f->tx_next_byte = get21(b + 46, &f->reserved_a);
    f->tx_priority = b[49];
    f->rx_next_byte = get21(b + 50, &f->reserved_b);
    f->has_message = f->tx_msg_size_bits != 0;
  }
  if (type == 4) {
    f->user_id = b[53] | (b[54] & 0x3F) << 8;
    f->function_b = static_cast<uint32_t>(b[54] >> 6) << 14 | static_cast<uint32_t>(b[55]) << 16 |
                    static_cast<uint32_t>(b[56]) << 24;
    f->function_a = static_cast<uint32_t>(b[57]) | static_cast<uint32_t>(b[58]) << 8 |
                    static_cast<uint32_t>(b[59]) << 16 | static_cast<uint32_t>(b[60]) << 24;
    f->has_user = true;
  }
  f->source_len = finish_address(f->source, places);
  f->destination_len = finish_address(f->destination, places);
}

void Fs1052Parser::begin() {
  count = 0;
  state = 0;
  hunted = 0;
}

void Fs1052Parser::reset(Fs1052FrameSink& sink) {
  count = 0;
  state = 0;
  hunted = 0;
  sink.on_receiver_reset();
  sink.on_trace(">>>> Parser Reset\r\n");
}

// A frame that cannot be read is skipped: the parser looks for the next frame's syncs in the
// same reception. The modem keeps its synchronisation; a reception that is lost altogether
// ends at the modem, and a long stretch without any sync (`hunt_byte`) restarts it.
void Fs1052Parser::hunt() {
  count = 0;
  state = 0;
}

void Fs1052Parser::hunt_byte(uint8_t byte, Fs1052FrameSink& sink) {
  if (byte == kFs1052Sync) {
    state = 1;
    return;
  }
  state = 0;
  const int b = std::clamp(sink.rx_bytes_per_frame(), 0, kFs1052MaxBytesPerFrame);
  // Four of the longest frames the series can hold, syncs included, and never less than
  // four control frames.
  if (++hunted > 4 * std::max(b + 11, kFs1052MaxControlFrame + 3)) reset(sink);
}

void Fs1052Parser::data_header(uint8_t byte, Fs1052FrameSink& sink) {
  count = 0;
  data = Fs1052DataFrame{};
  data.rate_relative = (byte >> 2) & 1;
  data.rate_code = (byte >> 3) & 7;
  data.interleaver_long = (byte >> 6) & 1;
  data.reserved_a = (byte >> 7) & 1;
  // B comes from the peer's control frame: kept within the record's data area.
  bytes_per_frame = std::clamp(sink.rx_bytes_per_frame(), 0, kFs1052MaxBytesPerFrame);
  state = 7;
  count = 1;
}

void Fs1052Parser::header_byte(uint8_t byte, Fs1052FrameSink& sink) {
  hunted = 0;
  if ((byte & 1) == 0) {
    // Not a header: a damaged one, or a false sync. Look for the next frame.
    hunt();
    return;
  }
  if (byte & 2) {
    control_bytes[0] = byte;
    const int cm = (byte >> 4) & 3;
    preset_type = (cm == FS1052_BROADCAST || cm == FS1052_FIXED_ARQ) ? 4 : 0;
    state = 8;
    count = 1;
  } else {
    data_header(byte, sink);
  }
}

void Fs1052Parser::rx_byte(uint8_t byte, Fs1052FrameSink& sink) {
  crc = fs1052_crc32_update(byte, crc);
  const bool sync = byte == kFs1052Sync;
  switch (state) {
    case 0:
      hunt_byte(byte, sink);
      break;
    case 1:
      // A second sync: a frame may follow.
      if (!sync) {
        hunt_byte(byte, sink);
        return;
      }
      frames_expected = std::clamp(sink.rx_series_frames(), 0, kFs1052MaxSeriesFrames);
      state = 2;
      break;
    case 2:
      crc = 0;
      state = 6;
      // Behind a two-byte sync (a data frame's) this is already the header: a parser that
      // lost a frame picks the next one up.
      if (!sync) {
        crc = fs1052_crc32_update(byte, 0);
        header_byte(byte, sink);
      }
      break;
    case 3:
      // The two syncs between the frames of a series. One of them damaged is still the gap
      // between two frames; both wrong means the frames are no longer where they should be.
      sync_hits = sync ? 1 : 0;
      state = 4;
      break;
    case 4:
      crc = 0;
      sync_hits += sync ? 1 : 0;
      extra_sync = false;
      if (sync_hits == 0) {
        hunt();
        return;
      }
      state = 5;
      break;
    case 5:
      // Header of the next frame of the series: whatever its bits, a data frame (its CRC
      // decides). A sync here (never a header: its bit 0 is clear) means the syncs came late
      // or a new transmission's three syncs: the header behind them says what it is.
      if (sync) {
        crc = 0;
        extra_sync = true;
        break;
      }
      if (extra_sync)
        header_byte(byte, sink);
      else
        data_header(byte, sink);
      break;
    case 6:
      // Further syncs of a transmission's prefix, then the first header.
      if (sync) {
        crc = 0;
        break;
      }
      header_byte(byte, sink);
      break;
    case 7:
      data_byte(byte, sink);
      break;
    case 8:
      control_byte(byte, sink);
      break;
    case 9:
      // After a complete frame: its two syncs, one of them possibly damaged.
      sync_hits = sync ? 1 : 0;
      state = 10;
      break;
    case 10:
      crc = 0;
      sync_hits += sync ? 1 : 0;
      if (sync_hits == 0) {
        hunt();
        sink.on_parser_event(kFs1052EvUnexpected);
        return;
      }
      state = 6;
      break;
    default:
      hunt();
      break;
  }
}

void Fs1052Parser::data_byte(uint8_t byte, Fs1052FrameSink& sink) {
  const int i = count++;
  const int b = bytes_per_frame;
  if (i == 1) {
    data.sequence = byte;
  } else if (i >= 2 && i <= 4) {
    data.offset |= byte << (8 * (i - 2));
    if (i == 4) {
      data.reserved_b = byte >> 5;
      data.offset &= 0x1FFFFF;
    }
  } else if (i >= 5 && i < 5 + b) {
    data.data[i - 5] = byte;
  }
  if (i < b + 8) return;
  if (crc == 0) {
    data.length = b;
    sink.on_data_frame(data);
  }
  // The frames of a series count down to 1: a good frame's number says how many follow, also
  // after frames lost before it.
  if (crc == 0 && data.sequence >= 1)
    frames_expected = data.sequence - 1;
  else
    --frames_expected;
  if (frames_expected > 0) {
    state = 3;
  } else {
    reset(sink);
    sink.on_parser_event(kFs1052EvSeriesEnd);
    state = 9;
  }
}

void Fs1052Parser::control_byte(uint8_t byte, Fs1052FrameSink& sink) {
  const int i = count++;
  control_bytes[i] = byte;
  int type = 0;
  if (i == 9 || i == 44 || i == 56) {
    if (crc == 0 && preset_type != 4) type = i == 9 ? 1 : (i == 44 ? 2 : 3);
  } else if (i == 64) {
    if (crc == 0) {
      type = 4;
    } else {
      // No length fits: the frame is lost. When it was a short one, the data frames behind it
      // began inside the 65 bytes read: look for their syncs there.
      sink.on_parser_event(kFs1052EvBadControl);
      hunt();
      if (preset_type == 4) return;
      for (int end : {10, 45, 57}) {
        if (control_bytes[end] != kFs1052Sync || control_bytes[end + 1] != kFs1052Sync) continue;
        uint8_t rest[kFs1052MaxControlFrame];
        const int n = kFs1052MaxControlFrame - end;
        std::memcpy(rest, control_bytes + end, static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) rx_byte(rest[k], sink);
        break;
      }
      return;
    }
  }
  if (type == 0) return;
  fs1052_decode_control_frame(control_bytes, type, &control);
  state = 9;
  sink.on_control_frame(control);
  // A control frame followed by its series announces that series: count its frames.
  frames_expected = std::clamp(sink.rx_series_frames(), 0, kFs1052MaxSeriesFrames);
}

}  // namespace vesk
