// The engine seen from outside: starts and stops through the hand-over, rendered
// by hand, buffer by buffer; and the sample store it loads.
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

// Every slot holds a second of 10000; the clock moves 1 ms at each reading.
// Panning is off unless a test turns it on.
class Engine : public ::testing::Test {
 protected:
  Engine() {
    for (int s = 0; s < kNumSampleSlots; ++s) engine.setSampleData(s, std::vector<std::int16_t>(44100, 10000));
    engine.setPianoNotePanning(false);
  }
  std::vector<std::int16_t> render(int frames = kFrames) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2, 1234);
    EXPECT_EQ(engine.render({out.data(), frames}), 0);
    return out;
  }
  double clock = 0.0;
  double tick = 0.001;
  SoundPlayer engine{{nullptr, "", [this] { return clock += tick; }}};
};

TEST_F(Engine, StopsAndReleasesTakeEffectAtBufferBoundaries) {
  const int note = engine.playSampleWithSampleNo(40, 0.5, 1.0f, -0.001f);
  // A click: instant attack and release, stopped before it was ever mixed.
  engine.stopSample(engine.playSampleWithSampleNo(kMetronomeHiSlot, 0.5, 1.0f, -1.0f));
  // Release rate 0 holds until the sample runs out, unless the level is 0.
  engine.setSampleData(5, std::vector<std::int16_t>(1001, 8000));  // 1000 playable
  const int held = engine.playSampleWithSampleNo(5, 1.0, 1.0f, 0.0f);
  const int silent = engine.playSampleWithSampleNo(6, 0.0, 1.0f, 0.0f);
  auto out = render();
  EXPECT_EQ(std::tuple(out[0], out[1], out[2 * 255]), std::tuple(18000, 18000, 18000)) << "from the first frame";
  for (int v : {note, held, silent}) engine.stopSample(v);
  out = render();
  EXPECT_EQ(out[0], 4990 + 8000) << "the click ended at the first frame of this buffer; the note fades";
  EXPECT_TRUE(out[2 * 100] < out[0] && out[2 * 255] < out[2 * 100]);
  EXPECT_EQ(engine.activeVoiceCount(), 2) << "the silent voice does not hold on to its voice";
  render(1000);  // the note's release (about 500 frames) and the held sample end
  EXPECT_EQ(engine.activeVoiceCount(), 0);
  EXPECT_EQ(render()[0], 0);
}

TEST_F(Engine, SaturatesAfterEachVoiceInVoiceOrderToPlusOrMinus32767) {
  engine.setSampleData(1, std::vector<std::int16_t>(1000, 20000));
  engine.setSampleData(2, std::vector<std::int16_t>(1000, -20000));
  for (int slot : {1, 1, 2}) engine.playSampleWithSampleNo(slot, 1.0, 1.0f, -1.0f);
  EXPECT_EQ(render()[0], 12767);
  engine.stopAllSounds();
  render(), render();
  for (int i = 0; i < 3; ++i) engine.playSampleWithSampleNo(2, 1.0, 1.0f, -1.0f);
  EXPECT_EQ(render()[0], -32767);
}

TEST_F(Engine, PanningFollowsTheKeyAndSparesTheClicks) {
  engine.setPianoNotePanning(true);
  for (const auto& [slot, left, right] : {std::tuple{0, 1.0f, 0.5f}, {43, 1.0f, 0.98864f}, {44, 1.0f, 1.0f},
                                          {45, 0.97727f, 1.0f}, {87, 0.5f, 1.0f}, {kMetronomeLowSlot, 1.0f, 1.0f}}) {
    EXPECT_NEAR(engine.panLeft(slot), left, 1e-5) << slot;
    EXPECT_NEAR(engine.panRight(slot), right, 1e-5) << slot;
  }
  engine.playSampleWithSampleNo(0, 1.0, 1.0f, -1.0f);
  engine.playSampleWithSampleNo(kMetronomeLowSlot, 0.5, 1.0f, -1.0f);
  const auto out = render();
  EXPECT_EQ(std::pair(out[0], out[1]), (std::pair<std::int16_t, std::int16_t>(15000, 10000)));
}

// With the clock standing still, starts at the same instant are taken in the order they came.
class Stealing : public Engine, public ::testing::WithParamInterface<double> {};

TEST_P(Stealing, TheFortyFirstNoteTakesTheOldestVoiceThatMayBeTaken) {
  tick = GetParam();
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
  EXPECT_EQ(std::pair(engine.voiceForTest(0).sampleNo, engine.voiceForTest(0).playPosition), std::pair(50, kFrames));
}

INSTANTIATE_TEST_SUITE_P(Clocks, Stealing, ::testing::Values(0.001, 0.0));

TEST_F(Engine, RefusesWhatItCannotPlayIgnoresStrangeNumbersAndStopsForGood) {
  engine.setSampleData(7, {});
  for (int slot : {-1, kNumSampleSlots, 7}) EXPECT_EQ(engine.playSampleWithSampleNo(slot, 1.0, 1.0f, -1.0f), -1);
  for (int voice : {-1, kNumVoices, 3}) engine.stopSample(voice);
  EXPECT_EQ(engine.activeVoiceCount(), 0);
  // Any level or rate a song file may carry: no undefined behaviour, sane sound.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  engine.playSampleWithSampleNo(8, std::numeric_limits<double>::infinity(), nan, nan);
  engine.playSampleWithSampleNo(9, std::nan(""), 1e30f, -1e30f);
  engine.playSampleWithSampleNo(11, -5.0, -3.0f, 7.0f);
  EXPECT_EQ(render()[0], 10000) << "infinite volume is held to full level, NaN volume to silence";

  engine.stop();
  std::vector<std::int16_t> out(2 * kFrames, 77);
  EXPECT_EQ(engine.render({out.data(), kFrames}), -1);
  EXPECT_EQ(std::pair(out[0], out[2 * kFrames - 1]), (std::pair<std::int16_t, std::int16_t>(77, 77))) << "untouched";
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
  for (const auto& [name, format, size] : {std::tuple{"/6.mav", mav::kFormatPlain, 2 * mav::kMaxDecodedSamples + 1},
                                           {"/7.mav", mav::kFormatPacked, 9 * mav::kMaxDecodedSamples / 8 + 10},
                                           {"/8.mav", mav::kFormatPlain, mav::kMaxFileBytes + 1}}) {
    std::ofstream(dir + name) << static_cast<char>(format);
    fs::resize_file(dir + name, size);
  }
  SoundPlayer engine({nullptr, dir, {}});  // each refused file says so, once
  EXPECT_EQ(engine.numSampleListEntries(), kNumSampleSlots);
  EXPECT_EQ(engine.sampleSlot(2).rawDataSize, 103);  // 13 blocks of 8, minus the last value
  EXPECT_EQ(engine.sampleSlot(kMetronomeLowSlot).rawDataSize, 55);
  EXPECT_EQ(engine.sampleSlot(5).rawDataSize, static_cast<int>(mav::kMaxDecodedSamples) - 1);
  for (int slot : {0, 4, 6, 7, kMetronomeHiSlot}) EXPECT_EQ(engine.sampleSlot(slot).rawDataSize, 0) << slot;
  EXPECT_EQ(engine.playSampleWithSampleNo(0, 1.0, 1.0f, -1.0f), -1);
  EXPECT_GE(engine.playSampleWithSampleNo(2, 1.0, 1.0f, -1.0f), 0);
  EXPECT_FALSE(engine.loadSampleAtSlot(2, dir + "/3.mav")) << "every slot is taken";
  EXPECT_EQ(engine.sampleSlot(2).rawDataSize, 103);
  // Samples that arrive while the engine plays: a key plays from its arrival
  // on; a slot that holds one already (a voice may be playing it) keeps it.
  SoundPlayer later({});
  for (const auto& [slot, name, loaded, size] : {std::tuple{2, "/3.mav", true, 103}, {2, "/metronomeLo.mav", false, 103},
                                                 {6, "/8.mav", false, 0}, {6, "/3.mav", true, 103},
                                                 {kNumSampleSlots, "/3.mav", false, 0}}) {
    EXPECT_EQ(later.loadArrivedSample(slot, dir + name), loaded) << slot << name;
    EXPECT_EQ(later.playSampleWithSampleNo(slot, 1.0, 1.0f, -1.0f) >= 0, size > 0) << slot << name;
    if (slot < kNumSampleSlots) {
      EXPECT_EQ(later.sampleSlot(slot).rawDataSize, size) << slot << name;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace piano
