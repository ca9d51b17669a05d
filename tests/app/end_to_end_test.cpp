// The whole application driven by scripted touches, as a player would use it:
// record two takes, save the song, erase it, load it again and play it back.
// The playback must play the same notes in the same order, and sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/main_view.h"
#include "audio/sound_player.h"
#include "platform/headless_driver.h"
#include "platform/localized_strings.h"
#include "platform/manual_clock.h"
#include "platform/paced_audio_output.h"
#include "platform/run_loop.h"
#include "platform/window.h"
#include "recording/note.h"
#include "recording/note_recorder.h"

namespace piano {
namespace {

namespace fs = std::filesystem;

// Portrait points of the single keyboard (normal screen) and the library.
constexpr const char* kScript = R"(
# the welcome's button, in landscape points
0.20 down 9 240 222
0.25 up 9
portrait
# take 1: record, C3 and E3, stop
0.50 down 1 300 170
0.55 up 1
1.00 down 1 40 30
1.30 up 1
1.50 down 2 40 150
1.80 up 2
2.00 down 1 300 170
2.05 up 1
# take 2, over the first: G3 while the song plays
2.50 down 1 300 170
2.55 up 1
3.40 down 3 40 270
3.70 up 3
4.20 down 1 300 170
4.25 up 1
# the library: name the song and save it
4.60 down 1 300 220
4.65 up 1
5.20 down 1 225 213
5.25 up 1
5.40 text two takes
5.50 key return
5.70 down 1 225 440
5.75 up 1
6.00 down 1 90 170
6.05 up 1
# modify mode: erase the whole song, OK
6.30 down 1 290 285
6.35 up 1
6.60 down 1 120 360
6.65 up 1
6.90 down 1 90 170
6.95 up 1
# back to the list; the song is selected after the save: load it
7.20 down 1 290 200
7.25 up 1
7.50 down 1 170 440
7.55 up 1
7.80 down 1 90 170
7.85 up 1
8.30 down 1 90 170
8.35 up 1
# back to the piano and play
8.60 down 1 300 20
8.65 up 1
9.20 down 1 300 120
9.25 up 1
13.0 end
)";

TEST(EndToEnd, TwoTakesSavedErasedLoadedAndPlayedBackSoundTheSameNotes) {
  const std::string samples = PIANO_SAMPLE_DIR;
  if (!fs::exists(samples + "/40.mav")) GTEST_SKIP() << "no sample set at " << samples;
  const fs::path documents = fs::path(::testing::TempDir()) / ("e2e-" + std::to_string(::getpid()));
  fs::remove_all(documents);
  fs::create_directories(documents);
  platform::localizedStrings().load(std::string(PIANO_RESOURCE_DIR) + "/strings", "en");

  platform::ManualClock clock(100.0);
  platform::RunLoop loop(clock.function());
  platform::Window window({480, 320});
  platform::NullAudioOutput output(/*paced=*/false);
  std::vector<int> played;  // slots of the presses playback played, in order
  MainView::Options o;
  o.runLoop = &loop;
  o.output = &output;
  o.sampleDir = samples;
  o.documentsDirectory = documents.string();
  o.clock = clock.function();
  o.startPlaybackThread = false;
  o.language = "en";
  o.playbackObserver = [&](const Note& note, double) {
    if (note.keyDown) played.push_back(note.sampleNo);
  };
  platform::HeadlessDriver driver(window, &loop, clock);
  auto view = MainView::create(o);
  window.setRootView(view);

  // Playback passes and the sound move with the script's clock, a millisecond
  // at a time. The voices sounding during the final playback tell sound from
  // silence.
  const double start = clock.now();
  int voicesDuringPlayback = 0;
  std::function<void()> everyMillisecond = [&] {
    view->noteRecorder().playbackPass();
    const auto due = static_cast<long long>((clock.now() - start) * platform::kSampleRate);
    while (output.framesRendered() + 256 <= due) output.renderFrames(256);
    if (clock.now() - start > 9.3) {
      voicesDuringPlayback = std::max(voicesDuringPlayback, view->soundPlayer().activeVoiceCount());
    }
    loop.performAfterDelay(0.001, everyMillisecond);
  };
  loop.performAfterDelay(0.0, everyMillisecond);

  platform::TouchScript script;
  std::string error;
  ASSERT_TRUE(platform::TouchScript::parse(kScript, &script, &error)) << error;
  driver.run(script);

  // What was saved: both takes, in time order.
  std::ifstream saved(documents / "two takes.SAV");
  ASSERT_TRUE(saved) << "the song was not saved under its name";
  EXPECT_EQ(view->noteRecorder().getNumNotes(), 6) << "loaded: three presses and their releases";
  // Take 1 (C3, E3) sounds while take 2 is recorded; then the loaded song
  // plays all three in time order: G3 came 0.9 s into take 2.
  EXPECT_EQ(played, (std::vector<int>{27, 31, 27, 31, 34}));
  EXPECT_GE(voicesDuringPlayback, 1);
  window.setRootView(nullptr);
  view.reset();
  fs::remove_all(documents);
}

}  // namespace
}  // namespace piano
