// Random bytes through the SMTP dialogue of the mail gateway (stopped: no replies go out), in
// blocks as a client would send them, with a route table in place.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>

#include "command/mail_port.h"
#include "db/database.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/support/fuzz_station.h"

namespace {

struct Harness : vesk::test::FuzzStation {
  Harness() : FuzzStation("vesk-smtp-fuzz-") {
    std::filesystem::create_directories(dir / "email");
    std::ofstream(dir / "email" / "mroute.txt") << "alpha.net BRAVO7\n*.b.c X\n";
    vesk::StationScope scope(*st);
    vesk::db_open();
  }
  ~Harness() {
    vesk::StationScope scope(*st);
    vesk::mail_smtp_end();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  vesk::StationScope scope(*harness.st);
  vesk::mail_smtp_greet();
  // The first byte chooses the block size (1 to 256), so lines and end markers straddle blocks.
  const std::size_t block = size > 0 ? static_cast<std::size_t>(data[0]) + 1 : 1;
  for (std::size_t at = size > 0 ? 1 : 0; at < size; at += block)
    vesk::mail_smtp_step(reinterpret_cast<const char*>(data) + at, std::min(block, size - at));
  vesk::mail_smtp_end();
  // Keep the log and the mail folder from growing without bound over a long run.
  vesk::display_clear_monitor();
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(harness.dir / "email", ec))
    if (e.path().filename().string().rfind("m", 0) == 0 && e.path().filename() != "mroute.txt")
      std::filesystem::remove(e.path(), ec);
  return 0;
}
