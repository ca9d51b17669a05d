// Mixing 40 voices into 256-frame buffers, side by side with SDL's own mixer and
// with a plain read-and-write loop (the floor: the memory traffic alone).
// Reports ns per voice-frame as the "ns_per_voice_frame" counter.
//
//   build/bench/mixer_bench    the table, the ratios, the worst render call of a
//                              long run and the time to load the sample set
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <random>

#include "audio/sound_player.h"

namespace {

constexpr int kFrames = 256;
constexpr int kVoices = 40;

// Per-voice sample data: short (stays in cache) or long (streams from memory).
std::vector<std::vector<std::int16_t>> makeSources(std::size_t length) {
  std::mt19937 rng(5);
  std::vector<std::vector<std::int16_t>> sources(kVoices, std::vector<std::int16_t>(length));
  for (auto& s : sources)
    for (auto& v : s) v = static_cast<std::int16_t>(static_cast<int>(rng() % 20000) - 10000);
  return sources;
}

void setCounter(benchmark::State& state) {
  // Seconds per voice-frame (shown with an SI prefix: 180p is 0.18 ns).
  state.counters["per_voice_frame"] = benchmark::Counter(
      static_cast<double>(kVoices * kFrames),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The engine's mixer on steady voices (the common case), panned. `phase` selects
// an attack or release ramp instead, where the gains change every frame.
void mixEngine(benchmark::State& state, std::size_t length, piano::VoicePhase phase) {
  auto sources = makeSources(length);
  std::vector<piano::SampleSlot> slots(kVoices);
  for (int v = 0; v < kVoices; ++v) {
    slots[v].rawData = sources[v];
    slots[v].rawDataSize = static_cast<int>(length) - 1;
  }
  std::vector<piano::Voice> voices(kVoices);
  std::vector<std::int16_t> out(2 * kFrames);
  int position = 0;
  for (auto _ : state) {
    std::memset(out.data(), 0, out.size() * 2);
    for (int v = 0; v < kVoices; ++v) {
      piano::Voice& voice = voices[v];
      voice.playing = true;
      voice.phase = phase;
      voice.playPosition = position;
      voice.requiredVolume = 0.8;
      voice.ADSRVolume = phase == piano::VoicePhase::kAttack ? 0.1 : 0.8;
      voice.ADSRVolumeDelta = phase == piano::VoicePhase::kAttack    ? 0.00001
                              : phase == piano::VoicePhase::kRelease ? -0.00001
                                                                     : 0.0;
      piano::mixVoice(voice, slots[v], 1.0f, 0.7f, {out.data(), kFrames});
    }
    benchmark::DoNotOptimize(out.data());
    position += kFrames;
    if (position + kFrames >= static_cast<int>(length)) position = 0;
  }
  setCounter(state);
}

void mixSdl(benchmark::State& state, std::size_t length) {
  // SDL mixes interleaved stereo streams: give it 40 of them.
  auto sources = makeSources(length * 2);
  std::vector<std::int16_t> out(2 * kFrames);
  std::size_t position = 0;
  for (auto _ : state) {
    std::memset(out.data(), 0, out.size() * 2);
    for (int v = 0; v < kVoices; ++v) {
      SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()),
                         reinterpret_cast<const Uint8*>(sources[v].data() + position), AUDIO_S16SYS,
                         2 * kFrames * 2, SDL_MIX_MAXVOLUME);
    }
    benchmark::DoNotOptimize(out.data());
    position += 2 * kFrames;
    if (position + 2 * kFrames >= sources[0].size()) position = 0;
  }
  setCounter(state);
}

void plainLoop(benchmark::State& state, std::size_t length) {
  auto sources = makeSources(length);
  std::vector<std::int16_t> out(2 * kFrames);
  std::size_t position = 0;
  for (auto _ : state) {
    for (int v = 0; v < kVoices; ++v) {
      const std::int16_t* s = sources[v].data() + position;
      for (int f = 0; f < kFrames; ++f) {
        out[2 * f] = static_cast<std::int16_t>(out[2 * f] + s[f]);
        out[2 * f + 1] = static_cast<std::int16_t>(out[2 * f + 1] + s[f]);
      }
      benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(out.data());
    position += kFrames;
    if (position + kFrames >= length) position = 0;
  }
  setCounter(state);
}

constexpr std::size_t kInCache = 4 * kFrames;        // 40 x 2 KB: fits in L2
constexpr std::size_t kStreamed = 44100 * 8;         // 40 x 700 KB: streams from memory

}  // namespace

BENCHMARK_CAPTURE(mixEngine, steady_in_cache, kInCache, piano::VoicePhase::kSteady);
BENCHMARK_CAPTURE(mixEngine, steady_streamed, kStreamed, piano::VoicePhase::kSteady);
BENCHMARK_CAPTURE(mixEngine, attack_ramp_in_cache, kInCache, piano::VoicePhase::kAttack);
BENCHMARK_CAPTURE(mixEngine, release_ramp_streamed, kStreamed, piano::VoicePhase::kRelease);
BENCHMARK_CAPTURE(mixSdl, in_cache, kInCache);
BENCHMARK_CAPTURE(mixSdl, streamed, kStreamed);
BENCHMARK_CAPTURE(plainLoop, in_cache, kInCache);
BENCHMARK_CAPTURE(plainLoop, streamed, kStreamed);

// The worst render call over a long run of the whole engine with 40 voices coming
// and going, and the time to load the 90 slots of the built sample set.
static void reportEngineFigures() {
  using clock = std::chrono::steady_clock;
  const std::string dir = PIANO_SAMPLE_DIR;
  if (std::filesystem::exists(dir + "/1.mav")) {
    const auto t0 = clock::now();
    piano::SoundPlayer loaded({nullptr, dir, {}});
    const double ms = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
    std::printf("load of all 90 slots from %s: %.1f ms\n", dir.c_str(), ms);
  } else {
    std::printf("load of all 90 slots: no sample set at %s\n", dir.c_str());
  }

  piano::SoundPlayer engine({});
  for (int slot = 0; slot < piano::kNumSampleSlots; ++slot)
    engine.setSampleData(slot, std::vector<std::int16_t>(44100 * 4, static_cast<std::int16_t>(slot * 50)));
  std::mt19937 rng(9);
  std::vector<std::int16_t> out(2 * kFrames);
  double worst = 0.0, total = 0.0;
  constexpr int kCalls = 20000;  // about 2 minutes of audio
  for (int call = 0; call < kCalls; ++call) {
    for (int n = 0; n < 3; ++n) {
      const int v = engine.playSampleWithSampleNo(static_cast<int>(rng() % piano::kNumPianoKeys), 0.7, 1.0f, -0.0001f);
      if (rng() % 2) engine.stopSample(v);
    }
    const auto t0 = clock::now();
    engine.render({out.data(), kFrames});
    const double us = std::chrono::duration<double, std::micro>(clock::now() - t0).count();
    worst = std::max(worst, us);
    total += us;
  }
  std::printf("render of 256 frames, 40 voices busy, %d calls: mean %.2f us, worst %.2f us "
              "(the buffer lasts %.0f us)\n",
              kCalls, total / kCalls, worst, 1e6 * kFrames / 44100.0);
}

// Prints, after the table, each run against SDL's mixer and against the floor
// measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) cpuNs_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* where : {"in_cache", "streamed"}) {
      const double sdl = cpuNs_["mixSdl/" + std::string(where)];
      const double floor = cpuNs_["plainLoop/" + std::string(where)];
      for (const auto& [name, ns] : cpuNs_) {
        if (name.rfind("mixEngine/", 0) != 0 || name.find(where) == std::string::npos) continue;
        std::printf("%-36s %.3f ns per voice-frame: %.1fx faster than SDL_MixAudioFormat, %.2fx the floor\n",
                    name.c_str(), ns / (kVoices * kFrames), sdl / ns, ns / floor);
      }
    }
  }

 private:
  std::map<std::string, double> cpuNs_;
};

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  reportEngineFigures();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
