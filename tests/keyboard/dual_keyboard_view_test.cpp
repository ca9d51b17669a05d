// The two-keyboard screen driven by fingers through the window: zones and
// borders at their bounds on both screen lengths, where the pictures lie,
// slides from one keyboard to the other, the scroll lock, playback shown on
// both keyboards, full expression, and scrolling each keyboard in its bounds.
#include "keyboard/dual_keyboard_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dual_keyboard_rig.h"
#include "keyboard/key_zones.h"

namespace piano {
namespace {

using platform::Point;
using platform::Rect;
using test::DualViewRig;
using test::TallScreenScope;

constexpr int kSmallTone = 4410;

// What one press did, as text: the keys it holds ("key 0:39" is sample 39 on
// the lower keyboard), the start keys it scrolled ("scroll 1:54"), the lamps
// it toggled, or "nothing".
std::string pressOutcome(DualViewRig& rig, Point at) {
  DualKeyboardView& view = *rig.view;
  const int starts[2] = {view.getStartKey(0), view.getStartKey(1)};
  const bool lock = view.scrollLock(), rec = view.engine().recordLit(), sust = view.engine().sustainPedalPressed();
  const int setups = rig.parent.setups;
  rig.screen.down(7, at);
  std::string outcome;
  auto add = [&outcome](const std::string& part) { outcome += (outcome.empty() ? "" : ", ") + part; };
  for (int kb = 0; kb < 2; ++kb) {
    for (int s = 0; s < kNumPianoKeys; ++s) {
      if (view.engine().keyboard(kb).humanKeys[static_cast<std::size_t>(s)]) {
        add("key " + std::to_string(kb) + ":" + std::to_string(s));
      }
    }
    if (view.getStartKey(kb) != starts[kb]) add("scroll " + std::to_string(kb) + ":" + std::to_string(view.getStartKey(kb)));
  }
  if (view.scrollLock() != lock) add("lock");
  if (view.engine().recordLit() != rec) add("record");
  if (view.engine().sustainPedalPressed() != sust) add("sustain");
  if (rig.parent.setups != setups) add("settings");
  rig.screen.up(7, at);
  // Back to where the next probe starts.
  for (int kb = 0; kb < 2; ++kb) view.setStartKey(kb, starts[kb]);
  if (view.scrollLock() != lock) view.performFingerPressAction({}, true, zone::kScrollLock, 0);
  if (view.engine().recordLit() != rec) view.performFingerPressAction({}, true, zone::kRecord, 0);
  if (view.engine().sustainPedalPressed() != sust) view.performFingerPressAction({}, true, zone::kSustainPedal, 0);
  if (view.engine().fadingToSettings()) {
    view.showing();
    view.redraw();
  }
  return outcome.empty() ? "nothing" : outcome;
}

struct Probe {
  Point at;
  const char* outcome;
};

// Start keys 28 (C3) and 52 (C5): a white position p holds the p-th white key
// above them, black boundary 1 holds C sharp, boundary 0 (B-C) nothing.
TEST(DualKeyboardView, ZonesAndBordersAtTheirBounds) {
  for (bool tall : {false, true}) {
    SCOPED_TRACE(tall ? "tall" : "normal");
    TallScreenScope flag(tall);
    DualViewRig rig(kSmallTone);
    const double end = tall ? 537 : 450;  // the last y of the keys before the high-end border
    const std::vector<Probe> probes = {
        // Low-end border: y below 30, by x.
        {{50, 29.9}, "scroll 0:27"},   {{69.9, 10}, "scroll 0:27"},  {{70, 10}, "scroll 0:16"},
        {{135.9, 10}, "scroll 0:16"},  {{136, 10}, "scroll 1:51"},   {{199.9, 10}, "scroll 1:51"},
        {{200, 10}, "scroll 1:40"},    {{269.9, 10}, "scroll 1:40"}, {{270, 10}, "nothing"},
        {{272.9, 29}, "nothing"},
        // High-end border: y above `end`.
        {{50, end + 0.5}, "scroll 0:30"}, {{70, end + 5}, "scroll 0:40"}, {{136, end + 5}, "scroll 1:54"},
        {{200, end + 5}, "scroll 1:64"},  {{270, end + 5}, "nothing"},
        // The keys between the borders: lower white row below x 58, black row
        // to x 130, then the upper keyboard's white row to 194 and black row.
        {{50, 30}, "key 0:27"},        {{50, end}, "key 0:39"},
        {{57.9, 100}, "key 0:29"},     {{58, 100}, "key 0:28"},      {{129.9, 100}, "key 0:28"},
        {{130, 100}, "key 1:53"},      {{193.9, 100}, "key 1:53"},   {{194, 100}, "key 1:52"},
        {{273, 100}, "key 1:52"},      {{100, 31}, "nothing"},       {{250, 31}, "nothing"},
        // The bar above x 273: the scroll lock at both ends.
        {{273.1, 20}, "lock"},
        {{280, tall ? 123.9 : 90.9}, "lock"},
        {{280, tall ? 190.0 : 160.0}, "record"},
        {{280, tall ? 445.9 : 388.9}, "sustain"},
        {{280, tall ? 446.0 : 389.0}, "lock"},
        {{280, tall ? 567.0 : 479.0}, "lock"},
        {{280, tall ? 300.0 : 250.0}, "settings"},
    };
    for (const Probe& probe : probes) {
      EXPECT_EQ(pressOutcome(rig, probe.at), probe.outcome) << "at (" << probe.at.x << ", " << probe.at.y << ")";
    }
  }
}

// Where a point of a part lies in the screen's portrait space.
Point onScreen(platform::View& part, Point point, DualKeyboardView& view) {
  return part.convertPointToView(point, &view);
}

TEST(DualKeyboardView, KeysLieBetweenTheBordersUnderTheirZones) {
  for (bool tall : {false, true}) {
    TallScreenScope flag(tall);
    DualViewRig rig(kSmallTone);
    DualKeyboardView& view = *rig.view;
    const double length = tall ? 568 : 480;
    for (int n = 8; n <= 15; ++n) {
      SCOPED_TRACE(testing::Message() << (tall ? "tall" : "normal") << ", keys " << n);
      view.setNumKeysToDisplay(n);
      const double s = (length - 58) / n / 60;
      EXPECT_NEAR(view.keyboardScaleFactor(), s, 1e-6);
      EXPECT_NEAR(view.touchscreen().keySize(), 60 * s, 1e-4);
      for (int kb = 0; kb < 2; ++kb) {
        // White keys from y = 30 to 28 points before the end, n of them.
        const Rect first = view.whiteKey(kb, 0).frame();
        const Rect last = view.whiteKey(kb, n - 1).frame();
        EXPECT_NEAR(onScreen(view.keyboardView(kb), {first.x, first.y}, view).y, 30, 1e-3);
        EXPECT_NEAR(onScreen(view.keyboardView(kb), {last.x, last.maxY()}, view).y, length - 28, 1e-3);
        // Across the keys, each keyboard's pictures lie in its own zones: the
        // white keys within the keyboard, the black keys starting where the
        // black-key row of the touch layer starts.
        const double near = onScreen(view.keyboardView(kb), {first.x, first.y}, view).x;
        const double far = onScreen(view.keyboardView(kb), {first.maxX(), first.y}, view).x;
        EXPECT_GE(near, kb == 0 ? 0 : 130);
        EXPECT_LE(far, kb == 0 ? 130 : 273);
        const Rect black = view.blackKey(kb, 1).frame();
        const Point blackNear = onScreen(view.keyboardView(kb), {black.x, black.y}, view);
        EXPECT_NEAR(blackNear.x, kb == 0 ? 58 : 194, 2.5);
        // Its body (31 of its 36 points) astride the first boundary.
        const double bodyMiddle = onScreen(view.keyboardView(kb), {black.x, black.y + 15.5}, view).y;
        EXPECT_NEAR(bodyMiddle, 30 + 60 * s, 2 * s);
      }
    }
    if (!tall) {  // 8 keys on the normal screen: about 52.75 points each
      view.setNumKeysToDisplay(8);
      EXPECT_NEAR(view.keyboardScaleFactor(), 0.879, 1e-3);
    }
    // The high end shows the low end's border mirrored, over its zones.
    EXPECT_EQ(view.rightBorder().transform(), platform::AffineTransform::scale(1, -1));
    EXPECT_LE(view.rightBorder().frame().y, tall ? 538 : 451);
    // The touch layer lies over everything.
    EXPECT_EQ(view.subviews().back().get(), &view.touchscreen());
  }
}

// A finger is on one keyboard at a time: crossing x = 130 ends the lower
// note (a recorded release) before the upper one starts, in the same slot.
TEST(DualKeyboardView, AFingerSlidingOntoTheUpperKeyboardMovesItsNote) {
  DualViewRig rig;
  DualKeyboardView& view = *rig.view;
  rig.recorder.record();
  rig.screen.down(1, {50, 100});  // D3 on the lower keyboard
  const int lowerVoice = view.engine().playlistNoForSlot(0);
  ASSERT_NE(lowerVoice, -1);
  rig.render();
  rig.screen.move(1, {100, 100});  // C sharp 3, still the lower keyboard
  rig.screen.move(1, {129, 100});  // within the same key: nothing happens
  const int blackVoice = view.engine().playlistNoForSlot(0);
  rig.screen.move(1, {131, 100});  // D5 on the upper keyboard
  const int upperVoice = view.engine().playlistNoForSlot(0);
  ASSERT_NE(upperVoice, -1);
  EXPECT_NE(upperVoice, blackVoice);
  rig.render();
  rig.render();  // a stop takes effect once the voice has been mixed
  EXPECT_EQ(rig.voice(upperVoice).sampleNo, 53);
  EXPECT_EQ(rig.voice(blackVoice).phase, VoicePhase::kRelease);

  std::vector<std::pair<int, bool>> take;
  for (const Note& note : rig.recorder.currentTake()) take.emplace_back(note.sampleNo, note.keyDown);
  EXPECT_EQ(take, (std::vector<std::pair<int, bool>>{{29, true}, {29, false}, {28, true}, {28, false}, {53, true}}));

  EXPECT_FALSE(view.engine().keyboard(0).humanKeys[28]);
  EXPECT_TRUE(view.engine().keyboard(1).humanKeys[53]);
  EXPECT_EQ(view.blackKey(0, 1).image(), view.images().blackKeyImage);
  EXPECT_EQ(view.whiteKey(1, 1).image(), view.images().whiteKeyPressedLeftShadowImage);
  EXPECT_EQ(view.noteName(1, 1).transform(), noteNameDownTransform(10));

  rig.screen.up(1, {131, 100});
  rig.render();
  EXPECT_EQ(view.engine().playlistNoForSlot(0), -1);
  EXPECT_EQ(rig.voice(upperVoice).phase, VoicePhase::kRelease);
  EXPECT_EQ(view.whiteKey(1, 1).image(), view.images().whiteKeyImage);
  EXPECT_EQ(rig.recorder.currentTake().size(), 6u);
}

TEST(DualKeyboardView, ScrollLockDisablesAndHidesTheBorders) {
  for (bool tall : {false, true}) {
    TallScreenScope flag(tall);
    DualViewRig rig(kSmallTone);
    DualKeyboardView& view = *rig.view;
    const double high = tall ? 550 : 460;
    auto bordersShown = [&view] { return view.leftBorder().alpha() == 1.0f && view.rightBorder().alpha() == 1.0f; };
    auto lampsLit = [&view] {
      return view.scrollLockLeftButtonLit().alpha() == 1.0f && view.scrollLockRightButtonLit().alpha() == 1.0f;
    };
    EXPECT_TRUE(bordersShown());
    EXPECT_FALSE(lampsLit());

    rig.screen.down(1, {300, 20});  // the low end of the bar, shown pressed there only
    EXPECT_EQ(view.buttonsShownPressed(), std::vector<int>{zone::kScrollLock});
    rig.screen.up(1, {300, 20});
    EXPECT_TRUE(view.scrollLock());
    EXPECT_TRUE(lampsLit());
    EXPECT_EQ(view.leftBorder().alpha(), 0.0f);
    EXPECT_EQ(view.rightBorder().alpha(), 0.0f);
    EXPECT_EQ(view.leftBorderBack().alpha(), 1.0f);  // the ends stay black
    for (double x : {10.0, 100.0, 160.0, 230.0}) {
      for (double y : {10.0, high}) {
        rig.screen.down(2, {x, y});
        EXPECT_EQ(view.engine().playlistNoForSlot(0), -1);
        EXPECT_TRUE(view.buttonsShownPressed().empty());  // no button there to press
        rig.screen.up(2, {x, y});
      }
    }
    EXPECT_EQ(view.getStartKey(0), 28);
    EXPECT_EQ(view.getStartKey(1), 52);
    // A redraw (the screen shown again) keeps the lock.
    view.redraw();
    EXPECT_TRUE(lampsLit());

    rig.screen.down(3, {300, high});  // the other end turns it off
    rig.screen.up(3, {300, high});
    EXPECT_FALSE(view.scrollLock());
    EXPECT_TRUE(bordersShown());
    EXPECT_FALSE(lampsLit());
    rig.screen.down(4, {100, high});
    EXPECT_EQ(view.getStartKey(0), 40);
    EXPECT_EQ(view.buttonsShownPressed(), std::vector<int>{zone::kOctaveUp});
    // Sliding onto the bar presses its button; lifting there does nothing.
    rig.screen.move(4, {300, high});
    EXPECT_EQ(view.buttonsShownPressed(), std::vector<int>{zone::kScrollLock});
    rig.screen.up(4, {300, high});
    EXPECT_TRUE(view.scrollLock());
    EXPECT_TRUE(view.buttonsShownPressed().empty());
  }
}

TEST(DualKeyboardView, PlaybackKeysShowOnEveryKeyboardThatDisplaysThem) {
  DualViewRig rig(kSmallTone);
  DualKeyboardView& view = *rig.view;
  view.setStartKey(1, 40);  // C4..C5 above C3..C4: C4 and C sharp 4 on both
  const auto& images = view.images();

  view.mechanicalKeyPressDownForTrigger(39);  // C4
  EXPECT_EQ(view.whiteKey(0, 7).image(), images.whiteKeyPressedLeftShadowImage);
  EXPECT_EQ(view.whiteKey(1, 0).image(), images.whiteKeyPressedImage);
  view.mechanicalKeyPressDownForTrigger(40);  // C sharp 4
  EXPECT_EQ(view.blackKey(0, 8).image(), images.blackKeyPressedImage);
  EXPECT_EQ(view.blackKey(1, 1).image(), images.blackKeyPressedImage);
  view.mechanicalKeyPressDownForTrigger(27);  // C3: the lower keyboard only
  EXPECT_EQ(view.whiteKey(0, 0).image(), images.whiteKeyPressedImage);
  for (int p = 1; p < keys::kNumWhiteKeyViews; ++p) EXPECT_EQ(view.whiteKey(1, p).image(), images.whiteKeyImage) << p;
  for (int kb = 0; kb < 2; ++kb) {
    EXPECT_TRUE(view.engine().keyboard(kb).mechanicalKeys[39]);
    EXPECT_TRUE(view.engine().keyboard(kb).mechanicalKeys[27]);
  }

  // A finger holds C4 on the upper keyboard: playback's release leaves it
  // down there and raises it below.
  rig.screen.down(1, {150, 60});
  view.mechanicalKeyPressUpForTrigger(39);
  EXPECT_EQ(view.whiteKey(0, 7).image(), images.whiteKeyImage);
  EXPECT_NE(view.whiteKey(1, 0).image(), images.whiteKeyImage);
  rig.screen.up(1, {150, 60});
  EXPECT_EQ(view.whiteKey(1, 0).image(), images.whiteKeyImage);
  view.mechanicalKeyPressUpForTrigger(40);
  EXPECT_EQ(view.blackKey(0, 8).image(), images.blackKeyImage);
  EXPECT_EQ(view.blackKey(1, 1).image(), images.blackKeyImage);

  // The end of playback lifts everything on both keyboards.
  view.mechanicalKeyPressDownForTrigger(45);
  view.playbackEnded();
  for (int kb = 0; kb < 2; ++kb) {
    for (int p = 0; p < keys::kNumWhiteKeyViews; ++p) EXPECT_EQ(view.whiteKey(kb, p).image(), images.whiteKeyImage);
    EXPECT_FALSE(view.engine().keyboard(kb).mechanicalKeys[45]);
  }
}

// The finger's position never shapes a note here; the expression setting
// still picks its full-expression branch and the pedals act as always.
TEST(DualKeyboardView, FullExpressionWithTheSettingsStillApplied) {
  DualViewRig rig(kSmallTone);
  DualKeyboardView& view = *rig.view;
  view.setSustainTimeNormal(-0.0001f);
  view.setSustainTimePedal(-0.000001f);
  rig.recorder.record();
  struct Case {
    int function;
    bool soft, sustain;
    float volume, attack, release;
  };
  const Case cases[] = {
      {1, false, false, 1.0f, 1.0f, -0.0001f},    {2, false, false, 1.0f, 1.0f, -0.0001f},
      {3, false, false, 1.0f, 1.0f, -0.0001f},    {0, false, false, 1.0f, 1.0f, -0.0001f},
      {1, true, false, 0.6f, 0.0008f, -0.0001f},  {3, false, true, 1.0f, 1.0f, -0.000001f},
  };
  // Far and near ends of both rows of both keyboards.
  const Point points[] = {{1, 100}, {57, 100}, {60, 100}, {128, 100}, {131, 100}, {193, 100}, {196, 100}, {272, 100}};
  for (const Case& c : cases) {
    view.setExpressionFunction(c.function);
    view.setSoftPedalPressed(c.soft);
    view.setSustainPedalPressed(c.sustain);
    for (const Point& at : points) {
      SCOPED_TRACE(testing::Message() << "function " << c.function << " at x " << at.x);
      rig.screen.down(1, at);
      rig.screen.up(1, at);
      rig.render();  // frees the voice
      const std::vector<Note>& take = rig.recorder.currentTake();
      ASSERT_GE(take.size(), 2u);
      const Note& press = take[take.size() - 2];
      ASSERT_TRUE(press.keyDown);
      EXPECT_FLOAT_EQ(press.volume, c.volume);
      EXPECT_FLOAT_EQ(press.attackDelta, c.attack);
      EXPECT_FLOAT_EQ(press.releaseDelta, c.release);
    }
  }
}

TEST(DualKeyboardView, BorderButtonsScrollEachKeyboardWithinItsBounds) {
  DualViewRig rig(kSmallTone);
  DualKeyboardView& view = *rig.view;
  view.setDisplayNoteNames(2);
  view.redraw();
  auto tap = [&rig](Point at) {
    rig.screen.down(1, at);
    rig.screen.up(1, at);
  };
  const Point upperOctaveUp{230, 460}, upperKeyUp{160, 460}, lowerOctaveDown{100, 10}, lowerKeyDown{30, 10};

  for (int i = 0; i < 4; ++i) tap(upperOctaveUp);
  EXPECT_EQ(view.getStartKey(1), 76);  // C5 up to C7 with 8 keys at most
  tap(upperKeyUp);
  EXPECT_EQ(view.getStartKey(1), 76);
  EXPECT_EQ(view.getStartKey(0), 28);
  EXPECT_EQ(view.noteName(1, 0).text(), "C7");
  EXPECT_EQ(view.noteName(0, 0).text(), "C3");
  EXPECT_EQ(view.blackKey(1, 8).alpha(), 0.0f);  // nothing above key 88
  EXPECT_EQ(view.blackKey(0, 8).alpha(), 1.0f);

  tap(lowerOctaveDown);
  tap(lowerOctaveDown);
  EXPECT_EQ(view.getStartKey(0), 4);
  tap(lowerKeyDown);
  EXPECT_EQ(view.getStartKey(0), 3);
  tap(lowerKeyDown);
  EXPECT_EQ(view.getStartKey(0), 1);
  tap(lowerKeyDown);
  tap(lowerOctaveDown);
  EXPECT_EQ(view.getStartKey(0), 1);
  EXPECT_EQ(view.blackKey(0, 0).alpha(), 0.0f);  // nothing below key 1
  EXPECT_EQ(view.noteName(0, 0).text(), "A0");

  // Fewer keys' worth of room at the top: the upper keyboard comes down; a
  // finger's note ends and its key rises.
  rig.recorder.record();
  rig.screen.down(2, {30, 100});
  ASSERT_NE(view.engine().playlistNoForSlot(0), -1);
  view.setNumKeysToDisplay(15);
  EXPECT_EQ(view.getStartKey(1), 64);
  EXPECT_EQ(view.getStartKey(0), 1);
  EXPECT_EQ(view.noteName(1, 0).text(), "C6");
  EXPECT_EQ(view.engine().playlistNoForSlot(0), -1);
  EXPECT_EQ(rig.recorder.currentTake().size(), 2u);
  EXPECT_EQ(view.whiteKey(0, 1).image(), view.images().whiteKeyImage);
  rig.screen.up(2, {30, 100});

  // A finger held while its keyboard scrolls keeps sounding until it lifts.
  view.setStartKey(1, 52);
  rig.screen.down(3, {160, 100});
  const int voice = view.engine().playlistNoForSlot(0);
  ASSERT_NE(voice, -1);
  tap({160, 10});  // upper key down, second finger
  EXPECT_EQ(view.getStartKey(1), 51);
  EXPECT_EQ(view.engine().playlistNoForSlot(0), voice);
  rig.screen.up(3, {160, 100});
  EXPECT_EQ(view.engine().playlistNoForSlot(0), -1);
}

TEST(DualKeyboardView, StartKeysAreWhiteKeysOfThePiano) {
  DualViewRig rig(kSmallTone);
  DualKeyboardView& view = *rig.view;
  view.setStartKey(0, 29);  // C sharp 3
  EXPECT_EQ(view.getStartKey(0), 28);
  view.setStartKey(1, 500);
  EXPECT_EQ(view.getStartKey(1), 88);
  view.setStartKey(1, -3);
  EXPECT_EQ(view.getStartKey(1), 1);
  view.setStartKey(2, 40);  // no such keyboard
  view.setStartKey(-1, 40);
  EXPECT_EQ(view.getStartKey(0), 28);
  EXPECT_EQ(view.getStartKey(1), 1);
  // Stored past the window's limit (the count may come later), then bounded.
  view.setStartKey(1, 88);
  rig.screen.down(1, {160, 100});  // past key 88: no key
  EXPECT_EQ(view.engine().playlistNoForSlot(0), -1);
  rig.screen.up(1, {160, 100});
  view.setNumKeysToDisplay(10);
  EXPECT_EQ(view.getStartKey(1), 73);
  EXPECT_EQ(view.getStartKey(0), 28);
}

}  // namespace
}  // namespace piano
