// The sound card output of the piano (platform::makeSoundCard, with its own
// choice of driver and buffer), driven without the screen for the latency
// benchmark (bench/latency/run.sh):
//
//   latency_probe impulse COUNT [--buffer N]
//     writes COUNT short impulses, 0.4 s apart, each at the first frame of a
//     callback, and prints "impulse NS" with the CLOCK_MONOTONIC time at which
//     that callback began;
//   latency_probe load SECONDS [--buffer N] [--samples DIR]
//     plays ten fingers' worth of piano notes (a new one every 60 ms, ten
//     sounding at any time) through the real engine, so the sound never stops,
//     then prints what the output ended up with.
//
// The probe's render function reads the clock, which the piano's own never
// does; it stands for one, as the time a callback begins.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "audio/sound_player.h"
#include "platform/sdl_sound_card.h"

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, as the PipeWire graph's times

std::atomic<bool> impulseWanted{false};
std::atomic<long long> impulseTime{0};

int writeImpulse(void*, piano::platform::StereoBuffer out) noexcept {
  const long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
  std::memset(out.samples, 0, out.sampleCount() * sizeof(std::int16_t));
  if (impulseWanted.exchange(false, std::memory_order_acq_rel)) {
    for (int i = 0; i < 2 * std::min(out.frames, 16); ++i) out.samples[i] = 20000;
    impulseTime.store(now, std::memory_order_release);
  }
  return 0;
}

int impulses(int count, int bufferFrames) {
  const auto output = piano::platform::makeSoundCard(bufferFrames);
  if (!output->start(&writeImpulse, nullptr)) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the stream settles
  for (int i = 0; i < count; ++i) {
    impulseTime.store(0, std::memory_order_relaxed);
    impulseWanted.store(true, std::memory_order_release);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    if (const long long t = impulseTime.load(std::memory_order_acquire); t != 0) std::printf("impulse %lld\n", t);
    output->keepUp(std::chrono::duration<double>(Clock::now().time_since_epoch()).count());
    std::fflush(stdout);
  }
  output->stop();
  return 0;
}

int load(double seconds, int bufferFrames, const std::string& sampleDir) {
  const auto output = piano::platform::makeSoundCard(bufferFrames);
  piano::SoundPlayer engine({output.get(), sampleDir, {}});
  constexpr int kFingers = 10;
  constexpr int kKeys[kFingers] = {27, 31, 34, 39, 43, 46, 51, 55, 58, 63};
  int voices[kFingers];
  std::fill(std::begin(voices), std::end(voices), -1);
  const auto start = Clock::now();
  auto nextLook = start;
  for (int n = 0; Clock::now() - start < std::chrono::duration<double>(seconds); ++n) {
    const int finger = n % kFingers;
    if (voices[finger] >= 0) engine.stopSample(voices[finger]);
    voices[finger] = engine.playSampleWithSampleNo(kKeys[finger] + (n / kFingers) % 5, 0.7, 1.0f, -0.0005f);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    if (Clock::now() >= nextLook) {
      output->keepUp(std::chrono::duration<double>(Clock::now().time_since_epoch()).count());
      nextLook += std::chrono::milliseconds(500);
    }
  }
  std::printf("Sound at the end: %s\n", output->describe());
  engine.stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: latency_probe impulse COUNT | load SECONDS [--buffer N] [--samples DIR]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const double amount = std::atof(argv[2]);
  int bufferFrames = 0;
  std::string sampleDir = PIANO_SAMPLE_DIR;
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--buffer") == 0) bufferFrames = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--samples") == 0) sampleDir = argv[i + 1];
  }
  setvbuf(stdout, nullptr, _IOLBF, 0);
  if (mode == "impulse") return impulses(static_cast<int>(amount), bufferFrames);
  if (mode == "load") return load(amount, bufferFrames, sampleDir);
  std::printf("unknown mode %s\n", mode.c_str());
  return 2;
}
