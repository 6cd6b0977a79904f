// Test support for the window: one QApplication per test program on the offscreen platform,
// and a main frame over a whole station on simulated time (stepped: no station threads).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "db/log.h"
#include "platform/station.h"
#include "tests/support/child_process.h"
#include "ui/qt/main_frame.h"
#include "ui/station_app.h"

// Qt's and fontconfig's allocations that live until the process ends are no leaks of ours.
extern "C" inline const char* __lsan_default_suppressions() {
  return "leak:libQt6\nleak:libfontconfig\nleak:libfreetype\nleak:libglib\nleak:qt_app\n";
}

namespace vesk::test {

inline QApplication& qt_app() {
  std::filesystem::path config;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    // One offscreen screen as wide as an operator's, so the main window has the room it takes.
    config = std::filesystem::temp_directory_path() / ("vesk-ale-offscreen-" + std::to_string(getpid()) + ".json");
    std::ofstream(config) << R"({"screens": [{"name": "offscreen", "x": 0, "y": 0, "width": 1600, "height": 1000}]})";
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config.string()).c_str());
  }
  static int argc = 1;
  static char name[] = "vesk-ale-test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's own statics (QTest's input devices) outlive any static of ours.
  static QApplication* app = new QApplication(argc, argv);
  if (!config.empty()) std::filesystem::remove(config);  // read when the platform started
  return *app;
}

// A station folder with the daily log folders, its main frame, and the station started.
class FrameFixture : public ::testing::Test {
 protected:
  explicit FrameFixture(bool stepped = true)
      : station_(dir_.path(), stepped ? std::make_unique<SimClock>() : std::unique_ptr<Clock>()) {
    qt_app();
    std::filesystem::create_directory(std::filesystem::path(dir_.path()) / "owlog");
    std::filesystem::create_directory(std::filesystem::path(dir_.path()) / "dalog");
    if (stepped) station_.sim_clock()->set_auto_advance(true);
    frame_ = std::make_unique<CMainFrame>(true);
    frame_->shutdown_hook = station_app_shutdown;
    frame_->resize(1200, 700);
    frame_->show();
    StationAppConfig config;
    config.audio_in = config.audio_out = "null";
    config.stepped = stepped;
    config.database_open = true;
    station_app_start(config);
    frame_->station_started();
    frame_->take_posts();
  }
  ~FrameFixture() override {
    if (frame_->shutdown_result() == 0) frame_->close();
    frame_.reset();
  }
  std::filesystem::path path(const std::string& name) const { return std::filesystem::path(dir_.path()) / name; }

  TempDir dir_;
  Station station_;
  StationScope scope_{station_};
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace vesk::test
