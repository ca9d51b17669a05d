// The optimised mixer against the frame-by-frame reference, on random voices in
// every phase and on the boundaries where the envelope changes phase.
#include <gtest/gtest.h>

#include <random>

#include "app/main_view.h"
#include "reference_mixer.h"

namespace piano {
namespace {

struct Case {
  Voice voice;
  SampleSlot slot;
  float pL, pR;
  std::vector<std::int16_t> out;
  int frames;
};

Case randomCase(std::mt19937& rng) {
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
  Case c;
  const int length = pick(1, 2000);
  std::vector<std::int16_t> samples(static_cast<std::size_t>(length));
  const int style = pick(0, 2);
  for (auto& s : samples) {
    s = style == 0   ? static_cast<std::int16_t>(pick(-32768, 32767))
        : style == 1 ? static_cast<std::int16_t>(pick(0, 1) ? 32767 : -32768)
                     : static_cast<std::int16_t>(pick(-3000, 3000));
  }
  c.slot = test::makeSlot(std::move(samples));
  Voice& v = c.voice;
  v.playing = true;
  v.phase = static_cast<VoicePhase>(pick(0, 2));
  v.playPosition = pick(0, std::max(0, c.slot.rawDataSize - 1));
  v.requiredVolume = pick(0, 4) == 0 ? 1.0 : uni(0, 1);
  v.ADSRVolume = v.phase == VoicePhase::kSteady ? v.requiredVolume : (pick(0, 4) == 0 ? 1.0 : uni(0, 1));
  const double rates[] = {1.0, 0.0008, uni(0, 0.01), 0.0, uni(0, 1)};
  const double releases[] = {-1.0, -0.00008, -uni(0, 0.00002), 0.0, -uni(0, 0.01)};
  v.ADSRVolumeDelta = v.phase == VoicePhase::kAttack ? rates[pick(0, 4)] : v.phase == VoicePhase::kRelease ? releases[pick(0, 4)] : 0.0;
  v.requiredReleaseDelta = releases[pick(0, 4)];
  v.atLeastOneBufferFilled = pick(0, 1);
  v.wantToStop = pick(0, 3) == 0;
  const float pans[] = {1.0f, 0.5f, 0.98864f, static_cast<float>(uni(0.5, 1))};
  c.pL = pans[pick(0, 3)];
  c.pR = pans[pick(0, 3)];
  c.frames = pick(0, 1) ? 256 : pick(1, 1500);
  c.out.resize(static_cast<std::size_t>(c.frames) * 2);
  for (auto& s : c.out) s = static_cast<std::int16_t>(pick(-32767, 32767) / (pick(0, 1) ? 1 : 64));
  return c;
}

void expectSameVoice(const Voice& a, const Voice& b) {
  EXPECT_EQ(a.playing, b.playing);
  EXPECT_EQ(a.playPosition, b.playPosition);
  EXPECT_EQ(a.phase, b.phase);
  EXPECT_EQ(a.ADSRVolume, b.ADSRVolume);
  EXPECT_EQ(a.ADSRVolumeDelta, b.ADSRVolumeDelta);
  EXPECT_EQ(a.wantToStop, b.wantToStop);
  EXPECT_EQ(a.atLeastOneBufferFilled, b.atLeastOneBufferFilled);
}

TEST(Mixer, AgreesWithReferenceBitForBitOnRandomVoices) {
  std::mt19937 rng(20261206);
  for (int trial = 0; trial < 20000; ++trial) {
    Case c = randomCase(rng);
    Voice fast = c.voice;
    Voice slow = c.voice;
    std::vector<std::int16_t> outFast = c.out;
    std::vector<std::int16_t> outSlow = c.out;
    // Several buffers in a row, so state carried between buffers is compared too.
    for (int buffer = 0; buffer < 3 && fast.playing; ++buffer) {
      mixVoice(fast, c.slot, c.pL, c.pR, {outFast.data(), c.frames});
      test::referenceMixVoice(slow, c.slot, c.pL, c.pR, {outSlow.data(), c.frames});
      ASSERT_EQ(outFast, outSlow) << "trial " << trial << " buffer " << buffer;
      expectSameVoice(fast, slow);
      if (testing::Test::HasFailure()) FAIL() << "trial " << trial;
    }
  }
}

TEST(Mixer, AttackReachesTargetOnTheExactFrame) {
  // 0.0008 * 65536 truncates to 52 per frame: full level at frame 1261.
  SampleSlot slot = test::makeSlot(std::vector<std::int16_t>(3000, 16384));
  Voice v;
  v.playing = true;
  v.requiredVolume = 1.0;
  v.ADSRVolumeDelta = 0.0008;
  std::vector<std::int16_t> out(2 * 1300);
  mixVoice(v, slot, 1.0f, 1.0f, {out.data(), 1260});
  EXPECT_EQ(v.phase, VoicePhase::kAttack);
  EXPECT_EQ(out[2 * 1259], (16384 * (52 * 1260)) >> 16);
  std::vector<std::int16_t> next(2);
  mixVoice(v, slot, 1.0f, 1.0f, {next.data(), 1});
  EXPECT_EQ(v.phase, VoicePhase::kSteady);
  EXPECT_EQ(next[0], 16384);
}

TEST(Mixer, EverySustainSettingRingsLongerThanTheOneBelow) {
  // From full level; the slowest setting below 1.00 fades in about 625000 frames.
  const SampleSlot slot = test::makeSlot(std::vector<std::int16_t>(700001, 1000));
  std::vector<std::int16_t> out(2 * 4096);
  int previous = 0;
  for (int position = 0; position < 100; ++position) {
    const float rate = static_cast<float>(releaseRateForFraction(static_cast<float>(position) / 100.0f));
    Voice v{.playing = true, .ADSRVolume = 1.0, .ADSRVolumeDelta = rate, .phase = VoicePhase::kRelease};
    while (v.playing) mixVoice(v, slot, 1.0f, 1.0f, {out.data(), 4096});
    EXPECT_GT(v.playPosition, previous) << "sustain " << position;
    previous = v.playPosition;
  }
  EXPECT_LT(previous, slot.rawDataSize) << "the release ends before the sample";
}

}  // namespace
}  // namespace piano
