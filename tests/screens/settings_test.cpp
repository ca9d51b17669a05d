// The settings screen in the running application: where its controls answer
// on both layouts, the APP rows' cycles, the PIANO page's sliders and test
// notes, the METRO page's controls and tap tempo, the sliding pages and the
// metronome preview that only its page with the switch on may sound.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/sound_player.h"
#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/localized_strings.h"
#include "platform/paced_audio_output.h"
#include "platform/volume_view.h"
#include "recording/metronome.h"
#include "rig/app_rig.h"
#include "screens/settings/app_settings_view.h"

namespace piano {
namespace {

using platform::Point;

class Settings : public ::testing::Test, public test::AppRig {
 protected:
  explicit Settings(bool tall = false)
      : AppRig({.tall = tall}), screen(app().appSettingsView()), metronome(app().metronome()), s(tall ? 45 : 0) {
    platform::setConfigDirectory((documents / "config").string());  // the output volume's file
    app().showSetup();
    settle();
  }
  const Voice& voice(int v) { return app().soundPlayer().voiceForTest(v); }
  // Metronome clicks heard in the last `seconds`: each starts out of silence.
  int clicksDuring(double seconds) {
    advance(seconds);
    int count = 0, quietFor = 1000;
    for (auto f = static_cast<std::size_t>(frameAt(clock.now() - seconds)); 2 * f < audio().size(); ++f) {
      const bool loud = std::abs(audio()[2 * f]) > 100;
      count += loud && quietFor >= 1000;
      quietFor = loud ? 0 : quietFor + 1;
    }
    return count;
  }

  AppSettingsView& screen;
  Metronome& metronome;
  const double s;  // the tall screen's shift of the pages and their names
};

class SettingsLayouts : public Settings, public ::testing::WithParamInterface<bool> {
 protected:
  SettingsLayouts() : Settings(GetParam()) {}
};

// Each kind of zone at one of its bounds, on both layouts: the navigation
// icons, the page arrows, the page names (along their labels), the APP rows,
// the test notes, the metronome's buttons and a slider.
TEST_P(SettingsLayouts, ZonesAnswerWithinTheirBounds) {
  const double farEnd = GetParam() ? 502 : 435;  // the next-page arrow
  // What a touch changed: the page shown, or a setting, as text.
  auto effect = [&](Point p) {
    const int page = screen.screen(), keys = app().numKeysToDisplay(), beats = metronome.getMetronomeBeatsPerBar();
    const float sustain = app().sustainTimeNormal();
    screen.fingerDown(p);
    screen.fingerUp(p);
    if (screen.screen() != page) return "page " + std::to_string(screen.screen());
    if (app().numKeysToDisplay() != keys) return std::string("keys");
    if (metronome.getMetronomeBeatsPerBar() != beats) return std::string("beats");
    if (app().sustainTimeNormal() != sustain) return std::string("sustain");
    return std::string("-");
  };
  const struct {
    int page;  // shown before the touch
    Point at;
    const char* effect;
  } cases[] = {
      {1, {106, 20}, "-"}, {1, {106.5, 50.9}, "page 0"}, {1, {150, farEnd}, "-"}, {1, {150, farEnd + 0.5}, "page 2"},
      // page names: APP along y 115..195, PIANO 200..280, METRO 285..365 (+ 45 on the tall screen)
      {1, {290, 115 + s}, "-"}, {1, {290, 115.5 + s}, "page 0"}, {1, {270.5, 194.9 + s}, "page 0"},
      {1, {290, 197 + s}, "-"}, {0, {290, 279.9 + s}, "page 1"}, {1, {290, 364.9 + s}, "page 2"}, {1, {270, 300}, "-"},
      // the APP rows where their picture draws them: 34 wide, along y 76..400 (+ 45)
      {0, {180, 76 + s}, "keys"}, {0, {213.9, 399.9 + s}, "keys"}, {0, {200, 400 + s}, "-"}, {0, {214, 200}, "-"},
      // the normal sustain slider: x 92..136 across, 20 points past its track's ends
      {1, {92, 134 + s}, "sustain"}, {1, {91.9, 237 + s}, "-"}, {1, {110, 340 + s}, "-"},
      // beats per bar: fewer from y 156, more to the end of 324, strictly between x 187 and 229
      {2, {187.5, 156 + s}, "beats"}, {2, {200, 155.9 + s}, "-"}, {2, {228.9, 324.9 + s}, "beats"},
      {2, {229, 300 + s}, "-"}};
  for (const auto& c : cases) {
    screen.changeSettingsScreen(c.page);
    EXPECT_EQ(effect(c.at), c.effect) << c.page << ": " << c.at.x << ", " << c.at.y;
  }
  screen.changeSettingsScreen(1);
  for (const Point p : {Point{63, 380 + s}, Point{80, 360.9 + s}, Point{98, 380 + s}}) {
    screen.fingerDown(p);
    EXPECT_EQ(screen.pedalTestVoice() + screen.normalTestVoice(), -2) << p.x << ", " << p.y;
  }
  screen.fingerDown({63.5, 361 + s});
  EXPECT_GE(screen.pedalTestVoice(), 0);
  screen.fingerUp({63.5, 361 + s});
  // The icons at the screen's ends.
  const double help = GetParam() ? 502 : 420;
  for (const Point p : {Point{268, 20}, Point{300, 47}, Point{300, help}}) screen.fingerDown(p);
  EXPECT_EQ(app().currentScreen(), &screen);
  screen.fingerDown({268.5, help + 0.5});
  EXPECT_EQ(app().currentScreen(), app().manualView());
  settle(), app().showSetup(), settle();
  screen.fingerDown({268.5, 46.9});
  EXPECT_NE(app().currentScreen(), &screen);
}

TEST_F(Settings, AppRowsCycleTheirSettingsAndShowTheirNames) {
  auto text = [](const char* key) { return platform::localized(key); };
  screen.changeSettingsScreen(0);
  app().setNumKeysToDisplay(14);
  const Point keys{200, 200}, expression{160, 200}, naming{120, 200}, dual{80, 200}, panning{40, 200};
  screen.fingerDown(keys), screen.fingerDown(keys);
  EXPECT_EQ(std::pair(app().numKeysToDisplay(), screen.labelNumberOfKeys().text()), std::pair(8, std::string("8")));
  for (const char* key : {"SUSTAIN", "SOFT", "NO"}) {  // from volume, the value of a fresh start
    screen.fingerDown(expression);
    EXPECT_EQ(screen.labelExpression().text(), text(key));
  }
  for (const char* key : {"ALL KEYS", "COLOURED", "NO", "LEFT KEY"}) {
    screen.fingerDown(naming);
    EXPECT_EQ(screen.labelNoteNaming().text(), text(key));
  }
  screen.fingerDown(dual), screen.fingerDown(panning);
  EXPECT_TRUE(app().dualKeyboard() && !app().soundPlayer().pianoNotePanning());
  EXPECT_EQ(screen.labelDualKeyboard().text() + screen.labelAudioPanning().text(), text("YES") + text("NO"));
  // Under the rows: what the registered output got, as it is when the page is drawn.
  platform::NullAudioOutput output(/*paced=*/false);
  platform::setSystemAudioOutput(&output);
  screen.redraw();
  EXPECT_EQ(screen.labelSoundOutput().text(), text("SOUND OUTPUT") + " null output");
  platform::setSystemAudioOutput(nullptr);
}

TEST_P(SettingsLayouts, TestNotesPlayWithTheirSustainTimesAndStopWhenTheFingerLeaves) {
  app().setSustainTimePedal(0.875f);
  app().setSustainTimeNormal(0.375f);
  const Point pedal{80, 390 + s}, normal{120, 390 + s};
  down(1, pedal), advance(0.01);
  const int first = screen.pedalTestVoice();
  ASSERT_GE(first, 0);
  EXPECT_EQ(voice(first).sampleNo, 44);
  EXPECT_FLOAT_EQ(static_cast<float>(voice(first).requiredReleaseDelta), app().sustainTimePedal());
  move(1, {90, 400 + s}), advance(0.01);  // still on the button
  EXPECT_NE(voice(first).phase, VoicePhase::kRelease);
  move(1, normal), advance(0.01);  // slid off onto the other one: it stops, nothing new starts
  EXPECT_EQ(voice(first).phase, VoicePhase::kRelease);
  EXPECT_EQ(screen.normalTestVoice(), -1);
  up(1);
  for (const Point lift : {normal, Point{200, 200 + s}}) {  // lifted on the button, and far away
    down(1, normal), advance(0.01);
    const int v = screen.normalTestVoice();
    EXPECT_FLOAT_EQ(static_cast<float>(voice(v).requiredReleaseDelta), app().sustainTimeNormal());
    up(1, lift), advance(0.01);
    EXPECT_EQ(voice(v).phase, VoicePhase::kRelease);
  }
}

TEST_F(Settings, SlidersSetTheirValuesAndShowThem) {
  down(1, {110, 237});  // normal sustain, the middle of its track
  EXPECT_FLOAT_EQ(app().sustainTimeNormal(), -0.00008f);
  move(1, {110, 134});
  move(1, {110, 400});  // past the zone: the value stays
  EXPECT_FLOAT_EQ(app().sustainTimeNormal(), -0.00016f);
  up(1);
  down(1, {60, 330}), up(1);  // pedal sustain, beyond the end of its track
  EXPECT_EQ(app().sustainTimePedal(), 0.0f);
  EXPECT_EQ(screen.pedalSustain().knob().centre(), (Point{77, 320}));
  app().setSustainTimeNormal(0.25f);
  screen.redraw();
  EXPECT_EQ(screen.normalSustain().knob().centre(), (Point{126, 195}));  // 195.5, in whole points

  screen.changeSettingsScreen(2);
  screen.fingerDown({80, 140});
  EXPECT_EQ(metronome.getMetronomeVolume(), 0.0f);
  screen.fingerMove({114, 400}, {80, 140});  // the zones overlap at x 113..114: the volume's
  EXPECT_EQ(std::pair(metronome.getMetronomeVolume(), metronome.getMetronomeTempo()), std::pair(1.0f, 120));
  screen.fingerDown({140, 158});
  EXPECT_EQ(screen.tempoLabel().text(), "50");
  screen.fingerMove({172.5, 356.5}, {140, 158});
  EXPECT_EQ(metronome.getMetronomeTempo(), 250);
  screen.fingerDown({140, 247.5});  // the knob from (150 - 50) / 200
  EXPECT_EQ(std::pair(metronome.getMetronomeTempo(), screen.tempo().knob().centre()), std::pair(150, Point{147, 247}));
}

TEST_F(Settings, MetronomeButtonsAndTapTempo) {
  screen.changeSettingsScreen(2);
  const Point fewer{200, 190}, more{200, 290}, onOff{200, 90}, tapTime{210, 390};
  for (int i = 0; i < 4; ++i) screen.fingerDown(fewer);
  EXPECT_EQ(screen.beatsPerBarLabel().text(), "1");
  for (int i = 0; i < 6; ++i) screen.fingerDown(more);
  EXPECT_EQ(screen.beatsPerBarLabel().text(), "6");
  screen.fingerDown({200, 59.9});
  screen.fingerDown(onOff);
  EXPECT_TRUE(metronome.metronome() && screen.metronomeLamp().alpha() == 1.0f);
  screen.fingerDown({200, 121.9});
  EXPECT_EQ(screen.metronomeLamp().alpha(), 0.0f);

  metronome.setMetronomeTempo(100);
  auto tapAfter = [&](double seconds) {
    clock.advance(seconds);
    screen.fingerDown(tapTime);
    return metronome.getMetronomeTempo();
  };
  EXPECT_EQ(tapAfter(5.0), 100);  // the first tap only starts the clock
  EXPECT_EQ(std::pair(tapAfter(0.5), screen.tempoLabel().text()), std::pair(120, std::string("120")));
  EXPECT_EQ(tapAfter(0.6), 109);  // 60 / 0.55
  EXPECT_EQ(tapAfter(1.2), 109);  // a pause: a new series, the tempo stays
  EXPECT_EQ(tapAfter(0.2), 250);  // 300, held to the fastest
  EXPECT_EQ(tapAfter(0.9), 109);  // still the same series: 60 / (1.1 / 2)
}

TEST_P(SettingsLayouts, PagesSlideAlongTheScreenWithTheirNamesArrowsAndVolumeControl) {
  const double length = GetParam() ? 568 : 480, centre = length / 2;
  platform::setSystemVolume(0.5f, false);
  down(1, {198, 129 + s});  // the output volume: the quiet end of its track
  move(1, {198, 300 + s});
  up(1, {198, 351 + s});  // the loud end
  EXPECT_FLOAT_EQ(platform::systemVolume(), 1.0f);
  down(1, {290, 160 + s}), up(1);  // page name APP
  advance(0.2);  // half way
  const double halfway = screen.pageImage(0).presentationCentre().y;
  EXPECT_TRUE(halfway > centre - length && halfway < centre) << halfway;
  advance(0.25);
  EXPECT_EQ(screen.pageImage(0).presentationCentre(), (Point{160, centre}));
  EXPECT_EQ(screen.volumeControl().presentationCentre(), (Point{198, centre + length}));
  EXPECT_EQ(screen.leftArrow().presentationAlpha() + screen.rightArrow().presentationAlpha(), 1.0f);
  EXPECT_FLOAT_EQ(screen.navigationLabel(0).presentationAlpha() + screen.navigationLabel(1).presentationAlpha(), 1.4f);
  tap({198, 200});  // the row beneath took the touch
  EXPECT_EQ(std::pair(platform::systemVolume(), app().numKeysToDisplay()), std::pair(1.0f, 9));
}

TEST_F(Settings, MetronomePreviewSoundsOnlyOnItsPageWithTheSwitchOn) {
  for (const int slot : {app().soundPlayer().metronomeHiSampleNo(), app().soundPlayer().metronomeLowSampleNo()}) {
    app().soundPlayer().setSampleData(slot, std::vector<std::int16_t>(200, 10000));
  }
  const Point metroName{290, 300}, onButton{200, 90}, pianoName{290, 240}, back{300, 20}, help{300, 430};
  tap(metroName);
  EXPECT_FALSE(metronome.metronomePlaying());  // the switch is off
  tap(onButton);
  EXPECT_EQ(clicksDuring(1.0), 2);  // 120 beats per minute
  // Every way off the page, or the switch turned off, silences it at once,
  // until the page shows it again.
  for (const Point out : {pianoName, back, help, onButton}) {
    advance(0.25);  // half way between two ticks
    down(1, out), up(1);
    EXPECT_EQ(clicksDuring(1.2), 0) << out.x << ", " << out.y;
    app().showSetup(), settle();
    if (screen.screen() != 2) tap(metroName);
    if (!metronome.metronome()) tap(onButton);
    EXPECT_TRUE(metronome.metronomePlaying());
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SettingsLayouts, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Tall" : "Normal"; });

}  // namespace
}  // namespace piano
