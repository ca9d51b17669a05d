// Recording, erasing, merging, loading and playback at once, with the real
// playback thread and an audio thread rendering. Meant for the ThreadSanitizer
// and AddressSanitizer builds: any race or use of a freed note shows there.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "recorder_support.h"

namespace piano::testing {
namespace {

TEST(ConcurrencyTest, RecordingErasingAndPlaybackAtOnce) {
  platform::RunLoop loop;
  LoggingParent parent;
  SoundPlayer player(SoundPlayer::Options{});
  fillSlots(player, 0.05);
  Metronome metronome(player, loop);
  NoteRecorder recorder(&parent, player, metronome, loop);
  parent.recorder = &recorder;

  std::atomic<bool> running{true};
  std::thread audio([&] {
    std::vector<std::int16_t> buffer(256 * 2);
    while (running.load()) {
      player.render({buffer.data(), 256});
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });

  ASSERT_TRUE(recorder.setState(randomSongSection(9, 300), 2));
  std::mt19937 random(11);
  const double end = platform::mediaTime() + 1.5;
  std::vector<int> held;
  int rounds = 0;
  while (platform::mediaTime() < end) {
    ++rounds;
    switch (random() % 12) {
      case 0:
        recorder.record();
        break;
      case 1:
        recorder.stop();
        break;
      case 2:
        recorder.play();
        break;
      case 3:
        recorder.eraseLastXNotes(1 + static_cast<int>(random() % 3));
        break;
      case 4:
        recorder.eraseLastOverdub();
        break;
      case 5:
        if (random() % 20 == 0) recorder.eraseWholeSong();
        break;
      case 6:
        if (random() % 10 == 0) recorder.setState(randomSongSection(static_cast<unsigned>(rounds), 100), 2);
        break;
      default: {
        const int slot = static_cast<int>(random() % 88);
        const int id = recorder.addPlayNote(slot, 0.5f, 1.0f, -0.01f);
        if (id >= 0) held.push_back(id);
        if (held.size() > 3 || random() % 2 == 0) {
          for (int h : held) recorder.addStopNote(h, recorder.getSampleNoForNoteID(h));
          held.clear();
        }
        break;
      }
    }
    (void)recorder.getState();
    loop.runDue();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  recorder.stop();
  const double settle = platform::mediaTime() + 0.1;
  while (platform::mediaTime() < settle) {
    loop.waitForEvents(0.01);
    loop.runDue();
  }
  running.store(false);
  audio.join();

  EXPECT_EQ(recorder.getNRState(), RecorderState::kIdle);
  EXPECT_LE(recorder.getNumNotes(), NoteRecorder::kMaxNotes);
  // Whatever happened, the song is well formed: sorted presses with releases.
  const auto song = recorder.notesSnapshot();
  for (std::size_t i = 0; i < song.size(); ++i) {
    EXPECT_GE(song[i].sampleNo, 0);
    if (!song[i].keyDown) continue;
    bool released = false;
    for (std::size_t j = i + 1; j < song.size() && !released; ++j) released = song[j].noteID == song[i].noteID;
    EXPECT_TRUE(released) << "press " << i;
  }
  EXPECT_GT(rounds, 100);
}

}  // namespace
}  // namespace piano::testing
