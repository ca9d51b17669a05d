// The settings screen's navigation: icons, arrows and page names at the bounds
// of their zones on both screens, the page animation, and the metronome preview
// that only the METRO page with its switch on may sound.
#include <gtest/gtest.h>

#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/volume_view.h"
#include "settings_rig.h"

namespace piano::settings_test {
namespace {

using platform::Point;

class SettingsNavigationTest : public ::testing::TestWithParam<bool> {
 protected:
  SettingsRig rig{GetParam()};
  AppSettingsView& view = *rig.view;
  double s = GetParam() ? 45.0 : 0.0;
};

TEST_P(SettingsNavigationTest, BackAndHelpIconsLeaveForThePianoAndTheManual) {
  const double farEnd = GetParam() ? 502.0 : 420.0;
  view.fingerDown({268, 20});  // on the bound: nothing
  view.fingerDown({300, 47});
  view.fingerDown({300, farEnd});
  EXPECT_EQ(rig.host.pianoShown, 0);
  EXPECT_TRUE(rig.host.manualAskedBy.empty());
  rig.tap({268.5, 46.5});
  EXPECT_EQ(rig.host.pianoShown, 1);
  rig.tap({268.5, farEnd + 0.5});
  ASSERT_EQ(rig.host.manualAskedBy.size(), 1u);
  EXPECT_EQ(rig.host.manualAskedBy[0], &view);
}

TEST_P(SettingsNavigationTest, ArrowsStepThePagesAndStopAtTheEnds) {
  const double rightStart = GetParam() ? 502.0 : 435.0;
  view.fingerDown({106, 20});
  view.fingerDown({228, 20});
  view.fingerDown({150, 51});
  view.fingerDown({150, rightStart});
  EXPECT_EQ(view.screen(), 1);
  rig.tap({106.5, 50.5});
  EXPECT_EQ(view.screen(), 0);
  rig.advance(0.5);
  rig.tap({227.5, 10});  // already the first page: it stays
  EXPECT_EQ(view.screen(), 0);
  EXPECT_EQ(view.pageImage(0).centre().y, view.pageCentreY(0, 0));
  rig.advance(0.5);
  rig.tap({106.5, rightStart + 0.5});
  rig.tap({227.5, rightStart + 30});
  rig.tap({150, rightStart + 30});
  EXPECT_EQ(view.screen(), 2);
}

TEST_P(SettingsNavigationTest, PageNamesSelectTheirPagesBetweenStrictBounds) {
  struct Case {
    double y;
    int page;  // -1: no page name there; the page stays
  };
  for (const Case c : {Case{133, -1}, Case{133.5, 0}, Case{202.5, 0}, Case{203, -1}, Case{203.5, 1},
                       Case{274.5, 1}, Case{275, -1}, Case{275.5, 2}, Case{344.5, 2}, Case{345, -1}}) {
    view.changeSettingsScreen(1);
    view.fingerDown({270.5, c.y + s});
    EXPECT_EQ(view.screen(), c.page < 0 ? 1 : c.page) << "y " << c.y;
  }
  view.changeSettingsScreen(1);
  view.fingerDown({270, 140 + s});  // x on the bound
  EXPECT_EQ(view.screen(), 1);
}

TEST_P(SettingsNavigationTest, PagesSlideAlongTheScreenWithTheirNamesAndArrows) {
  const double length = GetParam() ? 568.0 : 480.0;
  const double centre = length / 2.0;
  EXPECT_EQ(view.pageImage(0).centre(), (Point{160, centre - length}));
  EXPECT_EQ(view.pageImage(2).bounds().size(), (platform::Size{320, length}));

  rig.tap({290, 160 + s});  // page name APP
  ASSERT_EQ(view.screen(), 0);
  rig.advance(0.2);  // halfway: on its way
  const double halfway = view.pageImage(0).presentationCentre().y;
  EXPECT_GT(halfway, centre - length);
  EXPECT_LT(halfway, centre);
  rig.advance(0.25);
  EXPECT_EQ(view.pageImage(0).presentationCentre(), (Point{160, centre}));
  EXPECT_EQ(view.volumeControl().presentationCentre(), (Point{198, centre + length}));
  EXPECT_EQ(view.leftArrow().presentationAlpha(), 0.0f);
  EXPECT_EQ(view.rightArrow().presentationAlpha(), 1.0f);
  EXPECT_EQ(view.navigationLabel(0).presentationAlpha(), 1.0f);
  EXPECT_FLOAT_EQ(view.navigationLabel(1).presentationAlpha(), 0.4f);

  view.changeSettingsScreen(2);
  view.changeSettingsScreen(7);  // no such page: nothing moves
  rig.advance(0.0);
  rig.advance(0.5);
  EXPECT_EQ(view.screen(), 2);
  EXPECT_EQ(view.pageImage(2).presentationCentre(), (Point{160, centre}));
  EXPECT_EQ(view.rightArrow().presentationAlpha(), 0.0f);
  EXPECT_EQ(view.navigationLabel(2).presentationAlpha(), 1.0f);
}

TEST_P(SettingsNavigationTest, MetronomePreviewSoundsOnlyOnItsPageWithTheSwitchOn) {
  Metronome& r = *rig.metronome;
  const Point metroName{290, 300 + s};
  const Point onButton{200, 90 + s};
  rig.tap(metroName);
  EXPECT_FALSE(r.metronomePlaying());  // the switch is off
  rig.tap(onButton);
  EXPECT_TRUE(r.metronome());
  EXPECT_EQ(rig.clicksDuring(1.2), 2);  // 120 beats per minute

  // Every way off the page (or the switch turned off) silences it at once,
  // also the tick that was already due, until the page shows it again.
  const Point pianoName{290, 240 + s}, back{300, 20}, help{300, GetParam() ? 510.0 : 430.0};
  for (const Point out : {pianoName, back, help, onButton}) {
    rig.clicksDuring(0.2);
    rig.tap(out);
    EXPECT_EQ(rig.clicksDuring(1.2), 0);
    EXPECT_FALSE(r.metronomePlaying());
    view.startMetronome();  // as the root view does when it shows the screen
    EXPECT_EQ(r.metronomePlaying(), out.y == back.y || out.y == help.y);
    rig.tap(metroName);
    if (!r.metronome()) rig.tap(onButton);
    EXPECT_TRUE(r.metronomePlaying());
  }
}

TEST_P(SettingsNavigationTest, OutputVolumeControlTravelsWithThePianoPage) {
  platform::setSystemVolume(0.5f, false);
  rig.press({198, 129 + s});  // the quiet end of its track
  rig.moveTo({198, 300 + s});
  rig.release({198, 351 + s});  // the loud end
  EXPECT_FLOAT_EQ(platform::systemVolume(), 1.0f);
  EXPECT_EQ(rig.host.numKeys, 8);
  rig.tap({290, 160 + s});  // APP: the control has left with the PIANO page
  rig.tap({198, 200});
  EXPECT_FLOAT_EQ(platform::systemVolume(), 1.0f);
  EXPECT_EQ(rig.host.numKeys, 9);  // the row beneath took the touch
}

INSTANTIATE_TEST_SUITE_P(Screens, SettingsNavigationTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Tall" : "Normal"; });

}  // namespace
}  // namespace piano::settings_test
