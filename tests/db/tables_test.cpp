// Channel, address, net and key tables and the AMD ring: full tables, eviction, nets,
// the ring, and hostile inputs that must leave the image unchanged.
#include "db/tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "db/lqa.h"
#include "db/options.h"
#include "db/scan.h"
#include "tests/db/db_fixture.h"

namespace vesk {
namespace {

class TablesTest : public test::DbTest {
 protected:
  void SetUp() override { open(); }

  static std::vector<uint8_t> image_bytes() {
    std::vector<uint8_t> b(kImageSize);
    DbLock lock;
    db_encode_image(lock.db(), b.data());
    return b;
  }
  static ChannelRecord channel(int rx_hz, int groups = 1, int permission = CHANNEL_BX) {
    ChannelRecord r;
    std::memset(&r, 0, sizeof r);
    r.rx_freq_hz = rx_hz;
    r.tx_freq_hz = rx_hz;
    r.scan_groups = groups;
    r.permission = permission;
    r.rx_mode = 1;
    r.tx_mode = 1;
    return r;
  }
  static OtherAddressRecord other(int i) {
    DbLock lock;
    return lock.db().other[i];
  }
  static void set_measured(const char* address, int channel, int ber, int sinad) {
    DbLock lock;
    LqaRecord* q = db_get_lqa_record(lock, address, channel);
    ASSERT_NE(q, nullptr);
    q->measured = lqa_with_sinad(lqa_with_ber(q->measured, ber), sinad);
    q->measured_age = 3;
  }
};

TEST_F(TablesTest, AddChannelFillsOneToTwoFiftySixThenRefuses) {
  std::vector<int> hooked;
  std::vector<int> freqs;
  db_hooks().store_channel = [&](int n, const ChannelRecord& r) {
    hooked.push_back(n);
    freqs.push_back(r.rx_freq_hz - 7000000);
  };
  for (int n = 1; n <= 256; ++n) ASSERT_EQ(db_add_channel(channel(7000000 + n)), n);
  EXPECT_EQ(hooked.size(), 256u);
  EXPECT_EQ(hooked, freqs) << "the hook gets each new channel's record";
  const auto before = image_bytes();
  EXPECT_EQ(db_add_channel(channel(1)), DB_ERR_FULL);
  EXPECT_EQ(image_bytes(), before);
  EXPECT_EQ(db_channel_in_use(0), 0) << "channel 0 is never chosen";
}

TEST_F(TablesTest, AddingAChannelResetsItsLinkQualityAndSchedulesAnUpdate) {
  ASSERT_GE(db_add_other_address("ABC", 0, 0, 0), 0);
  db_add_channel(channel(1));  // channel 1
  set_measured("ABC", 2, 20, 20);
  {
    DbLock lock;
    lock.db().channels[2].sound_countdown_min = 9;
  }
  ASSERT_EQ(db_add_channel(channel(5000000)), 2);
  LqaRecord q;
  ASSERT_EQ(db_copy_lqa_record("ABC", 2, &q), 0);
  EXPECT_EQ(lqa_ber(q.measured), kLqaNoValue);
  EXPECT_EQ(q.measured_age, kAgeNever);
  ChannelRecord c;
  db_copy_channel(2, &c);
  EXPECT_EQ(c.update_pending, 1);
  EXPECT_EQ(c.sound_countdown_min, 0);
  EXPECT_EQ(c.number, 2);
  EXPECT_EQ(db_take_channel_update_pending(2), 1);
  EXPECT_EQ(db_take_channel_update_pending(2), 0);
}

TEST_F(TablesTest, StoreChannelZeroJoinsEveryGroupAndChannel256StaysApart) {
  ChannelRecord r = channel(3000000, 0x4);
  r.usage = 2;
  ASSERT_EQ(db_store_channel(0, r), 0);
  ChannelRecord c;
  db_copy_channel(0, &c);
  EXPECT_EQ(c.scan_groups, 0xFFFF);
  EXPECT_EQ(c.usage, 0);

  ASSERT_EQ(db_store_channel(256, channel(9999000, 0x2)), 256);
  db_copy_channel(0, &c);
  EXPECT_EQ(c.rx_freq_hz, 3000000) << "channel 256 must not overwrite channel 0";
  db_copy_channel(256, &c);
  EXPECT_EQ(c.number, 0);
  EXPECT_EQ(c.rx_freq_hz, 9999000);
  EXPECT_EQ(c.scan_groups, 0x2);
  EXPECT_EQ(db_add_groups_to_record(256, 0x8), 256);
  db_copy_channel(0, &c);
  EXPECT_EQ(c.scan_groups, 0xFFFF);
  db_copy_channel(256, &c);
  EXPECT_EQ(c.scan_groups, 0xA);
}

TEST_F(TablesTest, ReAddingAnAddressKeepsItsReplyTimesAndResetsItsLinkQuality) {
  const int i = db_add_other_address("K6XYZ", 1, 2500, 3500);
  ASSERT_GE(i, 0);
  set_measured("K6XYZ", 4, 25, 25);
  EXPECT_EQ(db_add_other_address("K6XYZ", 0, 9000, 9000), i);
  const OtherAddressRecord a = other(i);
  EXPECT_EQ(a.twr_ms, 2500);
  EXPECT_EQ(a.tt_ms, 3500);
  EXPECT_EQ(a.learned, 0);
  EXPECT_EQ(lqa_ber(a.lqa[4].measured), kLqaNoValue);
  // Defaults for zero reply times, and heard times by origin.
  const int j = db_add_other_address("NEW", 0, 0, 0);
  EXPECT_EQ(other(j).twr_ms, 2000);
  EXPECT_EQ(other(j).tt_ms, 3000);
  EXPECT_EQ(other(j).minutes_heard, kAgeNever);
  EXPECT_EQ(other(db_add_other_address("HEARD", 1, 0, 0)).minutes_heard, 0);
}

TEST_F(TablesTest, FullTableEvictsTheLearnedAddressUnheardTheLongest) {
  for (int i = 0; i < kOtherAddressCount; ++i) ASSERT_EQ(db_add_other_address(("A" + std::to_string(i)).c_str(), 0, 0, 0), i);
  EXPECT_EQ(db_add_other_address("LEARNED", 1, 0, 0), DB_ERR_FULL) << "operator entries are never displaced";

  {
    DbLock lock;
    auto& t = lock.db().other;
    for (int i : {10, 20, 30, 40}) t[i].learned = 1;
    t[10].minutes_heard = 0;  // heard just now: never chosen
    t[20].minutes_heard = 50;
    t[30].minutes_heard = 90;
    t[40].minutes_heard = 90;  // a tie: the lower index goes first
    t[30].last_channel = 0x01020304;
  }
  EXPECT_EQ(db_add_other_address("FIRST", 1, 0, 0), 30);
  const OtherAddressRecord a = other(30);
  EXPECT_STREQ(a.address, "FIRST");
  EXPECT_EQ(a.minutes_heard, 0) << "a fresh learned entry";
  EXPECT_EQ(a.last_channel, 0);
  EXPECT_EQ(a.twr_ms, 2000);
  EXPECT_EQ(db_add_other_address("SECOND", 0, 0, 0), 40);
  EXPECT_EQ(other(40).minutes_heard, kAgeNever);
  EXPECT_EQ(db_add_other_address("THIRD", 1, 0, 0), 20);
  EXPECT_EQ(db_add_other_address("FOURTH", 1, 0, 0), DB_ERR_FULL);
}

TEST_F(TablesTest, NetPrefixMatchesTheFirstWord) {
  ASSERT_EQ(db_add_own_address("ME"), 0);
  const char* list[] = {"NETONE", "ME", "BOB"};
  ASSERT_EQ(db_add_net_from_list(list, 3), 1);
  EXPECT_EQ(db_find_net_by_prefix_index("NETXYZ"), 0);
  EXPECT_EQ(db_find_net_by_prefix_index("NE"), 0);
  EXPECT_EQ(db_find_net_by_prefix_index(""), 0);
  EXPECT_EQ(db_find_net_by_prefix_index("NOT"), -1);
  EXPECT_EQ(db_find_net_index("NETONE"), 0);
  EXPECT_EQ(db_find_net_index("NETXYZ"), -1);
}

TEST_F(TablesTest, NetFromListRefusals) {
  ASSERT_EQ(db_add_own_address("ME"), 0);
  ASSERT_EQ(db_add_own_address("ALSO"), 1);
  ASSERT_GE(db_add_other_address("TAKEN", 0, 0, 0), 0);
  struct Case {
    std::vector<const char*> list;
    const char* line;
  };
  const Case cases[] = {
      {{"", "ME"}, "MESSAGE BOX: Missing NET Address"},
      {{"TAKEN", "ME"}, "ADD NET: INVALID NET ADDRESS => TAKEN"},
      {{"net", "ME"}, "ADD NET: INVALID NET ADDRESS => net"},
      {{"N1", "ME", "BOB", "ALSO"}, "MESSAGE BOX: Only One OWN Address Allowed ALSO"},
      {{"N2", "BOB"}, "MESSAGE BOX: Missing OWN Address"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(db_add_net_from_list(c.list.data(), static_cast<int>(c.list.size())), 0) << c.line;
    EXPECT_NE(log_monitor_text().find(c.line), std::string::npos) << c.line << "\n" << log_monitor_text();
  }
  EXPECT_EQ(db_find_net_by_prefix_index(""), -1) << "no net was stored";
}

TEST_F(TablesTest, NetMembersStayDenseWhenOneCannotBeEntered) {
  ASSERT_EQ(db_add_own_address("ME"), 0);
  for (int i = 0; i < kOtherAddressCount - 1; ++i) db_add_other_address(("A" + std::to_string(i)).c_str(), 0, 0, 0);
  ASSERT_EQ(db_add_other_address("LRN", 1, 1234, 0), 99);  // the last slot, learned
  // The table is full: "NOPE" cannot be entered and is skipped; "LRN" is re-entered as
  // operator-entered. The own address follows the skipped one.
  const char* list[] = {"MYNET", "A5", "NOPE", "ME", "LRN", "bad!"};
  {
    DbLock lock;
    lock.db().nets[0].in_use = 1;  // slot 0 taken: the net goes to slot 1
    std::strcpy(lock.db().nets[0].address, "OTHER");
  }
  ASSERT_EQ(db_add_net_from_list(list, 6), 1);
  DbLock lock;
  const NetRecord* net = db_find_net(lock, "MYNET");
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(net->index, 1) << "the index byte is the slot";
  EXPECT_EQ(net->member_count, 3);
  EXPECT_EQ(net->members[0], 5);
  EXPECT_EQ(net->members[1], 0);
  EXPECT_EQ(net->members[2], 99);
  EXPECT_EQ(net->own_slot, 1);
  EXPECT_EQ(net->own_position, 2);
  EXPECT_EQ(net->own_index, 0);
  EXPECT_EQ(lock.db().other[99].learned, 0);
  EXPECT_EQ(lock.db().other[99].twr_ms, 1234);
  const std::string log = log_monitor_text();
  EXPECT_NE(log.find("ADD NET: MEMBER NOT ENTERED => NOPE"), std::string::npos) << log;
  EXPECT_NE(log.find("ADD NET: MEMBER NOT ENTERED => bad!"), std::string::npos) << log;
  EXPECT_EQ(db_other_address_in_use(5), 1);
  EXPECT_EQ(db_other_address_in_use(0), 0) << "the own slot holds an own index, not other address 0";
  EXPECT_EQ(db_own_address_in_use(0), 1);
}

TEST_F(TablesTest, StoreNetOverwritesBySameAddressAndSetsTheIndex) {
  NetRecord rec;
  std::memset(&rec, 0, sizeof rec);
  std::strcpy(rec.address, "NET");
  rec.index = 17;
  rec.member_count = 1;
  rec.own_position = 1;
  EXPECT_EQ(db_store_net(rec), 0);
  rec.index = 9;
  EXPECT_EQ(db_store_net(rec), 0);
  DbLock lock;
  EXPECT_EQ(lock.db().nets[0].index, 0);
  EXPECT_EQ(lock.db().nets[1].in_use, 0);
}

TEST_F(TablesTest, AmdRingWrapsAndBoundsItsTexts) {
  AmdStoreEntry e;
  std::memset(&e, 'X', sizeof e);  // no terminators anywhere
  for (int i = 0; i < 10; ++i) db_store_amd(e);
  EXPECT_EQ(db_get_amd_store_index(), 10);
  e.channel = 42;
  db_store_amd(e);  // the eleventh goes to slot 10
  for (int i = 11; i < 100; ++i) db_store_amd(e);
  EXPECT_EQ(db_get_amd_store_index(), 0);
  e.channel = 7;
  db_store_amd(e);  // the 101st overwrites slot 0
  DbLock lock;
  const AmdStoreEntry* ring = db_get_amd_store(lock);
  EXPECT_EQ(ring[10].channel, 42);
  EXPECT_EQ(ring[0].channel, 7);
  EXPECT_EQ(ring[0].valid, 1);
  EXPECT_EQ(std::string(ring[0].sender), std::string(15, 'X'));
  EXPECT_EQ(ring[0].text[90], '\0');
}

TEST_F(TablesTest, AmdListing) {
  db_list_amd_store();
  EXPECT_NE(log_monitor_text().find(" NO AMD HAS BEEN RECEIVED\n"), std::string::npos);
  db_clear_amd_store();
  EXPECT_EQ(db_get_amd_store_index(), 0);
}

TEST_F(TablesTest, LinkingProtectionKeys) {
  const int32_t halves[2] = {0x7F123456, static_cast<int32_t>(0x89ABCDEF)};
  ASSERT_EQ(db_set_lp_key(4, halves, 0x6), 4);
  LpKeyRecord k;
  db_copy_lp_key(4, &k);
  EXPECT_EQ(k.key_high, 0x123456) << "a 56-bit key";
  EXPECT_EQ(k.valid, 1);
  db_invalidate_lp_key(4);
  db_copy_lp_key(4, &k);
  EXPECT_EQ(k.valid, 0);
  db_clear_lp_keys();
  db_copy_lp_key(4, &k);
  EXPECT_EQ(k.key_low, 0);
  EXPECT_EQ(k.levels, 1);
}

TEST_F(TablesTest, HostileInputsAreRefusedAndLeaveTheImageUnchanged) {
  ASSERT_EQ(db_add_own_address("ME"), 0);
  ASSERT_EQ(db_add_channel(channel(7000000)), 1);
  const std::string forty(40, 'A');
  const int32_t halves[2] = {1, 2};
  struct Case {
    const char* name;
    std::function<int()> call;
  };
  const Case cases[] = {
      {"store channel -1", [] { return db_store_channel(-1, channel(1)); }},
      {"store channel 257", [] { return db_store_channel(257, channel(1)); }},
      {"delete channel -1", [] { return db_delete_channel(-1); }},
      {"delete channel 257", [] { return db_delete_channel(257); }},
      {"channel self -1", [] { return db_set_channel_self(1, -1); }},
      {"channel self 20", [] { return db_set_channel_self(1, 20); }},
      {"channel key 5", [] { return db_set_channel_lp_key(1, 5); }},
      {"channel groups -5", [] { return db_add_channel_groups(-5, 1); }},
      {"remove groups 300", [] { return db_remove_channel_groups(300, 1); }},
      {"own address 40 characters", [&] { return db_add_own_address(forty.c_str()); }},
      {"own address lower case", [] { return db_add_own_address("abc"); }},
      {"own address at -1", [] { return db_set_own_address_at("OK", -1); }},
      {"own address at 20", [] { return db_set_own_address_at("OK", 20); }},
      {"own address at, bad text", [] { return db_set_own_address_at("A B", 3); }},
      {"delete own -1", [] { return db_delete_own_address(-1); }},
      {"other address 40 characters", [&] { return db_add_other_address(forty.c_str(), 0, 0, 0); }},
      {"other address lower case", [] { return db_add_other_address("k6abc", 1, 0, 0); }},
      {"other address empty", [] { return db_add_other_address("", 0, 0, 0); }},
      {"other address null", [] { return db_add_other_address(nullptr, 0, 0, 0); }},
      {"delete other 100", [] { return db_delete_other_address(100); }},
      {"delete other -1", [] { return db_delete_other_address(-1); }},
      {"delete net 20", [] { return db_delete_net(20); }},
      {"delete net -1", [] { return db_delete_net(-1); }},
      {"LP key -1", [&] { return db_set_lp_key(-1, halves, 1); }},
      {"LP key 5", [&] { return db_set_lp_key(5, halves, 1); }},
      {"invalidate key -1", [] { return db_invalidate_lp_key(-1); }},
      {"select channel -1", [] { return db_select_channel(-1); }},
      {"select channel 257", [] { return db_select_channel(257); }},
      {"scan group 16", [] { return db_set_scan_group(16); }},
      {"scan group -1", [] { return db_set_scan_group(-1); }},
      {"net with bad member index", [] {
         NetRecord r;
         std::memset(&r, 0, sizeof r);
         std::strcpy(r.address, "NET");
         r.member_count = 2;
         r.own_position = 1;
         r.members[1] = 100;
         return db_store_net(r);
       }},
      {"net with 21 members", [] {
         NetRecord r;
         std::memset(&r, 0, sizeof r);
         std::strcpy(r.address, "NET");
         r.member_count = 21;
         r.own_position = 1;
         return db_store_net(r);
       }},
  };
  const auto before = image_bytes();
  for (const auto& c : cases) {
    EXPECT_LT(c.call(), 0) << c.name;
    EXPECT_TRUE(image_bytes() == before) << c.name << " changed the image";
  }
  // Operations without a result are harmless too.
  db_lqa_heard("abc", 1, 10, 10, 15);
  db_lqa_heard("ABC", -1, 10, 10, 15);
  db_lqa_heard("ABC", 256, 10, 10, 15);
  db_lqa_update_reported(forty.c_str(), 1, 10, 10);
  db_lqa_mark_channel("ABC", -3);
  EXPECT_EQ(db_channel_in_use(-1), 0);
  EXPECT_EQ(db_channel_in_group(257), 0);
  EXPECT_EQ(db_take_channel_update_pending(-1), 0);
  EXPECT_EQ(db_set_channel_rx_freq(-1, 5), 0);
  EXPECT_EQ(db_set_channel_tx_mode(400, 5), 0);
  EXPECT_TRUE(image_bytes() == before);
  DbLock lock;
  EXPECT_EQ(db_get_channel(lock, -1), nullptr);
  EXPECT_EQ(db_get_channel(lock, 257), nullptr);
  EXPECT_EQ(db_get_own_address(lock, 20), nullptr);
  EXPECT_EQ(db_get_other_address(lock, -1), nullptr);
  EXPECT_EQ(db_get_net(lock, 20), nullptr);
  EXPECT_EQ(db_get_lp_key(lock, 5), nullptr);
  EXPECT_EQ(db_get_lqa_record(lock, "ME", 257), nullptr);
}

TEST_F(TablesTest, ChannelSettersOnlyTouchChannelsInUse) {
  ASSERT_EQ(db_add_channel(channel(7000000)), 1);
  EXPECT_EQ(db_set_channel_rx_freq(1, 7100000), 7100000);
  EXPECT_EQ(db_set_channel_rx_freq(2, 7100000), 0);
  EXPECT_EQ(db_set_channel_lp_key(1, 3), 1);
  EXPECT_EQ(db_set_channel_lp_key(2, 3), DB_ERR_INVALID);
  db_set_all_channel_permission(CHANNEL_RX);
  ChannelRecord c;
  db_copy_channel(1, &c);
  EXPECT_EQ(c.permission, CHANNEL_RX);
  EXPECT_EQ(c.lp_key, 3);
}

TEST_F(TablesTest, MyAddress) {
  ASSERT_EQ(db_add_own_address("K1ABC"), 0);
  EXPECT_EQ(db_select_my_address("NOTMINE"), -1);
  EXPECT_EQ(db_select_my_address("K1ABC"), 0);
  EXPECT_EQ(db_get_my_address(), "K1ABC");
  DbLock lock;
  EXPECT_EQ(db_my_address_record(lock), &lock.db().own[0]);
}

}  // namespace
}  // namespace vesk
