#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datalink/fs1052_frames.h"
#include "datalink/fs1052_link.h"
#include "datalink/fs1052_runner.h"
#include "platform/station.h"
#include "sim/fs1052_air.h"

namespace vesk {
namespace {

using AirImpairments = Fs1052Air;
using LinkPair = Fs1052AirPair;

std::vector<uint8_t> payload(int length, int seed) {
  std::vector<uint8_t> v(static_cast<std::size_t>(length));
  uint32_t x = 2463534242u + static_cast<uint32_t>(seed);
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return v;
}

AirImpairments impairments(double frame_loss, double bit_errors, double swap, double missed, uint64_t seed) {
  AirImpairments a;
  a.frame_loss = frame_loss;
  a.bit_errors = bit_errors;
  a.swap = swap;
  a.missed = missed;
  a.seed = seed;
  return a;
}

std::vector<std::vector<uint8_t>> received(const LinkPair& p, int side) {
  std::vector<std::vector<uint8_t>> out;
  for (const auto& i : p.indications[side])
    if (i.type == FS_IND_RX_DATA) out.push_back(i.data);
  return out;
}

TEST(Fs1052Link, MessagesArriveExactlyOnceOverALossyAir) {
  struct Case {
    const char* name;
    AirImpairments air;
    std::vector<int> lengths;
    double limit_s;
  };
  const Case cases[] = {
      {"clean", {}, {5000}, 200},
      {"20% frame loss", impairments(0.2, 0, 0, 0, 11), {3000, 700, 6400}, 2400},
      {"bit errors and reordering", impairments(0, 0.15, 0.2, 0, 5), {4000, 1}, 1500},
      {"missed transmissions", impairments(0.05, 0, 0, 0.2, 3), {2500}, 2400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkPair p({}, c.air);
    std::vector<std::vector<uint8_t>> sent;
    for (std::size_t i = 0; i < c.lengths.size(); ++i) {
      sent.push_back(payload(c.lengths[i], static_cast<int>(i) + 1));
      ASSERT_EQ(p.link[0].send_message(sent.back().data(), c.lengths[i], 0, 100 + static_cast<int>(i), 0), 0);
    }
    const auto n = static_cast<int>(sent.size());
    ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_MESSAGE_CONFIRM) == n; }, c.limit_s))
        << "confirmed " << p.count(0, FS_IND_MESSAGE_CONFIRM) << " failed " << p.count(0, FS_IND_MESSAGE_FAILED);
    p.run_for(60);
    EXPECT_EQ(received(p, 1), sent);
    int id = 100;
    for (const auto& i : p.indications[0])
      if (i.type == FS_IND_MESSAGE_CONFIRM) {
        EXPECT_EQ(i.id, id++);
        EXPECT_EQ(i.first, "BRAVO");
      }
    EXPECT_EQ(p.count(0, FS_IND_MESSAGE_FAILED), 0);
    EXPECT_EQ(p.link[0].tx_slots_in_use(), 0);
    EXPECT_EQ(p.link[1].rx_slots_in_use(), 0);
  }
}

TEST(Fs1052Link, AnIdleLinkIsDroppedAndBothEndsReturnToIdle) {
  LinkPair p;
  const auto msg = payload(300, 1);
  p.link[0].send_message(msg.data(), 300, 0, 1, 0);
  ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_MESSAGE_CONFIRM) == 1; }, 100));
  EXPECT_EQ(p.link[0].lsm_state(), Fs1052LinkState::LinkUp);
  // 1 s to the MSM, 30 s without traffic, then DROPPING.
  ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_DISCONNECT_CONFIRM) == 1; }, 40));
  ASSERT_TRUE(p.run_until([&] { return p.count(1, FS_IND_DISCONNECT) == 1; }, 10));
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(p.link[s].lsm_state(), Fs1052LinkState::Idle);
    EXPECT_EQ(p.link[s].dsm_state(), Fs1052DataState::Idle);
    EXPECT_EQ(p.link[s].msm_state(), Fs1052MessageState::Idle);
  }
  // Immediate mode keeps the link.
  Fs1052Config imm;
  imm.immediate = 1;
  LinkPair q(imm);
  q.link[0].send_message(msg.data(), 300, 0, 1, 0);
  ASSERT_TRUE(q.run_until([&] { return q.count(0, FS_IND_MESSAGE_CONFIRM) == 1; }, 100));
  q.run_for(120);
  EXPECT_EQ(q.count(0, FS_IND_DISCONNECT_CONFIRM), 0);
  EXPECT_EQ(q.link[0].lsm_state(), Fs1052LinkState::LinkUp);
}

TEST(Fs1052Link, RetryLimitFailsTheMessagesAndDisconnects) {
  struct Case {
    int retry_limit;
    bool peer_on_air;  // false: the peer is silent from the start
  };
  for (const Case& c : {Case{3, false}, Case{20, false}, Case{2, true}}) {
    SCOPED_TRACE(testing::Message() << "retry limit " << c.retry_limit << (c.peer_on_air ? " peer lost mid-message" : ""));
    Fs1052Config cfg;
    cfg.retry_limit = c.retry_limit;
    LinkPair p(cfg);
    p.link_up[1] = c.peer_on_air;
    const auto a = payload(9000, 1), b = payload(100, 2);
    p.link[0].send_message(a.data(), 9000, 0, 7, 0);
    p.link[0].send_message(b.data(), 100, 0, 8, 0);
    if (c.peer_on_air) {
      ASSERT_TRUE(p.run_until([&] { return p.link[0].dsm_state() == Fs1052DataState::AwaitingAck; }, 60));
      p.link_up[1] = false;
    }
    ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_DISCONNECT) == 1; }, 100.0 * (c.retry_limit + 2)));
    EXPECT_EQ(p.count(0, FS_IND_MESSAGE_FAILED), 2);
    EXPECT_EQ(p.count(0, FS_IND_MESSAGE_CONFIRM), 0);
    for (const auto& i : p.indications[0])
      if (i.type == FS_IND_MESSAGE_FAILED) {
        EXPECT_EQ(i.data, i.id == 7 ? a : b);
      }
    EXPECT_EQ(p.link[0].tx_slots_in_use(), 0);
    EXPECT_EQ(p.link[0].lsm_state(), Fs1052LinkState::Idle);
    // A silent peer: the first call and one per retry, then nothing more.
    if (!c.peer_on_air) {
      EXPECT_EQ(p.port[0].transmissions, c.retry_limit + 1);
    }
  }
}

TEST(Fs1052Reassembly, GapsCloseAndAdjacentRunsMerge) {
  // Runs of 100 bytes by their frame index, entered in order; `contiguous` afterwards.
  struct Case {
    const char* name;
    std::vector<int> frames;
    int contiguous;
  };
  std::vector<int> past_gap;  // 300 frames behind a missing first one, then the first
  for (int i = 1; i <= 300; ++i) past_gap.push_back(i);
  past_gap.push_back(0);
  const Case cases[] = {
      {"in order", {0, 1, 2}, 300},
      {"more than the pairs past a gap, then the gap", past_gap, 30100},
      {"backwards", {4, 3, 2, 1, 0}, 500},
      {"repeated frames", {1, 1, 0, 0, 1}, 200},
      {"two gaps", {1, 3, 0}, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fs1052Reassembly r;
    int contiguous = 0;
    for (int f : c.frames) EXPECT_TRUE(r.add(f * 100, 100, &contiguous)) << "frame " << f;
    EXPECT_EQ(contiguous, c.contiguous);
  }
  // A table full of runs with gaps between: a further run of its own is refused and changes
  // nothing, while the frame at the contiguous end and one touching a stored run go in.
  Fs1052Reassembly r;
  int contiguous = 0;
  for (int i = 0; i < Fs1052Reassembly::kPairs; ++i) ASSERT_TRUE(r.add(200 + 20 * i, 10, &contiguous));
  EXPECT_FALSE(r.add(100000, 10, &contiguous));
  EXPECT_TRUE(r.add(210, 10, &contiguous));  // joins the first two runs
  EXPECT_TRUE(r.add(100000, 10, &contiguous));
  EXPECT_TRUE(r.add(0, 200, &contiguous));
  EXPECT_EQ(contiguous, 230);
}

TEST(Fs1052Link, AFrameLostAgainAndAgainStillClosesItsGap) {
  // 2400S series of 255 frames; the first frame of each of the first two series is lost, so
  // more frames arrive behind the gap than the reassembly table has pairs before the frame
  // that closes it comes through.
  Fs1052Config cfg;
  cfg.arq_rate = 10;
  cfg.bytes_per_frame = 20;
  AirImpairments air;
  int heads_lost = 0;
  bool data_seen = false;
  air.drop = [&](int from, int index, bool is_data) {
    if (index == 0) data_seen = false;
    if (from != 0 || !is_data || data_seen) return false;
    data_seen = true;
    return heads_lost++ < 2;
  };
  LinkPair p(cfg, air);
  const auto msg = payload(20 * 800, 5);
  p.link[0].send_message(msg.data(), static_cast<int>(msg.size()), 0, 9, 0);
  ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_MESSAGE_CONFIRM) == 1; }, 1500))
      << "failed " << p.count(0, FS_IND_MESSAGE_FAILED);
  EXPECT_GT(heads_lost, 2);  // the third head went through
  EXPECT_EQ(received(p, 1), std::vector<std::vector<uint8_t>>{msg});
}

TEST(Fs1052Link, ATransferThatCannotProgressFailsOnBothStations) {
  // Every data frame is lost while every control frame arrives: the receiver answers each
  // request for an acknowledgement, but nothing is ever acknowledged.
  for (int retry_limit : {3, 20}) {
    SCOPED_TRACE(testing::Message() << "retry limit " << retry_limit);
    Fs1052Config cfg;
    cfg.retry_limit = retry_limit;
    AirImpairments air;
    air.drop = [](int, int, bool is_data) { return is_data; };
    LinkPair p(cfg, air);
    const auto msg = payload(3000, 2);
    p.link[0].send_message(msg.data(), 3000, 0, 4, 0);
    ASSERT_TRUE(p.run_until([&] { return p.count(1, FS_IND_RX_FAILED) == 1 && p.count(0, FS_IND_MESSAGE_FAILED) == 1; },
                            300.0 * (retry_limit + 2)))
        << "sender failed " << p.count(0, FS_IND_MESSAGE_FAILED) << ", receiver failed " << p.count(1, FS_IND_RX_FAILED);
    for (const auto& i : p.indications[0])
      if (i.type == FS_IND_MESSAGE_FAILED) {
        EXPECT_EQ(i.id, 4);
        EXPECT_EQ(i.data, msg);
      }
    EXPECT_EQ(p.count(0, FS_IND_DISCONNECT), 1);
    EXPECT_EQ(p.count(1, FS_IND_DISCONNECT), 1);
    p.run_for(60);
    for (int s = 0; s < 2; ++s) {
      EXPECT_EQ(p.link[s].lsm_state(), Fs1052LinkState::Idle) << s;
      EXPECT_EQ(p.link[s].tx_slots_in_use() + p.link[s].rx_slots_in_use(), 0) << s;
    }
    EXPECT_EQ(received(p, 1).size(), 0u);
  }
}

TEST(Fs1052Link, RateStepsOnTheAcknowledgementRatio) {
  struct Case {
    int arq_rate;
    int lowest_bps;
    int frames_lost;  // of the first 64-frame series
    int rate_after;
  };
  const Case cases[] = {
      {6, 75, 33, 4},    // 31 of 64 acknowledged: 600S -> 300S
      {6, 600, 33, 6},   // ... unless the lowest rate is 600 bps
      {6, 75, 0, 8},     // all 64: 600S -> 1200S
      {6, 75, 10, 6},    // 54 of 64: stays
      {7, 75, 40, 5},    // 600L -> 300L
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate " << c.arq_rate << " lowest " << c.lowest_bps << " lost " << c.frames_lost);
    Fs1052Config cfg;
    cfg.arq_rate = c.arq_rate;
    cfg.lowest_bps = c.lowest_bps;
    AirImpairments air;
    int series_seen = 0;
    // Lose the first frames_lost data frames of A's first series only.
    air.drop = [&, lost = c.frames_lost](int from, int index, bool is_data) {
      if (from != 0 || !is_data) return false;
      if (index == 0) ++series_seen;
      return series_seen == 1 && index < lost;
    };
    cfg.trace = 1;
    LinkPair p(cfg, air);
    p.port[0].keep_trace = true;
    const auto msg = payload(100 * 200, 1);
    p.link[0].send_message(msg.data(), static_cast<int>(msg.size()), 0, 1, 0);
    // The first DATA ACK arrives: the rate has moved once, or stayed.
    ASSERT_TRUE(p.run_until([&] { return p.port[0].trace_text.find("BLOCKS SENT") != std::string::npos; }, 300));
    EXPECT_NE(p.port[0].trace_text.find("BLOCKS SENT 64 ACKED " + std::to_string(64 - c.frames_lost) + "\n"),
              std::string::npos);
    EXPECT_EQ(p.link[0].rate(FS_RATE_TX).code, c.rate_after);
  }
  // Series after series lost: every third retry steps down, and the frames waiting are cut to
  // what the lower rate's series holds.
  {
    Fs1052Config cfg;
    AirImpairments air;
    air.drop = [](int from, int, bool is_data) { return from == 0 && is_data; };
    LinkPair p(cfg, air);
    const auto msg = payload(100 * 200, 1);
    p.link[0].send_message(msg.data(), static_cast<int>(msg.size()), 0, 1, 0);
    ASSERT_TRUE(p.run_until([&] { return p.link[0].rate(FS_RATE_TX).code == 4; }, 600));
    EXPECT_EQ(p.link[0].data_table_in_use(), 32);
  }
  // The step tables.
  Fs1052Link l;
  Fs1052Config cfg;
  cfg.lowest_bps = 75;
  l.configure(cfg);
  const int up[][2] = {{0, 2}, {1, 3}, {8, 10}, {9, 11}, {10, 10}, {11, 11}, {12, 12}, {13, 13}};
  for (auto [from, to] : up) EXPECT_EQ(l.step_up(from), to) << from;
  const int down[][2] = {{0, 0}, {2, 0}, {11, 9}, {12, 8}, {13, 10}};
  for (auto [from, to] : down) EXPECT_EQ(l.step_down(from), to) << from;
}

TEST(Fs1052Link, TimersFireOnTheirTick) {
  LinkPair p;  // the harness port keeps the trace
  p.port[0].keep_trace = true;
  Fs1052Config cfg;
  cfg.trace = 1;
  p.link[0].configure(cfg);
  struct Case {
    float seconds;
    int tick;
  };
  for (const Case& c : {Case{1.0f, 101}, Case{0.0f, 1}, Case{0.5f, 51}}) {
    p.link[0].timer_start(c.seconds, FS_EV_LINK_IDLE);
    for (int t = 1; t <= c.tick; ++t) {
      EXPECT_TRUE(p.link[0].timer_running(FS_EV_LINK_IDLE)) << c.seconds << " s, tick " << t;
      p.link[0].timer_tick();
    }
    EXPECT_FALSE(p.link[0].timer_running(FS_EV_LINK_IDLE)) << c.seconds;
  }
  EXPECT_NE(p.port[0].trace_text.find("LSM STATE 0 EVENT 3\n"), std::string::npos);
  // The retry limit of 20 is sent as timeout code 15 (480 s); 3 as 4 (150 s).
  EXPECT_EQ(p.link[0].timeout_code(), 15);
  cfg.retry_limit = 3;
  p.link[0].configure(cfg);
  EXPECT_EQ(p.link[0].timeout_code(), 4);
}

TEST(Fs1052Link, MessagesPastTheTwentySlotsFailCleanly) {
  LinkPair p;
  std::vector<std::vector<uint8_t>> sent;
  for (int i = 0; i < 25; ++i) {
    sent.push_back(payload(50 + i, i));
    EXPECT_EQ(p.link[0].send_message(sent.back().data(), 50 + i, 0, i, 0), i < 20 ? 0 : -1) << i;
  }
  EXPECT_EQ(p.link[0].tx_slots_in_use(), 20);
  p.step();
  ASSERT_EQ(p.count(0, FS_IND_MESSAGE_FAILED), 5);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(p.indications[0][static_cast<std::size_t>(k)].id, 20 + k);
    EXPECT_EQ(p.indications[0][static_cast<std::size_t>(k)].data, sent[static_cast<std::size_t>(20 + k)]);
  }
  // The twenty queued ones all go, and a freed slot takes a new message.
  ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_MESSAGE_CONFIRM) == 20; }, 3000));
  const auto more = payload(10, 99);
  EXPECT_EQ(p.link[0].send_message(more.data(), 10, 0, 99, 0), 0);
  ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_MESSAGE_CONFIRM) == 21; }, 200));
  auto got = received(p, 1);
  ASSERT_EQ(got.size(), 21u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], sent[static_cast<std::size_t>(i)]);
  EXPECT_EQ(got[20], more);
}

// Frames a hostile or broken peer sends to a link, fed in as its modem would.
struct Injector {
  Fs1052Link& link;
  void control(Fs1052ControlFrame f) {
    uint8_t buf[kFs1052MaxControlFrame];
    const int n = fs1052_encode_control_frame(buf, f);
    for (int i = 0; i < 3; ++i) link.rx_byte(0x5C);
    for (int i = 0; i < n; ++i) link.rx_byte(buf[i]);
    link.rx_byte(0x00);  // ends it
  }
  void series(const std::vector<Fs1052DataFrame>& frames, int b) {
    std::vector<uint8_t> buf(kFs1052MaxDataFrame);
    link.rx_byte(0x5C);
    for (const auto& f : frames) {
      link.rx_byte(0x5C);
      link.rx_byte(0x5C);
      const int n = fs1052_encode_data_frame(buf.data(), f, b);
      for (int i = 0; i < n; ++i) link.rx_byte(buf[static_cast<std::size_t>(i)]);
    }
  }
};

Fs1052ControlFrame announce(const char* to, int id, int size_bytes, int b, int frames) {
  Fs1052ControlFrame f;
  f.type = 3;
  f.address_mode = 1;
  std::snprintf(f.source, sizeof f.source, "ALFA");
  f.source_len = 4;
  std::snprintf(f.destination, sizeof f.destination, "%s", to);
  f.destination_len = static_cast<int>(std::strlen(to));
  f.link_state = FS1052_CALLING;
  f.rate_code = 3;
  f.bytes_per_frame = b;
  f.frames_next = frames;
  f.tx_msg_id = id;
  f.tx_msg_size_bits = size_bytes * 8;
  return f;
}

TEST(Fs1052Link, WhatAPeerSendsCannotTakeTheLinkOutsideItsTables) {
  // Acknowledgement bits beyond the series are ignored.
  {
    LinkPair p;
    p.air.drop = [](int from, int, bool) { return from == 1; };  // the peer's answers are lost ...
    const auto msg = payload(300, 1);
    p.link[0].send_message(msg.data(), 300, 0, 1, 0);
    p.air.drop = nullptr;
    ASSERT_TRUE(p.run_until([&] { return p.link[0].dsm_state() == Fs1052DataState::AwaitingAck; }, 60));
    p.link_up[1] = false;  // ... and A waits for its acknowledgement of a 3-frame series
    Fs1052ControlFrame ack;
    ack.type = 2;
    ack.ack_type = FS1052_DATA_ACK;
    std::snprintf(ack.destination, sizeof ack.destination, "FA");
    ack.destination_len = 2;
    ack.link_state = FS1052_LINK_UP;
    std::memset(ack.bitmap, 0xFF, sizeof ack.bitmap);
    Injector{p.link[0]}.control(ack);
    EXPECT_EQ(p.link[0].data_table_in_use(), 0);
    p.step();
    EXPECT_EQ(p.count(0, FS_IND_MESSAGE_CONFIRM), 1);
  }
  // A peer message that finds no free receive slot is refused.
  {
    LinkPair p;
    p.port[1].keep_trace = true;
    Fs1052Config cfg;
    cfg.trace = 1;
    p.link[1].configure(cfg);
    for (int id = 0; id < 21; ++id) Injector{p.link[1]}.control(announce("BRAVO", id, 500, 100, 5));
    EXPECT_EQ(p.link[1].rx_slots_in_use(), 20);
    EXPECT_NE(p.port[1].trace_text.find("FS-1052 NO FREE RECEIVE SLOT FOR MESSAGE 20\n"), std::string::npos);
  }
  // A full reassembly table drops the frame with a trace line and does not acknowledge it.
  {
    LinkPair p;
    p.port[1].keep_trace = true;
    Fs1052Config cfg;
    cfg.trace = 1;
    p.link[1].configure(cfg);
    Injector in{p.link[1]};
    in.control(announce("BRAVO", 1, 600, 1, 255));
    std::vector<Fs1052DataFrame> frames(255);
    for (int i = 0; i < 255; ++i) {
      frames[static_cast<std::size_t>(i)].sequence = 255 - i;
      // Never offset 0, and a gap after each: nothing joins up, every frame a run of its own.
      frames[static_cast<std::size_t>(i)].offset = 2 + 2 * i;
      frames[static_cast<std::size_t>(i)].data[0] = static_cast<uint8_t>(i);
    }
    in.series(frames, 1);
    // A run of its own finds no pair; the frame that closes the first gap still goes in.
    in.control(announce("BRAVO", 1, 600, 1, 2));
    frames.resize(2);
    frames[0].offset = 590;
    frames[0].sequence = 2;
    frames[1].offset = 0;
    frames[1].sequence = 1;
    in.series(frames, 1);
    EXPECT_NE(p.port[1].trace_text.find("FS-1052 REASSEMBLY TABLE FULL: FRAME 2 DROPPED\n"), std::string::npos);
    EXPECT_EQ(p.port[1].trace_text.find("FRAME 1 DROPPED"), std::string::npos);
  }
}

TEST(Fs1052Link, ASeriesWhoseLastFrameIsDecodedABlockLateIsAcknowledgedOnce) {
  // The modem hands a whole interleaver block over at once, so the last frame of a series may
  // come later than its air time says. The receiving link waits for it and acknowledges the
  // series once, with the sequence bit the sender expects: an early acknowledgement followed
  // by a second one turned the bit, and the sender took the series as lost.
  LinkPair p;
  p.link_up[0] = false;  // the sender here is the injector
  p.port[1].keep_trace = true;
  Fs1052Config cfg;
  cfg.trace = 1;
  p.link[1].configure(cfg);
  Injector in{p.link[1]};
  in.control(announce("BRAVO", 1, 600, 100, 3));  // 600S: 0.6 s blocks; 3 of 6 frames
  std::vector<Fs1052DataFrame> frames(3);
  for (int i = 0; i < 3; ++i) {
    frames[static_cast<std::size_t>(i)].sequence = 3 - i;
    frames[static_cast<std::size_t>(i)].offset = 100 * i;
  }
  in.series({frames[0], frames[1]}, 100);
  // One frame (888 bits) is on the air for 1.48 s; its end comes out of the decoder with the
  // block that holds it, up to a block later.
  for (int t = 0; t < 200; ++t) p.step();
  std::vector<uint8_t> buf(kFs1052MaxDataFrame);
  p.link[1].rx_byte(0x5C);
  p.link[1].rx_byte(0x5C);
  const int n = fs1052_encode_data_frame(buf.data(), frames[2], 100);
  for (int i = 0; i < n; ++i) p.link[1].rx_byte(buf[static_cast<std::size_t>(i)]);
  for (int t = 0; t < 1000; ++t) p.step();
  // The sequence bit of every data acknowledgement the receiver sent.
  std::vector<int> bits;
  const std::string& text = p.port[1].trace_text;
  for (std::size_t at = text.find("TX ****"); at != std::string::npos; at = text.find("TX ****", at + 1)) {
    const std::size_t end = text.find("TX ****", at + 1);
    const std::string frame = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (frame.find("DATA ACK - NULL HERALD") == std::string::npos) continue;
    const std::size_t seq = frame.find("ACK SEQ");
    ASSERT_NE(seq, std::string::npos) << frame;
    bits.push_back(std::atoi(frame.c_str() + frame.find_first_not_of(' ', seq + 7)));
  }
  EXPECT_EQ(bits, std::vector<int>{0}) << text;
}

TEST(Fs1052Link, ABroadcastIsDeliveredOnceAndConfirmedAfterItsRepetitions) {
  Fs1052Config cfg;
  cfg.broadcast_rate = 4;
  cfg.broadcast_repeats = 1;
  LinkPair p(cfg);
  p.link[0].set_remote_address("@?@", 3);
  const auto msg = payload(700, 4);
  p.link[0].send_message(msg.data(), 700, 0, 5, 1);
  ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_MESSAGE_CONFIRM) == 1; }, 120));
  EXPECT_EQ(received(p, 1), std::vector<std::vector<uint8_t>>{msg});
  EXPECT_EQ(p.port[1].transmissions, 0);  // a broadcast is not answered
  EXPECT_EQ(p.port[0].transmissions, 2);  // sent, and repeated once
}

TEST(Fs1052Link, TheLongestSeriesGoesOutWhole) {
  // 4800S, 1023-byte frames: 255 frames behind their syncs in one transmission.
  Fs1052Config cfg;
  cfg.arq_rate = 13;
  cfg.bytes_per_frame = 1023;
  LinkPair p(cfg);
  const auto msg = payload(255 * 1023, 3);
  p.link[0].send_message(msg.data(), static_cast<int>(msg.size()), 0, 1, 0);
  ASSERT_TRUE(p.run_until([&] { return p.count(0, FS_IND_MESSAGE_CONFIRM) == 1; }, 900));
  EXPECT_EQ(p.port[0].largest, 1u + 255u * (2 + 5 + 1023 + 4));
  EXPECT_LE(p.port[0].largest, static_cast<std::size_t>(kFs1052MaxTransmission));
  ASSERT_EQ(received(p, 1).size(), 1u);
  EXPECT_EQ(received(p, 1)[0], msg);
}

TEST(Fs1052Link, TransmissionCompleteCountsOnlyTheLinksOwnTransmissions) {
  LinkPair p;
  p.port[0].keep_trace = true;
  Fs1052Config cfg;
  cfg.trace = 1;
  p.link[0].configure(cfg);
  p.link[0].tx_complete();  // an ALE transmission ended: not the link's
  EXPECT_EQ(p.port[0].trace_text.find("EVENT 22"), std::string::npos);
  const auto msg = payload(100, 1);
  p.link[0].send_message(msg.data(), 100, 0, 1, 0);
  ASSERT_TRUE(p.run_until([&] { return p.port[0].transmissions == 1; }, 10));
  EXPECT_EQ(p.link[0].transmissions_outstanding(), 1);
  ASSERT_TRUE(p.run_until([&] { return p.link[0].transmissions_outstanding() == 0; }, 10));
  EXPECT_NE(p.port[0].trace_text.find("LSM STATE 1 EVENT 22\n"), std::string::npos);
}

TEST(Fs1052Link, TheRunnerThreadRunsPostedEventsInOrder) {
  Station st(std::filesystem::temp_directory_path());
  Fs1052Link link;
  Fs1052Runner runner(link);
  std::vector<int> order;
  for (int i = 0; i < 3; ++i) runner.post([&order, i](Fs1052Link&) { order.push_back(i); });
  runner.post_tick();
  EXPECT_EQ(runner.run_pending(), 4);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  runner.start(st);
  std::atomic<int> done{0};
  for (int i = 0; i < 100; ++i) runner.post_tick();
  runner.post([&](Fs1052Link& l) { done = l.timer_running(FS_EV_LINK_IDLE) ? 2 : 1; });
  for (int i = 0; i < 500 && done == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  runner.stop();
  EXPECT_EQ(done, 1);
  EXPECT_EQ(runner.pending(), 0u);
}

}  // namespace
}  // namespace vesk
