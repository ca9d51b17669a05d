// Storms of random touches from more fingers than there are slots, on one
// keyboard and on two, while a take records: fingers slide within keys, from
// one keyboard to the other and onto the buttons, touches are cancelled, the
// number of keys changes; with the bar, the other screens come and go.
// Afterwards no slot keeps a voice or a note, no finger's voice sounds, every
// key is pictured up and every press of the take has its release.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>

#include "audio/sound_player.h"
#include "keyboard/keyboard_view.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"

namespace piano {
namespace {

using platform::Point;

void storm(unsigned seed, bool dual, bool withBar, bool tall) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << (dual ? " two" : " one") << (withBar ? " bar" : ""));
  test::AppRig rig({.tall = tall, .toneFrames = 120000});
  MainView& app = rig.app();
  app.setDualKeyboard(dual);
  app.showPiano();
  app.setSustainTimeNormal(0);  // the quickest releases
  rig.settle();
  KeyboardView& view = app.activeKeyboardView();
  NoteRecorder& recorder = app.noteRecorder();
  recorder.record();
  const double edge = withBar ? 320 : 273;
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> across(-20, edge), along(-20, (tall ? 568 : 480) + 20);
  std::uniform_int_distribution<int> fingerOf(0, 13), action(0, 199);
  std::map<int, Point> down;
  for (int step = 0; step < 3000; ++step) {
    const int finger = fingerOf(random), what = action(random);
    const Point at{across(random), along(random)};
    if (down.count(finger) == 0) {
      if (what < 120) rig.down(finger, down[finger] = at);
    } else if (what < 140) {
      rig.up(finger, at), down.erase(finger);
    } else {  // small slides within a key, across x 130, long ones anywhere
      const Point from = down[finger];
      const Point to = what < 160 ? Point{std::min(edge, from.x + 2), from.y + 3}
                       : what < 180 ? Point{from.x < 130 ? from.x + 80 : from.x - 80, from.y + 1} : at;
      rig.move(finger, down[finger] = to);
    }
    if (what == 199) rig.window().cancelAllTouches(rig.clock.now()), down.clear();
    if (what == 198 && step % 5 == 0) app.setNumKeysToDisplay(8 + step % 8);
    if (app.currentScreen() != &view) rig.settle(), app.showPiano(), rig.settle();  // as the root view would
    if (step % 4 == 0) rig.advance(128 / 44100.0);
  }
  for (const auto& [finger, at] : down) rig.up(finger, at);
  rig.advance(512 / 44100.0);  // stops take effect once their voices have been mixed
  for (int v = 0; v < kNumVoices && !withBar; ++v) {  // with the bar, playback may sound
    const Voice& voice = app.soundPlayer().voiceForTest(v);
    EXPECT_TRUE(!voice.playing || voice.wantToStop || voice.phase == VoicePhase::kRelease) << "voice " << v;
  }
  for (int slot = 0; slot < KeyPressEngine::kNumTouchSlots; ++slot) {
    EXPECT_EQ(std::pair(view.engine().playlistNoForSlot(slot), view.engine().noteIDForSlot(slot)), std::pair(-1, -1));
  }
  EXPECT_EQ(view.touchscreen().heldSlotCount(), 0);
  EXPECT_TRUE(withBar || recorder.currentTake().size() > 1000);
  std::map<int, int> balance;  // note ID: presses minus releases, before the take's repair
  for (const Note& note : recorder.currentTake()) balance[note.noteID] += note.keyDown ? 1 : -1;
  for (const auto& [id, count] : balance) EXPECT_EQ(count, 0) << "note " << id;
  recorder.stop();
  rig.advance(0.05);  // playback reports the stop: the keys lift
  for (int kb = 0; kb < view.numKeyboards(); ++kb) {
    for (int p = 0; p < keys::kNumWhiteKeyViews; ++p) EXPECT_EQ(view.whiteKey(kb, p).image(), view.images().white({}));
    for (int j = 0; j < keys::kNumBlackKeyViews; ++j) EXPECT_EQ(view.blackKey(kb, j).image(), view.images().black({}));
  }
}

TEST(TouchStorm, ElevenFingersOnOneKeyboardOrTwoLeaveNothingSounding) {
  for (const bool dual : {false, true}) {
    for (const auto& [seed, withBar, tall] : {std::tuple{1u, false, dual}, {2u, true, !dual}, {3u, true, dual}}) {
      storm(seed + (dual ? 10 : 0), dual, withBar, tall);
    }
  }
}

}  // namespace
}  // namespace piano
