// The keyboard screen end to end through the headless driver, with the built
// sample set when there is one: a key sounds its pitch from the next buffer
// on, a recorded take plays back the same notes in the same order with the
// keys moving by themselves, and play or record stop a song that plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/sample_level.h"
#include "audio/sound_player.h"
#include "keyboard/keyboard_view.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"

namespace piano::test {
namespace {

std::string sampleDir() {
  const std::string dir = PIANO_SAMPLE_DIR;
  return std::filesystem::exists(dir + "/88.mav") ? dir : "";
}

// Touches of white key `position` (start key C3, 8 keys), of the bar's record and play buttons.
std::string white(int position) { return " 50 " + std::to_string(60 * position + 30) + "\n"; }
const std::string kRecord = " down 9 300 160\n", kPlay = " down 9 300 120\n";

bool firstKeyDown(AppRig& rig) {
  KeyboardView& view = rig.app().activeKeyboardView();
  return view.whiteKey(0, 0).image() == view.images().whiteKeyPressedImage;
}

TEST(KeyboardEndToEnd, KeysSoundTheirPitchAndATakePlaysBackTheSameNotes) {
  const std::string dir = sampleDir();
  AppRig rig({.sampleDir = dir});  // test tones without the sample set
  const double start = rig.clock.now();
  // Record; C3, then E3 sliding on to G3; stop.
  ASSERT_TRUE(rig.run("0.1" + kRecord + "0.15 up 9\n0.3 down 1" + white(0) + "0.7 up 1\n0.9 down 2" + white(2) +
                      "1.2 move 2" + white(4) + "1.6 up 2\n1.8" + kRecord + "1.85 up 9\n2.0 end\n"));
  EXPECT_EQ(rig.songPresses(), (std::vector<int>{27, 31, 34}));
  KeyPressEngine& engine = rig.app().activeKeyboardView().engine();
  EXPECT_FALSE(engine.recordLit());
  // Play: the first key goes down by itself; at the end everything is up.
  const double playAt = rig.clock.now() + 0.1 - start;
  ASSERT_TRUE(rig.run("0.1" + kPlay + "0.15 up 9\n0.3 end\n"));
  EXPECT_TRUE(engine.playLit() && firstKeyDown(rig));
  rig.advance(2.0);
  EXPECT_FALSE(engine.playLit() || firstKeyDown(rig));
  if (dir.empty()) return;
  // Each note where it sounds alone, live and played back (from the first press).
  const int keys[] = {28, 32, 35};
  const double at[] = {0.3, 0.9, 1.2}, settle[] = {0.1, 0.09, 0.29};
  for (int i = 0; i < 3; ++i) {
    for (const double offset : {0.0, playAt - 0.3}) {
      const long long from = rig.frameAt(start + offset + at[i] + settle[i]);
      const double f = fundamentalFrequency(monoSlice(rig.audio(), from, 5000));
      EXPECT_NEAR(f / keyFrequency(keys[i]), 1.0, 0.01) << "note " << i << (offset > 0 ? " played" : " live");
    }
  }
  // The first note is heard from the buffer after the touch (the raw mix keeps the set's headroom).
  const long long touched = rig.frameAt(start + 0.3);
  const float audible = 300 / kSampleSetMakeUpGain;
  long long onset = touched;
  while (onset < touched + 4410 && std::abs(rig.audio()[static_cast<std::size_t>(2 * onset)]) < audible) ++onset;
  EXPECT_LE(onset - touched, 256 + 64);
}

// Play or record pressed while the song plays stops it there and starts
// nothing new: the lamps go out, the moving key comes up, the sounding note
// goes into its release and the rest of the song never comes.
TEST(KeyboardEndToEnd, PlayOrRecordPressedWhileTheSongPlaysStopsIt) {
  AppRig rig;
  // The song: C3 from its start to 1.0 s, E3 at 1.2 s.
  ASSERT_TRUE(rig.run("0.1" + kRecord + "0.15 up 9\n0.3 down 1" + white(0) + "1.3 up 1\n1.5 down 2" + white(2) +
                      "1.6 up 2\n1.8" + kRecord + "1.85 up 9\n2.0 end\n"));
  KeyPressEngine& engine = rig.app().activeKeyboardView().engine();
  for (const std::string& button : {kPlay, kRecord}) {
    ASSERT_TRUE(rig.run("0.1" + kPlay + "0.15 up 9\n0.3 end\n"));
    ASSERT_TRUE(firstKeyDown(rig));
    const double stopAt = rig.clock.now();
    ASSERT_TRUE(rig.run("0.01" + button + "0.05 up 9\n0.06 end\n"));
    EXPECT_EQ(rig.app().noteRecorder().getNRState(), RecorderState::kIdle) << button;
    EXPECT_FALSE(engine.playLit() || engine.recordLit() || firstKeyDown(rig)) << button;
    for (int v = 0; v < kNumVoices; ++v) {
      const Voice& voice = rig.app().soundPlayer().voiceForTest(v);
      EXPECT_TRUE(!voice.playing || voice.wantToStop || voice.phase == VoicePhase::kRelease) << button << " voice " << v;
    }
    rig.advance(1.5);
    const std::vector<float> after = monoSlice(rig.audio(), rig.frameAt(stopAt + 0.4), 44100);
    EXPECT_EQ(after.size(), 44100u);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float x) { return x == 0.0f; })) << button;
  }
}

// The computer keyboard through the script's key lines, recorded in a take
// (start keys C3, and C5 on the upper of two keyboards): what each sequence
// of keys puts in the song, by sample slot.
TEST(KeyboardEndToEnd, ComputerKeysPlayTheWindowInViewAndRecordAsTouchesDo) {
  struct Case {
    const char* what;
    bool dual;
    std::vector<std::string> keys;  // pressed in turn; "-x" releases x
    std::vector<int> presses;
  };
  const std::vector<Case> cases = {
      {"chord C E G, a repeat ignored", false, {"a", "d", "g", "g", "-a", "-d", "-g"}, {27, 31, 34}},
      {"black keys between the white", false, {"w", "e", "t", "q"}, {28, 30, 33}},  // q: below C, none
      {"slide by a key and an octave", false, {"right", "a", "-a", "up", "a", "-a", "down", "down", "left", "a"},
       {29, 41, 27}},  // the second "down" is the key still held: one octave
      {"held note ends after a slide", false, {"a", "right", "-a", "a"}, {27, 29}},
      {"only keys in view (8)", false, {"k", "l", "'", "i", "o"}, {39, 40}},  // o: C#4 right of the 8th
      {"two keyboards: rows follow the boards", true, {"z", "s", "q", "2", "-q", "shift", "right", "q"}, {27, 28, 51, 52, 53}},
  };
  for (const Case& c : cases) {
    AppRig rig;
    if (c.dual) {
      rig.app().setDualKeyboard(true);
      rig.app().showPiano();
      rig.settle();
    }
    std::string script = "0.1" + kRecord + "0.15 up 9\n";
    double t = 0.2;
    for (const std::string& key : c.keys) {
      script += std::to_string(t += 0.05) + (key[0] == '-' && key.size() > 1 ? " keyup " + key.substr(1) : " keydown " + key) + "\n";
    }
    script += std::to_string(t + 0.1) + kRecord + std::to_string(t + 0.15) + " up 9\n" + std::to_string(t + 0.3) + " end\n";
    ASSERT_TRUE(rig.run(script)) << c.what;
    EXPECT_EQ(rig.songPresses(), c.presses) << c.what;
  }
}

// A chord shows pressed and holds its voices with the sustain pedal's lamp
// lit while Space is down; losing the focus ends every note and lifts every
// key and pedal; keys do nothing on another screen.
TEST(KeyboardEndToEnd, FocusLossEndsEveryComputerKeyNote) {
  AppRig rig;
  KeyboardView& view = rig.app().activeKeyboardView();
  ASSERT_TRUE(rig.run("0.1 keydown space\n0.2 keydown a\n0.2 keydown s\n0.2 keydown f\n0.3 end\n"));
  EXPECT_EQ(rig.app().soundPlayer().activeVoiceCount(), 3);
  EXPECT_TRUE(firstKeyDown(rig) && rig.app().keyboardSettings().sustainPedalPressed);
  EXPECT_EQ(view.lamp(KeyboardView::Lamp::kSustainPedal)->alpha(), 1.0f);
  ASSERT_TRUE(rig.run("0.1 cancel\n0.2 keyup a\n0.3 end\n"));
  EXPECT_FALSE(firstKeyDown(rig) || rig.app().keyboardSettings().sustainPedalPressed);
  for (int slot = 0; slot < KeyPressEngine::kNumNoteSlots; ++slot) {
    EXPECT_EQ(view.engine().noteIDForSlot(slot) + view.engine().playlistNoForSlot(slot), -2) << slot;
  }
  rig.tap({300, 265});  // settings
  rig.settle();
  ASSERT_TRUE(rig.run("0.1 keydown a\n0.2 end\n"));
  EXPECT_EQ(view.engine().playlistNoForSlot(KeyPressEngine::kNumTouchSlots + 27), -1);
}

}  // namespace
}  // namespace piano::test
