// Chords and single notes through the real engine and the real output stage, to
// see where the sound clips and how loud a note is.
//
// Chords of 1 to 10 notes, struck together at level 1.0 with instant attack (the
// keyboard's default), every start position across the keyboard, in four shapes:
// adjacent white keys, stacked thirds (every other white key), adjacent keys
// (white and black), and one key struck n times (two keyboards, a key struck again
// while it rings). Each chord plays for half a second. Counted are the clipped
// samples inside the mix (at +-32767 after the mixer) and the hard-clipped samples
// at the output (at +-32767 after the output stage), both channels, and how much
// louder (RMS) a chord comes out than it did from the old set's clipped mix.
//
// Single notes: every key alone at level 1.0 for one second, RMS and peak, with a
// set at the old level (normalised to -1 dBFS, heard as the raw mix) and with the
// new set through the output stage; the worst difference per region of the keyboard.
// Last, what the output stage costs per frame beside the mix.
//
//   build/bench/chord_level_bench [--before DIR] [--after DIR]
//     --before  a set at the old level (no headroom), e.g. one built before the change
//     --after   the set at its stored level (default: the build's set)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/sample_level.h"
#include "audio/sound_player.h"
#include "keyboard/key_numbers.h"
#include "platform/audio_output.h"
#include "platform/output_limiter.h"

namespace {

using piano::platform::OutputLimiter;

constexpr int kBuffer = piano::platform::kPreferredBufferFrames;
constexpr int kChordFrames = piano::platform::kSampleRate / 2;
constexpr int kNoteFrames = piano::platform::kSampleRate;

// A sample set, played the way it is heard: the new one through the output stage
// at full volume, an old one as the raw mix (which is what used to reach the device).
struct Set {
  std::string dir;
  bool throughOutputStage = false;
};

struct Take {
  long long clippedInMix = 0;
  long long clippedAtOutput = 0;
  double sumSquares = 0.0;  // of the output, both channels
  int peak = 0;             // of the output
  float lowestLimiterGain = 1.0f;
};

// Plays `slots` together from silence for `frames` frames (after the output
// stage's latency, so both sets are measured over the same stretch of sound).
Take play(piano::SoundPlayer& player, const Set& set, const std::vector<int>& slots, int frames) {
  player.stopAllSounds();
  std::vector<std::int16_t> buffer(2 * kBuffer);
  while (player.activeVoiceCount() > 0) player.render({buffer.data(), kBuffer});
  for (int slot : slots) player.playSampleWithSampleNo(slot, 1.0, 1.0f, -1.0f);
  OutputLimiter limiter;
  Take take;
  const int skip = set.throughOutputStage ? OutputLimiter::kLatencyFrames : 0;
  for (int done = 0; done < frames + skip; done += kBuffer) {
    player.render({buffer.data(), kBuffer});
    for (std::int16_t v : buffer) take.clippedInMix += std::abs(int{v}) >= 32767;
    // The output stage as the audio output runs it at full volume, a frame at a
    // time here to see the limiter's lowest gain.
    for (int f = 0; f < kBuffer && set.throughOutputStage; ++f) {
      limiter.process({buffer.data() + 2 * f, 1}, piano::kSampleSetMakeUpGain);
      take.lowestLimiterGain = std::min(take.lowestLimiterGain, limiter.limiterGain());
    }
    for (int i = 0; i < 2 * kBuffer; ++i) {
      const int frame = done + i / 2;
      if (frame < skip || frame >= frames + skip) continue;
      const int v = buffer[static_cast<std::size_t>(i)];
      take.clippedAtOutput += std::abs(v) >= 32767;
      take.sumSquares += static_cast<double>(v) * v;
      take.peak = std::max(take.peak, std::abs(v));
    }
  }
  return take;
}

double db(double ratio) { return 20.0 * std::log10(ratio); }

enum Shape { kWhiteCluster, kThirds, kChromatic, kOneKey, kShapes };

// Slots of the chords of `notes` notes of one shape, at every start position.
std::vector<std::vector<int>> chords(Shape shape, int notes) {
  std::vector<std::vector<int>> all;
  for (int start = 1; start <= piano::kNumPianoKeys; ++start) {
    std::vector<int> keys;
    const auto full = [&] { return static_cast<int>(keys.size()) == notes; };
    if (shape == kOneKey) {
      keys.assign(static_cast<std::size_t>(notes), start);
    } else if (shape == kChromatic) {
      for (int key = start; key <= piano::kNumPianoKeys && !full(); ++key) keys.push_back(key);
    } else if (piano::keys::isWhiteKey(start)) {
      for (int key = start; key <= piano::kNumPianoKeys && !full();
           key = piano::keys::whiteKeyAbove(key, shape == kThirds ? 2 : 1)) {
        keys.push_back(key);
      }
    }
    if (!full()) continue;
    for (int& key : keys) key -= 1;  // key number to slot
    all.push_back(keys);
  }
  return all;
}

void chordSweep(piano::SoundPlayer* before, const Set& beforeSet, piano::SoundPlayer& after, const Set& afterSet) {
  const char* shapes[] = {"white cluster", "thirds", "chromatic", "one key n times"};
  std::printf("\nChords, %d ms each, clipped samples (both channels):\n", 1000 * kChordFrames / 44100);
  std::printf("%-16s %5s %7s | %14s | %12s %14s %12s %16s | %s\n", "shape", "notes", "chords", "before mix=out",
              "after in mix", "after output", "output peak", "limiter lowest", "RMS after-before");
  for (int shape = 0; shape < kShapes; ++shape) {
    for (int notes = 1; notes <= 10; ++notes) {
      const auto list = chords(static_cast<Shape>(shape), notes);
      long long clippedBefore = 0, inMix = 0, atOutput = 0;
      double louder = 0.0;  // mean over the chords, dB
      int peak = 0;
      float lowest = 1.0f;
      for (const auto& slots : list) {
        const Take t = play(after, afterSet, slots, kChordFrames);
        if (before) {
          const Take b = play(*before, beforeSet, slots, kChordFrames);
          clippedBefore += b.clippedInMix;
          louder += 10.0 * std::log10(t.sumSquares / b.sumSquares) / static_cast<double>(list.size());
        }
        inMix += t.clippedInMix;
        atOutput += t.clippedAtOutput;
        peak = std::max(peak, t.peak);
        lowest = std::min(lowest, t.lowestLimiterGain);
      }
      char beforeText[32] = "-", louderText[32] = "-";
      if (before) std::snprintf(beforeText, sizeof beforeText, "%lld", clippedBefore);
      if (before) std::snprintf(louderText, sizeof louderText, "%+.2f dB", louder);
      std::printf("%-16s %5d %7zu | %14s | %12lld %14lld %8.2f dBFS %11.2f dB | %s\n", shapes[shape], notes,
                  list.size(), beforeText, inMix, atOutput, db(peak / 32767.0), db(lowest), louderText);
    }
  }
}

void singleNotes(piano::SoundPlayer& before, const Set& beforeSet, piano::SoundPlayer& after, const Set& afterSet) {
  std::printf("\nSingle notes, level 1.0, first second: after (output stage) minus before (raw mix)\n");
  std::printf("%-12s %12s %12s %14s %14s\n", "keys", "RMS before", "RMS after", "worst RMS diff", "worst peak diff");
  double worstRms = 0.0, worstPeak = 0.0;
  const int regions[][2] = {{1, 11}, {12, 22}, {23, 33}, {34, 44}, {45, 55}, {56, 66}, {67, 77}, {78, 88}, {89, 90}};
  for (const auto& region : regions) {
    double rmsRegionBefore = 0.0, rmsRegionAfter = 0.0, regionRms = 0.0, regionPeak = 0.0;
    for (int key = region[0]; key <= region[1]; ++key) {
      const Take b = play(before, beforeSet, {key - 1}, kNoteFrames);
      const Take a = play(after, afterSet, {key - 1}, kNoteFrames);
      const double rmsB = std::sqrt(b.sumSquares / (2.0 * kNoteFrames));
      const double rmsA = std::sqrt(a.sumSquares / (2.0 * kNoteFrames));
      rmsRegionBefore = std::max(rmsRegionBefore, rmsB);
      rmsRegionAfter = std::max(rmsRegionAfter, rmsA);
      const double dRms = db(rmsA / rmsB), dPeak = db(static_cast<double>(a.peak) / b.peak);
      if (std::fabs(dRms) > std::fabs(regionRms)) regionRms = dRms;
      if (std::fabs(dPeak) > std::fabs(regionPeak)) regionPeak = dPeak;
    }
    char name[24];
    if (region[0] > piano::kNumPianoKeys) std::snprintf(name, sizeof name, "clicks");
    else std::snprintf(name, sizeof name, "%d-%d", region[0], region[1]);
    std::printf("%-12s %7.2f dBFS %7.2f dBFS %11.3f dB %12.3f dB\n", name, db(rmsRegionBefore / 32767.0),
                db(rmsRegionAfter / 32767.0), regionRms, regionPeak);
    if (std::fabs(regionRms) > std::fabs(worstRms)) worstRms = regionRms;
    if (std::fabs(regionPeak) > std::fabs(worstPeak)) worstPeak = regionPeak;
  }
  std::printf("worst over all keys and clicks: RMS %+.3f dB, peak %+.3f dB (loudest RMS per region shown)\n",
              worstRms, worstPeak);
}

// What the output stage costs per frame, idle and while limiting, beside the mix
// of a ten-note chord it follows.
void cost(piano::SoundPlayer& player) {
  using Clock = std::chrono::steady_clock;
  constexpr int kBuffers = 4000;
  std::vector<std::int16_t> quiet(2 * kBuffer, 1000), loud(2 * kBuffer, 0), work(2 * kBuffer);
  for (int i = 0; i < 2 * kBuffer; ++i) loud[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(30000 * std::sin(0.01 * i));
  const auto perFrame = [](Clock::duration d) {
    return std::chrono::duration<double, std::nano>(d).count() / (static_cast<double>(kBuffers) * kBuffer);
  };
  OutputLimiter limiter;
  double stage[2];
  for (int pass = 0; pass < 2; ++pass) {
    const auto& source = pass == 0 ? quiet : loud;
    const auto began = Clock::now();
    for (int b = 0; b < kBuffers; ++b) {
      work = source;
      limiter.process({work.data(), kBuffer}, piano::kSampleSetMakeUpGain);
    }
    stage[pass] = perFrame(Clock::now() - began);
  }
  // The chord struck again every 50 buffers, so all ten voices sound throughout.
  Clock::duration mixing{};
  for (int b = 0; b < kBuffers; b += 50) {
    player.stopAllSounds();
    while (player.activeVoiceCount() > 0) player.render({work.data(), kBuffer});
    for (int key = 40; key < 50; ++key) player.playSampleWithSampleNo(key - 1, 1.0, 1.0f, -1.0f);
    const auto began = Clock::now();
    for (int i = 0; i < 50; ++i) player.render({work.data(), kBuffer});
    mixing += Clock::now() - began;
  }
  const double mix = perFrame(mixing);
  std::printf("\nCost per frame: output stage idle %.1f ns, limiting %.1f ns; mix of ten voices %.1f ns "
              "(stage / mix: %.2f idle, %.2f limiting)\n",
              stage[0], stage[1], mix, stage[0] / mix, stage[1] / mix);
}

}  // namespace

int main(int argc, char** argv) {
  Set beforeSet, afterSet{PIANO_SAMPLE_DIR, true};
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--before") == 0) beforeSet.dir = argv[i + 1];
    else if (std::strcmp(argv[i], "--after") == 0) afterSet.dir = argv[i + 1];
  }
  const double clock = 1.0;
  auto open = [&](const Set& set) {
    return std::make_unique<piano::SoundPlayer>(
        piano::SoundPlayer::Options{nullptr, set.dir, [clock] { return clock; }});
  };
  auto after = open(afterSet);
  if (after->sampleSlot(39).rawDataSize < 1) {
    std::fprintf(stderr, "no sample set in %s\n", afterSet.dir.c_str());
    return 1;
  }
  std::unique_ptr<piano::SoundPlayer> before;
  if (!beforeSet.dir.empty()) before = open(beforeSet);
  std::printf("after: %s (stored %.1f dB down, make-up x%.1f, limiter at %.2f dBFS)\nbefore: %s\n",
              afterSet.dir.c_str(), -db(piano::kSampleSetLevel), piano::kSampleSetMakeUpGain,
              db(OutputLimiter::kThreshold / 32767.0), before ? beforeSet.dir.c_str() : "(none; give --before DIR)");
  chordSweep(before.get(), beforeSet, *after, afterSet);
  if (before) singleNotes(*before, beforeSet, *after, afterSet);
  cost(*after);
  return 0;
}
