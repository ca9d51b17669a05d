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
#include "platform/paced_audio_output.h"

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// A paced null output that notes when the first sound comes after being armed.
class ListeningOutput final : public piano::platform::PacedAudioOutput {
 public:
  ListeningOutput() : PacedAudioOutput(true) {}
  ~ListeningOutput() override { stop(); }
  const char* describe() const override { return "paced null output"; }

  void arm() {
    heardAt_.store(0, std::memory_order_relaxed);
    armed_.store(true, std::memory_order_release);
  }
  std::int64_t heardAt() const { return heardAt_.load(std::memory_order_acquire); }
  // How late the pulling thread was, against its schedule, at the heard buffer.
  std::int64_t lateNs() const { return lateNs_.load(std::memory_order_acquire); }

 protected:
  void consume(piano::platform::StereoBuffer sound) override {
    // The output pulls buffer n at first + n periods (an absolute schedule).
    const std::int64_t now = nowNs();
    if (buffers_ == 0) firstNs_ = now;
    const std::int64_t scheduled = firstNs_ + static_cast<std::int64_t>(static_cast<double>(buffers_) * kPeriodNs);
    ++buffers_;
    if (!armed_.load(std::memory_order_acquire)) return;
    for (std::size_t i = 0; i < sound.sampleCount(); ++i) {
      if (sound.samples[i] != 0) {
        armed_.store(false, std::memory_order_relaxed);
        lateNs_.store(now - scheduled, std::memory_order_relaxed);
        heardAt_.store(now, std::memory_order_release);
        return;
      }
    }
  }

 private:
  static constexpr double kPeriodNs = 256.0 / 44100.0 * 1e9;
  std::atomic<bool> armed_{false};
  std::atomic<std::int64_t> heardAt_{0};
  std::atomic<std::int64_t> lateNs_{0};
  std::int64_t firstNs_ = 0;  // output thread only
  std::int64_t buffers_ = 0;
};

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

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
