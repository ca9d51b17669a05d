// Touch to sound: the time from a touch's arrival at the window to the end of
// the render call that first mixes its voice, over many taps, with the output
// pulled like a device (one 256-frame buffer every 5.8 ms on a thread of its
// own) and the recorder's playback thread running. The device's own buffering
// comes on top of this.
//
//   build/bench/keyboard/keyboard_latency_bench [taps]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "keyboard_screen.h"
#include "platform/clock.h"

namespace {

using piano::bench::ListeningOutput;
using piano::bench::nowNs;
using piano::bench::percentile;

}  // namespace

int main(int argc, char** argv) {
  using namespace piano;
  const int taps = argc > 1 ? std::max(10, std::atoi(argv[1])) : 400;
  const std::string dir = bench::builtSampleDir();
  if (dir.empty()) {
    std::printf("No sample set at %s: build the target piano_samples first.\n", PIANO_SAMPLE_DIR);
    return 1;
  }
  platform::RunLoop loop;
  platform::Window window(platform::landscapeSize());
  ListeningOutput output;
  bench::KeyboardScreen screen(loop, &output, dir, window);
  // Each tap's sound ends at once, so the next tap begins on silence.
  screen.settings.sustainTimeNormal = -1.0;

  std::mt19937 random(7);
  std::uniform_int_distribution<int> pause(12000, 24000);  // microseconds: over two buffers, any phase
  std::vector<double> latency, handling, lateness;
  int lost = 0;
  for (int i = 0; i < taps; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    loop.runDue();
    const platform::Point at = bench::fingerPoint(i % 8);
    output.arm();
    const std::int64_t arrived = nowNs();
    window.fingerDown(1, at, platform::mediaTime());
    const std::int64_t handled = nowNs();
    std::int64_t heard = 0;
    while ((heard = output.heardAt()) == 0 && nowNs() - arrived < 200'000'000) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    window.fingerUp(1, at, platform::mediaTime());
    if (heard == 0) {
      ++lost;
      continue;
    }
    latency.push_back(static_cast<double>(heard - arrived) / 1e6);
    handling.push_back(static_cast<double>(handled - arrived) / 1e6);
    lateness.push_back(static_cast<double>(output.lateNs()) / 1e6);
  }
  const double period = 256.0 / 44100.0 * 1000.0;
  if (latency.empty()) {
    std::printf("No tap was heard.\n");
    return 1;
  }
  std::printf("Touch to sound over %zu taps (%d unheard), output %s of %d frames (%.2f ms):\n", latency.size(),
              lost, output.describe(), output.bufferFrames(), period);
  const auto late = std::count_if(latency.begin(), latency.end(), [&](double ms) { return ms > period; });
  std::printf(
      "  to the end of the first render that mixes the voice: median %.2f ms, 90%% %.2f ms, 99%% %.2f ms, "
      "worst %.2f ms; %zu of %zu over one period\n",
      percentile(latency, 0.5), percentile(latency, 0.9), percentile(latency, 0.99), percentile(latency, 1.0),
      static_cast<std::size_t>(late), latency.size());
  std::vector<double> onSchedule;
  for (std::size_t i = 0; i < latency.size(); ++i) onSchedule.push_back(latency[i] - lateness[i]);
  std::printf("  of which the output thread woke after its scheduled time (render included): median %.2f ms, worst %.2f ms\n",
              percentile(lateness, 0.5), percentile(lateness, 1.0));
  std::printf("  to the scheduled pull of that buffer (a device that pulls on time): median %.2f ms, worst %.2f ms\n",
              percentile(onSchedule, 0.5), percentile(onSchedule, 1.0));
  std::printf("  touch handling on the main thread (window to voice handed over): median %.3f ms, worst %.3f ms\n",
              percentile(handling, 0.5), percentile(handling, 1.0));
  std::printf("  target: at most one buffer period (%.2f ms) on top of the device's own buffering\n", period);
  screen.sound.stop();
  return 0;
}
