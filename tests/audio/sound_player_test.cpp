// The engine seen from outside: starts and stops through the hand-over, rendered
// by hand, buffer by buffer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <tuple>

#include "audio/mav_codec.h"
#include "audio/sound_player.h"

namespace piano {
namespace {

constexpr int kFrames = 256;

class Engine : public ::testing::Test {
 protected:
  Engine() : engine({nullptr, "", [this] { return clock += tick; }}) {
    for (int slot = 0; slot < kNumSampleSlots; ++slot) {
      engine.setSampleData(slot, std::vector<std::int16_t>(44100, 10000));
    }
  }
  std::vector<std::int16_t> render(int frames = kFrames) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2, 1234);
    EXPECT_EQ(engine.render({out.data(), frames}), 0);
    return out;
  }
  // The voice stealing order, the same whether the clock moves between starts
  // or not.
  void expectTheOldestVoicesToBeTaken();
  double clock = 0.0;
  double tick = 0.001;
  SoundPlayer engine;
};

TEST_F(Engine, InstantAttackPlaysAtItsLevelFromTheFirstFrame) {
  engine.setPianoNotePanning(false);
  ASSERT_EQ(engine.playSampleWithSampleNo(40, 0.5, 1.0f, -0.00008f), 0);
  const auto out = render();
  EXPECT_EQ(out[0], 5000);
  EXPECT_EQ(out[1], 5000);
  EXPECT_EQ(out[2 * 255], 5000);
}

TEST_F(Engine, StopTakesEffectAtTheNextBufferAfterOneWholeBuffer) {
  engine.setPianoNotePanning(false);
  // A click: instant attack, instant release, stopped before it was ever mixed.
  const int v = engine.playSampleWithSampleNo(kMetronomeHiSlot, 1.0, 1.0f, -1.0f);
  engine.stopSample(v);
  const auto first = render();
  EXPECT_EQ(first[2 * 255], 10000) << "sounds for the whole first buffer";
  const auto second = render();
  EXPECT_EQ(second[0], 0) << "the release ends at the first frame of the next buffer";
  EXPECT_EQ(engine.activeVoiceCount(), 0);
}

TEST_F(Engine, ReleaseFadesToSilenceAndFreesTheVoice) {
  engine.setPianoNotePanning(false);
  const int v = engine.playSampleWithSampleNo(10, 1.0, 1.0f, -0.001f);
  render();
  engine.stopSample(v);
  const auto fading = render();
  EXPECT_LT(fading[2 * 100], fading[0]);
  EXPECT_LT(fading[2 * 255], fading[2 * 100]);
  render(1000);  // -0.001 per frame falls from full level in about 1000 frames
  EXPECT_EQ(engine.activeVoiceCount(), 0);
  EXPECT_EQ(render()[0], 0);
}

TEST_F(Engine, ZeroReleaseHoldsUntilTheSampleRunsOutUnlessTheLevelIsZero) {
  engine.setPianoNotePanning(false);
  engine.setSampleData(5, std::vector<std::int16_t>(1001, 8000));  // 1000 playable
  const int v = engine.playSampleWithSampleNo(5, 1.0, 1.0f, 0.0f);
  const int silent = engine.playSampleWithSampleNo(6, 0.0, 1.0f, 0.0f);
  render();
  engine.stopSample(v);
  engine.stopSample(silent);
  const auto held = render();
  EXPECT_EQ(held[2 * 255], 8000);
  EXPECT_EQ(engine.activeVoiceCount(), 1) << "a silent voice does not hold on to its voice";
  render(1000);
  EXPECT_EQ(engine.activeVoiceCount(), 0);
}

TEST_F(Engine, SaturatesAfterEachVoiceInVoiceOrder) {
  engine.setPianoNotePanning(false);
  engine.setSampleData(1, std::vector<std::int16_t>(1000, 20000));
  engine.setSampleData(2, std::vector<std::int16_t>(1000, -20000));
  engine.playSampleWithSampleNo(1, 1.0, 1.0f, -1.0f);
  engine.playSampleWithSampleNo(1, 1.0, 1.0f, -1.0f);
  engine.playSampleWithSampleNo(2, 1.0, 1.0f, -1.0f);
  const auto out = render();
  EXPECT_EQ(out[0], 12767);
  // And the low end is -32767, not -32768.
  engine.stopAllSounds();
  render();
  render();
  for (int i = 0; i < 3; ++i) engine.playSampleWithSampleNo(2, 1.0, 1.0f, -1.0f);
  EXPECT_EQ(render()[0], -32767);
}

TEST_F(Engine, PanningFollowsTheKeyAndSparesTheClicks) {
  for (const auto& [slot, left, right] : {std::tuple{0, 1.0f, 0.5f}, {43, 1.0f, 0.98864f}, {44, 1.0f, 1.0f},
                                          {45, 0.97727f, 1.0f}, {87, 0.5f, 1.0f}}) {
    EXPECT_NEAR(engine.panLeft(slot), left, 1e-5) << slot;
    EXPECT_NEAR(engine.panRight(slot), right, 1e-5) << slot;
  }

  engine.playSampleWithSampleNo(0, 1.0, 1.0f, -1.0f);
  auto out = render();
  EXPECT_EQ(out[0], 10000);
  EXPECT_EQ(out[1], 5000);
  engine.stopAllSounds();
  render();
  render();
  engine.playSampleWithSampleNo(kMetronomeLowSlot, 1.0, 1.0f, -1.0f);
  out = render();
  EXPECT_EQ(out[0], 10000);
  EXPECT_EQ(out[1], 10000);
}

void Engine::expectTheOldestVoicesToBeTaken() {
  for (int i = 0; i < kNumVoices; ++i) ASSERT_EQ(engine.playSampleWithSampleNo(i, 1.0, 1.0f, 0.0f), i);
  EXPECT_EQ(engine.playSampleWithSampleNo(50, 1.0, 1.0f, 0.0f), 0);
  EXPECT_EQ(engine.playSampleWithSampleNo(51, 1.0, 1.0f, 0.0f), 1);
  // Voices 2 and 3 play slots that may not be taken: voice 4 is next.
  engine.setCannotBeCulledOnTooManyNotes(2, true);
  engine.setCannotBeCulledOnTooManyNotes(3, true);
  EXPECT_EQ(engine.playSampleWithSampleNo(52, 1.0, 1.0f, 0.0f), 4);
  for (int slot = 0; slot < kNumSampleSlots; ++slot) engine.setCannotBeCulledOnTooManyNotes(slot, true);
  EXPECT_EQ(engine.playSampleWithSampleNo(53, 1.0, 1.0f, 0.0f), -1);
  // The stolen voice plays its new note from the start, without a release of the old one.
  render();
  EXPECT_EQ(engine.voiceForTest(0).sampleNo, 50);
  EXPECT_EQ(engine.voiceForTest(0).playPosition, kFrames);
}

TEST_F(Engine, TheFortyFirstNoteTakesTheOldestVoiceThatMayBeTaken) { expectTheOldestVoicesToBeTaken(); }

TEST_F(Engine, StartsAtTheSameInstantAreTakenInTheOrderTheyCame) {
  tick = 0.0;
  expectTheOldestVoicesToBeTaken();
}

TEST_F(Engine, RefusesWhatItCannotPlayAndIgnoresStrangeNumbers) {
  EXPECT_EQ(engine.playSampleWithSampleNo(-1, 1.0, 1.0f, -1.0f), -1);
  EXPECT_EQ(engine.playSampleWithSampleNo(90, 1.0, 1.0f, -1.0f), -1);
  engine.setSampleData(7, {});
  EXPECT_EQ(engine.playSampleWithSampleNo(7, 1.0, 1.0f, -1.0f), -1);
  engine.stopSample(-1);
  engine.stopSample(40);
  engine.stopSample(3);  // not playing
  EXPECT_EQ(engine.activeVoiceCount(), 0);

  // Any level or rate a song file may carry: no undefined behaviour, sane sound.
  const double inf = std::numeric_limits<double>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  engine.setPianoNotePanning(false);
  engine.playSampleWithSampleNo(8, inf, nan, nan);
  engine.playSampleWithSampleNo(9, std::nan(""), 1e30f, -1e30f);
  engine.playSampleWithSampleNo(11, -5.0, -3.0f, 7.0f);
  const auto out = render();
  EXPECT_EQ(out[0], 10000) << "infinite volume is held to full level, NaN volume to silence";
}

TEST_F(Engine, StoppedEngineLeavesBuffersUntouched) {
  engine.playSampleWithSampleNo(3, 1.0, 1.0f, -1.0f);
  engine.stop();
  std::vector<std::int16_t> out(2 * kFrames, 77);
  EXPECT_EQ(engine.render({out.data(), kFrames}), -1);
  EXPECT_EQ(out[0], 77);
  EXPECT_EQ(out[2 * kFrames - 1], 77);
}

TEST(SampleStore, LoadsByNameAndLeavesMissingAndHostileFilesSilent) {
  namespace fs = std::filesystem;
  const std::string dir = ::testing::TempDir() + "/piano-store-" + std::to_string(::getpid());
  fs::remove_all(dir);
  fs::create_directories(dir);
  // Only a few files exist: the rest stay empty but keep their own slots.
  std::vector<std::int16_t> tone(100, 1000);
  ASSERT_TRUE(mav::packToFile(dir + "/3.wav", tone.data(), tone.size()));
  ASSERT_TRUE(mav::packToFile(dir + "/metronomeLo.wav", tone.data(), 50));
  // A pipe must not hang the start. Sparse files of zeros: plain at the longest a
  // sample may be, packed past it (nine bytes per eight samples), and too large.
  ASSERT_EQ(::mkfifo((dir + "/5.mav").c_str(), 0600), 0);
  const struct {
    const char* name;
    char format;
    std::size_t size;
  } sparse[] = {{"/6.mav", mav::kFormatPlain, 2 * mav::kMaxDecodedSamples + 1},
                {"/7.mav", mav::kFormatPacked, 9 * mav::kMaxDecodedSamples / 8 + 10},
                {"/8.mav", mav::kFormatPlain, mav::kMaxFileBytes + 1}};
  for (const auto& file : sparse) {
    std::ofstream(dir + file.name) << file.format;
    fs::resize_file(dir + file.name, file.size);
  }
  testing::internal::CaptureStdout();
  SoundPlayer engine({nullptr, dir, {}});
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(engine.numSampleListEntries(), 90);
  EXPECT_EQ(engine.sampleSlot(2).rawDataSize, 103);  // 13 blocks of 8, minus the last value
  EXPECT_EQ(engine.sampleSlot(89).rawDataSize, 55);
  EXPECT_EQ(engine.sampleSlot(5).rawDataSize, static_cast<int>(mav::kMaxDecodedSamples) - 1);
  for (int slot : {0, 4, 6, 7}) EXPECT_EQ(engine.sampleSlot(slot).rawDataSize, 0) << slot;
  for (const char* refused : {"/1.mav could not be loaded (no such file)", "/5.mav could not be loaded (not a",
                              "/7.mav could not be loaded (decodes to", "/8.mav could not be loaded (more than"}) {
    EXPECT_NE(printed.find(refused), std::string::npos) << refused;
  }
  EXPECT_EQ(engine.playSampleWithSampleNo(0, 1.0, 1.0f, -1.0f), -1);
  EXPECT_GE(engine.playSampleWithSampleNo(2, 1.0, 1.0f, -1.0f), 0);

  testing::internal::CaptureStdout();
  EXPECT_FALSE(engine.loadSampleAtSlot(2, dir + "/3.mav"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Too many samples loaded.\n");
  EXPECT_EQ(engine.sampleSlot(2).rawDataSize, 103);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace piano
