// The output stage: the make-up gain and the volume, then the peak limiter.
#include "platform/output_limiter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/sound_player.h"
#include "platform/paced_audio_output.h"
#include "platform/wav_file.h"

namespace piano::platform {
namespace {

TEST(OutputLimiter, AQuietNoteOnlyTakesTheMakeUpGainAndTheVolumeAfterALatency) {
  // Below the threshold even after the engine's make-up gain (x 10), at half volume.
  std::vector<std::int16_t> note(20000);
  for (std::size_t i = 0; i < note.size(); ++i) note[i] = static_cast<std::int16_t>(3000 * std::sin(0.05 * i));
  const std::string path = ::testing::TempDir() + "limiter-" + std::to_string(::getpid()) + ".wav";
  {
    WavFileAudioOutput output(path, /*paced=*/false);
    for (const float held : {7.0f, -1.0f, NAN}) {  // held to 0..1
      output.setVolume(held);
      EXPECT_EQ(output.volume(), held > 1 ? 1 : 0);
    }
    output.setVolume(0.5f);
    SoundPlayer player({.output = &output, .sampleDir = {}, .clock = [] { return 1.0; }});
    player.setSampleData(44, note);  // the middle key: full level on both sides
    ASSERT_GE(player.playSampleWithSampleNo(44, 1.0, 1.0f, -1.0f), 0);
    output.renderFrames(10000);
  }
  const auto sound = readWavFile(path);
  std::remove(path.c_str());
  ASSERT_TRUE(sound && sound->samples.size() >= 2 * 10000);
  const std::size_t latency = OutputLimiter::kLatencyFrames;
  for (std::size_t i = 0; i < 2 * 10000; ++i) {
    ASSERT_EQ(sound->samples[i], i < 2 * latency ? 0 : 5 * note[i / 2 - latency]) << i;
  }
}

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
    limiter.process({frame, 1}, 10.0f);
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
