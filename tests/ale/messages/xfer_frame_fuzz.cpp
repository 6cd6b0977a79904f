// Random received file-transfer payloads: the first input byte chooses whether the CRC is made
// right (so the layout and name checks and the writer run) and whether secure transfers are on;
// the rest is the payload. Whatever arrives, nothing is written outside the download folder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "ale/messages/file_transfer.h"
#include "db/crc16.h"
#include "tests/ale/messages/message_rx_fuzz_harness.h"

using vesk::test::MessageFuzzHarness;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MessageFuzzHarness harness("vesk-xfer-fuzz-");
  static const bool made = std::filesystem::create_directories(harness.dir / vesk::kDownloadFolder);
  (void)made;
  vesk::StationScope scope(*harness.st);
  if (size < 1) return 0;
  std::vector<uint8_t> frame(data + 1, data + size);
  vesk::db_set_secure_transfers((data[0] & 2) != 0 ? 1 : 0);
  if ((data[0] & 1) != 0 && frame.size() >= 2) {
    frame.resize(frame.size() - 2);
    int32_t crc;
    vesk::crc16_init(&crc);
    for (uint8_t b : frame) vesk::crc16_update_byte(b, &crc);
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    frame.push_back(static_cast<uint8_t>(crc));
    if ((data[0] & 4) != 0) frame[0] = 0;
  }
  vesk::xfer_receive(frame.data(), frame.size());
  vesk::xfer_file_state().reports.clear();
  // Nothing may land outside the download folder; what landed inside is cleared for the next input.
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(harness.dir, ec))
    if (e.path().filename() != vesk::kDownloadFolder && e.path().filename() != "ALE.DAT") __builtin_trap();
  for (const auto& e : std::filesystem::directory_iterator(harness.dir / vesk::kDownloadFolder, ec))
    std::filesystem::remove(e.path(), ec);
  return 0;
}
