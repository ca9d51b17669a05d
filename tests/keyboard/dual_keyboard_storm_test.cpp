// A storm of random touches from more fingers than the slots hold on the
// two-keyboard screen, while a take records: fingers slide within keys, from
// one keyboard to the other and onto the border buttons and the bar, touches
// are cancelled, the window and the pedals change. Once every finger has
// lifted, no voice is left sounding, no slot keeps a voice or a note, every
// key is pictured up, and every recorded press has its release.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "dual_keyboard_rig.h"

namespace piano {
namespace {

using platform::Point;

// Longer than everything the storm renders, so that no voice can end by
// running out of sound: a voice still active at the end was never released.
constexpr int kToneFrames = 120000;
constexpr int kSteps = 3000;
constexpr int kRenderEvery = 4;
constexpr int kRenderFrames = 128;

void expectEverythingReleased(test::DualViewRig& rig) {
  DualKeyboardView& view = *rig.view;
  for (int i = 0; i < 4; ++i) rig.render(256);
  ASSERT_LT(rig.renderedFrames, kToneFrames);
  EXPECT_EQ(rig.sound.activeVoiceCount(), 0);
  for (int slot = 0; slot < KeyPressEngine::kNumTouchSlots; ++slot) {
    EXPECT_EQ(view.engine().playlistNoForSlot(slot), -1) << "slot " << slot;
    EXPECT_EQ(view.engine().noteIDForSlot(slot), -1) << "slot " << slot;
  }
  EXPECT_EQ(view.touchscreen().heldSlotCount(), 0);
  for (int kb = 0; kb < 2; ++kb) {
    for (int p = 0; p < keys::kNumWhiteKeyViews; ++p) {
      EXPECT_EQ(view.whiteKey(kb, p).image(), view.images().whiteKeyImage) << kb << ":" << p;
    }
    for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
      EXPECT_EQ(view.blackKey(kb, j).image(), view.images().blackKeyImage) << kb << ":" << j;
    }
  }
  // The take joins the song as the playback thread would have it do.
  view.liftAllKeysAndStopRecording();
  std::map<int, int> balance;  // note ID -> presses minus releases
  for (const Note& note : rig.recorder.currentTake()) balance[note.noteID] += note.keyDown ? 1 : -1;
  for (const Note& note : rig.recorder.notesSnapshot()) balance[note.noteID] += note.keyDown ? 1 : -1;
  for (const auto& [id, count] : balance) EXPECT_EQ(count, 0) << "note " << id;
}

// `withBar`: fingers also land on the bar (record, play, settings, library,
// pedals, scroll lock); the root view brings the keyboard back after a fade.
void storm(unsigned seed, bool withBar, bool tall) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << (withBar ? " with the bar" : "") << (tall ? " tall" : ""));
  test::TallScreenScope flag(tall);
  test::DualViewRig rig(kToneFrames);
  DualKeyboardView& view = *rig.view;
  // Quick releases, so that released voices end within a buffer or two.
  view.setSustainTimeNormal(-0.01f);
  view.setSustainTimePedal(-0.005f);
  view.setNumKeysToDisplay(10);
  rig.recorder.record();
  const double length = tall ? 568 : 480;
  std::mt19937 random(seed);
  const double edge = withBar ? 320 : 273;
  std::uniform_real_distribution<double> across(-20, edge);
  std::uniform_real_distribution<double> along(-20, length + 20);
  std::uniform_int_distribution<int> fingerOf(0, 13);  // more fingers than slots
  std::uniform_int_distribution<int> action(0, 199);
  std::map<int, Point> down;
  int presses = 0;

  for (int step = 0; step < kSteps; ++step) {
    const int finger = fingerOf(random);
    const int what = action(random);
    const Point at{across(random), along(random)};
    const bool isDown = down.count(finger) != 0;
    if (!isDown && what < 120) {
      rig.screen.down(finger, at);
      down[finger] = at;
      ++presses;
    } else if (isDown && what < 140) {
      rig.screen.up(finger, at);
      down.erase(finger);
    } else if (isDown) {
      // Small slides within a key; slides across x = 130 from one keyboard
      // to the other; long ones anywhere, onto the borders and the bar.
      const Point from = down[finger];
      Point to = at;
      if (what < 160) to = {std::min(edge, from.x + 2), from.y + 3};
      else if (what < 180) to = {from.x < 130 ? from.x + 80 : from.x - 80, from.y + 1};
      rig.screen.move(finger, to);
      down[finger] = to;
    }
    if (what == 199) {
      rig.screen.window().cancelAllTouches(rig.screen.time);
      down.clear();
    }
    if (what == 198) view.setSoftPedalPressed(!view.engine().softPedalPressed());
    if (what == 197) view.setSustainPedalPressed(!view.engine().sustainPedalPressed());
    if (what == 196 && step % 5 == 0) view.setNumKeysToDisplay(8 + step % 8);
    if (view.engine().fadingToSettings() && what < 20) {
      view.showing();
      view.redraw();
    }
    if (step % kRenderEvery == 0) rig.render(kRenderFrames);
    rig.wall += 0.001;
  }
  for (const auto& [finger, at] : down) rig.screen.up(finger, at);
  EXPECT_GT(presses, 1000);
  if (!withBar) {
    EXPECT_EQ(rig.recorder.getNRState(), RecorderState::kRecording);
    EXPECT_GT(rig.recorder.currentTake().size(), 1000u);
  }
  expectEverythingReleased(rig);
}

TEST(DualKeyboardStorm, ElevenFingersOnBothKeyboardsLeaveNothingSounding) {
  storm(11, false, false);
  storm(12, false, true);
  storm(13, false, false);
}

TEST(DualKeyboardStorm, ElevenFingersAndTheBarLeaveNothingSounding) {
  storm(14, true, false);
  storm(15, true, true);
  storm(16, true, false);
}

}  // namespace
}  // namespace piano
