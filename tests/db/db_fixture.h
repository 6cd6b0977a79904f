// A station on a temporary folder with a simulated clock, made current for the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class DbStation {
 public:
  explicit DbStation(const std::string& dir, int64_t utc_ms = SimClock::kDefaultUtcStartMs)
      : station_(dir, std::make_unique<SimClock>(utc_ms)), scope_(station_) {}
  Station& station() { return station_; }
  SimClock& clock() { return *station_.sim_clock(); }

 private:
  Station station_;
  StationScope scope_;
};

class DbTest : public ::testing::Test {
 public:
  static int32_t le32(const std::vector<uint8_t>& b, std::size_t off) {
    return static_cast<int32_t>(b[off] | b[off + 1] << 8 | b[off + 2] << 16 | static_cast<uint32_t>(b[off + 3]) << 24);
  }
  static void put_le32(std::vector<uint8_t>& b, std::size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
  }

 protected:
  // Starts (or restarts) the station on the same folder at the given time.
  void start(int64_t utc_ms = SimClock::kDefaultUtcStartMs) {
    st_.reset();
    st_ = std::make_unique<DbStation>(dir_.path(), utc_ms);
  }
  void open(int64_t utc_ms = SimClock::kDefaultUtcStartMs) {
    start(utc_ms);
    db_open();
  }
  std::filesystem::path file(const std::string& name) const { return std::filesystem::path(dir_.path()) / name; }
  std::vector<uint8_t> read_bytes(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  void write_bytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  TempDir dir_;
  std::unique_ptr<DbStation> st_;
};

}  // namespace vesk::test
