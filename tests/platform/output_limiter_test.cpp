// The output stage: the make-up gain and the volume, then the peak limiter;
// the sound card's choice of driver and the watch on its pace.
#include "platform/output_limiter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/sound_player.h"
#include "platform/output_pace.h"
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

TEST(OutputPace, DriversAndBufferStepsInOrderOfLatency) {
  const std::vector<std::string> all = {"pulseaudio", "alsa", "pipewire", "dummy"};
  EXPECT_EQ(audioDriverOrder(nullptr, all), (std::vector<std::string>{"pipewire", "pulseaudio"}));
  EXPECT_EQ(audioDriverOrder("", {"alsa", "pulseaudio"}), std::vector<std::string>{"pulseaudio"});
  EXPECT_TRUE(audioDriverOrder("alsa", all).empty());  // the user's choice is SDL's to apply
  EXPECT_TRUE(audioDriverOrder(nullptr, {"alsa"}).empty());
  for (const auto& [from, to] : std::vector<std::pair<int, int>>{{128, 256}, {256, 512}, {512, 512}, {64, 128}, {2048, 2048}}) {
    EXPECT_EQ(nextBufferStep(from), to) << from;
  }
}

TEST(OutputPace, UnevenPullsAndASlowCardClockKeepUpWhileMissedCyclesFallBehind) {
  // A server pulls whole cycles of `cycle` frames at `rate` (which may run a
  // little slow against the computer's clock), skipping `missEvery`-th cycle
  // (0: none), which a device that `tells` reports; the main thread looks every 0.5 s.
  struct Case {
    int cycle, bufferFrames;
    double rate;
    int missEvery;
    double seconds;
    bool tells, behind;
  } cases[] = {
      {128, 128, 44100, 0, 600, true, false},    {941, 128, 44100, 0, 600, false, false},  // a 1024-frame quantum at 48 kHz
      {512, 128, 44100 * 0.9995, 0, 3600, false, false},                                 // a card's clock 500 ppm slow
      {128, 128, 44100, 20, 10, false, true},     {512, 512, 44100, 10, 10, false, true},
      {128, 128, 44100, 20000, 600, true, false},  // a rare click is no reason to add latency
      {117, 128, 44100, 1150, 30, true, true},     // a click every 3 s is: too few frames for the count alone
      {117, 128, 44100, 1150, 30, false, false},
  };
  for (const Case& c : cases) {
    OutputPaceWatch watch;
    watch.reset(44100, c.bufferFrames);
    EXPECT_FALSE(watch.fellBehind(0.0));  // nothing pulled yet: the server has not begun
    bool behind = false;
    long long cycles = 0, missed = 0;
    double nextLook = 0.013;  // the first look after the first pull starts the count
    for (double t = 0.01; t < c.seconds && !behind; t += c.cycle / c.rate) {
      if (c.missEvery == 0 || ++cycles % c.missEvery != 0) {
        watch.framesPulled(c.cycle);
      } else {
        ++missed;
      }
      if (t >= nextLook) {
        behind = watch.fellBehind(t, c.tells ? missed : 0);
        nextLook += 0.5;
      }
    }
    EXPECT_EQ(behind, c.behind) << c.cycle << " " << c.missEvery << " debt " << watch.debtFrames();
  }
}

}  // namespace
}  // namespace piano::platform
