// The whole application driven by scripted touches, as a player would use it:
// record two takes, save the song, erase it, load it again and play it back.
// The playback must play the same notes in the same order, and sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "recording/note.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"

namespace piano {
namespace {

// The run: each press with its lift, in portrait points of the normal screen.
struct Press {
  double down, up;
  int finger;
  double x, y;
};
constexpr Press kPresses[] = {
    {0.20, 0.25, 9, 98, 240},  // the welcome's button
    // take 1: record, C3 and E3, stop; take 2 over it: G3 while the song plays
    {0.50, 0.55, 1, 300, 170}, {1.00, 1.30, 1, 40, 30}, {1.50, 1.80, 2, 40, 150}, {2.00, 2.05, 1, 300, 170},
    {2.50, 2.55, 1, 300, 170}, {3.40, 3.70, 3, 40, 270}, {4.20, 4.25, 1, 300, 170},
    // the library: name the song (typed at 5.4) and save it, OK
    {4.60, 4.65, 1, 300, 220}, {5.20, 5.25, 1, 225, 213}, {5.70, 5.75, 1, 225, 440}, {6.00, 6.05, 1, 90, 170},
    // modify mode: erase the whole song, OK; back to the list, load the song saved (selected), OK, OK
    {6.30, 6.35, 1, 290, 285}, {6.60, 6.65, 1, 120, 360}, {6.90, 6.95, 1, 90, 170}, {7.20, 7.25, 1, 290, 200},
    {7.50, 7.55, 1, 170, 440}, {7.80, 7.85, 1, 90, 170}, {8.30, 8.35, 1, 90, 170},
    // back to the piano and play
    {8.60, 8.65, 1, 300, 20}, {9.20, 9.25, 1, 300, 120}};

std::string script() {
  std::vector<std::pair<double, std::string>> lines = {{5.40, "text two takes"}, {5.50, "key return"}, {13.0, "end"}};
  for (const Press& p : kPresses) {
    const std::string finger = std::to_string(p.finger);
    lines.push_back({p.down, "down " + finger + " " + std::to_string(p.x) + " " + std::to_string(p.y)});
    lines.push_back({p.up, "up " + finger});
  }
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const auto& [time, action] : lines) text += std::to_string(time) + " " + action + "\n";
  return text;
}

TEST(EndToEnd, TwoTakesSavedErasedLoadedAndPlayedBackSoundTheSameNotes) {
  if (!std::filesystem::exists(std::string(PIANO_SAMPLE_DIR) + "/40.mav")) GTEST_SKIP() << "no sample set";
  std::vector<int> played;  // slots of the presses playback played, in order
  test::AppRig rig({.sampleDir = PIANO_SAMPLE_DIR, .welcomeSeen = false, .playbackObserver = [&](const Note& note, double) {
                      if (note.keyDown) played.push_back(note.sampleNo);
                    }});
  const double start = rig.clock.now();
  ASSERT_TRUE(rig.run(script()));
  ASSERT_TRUE(std::filesystem::exists(rig.documents / "two takes.SAV")) << "the song was not saved under its name";
  EXPECT_EQ(rig.app().noteRecorder().getNumNotes(), 6) << "loaded: three presses and their releases";
  // Take 1 (C3, E3) sounds while take 2 is recorded; then the loaded song
  // plays all three in time order: G3 came 0.9 s into take 2.
  EXPECT_EQ(played, (std::vector<int>{27, 31, 27, 31, 34}));
  EXPECT_GT(rig.peakBetween(start + 9.3, start + 13.0), 1000) << "the played back song sounds";
}

}  // namespace
}  // namespace piano
