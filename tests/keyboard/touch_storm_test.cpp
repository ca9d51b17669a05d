// A storm of random touches from more fingers than there are slots, on the
// single keyboard through the window, while a take records: afterwards no
// voice a finger started still sounds, every recorded press has its release,
// and no slot keeps a voice or a note.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "keyboard_app.h"

namespace piano {
namespace {

// `withBar`: fingers also land on the bar (record, play, settings...); the
// root view brings the keyboard back a while after it fades.
void storm(unsigned seed, bool withBar) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << (withBar ? " with the bar" : ""));
  test::KeyboardApp app({.numKeysToDisplay = 12});
  app.recorder.record();
  std::mt19937 random(seed);
  const double edge = withBar ? 320 : 273;  // keys and radar, or everything
  std::uniform_real_distribution<double> across(-20, edge), along(-20, 500);
  std::uniform_int_distribution<int> fingerOf(0, 13), action(0, 99);
  std::map<int, platform::Point> down;
  for (int step = 0; step < 4000; ++step) {
    const int finger = fingerOf(random), what = action(random);
    const platform::Point at{across(random), along(random)};
    if (down.count(finger) == 0) {
      if (what < 60) {
        app.down(finger, at.x, at.y);
        down[finger] = at;
      }
    } else if (what < 70) {
      app.up(finger);
      down.erase(finger);
    } else {
      // Small slides within a key, long ones across keys and onto the radar.
      const platform::Point to = what < 85 ? platform::Point{std::min(edge, down[finger].x + 3), down[finger].y + 4} : at;
      app.move(finger, to.x, to.y);
      down[finger] = to;
    }
    if (what == 99) {
      app.view->window()->cancelAllTouches(app.clock.now());
      down.clear();
    }
    if (what == 98) app.view->setSoftPedalPressed(!app.engine().softPedalPressed());
    if (app.engine().fadingToSettings() && what < 10) {
      app.view->showing();
      app.view->redraw();
    }
    if (step % 3 == 0) app.render();
  }
  for (const auto& [finger, at] : down) app.up(finger);
  if (!withBar) {
    EXPECT_GT(app.recorder.currentTake().size(), 1000u);
  }
  std::map<int, int> balance;  // note ID: presses minus releases
  for (const Note& note : app.recorder.currentTake()) balance[note.noteID] += note.keyDown ? 1 : -1;
  for (const auto& [id, count] : balance) EXPECT_EQ(count, 0) << "note " << id;
  app.render();
  app.render();
  for (int v = 0; v < kNumVoices; ++v) {
    EXPECT_TRUE(!app.voice(v).playing || app.voice(v).phase == VoicePhase::kRelease) << v;
  }
  for (int slot = 0; slot < KeyPressEngine::kNumTouchSlots; ++slot) {
    EXPECT_EQ(app.engine().playlistNoForSlot(slot), -1);
    EXPECT_EQ(app.engine().noteIDForSlot(slot), -1);
  }
  EXPECT_EQ(app.view->touchscreen().heldSlotCount(), 0);
}

TEST(TouchStorm, ElevenFingersLeaveNothingSounding) {
  for (unsigned seed : {1u, 2u, 3u}) storm(seed, false);
  for (unsigned seed : {4u, 5u, 6u}) storm(seed, true);
}

}  // namespace
}  // namespace piano
