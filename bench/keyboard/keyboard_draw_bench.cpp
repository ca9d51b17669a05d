// Drawing the keyboard screen with eleven keys down, through SDL's software
// renderer off screen (no GPU here: the worst case), at one and two pixels per
// point; the walk of the view tree alone (a canvas that draws nothing); and
// the main thread's work for one finger press and release.
//
//   build/bench/keyboard/keyboard_draw_bench
// The CPU column is the drawing thread's time per frame. Counters: the whole
// process's CPU per frame (with the recorder's playback thread, which polls
// every millisecond) and the share of one core that 60 such frames a second
// would take.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "keyboard_screen.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/paced_audio_output.h"
#include "platform/sdl_display.h"

namespace {

using namespace piano;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class NullCanvas final : public platform::Canvas {
 public:
  int calls = 0;
  void fillRect(const platform::AffineTransform&, const platform::Rect&, platform::Colour, float) override { ++calls; }
  void strokeRect(const platform::AffineTransform&, const platform::Rect&, platform::Colour, float) override {
    ++calls;
  }
  void fillEllipse(const platform::AffineTransform&, const platform::Rect&, platform::Colour, float) override {
    ++calls;
  }
  void drawImage(const platform::Image&, const platform::AffineTransform&, const platform::Rect&, float) override {
    ++calls;
  }
  void drawText(const platform::TextBlock&, const platform::AffineTransform&, float) override { ++calls; }
  void beginLayer() override {}
  void endLayer(float) override {}
};

void pressElevenKeys(platform::Window& window) {
  for (int finger = 0; finger < 11; ++finger) window.fingerDown(finger, bench::fingerPoint(finger), 0.0);
}

void BM_DrawFrameElevenKeysDown(benchmark::State& state) {
  platform::RunLoop loop;
  platform::DisplayOptions options;
  options.offscreen = true;
  options.pixelScale = static_cast<double>(state.range(0));
  options.layout = platform::DisplayOptions::Layout::Normal;
  std::string error;
  auto display = platform::Display::open(options, loop, &error);
  if (!display) {
    state.SkipWithError(error.c_str());
    return;
  }
  platform::NullAudioOutput output(false);
  bench::KeyboardScreen screen(loop, &output, "", display->window());
  pressElevenKeys(display->window());
  display->drawFrame();  // artwork rasterised once
  int frame = 0;
  const double cpuStart = cpuSeconds();
  for (auto _ : state) {
    // One finger moves every frame, so a key picture changes as in play.
    const platform::Point at = bench::fingerPoint(frame % 8);
    display->window().fingerMove(frame % 8, {at.x + ((frame / 8) % 2 == 0 ? 70 : 0), at.y}, 0.0);
    display->drawFrame();
    ++frame;
  }
  const double cpu = cpuSeconds() - cpuStart;
  state.counters["cpu_per_frame_ms"] = cpu / static_cast<double>(state.iterations()) * 1e3;
  state.counters["cpu_at_60fps"] = cpu / static_cast<double>(state.iterations()) * 60.0;
  state.SetLabel(std::to_string(static_cast<int>(480 * state.range(0))) + "x" +
                 std::to_string(static_cast<int>(320 * state.range(0))) + " software renderer");
  screen.sound.stop();
}
BENCHMARK(BM_DrawFrameElevenKeysDown)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WalkViewTreeElevenKeysDown(benchmark::State& state) {
  platform::RunLoop loop;
  platform::Window window(platform::landscapeSize());
  platform::NullAudioOutput output(false);
  bench::KeyboardScreen screen(loop, &output, "", window);
  pressElevenKeys(window);
  NullCanvas canvas;
  for (auto _ : state) {
    window.draw(canvas);
    benchmark::DoNotOptimize(canvas.calls);
  }
  state.counters["draw_calls_per_frame"] = static_cast<double>(canvas.calls) / static_cast<double>(state.iterations());
  screen.sound.stop();
}
BENCHMARK(BM_WalkViewTreeElevenKeysDown)->Unit(benchmark::kMicrosecond);

void BM_FingerPressAndRelease(benchmark::State& state) {
  platform::RunLoop loop;
  platform::Window window(platform::landscapeSize());
  platform::NullAudioOutput output(false);
  bench::KeyboardScreen screen(loop, &output, "", window);
  std::vector<std::int16_t> tone(4410, 1000);
  for (int slot = 0; slot < 88; ++slot) screen.sound.setSampleData(slot, tone);
  std::vector<std::int16_t> buffer(512);
  int i = 0;
  for (auto _ : state) {
    const platform::Point at = bench::fingerPoint(i++ % 11);
    window.fingerDown(1, at, 0.0);
    window.fingerUp(1, at, 0.0);
    state.PauseTiming();
    screen.sound.render({buffer.data(), 256});  // let the voices go back
    state.ResumeTiming();
  }
  screen.sound.stop();
}
BENCHMARK(BM_FingerPressAndRelease)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
