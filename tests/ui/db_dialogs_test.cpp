// The database dialogs' texts and changes on a fixture database built through the services.
#include <gtest/gtest.h>

#include <cstring>

#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "tests/db/log_fixture.h"
#include "ui/db_dialogs.h"

namespace vesk {
namespace {

class DbDialogs : public test::LogFixture {
 protected:
  DbDialogs() {
    db_open();
    db_add_own_address("ALFA");
    db_add_other_address("BRAVO", 0, 0, 0);    // entered
    db_add_other_address("CHARLIE", 1, 0, 0);  // learned
    for (int hz : {7000000, 10145000}) {
      ChannelView v = channel_add_defaults();
      v.rx_hz = v.tx_hz = std::to_string(hz);
      v.groups = 1;
      v.own = "ALFA";
      EXPECT_TRUE(channel_ok(-1, v).ok);
    }
  }
  bool logged(const std::string& text) const { return log_monitor_text().find(text) != std::string::npos; }
  static int count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
  }
};

TEST_F(DbDialogs, OtherAddressTexts) {
  const int bravo = db_find_other_address_index("BRAVO"), charlie = db_find_other_address_index("CHARLIE");
  const std::string entered = info_other_address(bravo, 1);
  EXPECT_NE(entered.find("BRAVO             S  2000    3000    ??:??:??"), std::string::npos) << entered;
  EXPECT_NE(info_other_address(charlie, 1).find("CHARLIE           D "), std::string::npos);
  EXPECT_NE(entered.find("LQA Cell for Channel 1\r\n"), std::string::npos);
  // A channel outside the scan group has no LQA cell.
  ChannelView out_of_group = channel_add_defaults();
  out_of_group.rx_hz = out_of_group.tx_hz = "3000000";
  out_of_group.groups = 2;
  ASSERT_TRUE(channel_ok(-1, out_of_group).ok);
  EXPECT_EQ(info_other_address(bravo, 3).find("LQA Cell"), std::string::npos);
  EXPECT_NE(info_other_address(bravo, 3).find("0    A    -    -    N    A  "), std::string::npos)
      << info_other_address(bravo, 3);
  const std::string all = info_other_addresses_all();
  EXPECT_EQ(all.substr(0, 41), "00 BRAVO           01 CHARLIE         02 ");
  EXPECT_EQ(count(all, "\r\n"), 25);
}

TEST_F(DbDialogs, OwnAndNetTexts) {
  EXPECT_EQ(info_own_addresses().substr(0, 19), "00 ALFA            ");
  const std::string nets = info_nets_all();
  EXPECT_EQ(count(nets, "..............."), 20) << "an empty net list";
  EXPECT_EQ(count(nets, "\r\n"), 5);
  std::array<std::string, 20> slots{};
  slots[1] = "";
  slots[11] = "BRAVO";
  slots[0] = "ALFA";
  ASSERT_TRUE(add_net_ok("NET1", slots).ok);
  const int n = list_net_index("NET1");
  ASSERT_GE(n, 0);
  const std::string net = info_net(n);
  EXPECT_NE(net.find("BRAVO"), std::string::npos) << "slot 12 taken with slot 2 empty: " << net;
  EXPECT_NE(net.find("Self ["), std::string::npos);
  EXPECT_EQ(list_net_index("NOSUCHNET"), -1);
  // A member count or index from the file beyond the tables shows "???".
  {
    DbLock lock;
    NetRecord* r = db_get_net(lock, n);
    r->member_count = 200;
    r->members[r->own_slot == 0 ? 1 : 0] = 5000;
  }
  const std::string bad = info_net(n);
  EXPECT_NE(bad.find("???"), std::string::npos);
  EXPECT_EQ(count(bad, "Slot ["), 21) << "at most twenty slots and slot 00";
}

TEST_F(DbDialogs, ChannelsAndAmdTexts) {
  EXPECT_EQ(info_channels_rows().substr(0, 32), "01 7000000  Hz USB 7000000  Hz U");
  db_clear_amd_store();
  EXPECT_EQ(info_amd_received(), " NO AMD HAS BEEN RECEIVED\r\n");
  auto store = [](const char* from, const std::string& text) {
    AmdStoreEntry e{};
    e.valid = 1;
    std::snprintf(e.sender, sizeof e.sender, "%s", from);
    std::memcpy(e.text, text.data(), std::min(text.size(), sizeof e.text - 1));
    db_store_amd(e);
  };
  for (int i = 0; i < 10; ++i) store("BRAVO", "MSG" + std::to_string(i));
  std::string text = info_amd_received();
  EXPECT_LT(text.find("[MSG0]"), text.find("[MSG9]")) << "oldest first";
  for (int i = 10; i < 105; ++i) store("BRAVO", "MSG" + std::to_string(i));
  text = info_amd_received();
  EXPECT_EQ(text.find("[MSG4]"), std::string::npos) << "wrapped";
  EXPECT_LT(text.find("[MSG5]"), text.find("[MSG104]"));
  store("CHARLIE", std::string("\x80" "H\x80I", 4));
  EXPECT_NE(info_amd_received().find("[CHARLIE        ][HI]"), std::string::npos);
}

TEST_F(DbDialogs, ChannelDialogs) {
  const struct {
    int type;
    const char* rx_mode;
    const char* tx_mode;
    int rx, tx;
  } modes[] = {{133, "USB-D", "LSB", 1, 1}, {149, "LSB", "USB-D", 0, 22}, {149, "LSB-D", "USB", 21, 1}};
  for (const auto& m : modes) {
    db_set_radio_type(m.type);
    ChannelView v = channel_add_defaults();
    v.rx_hz = v.tx_hz = "14000000";
    v.rx_mode = m.rx_mode;
    v.tx_mode = m.tx_mode;
    ASSERT_TRUE(channel_ok(1, v).ok);
    ChannelRecord c{};
    db_copy_channel(1, &c);
    EXPECT_EQ(c.rx_mode, m.rx) << m.type << m.rx_mode;
    EXPECT_EQ(c.tx_mode, m.tx) << m.type << m.tx_mode;
  }
  const struct {
    const char* hz;
    bool ok;
  } freqs[] = {{"1499999", false}, {"1500000", true}, {"88000000", true}, {"88000001", false}, {"7MHZ", false}};
  for (const auto& f : freqs) {
    ChannelView v = channel_view(1);
    v.rx_hz = f.hz;
    EXPECT_EQ(channel_ok(1, v).ok, f.ok) << f.hz;
  }
  // Delete: text with no number is refused (it would free channel 0); "0" keeps its meaning.
  EXPECT_FALSE(channel_delete_ok("abc").ok);
  EXPECT_FALSE(channel_delete_ok("300").ok);
  EXPECT_TRUE(channel_delete_ok("").ok);
  EXPECT_TRUE(channel_delete_ok("02  RX  10145000Hz - TX  10145000Hz").ok);
  EXPECT_EQ(db_channel_in_use(2), 0);
  int chan = 0, index = 0;
  EXPECT_FALSE(list_other_addresses_ok("BRAVO", "150", &index, &chan).ok);
  ASSERT_TRUE(list_other_addresses_ok("BRAVO", "50", &index, &chan).ok);
  EXPECT_EQ(index, db_find_other_address_index("BRAVO"));
  // A full channel table is said.
  for (int n = 2; n <= 256; ++n) {
    ChannelView v = channel_add_defaults();
    v.rx_hz = v.tx_hz = std::to_string(2000000 + n * 1000);
    channel_ok(-1, v);
  }
  ChannelView v = channel_add_defaults();
  v.rx_hz = v.tx_hz = "5000000";
  EXPECT_FALSE(channel_ok(-1, v).ok);
}

TEST_F(DbDialogs, AddressDialogs) {
  // An existing other address keeps TT and TWR; TT 0 and TWR 0 give 3000 and 2000.
  {
    DbLock lock;
    OtherAddressRecord* b = db_find_other_address(lock, "BRAVO");
    b->tt_ms = 1234;
    b->twr_ms = 567;
  }
  ASSERT_TRUE(add_other_address_ok("BRAVO", "3000", "2000").ok);
  ASSERT_TRUE(add_other_address_ok("DELTA", "0", "0").ok);
  {
    DbLock lock;
    EXPECT_EQ(db_find_other_address(lock, "BRAVO")->tt_ms, 1234);
    EXPECT_EQ(db_find_other_address(lock, "DELTA")->tt_ms, 3000);
    EXPECT_EQ(db_find_other_address(lock, "DELTA")->twr_ms, 2000);
  }
  for (const char* bad : {"", "BRAVO CHARLIE", "LOWER{", "SIXTEENCHARACTER"}) EXPECT_FALSE(add_other_address_ok(bad, "0", "0").ok) << bad;
  EXPECT_FALSE(add_other_address_ok("ECHO", "10001", "0").ok);
  // The net's member stays; an own address a channel uses stays.
  std::array<std::string, 20> slots{};
  slots[0] = "ALFA";
  slots[1] = "BRAVO";
  ASSERT_TRUE(add_net_ok("NET1", slots).ok);
  EXPECT_EQ(delete_other_address_ok("BRAVO"), "OTHER Address In Use");
  EXPECT_EQ(delete_own_address_ok("ALFA"), "OWN Address In Use");
  EXPECT_EQ(delete_other_address_ok("DELTA"), "");
  EXPECT_LT(db_find_other_address_index("DELTA"), 0);
  // A new name another address holds is refused.
  EXPECT_FALSE(modify_other_address_ok("CHARLIE", "BRAVO", "0", "0").ok);
  EXPECT_TRUE(modify_other_address_ok("CHARLIE", "CHARLIE2", "100", "200").ok);
  // Empty NET ADDRESS: the service's warning, the dialog stays open.
  EXPECT_FALSE(add_net_ok("", slots).ok);
  EXPECT_TRUE(logged("Missing NET Address"));
  // Reset Dynamic keeps the learned addresses a net lists.
  db_add_other_address("LEARNED1", 1, 0, 0);
  db_add_other_address("LEARNED2", 1, 0, 0);
  std::array<std::string, 20> with_learned{};
  with_learned[0] = "ALFA";
  with_learned[1] = "LEARNED1";
  ASSERT_TRUE(add_net_ok("NET2", with_learned).ok);
  {
    // Adding to a net makes a learned member permanent; mark it learned again to test the reset.
    DbLock lock;
    db_find_other_address(lock, "LEARNED1")->learned = 1;
  }
  EXPECT_EQ(reset_dynamic_ok(), 1);
  EXPECT_GE(db_find_other_address_index("LEARNED1"), 0);
  EXPECT_LT(db_find_other_address_index("LEARNED2"), 0);
}

TEST_F(DbDialogs, FullOtherTable) {
  {
    DbLock lock;
    db_find_other_address(lock, "CHARLIE")->learned = 0;
  }
  for (int i = 0; db_find_other_address_index("ZZ99") < 0 && i < 100; ++i)
    db_add_other_address(("ZZ" + std::to_string(i)).c_str(), 0, 0, 0);
  EXPECT_FALSE(add_other_address_ok("NEWONE", "0", "0").ok) << "100 in use, none learned";
  {
    DbLock lock;
    db_find_other_address(lock, "ZZ5")->learned = 1;
  }
  EXPECT_TRUE(add_other_address_ok("NEWONE", "0", "0").ok) << "the learned one gives way";
  EXPECT_LT(db_find_other_address_index("ZZ5"), 0);
}

TEST_F(DbDialogs, Keys) {
  std::array<LpKeyView, 5> keys = lp_keys_open();
  keys[0] = {"12345678ABCDEF", true, false, false};
  keys[1] = {"1234567890ABC", true, false, false};  // 13 digits: invalid
  keys[2] = {"00000100000001", false, true, false};
  ASSERT_TRUE(lp_keys_ok(keys).ok);
  LpKeyRecord k{};
  db_copy_lp_key(0, &k);
  EXPECT_EQ(k.key_high, 0x123456);
  EXPECT_EQ(static_cast<uint32_t>(k.key_low), 0x78ABCDEFu);
  EXPECT_EQ(k.valid, 1);
  db_copy_lp_key(1, &k);
  EXPECT_EQ(k.valid, 0);
  db_copy_lp_key(2, &k);
  EXPECT_EQ(k.levels, 2) << "AL1 alone";
  // Empty: invalid, the digits kept.
  keys = lp_keys_open();
  keys[0].digits = "";
  ASSERT_TRUE(lp_keys_ok(keys).ok);
  db_copy_lp_key(0, &k);
  EXPECT_EQ(k.valid, 0);
  EXPECT_EQ(k.key_high, 0x123456);
  // A non-hexadecimal character in 14 would make a garbage key: refused.
  keys[3].digits = "12345G78ABCDEF";
  const ConfigOutcome o = lp_keys_ok(keys);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.field, 3);
  // Encryption key: 48 digits, lower case read as upper and shown again; anything else refused.
  const std::string lower = "0123456789abcdef0123456789abcdef0123456789abcdef";
  ASSERT_TRUE(encryption_key_ok(lower).ok);
  EXPECT_EQ(encryption_key_open(), "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF");
  EXPECT_FALSE(encryption_key_ok("0123").ok);
  EXPECT_FALSE(encryption_key_ok(std::string(47, '0') + "G").ok);
  EXPECT_EQ(encryption_key_open(), "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF");
}

}  // namespace
}  // namespace vesk
