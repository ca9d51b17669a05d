// The key press engine in the single keyboard view, against a real sound
// engine and recorder: expression and pedals, slides across keys and buttons,
// pictures after finger and playback presses, scrolling with a finger down,
// the buttons and the lamps; and the engine serving two keyboards.
#include "keyboard/key_press_engine.h"

#include <gtest/gtest.h>

#include "keyboard/key_zones.h"
#include "keyboard_app.h"

namespace piano {
namespace {

using test::KeyboardApp;
using W = WhiteKeyPicture;
using B = BlackKeyPicture;

// Start key 28 (C3), 8 keys: white key i spans y 60i..60(i+1) below x = 112;
// black zone 101 + j is centred on y = 60j above it.
double whiteY(int position) { return 60.0 * position + 30; }
constexpr double kWhiteX = 50, kBlackX = 150;

TEST(KeyPressEngine, ExpressionAndPedalsShapeVolumeAndRates) {
  struct Case {
    int function;
    double x;
    bool soft, sustain;
    double volume, attack, release;
  };
  const double normal = -0.00008, pedal = -0.0000002;
  const Case cases[] = {
      {1, 1, false, false, 1.0, 1.0, normal},   {1, 84, false, false, 0.5, 1.0, normal},
      {1, 111, false, false, 0.2589, 1.0, normal}, {1, 200, false, false, 0.5, 1.0, normal},
      {0, 84, false, false, 1.0, 1.0, normal},  {7, 84, false, false, 1.0, 1.0, normal},
      {2, 84, false, false, 1.0, 1.0, pedal},   {2, 10, false, false, 1.0, 1.0, normal},
      {3, 84, false, false, 0.6, 0.0008, normal}, {3, 10, false, false, 1.0, 1.0, normal},
      {3, 10, true, false, 0.6, 0.0008, normal}, {1, 1, false, true, 1.0, 1.0, pedal},
      {2, 10, true, true, 0.6, 0.0008, pedal},
  };
  for (const Case& c : cases) {
    KeyboardApp app;
    app.view->setExpressionFunction(c.function);
    app.view->setSoftPedalPressed(c.soft);
    app.view->setSustainPedalPressed(c.sustain);
    app.down(0, c.x, 90);
    app.render(0);  // the mixer takes the voice over, before any frame moves its envelope
    SCOPED_TRACE(testing::Message() << "function " << c.function << " x " << c.x << " soft " << c.soft);
    const int v = app.engine().playlistNoForSlot(0);
    ASSERT_NE(v, -1);
    EXPECT_NEAR(app.voice(v).requiredVolume, c.volume, 1e-3);
    EXPECT_NEAR(app.voice(v).ADSRVolumeDelta, c.attack, 1e-7);
    EXPECT_NEAR(app.voice(v).requiredReleaseDelta, c.release, 1e-9);
  }
}

TEST(KeyPressEngine, PedalButtonsActOnNewNotesOnly) {
  KeyboardApp app;
  app.down(0, 10, whiteY(0));
  app.down(1, 300, 350);  // sustain pedal
  app.up(1);              // a release on a button does nothing
  app.down(2, 10, whiteY(2));
  app.render(0);
  EXPECT_TRUE(app.engine().sustainPedalPressed());
  EXPECT_EQ(app.view->sustButtonLit().alpha(), 1.0f);
  EXPECT_NEAR(app.voice(app.engine().playlistNoForSlot(0)).requiredReleaseDelta, -0.00008, 1e-9);
  EXPECT_NEAR(app.voice(app.engine().playlistNoForSlot(1)).requiredReleaseDelta, -0.0000002, 1e-9);
}

TEST(KeyPressEngine, SlidesAcrossKeysAndButtons) {
  KeyboardApp app;
  app.recorder.record();
  app.down(0, kWhiteX, whiteY(0));
  const int first = app.engine().playlistNoForSlot(0);
  app.move(0, kWhiteX, whiteY(1));
  app.move(0, kWhiteX, whiteY(2));
  app.up(0);
  app.render();
  EXPECT_TRUE(app.released(first));
  // Three notes in one slot, each ended before the next began.
  std::vector<std::pair<int, bool>> take;
  for (const Note& note : app.recorder.currentTake()) take.push_back({note.sampleNo, note.keyDown});
  EXPECT_EQ(take, (std::vector<std::pair<int, bool>>{{27, true}, {27, false}, {29, true}, {29, false}, {31, true},
                                                     {31, false}}));
  app.down(1, 300, 160);  // the take ends; a song to play
  app.up(1);

  // From a key onto the play button: the note ends and playback starts; back
  // onto a key: a note starts.
  app.down(0, kBlackX, 60);  // C#3
  const int voice = app.engine().playlistNoForSlot(0);
  app.render();
  app.move(0, 300, 120);
  app.render();
  EXPECT_TRUE(app.released(voice));
  EXPECT_TRUE(app.engine().playLit());
  app.move(0, kWhiteX, whiteY(3));
  EXPECT_NE(app.engine().playlistNoForSlot(0), -1);
  EXPECT_TRUE(app.engine().keyboard(0).humanKeys[32]);  // F3
}

TEST(KeyPressEngine, KeylessZonesAndMissingVoices) {
  KeyboardApp app({.emptySlots = {27}});  // C3 has no sample
  app.recorder.record();
  app.down(0, kBlackX, 180);  // E-F boundary: no key, no picture, nothing to release
  EXPECT_EQ(app.engine().playlistNoForSlot(0), -1);
  EXPECT_EQ(app.blackShown(3), B::Up);
  app.up(0);
  app.down(0, kWhiteX, whiteY(0));  // C3: no voice, yet the key shows down
  EXPECT_EQ(app.engine().playlistNoForSlot(0), -1);
  EXPECT_EQ(app.whiteShown(0), W::Down);
  app.up(0);
  EXPECT_TRUE(app.recorder.currentTake().empty());
  app.view->setStartKey(1);
  app.down(0, kBlackX, 10);  // below key 1
  EXPECT_EQ(app.engine().playlistNoForSlot(0), -1);
  app.up(0);
  app.view->setStartKey(76);
  app.down(0, kBlackX, 470);  // above key 88
  EXPECT_EQ(app.engine().playlistNoForSlot(0), -1);
}

TEST(KeyPressEngine, PicturesAndLabelsAfterFingerAndPlaybackPresses) {
  KeyboardApp app({.displayNoteNames = 2});
  // A pressed white key shows the shadow of a raised lower neighbour.
  app.down(0, kWhiteX, whiteY(3));
  EXPECT_EQ(app.whiteShown(3), W::DownLeftShadow);
  EXPECT_EQ(app.view->noteName(3).transform(), noteNameDownTransform(5));
  app.down(1, kWhiteX, whiteY(4));
  EXPECT_EQ(app.whiteShown(4), W::Down);
  app.down(2, kWhiteX, whiteY(2));
  EXPECT_EQ(app.whiteShown(2), W::DownLeftShadow);
  EXPECT_EQ(app.whiteShown(3), W::Down);
  app.up(2);
  EXPECT_EQ(app.whiteShown(2), W::Up);
  EXPECT_EQ(app.view->noteName(2).transform(), noteNameUpTransform());
  EXPECT_EQ(app.whiteShown(3), W::DownLeftShadow);
  app.down(3, kWhiteX, whiteY(0));
  EXPECT_EQ(app.whiteShown(0), W::Down);

  // Playback gets the same treatment: A3 next to the held G3, then D3 on its own.
  app.mechanicalKeyPressDownForTrigger(36);
  EXPECT_EQ(app.whiteShown(5), W::Down);
  app.up(1);  // G3 lifted: A3 now lies in its shadow
  EXPECT_EQ(app.whiteShown(5), W::DownLeftShadow);
  app.mechanicalKeyPressDownForTrigger(29);
  app.mechanicalKeyPressUpForTrigger(29);
  EXPECT_EQ(app.whiteShown(1), W::Up);
  app.mechanicalKeyPressDownForTrigger(28);  // C#3
  EXPECT_EQ(app.blackShown(1), B::Down);

  // A playback key-up under a held finger leaves the key down; the finger's
  // release raises it. And the other way round.
  app.mechanicalKeyPressDownForTrigger(32);  // F3, held by finger 0
  app.mechanicalKeyPressUpForTrigger(32);
  EXPECT_EQ(app.whiteShown(3), W::DownLeftShadow);
  app.up(0);
  EXPECT_EQ(app.whiteShown(3), W::Up);
  app.down(4, kBlackX, 60);  // C#3, also held by playback
  app.up(4);
  EXPECT_EQ(app.blackShown(1), B::Down);
  app.mechanicalKeyPressUpForTrigger(28);
  EXPECT_EQ(app.blackShown(1), B::Up);
  for (int s : {-1, 88, 1 << 30}) app.mechanicalKeyPressDownForTrigger(s);  // ignored
}

TEST(KeyPressEngine, ScrollingWithAFingerDownKeepsItsNoteUntilTheLift) {
  KeyboardApp app;
  app.down(0, kWhiteX, whiteY(1));  // D3
  const int voice = app.engine().playlistNoForSlot(0);
  app.down(1, 300, 420);  // one white key up
  EXPECT_EQ(app.view->getStartKey(), 30);
  EXPECT_EQ(app.whiteShown(1), W::Up);  // pictures lift, the note sounds on
  app.render();
  EXPECT_FALSE(app.released(voice));
  app.up(0);  // ends D3 and raises E3, the key now under the finger
  app.render();
  EXPECT_TRUE(app.released(voice));
  EXPECT_FALSE(app.engine().keyboard(0).humanKeys[31]);
}

TEST(KeyPressEngine, RecordPlayAndLeavingTheScreen) {
  KeyboardApp app;
  app.down(9, 300, 120);  // play an empty song: nothing
  app.up(9);
  EXPECT_FALSE(app.engine().playLit());
  app.down(9, 300, 160);  // record
  app.up(9);
  EXPECT_EQ(app.view->recButtonLit().alpha(), 1.0f);
  // A note held while the take stops keeps its press and gets its release.
  app.down(1, kWhiteX, whiteY(0));
  app.clock.advance(0.2);
  app.down(9, 300, 120);  // play stops the take
  app.up(9);
  EXPECT_EQ(app.engine().playlistNoForSlot(1), -1);
  app.liftAllKeysAndStopRecording();  // as playback reports next
  EXPECT_EQ(app.recorder.notesSnapshot().size(), 2u);
  EXPECT_EQ(app.whiteShown(0), W::Up);
  EXPECT_EQ(app.view->recButtonLit().alpha(), 0.0f);
  app.up(1);  // nothing left to end
  app.down(9, 300, 120);
  app.up(9);
  EXPECT_TRUE(app.engine().playLit());
  app.playbackEnded();
  EXPECT_FALSE(app.engine().playLit());

  // Settings: every finger's note ends, the screen fades and ignores touches
  // until it is shown again.
  app.down(0, kWhiteX, whiteY(0));
  app.down(1, 300, 260);
  EXPECT_EQ(app.setups, 1);
  EXPECT_EQ(app.engine().playlistNoForSlot(0), -1);
  app.render();
  for (int v = 0; v < kNumVoices; ++v) EXPECT_TRUE(app.released(v));
  app.down(2, kWhiteX, whiteY(4));
  EXPECT_EQ(app.engine().playlistNoForSlot(2), -1);
  app.view->showing();
  app.view->redraw();
  // The library while a take runs: the take stops with the held note complete.
  app.down(3, 300, 160);
  app.up(3);
  app.down(4, kWhiteX, whiteY(2));
  app.down(5, 300, 220);
  EXPECT_EQ(app.libraries, 1);
  EXPECT_EQ(app.recorder.getNRState(), RecorderState::kIdle);
  EXPECT_EQ(app.recorder.currentTake().size(), 2u);
}

// The engine of the two-keyboard view: zones above 500 belong to the upper
// keyboard, the slots are shared, playback shows on both.
class DualHost : public KeyboardHost {
 public:
  void showWhiteKey(int kb, int p, WhiteKeyPicture picture) override { white[kb][p] = picture; }
  void showBlackKey(int, int, BlackKeyPicture) override {}
  void setNoteNameDown(int, int, bool) override {}
  bool isLayoutButton(int zone) const override { return zone >= 1001 && zone <= 1008; }
  void layoutButtonPress(int zone, platform::Point) override { pressed.push_back(zone); }
  int keyboardForZone(int zone, int* onKeyboard) const override {
    *onKeyboard = zone > zone::kUpperKeyboard ? zone - zone::kUpperKeyboard : zone;
    return zone > zone::kUpperKeyboard ? 1 : 0;
  }
  float expressionForPoint(platform::Point) const override { return 1.0f; }
  bool isOnScreen() const override { return true; }
  void redraw() override {}
  void redrawOnButtonPress() override {}
  void redrawHeldButtons() override {}
  WhiteKeyPicture white[2][15] = {};
  std::vector<int> pressed;
};

TEST(KeyPressEngine, TwoKeyboards) {
  KeyboardApp app;
  DualHost host;
  KeyPressEngine engine(host, nullptr, app.sound, app.recorder, 2);
  EXPECT_EQ(engine.keyboard(1).keyboardStartKey, 52);
  engine.performFingerPressAction({20, 40}, true, 1, 0);  // C3 on the lower keyboard
  const int lower = engine.playlistNoForSlot(0);
  engine.performFingerPressAction({20, 40}, false, 1, 0);  // slides across onto the upper one
  engine.performFingerPressAction({150, 40}, true, 502, 0);
  app.render();
  EXPECT_TRUE(app.released(lower));
  EXPECT_EQ(app.voice(engine.playlistNoForSlot(0)).sampleNo, 53);  // D5
  EXPECT_TRUE(engine.keyboard(1).humanKeys[53]);
  EXPECT_EQ(host.white[1][1], W::DownLeftShadow);
  engine.performFingerPressAction({250, 10}, true, 1005, 1);
  EXPECT_EQ(host.pressed, std::vector<int>{1005});
  engine.keyboard(1).keyboardStartKey = 28;
  engine.mechanicalKeyPressDownForTrigger(29);  // D3 on both
  EXPECT_EQ(host.white[0][1], W::DownLeftShadow);
  EXPECT_EQ(host.white[1][1], W::DownLeftShadow);
  engine.liftAllKeys(true);
  EXPECT_EQ(host.white[1][1], W::Up);
  EXPECT_EQ(engine.playlistNoForSlot(0), -1);
}

}  // namespace
}  // namespace piano
