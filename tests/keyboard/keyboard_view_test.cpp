// The keyboard screens of the running application, one keyboard and two, played by fingers on the window:
// zones at their bounds, keys under their zones, expression and pedals, slides, pictures after finger and
// playback presses, scrolling, the radar, the scroll lock, held buttons and labels.
#include "keyboard/keyboard_view.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "audio/sound_player.h"
#include "keyboard/key_zones.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"

namespace piano {
namespace {

using platform::Point;
using W = WhiteKeyPicture;
using B = BlackKeyPicture;

// Start keys C3 (and C5 above), 8 keys. One keyboard: white key i spans y 60i..60(i + 1) below x 112,
// black boundary j is centred on y 60j above it, the radar lies above x 236 and the bar above x 273.
struct Piano : test::AppRig {
  explicit Piano(bool dual = false, Options options = {}) : AppRig(options) {
    app().setDualKeyboard(dual);
    app().showPiano();
    settle();
  }
  KeyboardView& view() { return app().activeKeyboardView(); }
  KeyPressEngine& engine() { return view().engine(); }
  NoteRecorder& recorder() { return app().noteRecorder(); }
  void press(Point at) { down(9, at), up(9); }
  W white(int position, int kb = 0) {
    for (W w : {W::Up, W::Down}) if (view().whiteKey(kb, position).image() == view().images().white(w)) return w;
    return W::DownLeftShadow;
  }
  B black(int boundary, int kb = 0) {
    return view().blackKey(kb, boundary).image() == view().images().black(B::Up) ? B::Up : B::Down;
  }
  std::vector<std::pair<int, bool>> take() {
    std::vector<std::pair<int, bool>> notes;
    for (const Note& note : recorder().currentTake()) notes.emplace_back(note.sampleNo, note.keyDown);
    return notes;
  }
};

// What a press at `at` did, undone after: the keys it holds ("0:27" is sample
// 27 on board 0), the boards it scrolled, the switches it toggled.
std::string pressAt(Piano& p, Point at) {
  KeyboardView& v = p.view();
  const int starts[2] = {v.getStartKey(0), v.getStartKey(1)};
  auto switches = [&] {
    return std::vector<bool>{v.scrollLock(), v.engine().recordLit(), p.app().keyboardSettings().sustainPedalPressed};
  };
  const std::vector<bool> before = switches();
  p.down(7, at);
  std::string out;
  for (int kb = 0; kb < v.numKeyboards(); ++kb) {
    const std::string board = std::to_string(kb) + ":";
    for (int s = 0; s < kNumPianoKeys; ++s) {
      if (v.engine().keyboard(kb).humanKeys[static_cast<std::size_t>(s)]) out += " " + board + std::to_string(s);
    }
    if (v.getStartKey(kb) != starts[kb]) out += " scroll " + board + std::to_string(v.getStartKey(kb));
  }
  const std::vector<bool> after = switches();
  const char* names[] = {" lock", " record", " sustain"};
  for (std::size_t i = 0; i < after.size(); ++i) out += after[i] != before[i] ? names[i] : "";
  p.up(7);
  if (after != before) p.press(at);  // toggled back
  for (int kb = 0; kb < 2; ++kb) v.setStartKey(kb, starts[kb]);
  return out.empty() ? "nothing" : out.substr(1);
}

TEST(KeyboardView, EachKindOfZoneAtItsBounds) {
  using Probes = std::vector<std::pair<Point, const char*>>;
  const Probes one = {{{50, 59.9}, "0:27"},          {{50, 60}, "0:29"},           {{111.9, 100}, "0:29"},
                      {{112, 100}, "0:30"},          {{150, 180}, "nothing"},      {{236, 100}, "0:30"},
                      {{236.1, 100}, "scroll 0:8"},  {{273, 20}, "scroll 0:1"},   {{273.1, 20}, "scroll 0:16"},
                      {{300, 90.9}, "scroll 0:27"},  {{300, 91}, "nothing"},      {{300, 147}, "record"},
                      {{300, 360}, "sustain"},       {{300, 479}, "scroll 0:40"}};
  // Two keyboards: keys from y 30 to 450, 52.75 points each; the lower white
  // row below x 58, its black row to 130, then the upper keyboard's rows.
  const Probes two = {{{50, 29.9}, "scroll 0:27"},   {{50, 30}, "0:27"},           {{69.9, 10}, "scroll 0:27"},
                      {{70, 10}, "scroll 0:16"},     {{135.9, 10}, "scroll 0:16"}, {{136, 10}, "scroll 1:51"},
                      {{200, 10}, "scroll 1:40"},    {{270, 10}, "nothing"},       {{50, 450}, "0:39"},
                      {{50, 450.5}, "scroll 0:30"},  {{57.9, 100}, "0:29"},        {{58, 100}, "0:28"},
                      {{129.9, 100}, "0:28"},        {{130, 100}, "1:53"},         {{193.9, 100}, "1:53"},
                      {{194, 100}, "1:52"},          {{273, 100}, "1:52"},         {{273.1, 20}, "lock"},
                      {{300, 479}, "lock"},          {{300, 160}, "record"}};
  for (const bool dual : {false, true}) {
    Piano p(dual);
    for (const auto& [at, outcome] : dual ? two : one) {
      EXPECT_EQ(pressAt(p, at), outcome) << (dual ? "two" : "one") << " at " << at.x << ", " << at.y;
    }
  }
}

// n white keys from the keys' low end to their high end, black keys where
// the black-key row begins, each keyboard within its own zones.
TEST(KeyboardView, KeysLieUnderTheirZonesAtEveryScale) {
  for (const bool tall : {false, true}) {
    for (const bool dual : {false, true}) {
      Piano p(dual, {.tall = tall});
      KeyboardView& view = p.view();
      const double length = tall ? 568 : 480, low = dual ? 30 : 0, high = dual ? length - 28 : length;
      EXPECT_EQ(std::pair(view.border(true) != nullptr, view.radarHighlight() != nullptr), std::pair(dual, !dual));
      for (int n = 8; n <= 15; n += 7) {
        p.app().setNumKeysToDisplay(n);
        const double s = (high - low) / n / 60;
        SCOPED_TRACE(testing::Message() << "tall " << tall << " dual " << dual << " keys " << n);
        EXPECT_NEAR(view.touchscreen().keySize(), 60 * s, 1e-4);
        for (int kb = 0; kb < view.numKeyboards(); ++kb) {
          auto onScreen = [&](Point at) { return view.keyboardView(kb).convertPointToView(at, &view); };
          const platform::Rect first = view.whiteKey(kb, 0).frame(), last = view.whiteKey(kb, n - 1).frame();
          EXPECT_NEAR(onScreen({first.x, first.y}).y, low, 1e-3);
          EXPECT_NEAR(onScreen({last.x, last.maxY()}).y, high, 1e-3);
          EXPECT_LE(onScreen({first.maxX(), first.y}).x, dual && kb == 0 ? 130 : 273);
          const platform::Rect black = view.blackKey(kb, 1).frame();
          const Point body = onScreen({black.x, black.y + 15.5});
          EXPECT_NEAR(body.x, dual ? (kb == 0 ? 58 : 194) : 112, 6.5);
          EXPECT_NEAR(body.y, low + 60 * s, 2 * s);
        }
      }
    }
  }
}

// The recorded press carries what the voice was given.
TEST(KeyboardView, ExpressionAndPedalsShapeEachNote) {
  const float normal = -0.00008f, pedal = static_cast<float>(KeyboardSettings{}.sustainTimePedal);
  struct Case {
    bool dual, soft, sustain;
    int function;
    double x;
    float volume, attack, release;
  };
  const Case cases[] = {
      {0, 0, 0, 1, 1, 1, 1, normal},        {0, 0, 0, 1, 84, 0.5f, 1, normal},   {0, 0, 0, 1, 111, 0.2589f, 1, normal},
      {0, 0, 0, 1, 200, 0.5f, 1, normal},   {0, 0, 0, 0, 84, 1, 1, normal},      {0, 0, 0, 2, 84, 1, 1, pedal},
      {0, 0, 0, 2, 10, 1, 1, normal},       {0, 0, 0, 3, 84, 0.6f, 8e-4f, normal}, {0, 0, 0, 3, 10, 1, 1, normal},
      {0, 1, 0, 3, 10, 0.6f, 8e-4f, normal}, {0, 0, 1, 1, 1, 1, 1, pedal},         {0, 1, 1, 2, 10, 0.6f, 8e-4f, pedal},
      // Two keyboards play at full expression wherever the finger lies.
      {1, 0, 0, 1, 57, 1, 1, normal},       {1, 0, 0, 3, 200, 1, 1, normal},     {1, 1, 1, 2, 272, 0.6f, 8e-4f, pedal}};
  for (const bool dual : {false, true}) {
    Piano p(dual);
    p.recorder().record();
    for (const Case& c : cases) {
      if (c.dual != dual) continue;
      SCOPED_TRACE(testing::Message() << "function " << c.function << " x " << c.x << " dual " << dual);
      p.app().setExpressionFunction(c.function);
      if (p.app().keyboardSettings().softPedalPressed != c.soft) p.press({300, 315});
      if (p.app().keyboardSettings().sustainPedalPressed != c.sustain) p.press({300, 360});
      p.down(1, {c.x, 90});
      p.up(1);
      const Note& struck = p.recorder().currentTake().end()[-2];
      ASSERT_TRUE(struck.keyDown);
      EXPECT_NEAR(struck.volume, c.volume, 1e-4);
      EXPECT_EQ(std::pair(struck.attackDelta, struck.releaseDelta), std::pair(c.attack, c.release));
    }
  }
}

TEST(KeyboardView, SlidesBetweenKeysButtonsAndKeyboards) {
  Piano one;
  one.recorder().record();
  one.down(0, {50, 30});  // C3, D3, E3: each note ends before the next, in one slot
  one.move(0, {50, 90});
  one.move(0, {50, 150});
  one.up(0);
  EXPECT_EQ(one.take(), (std::vector<std::pair<int, bool>>{{27, true}, {27, false}, {29, true}, {29, false},
                                                           {31, true}, {31, false}}));
  one.press({300, 170}), one.advance(0.05);  // the take ends: a song to play
  one.down(0, {150, 60});  // from a key onto the play button and back onto a key
  one.move(0, {300, 120});
  EXPECT_TRUE(one.engine().playLit());
  EXPECT_EQ(one.engine().playlistNoForSlot(0), -1);
  one.press({300, 170});  // record while the song plays stops it
  EXPECT_FALSE(one.engine().playLit() || one.engine().recordLit());
  one.move(0, {50, 210});
  EXPECT_TRUE(one.engine().keyboard(0).humanKeys[32]);  // F3
  one.press({300, 260});  // the settings: every finger's note ends
  EXPECT_EQ(one.engine().playlistNoForSlot(0), -1);

  Piano two(true);  // crossing x 130 ends the lower keyboard's note before the upper one's
  two.recorder().record();
  two.down(1, {50, 100});   // D3
  two.move(1, {100, 100});  // C sharp 3
  two.move(1, {129, 100});  // the same key: nothing
  two.move(1, {131, 100});  // D5
  EXPECT_EQ(two.take(), (std::vector<std::pair<int, bool>>{{29, true}, {29, false}, {28, true}, {28, false},
                                                           {53, true}}));
  EXPECT_EQ(std::pair(two.black(1, 0), two.white(1, 1)), std::pair(B::Up, W::DownLeftShadow));
  EXPECT_EQ(two.view().noteName(1, 1).transform(), noteNameDownTransform(10));
}

TEST(KeyboardView, PicturesFollowFingersAndPlaybackAndKeylessZonesPlayNothing) {
  Piano p;
  MainView& app = p.app();
  p.down(0, {50, 210});  // F3 shows the shadow of the raised E3
  EXPECT_TRUE(p.white(3) == W::DownLeftShadow && p.view().noteName(0, 3).transform() == noteNameDownTransform(5));
  p.down(1, {50, 270});  // G3
  p.down(2, {50, 150});  // E3
  EXPECT_EQ(std::vector({p.white(2), p.white(3), p.white(4)}), std::vector({W::DownLeftShadow, W::Down, W::Down}));
  p.up(2);
  EXPECT_EQ(std::pair(p.white(2), p.white(3)), std::pair(W::Up, W::DownLeftShadow));
  app.mechanicalKeyPressDownForTrigger(36);  // playback's A3 beside the held G3
  EXPECT_EQ(p.white(5), W::Down);
  p.up(1);
  EXPECT_EQ(p.white(5), W::DownLeftShadow);
  app.mechanicalKeyPressDownForTrigger(32), app.mechanicalKeyPressUpForTrigger(32);  // F3, held by finger 0
  EXPECT_EQ(p.white(3), W::DownLeftShadow);  // down until the finger lets go too
  p.up(0);
  EXPECT_EQ(p.white(3), W::Up);
  app.mechanicalKeyPressDownForTrigger(28);  // C sharp 3
  p.press({150, 60});
  EXPECT_EQ(p.black(1), B::Down);
  app.mechanicalKeyPressUpForTrigger(28);
  EXPECT_EQ(p.black(1), B::Up);
  for (int s : {-1, 88, 1 << 30}) app.mechanicalKeyPressDownForTrigger(s);  // ignored
  app.soundPlayer().setSampleData(27, {});
  p.down(0, {50, 30});  // C3 has no sample: no voice, yet the key shows down
  EXPECT_EQ(std::pair(p.engine().playlistNoForSlot(0), p.white(0)), std::pair(-1, W::Down));
  ASSERT_TRUE(app.soundPlayer().loadArrivedSample(27, PIANO_SAMPLE_DIR "/28.mav"));  // arrives while held
  p.up(0);
  EXPECT_EQ(std::pair(p.engine().playlistNoForSlot(0), p.white(0)), std::pair(-1, W::Up));
  p.down(0, {50, 30});  // and plays from the next touch
  EXPECT_GE(p.engine().playlistNoForSlot(0), 0);
  p.up(0);

  Piano two(true);  // playback shows wherever a keyboard displays the key
  two.view().setStartKey(1, 40);  // C4..C5 above C3..C4
  two.app().mechanicalKeyPressDownForTrigger(39);  // C4
  two.app().mechanicalKeyPressDownForTrigger(40);  // C sharp 4
  EXPECT_EQ(std::pair(two.white(7, 0), two.white(0, 1)), std::pair(W::DownLeftShadow, W::Down));
  EXPECT_EQ(std::pair(two.black(8, 0), two.black(1, 1)), std::pair(B::Down, B::Down));
  two.down(1, {150, 60});  // a finger holds C4 on the upper keyboard
  two.app().mechanicalKeyPressUpForTrigger(39);
  EXPECT_EQ(std::pair(two.white(7, 0), two.white(0, 1)), std::pair(W::Up, W::Down));
  two.app().playbackEnded();  // lifts both keyboards
  EXPECT_EQ(std::pair(two.black(8, 0), two.white(0, 1)), std::pair(B::Up, W::Up));
}

TEST(KeyboardView, ScrollingKeepsEachKeyboardWithinThePiano) {
  Piano p;
  KeyboardView& view = p.view();
  auto blackKeysShown = [&view] {
    std::vector<int> shown;
    for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
      if (view.blackKey(0, j).alpha() > 0.0f) shown.push_back(j);
    }
    return shown;
  };
  p.down(0, {50, 90});  // D3, held while the keyboard scrolls: it sounds until it lifts
  const int voice = p.engine().playlistNoForSlot(0);
  p.press({300, 410});  // key up
  EXPECT_EQ(std::tuple(view.getStartKey(), p.white(1), p.engine().playlistNoForSlot(0)), std::tuple(30, W::Up, voice));
  p.up(0);
  view.setStartKey(0, 76);
  p.press({300, 410});
  p.press({300, 460});  // octave up
  EXPECT_EQ(view.getStartKey(), 76);
  EXPECT_EQ(blackKeysShown(), (std::vector<int>{1, 2, 4, 5, 6}));  // not 8, above key 88
  p.recorder().record();  // 15 keys fit fewer start keys: it comes down, notes end, keys lift
  p.down(1, {50, 90});
  p.app().setNumKeysToDisplay(15);
  EXPECT_EQ(std::tuple(view.getStartKey(), p.take().size(), p.white(1)), std::tuple(64, 2u, W::Up));
  p.up(1);
  view.setStartKey(0, 3);
  p.press({300, 60}), p.press({300, 20});  // key down, octave down
  EXPECT_EQ(view.getStartKey(), 1);
  EXPECT_EQ(blackKeysShown(), (std::vector<int>{1, 3, 4, 6, 7, 8, 10, 11, 13, 14, 15}));  // nothing below key 1

  Piano two(true);  // the border buttons scroll each keyboard within its bounds
  KeyboardView& dual = two.view();
  two.app().setDisplayNoteNames(2);
  for (int i = 0; i < 4; ++i) two.press({230, 460});  // upper octave up
  for (int i = 0; i < 3; ++i) two.press({100, 10});   // lower octave down
  EXPECT_EQ(std::pair(dual.getStartKey(0), dual.getStartKey(1)), std::pair(1, 76));
  EXPECT_EQ(dual.noteName(1, 0).text(), "C7");
  EXPECT_EQ(dual.blackKey(1, 8).alpha(), 0.0f);
  two.app().setNumKeysToDisplay(15);
  EXPECT_EQ(std::pair(dual.getStartKey(1), dual.noteName(1, 0).text()), std::pair(64, std::string("C6")));
}

TEST(KeyboardView, RadarScrollLockAndHeldButtons) {
  for (const bool tall : {false, true}) {
    Piano p(false, {.tall = tall});
    KeyboardView& view = p.view();
    EXPECT_EQ(view.radarHighlight()->frame(), (platform::Rect{241, 136.0 + (tall ? 62 : 20), 29, 68}));  // C3
    const double middle = tall ? 284 : 240;  // the press centres the window on the finger
    p.down(1, {250, middle});
    EXPECT_EQ(view.getStartKey(), tall ? 40 : 39);
    EXPECT_LT(std::abs(view.radarHighlight()->frame().midY() - middle), 8.5);
    p.move(1, {250, 0});
    EXPECT_EQ(view.getStartKey(), 1);
    p.move(1, {250, 479});  // far beyond its end: the highest start key allowed
    EXPECT_EQ(view.getStartKey(), 76);
    p.up(1);
  }
  // A held button looks pressed, follows the finger and lets go when it lifts
  // or leaves the bar, or when the screen is shown again.
  Piano p;
  KeyboardView& view = p.view();
  p.down(1, {300, 60});
  EXPECT_EQ(view.buttonsShownPressed(), std::vector<int>{zone::kKeyDown});
  p.move(1, {300, 360}), p.down(2, {300, 479});
  EXPECT_EQ(view.buttonsShownPressed(), (std::vector<int>{zone::kSustainPedal, zone::kOctaveUp}));
  p.move(1, {50, 100}), p.up(2);
  EXPECT_TRUE(view.buttonsShownPressed().empty());
  p.down(3, {300, 20}), view.showing();
  EXPECT_TRUE(view.buttonsShownPressed().empty());

  Piano two(true);  // the scroll lock lights both lamps, hides the borders, disables their buttons
  KeyboardView& dual = two.view();
  auto locked = [&dual](float lit) {
    return dual.lamp(KeyboardView::Lamp::kScrollLockLow)->alpha() == lit &&
           dual.lamp(KeyboardView::Lamp::kScrollLockHigh)->alpha() == lit && dual.border(false)->alpha() == 1 - lit &&
           dual.border(true)->alpha() == 1 - lit && dual.borderBack(false)->alpha() == 1;
  };
  EXPECT_TRUE(locked(0));
  two.down(3, {30, 10}), two.down(4, {100, 460});
  EXPECT_EQ(dual.buttonsShownPressed(), (std::vector<int>{zone::kKeyDown, zone::kOctaveUp}));
  two.up(3), two.up(4);
  two.down(1, {300, 20});  // shown pressed at the end held only
  EXPECT_EQ(dual.buttonsShownPressed(), std::vector<int>{zone::kScrollLock});
  two.up(1);
  EXPECT_TRUE(locked(1));
  two.down(2, {230, 460});
  EXPECT_TRUE(dual.buttonsShownPressed().empty() && dual.getStartKey(1) == 52);
  two.move(2, {300, 460});  // onto the bar: its button, the other end, turns the lock off
  EXPECT_EQ(dual.buttonsShownPressed(), std::vector<int>{zone::kScrollLock});
  EXPECT_TRUE(locked(0));
  two.up(2);
}

TEST(KeyboardView, LabelModes) {
  Piano p;
  KeyboardView& view = p.view();
  p.app().setDisplayNoteNames(3);
  EXPECT_EQ(view.noteName(0, 7).backgroundColour(), labelColour(4));
  p.app().setDisplayNoteNames(1);
  EXPECT_EQ(std::pair(view.noteName(0, 0).alpha(), view.noteName(0, 1).alpha()), std::pair(1.0f, 0.0f));
  EXPECT_EQ(view.noteName(0, 7).backgroundColour(), platform::Colour::clear());
  p.app().setDisplayNoteNames(0);
  view.setStartKey(0, 40);
  EXPECT_EQ(std::pair(view.noteName(0, 0).text(), view.noteName(0, 0).alpha()), std::pair(std::string("C3"), 0.0f));
  p.app().setDisplayNoteNames(3);  // past key 88 the names go on, and the colours end at black
  view.setStartKey(0, 88);
  EXPECT_EQ(view.noteName(0, 14).text(), "C10");
  EXPECT_EQ(view.noteName(0, 14).backgroundColour(), platform::Colour::black());
}

}  // namespace
}  // namespace piano
