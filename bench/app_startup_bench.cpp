// The application's start with a 3000-note song in "system.state": the time
// from building the root view (engine, samples, recorder, screens, state) to the
// first drawn frame, and the save at exit.
//
//   build/bench/app_startup_bench [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "platform/localized_strings.h"
#include "platform/paced_audio_output.h"
#include "platform/resources.h"
#include "platform/run_loop.h"
#include "platform/sdl_display.h"

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// A song of 1500 presses, each released, at four notes a second.
std::string stateWithSong() {
  std::string text = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1500|3000|";
  char note[96];
  for (int i = 0; i < 1500; ++i) {
    const double t = 0.25 * i;
    std::snprintf(note, sizeof note, "1|%d|%f|%d|0.7|1|-8e-05|0|%f|%d|", 27 + i % 40, t, i, t + 0.2, i);
    text += note;
  }
  return text + "@";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace piano;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::filesystem::path documents = std::filesystem::temp_directory_path() / "piano-startup-bench";
  std::filesystem::create_directories(documents);
  platform::localizedStrings().load(platform::resourceDirectory() + "/strings", "en");
  std::vector<double> starts, saves;
  for (int run = 0; run < runs; ++run) {
    std::ofstream(documents / "system.state") << stateWithSong();
    const std::int32_t one = 1;
    std::ofstream(documents / "SystemMessage.DAT", std::ios::binary).write(reinterpret_cast<const char*>(&one), 4);

    platform::RunLoop loop;
    platform::DisplayOptions options;
    options.offscreen = true;
    options.pixelScale = 2.0;
    std::string error;
    auto display = platform::Display::open(options, loop, &error);
    if (!display) {
      std::printf("%s\n", error.c_str());
      return 1;
    }
    platform::NullAudioOutput output(/*paced=*/true);
    const auto t0 = Clock::now();
    MainView::Options o;
    o.runLoop = &loop;
    o.output = &output;
    o.sampleDir = PIANO_SAMPLE_DIR;
    o.documentsDirectory = documents.string();
    o.language = "en";
    auto view = MainView::create(o);
    display->window().setRootView(view);
    display->drawFrame();
    starts.push_back(msSince(t0));
    const auto t1 = Clock::now();
    view->applicationWillTerminate();
    saves.push_back(msSince(t1));
    display->window().setRootView(nullptr);
  }
  std::sort(starts.begin(), starts.end());
  std::sort(saves.begin(), saves.end());
  std::printf("start to first drawn frame, 3000-note song: median %.0f ms, worst %.0f ms (%d runs)\n",
              starts[starts.size() / 2], starts.back(), runs);
  std::printf("save at exit: median %.1f ms, worst %.1f ms\n", saves[saves.size() / 2], saves.back());
  std::filesystem::remove_all(documents);
  return 0;
}
