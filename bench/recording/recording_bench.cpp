// State text and state files of a full (3000-note) song, and the offline
// renderer's speed as a multiple of real time.
//
//   build/bench/recording/recording_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "audio/sound_player.h"
#include "bench_song.h"
#include "platform/run_loop.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "recording/offline_renderer.h"
#include "recording/state_text.h"

namespace {

namespace fs = std::filesystem;
using namespace piano;

// The root view's section as a fixed text: the recorder section is what varies.
class FixedMainSection final : public StateSection {
 public:
  std::string getState() const override { return bench::kMainSection; }
  bool setState(std::string_view section, int) override { return state_text::FieldReader(section).remaining() >= 12; }
  void resetState() override {}
};

struct StateFixture {
  StateFixture() {
    recorder.setState(bench::songSection(1500, 600.0), 2);
    folder = fs::temp_directory_path() / ("piano-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    files = std::make_unique<FileManager>(main, recorder, folder.string());
  }
  ~StateFixture() { fs::remove_all(folder); }
  platform::RunLoop loop;
  SoundPlayer player{SoundPlayer::Options{}};
  Metronome metronome{player, loop};
  NoteRecorder recorder{nullptr, player, metronome, loop, NoteRecorder::Options{{}, {}, false, {}}};
  FixedMainSection main;
  fs::path folder;
  std::unique_ptr<FileManager> files;
};

void BM_StateTextWrite3000(benchmark::State& state) {
  StateFixture f;
  if (f.recorder.getNumNotes() != 3000) state.SkipWithError("song is not 3000 notes");
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text = f.files->stateText();
    bytes = text.size();
    benchmark::DoNotOptimize(text);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_StateTextWrite3000)->Unit(benchmark::kMillisecond);

void BM_StateTextRead3000(benchmark::State& state) {
  StateFixture f;
  const std::string text = f.files->stateText();
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.files->applyStateText(text));
  }
}
BENCHMARK(BM_StateTextRead3000)->Unit(benchmark::kMillisecond);

// Includes the flush to the disk that makes a save safe against power loss.
void BM_SaveState3000(benchmark::State& state) {
  StateFixture f;
  for (auto _ : state) {
    if (!f.files->saveState("bench.SAV")) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveState3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadState3000(benchmark::State& state) {
  StateFixture f;
  f.files->saveState("bench.SAV");
  for (auto _ : state) {
    if (!f.files->loadState("bench.SAV")) state.SkipWithError("load failed");
  }
  if (f.recorder.getNumNotes() != 3000) state.SkipWithError("load lost notes");
}
BENCHMARK(BM_LoadState3000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 60-second song of 300 presses with the built sample set (or, when it has not
// been built, two-second synthetic samples).
void BM_OfflineRender(benchmark::State& state) {
  OfflineRenderer::Settings settings;
  settings.sampleDir = fs::is_directory(PIANO_SAMPLE_DIR) ? PIANO_SAMPLE_DIR : "";
  OfflineRenderer renderer(settings);
  if (renderer.soundPlayer().sampleSlot(39).rawDataSize < 1) {
    for (int slot = 0; slot < kNumPianoKeys; ++slot) {
      std::vector<std::int16_t> tone(88200);
      for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::int16_t>(8000 * std::sin(0.02 * (slot + 10) * static_cast<double>(i)));
      }
      renderer.soundPlayer().setSampleData(slot, std::move(tone));
    }
    state.SetLabel("synthetic samples");
  } else {
    state.SetLabel("built samples");
  }
  const std::string text = std::string("Version 2@") + bench::kMainSection + "@" +
                           bench::songSection(static_cast<int>(state.range(0)), 60.0) + "@";
  double audioSeconds = 0.0;
  for (auto _ : state) {
    renderer.loadStateText(text);
    const auto result = renderer.render([](const std::int16_t* frames, int) {
      benchmark::DoNotOptimize(frames[0]);
      return true;
    });
    audioSeconds += static_cast<double>(result.frames) / 44100.0;
  }
  state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OfflineRender)->Arg(300)->Arg(1500)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
