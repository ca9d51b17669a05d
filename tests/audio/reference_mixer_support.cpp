#include <algorithm>

#include "reference_mixer.h"

namespace piano::test {

void referenceMixVoice(Voice& v, const SampleSlot& slot, float pL, float pR, platform::StereoBuffer buffer) {
  std::int16_t* out = buffer.samples;
  const int frames = buffer.frames;
  if (v.wantToStop && v.atLeastOneBufferFilled) {
    v.wantToStop = false;
    v.phase = VoicePhase::kRelease;
    v.ADSRVolumeDelta = v.requiredReleaseDelta;
  }
  v.atLeastOneBufferFilled = true;
  const int count = std::min(frames, slot.rawDataSize - v.playPosition);
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
    const std::int32_t left = out[2 * i] + ((s * gL) >> 16);
    const std::int32_t right = out[2 * i + 1] + ((s * gR) >> 16);
    out[2 * i] = static_cast<std::int16_t>(std::clamp(left, -32767, 32767));
    out[2 * i + 1] = static_cast<std::int16_t>(std::clamp(right, -32767, 32767));
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

SampleSlot makeSlot(std::vector<std::int16_t> samples) {
  SampleSlot slot;
  slot.rawData = std::move(samples);
  slot.rawDataSize = slot.rawData.empty() ? 0 : static_cast<int>(slot.rawData.size()) - 1;
  return slot;
}

}  // namespace piano::test
