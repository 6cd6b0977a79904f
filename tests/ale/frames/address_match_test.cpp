#include "ale/frames/address_match.h"

#include <cstring>

#include "tests/ale/frame_fixture.h"

namespace vesk::test {
namespace {

class AddressMatchTest : public FrameStationTest {
 protected:
  AddressMatchTest() {
    db_clear_own_addresses();
    db_set_own_address_at("ABC", 0);
    db_set_own_address_at("XYZ", 1);
  }
  // Classifies a copy of `text`; returns the class and leaves the text in `out`.
  int classify(const char* text, std::string* out) {
    char buf[kAddressTextSize] = {};
    std::strncpy(buf, text, kAddressTextSize - 1);
    const int c = ale_rx_address_class(buf);
    *out = buf;
    return c;
  }
};

struct ClassCase {
  const char* text;
  bool wildcards;
  int expected_class;
  const char* expected_text;
};

TEST_F(AddressMatchTest, ClassifiesAndReplacesTheSpecialForms) {
  const ClassCase cases[] = {
      {"A?C", true, ADDR_WILD_MATCH, "ABC"},
      {"A?C", false, ADDR_NONE, "A?C"},
      {"??Z", true, ADDR_WILD_MATCH, "XYZ"},
      {"Q?C", true, ADDR_WILD_NO_MATCH, "Q?C"},
      {"A?", true, ADDR_WILD_NO_MATCH, "A?"},  // lengths must agree
      {"KILO", true, ADDR_INDIVIDUAL, "KILO"},
      {"@?@", true, ADDR_ALLCALL, "ABC"},      // the working channel's own address
      {"@@?", true, ADDR_ANYCALL, "ABC"},
      {"@C@", true, ADDR_SELECTIVE_ALLCALL, "ABC"},
      {"@Q@", true, ADDR_NONE, "@Q@"},
      {"@YZ", true, ADDR_SELECTIVE_ANYCALL, "XYZ"},
      {"@@Z", true, ADDR_SELECTIVE_ANYCALL, "XYZ"},
      {"@QZ", true, ADDR_NONE, "@QZ"},
      {"@@@", true, ADDR_NULL, "@@@"},
      {"?@?", true, ADDR_INLINK, "?@?"},
      {"", true, ADDR_NONE, ""},
      {"ABCDEFGHIJKLMNO", true, ADDR_INDIVIDUAL, "ABCDEFGHIJKLMNO"},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.wildcards)
      db_enable_wildcards();
    else
      db_disable_wildcards();
    std::string text;
    EXPECT_EQ(classify(c.text, &text), c.expected_class);
    EXPECT_EQ(text, c.expected_text);
  }
}

TEST_F(AddressMatchTest, SixteenCharactersAreNoAddress) {
  char buf[32] = "ABCDEFGHIJKLMNOP";
  EXPECT_EQ(ale_address_form(buf), ADDR_NONE);
  EXPECT_EQ(ale_rx_address_class(buf), ADDR_NONE);
}

TEST_F(AddressMatchTest, PrefixMatchComparesThreeCharactersAndKeepsTheText) {
  db_set_own_address_at("ABZQ", 2);
  char text[kAddressTextSize] = "AB?";
  EXPECT_EQ(ale_own_address_match(text, 1), 1);
  EXPECT_STREQ(text, "AB?");
  char other[kAddressTextSize] = "AC?";
  EXPECT_EQ(ale_own_address_match(other, 1), 0);
}

TEST_F(AddressMatchTest, SelectiveAnycallStopsAtTheFirstOwnAddressWithTheLastCharacter) {
  // ABC ends in C but its second-to-last character is B: the search stops there.
  db_set_own_address_at("QRC", 2);
  char text[kAddressTextSize] = "@RC";
  EXPECT_EQ(ale_match_selective_anycall(text), 0);
}

TEST_F(AddressMatchTest, OneCharacterOwnAddressIsNamedOnlyByTheAtForm) {
  db_clear_own_addresses();
  db_set_own_address_at("Q", 0);
  char named[kAddressTextSize] = "@@Q";
  EXPECT_EQ(ale_rx_address_class(named), ADDR_SELECTIVE_ANYCALL);
  EXPECT_STREQ(named, "Q");
  char other[kAddressTextSize] = "@AQ";
  EXPECT_EQ(ale_rx_address_class(other), ADDR_NONE);
}

TEST_F(AddressMatchTest, ReplacementIsBoundedToFifteenCharacters) {
  db_set_own_address_at("ABCDEFGHIJKLMNO", 0);
  char text[kAddressTextSize] = "@?@";
  EXPECT_EQ(ale_rx_address_class(text), ADDR_ALLCALL);
  EXPECT_STREQ(text, "ABCDEFGHIJKLMNO");
}

TEST_F(AddressMatchTest, AqcShortAddressLookups) {
  db_set_own_address_at("LONGNAME", 2);
  char out[kAddressTextSize] = {};
  EXPECT_EQ(aqc_own_address_by_last_char('Z', out), 1);
  EXPECT_STREQ(out, "XYZ");
  EXPECT_EQ(aqc_own_address_by_last_char('E', out), 0);  // LONGNAME is longer than 6
  EXPECT_EQ(aqc_is_own_address("ABC"), 1);
  EXPECT_EQ(aqc_is_own_address("LONGNAME"), 0);
}

}  // namespace
}  // namespace vesk::test
