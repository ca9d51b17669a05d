// The output stage's peak limiter.
#include "platform/output_limiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>


namespace piano::platform {
namespace {

TEST(OutputLimiter, AHugeChordStaysInFullScaleWithoutClippingAndTheGainComesBackSmoothly) {
  // Ten partials as loud as ten loud notes in the mix, meeting at the first frame,
  // on the left and a tenth of them on the right; then silence.
  OutputLimiter limiter;
  constexpr int kLatency = OutputLimiter::kLatencyFrames, kChord = 20000, kTotal = 120000;
  std::vector<std::int16_t> in;
  float previous = 1.0f, lowest = 1.0f;
  int loudest = 0;
  for (int n = 0; n < kTotal; ++n) {
    double x = 0.0;
    for (int k = 1; k <= 10 && n < kChord; ++k) x += 3000.0 * std::cos(0.003 * k * k * n);
    std::int16_t frame[2] = {static_cast<std::int16_t>(std::lround(x)), static_cast<std::int16_t>(std::lround(x / 10))};
    in.insert(in.end(), frame, frame + 2);
    limiter.process(frame, 1, 10.0f);
    const float g = limiter.limiterGain();
    // The same gain on both sides and nothing but that gain: no clipped tops.
    for (int side = 0; side < 2 && n >= kLatency; ++side) {
      ASSERT_NEAR(frame[side], 10.0f * in[2 * static_cast<std::size_t>(n - kLatency) + side] * g, 0.5) << n;
    }
    loudest = std::max(loudest, std::abs(int{frame[0]}));
    // It glides down over the look-ahead and climbs back a little at a time.
    ASSERT_LE(std::fabs(g - previous), 1.0f / OutputLimiter::kLookAheadFrames) << n;
    if (n > kChord + kLatency) {
      ASSERT_TRUE(g >= previous && g - previous < 1e-3f) << n;
    }
    lowest = std::min(lowest, g);
    previous = g;
  }
  EXPECT_LT(lowest, 0.15f);
  EXPECT_LE(loudest, OutputLimiter::kThreshold + 0.5f);
  EXPECT_GE(loudest, OutputLimiter::kThreshold - 100);  // loud, not merely turned down
  EXPECT_EQ(previous, 1.0f);                             // back in full within two seconds
}

}  // namespace
}  // namespace piano::platform
