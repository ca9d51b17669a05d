// Checks the rendered sample set in PIANO_SAMPLE_DIR: that every file is there and
// decodes, that the notes are as loud as the output stage expects and leave the
// mix its headroom, end in silence and are in tune.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/mav_codec.h"
#include "audio/sample_level.h"
#include "audio/sound_player.h"
#include "rig/app_rig.h"

namespace {

constexpr double kRate = 44100.0;

std::vector<std::int16_t> load(const std::string& name) {
  std::vector<std::int16_t> samples;
  std::string error;
  EXPECT_TRUE(piano::mav::readFile(std::string(PIANO_SAMPLE_DIR) + "/" + name, samples, error))
      << name << ": " << error;
  return samples;
}

int peakOf(const std::vector<std::int16_t>& x, std::size_t from = 0, std::size_t to = SIZE_MAX) {
  int peak = 0;
  for (std::size_t i = from; i < std::min(to, x.size()); ++i) peak = std::max(peak, std::abs(int{x[i]}));
  return peak;
}

// Level as heard, after the output stage's make-up gain.
double heardDbfs(int peak) { return 20.0 * std::log10(peak * piano::kSampleSetMakeUpGain / 32767.0); }

class SampleSet : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::string(PIANO_SAMPLE_DIR) + "/samples.stamp")) {
      GTEST_SKIP() << "no sample set in " << PIANO_SAMPLE_DIR;
    }
  }
};

TEST_F(SampleSet, EveryFileDecodesToAPlausibleSoundThatEndsInSilence) {
  std::vector<std::string> names;
  for (int key = 1; key <= 88; ++key) names.push_back(std::to_string(key) + ".mav");
  names.push_back("metronomeHi.mav");
  names.push_back("metronomeLo.mav");
  int pianoPeak = 0, loudest = 0;
  for (const auto& name : names) {
    const auto x = load(name);
    const bool click = name.starts_with("metronome");
    // Clicks are short; notes ring at least a fraction of a second and at most the cap.
    EXPECT_GE(x.size(), click ? 0.01 * kRate : 0.3 * kRate) << name;
    EXPECT_LE(x.size(), (click ? 2.0 : 12.0) * kRate) << name;
    // The faded end: the final samples (and the packer's zero padding) are all but silent.
    EXPECT_LE(peakOf(x, x.size() > 32 ? x.size() - 32 : 0), 8) << name;
    // The engine plays a click for one buffer only, so its sound starts at once.
    if (click) EXPECT_GT(heardDbfs(peakOf(x, 0, 256)), -12.0) << name;
    else pianoPeak = std::max(pianoPeak, peakOf(x));
    loudest = std::max(loudest, peakOf(x));
  }
  EXPECT_NEAR(heardDbfs(pianoPeak), piano::kSamplePeakDbfs, 0.05);
  // Eleven voices at full level, with every peak at the same moment, stay inside the mix.
  EXPECT_LT(loudest * piano::kVoicesWithinFullScale, 32767);
}

TEST_F(SampleSet, NotesAreInTune) {
  // Key k sounds MIDI note k + 20: key 28 is C3, 40 C4, 49 A4 (440 Hz), 64 C5.
  for (int key : {28, 40, 49, 64}) {
    const auto x = load(std::to_string(key) + ".mav");
    ASSERT_GT(x.size(), 0.6 * kRate) << key;
    const std::vector<float> steady(x.begin() + 0.3 * kRate, x.begin() + 0.6 * kRate);  // after the strike
    EXPECT_NEAR(piano::test::fundamentalFrequency(steady), piano::test::keyFrequency(key),
                piano::test::keyFrequency(key) * 0.01) << "key " << key;
  }
}

TEST_F(SampleSet, TheEngineFillsEverySlotFromIt) {
  piano::SoundPlayer player({.output = nullptr, .sampleDir = PIANO_SAMPLE_DIR, .clock = {}});
  ASSERT_EQ(player.numSampleListEntries(), 90);
  for (int slot = 0; slot < 90; ++slot) EXPECT_GT(player.sampleSlot(slot).rawDataSize, 0) << slot;
}

}  // namespace
