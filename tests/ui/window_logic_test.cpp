// The main window's logic without Qt: the tuning display, the title while minimised, the
// status bar's lists and switches, the document file, DO CMD and RESOURCES through the station.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "command/interpreter.h"
#include "db/daily_log.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "radio/serial_queue.h"
#include "tests/db/log_fixture.h"
#include "tests/support/child_process.h"
#include "ui/command_line.h"
#include "ui/document.h"
#include "ui/frame_actions.h"
#include "ui/station_app.h"
#include "ui/tuning_display.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// ---- tuning display ----

struct SpectrumCase {
  const char* what;
  float value;  // every bin holds it
  bool synced;
  int bar_height;    // of bin 1 (the first after a fresh start)
  TuneRgb colour8;   // of bin 8, an ALE tone
};

TEST(TuningDisplay, SpectrumBarsAndColours) {
  const SpectrumCase cases[] = {
      {"synced: the ALE tones red", 4.0f, true, 60, kTuneRed},
      {"not synced: green", 4.0f, false, 60, kTuneGreen},
      {"silence: no bar, no division by zero", 0.0f, true, 0, kTuneRed},
  };
  for (const SpectrumCase& c : cases) {
    SCOPED_TRACE(c.what);
    TuneState state;
    float bins[32];
    std::fill(std::begin(bins), std::end(bins), c.value);
    const TunePicture p = tune_spectrum(state, bins, c.synced, 200, 60);
    ASSERT_EQ(p.rects.size(), 28u);  // 27 bins and the level bar
    // The first bin against an average of a tenth of it: 200, cut to the height.
    EXPECT_EQ(p.rects[0].y0, 60 - c.bar_height);
    EXPECT_EQ(p.rects[0].y1, 59);
    EXPECT_EQ(p.rects[0].x0, 0);
    EXPECT_EQ(p.rects[0].x1, 7);
    EXPECT_EQ(p.rects[7].colour, c.colour8);
    EXPECT_EQ(p.rects[6].colour, kTuneGreen);   // bin 7, odd
    EXPECT_EQ(p.rects[2].colour, kTuneYellow);  // bin 3
    EXPECT_EQ(p.rects[20].colour, kTuneYellow); // bin 21
    EXPECT_EQ(p.rects[27].colour, kTunePurple);
    EXPECT_EQ(p.rects[27].x0, 189);
  }
}

TEST(TuningDisplay, LevelBarFollowsTheLogarithmOfTheLargestBin) {
  TuneState state;
  float bins[32] = {};
  bins[10] = 1.0f;  // ln(1) = 0: a level of 36
  EXPECT_EQ(tune_spectrum(state, bins, false, 200, 60).rects[27].y0, 60 - 36);
  bins[10] = std::exp(10.0f);  // 96: held at the height
  EXPECT_EQ(tune_spectrum(state, bins, false, 200, 60).rects[27].y0, 0);
  bins[10] = 0.0f;  // ln(0): no level instead of minus infinity
  EXPECT_EQ(tune_spectrum(state, bins, false, 200, 60).rects[27].y0, 60);
  EXPECT_EQ(state.level, 0.0f);
}

TEST(TuningDisplay, TimingLineAndPhase) {
  float flat[64];
  std::fill(std::begin(flat), std::end(flat), 5.0f);
  float peak[64];
  std::fill(std::begin(peak), std::end(peak), 2.0f);
  peak[10] = 2.5f;  // 25 above the smallest
  peak[20] = 1e30f;  // held at the height
  float zeros[64] = {};
  float nan_entry[64];
  std::fill(std::begin(nan_entry), std::end(nan_entry), 1.0f);
  nan_entry[3] = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    const float* energy;
    int phase;
    bool synced;
    int y0, y10, y20, y3;
    int phase_x;
  };
  const Case cases[] = {
      {"equal energies: a flat line at the bottom", flat, 5, false, 60, 60, 60, 60, 15},
      {"a peak", peak, 63, true, 60, 35, 0, 60, 189},
      {"smallest entry 0: no ratio, the bottom", zeros, 0, false, 60, 60, 60, 60, 0},
      {"a NaN entry stays at the bottom", nan_entry, 64 + 7, false, 60, 60, 60, 60, 21},
      {"a negative phase is kept in 0 to 63", flat, -1, false, 60, 60, 60, 60, 189},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TunePicture p = tune_timing(c.energy, c.phase, c.synced, 200, 60);
    ASSERT_EQ(p.line.size(), 64u);
    EXPECT_EQ(p.line[0].y, c.y0);
    EXPECT_EQ(p.line[10].y, c.y10);
    EXPECT_EQ(p.line[20].y, c.y20);
    EXPECT_EQ(p.line[3].y, c.y3);
    EXPECT_EQ(p.line[63].x, 189);
    ASSERT_EQ(p.rects.size(), 1u);
    EXPECT_EQ(p.rects[0].x0, c.phase_x);
    EXPECT_EQ(p.rects[0].colour, c.synced ? kTuneRed : kTuneGreen);
    EXPECT_EQ(p.filled, c.synced);
    EXPECT_EQ(p.pen, c.synced ? kTuneOrange : kTuneBlack);
  }
}

TEST(TuningDisplay, HeightsOfAnyValue) {
  const struct {
    double value;
    int height;
  } cases[] = {{-1.0, 0}, {0.0, 0}, {0.99, 0}, {59.9, 59}, {60.0, 60}, {1e300, 60},
               {std::numeric_limits<double>::infinity(), 60}, {-std::numeric_limits<double>::infinity(), 0},
               {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const auto& c : cases) EXPECT_EQ(tune_height(c.value, 60), c.height) << c.value;
}

// ---- the frame's title and controls ----

TEST(FrameTitle, MinimisedTitleFromTheStatusTexts) {
  EXPECT_EQ(frame_minimised_title("CHN 05 USB", "SCANNING", "RX"), "05 USB SCANNING RX");
  EXPECT_EQ(frame_minimised_title("FRQ 07000000 USB", "LINKED", "TX"), "07000000 USB LINKED TX");
  // A text of under five characters has no field after its prefix.
  EXPECT_EQ(frame_minimised_title("CHN", "IDLE", "RX"), " IDLE RX");
  EXPECT_EQ(frame_minimised_title("", "IDLE", "RX"), " IDLE RX");
}

class FrameControls : public test::LogFixture {
 protected:
  FrameControls() { db_open(); }
  bool logged(const std::string& text) const { return log_monitor_text().find(text) != std::string::npos; }
};

TEST_F(FrameControls, TwaAndSclcLists) {
  const struct {
    int index;
    int twa;
    const char* twa_line;
    int sclc;
    const char* sclc_line;
  } cases[] = {
      {0, 0, "[OPTIONS: TWA SET TO 0. TIMEOUT DISABLED]", 0, "[OPTIONS: SCLC SET TO 0. AUTOMATIC MODE]"},
      {3, 180, "[OPTIONS: TWA SET TO 180.]", 12, "[OPTIONS: SCLC SET TO 12.]"},
      {5, 300, "[OPTIONS: TWA SET TO 300.]", 20, "[OPTIONS: SCLC SET TO 20.]"},
      {-1, 180, "[OPTIONS: ERROR. TWA SET TO 180 BY DEFAULT.]", 4, "[OPTIONS: ERROR. SCLC SET TO 4 BY DEFAULT.]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    db_set_twa_secs(77);
    db_set_sclc(9);
    frame_choose_twa(c.index);
    frame_choose_sclc(c.index);
    EXPECT_EQ(db_get_twa_secs(), c.twa);
    EXPECT_EQ(db_get_sclc(), c.sclc);
    EXPECT_EQ(log_monitor_text().rfind(stamps() + c.sclc_line + "\n", 0), 0u) << "the newest line";
    EXPECT_TRUE(logged(stamps() + c.twa_line + "\n"));
  }
}

TEST_F(FrameControls, SwitchesFlipOnlyZeroAndOne) {
  db_set_linked_twx(0);
  frame_toggle(FrameSwitch::LinkedTwx);
  EXPECT_EQ(db_get_linked_twx(), 1);
  EXPECT_TRUE(logged("[OPTIONS: LINKED TWX ENABLED]"));
  frame_toggle(FrameSwitch::LinkedTwx);
  EXPECT_EQ(db_get_linked_twx(), 0);
  EXPECT_TRUE(logged("[OPTIONS: LINKED TWX DISABLED]"));
  db_set_aqc_mode(1);
  frame_toggle(FrameSwitch::AqcAle);
  EXPECT_EQ(db_get_aqc_mode(), 0);
  EXPECT_TRUE(logged("[OPTIONS: AQC MODE DISABLED]"));
  db_set_aqc_burst(7);  // neither on nor off: left alone without a line
  const std::string before = log_monitor_text();
  frame_toggle(FrameSwitch::AqcBurst);
  EXPECT_EQ(db_get_aqc_burst(), 7);
  EXPECT_EQ(log_monitor_text(), before);
}

TEST_F(FrameControls, MacroRunsOnTheExecutorThenItsLine) {
  std::ofstream(st.path("MACRO3.MAC")) << "ENABLE GPS\n";
  db_disable_gps();
  frame_run_macro(2);
  frame_run_macro(30);  // no such macro
  EXPECT_EQ(db_get_gps(), 0) << "nothing runs on the caller's thread";
  while (mmi_executor_step()) {
  }
  EXPECT_EQ(db_get_gps(), 1);
  EXPECT_TRUE(logged("[MMI CHANGE: MMI MACRO 3 REQUEST EXECUTED]"));
  EXPECT_FALSE(logged("MACRO 31"));
}

// ---- the document file ----

TEST(DocumentFile, ArchivedStringRoundTrip) {
  const struct {
    std::size_t length;
    std::size_t prefix;
  } cases[] = {{0, 1}, {254, 1}, {255, 3}, {65533, 3}, {65534, 7}, {70000, 7}};
  for (const auto& c : cases) {
    std::string text(c.length, 'x');
    if (c.length > 0) text[c.length - 1] = '\n';
    const std::string bytes = doc_archive_string(text);
    EXPECT_EQ(bytes.size(), c.length + c.prefix) << c.length;
    std::string back;
    ASSERT_TRUE(doc_read_archived_string(bytes, back)) << c.length;
    EXPECT_EQ(back, text);
  }
  EXPECT_EQ(doc_archive_string("AB"), std::string("\x02" "AB", 3));
  EXPECT_EQ(doc_archive_string(std::string(300, 'a')).substr(0, 3), std::string("\xFF\x2C\x01", 3));
}

TEST(DocumentFile, RefusesWhatIsNoArchivedString) {
  const std::string cases[] = {
      std::string(),                                  // empty file
      std::string("\x05" "ABC", 4),                   // length past the end
      std::string("\xFF\x10", 2),                     // cut inside the prefix
      std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x00", 7),  // 32-bit length past the end
      std::string("\xFF\xFE\xFF\x02" "A\0B\0", 8),    // wide characters
  };
  for (const std::string& bytes : cases) {
    std::string text = "kept";
    EXPECT_FALSE(doc_read_archived_string(bytes, text)) << bytes.size();
  }
}

class DocumentFiling : public test::LogFixture {
 protected:
  DocumentFiling() {
    fs::create_directory(fs::path(dir.path()) / "owlog");
    fs::create_directory(fs::path(dir.path()) / "dalog");
    db_open();
    log_open_daily_files();
  }
  std::string monitor_file() const { return read_file(fs::path(dir.path()) / "owlog" / "12082026.ow"); }
  std::string frame_file() const { return read_file(fs::path(dir.path()) / "dalog" / "12082026.da"); }
};

TEST_F(DocumentFiling, NewAndOpenFileBothTextsFirst) {
  log_printf("old monitor\n");
  log_frame_printf("old frame\n");
  doc_new();
  EXPECT_EQ(log_monitor_text(), "");
  EXPECT_EQ(log_frame_text(), "");
  EXPECT_NE(monitor_file().find("old monitor\n"), std::string::npos);
  EXPECT_NE(frame_file().find("old frame\n"), std::string::npos);

  const fs::path doc = fs::path(dir.path()) / "saved.ale";
  ASSERT_TRUE(doc_save(doc, "saved line\n"));
  log_printf("before open\n");
  log_frame_printf("frame before open\n");
  ASSERT_TRUE(doc_open(doc));
  EXPECT_EQ(log_monitor_text(), "saved line\n");
  EXPECT_EQ(log_frame_text(), "");
  EXPECT_NE(monitor_file().find("before open\n"), std::string::npos);
  EXPECT_NE(frame_file().find("frame before open\n"), std::string::npos);
  log_printf("new\n");
  EXPECT_EQ(log_monitor_text(), "new\nsaved line\n");

  // A file that is no document changes nothing.
  std::ofstream(fs::path(dir.path()) / "bad.ale", std::ios::binary) << "\x40short";
  EXPECT_FALSE(doc_open(fs::path(dir.path()) / "bad.ale"));
  EXPECT_FALSE(doc_open(fs::path(dir.path()) / "missing.ale"));
  EXPECT_EQ(log_monitor_text(), "new\nsaved line\n");
}

TEST(CommandLine, FlagsPlainParameterAndProgramOptions) {
  std::vector<std::string> args = {"vesk-ale", "--dir", "/tmp/st", "-P8000", "/home/op/doc.ale", "second.ale", "-x"};
  for (int i = 0; i < 20; ++i) args.push_back("-F" + std::to_string(i));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  CALECommandLineInfo info;
  ASSERT_TRUE(info.parse(static_cast<int>(argv.size()), argv.data()));
  EXPECT_EQ(info.dir, "/tmp/st");
  EXPECT_EQ(info.m_nFlagParams, 20) << "a 21st flag is dropped";
  EXPECT_EQ(info.m_astrFlagParams.front(), "P8000");
  EXPECT_EQ(info.m_astrFlagParams.back(), "F17");
  EXPECT_EQ(info.m_strPlainParam, "/home/op/doc.ale") << "a \"/\" begins a path, and only the first is kept";
  const std::vector<std::string> station = info.station_args();
  EXPECT_EQ(station.front(), "-P8000");
  EXPECT_EQ(station.back(), "/home/op/doc.ale");
  char prog[] = "vesk-ale", bad[] = "--bogus";
  char* bad_argv[] = {prog, bad};
  CALECommandLineInfo refused;
  EXPECT_FALSE(refused.parse(2, bad_argv));
}

// The headless program, and so everything below the widgets, has no Qt in it.
TEST(QtFree, HeadlessProgramLinksNoQt) {
  test::ChildProcess ldd({"/usr/bin/ldd", test::program_path("app/vesk-ale-headless")});
  ASSERT_EQ(ldd.wait(10000), 0) << ldd.output();
  EXPECT_NE(ldd.output().find("libc.so"), std::string::npos) << ldd.output();
  EXPECT_EQ(ldd.output().find("libQt"), std::string::npos) << ldd.output();
}

}  // namespace
}  // namespace vesk
