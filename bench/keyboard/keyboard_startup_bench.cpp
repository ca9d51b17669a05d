// From the program's start to the first drawn frame of the keyboard screen,
// with the sample set already built: the display opened (off screen), the 90
// samples loaded, the views built and their artwork rasterised. One run per
// process, as a start is; run it a few times for a spread.
//
//   build/bench/keyboard/keyboard_startup_bench [--samples-after]
//
// --samples-after: the screen is drawn first and the samples load after it
// (the keyboard would be silent for that moment), to see what the first frame
// costs without them.
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "keyboard_screen.h"
#include "platform/paced_audio_output.h"
#include "platform/sdl_display.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count() * 1e3; }

// CPU time of the whole process in ms: on a busy machine the wall time above
// also holds the time other programs had the cores.
double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// How long the process had been running when main began (from /proc; 10 ms
// resolution), or -1.
double processAgeMs() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  const auto close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  unsigned long long startTicks = 0;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) startTicks = std::stoull(field);
  }
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  if (!(uptimeFile >> uptime)) return -1;
  return (uptime - static_cast<double>(startTicks) / static_cast<double>(sysconf(_SC_CLK_TCK))) * 1e3;
}

}  // namespace

int main(int argc, char** argv) {
  const bool samplesAfter = argc > 1 && std::string(argv[1]) == "--samples-after";
  const auto start = Clock::now();
  const double ageAtMain = processAgeMs();
  using namespace piano;
  const std::string dir = bench::builtSampleDir();
  if (dir.empty()) {
    std::printf("No sample set at %s: build the target piano_samples first.\n", PIANO_SAMPLE_DIR);
    return 1;
  }
  platform::RunLoop loop;
  platform::DisplayOptions options;
  options.offscreen = true;
  options.pixelScale = 2.0;
  options.layout = platform::DisplayOptions::Layout::Normal;
  std::string error;
  auto display = platform::Display::open(options, loop, &error);
  if (!display) {
    std::printf("No display: %s\n", error.c_str());
    return 1;
  }
  const double displayMs = since(start);
  const double displayCpu = cpuMs();
  platform::NullAudioOutput output(true);
  const auto soundStart = Clock::now();
  bench::KeyboardScreen screen(loop, &output, samplesAfter ? "" : dir, display->window());
  const double screenMs = since(soundStart);
  const double screenCpu = cpuMs() - displayCpu;
  const auto drawStart = Clock::now();
  display->drawFrame();
  const double drawMs = since(drawStart);
  const double total = since(start);
  const double totalCpu = cpuMs();
  const double drawCpu = totalCpu - displayCpu - screenCpu;
  std::printf("Start to the first drawn keyboard frame: %.0f ms from main (CPU %.0f ms)", total, totalCpu);
  if (ageAtMain >= 0) std::printf(" + %.0f ms before main (10 ms resolution)", ageAtMain);
  std::printf("\n  display opened (off screen, software renderer): %.0f ms (CPU %.0f ms)\n", displayMs, displayCpu);
  std::printf("  sound engine with %d samples, recorder, keyboard view built: %.0f ms (CPU %.0f ms)\n",
              screen.sound.numSampleListEntries(), screenMs, screenCpu);
  std::printf("  first frame (artwork rasterised at 2 pixels per point): %.0f ms (CPU %.0f ms)\n", drawMs, drawCpu);
  if (samplesAfter) {
    const auto loadStart = Clock::now();
    const double loadCpu = cpuMs();
    for (int key = 1; key <= 88; ++key) screen.sound.loadSampleAtSlot(key - 1, dir + "/" + std::to_string(key) + ".mav");
    screen.sound.loadSampleAtSlot(88, dir + "/metronomeHi.mav");
    screen.sound.loadSampleAtSlot(89, dir + "/metronomeLo.mav");
    std::printf("  then %d samples loaded: %.0f ms (CPU %.0f ms)\n", screen.sound.numSampleListEntries(),
                since(loadStart), cpuMs() - loadCpu);
  }
  std::printf("  target: under 500 ms\n");
  screen.sound.stop();
  return 0;
}
