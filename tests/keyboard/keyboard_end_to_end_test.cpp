// The keyboard screen end to end through the headless driver, with the real
// sample set when it has been built: a tap sounds the key's pitch, a recorded
// take plays back the same notes in the same order with the keys moving by
// themselves, and screenshots of the screen for a person to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "keyboard_app.h"

namespace piano::test {
namespace {

std::string sampleDir() {
  const std::string dir = PIANO_SAMPLE_DIR;
  return std::filesystem::exists(dir + "/1.mav") && std::filesystem::exists(dir + "/88.mav") ? dir : "";
}

// First frame at or after `from` whose level rises above `threshold`.
long long onsetAfter(const std::vector<std::int16_t>& audio, long long from, int threshold = 300) {
  for (long long i = std::max(0LL, from); i < static_cast<long long>(audio.size() / 2); ++i) {
    if (std::abs(audio[static_cast<std::size_t>(2 * i)]) > threshold) return i;
  }
  return -1;
}

// Portrait points of white key `position` with 8 keys shown (scale 1).
std::string whiteKeyAt(int position) { return "50 " + std::to_string(60 * position + 30); }

TEST(KeyboardEndToEnd, ATapSoundsTheKeysPitch) {
  const std::string dir = sampleDir();
  if (dir.empty()) GTEST_SKIP() << "no sample set at " << PIANO_SAMPLE_DIR << " (build target piano_samples)";
  KeyboardApp app({dir});
  // Start key 28 (C3): position 4 is G3 (key 35), position 5 A3 (37); black
  // boundary 1 is C#3 (29).
  struct Case {
    std::string at;
    int key;
  };
  const Case cases[] = {{whiteKeyAt(4), 35}, {whiteKeyAt(5), 37}, {"150 60", 29}, {whiteKeyAt(7), 40}};
  double t = 0.1;
  std::string script;
  for (const Case& c : cases) {
    script += std::to_string(t) + " down 1 " + c.at + "\n" + std::to_string(t + 0.6) + " up 1\n";
    t += 1.0;
  }
  script += std::to_string(t) + " end\n";
  const double start = app.clock.now();
  ASSERT_TRUE(app.run(script));
  t = 0.1;
  for (const Case& c : cases) {
    const long long onset = onsetAfter(app.audio(), app.frameAt(start + t));
    ASSERT_GE(onset, 0) << "key " << c.key << " made no sound";
    // The tap reaches the output at the next buffer.
    EXPECT_LE(onset - app.frameAt(start + t), 256 + 64) << "key " << c.key;
    const double f = fundamentalFrequency(monoSlice(app.audio(), onset + 4410, 8192));
    EXPECT_NEAR(f / keyFrequency(c.key), 1.0, 0.01) << "key " << c.key << ": " << f << " Hz";
    std::printf("key %d: %.2f Hz, equal temperament %.2f Hz\n", c.key, f, keyFrequency(c.key));
    t += 1.0;
  }
}

TEST(KeyboardEndToEnd, ARecordedTakePlaysBackTheSameNotesInOrder) {
  const std::string dir = sampleDir();
  KeyboardApp app({dir});  // test tones when the sample set is missing
  const double start = app.clock.now();
  // Record, three notes with a slide in the middle, stop.
  ASSERT_TRUE(app.run(
      "0.10 down 9 300 160\n0.15 up 9\n"
      "0.30 down 1 " + whiteKeyAt(0) + "\n0.70 up 1\n"
      "0.90 down 2 " + whiteKeyAt(2) + "\n1.20 move 2 " + whiteKeyAt(4) + "\n1.60 up 2\n"
      "1.80 down 9 300 160\n1.85 up 9\n2.0 end\n"));
  const std::vector<Note> song = app.recorder.notesSnapshot();
  std::vector<int> pressed;
  for (const Note& note : song) {
    if (note.keyDown) pressed.push_back(note.sampleNo);
  }
  EXPECT_EQ(pressed, (std::vector<int>{27, 31, 34}));  // C3, E3, G3
  EXPECT_FALSE(app.view->engine().recordLit());

  // Play it back, watching the keys move by themselves.
  const double playAt = app.clock.now() + 0.1 - start;
  ASSERT_TRUE(app.run("0.10 down 9 300 120\n0.15 up 9\n0.3 end\n"));
  EXPECT_TRUE(app.view->engine().playLit());
  EXPECT_EQ(app.view->whiteKey(0).image(), app.view->images().whiteKeyPressedImage);
  EXPECT_TRUE(app.view->engine().keyboard(0).mechanicalKeys[27]);
  app.advance(2.0);
  EXPECT_FALSE(app.view->engine().playLit());  // the song ended
  EXPECT_EQ(app.view->whiteKey(0).image(), app.view->images().whiteKeyImage);

  // The live take and the playback sound the same pitches in the same order,
  // the same time apart (measured after the previous note's release has faded).
  if (dir.empty()) return;
  auto pitchesFrom = [&](double offset) {
    std::vector<double> pitches;
    // Each note where it sounds alone: after the release of the one before.
    const std::pair<double, double> notes[] = {{0.30, 0.10}, {0.90, 0.09}, {1.20, 0.29}};
    for (const auto& [noteStart, settle] : notes) {
      const long long first = app.frameAt(start + offset + noteStart + settle);
      pitches.push_back(fundamentalFrequency(monoSlice(app.audio(), first, 5000)));
    }
    return pitches;
  };
  const std::vector<double> live = pitchesFrom(0.0);
  // Playback starts the song's clock at the first press (no metronome).
  const std::vector<double> played = pitchesFrom(playAt - 0.30);
  const int keys[] = {28, 32, 35};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(live[static_cast<std::size_t>(i)] / keyFrequency(keys[i]), 1.0, 0.01) << "live note " << i;
    EXPECT_NEAR(played[static_cast<std::size_t>(i)] / keyFrequency(keys[i]), 1.0, 0.01) << "played note " << i;
  }
}

TEST(KeyboardEndToEnd, Screenshots) {
  for (bool tall : {false, true}) {
    KeyboardApp::Options options;
    options.display = true;
    options.tall = tall;
    options.displayNoteNames = 3;
    options.numKeysToDisplay = tall ? 10 : 8;
    KeyboardApp app(options);
    const std::string dir = ::testing::TempDir();
    const std::string name = dir + (tall ? "keyboard_tall" : "keyboard");
    // Three white keys down (two neighbours), a black key, the sustain pedal and record.
    ASSERT_TRUE(app.run("0.1 down 1 50 90\n0.1 down 2 50 150\n0.1 down 3 50 330\n0.1 down 4 150 240\n"
                        "0.2 down 5 300 " + std::string(tall ? "420" : "360") + "\n0.25 up 5\n"
                        "0.3 down 6 300 " + std::string(tall ? "200" : "160") + "\n0.35 up 6\n"
                        "0.5 shot " + name + ".png\n0.6 end\n"));
    EXPECT_TRUE(std::filesystem::exists(name + ".png"));
    std::printf("Screenshot: %s.png\n", name.c_str());
  }
}

}  // namespace
}  // namespace piano::test
