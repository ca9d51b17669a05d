// The optimised mixer against the mixing loop written out frame by frame, as
// the engine's rules read (voice.h): bit for bit, on random voices in every
// phase and across buffers, and on the boundaries where the envelope changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "app/main_view.h"
#include "audio/voice.h"

namespace piano {
namespace {

void referenceMixVoice(Voice& v, const SampleSlot& slot, float pL, float pR, platform::StereoBuffer buffer) {
  std::int16_t* out = buffer.samples;
  if (v.wantToStop && v.atLeastOneBufferFilled) {
    v.wantToStop = false;
    v.phase = VoicePhase::kRelease;
    v.ADSRVolumeDelta = v.requiredReleaseDelta;
  }
  v.atLeastOneBufferFilled = true;
  const int count = std::min(buffer.frames, slot.rawDataSize - v.playPosition);
  const float level = static_cast<float>(v.ADSRVolume);
  const float delta = static_cast<float>(v.ADSRVolumeDelta);
  const float required = static_cast<float>(v.requiredVolume);
  std::int32_t env = static_cast<std::int32_t>(level * 65536.0f);
  // The release level in 32.32, from the double itself.
  std::int64_t env32 = static_cast<std::int64_t>(v.ADSRVolume * 4294967296.0);
  const std::int64_t step32 = static_cast<std::int64_t>(static_cast<double>(delta) * 4294967296.0);
  std::int32_t step = 0, target = 0, gL = 0, gR = 0, stepL = 0, stepR = 0, targetL = 0, targetR = 0;
  if (count >= 1) {
    step = static_cast<std::int32_t>(delta * 65536.0f);
    target = static_cast<std::int32_t>(required * 65536.0f);
    gL = static_cast<std::int32_t>(level * pL * 65536.0f);
    gR = static_cast<std::int32_t>(level * pR * 65536.0f);
    stepL = static_cast<std::int32_t>(delta * pL * 65536.0f);
    stepR = static_cast<std::int32_t>(delta * pR * 65536.0f);
    targetL = static_cast<std::int32_t>(required * pL * 65536.0f);
    targetR = static_cast<std::int32_t>(required * pR * 65536.0f);
  }
  int position = v.playPosition;
  for (int i = 0; i < count; ++i) {
    const std::int32_t s = slot.rawData[static_cast<std::size_t>(position)];
    env += step;
    if (v.phase == VoicePhase::kAttack && env >= target) {
      v.phase = VoicePhase::kSteady;
      v.ADSRVolumeDelta = 0;
      env = target;
      gL = targetL;
      gR = targetR;
      step = stepL = stepR = 0;
    } else {
      gL += stepL;
      gR += stepR;
      if (v.phase == VoicePhase::kRelease && (env32 += step32) <= 0) {
        v.playing = false;
        env32 = 0;
        break;
      }
    }
    out[2 * i] = static_cast<std::int16_t>(std::clamp(out[2 * i] + ((s * gL) >> 16), -32767, 32767));
    out[2 * i + 1] = static_cast<std::int16_t>(std::clamp(out[2 * i + 1] + ((s * gR) >> 16), -32767, 32767));
    ++position;
  }
  if (position >= slot.rawDataSize) {
    v.playing = false;
  } else {
    v.playPosition = position;
  }
  v.ADSRVolume = v.phase == VoicePhase::kRelease ? static_cast<double>(env32) / 4294967296.0
                                                 : static_cast<float>(env) * (1.0f / 65536.0f);
}

// A slot holding `samples` as the engine would after loading them.
SampleSlot makeSlot(std::vector<std::int16_t> samples) {
  SampleSlot slot;
  slot.rawData = std::move(samples);
  slot.rawDataSize = slot.rawData.empty() ? 0 : static_cast<int>(slot.rawData.size()) - 1;
  return slot;
}

TEST(Mixer, AgreesWithTheReferenceBitForBitOnRandomVoices) {
  std::mt19937 rng(20261206);
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
  for (int trial = 0; trial < 20000; ++trial) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(pick(1, 2000)));
    const int style = pick(0, 2);  // full-range noise, full-scale square, quiet noise
    for (auto& s : samples) {
      s = static_cast<std::int16_t>(style == 0 ? pick(-32768, 32767) : style == 1 ? (pick(0, 1) ? 32767 : -32768)
                                                                                 : pick(-3000, 3000));
    }
    const SampleSlot slot = makeSlot(std::move(samples));
    Voice v{.playing = true, .phase = static_cast<VoicePhase>(pick(0, 2))};
    v.playPosition = pick(0, std::max(0, slot.rawDataSize - 1));
    v.requiredVolume = pick(0, 4) == 0 ? 1.0 : uni(0, 1);
    v.ADSRVolume = v.phase == VoicePhase::kSteady ? v.requiredVolume : (pick(0, 4) == 0 ? 1.0 : uni(0, 1));
    const double rates[] = {1.0, 0.0008, uni(0, 0.01), 0.0, uni(0, 1)};
    const double releases[] = {-1.0, -0.00008, -uni(0, 0.00002), 0.0, -uni(0, 0.01)};
    v.ADSRVolumeDelta = v.phase == VoicePhase::kAttack    ? rates[pick(0, 4)]
                        : v.phase == VoicePhase::kRelease ? releases[pick(0, 4)]
                                                          : 0.0;
    v.requiredReleaseDelta = releases[pick(0, 4)];
    v.atLeastOneBufferFilled = pick(0, 1);
    v.wantToStop = pick(0, 3) == 0;
    const float pans[] = {1.0f, 0.5f, 0.98864f, static_cast<float>(uni(0.5, 1))};
    const float pL = pans[pick(0, 3)], pR = pans[pick(0, 3)];
    const int frames = pick(0, 1) ? 256 : pick(1, 1500);
    std::vector<std::int16_t> fast(static_cast<std::size_t>(frames) * 2);
    for (auto& s : fast) s = static_cast<std::int16_t>(pick(-32767, 32767) / (pick(0, 1) ? 1 : 64));
    std::vector<std::int16_t> slow = fast;
    Voice reference = v;
    // Several buffers in a row, so what is carried between buffers is compared too.
    for (int buffer = 0; buffer < 3 && v.playing; ++buffer) {
      mixVoice(v, slot, pL, pR, {fast.data(), frames});
      referenceMixVoice(reference, slot, pL, pR, {slow.data(), frames});
      ASSERT_EQ(fast, slow) << "trial " << trial << " buffer " << buffer;
      ASSERT_EQ(std::tuple(v.playing, v.playPosition, v.phase, v.ADSRVolume, v.ADSRVolumeDelta, v.wantToStop,
                           v.atLeastOneBufferFilled),
                std::tuple(reference.playing, reference.playPosition, reference.phase, reference.ADSRVolume,
                           reference.ADSRVolumeDelta, reference.wantToStop, reference.atLeastOneBufferFilled))
          << "trial " << trial << " buffer " << buffer;
    }
  }
}

TEST(Mixer, AttackReachesItsTargetOnTheExactFrame) {
  // 0.0008 * 65536 truncates to 52 per frame: full level at frame 1261.
  const SampleSlot slot = makeSlot(std::vector<std::int16_t>(3000, 16384));
  Voice v{.playing = true, .requiredVolume = 1.0, .ADSRVolumeDelta = 0.0008};
  std::vector<std::int16_t> out(2 * 1260);
  mixVoice(v, slot, 1.0f, 1.0f, {out.data(), 1260});
  EXPECT_EQ(v.phase, VoicePhase::kAttack);
  EXPECT_EQ(out[2 * 1259], (16384 * (52 * 1260)) >> 16);
  std::int16_t next[2] = {};
  mixVoice(v, slot, 1.0f, 1.0f, {next, 1});
  EXPECT_EQ(std::pair(v.phase, next[0]), std::pair(VoicePhase::kSteady, std::int16_t{16384}));
}

TEST(Mixer, EverySustainSettingRingsLongerThanTheOneBelow) {
  // From full level; the slowest setting below 1.00 fades in about 625000 frames.
  const SampleSlot slot = makeSlot(std::vector<std::int16_t>(700001, 1000));
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
