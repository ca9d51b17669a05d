// The per-voice mixing loop. The envelope is linear within a buffer, so instead
// of testing the phase on every frame we find the frame at which the attack
// reaches its target or the release reaches zero, and mix the stretches between
// with gains that are an exact linear function of the frame index. The integer
// arithmetic is the same as stepping frame by frame, so the result is bit for bit
// that of the plain loop (tests/audio keeps the plain loop as the reference).
// voice.h describes the fixed-point envelope this follows.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "audio/voice.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace piano {

namespace {

constexpr std::int32_t kOutMax = 32767;
constexpr std::int32_t kOutMin = -32767;

std::int32_t toFixed(float value) {
  // Levels and rates are held to -1..1 where voices are started, so the product
  // with 65536 always fits; truncation toward zero as a C conversion does.
  return static_cast<std::int32_t>(value * 65536.0f);
}

// The release level's 32 fractional bits. Scaling by a power of two is exact in a
// double, so only the final conversion truncates (toward zero).
std::int64_t toFixed32(double value) { return static_cast<std::int64_t>(value * 0x1p32); }

// Mixes frames [first, last) of the buffer. Frame f uses gains g0 + (f + 1) * step,
// the gains the frame-by-frame loop would hold after f + 1 increments.
void mixScalar(const std::int16_t* samples, std::int16_t* out, int first, int last,
               std::int32_t gL0, std::int32_t gR0, std::int32_t stepL, std::int32_t stepR) {
  for (int f = first; f < last; ++f) {
    const std::int32_t gL = gL0 + (f + 1) * stepL;
    const std::int32_t gR = gR0 + (f + 1) * stepR;
    const std::int32_t s = samples[f];
    const std::int32_t l = out[2 * f] + ((s * gL) >> 16);
    const std::int32_t r = out[2 * f + 1] + ((s * gR) >> 16);
    out[2 * f] = static_cast<std::int16_t>(std::clamp(l, kOutMin, kOutMax));
    out[2 * f + 1] = static_cast<std::int16_t>(std::clamp(r, kOutMin, kOutMax));
  }
}

#if defined(__SSE2__)
// Eight frames at a time in 16-bit lanes. A gain g (0..65536) is split as
// g = 65536 a + h with h < 65536; then (s * g) >> 16 = mulhi(s, h as signed) + c s,
// where c = a + (h >= 32768) is 0 or 1: pmulhw reads h >= 32768 as h - 65536.
// The 16-bit sum wraps, but its true value fits, so it is exact. The saturating
// add followed by a floor of -32767 is the clamp to -32767..32767.
struct LaneGains {
  __m128i low;   // h of each lane
  __m128i once;  // all ones where c = 1
};

inline LaneGains splitGains(__m128i g0123, __m128i g4567) {
  // Low 16 bits, sign-extended so the signed pack keeps them as they are.
  const __m128i lo0 = _mm_srai_epi32(_mm_slli_epi32(g0123, 16), 16);
  const __m128i lo1 = _mm_srai_epi32(_mm_slli_epi32(g4567, 16), 16);
  const __m128i big = _mm_set1_epi32(32767);
  const __m128i c0 = _mm_cmpgt_epi32(g0123, big);
  const __m128i c1 = _mm_cmpgt_epi32(g4567, big);
  return {_mm_packs_epi32(lo0, lo1), _mm_packs_epi32(c0, c1)};
}

inline void mixEight(const std::int16_t* samples, std::int16_t* out, const LaneGains& first4,
                     const LaneGains& next4) {
  const __m128i floor = _mm_set1_epi16(-32767);
  const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
  const __m128i sLo = _mm_unpacklo_epi16(s, s);  // frames 0..3, each twice (left, right)
  const __m128i sHi = _mm_unpackhi_epi16(s, s);  // frames 4..7
  const __m128i pLo = _mm_add_epi16(_mm_mulhi_epi16(sLo, first4.low), _mm_and_si128(sLo, first4.once));
  const __m128i pHi = _mm_add_epi16(_mm_mulhi_epi16(sHi, next4.low), _mm_and_si128(sHi, next4.once));
  auto* o = reinterpret_cast<__m128i*>(out);
  _mm_storeu_si128(o, _mm_max_epi16(_mm_adds_epi16(_mm_loadu_si128(o), pLo), floor));
  _mm_storeu_si128(o + 1, _mm_max_epi16(_mm_adds_epi16(_mm_loadu_si128(o + 1), pHi), floor));
}

void mixLinear(const std::int16_t* samples, std::int16_t* out, int first, int last,
               std::int32_t gL0, std::int32_t gR0, std::int32_t stepL, std::int32_t stepR) {
  int f = first;
  if (stepL == 0 && stepR == 0) {
    const __m128i g = _mm_setr_epi32(gL0, gR0, gL0, gR0);
    const LaneGains gains = splitGains(g, g);
    for (; f + 8 <= last; f += 8) mixEight(samples + f, out + 2 * f, gains, gains);
  } else {
    // Gains of frames f .. f+3 as (L, R) pairs, advanced by four frames at a time.
    __m128i g01 = _mm_setr_epi32(gL0 + (f + 1) * stepL, gR0 + (f + 1) * stepR,
                                 gL0 + (f + 2) * stepL, gR0 + (f + 2) * stepR);
    __m128i g23 = _mm_setr_epi32(gL0 + (f + 3) * stepL, gR0 + (f + 3) * stepR,
                                 gL0 + (f + 4) * stepL, gR0 + (f + 4) * stepR);
    const __m128i four = _mm_setr_epi32(4 * stepL, 4 * stepR, 4 * stepL, 4 * stepR);
    for (; f + 8 <= last; f += 8) {
      const __m128i g45 = _mm_add_epi32(g01, four);
      const __m128i g67 = _mm_add_epi32(g23, four);
      mixEight(samples + f, out + 2 * f, splitGains(g01, g23), splitGains(g45, g67));
      g01 = _mm_add_epi32(g45, four);
      g23 = _mm_add_epi32(g67, four);
    }
  }
  mixScalar(samples, out, f, last, gL0, gR0, stepL, stepR);
}
#else
void mixLinear(const std::int16_t* samples, std::int16_t* out, int first, int last,
               std::int32_t gL0, std::int32_t gR0, std::int32_t stepL, std::int32_t stepR) {
  mixScalar(samples, out, first, last, gL0, gR0, stepL, stepR);
}
#endif

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
              platform::StereoBuffer buffer) noexcept {
  std::int16_t* out = buffer.samples;
  const int frames = buffer.frames;
  if (voice.wantToStop && voice.atLeastOneBufferFilled) {
    voice.wantToStop = false;
    voice.phase = VoicePhase::kRelease;
    voice.ADSRVolumeDelta = voice.requiredReleaseDelta;
  }
  voice.atLeastOneBufferFilled = true;

  const int remaining = std::max(0, slot.rawDataSize - voice.playPosition);
  const int count = std::min(frames, remaining);

  const float level = static_cast<float>(voice.ADSRVolume);
  const float delta = static_cast<float>(voice.ADSRVolumeDelta);
  const float required = static_cast<float>(voice.requiredVolume);
  std::int32_t env = toFixed(level);
  // A release can be slower than 1/65536 per frame, so its level keeps 32 bits
  // below the point and is carried in the double exactly (see voice.h).
  std::int64_t release = voice.phase == VoicePhase::kRelease ? toFixed32(voice.ADSRVolume) : 0;

  int mixedUpTo = 0;  // frames consumed from the sample
  if (count >= 1) {
    const std::int32_t step = toFixed(delta);
    const std::int32_t gL = toFixed(level * panLeft);
    const std::int32_t gR = toFixed(level * panRight);
    const std::int32_t stepL = toFixed(delta * panLeft);
    const std::int32_t stepR = toFixed(delta * panRight);
    const std::int16_t* samples = slot.rawData.data() + voice.playPosition;

    if (voice.phase == VoicePhase::kAttack) {
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
        voice.phase = VoicePhase::kSteady;
        voice.ADSRVolumeDelta = 0.0;
        env = target;
      }
      mixedUpTo = count;
    } else if (voice.phase == VoicePhase::kRelease) {
      const std::int64_t releaseStep = toFixed32(delta);
      const std::int64_t k = firstFrameSilent(release, releaseStep, count);
      if (k == 0) {
        mixLinear(samples, out, 0, count, gL, gR, stepL, stepR);
        release += count * releaseStep;
        mixedUpTo = count;
      } else {
        // Frame k is the first at or below silence: it is not mixed.
        mixedUpTo = static_cast<int>(k) - 1;
        mixLinear(samples, out, 0, mixedUpTo, gL, gR, stepL, stepR);
        voice.playing = false;
        release = 0;
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
  voice.ADSRVolume = voice.phase == VoicePhase::kRelease
                         ? static_cast<double>(release) * 0x1p-32
                         : static_cast<double>(static_cast<float>(env) * (1.0f / 65536.0f));
}

}  // namespace piano
