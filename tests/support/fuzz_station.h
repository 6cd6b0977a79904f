// Test support for the fuzz targets: a station in a folder of its own (named after the target
// and the process), held for the target's whole run and removed with it.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "platform/clock.h"
#include "platform/station.h"

namespace vesk::test {

struct FuzzStation {
  explicit FuzzStation(const std::string& name, std::unique_ptr<SimClock> clock = std::make_unique<SimClock>())
      : dir(std::filesystem::temp_directory_path() / (name + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir);
    st = std::make_unique<Station>(dir, std::move(clock));
  }
  ~FuzzStation() {
    st.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  FuzzStation(const FuzzStation&) = delete;
  FuzzStation& operator=(const FuzzStation&) = delete;

  std::filesystem::path dir;
  std::unique_ptr<Station> st;
};

}  // namespace vesk::test
