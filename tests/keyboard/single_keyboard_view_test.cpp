// The single keyboard screen: keys fill the screen at every scale on both
// lengths, start-key bounds and scrolling, black keys, the radar, labels, and
// touches the window cancels.
#include "keyboard/single_keyboard_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyboard_app.h"

namespace piano {
namespace {

using test::KeyboardApp;

std::vector<int> blackKeysShown(SingleKeyboardView& view) {
  std::vector<int> shown;
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    if (view.blackKey(j).alpha() > 0.0f) shown.push_back(j);
  }
  return shown;
}

TEST(SingleKeyboardView, KeysFillTheScreenAtEveryScale) {
  for (bool tall : {false, true}) {
    KeyboardApp app({.tall = tall});
    SingleKeyboardView& view = *app.view;
    const double length = tall ? 568 : 480;
    for (int n = 8; n <= 15; ++n) {
      view.setNumKeysToDisplay(n);
      const double s = length / n / 60;
      SCOPED_TRACE(testing::Message() << "tall " << tall << " keys " << n);
      EXPECT_NEAR(view.touchscreen().keySize(), 60 * s, 1e-4);
      for (int i = 0; i < n; ++i) {
        platform::ImageView& key = view.whiteKey(i);
        const platform::Point middle = key.convertPointToView(key.bounds().centre(), &view);
        EXPECT_NEAR(middle.x, 116, 1e-6);
        EXPECT_NEAR(middle.y, s * (30 + 60 * i), 1e-3);
      }
      platform::ImageView& last = view.whiteKey(n - 1);
      EXPECT_NEAR(last.convertPointToView({0, last.bounds().maxY()}, &view).y, length, 1e-3);
      EXPECT_NEAR(view.blackKey(1).convertPointToView(view.blackKey(1).bounds().centre(), &view).x, 168, 1e-6);
    }
    EXPECT_EQ(view.topBar().centre().y, tall ? 284 : 240);
    EXPECT_EQ(view.playButtonLit().centre().y, tall ? 153.5 : 120);
  }
}

TEST(SingleKeyboardView, StartKeyBoundsScrollingAndBlackKeys) {
  KeyboardApp app;
  SingleKeyboardView& view = *app.view;
  view.setStartKey(76);
  view.incKey();
  view.incOctave();
  EXPECT_EQ(view.getStartKey(), 76);
  EXPECT_EQ(blackKeysShown(view), (std::vector<int>{1, 2, 4, 5, 6}));  // not 8, above key 88
  // Fewer start keys fit 15 keys: the start key moves, notes end, keys lift.
  app.recorder.record();
  app.down(1, 50, 90);
  view.setNumKeysToDisplay(15);
  EXPECT_EQ(view.getStartKey(), 64);
  EXPECT_EQ(app.engine().playlistNoForSlot(0), -1);
  EXPECT_EQ(app.recorder.currentTake().size(), 2u);
  EXPECT_EQ(app.whiteShown(1), WhiteKeyPicture::Up);
  view.setStartKey(28);
  EXPECT_EQ(blackKeysShown(view), (std::vector<int>{1, 2, 4, 5, 6, 8, 9, 11, 12, 13, 15}));
  view.setStartKey(3);
  view.decKey();
  EXPECT_EQ(view.getStartKey(), 1);
  EXPECT_EQ(blackKeysShown(view).front(), 1);  // nothing below key 1
  view.decOctave();
  EXPECT_EQ(view.getStartKey(), 1);
  // Stored start keys are white keys of the piano.
  for (const auto& [asked, stored] : std::vector<std::pair<int, int>>{{29, 28}, {500, 88}, {-3, 1}}) {
    view.setStartKey(asked);
    EXPECT_EQ(view.getStartKey(), stored);
  }
  view.setNumKeysToDisplay(0);  // held to one key rather than an infinite scale
  EXPECT_EQ(view.numKeysToDisplay(), 1);
}

TEST(SingleKeyboardView, RadarShowsAndSetsTheWindow) {
  for (bool tall : {false, true}) {
    KeyboardApp app({.tall = tall});
    SingleKeyboardView& view = *app.view;
    EXPECT_EQ(view.radarHighlight().frame(), (platform::Rect{241, 136.0 + (tall ? 62 : 20), 29, 68}));  // C3
    // A press in the middle of the strip centres the window on the finger
    // (B3 or C4 to the F or G above middle C) and plays nothing.
    const double middle = tall ? 284 : 240;
    app.down(1, 250, middle);
    EXPECT_EQ(view.getStartKey(), tall ? 40 : 39);
    EXPECT_LT(std::abs(view.radarHighlight().frame().midY() - middle), 8.5);
    EXPECT_EQ(app.engine().playlistNoForSlot(0), -1);
    app.up(1);
    app.down(1, 250, 0);  // the very top of the strip
    EXPECT_EQ(view.getStartKey(), 1);
    app.move(1, 250, 479);  // far beyond its end: the highest start key allowed
    EXPECT_EQ(view.getStartKey(), 76);
    app.up(1);
    view.setNumKeysToDisplay(15);
    view.radarPress({250, 10000});
    EXPECT_EQ(view.getStartKey(), 64);
    EXPECT_EQ(view.radarHighlight().frame().height, 127);
  }
}

// A bar button looks pressed while a finger holds it, follows the finger
// onto the next button and lets go when it lifts or slides off the bar, or
// when the screen is shown again (its fingers forgotten).
TEST(SingleKeyboardView, ButtonsLookPressedWhileHeld) {
  KeyboardApp app;
  SingleKeyboardView& view = *app.view;
  app.down(1, 300, 60);
  EXPECT_EQ(view.buttonsShownPressed(), std::vector<int>{zone::kKeyDown});
  app.move(1, 300, 360);
  app.down(2, 300, 479);
  EXPECT_EQ(view.buttonsShownPressed(), (std::vector<int>{zone::kSustainPedal, zone::kOctaveUp}));
  app.move(1, 50, 100);
  app.up(2);
  EXPECT_TRUE(view.buttonsShownPressed().empty());
  app.down(3, 300, 20);
  view.showing();
  EXPECT_TRUE(view.buttonsShownPressed().empty());
}

TEST(SingleKeyboardView, LabelModes) {
  KeyboardApp app({.numKeysToDisplay = 15, .displayNoteNames = 2});
  SingleKeyboardView& view = *app.view;
  std::string texts;
  for (int i = 0; i < 15; ++i) texts += view.noteName(i).text();
  EXPECT_EQ(texts, "C3D3E3F3G3A3B3C4D4E4F4G4A4B4C5");
  view.setDisplayNoteNames(3);
  view.redraw();
  EXPECT_EQ(view.noteName(0).backgroundColour(), labelColour(3));
  EXPECT_EQ(view.noteName(7).backgroundColour(), labelColour(4));
  view.setDisplayNoteNames(1);
  view.redraw();
  EXPECT_EQ(view.noteName(0).alpha(), 1.0f);
  EXPECT_EQ(view.noteName(1).alpha(), 0.0f);
  EXPECT_EQ(view.noteName(7).backgroundColour(), platform::Colour::clear());
  view.setDisplayNoteNames(0);
  view.setStartKey(40);
  EXPECT_EQ(view.noteName(0).text(), "C3");  // mode 0 leaves the texts alone
  EXPECT_EQ(view.noteName(0).alpha(), 0.0f);
  // Past key 88 the names go on, and the colours end at black.
  view.setDisplayNoteNames(3);
  view.setNumKeysToDisplay(20);
  view.setStartKey(88);
  EXPECT_EQ(view.noteName(14).text(), "C10");
  EXPECT_EQ(view.noteName(14).backgroundColour(), platform::Colour::black());
}

// When the window loses the fingers (focus lost, window hidden, the mouse
// gone with its button down), each finger's note ends as a lift would end it,
// and the take records the release.
TEST(SingleKeyboardView, CancelledTouchesEndEveryNote) {
  KeyboardApp app;
  app.recorder.record();
  for (int f = 0; f < 5; ++f) app.down(f, 50, 30.0 + 60 * f);
  app.move(2, 150, 250);  // slid onto F#3
  app.render();
  app.view->window()->cancelAllTouches(app.clock.now());
  app.render();
  for (int v = 0; v < kNumVoices; ++v) EXPECT_TRUE(app.released(v)) << v;
  int balance = 0;
  for (const Note& note : app.recorder.currentTake()) balance += note.keyDown ? 1 : -1;
  EXPECT_EQ(app.recorder.currentTake().size(), 12u);
  EXPECT_EQ(balance, 0);
  EXPECT_EQ(app.view->touchscreen().heldSlotCount(), 0);
  EXPECT_EQ(app.whiteShown(0), WhiteKeyPicture::Up);
}

}  // namespace
}  // namespace piano
