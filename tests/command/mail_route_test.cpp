// The mail route table: which recipient lines find which ALE address.
#include <gtest/gtest.h>

#include <string>

#include "command/mail_port.h"
#include "tests/command/command_fixture.h"

namespace vesk {
namespace {

class MailRouteTest : public test::CommandFixture {};

TEST_F(MailRouteTest, Lookup) {
  write_file("email/mroute.txt",
             "alpha.net BRAVO7\n"
             "*.example.org CHARLY\n"
             "mail.*.gov DELTA\n" +
                 std::string(40, 'l') + ".net TOOLONG\n"
                 "long.net ADDRESSOFSIXTEENX\n"
                 "long.net ECHO\n");
  const struct {
    const char* line;
    const char* address;  // "" for no route
  } cases[] = {
      {"RCPT TO:<op@alpha.net>", "BRAVO7"},
      {"RCPT TO: op@alpha.net SIZE=100", "BRAVO7"},
      {"RCPT TO:<op@alpha.net\r\n", "BRAVO7"},
      {"RCPT TO:<op@beta.net>", ""},   // every component counts, the last one too
      {"RCPT TO:<op@alpha.org>", ""},
      {"RCPT TO:<op@Alpha.net>", ""},  // compared as written
      {"RCPT TO:<op@a.example.org>", "CHARLY"},
      {"RCPT TO:<op@a.b.example.org>", ""},  // "*" stands for one component
      {"RCPT TO:<op@mail.state.gov>", "DELTA"},
      {"RCPT TO:<op@mail.state.gov.uk>", ""},
      {"RCPT TO:<op@long.net>", "ECHO"},  // pairs over the limits are passed over
      {"RCPT TO:<op>", ""},
      {"RCPT TO:<op@>", ""},
  };
  for (const auto& c : cases) {
    std::string address = "x";
    EXPECT_EQ(mail_route_lookup(c.line, &address), c.address[0] != '\0') << c.line;
    EXPECT_EQ(address, c.address) << c.line;
  }
  // A domain beyond the limits finds nothing (and is not cut to something that matches).
  std::string address;
  EXPECT_FALSE(mail_route_lookup("RCPT TO:<op@" + std::string(40, 'l') + ".net>", &address));
  std::string many = "op@a";
  for (int i = 0; i < 30; ++i) many += ".a";
  EXPECT_FALSE(mail_route_lookup(many, &address));
}

TEST_F(MailRouteTest, NoRouteFileNoAddress) {
  std::string address;
  EXPECT_FALSE(mail_route_lookup("RCPT TO:<op@alpha.net>", &address));
}

}  // namespace
}  // namespace vesk
