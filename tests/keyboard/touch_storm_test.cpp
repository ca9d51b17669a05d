// A storm of random touches from more fingers than the slots hold, on the
// single keyboard through the window, while a take records: afterwards no
// voice that a finger started is still sounding, every recorded press has its
// release, and no slot keeps a voice or a note.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "keyboard/single_keyboard_view.h"
#include "keyboard_rig.h"

namespace piano {
namespace {

using platform::Point;

void expectEverythingReleased(test::ViewRig& rig) {
  SingleKeyboardView& view = *rig.view;
  rig.render();
  rig.render();
  for (int v = 0; v < kNumVoices; ++v) {
    const Voice& voice = rig.voice(v);
    EXPECT_TRUE(!voice.playing || voice.phase == kRelease) << "voice " << v << " still held";
  }
  for (int slot = 0; slot < KeyPressEngine::kNumTouchSlots; ++slot) {
    EXPECT_EQ(view.engine().playlistNoForSlot(slot), -1);
    EXPECT_EQ(view.engine().noteIDForSlot(slot), -1);
  }
  EXPECT_EQ(view.touchscreen().heldSlotCount(), 0);
  std::map<int, int> balance;  // note ID -> presses minus releases
  for (const Note& note : rig.recorder.currentTake()) balance[note.noteID] += note.keyDown ? 1 : -1;
  for (const Note& note : rig.recorder.notesSnapshot()) balance[note.noteID] += note.keyDown ? 1 : -1;
  for (const auto& [id, count] : balance) EXPECT_EQ(count, 0) << "note " << id;
}

// `withBar`: fingers also land on the bar's buttons (record, play, settings,
// library...); the root view would bring the keyboard back after a fade.
void storm(unsigned seed, bool withBar) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << (withBar ? " with the bar" : ""));
  test::ViewRig rig;
  SingleKeyboardView& view = *rig.view;
  view.setNumKeysToDisplay(12);
  rig.recorder.record();
  std::mt19937 random(seed);
  // Keys and radar, a little off the edge of the screen, and maybe the bar.
  std::uniform_real_distribution<double> across(-20, withBar ? 320 : 273);
  std::uniform_real_distribution<double> along(-20, 500);
  std::uniform_int_distribution<int> fingerOf(0, 13);  // more fingers than slots
  std::uniform_int_distribution<int> action(0, 99);
  std::map<int, Point> down;

  for (int step = 0; step < 4000; ++step) {
    const int finger = fingerOf(random);
    const int what = action(random);
    const Point at{across(random), along(random)};
    const bool isDown = down.count(finger) != 0;
    if (!isDown && what < 60) {
      rig.screen.down(finger, at);
      down[finger] = at;
    } else if (isDown && what < 70) {
      rig.screen.up(finger, at);
      down.erase(finger);
    } else if (isDown) {
      // Small slides within a key and long ones across keys and onto the radar.
      const double edge = withBar ? 320 : 273;
      const Point to = what < 85 ? Point{std::min(edge, down[finger].x + 3), down[finger].y + 4} : at;
      rig.screen.move(finger, to);
      down[finger] = to;
    }
    if (what == 99) {
      rig.screen.window().cancelAllTouches(rig.screen.time);
      down.clear();
    }
    if (what == 98) view.setSoftPedalPressed(!view.engine().softPedalPressed());
    if (view.engine().fadingToSettings() && what < 10) {
      view.showing();
      view.redraw();
    }
    if (step % 3 == 0) rig.render();
    rig.wall += 0.001;
  }
  for (const auto& [finger, at] : down) rig.screen.up(finger, at);
  if (!withBar) {
    EXPECT_EQ(rig.recorder.getNRState(), 2);
    EXPECT_GT(rig.recorder.currentTake().size(), 1000u);
  }
  // A take stopped by the bar joins the song when the playback thread says so.
  view.liftAllKeysAndStopRecording();
  expectEverythingReleased(rig);
}

TEST(TouchStorm, ElevenFingersLeaveNothingSounding) {
  for (unsigned seed : {1u, 2u, 3u}) storm(seed, false);
}

TEST(TouchStorm, ElevenFingersAndTheButtonsLeaveNothingSounding) {
  for (unsigned seed : {4u, 5u, 6u}) storm(seed, true);
}

}  // namespace
}  // namespace piano
