// The monitor view: what one new line costs the window when the view already holds 1, 4 or
// 16 MB of monitor text (the line is inserted on top; the whole text is copied only when the
// texts are cleared or replaced), beside the cost of such a whole copy. Runs on Qt's offscreen
// platform.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include "ui/qt/views.h"

namespace {

using WallClock = std::chrono::steady_clock;
double seconds_since(WallClock::time_point t0) { return std::chrono::duration<double>(WallClock::now() - t0).count(); }

std::string monitor_text(std::size_t bytes) {
  const std::string line = "[20:15:35][FRQ 07000000][SCANNING: SCANNING STARTED ON CHANNEL 01 WITH LQA]\n";
  std::string text;
  text.reserve(bytes + line.size());
  while (text.size() < bytes) text += line;
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kLines = 500;
  std::printf("monitor view: one new line on top of the text held (%d lines, batches of 1)\n", kLines);
  for (std::size_t mb : {1, 4, 16}) {
    vesk::CALEView view;
    view.resize(1000, 400);
    view.show();
    const std::string text = monitor_text(mb << 20);
    auto t0 = WallClock::now();
    view.set_whole(text);
    QApplication::processEvents();
    const double whole = seconds_since(t0);
    t0 = WallClock::now();
    for (int i = 0; i < kLines; ++i) {
      view.add_front("[20:15:36][FRQ 07000000][BENCH LINE " + std::to_string(i) + "]\n");
      QApplication::processEvents();
    }
    const double per_line = seconds_since(t0) / kLines;
    std::printf("  %2zu MB: %8.1f us per line   (a whole copy: %8.1f ms)\n", mb, per_line * 1e6, whole * 1e3);
  }
  return 0;
}
