// The mixer's levels and input selection on a fake card: percentages spread over each
// control's own range, clamped, and the failure lines when controls are missing.
#include "modem/sound_card_mixer.h"

#include <gtest/gtest.h>

#include <map>

#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

struct FakeCard {
  std::map<MixerControl, std::pair<long, long>> ranges;
  std::map<MixerControl, std::vector<long>> writes;
  std::vector<std::string> sources;
  std::vector<int> selected;
};

class FakeMixer : public AudioMixer {
 public:
  explicit FakeMixer(FakeCard& card) : card_(card) {}
  int control_range(MixerControl c, long* min, long* max) override {
    auto it = card_.ranges.find(c);
    if (it == card_.ranges.end()) return 0;
    *min = it->second.first;
    *max = it->second.second;
    return 1;
  }
  int set_control(MixerControl c, long v) override {
    if (!card_.ranges.count(c)) return 0;
    card_.writes[c].push_back(v);
    return 1;
  }
  std::vector<std::string> input_sources() override { return card_.sources; }
  int select_input_source(int item) override {
    card_.selected.push_back(item);
    return 1;
  }
  std::string name() const override { return "fake"; }

 private:
  FakeCard& card_;
};

class MixerTest : public ::testing::Test {
 protected:
  MixerTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    sound_card().trace_hooks.net_trace = [this](const std::string& l) { trace_.push_back(l); };
  }
  // The set-up on two mixers of the fake card.
  void setup() { mixer_setup_with(std::make_unique<FakeMixer>(card_), std::make_unique<FakeMixer>(card_)); }
  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  FakeCard card_;
  std::vector<std::string> trace_;
};

TEST_F(MixerTest, LevelsSpreadOverEachControlsRange) {
  const struct {
    long min, max;
    int percent;
    long want;
  } cases[] = {{0, 65535, 5, 3276},   {0, 65535, 100, 65535}, {0, 65535, 150, 65535}, {0, 65535, -5, 0},
               {0, 31, 10, 3},        {0, 31, 50, 15},        {0, 63, 100, 63},       {-100, 0, 50, -50},
               {-100, 0, 0, -100},    {10, 20, 30, 13}};
  for (const auto& c : cases) {
    card_ = FakeCard{};
    card_.ranges = {{MixerControl::WaveOut, {c.min, c.max}},
                    {MixerControl::MicIn, {c.min, c.max}},
                    {MixerControl::LineIn, {c.min, c.max}}};
    card_.sources = {"Line", "Mic"};
    setup();
    card_.writes.clear();
    mixer_set_wave_out_level(c.percent);
    mixer_set_input_level(c.percent);
    const std::vector<long> one = {c.want};
    EXPECT_EQ(card_.writes[MixerControl::WaveOut], one) << c.min << ".." << c.max << " " << c.percent;
    EXPECT_EQ(card_.writes[MixerControl::MicIn], one);
    EXPECT_EQ(card_.writes[MixerControl::LineIn], one);
  }
  EXPECT_TRUE(trace_.empty());
}

TEST_F(MixerTest, SetupAppliesTheOptions) {
  card_.ranges = {{MixerControl::WaveOut, {0, 65535}}, {MixerControl::MicIn, {0, 31}}, {MixerControl::LineIn, {0, 100}}};
  card_.sources = {"Line", "Mic Boost", "CD", "Microphone"};  // a later match wins
  const struct {
    int input_option;
    std::vector<int> want_selected;
  } cases[] = {{0, {0}}, {1, {3}}, {2, {}}};
  for (const auto& c : cases) {
    card_.writes.clear();
    card_.selected.clear();
    db_set_mixer_input(c.input_option);
    setup();
    EXPECT_EQ(card_.selected, c.want_selected) << c.input_option;
    EXPECT_EQ(card_.writes[MixerControl::WaveOut], std::vector<long>{6553});  // TX level 10
    EXPECT_EQ(card_.writes[MixerControl::MicIn], std::vector<long>{1});       // RX level 5
    EXPECT_EQ(card_.writes[MixerControl::LineIn], std::vector<long>{5});
  }
  mixer_select_input(1);
  EXPECT_EQ(db_get_mixer_input(), 1);
  EXPECT_EQ(card_.selected.back(), 3);
  mixer_select_input(7);  // stored, selects nothing
  EXPECT_EQ(db_get_mixer_input(), 7);
  EXPECT_EQ(card_.selected.back(), 3);
  EXPECT_TRUE(trace_.empty());
}

TEST_F(MixerTest, MissingControlsAreTracedAndSetUpGoesOn) {
  card_.ranges = {{MixerControl::WaveOut, {0, 100}}};
  card_.sources = {"CD"};
  db_set_mixer_input(0);
  setup();
  const std::vector<std::string> want = {"Error getLineControls 201\n", "Error getLineControls 217\n",
                                         "Mic to Wavein Level failed\n", "Line to Wavein Level failed\n",
                                         "Unable to Select Line Input\n"};
  EXPECT_EQ(trace_, want);
  EXPECT_EQ(card_.writes[MixerControl::WaveOut], std::vector<long>{10});

  // A card whose mixer cannot be opened gets the no-op one.
  trace_.clear();
  mixer_setup_with(nullptr, nullptr);
  EXPECT_EQ(trace_, (std::vector<std::string>{"Error Opening Input Mixer ID\n", "Error Opening Output Mixer ID\n"}));
  mixer_close();
}

}  // namespace
}  // namespace vesk
