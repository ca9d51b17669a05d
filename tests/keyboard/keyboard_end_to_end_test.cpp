// The keyboard screen end to end through the headless driver, with the built
// sample set when there is one: a tap sounds its key's pitch at the next
// buffer, a recorded take plays back the same notes in the same order with the
// keys moving by themselves, play and record stop a song that plays, and
// screenshots for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/sample_level.h"
#include "keyboard_app.h"

namespace piano::test {
namespace {

std::string sampleDir() {
  const std::string dir = PIANO_SAMPLE_DIR;
  return std::filesystem::exists(dir + "/88.mav") ? dir : "";
}

// Portrait point of white key `position` (start key C3, 8 keys).
std::string whiteKey(int position) { return "50 " + std::to_string(60 * position + 30); }

TEST(KeyboardEndToEnd, ATapSoundsTheKeysPitch) {
  const std::string dir = sampleDir();
  if (dir.empty()) GTEST_SKIP() << "no sample set at " << PIANO_SAMPLE_DIR << " (build target piano_samples)";
  KeyboardApp app({.sampleDir = dir});
  const std::pair<std::string, int> taps[] = {{whiteKey(4), 35}, {whiteKey(5), 37}, {"150 60", 29}, {whiteKey(7), 40}};
  std::string script;
  for (int i = 0; i < 4; ++i) {
    script += std::to_string(0.1 + i) + " down 1 " + taps[i].first + "\n" + std::to_string(0.7 + i) + " up 1\n";
  }
  const double start = app.clock.now();
  ASSERT_TRUE(app.run(script + "4.1 end\n"));
  for (int i = 0; i < 4; ++i) {
    const int key = taps[i].second;
    long long onset = app.frameAt(start + 0.1 + i);
    const long long touched = onset;
    const float audible = 300 / kSampleSetMakeUpGain;  // as heard: the raw mix keeps the set's headroom
    while (onset < app.frameAt(start + 0.7 + i) && std::abs(app.audio()[static_cast<std::size_t>(2 * onset)]) < audible) {
      ++onset;
    }
    EXPECT_LE(onset - touched, 256 + 64) << "key " << key << ": sound later than the next buffer";
    const double f = fundamentalFrequency(monoSlice(app.audio(), onset + 4410, 8192));
    EXPECT_NEAR(f / keyFrequency(key), 1.0, 0.01) << "key " << key << ": " << f << " Hz";
    std::printf("key %d: %.2f Hz, equal temperament %.2f Hz\n", key, f, keyFrequency(key));
  }
}

TEST(KeyboardEndToEnd, ARecordedTakePlaysBackTheSameNotesInOrder) {
  const std::string dir = sampleDir();
  KeyboardApp app({.sampleDir = dir});  // test tones without the sample set
  const double start = app.clock.now();
  // Record; C3, then E3 sliding on to G3; stop.
  ASSERT_TRUE(app.run("0.10 down 9 300 160\n0.15 up 9\n0.30 down 1 " + whiteKey(0) + "\n0.70 up 1\n0.90 down 2 " +
                      whiteKey(2) + "\n1.20 move 2 " + whiteKey(4) + "\n1.60 up 2\n1.80 down 9 300 160\n1.85 up 9\n"
                      "2.0 end\n"));
  std::vector<int> pressed;
  for (const Note& note : app.recorder.notesSnapshot()) {
    if (note.keyDown) pressed.push_back(note.sampleNo);
  }
  EXPECT_EQ(pressed, (std::vector<int>{27, 31, 34}));
  EXPECT_FALSE(app.engine().recordLit());

  // Play: the first key goes down by itself; at the end everything is up.
  const double playAt = app.clock.now() + 0.1 - start;
  ASSERT_TRUE(app.run("0.10 down 9 300 120\n0.15 up 9\n0.3 end\n"));
  EXPECT_TRUE(app.engine().playLit());
  EXPECT_EQ(app.whiteShown(0), WhiteKeyPicture::Down);
  app.advance(2.0);
  EXPECT_FALSE(app.engine().playLit());
  EXPECT_EQ(app.whiteShown(0), WhiteKeyPicture::Up);

  if (dir.empty()) return;
  // Each note where it sounds alone (after the release of the one before), in
  // the take and in the playback, whose clock starts at the first press.
  auto pitches = [&](double offset) {
    std::vector<double> found;
    for (const auto& [at, settle] : {std::pair{0.30, 0.10}, {0.90, 0.09}, {1.20, 0.29}}) {
      found.push_back(fundamentalFrequency(monoSlice(app.audio(), app.frameAt(start + offset + at + settle), 5000)));
    }
    return found;
  };
  const std::vector<double> live = pitches(0.0), played = pitches(playAt - 0.30);
  const int keys[] = {28, 32, 35};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(live[i] / keyFrequency(keys[i]), 1.0, 0.01) << "live note " << i;
    EXPECT_NEAR(played[i] / keyFrequency(keys[i]), 1.0, 0.01) << "played note " << i;
  }
}

// Play or record pressed while the song plays stops it there and starts
// nothing new: the lamps go out, the moving key comes up, the sounding note
// goes into its release and the rest of the song never comes.
TEST(KeyboardEndToEnd, PlayOrRecordPressedWhileTheSongPlaysStopsIt) {
  KeyboardApp app;
  // The song: C3 from its start to 1.0 s, E3 at 1.2 s.
  ASSERT_TRUE(app.run("0.10 down 9 300 160\n0.15 up 9\n0.30 down 1 " + whiteKey(0) + "\n1.30 up 1\n1.50 down 2 " +
                      whiteKey(2) + "\n1.60 up 2\n1.80 down 9 300 160\n1.85 up 9\n2.0 end\n"));
  for (const std::string button : {"120", "160"}) {  // play, record
    ASSERT_TRUE(app.run("0.10 down 9 300 120\n0.15 up 9\n0.30 end\n"));
    ASSERT_EQ(app.whiteShown(0), WhiteKeyPicture::Down);
    const double stopAt = app.clock.now();
    ASSERT_TRUE(app.run("0.01 down 9 300 " + button + "\n0.05 up 9\n0.06 end\n"));
    EXPECT_EQ(app.recorder.getNRState(), RecorderState::kIdle) << button;
    EXPECT_FALSE(app.engine().playLit() || app.engine().recordLit()) << button;
    EXPECT_EQ(app.whiteShown(0), WhiteKeyPicture::Up) << button;
    for (int v = 0; v < kNumVoices; ++v) EXPECT_TRUE(app.released(v)) << button << " voice " << v;
    app.advance(1.5);
    const std::vector<float> after = monoSlice(app.audio(), app.frameAt(stopAt + 0.4), 44100);
    EXPECT_EQ(after.size(), 44100u);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float x) { return x == 0.0f; })) << button;
  }
}

TEST(KeyboardEndToEnd, Screenshots) {
  for (bool tall : {false, true}) {
    KeyboardApp app({.display = true, .tall = tall, .numKeysToDisplay = tall ? 10 : 8, .displayNoteNames = 3});
    const std::string path = ::testing::TempDir() + (tall ? "keyboard_tall.png" : "keyboard.png");
    // White keys down (two neighbours), a black key, the sustain pedal and record.
    const std::string sustain = tall ? "420" : "360", record = tall ? "200" : "160";
    ASSERT_TRUE(app.run("0.1 down 1 50 90\n0.1 down 2 50 150\n0.1 down 3 50 330\n0.1 down 4 150 240\n"
                        "0.2 down 5 300 " + sustain + "\n0.25 up 5\n0.3 down 6 300 " + record + "\n0.35 up 6\n"
                        "0.5 shot " + path + "\n0.6 end\n"));
    EXPECT_TRUE(std::filesystem::exists(path));
    std::printf("Screenshot: %s\n", path.c_str());
  }
}

}  // namespace
}  // namespace piano::test
