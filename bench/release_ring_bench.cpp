// How long a note rings after its key is let go, for every sustain slider
// position: a real sample note at full level, held 0.5 s, then released with the
// rate of positions 0.00 to 1.00 in steps of 0.01.
//
// Two figures per position, in seconds from the stop:
//   audible  until the output stays below -60 dBFS (|sample| <= 32) for good
//   voice    until the voice ends (its release reaches 0, or its sample runs out)
// A continuous slider rings longer at every step up, until position 1.00 (rate 0)
// leaves the note to the sample's own decay.
//
//   build/bench/release_ring_bench [key 1..88, default 28] [sample folder]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "audio/sound_player.h"

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 256;
constexpr int kThreshold = 32;  // -60 dBFS
constexpr double kHoldSeconds = 0.5;

struct Ring {
  double audible = 0.0;
  double voice = 0.0;
};

Ring ringAfterRelease(piano::SoundPlayer& engine, int slot, float rate) {
  const int voice = engine.playSampleWithSampleNo(slot, 1.0, 1.0f, rate);
  std::vector<std::int16_t> out(2 * kFrames);
  for (int done = 0; done < kHoldSeconds * kRate; done += kFrames) engine.render({out.data(), kFrames});
  engine.stopSample(voice);
  long frame = 0;
  long lastLoud = 0;
  while (engine.activeVoiceCount() > 0) {
    engine.render({out.data(), kFrames});
    for (int i = 0; i < 2 * kFrames; ++i) {
      if (std::abs(out[static_cast<std::size_t>(i)]) > kThreshold) lastLoud = frame + i / 2 + 1;
    }
    frame += kFrames;
  }
  // The voice ended during the last buffer; its frames after that are silent.
  return {static_cast<double>(lastLoud) / kRate, static_cast<double>(frame) / kRate};
}

}  // namespace

int main(int argc, char** argv) {
  const int key = argc > 1 ? std::atoi(argv[1]) : 28;
  const std::string dir = argc > 2 ? argv[2] : PIANO_SAMPLE_DIR;
  if (key < 1 || key > piano::kNumPianoKeys) {
    std::fprintf(stderr, "key must be 1..88\n");
    return 2;
  }
  piano::SoundPlayer engine({.output = nullptr, .sampleDir = dir, .clock = {}});
  const int slot = key - 1;
  std::printf("key %d, %.2f s of sample, held %.1f s; ring after release in seconds\n", key,
              static_cast<double>(engine.sampleSlot(slot).rawDataSize) / kRate, kHoldSeconds);
  std::printf("slider    rate          audible  voice   longer than the step below\n");
  Ring previous;
  int notLonger = 0;
  for (int position = 0; position <= 100; ++position) {
    const float rate = static_cast<float>(piano::releaseRateForFraction(static_cast<float>(position) / 100.0f));
    const Ring ring = ringAfterRelease(engine, slot, rate);
    const bool longer = position == 0 || ring.audible > previous.audible;
    if (!longer) ++notLonger;
    std::printf("%.2f  %12.5e  %7.3f  %6.3f  %s\n", position / 100.0, static_cast<double>(rate), ring.audible,
                ring.voice, longer ? "yes" : "NO");
    previous = ring;
  }
  std::printf("positions that ring no longer than the one below: %d of 100\n", notLonger);
  return 0;
}
