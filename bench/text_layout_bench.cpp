// Setting the instruction manual's pages afresh (an empty layout cache, as on
// the first visit to each page; the fonts already open) at two pixels per
// point, in English and in Chinese: as the screen sets them (a page too long
// for the paper is set again, smaller, until it fits) and at the page font's
// size alone. The ratio of the two rows is what fitting costs on the main
// thread.
//
//   build/bench/text_layout_bench
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/localized_strings.h"
#include "platform/resources.h"
#include "platform/sdl_text_layout.h"
#include "screens/manual/manual_view.h"

namespace {

using namespace piano;

class NoHost : public ManualHost {
 public:
  void showNoteRecorder() override {}
  void showSetup() override {}
  void visitWebsite() override {}
  platform::Rect frame() const override { return {0, 0, 320, 480}; }
};

void setEveryPage(benchmark::State& state, const char* language, bool fit) {
  platform::localizedStrings().load(platform::resourceDirectory() + "/strings", language);
  NoHost host;
  ManualView view(host);
  platform::TextBlock block = view.manualTextLabel().textBlock();
  if (!fit) block.minimumFontSize = 0.0;
  platform::SdlTextLayout layout;
  std::uint64_t frame = 0;
  int shrunk = 0;
  for (auto _ : state) {
    layout.beginFrame(++frame, 0);  // forgets every layout set before
    shrunk = 0;
    for (std::size_t page = 1; page < view.pages().size(); ++page) {
      block.text = view.pages()[page];
      const platform::TextLayout& set = layout.layout(block, 2.0, 2.0);
      shrunk += set.pixelSize < 26;
      benchmark::DoNotOptimize(set.lines.size());
    }
  }
  state.counters["pages_shrunk"] = shrunk;
}

void BM_ManualPagesFitted(benchmark::State& state, const char* language) { setEveryPage(state, language, true); }
void BM_ManualPagesAtTheirSize(benchmark::State& state, const char* language) {
  setEveryPage(state, language, false);
}

BENCHMARK_CAPTURE(BM_ManualPagesFitted, en, "en")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ManualPagesAtTheirSize, en, "en")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ManualPagesFitted, zh, "zh-Hans")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ManualPagesAtTheirSize, zh, "zh-Hans")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
