// Two threads start and stop voices at random while a third renders, as the main,
// playback and audio threads do (for ThreadSanitizer): at the end every voice
// stopped is silent, so no start or stop was lost and none mixed half-written.
// Samples that arrive while keys are started and rendered are seen whole.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "audio/sound_player.h"

namespace piano {
namespace {

TEST(HandOver, RandomStartsAndStopsFromTwoThreadsLeaveNothingSounding) {
  SoundPlayer engine({});
  for (int slot = 0; slot < kNumSampleSlots; ++slot) {
    // Long enough that no voice ends by running out during the test.
    engine.setSampleData(slot, std::vector<std::int16_t>(44100 * 60, static_cast<std::int16_t>(slot * 100)));
  }
  std::atomic<bool> rendering{true};
  std::thread audio([&] {
    std::int16_t buffer[512];
    while (rendering.load()) engine.render({buffer, 256});
  });

  auto player = [&](unsigned seed, std::vector<int>& held) {
    std::mt19937 rng(seed);
    for (int i = 0; i < 20000; ++i) {
      if (held.size() < 15 && rng() % 2) {
        const int v = engine.playSampleWithSampleNo(static_cast<int>(rng() % 90), 0.5, 1.0f, -0.01f);
        if (v >= 0) held.push_back(v);
      } else if (!held.empty()) {
        const std::size_t k = rng() % held.size();
        engine.stopSample(held[k]);
        held.erase(held.begin() + static_cast<long>(k));
      }
      if (rng() % 1000 == 0) std::this_thread::yield();
    }
  };
  std::vector<int> held[2];
  std::thread a([&] { player(1, held[0]); });
  player(2, held[1]);
  a.join();
  for (int v : held[0]) engine.stopSample(v);
  for (int v : held[1]) engine.stopSample(v);

  // A release of -0.01 per frame takes about 100 frames; give it a few buffers.
  const std::uint64_t seen = engine.renderedBuffers();
  while (engine.renderedBuffers() < seen + 8) std::this_thread::yield();
  rendering.store(false);
  audio.join();
  EXPECT_EQ(engine.activeVoiceCount(), 0);
  for (int v = 0; v < kNumVoices; ++v) EXPECT_FALSE(engine.voiceForTest(v).playing) << "voice " << v;
}

TEST(HandOver, SamplesArrivingWhileAnotherThreadStartsTheirKeysAreSeenWhole) {
  SoundPlayer engine({});
  std::atomic<bool> playing{true};
  std::thread audio([&] {
    std::int16_t buffer[512];
    while (playing.load()) engine.render({buffer, 256});
  });
  std::thread starter([&] {
    for (int i = 0; playing.load(); ++i) engine.stopSample(engine.playSampleWithSampleNo(i % 8, 0.5, 1.0f, -1.0f));
  });
  for (int slot = 0; slot < 8; ++slot) {
    EXPECT_TRUE(engine.loadArrivedSample(slot, PIANO_SAMPLE_DIR "/" + SoundPlayer::sampleFileName(slot)));
  }
  playing.store(false);
  starter.join();
  audio.join();
  for (int slot = 0; slot < 8; ++slot) EXPECT_GE(engine.playSampleWithSampleNo(slot, 0.5, 1.0f, -1.0f), 0);
}

}  // namespace
}  // namespace piano
