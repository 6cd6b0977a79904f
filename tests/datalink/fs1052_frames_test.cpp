#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datalink/fs1052_crc.h"
#include "datalink/fs1052_frames.h"
#include "datalink/fs1052_parser.h"
#include "tests/datalink/recording_sink.h"

namespace vesk {
namespace {

using test::feed;
using test::RecordingSink;

// zlib's crc32 starts from 0xFFFFFFFF and inverts the result: undoing both gives the
// frames' CRC (initial value 0, no final complement).
uint32_t reference_crc(const std::vector<uint8_t>& b) {
  return static_cast<uint32_t>(crc32(0xFFFFFFFFul, b.data(), static_cast<uInt>(b.size())) ^ 0xFFFFFFFFul);
}

std::vector<uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

TEST(Fs1052Crc, VectorsReferenceAndZeroResidue) {
  EXPECT_EQ(fs1052_crc32(bytes_of("abc").data(), 3), 0xCA6598D0u);
  EXPECT_EQ(fs1052_crc32(bytes_of("123456789").data(), 9), 0x2DFD2D88u);
  std::mt19937 rng(7);
  for (int len : {0, 1, 5, 64, 1031}) {
    std::vector<uint8_t> frame(static_cast<std::size_t>(len) + 4);
    for (int i = 0; i < len; ++i) frame[static_cast<std::size_t>(i)] = static_cast<uint8_t>(rng());
    std::vector<uint8_t> body(frame.begin(), frame.begin() + len);
    if (len > 0) {
      EXPECT_EQ(fs1052_crc32(body.data(), body.size()), reference_crc(body)) << len;
    }
    EXPECT_EQ(fs1052_append_crc32(frame.data(), static_cast<std::size_t>(len)), 4);
    EXPECT_EQ(fs1052_crc32(frame.data(), frame.size()), 0u) << len;
  }
}

Fs1052ControlFrame control(int type, int control_mode, int address_mode, const char* src, const char* dst) {
  Fs1052ControlFrame f;
  f.type = type;
  f.control_mode = control_mode;
  f.negotiation_mode = 1;
  f.address_mode = address_mode;
  std::snprintf(f.source, sizeof f.source, "%s", src);
  f.source_len = static_cast<int>(std::strlen(src));
  std::snprintf(f.destination, sizeof f.destination, "%s", dst);
  f.destination_len = static_cast<int>(std::strlen(dst));
  f.link_state = FS1052_LINK_UP;
  f.timeout_code = 15;
  f.ack_type = FS1052_DATA_ACK;
  if (type >= 2) {
    if (address_mode == 0) {
      fs1052_bitmap_set(f.bitmap, 1);
      fs1052_bitmap_set(f.bitmap, 200);
    }
    f.ack_seq = 1;
    f.rate_relative = 1;
    f.rate_code = 5;
    f.interleaver_long = 1;
    f.bytes_per_frame = 1023;
    f.frames_next = 200;
  }
  if (type >= 3) {
    f.tx_msg_id = 77;
    f.tx_conn_id = 3;
    f.tx_msg_size_bits = 0xABCDE8;
    f.tx_next_byte = 0x1FFFFF;
    f.reserved_a = 5;
    f.tx_priority = 9;
    f.rx_next_byte = 0x12345;
    f.reserved_b = 2;
  }
  if (type == 4) {
    f.user_id = 0x2ABC;
    f.function_a = 0xDEADBEEF;
    f.function_b = 0xCAFEC000;  // bits 14-31 are sent
  }
  return f;
}

std::vector<uint8_t> framed_control(const Fs1052ControlFrame& f) {
  std::vector<uint8_t> out = {0x5C, 0x5C, 0x5C};
  uint8_t buf[kFs1052MaxControlFrame];
  const int n = fs1052_encode_control_frame(buf, f);
  out.insert(out.end(), buf, buf + n);
  return out;
}

TEST(Fs1052Frames, ControlFramesRoundTrip) {
  struct Case {
    int type, control_mode, address_mode;
    const char* src;
    const char* dst;
    int length;
  };
  const Case cases[] = {
      {1, 0, 0, "ALFA", "BRAVO1", 10},    {1, 2, 1, "ALFA", "BRAVO1", 10},
      {2, 0, 0, "ALFA", "BRAVO1", 45},    {2, 2, 1, "ALFA", "BRAVO123456789XYZW", 45},
      {3, 0, 1, "A", "BRAVO1", 57},       {3, 2, 0, "ALFA", "B", 57},
      {4, 1, 1, "ALFA", "@?@", 65},       {4, 3, 0, "ALFA", "BRAVO1", 65},
      {4, 0, 1, "ALFA", "BRAVO1", 65},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " mode " << c.control_mode << " am " << c.address_mode);
    const Fs1052ControlFrame in = control(c.type, c.control_mode, c.address_mode, c.src, c.dst);
    const std::vector<uint8_t> air = framed_control(in);
    ASSERT_EQ(static_cast<int>(air.size()), 3 + c.length);
    RecordingSink sink;
    Fs1052Parser p;
    feed(p, sink, air);
    ASSERT_EQ(sink.controls.size(), 1u);
    const Fs1052ControlFrame& out = sink.controls[0];
    EXPECT_EQ(out.type, c.type);
    EXPECT_EQ(out.control_mode, c.control_mode);
    EXPECT_EQ(out.negotiation_mode, 1);
    EXPECT_EQ(out.address_mode, c.address_mode);
    EXPECT_EQ(out.link_state, FS1052_LINK_UP);
    EXPECT_EQ(out.timeout_code, 15);
    EXPECT_EQ(out.ack_type, FS1052_DATA_ACK);
    const std::string src = c.src, dst = c.dst;
    // A type 1 frame, and address mode 0, carry the last two characters only.
    const bool whole = c.address_mode == 1 && c.type >= 2;
    const std::string want_src = whole ? src : src.substr(src.size() > 2 ? src.size() - 2 : 0);
    const std::string want_dst = whole ? dst : dst.substr(dst.size() > 2 ? dst.size() - 2 : 0);
    EXPECT_EQ(std::string(out.source, static_cast<std::size_t>(out.source_len)), want_src);
    EXPECT_EQ(std::string(out.destination, static_cast<std::size_t>(out.destination_len)), want_dst);
    EXPECT_EQ(out.has_series, c.type >= 2);
    EXPECT_EQ(out.has_message, c.type >= 3);
    EXPECT_EQ(out.has_user, c.type == 4);
    if (c.type >= 2) {
      EXPECT_EQ(out.ack_seq, 1);
      EXPECT_EQ(out.rate_relative, 1);
      EXPECT_EQ(out.rate_code, 5);
      EXPECT_EQ(out.interleaver_long, 1);
      EXPECT_EQ(out.bytes_per_frame, 1023);
      EXPECT_EQ(out.frames_next, 200);
      if (c.address_mode == 0) {
        EXPECT_EQ(std::memcmp(out.bitmap, in.bitmap, 32), 0);
      }
    }
    if (c.type >= 3) {
      EXPECT_EQ(out.tx_msg_id, 77);
      EXPECT_EQ(out.tx_conn_id, 3);
      EXPECT_EQ(out.tx_msg_size_bits, 0xABCDE8);
      EXPECT_EQ(out.tx_next_byte, 0x1FFFFF);
      EXPECT_EQ(out.reserved_a, 5);
      EXPECT_EQ(out.tx_priority, 9);
      EXPECT_EQ(out.rx_next_byte, 0x12345);
      EXPECT_EQ(out.reserved_b, 2);
    }
    if (c.type == 4) {
      EXPECT_EQ(out.user_id, 0x2ABC);
      EXPECT_EQ(out.function_a, 0xDEADBEEFu);
      EXPECT_EQ(out.function_b, 0xCAFEC000u);
    }
  }
}

TEST(Fs1052Frames, BroadcastIsCompleteOnlyAtItsLastByteAndBadFramesAreEvent21) {
  // A type 4 frame: nothing is handed over before the 65th byte.
  RecordingSink sink;
  Fs1052Parser p;
  const std::vector<uint8_t> air = framed_control(control(4, FS1052_BROADCAST, 1, "ALFA", "@?@"));
  feed(p, sink, std::vector<uint8_t>(air.begin(), air.end() - 1));
  EXPECT_TRUE(sink.controls.empty());
  p.rx_byte(air.back(), sink);
  EXPECT_EQ(sink.controls.size(), 1u);

  // A corrupted frame fails at every length: event 21, and the parser hunts again, so the
  // next frame is read.
  RecordingSink bad;
  Fs1052Parser q;
  std::vector<uint8_t> broken = framed_control(control(2, 0, 0, "ALFA", "BRAVO"));
  broken[10] ^= 0x40;
  broken.resize(3 + 65, 0x00);
  feed(q, bad, broken);
  EXPECT_EQ(bad.events, std::vector<int>{kFs1052EvBadControl});
  EXPECT_TRUE(bad.controls.empty());
  feed(q, bad, framed_control(control(1, 0, 0, "ALFA", "BRAVO")));
  ASSERT_EQ(bad.controls.size(), 1u);
  EXPECT_EQ(bad.controls[0].type, 1);
}

std::vector<uint8_t> series(const std::vector<Fs1052DataFrame>& frames, int b, const Fs1052ControlFrame* head) {
  std::vector<uint8_t> out;
  if (head) {
    out = framed_control(*head);
  } else {
    out.push_back(0x5C);
  }
  std::vector<uint8_t> buf(kFs1052MaxDataFrame);
  for (const Fs1052DataFrame& f : frames) {
    out.push_back(0x5C);
    out.push_back(0x5C);
    const int n = fs1052_encode_data_frame(buf.data(), f, b);
    out.insert(out.end(), buf.begin(), buf.begin() + n);
  }
  return out;
}

std::vector<Fs1052DataFrame> data_frames(int count, int b) {
  std::vector<Fs1052DataFrame> v(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Fs1052DataFrame& f = v[static_cast<std::size_t>(i)];
    f.rate_relative = 0;
    f.rate_code = 3;
    f.interleaver_long = 1;
    f.sequence = count - i;
    f.offset = 0x10000 + i * b;
    for (int k = 0; k < b; ++k) f.data[k] = static_cast<uint8_t>(i * 31 + k);
  }
  return v;
}

TEST(Fs1052Frames, DataSeriesRoundTripCountsBadFramesAndEnds) {
  struct Case {
    int frames, b, corrupt;  // corrupt: index of a frame with a flipped data bit, -1 none
  };
  for (const Case& c : {Case{3, 100, -1}, Case{4, 1023, 1}, Case{2, 0, -1}, Case{1, 7, 0}}) {
    SCOPED_TRACE(testing::Message() << c.frames << " frames of " << c.b);
    RecordingSink sink;
    sink.series_frames = c.frames;
    sink.bytes_per_frame = c.b;
    Fs1052Parser p;
    const std::vector<Fs1052DataFrame> frames = data_frames(c.frames, c.b);
    std::vector<uint8_t> air = series(frames, c.b, nullptr);
    if (c.corrupt >= 0) air[1 + static_cast<std::size_t>(c.corrupt) * (2 + 9 + c.b) + 2 + 1] ^= 1;
    feed(p, sink, air);
    ASSERT_EQ(sink.datas.size(), static_cast<std::size_t>(c.frames - (c.corrupt >= 0 ? 1 : 0)));
    EXPECT_EQ(sink.events, std::vector<int>{kFs1052EvSeriesEnd});
    std::size_t k = 0;
    for (int i = 0; i < c.frames; ++i) {
      if (i == c.corrupt) continue;
      const Fs1052DataFrame& got = sink.datas[k++];
      EXPECT_EQ(got.sequence, c.frames - i);
      EXPECT_EQ(got.offset, 0x10000 + i * c.b);
      EXPECT_EQ(got.rate_code, 3);
      EXPECT_EQ(got.interleaver_long, 1);
      EXPECT_EQ(got.length, c.b);
      EXPECT_EQ(std::memcmp(got.data, frames[static_cast<std::size_t>(i)].data, static_cast<std::size_t>(c.b)), 0);
    }
    // Bytes other than the sync after the series: one may be a damaged sync; two are
    // unexpected (event 20).
    p.rx_byte(0x00, sink);
    EXPECT_EQ(sink.events.back(), kFs1052EvSeriesEnd);
    p.rx_byte(0x00, sink);
    EXPECT_EQ(sink.events.back(), kFs1052EvUnexpected);
  }
}

TEST(Fs1052Frames, ControlFrameAheadOfItsSeriesSetsTheFramesExpected) {
  // The series' length is the one its own control frame announces, not the one known when
  // the sync began.
  struct AnnouncingSink : RecordingSink {
    void on_control_frame(const Fs1052ControlFrame& f) override {
      RecordingSink::on_control_frame(f);
      series_frames = f.frames_next;
      bytes_per_frame = f.bytes_per_frame;
    }
  } sink;
  sink.series_frames = 1;
  Fs1052ControlFrame head = control(4, FS1052_BROADCAST, 1, "ALFA", "@?@");
  head.frames_next = 3;
  head.bytes_per_frame = 50;
  Fs1052Parser p;
  feed(p, sink, series(data_frames(3, 50), 50, &head));
  EXPECT_EQ(sink.controls.size(), 1u);
  EXPECT_EQ(sink.datas.size(), 3u);
  EXPECT_EQ(sink.events, std::vector<int>{kFs1052EvSeriesEnd});
}

TEST(Fs1052Frames, LengthsFromThePeerStayInsideTheRecords) {
  // A bytes-per-frame beyond the data area is held at 1023; a frames count beyond 255 at 255.
  RecordingSink sink;
  sink.bytes_per_frame = 5000;
  sink.series_frames = 100000;
  Fs1052Parser p;
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) p.rx_byte(i < 3 ? 0x5C : (i == 3 ? 0x01 : static_cast<uint8_t>(rng())), sink);
  EXPECT_LE(p.bytes_per_frame, kFs1052MaxBytesPerFrame);
  EXPECT_LE(p.frames_expected, kFs1052MaxSeriesFrames);
}

TEST(Fs1052Frames, AcknowledgementBitMapPlaces) {
  struct Case {
    int seq, byte, bit;
  };
  for (const Case& c : {Case{0, 31, 7}, Case{1, 31, 6}, Case{7, 31, 0}, Case{8, 30, 7}, Case{248, 0, 7}, Case{255, 0, 0}}) {
    uint8_t map[32] = {};
    fs1052_bitmap_set(map, c.seq);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(map[i], i == c.byte ? (1 << c.bit) : 0) << "seq " << c.seq;
    EXPECT_TRUE(fs1052_bitmap_test(map, c.seq));
  }
  uint8_t map[32] = {};
  fs1052_bitmap_set(map, 256);
  fs1052_bitmap_set(map, -1);
  for (uint8_t b : map) EXPECT_EQ(b, 0);
}

TEST(Fs1052Frames, ForMe) {
  struct Case {
    int address_mode, control_mode;
    const char* own;
    const char* destination;  // as received, in reading order
    bool for_me;
  };
  const Case cases[] = {
      {0, 0, "ABC12", "12", true},    {0, 0, "ABC12", "21", false},  {0, 0, "ABC12", "2", false},
      {0, 0, "A", "A", true},         {1, 0, "AB", "AB123", false},  {1, 0, "AB123", "AB", false},
      {1, 0, "AB123", "AB123", true}, {1, 0, "AB123", "AB124", false}, {1, 1, "ZZ", "@?@", true},
      {1, 0, "ZZ", "@?@", false},     {0, 1, "ZZ", "@?", false},
      // A longer address that begins with the own one is another station's; ALE fill is not.
      {1, 0, "ALFA", "ALFAX", false}, {1, 0, "ALFA", "ALFA@@", true}, {1, 0, "ALFA@", "ALFA", true},
      {1, 0, "ALFA", "ALF@", false},  {1, 0, "@@", "@@@", false},
  };
  for (const Case& c : cases) {
    Fs1052ControlFrame f;
    f.address_mode = c.address_mode;
    f.control_mode = c.control_mode;
    std::snprintf(f.destination, sizeof f.destination, "%s", c.destination);
    f.destination_len = static_cast<int>(std::strlen(c.destination));
    EXPECT_EQ(fs1052_frame_for_me(f, c.own, static_cast<int>(std::strlen(c.own))), c.for_me)
        << c.own << " <- " << c.destination << " am " << c.address_mode;
  }
  // Own address ABC12 in 2-byte mode: destination bytes '2', '1' read as "12".
  Fs1052ControlFrame f = control(1, 0, 0, "X", "ABC12");
  uint8_t buf[kFs1052MaxControlFrame];
  fs1052_encode_control_frame(buf, f);
  EXPECT_EQ(buf[3], '2');
  EXPECT_EQ(buf[4], '1');
}

TEST(Fs1052Frames, RateTable) {
  struct Case {
    int code;
    const char* mode;
    int absolute, interleaver_long, bits, frames;
  };
  const Case cases[] = {{0, "75NS", 0, 0, 45, 8},      {7, "600L", 3, 1, 2880, 64},
                        {12, "2400V", 5, 0, 1440, 255}, {13, "4800S", 6, 0, 2880, 255},
                        {20, "600S", 3, 0, 360, 255}};
  for (const Case& c : cases) {
    Fs1052Rate r;
    fs1052_set_rate(c.code, &r);
    EXPECT_EQ(r.code, c.code);
    EXPECT_STREQ(r.mode, c.mode);
    EXPECT_EQ(r.absolute_code, c.absolute);
    EXPECT_EQ(r.interleaver_long, c.interleaver_long);
    EXPECT_EQ(r.bits_per_block, c.bits);
    EXPECT_EQ(r.frames_per_series, c.frames);
  }
}

TEST(Fs1052Frames, TraceTexts) {
  Fs1052ControlFrame f = control(2, 0, 0, "ALFA", "BRAVO");
  f.source_len = 2;
  const std::string t = fs1052_control_frame_text(f, true);
  EXPECT_EQ(t.rfind("\r\nTX **** \r\nFRAME TYPE                       CONTROL TYPE 2\r\n", 0), 0u);
  EXPECT_NE(t.find("ACK NAK TYPE                     DATA ACK - HERALD\r\n"), std::string::npos);
  EXPECT_NE(t.find("DATA RATE RELATIVE MUL 4\r\n"), std::string::npos);
  EXPECT_NE(t.find("BIT MAP \n"), std::string::npos);
  Fs1052DataFrame d = data_frames(1, 21)[0];
  d.length = 21;
  const std::string dt = fs1052_data_frame_text(d, false);
  EXPECT_NE(dt.find("DATA RATE ABSOLUTE      600bps\r\n"), std::string::npos);
  EXPECT_NE(dt.find("\r\n\r\n"), std::string::npos);
  EXPECT_EQ(dt.substr(dt.size() - 9), "\r\n14 \r\n\r\n");
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

TEST(Fs1052Frames, ParserKeepsItsSyncAcrossTransmissionsAndLostHeaders) {
  // Two transmissions of the peer back to back, with nothing sent in between.
  RecordingSink sink;
  Fs1052Parser p;
  feed(p, sink, framed_control(control(2, 0, 0, "ALFA", "BRAVO")));
  feed(p, sink, framed_control(control(3, 0, 1, "ALFA", "BRAVO")));
  ASSERT_EQ(sink.controls.size(), 2u);
  EXPECT_EQ(sink.controls[1].type, 3);
  // A broken series (a bogus first frame, nothing behind it) does not swallow the next
  // transmission.
  RecordingSink s1;
  s1.series_frames = 100;
  s1.bytes_per_frame = 100;
  Fs1052Parser r;
  std::vector<uint8_t> bogus = {0x5C, 0x5C, 0x5C, 0x01};
  bogus.resize(bogus.size() + 108, 0xA5);
  feed(r, s1, bogus);
  feed(r, s1, framed_control(control(2, 0, 0, "ALFA", "BRAVO")));
  EXPECT_EQ(s1.controls.size(), 1u);
  // A series whose first frame is noise: the frames behind it still arrive.
  RecordingSink s2;
  s2.series_frames = 4;
  s2.bytes_per_frame = 20;
  Fs1052Parser q;
  std::vector<uint8_t> air = series(data_frames(4, 20), 20, nullptr);
  air[3] = 0x00;  // a header without its bit 0
  for (std::size_t i = 4; i < 3 + 29; ++i) air[i] = 0xA5;
  feed(q, s2, air);
  ASSERT_EQ(s2.datas.size(), 3u);
  EXPECT_EQ(s2.datas[0].sequence, 3);
  EXPECT_EQ(s2.datas[2].sequence, 1);
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

TEST(Fs1052Frames, ADamagedByteCostsAtMostItsFrame) {
  // A recorded transmission: a type 3 control frame announcing ten 20-byte data frames, and
  // the frames behind it. Each case damages it; the frames lost are named by their sequence
  // numbers (the first frame carries 10, the last 1).
  constexpr int kFrames = 10, kB = 20, kFrameLen = 2 + 9 + kB;
  struct Where {
    std::size_t control_start, first_frame;
    std::size_t sync(int frame, int which) const { return first_frame + static_cast<std::size_t>(frame * kFrameLen + which); }
    std::size_t header(int frame) const { return sync(frame, 2); }
  };
  struct Case {
    const char* name;
    bool with_control;
    std::function<void(std::vector<uint8_t>&, const Where&)> damage;
    std::vector<int> lost;
    std::vector<int> events;
  };
  const std::vector<int> ends = {kFs1052EvSeriesEnd};
  const Case cases[] = {
      {"a sync byte, a header bit 0 and a data byte, each in another frame", true,
       [](std::vector<uint8_t>& a, const Where& w) {
         a[w.sync(2, 0)] ^= 0xFF;
         a[w.header(5)] &= 0xFE;
         a[w.header(8) + 7] ^= 0x10;
       },
       {5, 2}, ends},
      {"the second sync behind the control frame", true,
       [](std::vector<uint8_t>& a, const Where& w) { a[w.sync(0, 1)] = 0x00; }, {}, ends},
      {"both syncs of one frame", true,
       [](std::vector<uint8_t>& a, const Where& w) { a[w.sync(4, 0)] = a[w.sync(4, 1)] = 0x00; }, {6}, ends},
      {"a header turned into a control frame's", true,
       [](std::vector<uint8_t>& a, const Where& w) { a[w.header(3)] |= 0x02; }, {7}, ends},
      {"the control frame (its series known from before)", true,
       [](std::vector<uint8_t>& a, const Where& w) { a[w.control_start + 10] ^= 0x01; }, {},
       {kFs1052EvBadControl, kFs1052EvSeriesEnd}},
      {"the first header of a series without control frame", false,
       [](std::vector<uint8_t>& a, const Where& w) { a[w.header(0)] &= 0xFE; }, {10}, ends},
      {"the last frame's sequence number", false,
       [](std::vector<uint8_t>& a, const Where& w) { a[w.header(9) + 1] ^= 0x40; }, {1}, ends},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingSink sink;
    sink.series_frames = kFrames;
    sink.bytes_per_frame = kB;
    Fs1052ControlFrame head = control(3, 0, 1, "ALFA", "BRAVO");
    head.frames_next = kFrames;
    head.bytes_per_frame = kB;
    std::vector<uint8_t> air = series(data_frames(kFrames, kB), kB, c.with_control ? &head : nullptr);
    const Where w{3, c.with_control ? 3u + 57u : 1u};
    c.damage(air, w);
    Fs1052Parser p;
    feed(p, sink, air);
    EXPECT_EQ(sink.controls.size(), c.with_control && c.events.size() == 1 ? 1u : 0u);
    std::vector<int> got;
    for (const auto& d : sink.datas) got.push_back(d.sequence);
    std::vector<int> want;
    for (int seq = kFrames; seq >= 1; --seq)
      if (std::find(c.lost.begin(), c.lost.end(), seq) == c.lost.end()) want.push_back(seq);
    EXPECT_EQ(got, want);
    EXPECT_EQ(sink.events, c.events);
    // The modem keeps its synchronisation until the series is over.
    EXPECT_EQ(sink.receiver_resets, 1);
  }
  // A long stretch without a single sync: the modem is told to search again.
  RecordingSink sink;
  Fs1052Parser p;
  feed(p, sink, std::vector<uint8_t>(2000, 0xA5));
  EXPECT_GE(sink.receiver_resets, 1);
  EXPECT_LE(sink.receiver_resets, 8);
}

}  // namespace
}  // namespace vesk
