// The key press engine against a real sound engine and recorder: notes with
// expression and pedals, slides, buttons, pictures after finger and playback
// presses, scrolling with fingers down, and the two-keyboard cases.
#include "keyboard/key_press_engine.h"

#include <gtest/gtest.h>

#include "keyboard/key_zones.h"
#include "keyboard_rig.h"

namespace piano {
namespace {

using test::EngineRig;
using W = WhiteKeyPicture;
using B = BlackKeyPicture;

// Start key 28 (C3), scale 1: white key i spans y 60i..60(i+1) below x = 112;
// black zone 101 + j is centred on y = 60j above it.
constexpr double kWhiteX = 50;
constexpr double kBlackX = 150;
double whiteY(int position) { return 60.0 * position + 30; }
double blackY(int boundary) { return 60.0 * boundary; }

struct Sound {
  double volume;
  double attack;
  double release;
};

// What the voice of finger slot `slot` was started with, as the mixer takes it
// over (before any frame moves its envelope).
Sound soundOfSlot(EngineRig& rig, int slot) {
  rig.render(0);
  const int voice = rig.engine.playlistNoForSlot(slot);
  EXPECT_NE(voice, -1);
  if (voice < 0) return {};
  const Voice& v = rig.voice(voice);
  return {v.requiredVolume, v.ADSRVolumeDelta, v.requiredReleaseDelta};
}

// Stopped: in its release, or asked to enter it at the next buffer.
bool released(const Voice& v) { return !v.playing || v.wantToStop || v.phase == kRelease; }

TEST(KeyPressEngine, ExpressionFunctionsShapeVolumeAndRates) {
  struct Case {
    int function;
    double x;
    Sound expected;
  };
  const double normal = -0.00008, pedal = -0.0000002;
  const Case cases[] = {
      {1, 0, {1.0, 1.0, normal}},        {1, 84, {0.5, 1.0, normal}},
      {1, 111, {0.2589, 1.0, normal}},   {1, 200, {0.5, 1.0, normal}},
      {0, 84, {1.0, 1.0, normal}},       {7, 84, {1.0, 1.0, normal}},
      {2, 84, {1.0, 1.0, pedal}},        {2, 10, {1.0, 1.0, normal}},
      {3, 84, {0.6, 0.0008, normal}},    {3, 10, {1.0, 1.0, normal}},
  };
  for (const Case& c : cases) {
    EngineRig rig;
    rig.engine.setExpressionFunction(c.function);
    rig.down(0, c.x, 90);
    const Sound got = soundOfSlot(rig, 0);
    SCOPED_TRACE(testing::Message() << "function " << c.function << " x " << c.x);
    EXPECT_NEAR(got.volume, c.expected.volume, 1e-3);
    EXPECT_NEAR(got.attack, c.expected.attack, 1e-7);
    EXPECT_NEAR(got.release, c.expected.release, 1e-9);
  }
}

TEST(KeyPressEngine, PedalsOverrideTheExpressionAndActOnlyOnNewNotes) {
  EngineRig rig;
  rig.engine.setSustainTimeNormal(-0.0001f);
  rig.engine.setSustainTimePedal(-0.00001f);
  rig.engine.setExpressionFunction(3);
  rig.down(0, 10, whiteY(0));  // near end: full volume, normal release
  rig.down(1, 300, 350);       // sustain pedal button
  rig.down(2, 300, 300);       // soft pedal button
  rig.down(3, 10, whiteY(2));
  EXPECT_TRUE(rig.engine.sustainPedalPressed());
  EXPECT_TRUE(rig.engine.softPedalPressed());
  const Sound first = soundOfSlot(rig, 0);
  const Sound second = soundOfSlot(rig, 3);
  EXPECT_NEAR(first.volume, 1.0, 1e-6);
  EXPECT_NEAR(first.release, -0.0001, 1e-9);
  EXPECT_NEAR(second.volume, 0.6, 1e-6);
  EXPECT_NEAR(second.attack, 0.0008, 1e-9);
  EXPECT_NEAR(second.release, -0.00001, 1e-9);
  EXPECT_EQ(rig.host.buttonRedraws, 2);
  // Releases on the buttons do nothing; a second press turns a pedal off.
  rig.up(1);
  EXPECT_TRUE(rig.engine.sustainPedalPressed());
  rig.down(4, 300, 350);
  EXPECT_FALSE(rig.engine.sustainPedalPressed());
}

TEST(KeyPressEngine, SlideOverThreeWhiteKeysRecordsThreeNotesInOneSlot) {
  EngineRig rig;
  rig.down(5, 300, 160);  // record
  ASSERT_EQ(rig.recorder.getNRState(), 2);
  rig.down(0, kWhiteX, whiteY(0));
  const int firstVoice = rig.engine.playlistNoForSlot(1);
  rig.move(0, kWhiteX, whiteY(1));
  rig.move(0, kWhiteX, whiteY(2));
  rig.up(0);
  rig.render();
  EXPECT_TRUE(released(rig.voice(firstVoice)));
  const auto& take = rig.recorder.currentTake();
  ASSERT_EQ(take.size(), 6u);
  const int keys[] = {27, 29, 31};  // C3, D3, E3 as sample slots
  for (int i = 0; i < 3; ++i) {
    const Note& press = take[static_cast<std::size_t>(2 * i)];
    const Note& release = take[static_cast<std::size_t>(2 * i + 1)];
    EXPECT_TRUE(press.keyDown);
    EXPECT_EQ(press.sampleNo, keys[i]);
    EXPECT_FALSE(release.keyDown);
    EXPECT_EQ(release.noteID, press.noteID);
    EXPECT_EQ(release.sampleNo, keys[i]);
  }
  EXPECT_EQ(rig.engine.playlistNoForSlot(1), -1);
  EXPECT_EQ(rig.engine.noteIDForSlot(1), -1);
}

TEST(KeyPressEngine, SlidesAcrossButtons) {
  EngineRig rig;
  rig.recordOneNote(40);
  // From a key onto the play button: the note ends and playback starts.
  rig.down(0, 200, blackY(1));  // C#3
  const int voice = rig.engine.playlistNoForSlot(0);
  ASSERT_NE(voice, -1);
  rig.render();
  rig.move(0, 300, 120);  // onto play
  rig.render();
  EXPECT_TRUE(released(rig.voice(voice)));
  EXPECT_EQ(rig.recorder.getNRState(), 1);
  EXPECT_TRUE(rig.engine.playLit());
  // From the button back onto a key: a note starts.
  rig.move(0, kWhiteX, whiteY(3));
  EXPECT_NE(rig.engine.playlistNoForSlot(0), -1);
  EXPECT_TRUE(rig.engine.keyboard(0).humanKeys[32]);  // F3
}

TEST(KeyPressEngine, KeylessZonesSoundNothingAndReleaseNothing) {
  EngineRig rig;
  rig.down(0, kBlackX, blackY(3));  // between E3 and F3
  EXPECT_EQ(rig.engine.playlistNoForSlot(0), -1);
  EXPECT_EQ(rig.pictures().black[3], B::Up);
  rig.up(0);
  rig.render();
  EXPECT_EQ(rig.sound.activeVoiceCount(), 0);

  // Start key 1: nothing below it; start key 76 with 8 keys: nothing above 88.
  rig.engine.keyboard(0).keyboardStartKey = 1;
  rig.down(0, kBlackX, blackY(0) + 10);
  EXPECT_EQ(rig.engine.playlistNoForSlot(0), -1);
  rig.up(0);
  rig.engine.keyboard(0).keyboardStartKey = 76;
  rig.down(0, kBlackX, blackY(8) + 10);
  EXPECT_EQ(rig.engine.playlistNoForSlot(0), -1);
  rig.up(0);
  rig.down(0, kWhiteX, whiteY(7));  // key 88 itself plays
  EXPECT_NE(rig.engine.playlistNoForSlot(0), -1);
}

TEST(KeyPressEngine, WithoutAVoiceTheKeyShowsDownAndNothingIsRecorded) {
  EngineRig rig(false, {27});  // C3 has no sample
  rig.down(5, 300, 160);       // record
  rig.down(0, kWhiteX, whiteY(0));
  EXPECT_EQ(rig.engine.playlistNoForSlot(1), -1);
  EXPECT_EQ(rig.engine.noteIDForSlot(1), -1);
  EXPECT_EQ(rig.pictures().white[0], W::Down);
  rig.up(0);
  EXPECT_TRUE(rig.recorder.currentTake().empty());
  EXPECT_EQ(rig.pictures().white[0], W::Up);
}

// Pressed white keys show the shadow of a raised lower neighbour.
TEST(KeyPressEngine, ShadowRuleForFingersAndPlayback) {
  EngineRig rig;
  rig.down(0, kWhiteX, whiteY(3));
  EXPECT_EQ(rig.pictures().white[3], W::DownLeftShadow);
  EXPECT_TRUE(rig.pictures().labelDown[3]);
  rig.down(1, kWhiteX, whiteY(4));
  EXPECT_EQ(rig.pictures().white[4], W::Down);
  rig.down(2, kWhiteX, whiteY(2));
  EXPECT_EQ(rig.pictures().white[2], W::DownLeftShadow);
  EXPECT_EQ(rig.pictures().white[3], W::Down);  // its shadow goes
  rig.up(2);
  EXPECT_EQ(rig.pictures().white[2], W::Up);
  EXPECT_FALSE(rig.pictures().labelDown[2]);
  EXPECT_EQ(rig.pictures().white[3], W::DownLeftShadow);
  rig.down(3, kWhiteX, whiteY(0));
  EXPECT_EQ(rig.pictures().white[0], W::Down);  // nothing below position 0

  // Playback gets exactly the same treatment: key 35 (G3) at position 4 is held
  // by finger 1; playback presses and lifts A3 at position 5, then D3 at 1.
  rig.engine.mechanicalKeyPressDownForTrigger(36);
  EXPECT_EQ(rig.pictures().white[5], W::Down);
  rig.up(1);
  EXPECT_EQ(rig.pictures().white[5], W::DownLeftShadow);
  rig.engine.mechanicalKeyPressDownForTrigger(29);
  EXPECT_EQ(rig.pictures().white[1], W::Down);
  rig.engine.mechanicalKeyPressUpForTrigger(29);
  EXPECT_EQ(rig.pictures().white[1], W::Up);
  EXPECT_FALSE(rig.pictures().labelDown[1]);
  rig.engine.mechanicalKeyPressUpForTrigger(36);
  EXPECT_EQ(rig.pictures().white[5], W::Up);
  // Black keys.
  rig.engine.mechanicalKeyPressDownForTrigger(28);  // C#3 on boundary 1
  EXPECT_EQ(rig.pictures().black[1], B::Down);
  rig.engine.mechanicalKeyPressUpForTrigger(28);
  EXPECT_EQ(rig.pictures().black[1], B::Up);
  // Keys out of view and hostile slot numbers change nothing.
  const test::KeyboardPictures before = rig.pictures();
  for (int s : {0, 87, -1, 88, 1 << 30}) rig.engine.mechanicalKeyPressDownForTrigger(s);
  EXPECT_EQ(rig.pictures().white, before.white);
  EXPECT_EQ(rig.pictures().black, before.black);
}

TEST(KeyPressEngine, PlaybackKeyUpUnderAHeldFingerKeepsTheKeyDown) {
  EngineRig rig;
  rig.down(0, kWhiteX, whiteY(2));  // E3, slot 31
  rig.engine.mechanicalKeyPressDownForTrigger(31);
  rig.engine.mechanicalKeyPressUpForTrigger(31);
  EXPECT_EQ(rig.pictures().white[2], W::DownLeftShadow);
  rig.up(0);
  EXPECT_EQ(rig.pictures().white[2], W::Up);

  // The other way round: playback holds the key through the finger's release.
  rig.down(1, kBlackX, blackY(1));  // C#3, slot 28
  rig.engine.mechanicalKeyPressDownForTrigger(28);
  rig.up(1);
  EXPECT_EQ(rig.pictures().black[1], B::Down);
  rig.engine.mechanicalKeyPressUpForTrigger(28);
  EXPECT_EQ(rig.pictures().black[1], B::Up);
}

TEST(KeyPressEngine, ScrollingWithAFingerDownKeepsTheNoteUntilTheFingerLifts) {
  EngineRig rig;
  rig.down(0, kWhiteX, whiteY(1));  // D3
  const int voice = rig.engine.playlistNoForSlot(0);
  rig.down(1, 300, 420);  // one white key up: C3 -> D3
  EXPECT_EQ(rig.engine.keyboard(0).keyboardStartKey, 30);
  EXPECT_EQ(rig.pictures().white[1], W::Up);  // pictures lifted
  rig.render();
  EXPECT_FALSE(released(rig.voice(voice)));
  EXPECT_EQ(rig.engine.playlistNoForSlot(0), voice);
  // The release ends the finger's own note (D3) and raises the key now under
  // it (E3).
  rig.up(0);
  rig.render();
  EXPECT_TRUE(released(rig.voice(voice)));
  EXPECT_EQ(rig.pictures().white[1], W::Up);
  EXPECT_FALSE(rig.engine.keyboard(0).humanKeys[31]);
}

TEST(KeyPressEngine, RecordAndPlayButtonsFollowTheRecorder) {
  EngineRig rig;
  rig.down(0, 300, 120);  // play an empty song: nothing
  rig.up(0);
  EXPECT_FALSE(rig.engine.playLit());
  rig.down(0, 300, 160);  // record
  rig.up(0);
  EXPECT_TRUE(rig.engine.recordLit());
  EXPECT_EQ(rig.recorder.getNRState(), 2);
  // A finger holds a key while another stops the take: the held note keeps
  // its press and gets its release in the take.
  rig.down(1, kWhiteX, whiteY(0));
  rig.clock.advance(0.2);
  rig.down(0, 300, 120);  // play stops the take
  rig.up(0);
  EXPECT_FALSE(rig.engine.recordLit());
  EXPECT_EQ(rig.engine.playlistNoForSlot(1), -1);
  rig.engine.liftAllKeysAndStopRecording();  // what the playback thread asks for next
  const std::vector<Note> song = rig.recorder.notesSnapshot();
  ASSERT_EQ(song.size(), 2u);
  EXPECT_TRUE(song[0].keyDown);
  EXPECT_FALSE(song[1].keyDown);
  EXPECT_EQ(rig.pictures().white[0], W::Up);
  EXPECT_FALSE(rig.engine.recordLit());
  EXPECT_FALSE(rig.engine.playLit());
  rig.up(1);  // the lift finds nothing left to end
  EXPECT_EQ(rig.recorder.notesSnapshot().size(), 2u);

  rig.down(0, 300, 120);  // play
  EXPECT_TRUE(rig.engine.playLit());
  rig.engine.playbackEnded();
  EXPECT_FALSE(rig.engine.playLit());
  EXPECT_GE(rig.host.redraws, 2);
}

TEST(KeyPressEngine, SettingsAndLibraryLeaveTheScreenSilently) {
  EngineRig rig;
  rig.down(0, kWhiteX, whiteY(0));
  rig.down(1, kWhiteX, whiteY(1));
  rig.down(2, 300, 260);  // settings
  EXPECT_EQ(rig.parent.setups, 1);
  EXPECT_TRUE(rig.engine.fadingToSettings());
  EXPECT_EQ(rig.pictures().white[0], W::Up);
  for (int slot = 0; slot < 2; ++slot) EXPECT_EQ(rig.engine.playlistNoForSlot(slot), -1);
  rig.render();
  for (int v = 0; v < kNumVoices; ++v) EXPECT_TRUE(released(rig.voice(v)));
  // Until the next redraw every touch is ignored.
  rig.down(3, kWhiteX, whiteY(4));
  EXPECT_EQ(rig.engine.playlistNoForSlot(3), -1);
  EXPECT_FALSE(rig.engine.keyboard(0).humanKeys[35]);

  // Back on the keyboard (the root view resets the slots and redraws), then
  // off to the song library while a take runs.
  rig.host.touchscreen->resetSlots();
  rig.host.redraw();
  rig.down(5, 300, 160);  // record
  rig.up(5);
  rig.down(6, kWhiteX, whiteY(2));
  rig.down(7, 300, 220);  // library
  EXPECT_EQ(rig.parent.libraries, 1);
  EXPECT_EQ(rig.recorder.currentTake().size(), 2u);  // the held note's press and release
  EXPECT_EQ(rig.recorder.getNRState(), 0);
  EXPECT_FALSE(rig.engine.recordLit());
}

TEST(KeyPressEngine, TwoKeyboardsShareSlotsAndShowPlaybackOnBoth) {
  EngineRig rig(true);
  rig.engine.keyboard(1).keyboardStartKey = 28;  // both show C3 upward
  // Lower keyboard white keys below x = 58, starting at y = 30.
  rig.down(0, 20, 30 + whiteY(0));
  EXPECT_TRUE(rig.engine.keyboard(0).humanKeys[27]);
  const int lowerVoice = rig.engine.playlistNoForSlot(0);
  rig.render();
  EXPECT_NEAR(rig.voice(lowerVoice).requiredVolume, 1.0, 1e-9);  // no position expression
  // Slide across x = 130 onto the upper keyboard's white row.
  rig.move(0, 150, 30 + whiteY(0));
  rig.render();
  EXPECT_TRUE(released(rig.voice(lowerVoice)));
  EXPECT_NE(rig.engine.playlistNoForSlot(0), -1);
  EXPECT_TRUE(rig.engine.keyboard(1).humanKeys[27]);
  EXPECT_FALSE(rig.engine.keyboard(0).humanKeys[27]);
  EXPECT_EQ(rig.pictures(1).white[0], W::Down);
  EXPECT_EQ(rig.pictures(0).white[0], W::Up);
  rig.up(0);

  rig.engine.keyboard(1).keyboardStartKey = 52;
  rig.engine.mechanicalKeyPressDownForTrigger(53);  // D5: lower doesn't show it, upper at 1
  EXPECT_EQ(rig.pictures(1).white[1], W::DownLeftShadow);
  EXPECT_EQ(rig.pictures(0).white[1], W::Up);
  EXPECT_TRUE(rig.engine.keyboard(0).mechanicalKeys[53]);
  rig.engine.keyboard(1).keyboardStartKey = 28;
  rig.engine.mechanicalKeyPressDownForTrigger(29);  // D3: position 1 on both
  EXPECT_EQ(rig.pictures(0).white[1], W::DownLeftShadow);
  EXPECT_EQ(rig.pictures(1).white[1], W::DownLeftShadow);
  rig.engine.liftAllKeys(false);
  for (int kb = 0; kb < 2; ++kb) {
    EXPECT_EQ(rig.pictures(kb).white[1], W::Up);
    EXPECT_FALSE(rig.engine.keyboard(kb).mechanicalKeys[29]);
  }
  // Scroll buttons of the upper keyboard act on it alone.
  rig.down(1, 250, 10);  // low-end border: upper octave down
  EXPECT_EQ(rig.engine.keyboard(1).keyboardStartKey, 16);
  EXPECT_EQ(rig.engine.keyboard(0).keyboardStartKey, 28);
}

}  // namespace
}  // namespace piano
