// The station database image and "ALE.DAT": layout, defaults, load, save, rejected files and
// the catch-up ageing at load.
#include "db/database.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <random>

#include "db/crc16.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/options.h"
#include "platform/serial_port.h"
#include "tests/db/db_fixture.h"

namespace vesk {
namespace {

using test::DbTest;

constexpr std::size_t kOpt = kOptionsOffset;
constexpr std::size_t kOther = 18984;
constexpr int64_t kDayMs = 24LL * 3600 * 1000;
constexpr int32_t kResetScoreWord = 49 | 49 << 6 | 7 << 12;

// Offsets in the file and the value the defaults give them (32-bit little-endian).
struct Expect {
  std::size_t offset;
  int32_t value;
  const char* what;
};
const Expect kDefaults[] = {
    {0 * 72 + 0, 0, "channel 0 number"},
    {0 * 72 + 36, 1, "channel 0 receive mode USB"},
    {5 * 72 + 0, 5, "channel 5 number"},
    {5 * 72 + 4, 0, "channel 5 free"},
    {5 * 72 + 8, 1, "channel 5 update pending"},
    {5 * 72 + 36, 1, "channel 5 receive mode USB"},
    {256 * 72 + 0, 0, "channel 256 number"},
    {256 * 72 + 8, 1, "channel 256 update pending"},
    {256 * 72 + 36, 1, "channel 256 receive mode USB"},
    {18504 + 19 * 24, 19, "own address 19 index"},
    {kOther + 99 * 5184, 99, "other address 99 index"},
    {kOther + 36, kAgeNever, "other address 0 never heard"},
    {kOther + 44 + 5 * 20 + 0, kResetScoreWord, "LQA measured word reset"},
    {kOther + 44 + 5 * 20 + 4, kAgeNever, "LQA measured age none"},
    {kOther + 44 + 5 * 20 + 12, kAgeNever, "LQA reported age none"},
    {537384 + 7 * 116, 7, "net 7 index"},
    {539704 + 8, 1, "LP key 0 levels AL0"},
    {539704 + 4 * 16 + 8, 1, "LP key 4 levels AL0"},
    {kOpt + 0, 0, "scan group"},
    {kOpt + 10248, 300, "TWA"},
    {kOpt + 10252, 133, "radio type NONE"},
    {kOpt + 11484, 30, "PTT delay"},
    {kOpt + 11488, 10, "sync votes"},
    {kOpt + 11504, 8, "SCLC"},
    {kOpt + 11532, 1440, "LQA timeout"},
    {kOpt + 11536, 60, "sounding interval"},
    {kOpt + 11552, 10, "TXAL"},
    {kOpt + 11560, 15, "MXAL"},
    {kOpt + 11564, 1, "radio port"},
    {kOpt + 11580, -1, "wave in"},
    {kOpt + 11584, -1, "wave out"},
    {kOpt + 11600, 0x0200A8C0, "host IP 192.168.0.2"},
    {kOpt + 11604, 0x1700, "TCP port 23 in network order"},
    {kOpt + 11640, 1, "LQA on"},
    {kOpt + 11664, 1, "TIS"},
    {kOpt + 11700, 1, "frequency display"},
    {kOpt + 11740, 1, "RX autofill"},
    {kOpt + 11748, 1, "log to disk"},
    {kOpt + 11784, 6, "ARQ rate 600S"},
    {kOpt + 11808, 150, "lowest data rate"},
    {kOpt + 11820, 0x53303036, "data rate \"600S\""},
    {kOpt + 11948, 16, "TNC type"},
    {kOpt + 11960, 9600, "TNC baud"},
    {kOpt + 12024, 0, "DATE"},
    {kOpt + 12044, 100, "tuner DTR pulse"},
    {kOpt + 12052, 12, "emulation port"},
    {kOpt + 12060, 1, "emulation on"},
    {551856, 0, "AMD ring index"},
};

void expect_defaults(const std::vector<uint8_t>& b) {
  ASSERT_EQ(b.size(), kImageSize);
  for (const auto& e : kDefaults)
    EXPECT_EQ(DbTest::le32(b, e.offset), e.value) << e.what << " at " << e.offset;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[kOpt + 4])), "NO LABEL 0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[kOpt + 4 + 15 * 640])), "NO LABEL 15");
}

int32_t reference_crc(std::vector<uint8_t> b) {
  for (int i = 0; i < 4; ++i) b[kCrcOffset + i] = 0;
  int32_t crc;
  crc16_init(&crc);
  for (uint8_t v : b) crc16_update_byte(v, &crc);
  return crc;
}

// An image as bytes, with a valid CRC.
void seal(std::vector<uint8_t>& b) { DbTest::put_le32(b, kCrcOffset, static_cast<uint32_t>(reference_crc(b))); }

TEST_F(DbTest, EncodingWalksEveryByteAtItsOffset) {
  // Random bytes decoded and encoded again come back unchanged: every field is read and
  // written, at its own offset, and nothing is lost or moved.
  std::vector<uint8_t> in(kImageSize), out(kImageSize);
  std::mt19937 rng(7);
  for (auto& v : in) v = static_cast<uint8_t>(rng());
  auto db = std::make_unique<StationDatabase>();
  db_decode_image(in.data(), *db);
  db_encode_image(*db, out.data());
  EXPECT_EQ(in, out);
  // Spot checks that the fields land where the layout says.
  EXPECT_EQ(db->channels[3].rx_freq_hz, le32(in, 3 * 72 + 56));
  EXPECT_EQ(db->other[2].lqa[256].reported_age, le32(in, kOther + 2 * 5184 + 44 + 256 * 20 + 12));
  EXPECT_EQ(db->nets[19].own_slot, le32(in, 537384 + 19 * 116 + 112));
  EXPECT_EQ(db->amd[99].channel, le32(in, 551860 + 99 * 120 + 116));
  EXPECT_EQ(static_cast<int32_t>(db->age_stamp), le32(in, 563860));
}

TEST_F(DbTest, NoFileGivesDefaultsInMemoryAndTheFirstSaveWritesThem) {
  open();
  EXPECT_FALSE(std::filesystem::exists(file("ALE.DAT")));
  EXPECT_EQ(db_get_radio_type(), 133);
  EXPECT_EQ(db_loaded(), 1);
  ASSERT_EQ(db_save(), 1);
  const auto b = read_bytes("ALE.DAT");
  expect_defaults(b);
  EXPECT_EQ(le32(b, kCrcOffset), reference_crc(b));
  EXPECT_FALSE(std::filesystem::exists(file("ALE.DAT.tmp")));
  // A restart loads it, and the CRC matches.
  db_set_radio_type(7);
  ASSERT_EQ(db_save(), 1);
  open();
  EXPECT_EQ(db_get_radio_type(), 7);
  EXPECT_EQ(log_monitor_text().find("FILE ERROR"), std::string::npos);
  ASSERT_EQ(db_save(), 1);
  EXPECT_EQ(db_check_crc(), 1) << "a save stores the CRC of what it wrote";
}

TEST_F(DbTest, RejectedFileIsKeptAsBadAndDefaultsStartFromZero) {
  open();
  db_set_radio_type(7);
  db_set_option_int(11388, 0x5A5A5A5A);  // a field the defaults leave alone
  ASSERT_EQ(db_save(), 1);
  std::vector<uint8_t> good = read_bytes("ALE.DAT");

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
    const char* kept_as;
  };
  std::vector<uint8_t> flipped = good, shorter = good, longer = good;
  flipped[200000] ^= 0x01;
  shorter.resize(kImageSize - 1);
  longer.push_back(0);
  // Rejected in turn on the same folder: each is kept under its own name, none replaced.
  const Case cases[] = {
      {"one byte flipped", flipped, "BAD CRC", "ALE.DAT.bad"},
      {"one byte short", shorter, "WRONG LENGTH 563871", "ALE.DAT.bad.1"},
      {"one byte long", longer, "WRONG LENGTH", "ALE.DAT.bad.2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_bytes("ALE.DAT", c.bytes);
    open();
    for (const auto& earlier : cases) {
      EXPECT_EQ(read_bytes(earlier.kept_as), earlier.bytes) << earlier.kept_as;
      if (&earlier == &c) break;
    }
    EXPECT_FALSE(std::filesystem::exists(file("ALE.DAT")));
    const std::string log = log_monitor_text();
    EXPECT_NE(log.find("FILE ERROR: ALE.DAT REJECTED"), std::string::npos) << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
    EXPECT_NE(log.find(std::string("KEPT AS ") + c.kept_as + "]"), std::string::npos) << log;
    EXPECT_EQ(db_get_radio_type(), 133);
    EXPECT_EQ(db_option_int(11388), 0) << "a byte of the rejected file survived";
    ASSERT_EQ(db_save(), 1);
    expect_defaults(read_bytes("ALE.DAT"));
  }
}

TEST_F(DbTest, FailedSaveReportsAndKeepsThePreviousFile) {
  open();
  ASSERT_EQ(db_save(), 1);
  const auto before = read_bytes("ALE.DAT");
  // A directory in the temporary file's place makes the write fail.
  std::filesystem::create_directory(file("ALE.DAT.tmp"));
  db_set_radio_type(9);
  EXPECT_EQ(db_save(), 0);
  EXPECT_NE(log_monitor_text().find("FILE ERROR: CANNOT CREATE ALE.DAT.tmp"), std::string::npos) << log_monitor_text();
  EXPECT_EQ(read_bytes("ALE.DAT"), before);
}

TEST_F(DbTest, SaveClearsTheTraceSwitchesEvenBeforeLoading) {
  start();
  db_enable_trace_events();
  db_set_option_int(11796, 0x01020304);
  EXPECT_EQ(db_save(), 1);  // not loaded yet: nothing written
  EXPECT_FALSE(std::filesystem::exists(file("ALE.DAT")));
  EXPECT_EQ(db_get_trace_events(), 0);
  EXPECT_EQ(db_option_int(11796), 0x01020300);

  open();
  db_enable_trace_commands();
  db_enable_trace_timers();
  ASSERT_EQ(db_save(), 1);
  EXPECT_EQ(db_get_trace_commands(), 0);
  const auto b = read_bytes("ALE.DAT");
  for (std::size_t off = 11704; off < 11728; off += 4) EXPECT_EQ(le32(b, kOpt + off), 0) << off;
}

// A valid file whose undocumented bytes are random: a load and a save change only the
// fields that loading and saving are defined to change.
TEST_F(DbTest, LoadAndSaveKeepUndocumentedBytes) {
  std::vector<uint8_t> b(kImageSize);
  std::mt19937 rng(11);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  put_le32(b, kOpt + 10252, 133);                                              // not the SGC-2000 type
  put_le32(b, kOpt + 11532, 1440);                                             // LQA timeout
  put_le32(b, kOpt + 11544, 1000);                                             // minute counter
  put_le32(b, 563860, static_cast<uint32_t>(SimClock::kDefaultUtcStartMs / 1000 - 600));  // aged 10 min ago
  for (std::size_t port : {11564, 11896, 11900, 11904, 11936, 11944, 12052}) put_le32(b, kOpt + port, 1);
  put_le32(b, kOpt + 11572, 10);  // listen time: range-checked fields hold values in range
  for (int i = 0; i < kOtherAddressCount; ++i) put_le32(b, kOther + i * 5184 + 4, 0);  // no address ages
  seal(b);
  write_bytes("ALE.DAT", b);
  open();
  EXPECT_EQ(log_monitor_text().find("FILE ERROR"), std::string::npos);
  ASSERT_EQ(db_save(), 1);
  const auto after = read_bytes("ALE.DAT");
  ASSERT_EQ(after.size(), kImageSize);

  auto may_change = [](std::size_t off) {
    if (off < 257 * 72) {
      const std::size_t ch = off / 72, field = off % 72;
      return ch >= 1 && ((field >= 8 && field < 12) || (field >= 60 && field < 64));
    }
    if (off >= kOpt + 11704 && off < kOpt + 11728) return true;  // trace switches
    if (off == kOpt + 11796) return true;                        // data-link trace byte
    if (off == kOpt + 11544) return true;                        // minute counter (ageing)
    return off >= 563860 && off < 563868;                        // ageing stamp and CRC
  };
  std::size_t changed = 0;
  for (std::size_t off = 0; off < kImageSize; ++off) {
    if (after[off] == b[off]) continue;
    ++changed;
    EXPECT_TRUE(may_change(off)) << "byte " << off << " changed";
  }
  EXPECT_GT(changed, 0u);
  EXPECT_EQ(le32(after, 100 * 72 + 8), 1);
  EXPECT_EQ(le32(after, 100 * 72 + 60), 0);
  EXPECT_EQ(le32(after, kCrcOffset), reference_crc(after));
  EXPECT_EQ(le32(after, kOpt + 11544), 1010) << "ten minutes of catch-up ageing";
}

// A valid file (good CRC) with a damaged number field: the load puts the default in its place
// and reports it, so the station never computes with it (port number - 1, seconds x 1000).
TEST_F(DbTest, DamagedNumberFieldsOfAValidFileAreReplacedAsTheyAreRead) {
  struct Case {
    const char* name;
    std::size_t offset;
    int32_t stored;
    int (*read)();  // the accessor the station uses
    int expected;
    bool port;  // the value names a serial device
  };
  const Case cases[] = {
      {"RADIO PORT", 11564, INT_MIN, db_get_radio_port, 1, true},
      {"REOPENED RADIO PORT", 11896, INT_MIN, db_get_reopened_radio_port, 0, true},
      {"ALT PTT PORT", 11900, INT_MIN, db_get_alt_ptt_port, 0, true},
      {"ATU PORT", 11904, INT_MIN, db_get_atu_port, 0, true},
      {"ANT SWITCH PORT", 11936, INT_MIN, db_get_ant_switch_port, 0, true},
      {"TNC PORT", 11944, INT_MIN, db_get_tnc_port, 0, true},
      {"EMULATION PORT", 12052, -1, db_get_emulation_port, 12, true},
      {"LISTEN TIME", 11572, INT_MAX, db_get_listen_time_ms, 10000, false},
  };
  open();
  ASSERT_EQ(db_save(), 1);
  const std::vector<uint8_t> good = read_bytes("ALE.DAT");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> b = good;
    put_le32(b, kOpt + c.offset, static_cast<uint32_t>(c.stored));
    seal(b);
    write_bytes("ALE.DAT", b);
    open();
    EXPECT_FALSE(std::filesystem::exists(file("ALE.DAT.bad"))) << "the file itself is kept";
    EXPECT_EQ(c.read(), c.expected);
    if (c.port) {
      EXPECT_EQ(serial_device_path(c.read()), "/dev/ttyS" + std::to_string(c.expected - 1));
    }
    const std::string line = std::string("FILE ERROR: ALE.DAT ") + c.name + " " + std::to_string(c.stored) +
                             " OUT OF RANGE, " + std::to_string(c.port ? c.expected : c.expected / 1000) + " USED";
    EXPECT_NE(log_monitor_text().find(line), std::string::npos) << log_monitor_text();
  }
}

class DbAgeingTest : public DbTest {
 protected:
  static constexpr int64_t kSavedAt = SimClock::kDefaultUtcStartMs;

  // A file aged at kSavedAt, with address "ABC" heard 30 minutes before.
  void make_file(int lqa_timeout) {
    open(kSavedAt);
    {
      DbLock lock;
      OtherAddressRecord& a = lock.db().other[3];
      std::strcpy(a.address, "ABC");
      a.in_use = 1;
      a.minutes_heard = 30;
      a.lqa[0].measured_age = 30;
      a.lqa[5].measured_age = 30;
      a.lqa[5].reported_age = 31;
      a.lqa[6].measured_age = kAgeNever;
      lock.db().age_stamp = static_cast<uint32_t>(kSavedAt / 1000);
    }
    db_set_lqa_timeout(lqa_timeout);
    db_set_minute_counter(5);
    ASSERT_EQ(db_save(), 1);
  }
  OtherAddressRecord address() {
    DbLock lock;
    return lock.db().other[3];
  }
};

TEST_F(DbAgeingTest, LoadAgesByTheElapsedMinutesCappedAtTheTimeout) {
  struct Case {
    const char* name;
    int64_t load_at_ms;
    int32_t grow;
  };
  const Case cases[] = {
      {"30 minutes later", kSavedAt + 30 * 60 * 1000 + 59 * 1000, 30},
      {"two days later", kSavedAt + 2 * kDayMs, 1440},
      {"clock set back", kSavedAt - 3600 * 1000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    make_file(1440);
    open(c.load_at_ms);
    const OtherAddressRecord a = address();
    EXPECT_EQ(a.minutes_heard, 30 + c.grow);
    EXPECT_EQ(a.lqa[5].measured_age, 30 + c.grow);
    EXPECT_EQ(a.lqa[5].reported_age, 31 + c.grow);
    EXPECT_EQ(a.lqa[0].measured_age, 30) << "channel 0 is not aged";
    EXPECT_EQ(a.lqa[6].measured_age, kAgeNever);
    EXPECT_EQ(db_get_minute_counter(), 5 + c.grow);
    DbLock lock;
    EXPECT_EQ(lock.db().age_stamp, static_cast<uint32_t>(c.load_at_ms / 1000));
  }
}

TEST_F(DbAgeingTest, AgesSaturateAndStampsPast2038Work) {
  make_file(0x7FFFFFFF);
  {
    DbLock lock;
    lock.db().other[3].minutes_heard = kAgeNever - 10;
    lock.db().age_stamp = 0x80000000u;  // 2038-01-19, past the signed 32-bit range
  }
  ASSERT_EQ(db_save(), 1);
  open(int64_t{0x80000000} * 1000 + 400LL * 60 * 1000);
  const OtherAddressRecord a = address();
  EXPECT_EQ(a.minutes_heard, kAgeNever - 1);
  EXPECT_EQ(a.lqa[5].measured_age, 430);
}

TEST_F(DbAgeingTest, Sgc2000TypeMarksChannelZeroAndDoesNotAge) {
  make_file(1440);
  db_set_radio_type(60);
  ASSERT_EQ(db_save(), 1);
  open(kSavedAt + kDayMs);
  EXPECT_EQ(address().minutes_heard, 30);
  DbLock lock;
  EXPECT_EQ(lock.db().channels[0].in_use, 1);
  EXPECT_EQ(lock.db().channels[0].scan_groups, 0x80);
}

TEST(DbHeadless, LeavesAFileOfDefaultsWithACorrectCrc) {
  test::TempDir dir;
  test::ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(p.wait_for_output("started", 10000)) << p.output();
  p.signal(SIGTERM);
  ASSERT_EQ(p.wait(20000), 0) << p.output();
  const std::string path = dir.path() + "/ALE.DAT";
  ASSERT_EQ(std::filesystem::file_size(path), kImageSize);

  // An independent CRC: Python's binascii over the file with the CRC field zeroed.
  const std::string cmd =
      "python3 -c \"import binascii,sys; d=bytearray(open(sys.argv[1],'rb').read()); "
      "d[563864:563868]=bytes(4); print(binascii.crc_hqx(bytes(d), 0xFFFF))\" " + path;
  std::FILE* f = ::popen(cmd.c_str(), "r");
  ASSERT_NE(f, nullptr);
  int python_crc = -1;
  ASSERT_EQ(std::fscanf(f, "%d", &python_crc), 1);
  ::pclose(f);

  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> b(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(DbTest::le32(b, kCrcOffset), python_crc);
  expect_defaults(b);
  for (int ch = 1; ch < kChannelCount; ++ch) {
    EXPECT_EQ(DbTest::le32(b, ch * 72 + 8), 1) << "pending, channel " << ch;
    EXPECT_EQ(DbTest::le32(b, ch * 72 + 36), 1) << "receive mode, channel " << ch;
  }
}

}  // namespace
}  // namespace vesk
