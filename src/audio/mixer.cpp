// The per-voice mixing loop. The envelope is linear within a buffer, so instead
// of testing the phase on every frame we find the frame at which the attack
// reaches its target or the release reaches zero, and mix the stretches between
// with gains that are an exact linear function of the frame index. The integer
// arithmetic is the same as stepping frame by frame, so the result is bit for bit
// that of the plain loop (tests/audio keeps the plain loop as the reference).
#include <algorithm>
#include <cstdint>
#include <limits>

#include "audio/voice.h"

namespace piano {

namespace {

constexpr std::int32_t kOutMax = 32767;
constexpr std::int32_t kOutMin = -32767;

std::int32_t toFixed(float value) {
  // Levels and rates are held to -1..1 where voices are started, so the product
  // with 65536 always fits; truncation toward zero as a C conversion does.
  return static_cast<std::int32_t>(value * 65536.0f);
}

// Mixes frames [first, last) of the buffer. Frame f uses gains g0 + (f + 1) * step,
// the gains the frame-by-frame loop would hold after f + 1 increments.
template <bool kRamp>
void mixStretch(const std::int16_t* __restrict samples, std::int16_t* __restrict out, int first,
                int last, std::int32_t gL0, std::int32_t gR0, std::int32_t stepL, std::int32_t stepR) {
  for (int f = first; f < last; ++f) {
    const std::int32_t gL = kRamp ? gL0 + (f + 1) * stepL : gL0;
    const std::int32_t gR = kRamp ? gR0 + (f + 1) * stepR : gR0;
    const std::int32_t s = samples[f];
    const std::int32_t l = out[2 * f] + ((s * gL) >> 16);
    const std::int32_t r = out[2 * f + 1] + ((s * gR) >> 16);
    out[2 * f] = static_cast<std::int16_t>(std::clamp(l, kOutMin, kOutMax));
    out[2 * f + 1] = static_cast<std::int16_t>(std::clamp(r, kOutMin, kOutMax));
  }
}

void mixLinear(const std::int16_t* samples, std::int16_t* out, int first, int last,
               std::int32_t gL0, std::int32_t gR0, std::int32_t stepL, std::int32_t stepR) {
  if (first >= last) return;
  if (stepL == 0 && stepR == 0) {
    mixStretch<false>(samples, out, first, last, gL0, gR0, 0, 0);
  } else {
    mixStretch<true>(samples, out, first, last, gL0, gR0, stepL, stepR);
  }
}

// First frame number k >= 1 at which env0 + k * step >= target; 0 when never
// within `limit` frames.
std::int64_t firstFrameReaching(std::int64_t env0, std::int64_t step, std::int64_t target, int limit) {
  if (env0 + step >= target) return 1;
  if (step <= 0) return 0;
  const std::int64_t k = (target - env0 + step - 1) / step;
  return k <= limit ? k : 0;
}

// First frame number k >= 1 at which env0 + k * step <= 0; 0 when never within
// `limit` frames.
std::int64_t firstFrameSilent(std::int64_t env0, std::int64_t step, int limit) {
  if (env0 + step <= 0) return 1;
  if (step >= 0) return 0;
  const std::int64_t k = (env0 + (-step) - 1) / (-step);
  return k <= limit ? k : 0;
}

}  // namespace

void mixVoice(Voice& voice, const SampleSlot& slot, float panLeft, float panRight,
              std::int16_t* out, int frames) {
  if (voice.wantToStop && voice.atLeastOneBufferFilled) {
    voice.wantToStop = false;
    voice.phase = kRelease;
    voice.ADSRVolumeDelta = voice.requiredReleaseDelta;
  }
  voice.atLeastOneBufferFilled = true;

  const int remaining = std::max(0, slot.rawDataSize - voice.playPosition);
  const int count = std::min(frames, remaining);

  const float level = static_cast<float>(voice.ADSRVolume);
  const float delta = static_cast<float>(voice.ADSRVolumeDelta);
  const float required = static_cast<float>(voice.requiredVolume);
  std::int32_t env = toFixed(level);

  int mixedUpTo = 0;  // frames consumed from the sample
  if (count >= 1) {
    const std::int32_t step = toFixed(delta);
    const std::int32_t gL = toFixed(level * panLeft);
    const std::int32_t gR = toFixed(level * panRight);
    const std::int32_t stepL = toFixed(delta * panLeft);
    const std::int32_t stepR = toFixed(delta * panRight);
    const std::int16_t* samples = slot.rawData.data() + voice.playPosition;

    if (voice.phase == kAttack) {
      const std::int32_t target = toFixed(required);
      const std::int64_t k = firstFrameReaching(env, step, target, count);
      if (k == 0) {
        mixLinear(samples, out, 0, count, gL, gR, stepL, stepR);
        env += count * step;
      } else {
        // Frames before k ramp; frame k and the rest sit at the target.
        const int rampEnd = static_cast<int>(k) - 1;
        mixLinear(samples, out, 0, rampEnd, gL, gR, stepL, stepR);
        mixLinear(samples, out, rampEnd, count, toFixed(required * panLeft),
                  toFixed(required * panRight), 0, 0);
        voice.phase = kSteady;
        voice.ADSRVolumeDelta = 0.0;
        env = target;
      }
      mixedUpTo = count;
    } else if (voice.phase == kRelease) {
      const std::int64_t k = firstFrameSilent(env, step, count);
      if (k == 0) {
        mixLinear(samples, out, 0, count, gL, gR, stepL, stepR);
        env += count * step;
        mixedUpTo = count;
      } else {
        // Frame k is the first at or below silence: it is not mixed.
        mixedUpTo = static_cast<int>(k) - 1;
        mixLinear(samples, out, 0, mixedUpTo, gL, gR, stepL, stepR);
        voice.playing = false;
        env = 0;
      }
    } else {
      mixLinear(samples, out, 0, count, gL, gR, stepL, stepR);
      env += count * step;
      mixedUpTo = count;
    }
  }

  const int position = voice.playPosition + mixedUpTo;
  if (position >= slot.rawDataSize) {
    voice.playing = false;
  } else {
    voice.playPosition = position;
  }
  voice.ADSRVolume = static_cast<double>(static_cast<float>(env) * (1.0f / 65536.0f));
}

}  // namespace piano
