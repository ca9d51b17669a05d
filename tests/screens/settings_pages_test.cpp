// The three pages of the settings screen: the APP rows and their cycles, the
// PIANO page's sustain sliders and test notes, and the METRO page's controls
// and tap tempo, at the bounds of their zones on both screens.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/localized_strings.h"
#include "settings_rig.h"

namespace piano::settings_test {
namespace {

using platform::Point;

std::string text(const char* key) { return platform::localized(key); }

class SettingsPagesTest : public ::testing::TestWithParam<bool> {
 protected:
  SettingsRig rig{GetParam()};
  AppSettingsView& view = *rig.view;
  FakeSettingsHost& host = rig.host;
  Metronome& metronome = *rig.metronome;
  double s = GetParam() ? 45.0 : 0.0;
};

// ---------------------------------------------------------------- APP

// Each APP row answers wherever its picture draws it (34 points across, y 76
// to 400, 45 further on the tall screen): at its centre, on the chevron at its
// far end, at its corners and at the far end of its value; not beside it.
TEST_P(SettingsPagesTest, AppRowsAnswerWhereTheyAreDrawn) {
  view.changeSettingsScreen(0);
  // What one tap changed, as a letter: k keys, e expression, n note naming,
  // d dual keyboard, p panning, - nothing.
  auto changed = [&](Point p) {
    const FakeSettingsHost before = host;
    const bool panning = rig.player->pianoNotePanning();
    view.fingerDown(p);
    if (host.numKeys != before.numKeys) return 'k';
    if (host.expression != before.expression) return 'e';
    if (host.noteNames != before.noteNames) return 'n';
    if (host.dual != before.dual) return 'd';
    if (rig.player->pianoNotePanning() != panning) return 'p';
    return '-';
  };
  const double rowX[] = {197, 159, 120, 82, 44};
  const platform::Label* values[] = {&view.labelNumberOfKeys(), &view.labelExpression(), &view.labelNoteNaming(),
                                     &view.labelDualKeyboard(), &view.labelAudioPanning()};
  const double y0 = 76 + s, y1 = 400 + s;
  for (int r = 0; r < 5; ++r) {
    const double x = rowX[r];
    const platform::Rect value = values[r]->frame();
    for (const Point p : {Point{x, (y0 + y1) / 2}, Point{x, y1 - 12}, Point{x - 17, y0}, Point{x + 16.9, y1 - 0.1},
                          Point{value.midX(), value.maxY() - 0.5}}) {
      EXPECT_EQ(changed(p), "kendp"[r]) << p.x << ", " << p.y;
    }
    for (const Point p : {Point{x, y0 - 0.1}, Point{x, y1}, Point{x + 17, y0 + 100}}) {
      EXPECT_EQ(changed(p), '-') << p.x << ", " << p.y;
    }
  }
}

TEST_P(SettingsPagesTest, AppSettingsCycleAndShowTheirNames) {
  view.changeSettingsScreen(0);
  host.numKeys = 14;
  host.expression = 2;
  const Point keys{200, 200}, expression{160, 200}, naming{120, 200}, dual{80, 200}, panning{40, 200};
  view.fingerDown(keys);
  EXPECT_EQ(host.numKeys, 15);
  view.fingerDown(keys);
  EXPECT_EQ(host.numKeys, 8);
  EXPECT_EQ(view.labelNumberOfKeys().text(), "8");
  view.fingerDown(expression);
  view.fingerDown(expression);
  EXPECT_EQ(host.expression, 0);
  EXPECT_EQ(view.labelExpression().text(), text("NO"));
  for (const char* key : {"ALL KEYS", "COLOURED", "NO", "LEFT KEY"}) {
    view.fingerDown(naming);
    EXPECT_EQ(view.labelNoteNaming().text(), text(key));
  }
  view.fingerDown(dual);
  EXPECT_TRUE(host.dual);
  EXPECT_EQ(view.labelDualKeyboard().text(), text("YES"));
  view.fingerDown(panning);
  EXPECT_FALSE(rig.player->pianoNotePanning());
  EXPECT_EQ(view.labelAudioPanning().text(), text("NO"));
  // A value from elsewhere that the screen has no name for leaves the old name.
  host.expression = 9;
  view.redraw();
  EXPECT_EQ(view.labelExpression().text(), text("NO"));
  view.fingerDown(expression);
  EXPECT_EQ(host.expression, 0);
}

// ---------------------------------------------------------------- PIANO

TEST_P(SettingsPagesTest, TestNoteZonesPlayWithTheirSustainTimes) {
  auto voiceFor = [&](Point p) {
    const int before = rig.player->activeVoiceCount();
    view.fingerDown(p);
    const int voice = rig.player->activeVoiceCount() > before ? std::max(view.pedalTestVoice(), view.normalTestVoice()) : -1;
    view.fingerUp(p);
    rig.advance(0.1);
    return voice;
  };
  for (Point p : {Point{63, 380}, Point{98, 380}, Point{145, 380}, Point{80, 360.9}, Point{120, 425}}) {
    EXPECT_EQ(voiceFor({p.x, p.y + s}), -1) << p.x << ", " << p.y;
  }
  host.pedalRate = -0.00002;
  host.normalRate = -0.0001;
  view.fingerDown({63.5, 361 + s});
  ASSERT_GE(view.pedalTestVoice(), 0);
  rig.renderBuffer();
  const Voice& pedal = rig.player->voiceForTest(view.pedalTestVoice());
  EXPECT_EQ(pedal.sampleNo, 44);
  EXPECT_FLOAT_EQ(static_cast<float>(pedal.requiredReleaseDelta), -0.00002f);
  view.fingerUp({63.5, 361 + s});
  view.fingerDown({144.5, 424.9 + s});
  ASSERT_GE(view.normalTestVoice(), 0);
  rig.renderBuffer();
  EXPECT_FLOAT_EQ(static_cast<float>(rig.player->voiceForTest(view.normalTestVoice()).requiredReleaseDelta), -0.0001f);
}

TEST_P(SettingsPagesTest, TestNotesStopWhenTheFingerSlidesOffOrLifts) {
  const Point pedal{80, 390 + s}, normal{120, 390 + s};
  rig.press(pedal);
  const int voice = view.pedalTestVoice();
  rig.moveTo({90, 400 + s});  // still on the button
  rig.renderBuffer();
  EXPECT_TRUE(rig.isHeld(voice));
  rig.moveTo(normal);  // slid off, onto the other button: nothing new starts
  rig.renderBuffer();
  EXPECT_TRUE(rig.isReleasing(voice));
  EXPECT_EQ(view.normalTestVoice(), -1);
  rig.release(normal);

  rig.press(normal);
  const int second = view.normalTestVoice();
  rig.renderBuffer();
  rig.release(normal);  // lifted on the button
  rig.renderBuffer();
  EXPECT_TRUE(rig.isReleasing(second));

  rig.press(pedal);
  const int third = view.pedalTestVoice();
  rig.renderBuffer();
  rig.release({200, 200 + s});  // lifted far away with no move before
  rig.renderBuffer();
  EXPECT_TRUE(rig.isReleasing(third));
}

TEST_P(SettingsPagesTest, SustainSlidersSetTheFractions) {
  rig.press({110, 237 + s});  // normal sustain, the middle of its track
  EXPECT_DOUBLE_EQ(host.normalRate, -0.00008);
  rig.moveTo({110, 154 + s - 20});
  EXPECT_DOUBLE_EQ(host.normalRate, -0.00016);
  rig.moveTo({110, 400 + s});  // past the zone: the value stays
  EXPECT_DOUBLE_EQ(host.normalRate, -0.00016);
  rig.release({110, 400 + s});
  rig.press({60, 330 + s});  // pedal sustain, beyond the end of its track
  EXPECT_DOUBLE_EQ(host.pedalRate, 0.0);
  EXPECT_EQ(view.pedalSustain().knob().centre(), (Point{77, 320 + s}));
  rig.release({60, 330 + s});
  host.normalRate = -0.00004;  // 0.75, as a loaded song could set it
  view.redraw();
  EXPECT_EQ(view.normalSustain().knob().centre(), (Point{126, 278 + s}));
}

// ---------------------------------------------------------------- METRO

TEST_P(SettingsPagesTest, MetronomeSlidersSetVolumeAndTempo) {
  view.changeSettingsScreen(2);
  view.fingerDown({80, 160 + s - 20});
  EXPECT_EQ(metronome.getMetronomeVolume(), 0.0f);
  view.fingerMove({114, 400 + s}, {80, 140 + s});  // the zones overlap at x 113..114: volume's
  EXPECT_EQ(metronome.getMetronomeVolume(), 1.0f);
  EXPECT_EQ(metronome.getMetronomeTempo(), 120);
  view.fingerDown({140, 158 + s});
  EXPECT_EQ(metronome.getMetronomeTempo(), 50);
  EXPECT_EQ(view.tempoLabel().text(), "50");
  view.fingerMove({172.5, 356.5 + s}, {140, 158 + s});
  EXPECT_EQ(metronome.getMetronomeTempo(), 250);
  EXPECT_EQ(view.tempo().knob().centre(), (Point{147, 337 + s}));
  view.fingerDown({140, 247.5 + s});  // the middle of the track
  EXPECT_EQ(metronome.getMetronomeTempo(), 150);
  EXPECT_EQ(view.tempo().knob().centre(), (Point{147, 247 + s}));  // from (150 - 50) / 200
  view.fingerMove({240, 300 + s}, {140, 247.5 + s});  // off the sliders: nothing
  EXPECT_EQ(metronome.getMetronomeTempo(), 150);
}

TEST_P(SettingsPagesTest, BeatsPerBarStayBetweenOneAndSix) {
  view.changeSettingsScreen(2);
  const Point minus{200, 190 + s}, plus{200, 290 + s};
  for (Point p : {Point{187, 190}, Point{229, 190}, Point{200, 155.9}, Point{200, 224}, Point{200, 259.9},
                  Point{200, 325}}) {
    view.fingerDown({p.x, p.y + s});
  }
  EXPECT_EQ(metronome.getMetronomeBeatsPerBar(), 4);
  view.fingerDown({187.5, 156 + s});
  view.fingerDown({228.5, 223.9 + s});
  EXPECT_EQ(metronome.getMetronomeBeatsPerBar(), 2);
  for (int i = 0; i < 3; ++i) view.fingerDown(minus);
  EXPECT_EQ(metronome.getMetronomeBeatsPerBar(), 1);
  EXPECT_EQ(view.beatsPerBarLabel().text(), "1");
  view.fingerDown({200, 260 + s});
  view.fingerDown({200, 324.9 + s});
  for (int i = 0; i < 5; ++i) view.fingerDown(plus);
  EXPECT_EQ(metronome.getMetronomeBeatsPerBar(), 6);
  EXPECT_EQ(view.beatsPerBarLabel().text(), "6");
}

TEST_P(SettingsPagesTest, SwitchLightsItsLamp) {
  view.changeSettingsScreen(2);
  view.fingerDown({200, 59.9 + s});
  EXPECT_FALSE(metronome.metronome());
  view.fingerDown({200, 60 + s});
  EXPECT_TRUE(metronome.metronome());
  EXPECT_EQ(view.metronomeLamp().alpha(), 1.0f);
  view.fingerDown({200, 121.9 + s});
  EXPECT_FALSE(metronome.metronome());
  EXPECT_EQ(view.metronomeLamp().alpha(), 0.0f);
}

TEST_P(SettingsPagesTest, TapTempoTakesTheMeanOfASeries) {
  view.changeSettingsScreen(2);
  metronome.setMetronomeTempo(100);
  auto tapAfter = [&](double seconds) {
    rig.clock.advance(seconds);
    rig.tap({210, 390 + s});
    return metronome.getMetronomeTempo();
  };
  EXPECT_EQ(tapAfter(5.0), 100);  // the first tap only starts the clock
  EXPECT_EQ(tapAfter(0.5), 120);
  EXPECT_EQ(view.tempoLabel().text(), "120");
  EXPECT_EQ(tapAfter(0.6), 109);  // 60 / 0.55
  EXPECT_EQ(tapAfter(1.2), 109);  // a pause: a new series, the tempo stays
  EXPECT_EQ(tapAfter(0.2), 250);  // 300, held to the fastest
  EXPECT_EQ(tapAfter(0.2), 250);
  EXPECT_EQ(tapAfter(0.9), 138);  // still the same series: 60 / (1.3 / 3)
  // The zone's ends along y.
  rig.clock.advance(5.0);
  view.fingerDown({210, 358.9 + s});
  rig.clock.advance(0.5);
  view.fingerDown({210, 359 + s});
  EXPECT_EQ(metronome.getMetronomeTempo(), 138);
  rig.clock.advance(0.5);
  view.fingerDown({210, 429.9 + s});
  EXPECT_EQ(metronome.getMetronomeTempo(), 120);
}

INSTANTIATE_TEST_SUITE_P(Screens, SettingsPagesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Tall" : "Normal"; });

}  // namespace
}  // namespace piano::settings_test
