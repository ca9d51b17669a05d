// The single keyboard screen: scale and key placement on both screen lengths,
// start-key bounds, scrolling, the radar, black-key visibility, labels, lamps,
// and presses arriving as real touches through the window.
#include "keyboard/single_keyboard_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyboard_rig.h"
#include "platform/screen.h"

namespace piano {
namespace {

using platform::Point;
using test::ViewRig;

// Where a view's middle lies in the keyboard view's portrait space.
Point middleOnScreen(platform::View& part, platform::View& screen) {
  return part.convertPointToView(part.bounds().centre(), &screen);
}

std::vector<std::string> labelTexts(SingleKeyboardView& view) {
  std::vector<std::string> texts;
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) texts.push_back(view.noteName(i).text());
  return texts;
}

std::vector<int> blackKeysShown(SingleKeyboardView& view) {
  std::vector<int> shown;
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    if (view.blackKey(j).alpha() > 0.0f) shown.push_back(j);
  }
  return shown;
}

class TallScreen {
 public:
  explicit TallScreen(bool tall) : saved_(platform::isTallScreen()) { platform::setTallScreen(tall); }
  ~TallScreen() { platform::setTallScreen(saved_); }

 private:
  bool saved_;
};

TEST(SingleKeyboardView, KeysFillTheScreenLengthAtEveryScale) {
  for (bool tall : {false, true}) {
    TallScreen flag(tall);
    ViewRig rig;
    SingleKeyboardView& view = *rig.view;
    const double length = tall ? 568 : 480;
    for (int n = 8; n <= 15; ++n) {
      view.setNumKeysToDisplay(n);
      const double s = length / n / 60;
      SCOPED_TRACE(testing::Message() << "tall " << tall << " keys " << n);
      EXPECT_NEAR(view.keyboardScaleFactor(), s, 1e-6);
      EXPECT_NEAR(view.touchscreen().keySize(), 60 * s, 1e-4);
      for (int i = 0; i < n; ++i) {
        const Point white = middleOnScreen(view.whiteKey(i), view);
        EXPECT_NEAR(white.x, 116, 1e-6);
        EXPECT_NEAR(white.y, s * (30 + 60 * i), 1e-3);
      }
      const Point black = middleOnScreen(view.blackKey(1), view);
      EXPECT_NEAR(black.x, 168, 1e-6);
      EXPECT_NEAR(black.y, s * 63, 1e-3);
      // The n-th white key ends exactly at the far end of the screen.
      const platform::Rect last = view.whiteKey(n - 1).frame();
      EXPECT_NEAR(view.keyboard().convertPointToView({0, last.maxY()}, &view).y, length, 1e-3);
    }
    EXPECT_NEAR(view.topBar().centre().y, tall ? 284 : 240, 1e-9);
    EXPECT_NEAR(view.playButtonLit().centre().y, tall ? 153.5 : 120, 1e-9);
  }
}

TEST(SingleKeyboardView, StartKeyBoundsAndScrolling) {
  ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  view.setNumKeysToDisplay(8);
  view.setStartKey(76);
  view.incKey();
  view.incOctave();
  EXPECT_EQ(view.getStartKey(), 76);
  EXPECT_EQ(blackKeysShown(view), (std::vector<int>{1, 2, 4, 5, 6}));  // not 8: above key 88

  // A finger holds a note while the window shrinks the start key's range.
  rig.recorder.record();
  rig.screen.down(1, {50, 90});  // D7
  const int voice = view.engine().playlistNoForSlot(0);
  ASSERT_NE(voice, -1);
  view.setNumKeysToDisplay(15);
  EXPECT_EQ(view.getStartKey(), 64);
  EXPECT_EQ(view.engine().playlistNoForSlot(0), -1);
  EXPECT_EQ(rig.recorder.currentTake().size(), 2u);
  EXPECT_EQ(view.whiteKey(1).image(), view.images().whiteKeyImage);

  view.setStartKey(4);
  view.decKey();
  EXPECT_EQ(view.getStartKey(), 3);
  view.decKey();
  EXPECT_EQ(view.getStartKey(), 1);
  EXPECT_EQ(blackKeysShown(view).front(), 1);  // nothing below key 1
  view.decKey();
  view.decOctave();
  EXPECT_EQ(view.getStartKey(), 1);
  view.setStartKey(28);
  view.incKey();
  EXPECT_EQ(view.getStartKey(), 30);
  EXPECT_EQ(view.noteName(0).text(), "D3");
  // Stored start keys are white keys of the piano.
  view.setStartKey(29);
  EXPECT_EQ(view.getStartKey(), 28);
  view.setStartKey(500);
  EXPECT_EQ(view.getStartKey(), 88);
  view.setStartKey(-3);
  EXPECT_EQ(view.getStartKey(), 1);
}

TEST(SingleKeyboardView, BlackKeysFollowTheWindow) {
  ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  view.setNumKeysToDisplay(15);
  view.setStartKey(28);  // C3: hidden on B-C (0, 7, 14) and E-F (3, 10)
  EXPECT_EQ(blackKeysShown(view), (std::vector<int>{1, 2, 4, 5, 6, 8, 9, 11, 12, 13, 15}));
}

TEST(SingleKeyboardView, RadarShowsAndSetsTheWindow) {
  for (bool tall : {false, true}) {
    TallScreen flag(tall);
    ViewRig rig;
    SingleKeyboardView& view = *rig.view;
    view.setNumKeysToDisplay(8);
    view.setStartKey(28);  // 16 white keys below C3
    EXPECT_EQ(view.radarHighlight().frame(), (platform::Rect{241, 136.0 + (tall ? 62 : 20), 29, 68}));
    view.radarPress({250, 0});
    EXPECT_EQ(view.getStartKey(), 1);
    EXPECT_EQ(view.radarHighlight().frame().y, tall ? 62 : 20);
    view.radarPress({250, 10000});
    EXPECT_EQ(view.getStartKey(), 76);
    view.setNumKeysToDisplay(15);
    view.radarPress({250, 10000});
    EXPECT_EQ(view.getStartKey(), 64);
    EXPECT_EQ(view.radarHighlight().frame().height, 127);
  }
}

TEST(SingleKeyboardView, RadarFollowsAFingerAndKeepsItsNote) {
  ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  rig.screen.down(1, {50, 30});  // C3 held
  const int voice = view.engine().playlistNoForSlot(0);
  rig.screen.down(2, {250, 300});
  const int first = view.getStartKey();
  rig.screen.move(2, {250, 340});
  EXPECT_GT(view.getStartKey(), first);
  EXPECT_EQ(view.engine().playlistNoForSlot(0), voice);
  rig.screen.up(2, {250, 340});
  rig.screen.up(1, {50, 30});
  EXPECT_EQ(view.engine().playlistNoForSlot(0), -1);
}

TEST(SingleKeyboardView, LabelModes) {
  ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  view.setNumKeysToDisplay(15);
  view.setStartKey(28);
  view.setDisplayNoteNames(2);
  view.redraw();
  EXPECT_EQ(labelTexts(view), (std::vector<std::string>{"C3", "D3", "E3", "F3", "G3", "A3", "B3", "C4", "D4", "E4",
                                                        "F4", "G4", "A4", "B4", "C5"}));
  for (int i = 0; i < 15; ++i) EXPECT_EQ(view.noteName(i).alpha(), 1.0f);

  view.setDisplayNoteNames(3);
  view.redraw();
  EXPECT_EQ(view.noteName(0).backgroundColour(), labelColour(3));
  EXPECT_EQ(view.noteName(7).backgroundColour(), labelColour(4));
  EXPECT_EQ(view.noteName(14).backgroundColour(), labelColour(5));
  EXPECT_EQ(labelColour(9), platform::Colour::black());

  view.setDisplayNoteNames(1);
  view.redraw();
  EXPECT_EQ(view.noteName(0).alpha(), 1.0f);
  EXPECT_EQ(view.noteName(1).alpha(), 0.0f);
  EXPECT_EQ(view.noteName(7).backgroundColour(), platform::Colour::clear());

  view.setDisplayNoteNames(0);
  view.setStartKey(40);
  EXPECT_EQ(view.noteName(0).text(), "C3");  // texts untouched
  for (int i = 0; i < 15; ++i) EXPECT_EQ(view.noteName(i).alpha(), 0.0f);

  // Far up the piano labels go on past key 88 without running off the colours.
  view.setDisplayNoteNames(3);
  view.setNumKeysToDisplay(20);
  view.setStartKey(88);
  EXPECT_EQ(view.noteName(0).text(), "C8");
  EXPECT_EQ(view.noteName(14).text(), "C10");
  EXPECT_EQ(view.noteName(14).backgroundColour(), platform::Colour::black());
}

TEST(SingleKeyboardView, FingersThroughTheWindowPressKeysAndButtons) {
  ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  view.setDisplayNoteNames(2);
  view.redraw();
  rig.screen.down(1, {50, 90});  // D3 at position 1
  EXPECT_EQ(view.whiteKey(1).image(), view.images().whiteKeyPressedLeftShadowImage);
  EXPECT_EQ(view.noteName(1).transform(), noteNameDownTransform(5));
  EXPECT_TRUE(view.engine().keyboard(0).humanKeys[29]);
  rig.screen.down(2, {150, 60});  // C#3 on boundary 1
  EXPECT_EQ(view.blackKey(1).image(), view.images().blackKeyPressedImage);
  rig.screen.down(3, {300, 160});  // record
  EXPECT_EQ(view.recButtonLit().alpha(), 1.0f);
  rig.screen.down(4, {300, 300});  // soft pedal
  EXPECT_EQ(view.softButtonLit().alpha(), 1.0f);
  rig.screen.up(1, {50, 90});
  EXPECT_EQ(view.whiteKey(1).image(), view.images().whiteKeyImage);
  EXPECT_EQ(view.noteName(1).transform(), noteNameUpTransform());
  // Scroll buttons.
  rig.screen.down(5, {300, 460});
  EXPECT_EQ(view.getStartKey(), 40);
  rig.screen.down(6, {300, 20});
  EXPECT_EQ(view.getStartKey(), 28);
}

// When the window loses the fingers (focus lost, window hidden, the mouse
// gone with its button down) each finger's note ends and its release is
// recorded, as a lift would do.
TEST(SingleKeyboardView, CancelledTouchesEndEveryNote) {
  ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  rig.recorder.record();
  for (int f = 0; f < 5; ++f) rig.screen.down(f, {50, 30.0 + 60 * f});
  rig.screen.move(2, {150, 250});  // slid onto F#3
  rig.render();
  rig.screen.window().cancelAllTouches(rig.screen.time + 0.1);
  rig.render();
  rig.render();
  for (int v = 0; v < kNumVoices; ++v) {
    EXPECT_TRUE(!rig.voice(v).playing || rig.voice(v).phase == kRelease) << v;
  }
  int presses = 0, releases = 0;
  for (const Note& note : rig.recorder.currentTake()) (note.keyDown ? presses : releases)++;
  EXPECT_EQ(presses, 6);
  EXPECT_EQ(releases, 6);
  EXPECT_EQ(view.touchscreen().heldSlotCount(), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(view.whiteKey(i).image(), view.images().whiteKeyImage);
}

TEST(SingleKeyboardView, ShowingForgetsFingersAndRedrawEndsTheFade) {
  ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  rig.screen.down(1, {50, 30});
  rig.screen.down(2, {300, 260});  // settings: fingers' notes end, the screen fades
  EXPECT_EQ(rig.parent.setups, 1);
  EXPECT_TRUE(view.engine().fadingToSettings());
  view.showing();
  view.redraw();
  EXPECT_FALSE(view.engine().fadingToSettings());
  EXPECT_EQ(view.touchscreen().heldSlotCount(), 0);
  rig.screen.up(1, {50, 30});  // forgotten: nothing happens
  rig.screen.down(3, {50, 90});
  EXPECT_NE(view.engine().playlistNoForSlot(0), -1);
}

TEST(SingleKeyboardView, NoKeysCountIsHeldToOne) {
  ViewRig rig;
  rig.view->setNumKeysToDisplay(0);
  EXPECT_EQ(rig.view->numKeysToDisplay(), 1);
  EXPECT_NEAR(rig.view->keyboardScaleFactor(), 8.0, 1e-6);
}

}  // namespace
}  // namespace piano
