// Real-time playback timing: how late each press starts its voice compared
// with its time in the song, with the real playback thread, the media clock and
// an audio thread rendering 256-frame buffers as a device would.
//
//   build/bench/recording/playback_timing_bench [--presses N] [--seconds S] [--poll-only]
//
// --poll-only turns off the wake-up at a note's due time and measures the plain
// one-millisecond poll.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/sound_player.h"
#include "bench_song.h"
#include "platform/clock.h"
#include "platform/run_loop.h"
#include "recording/note_recorder.h"

using namespace piano;

int main(int argc, char** argv) {
  int presses = 300;
  double seconds = 10.0;
  bool pollOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--presses") && i + 1 < argc) presses = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) seconds = std::atof(argv[++i]);
    else if (!std::strcmp(argv[i], "--poll-only")) pollOnly = true;
    else {
      std::fprintf(stderr, "usage: %s [--presses N] [--seconds S] [--poll-only]\n", argv[0]);
      return 2;
    }
  }

  platform::RunLoop loop;
  SoundPlayer player{SoundPlayer::Options{}};
  for (int slot = 0; slot < kNumPianoKeys; ++slot) player.setSampleData(slot, std::vector<std::int16_t>(44100, 1000));

  std::vector<double> lateness;
  lateness.reserve(static_cast<std::size_t>(presses));
  std::mutex latenessMutex;
  std::atomic<double> playStart{0.0};
  NoteRecorder::Options options;
  if (pollOnly) options.clock = [] { return platform::mediaTime(); };
  options.playbackObserver = [&](const Note& note, double) {
    if (!note.keyDown) return;
    const double late = platform::mediaTime() - playStart.load() - note.time;
    std::lock_guard lock(latenessMutex);
    lateness.push_back(late);
  };
  Metronome metronome(player, loop);
  NoteRecorder recorder(nullptr, player, metronome, loop, std::move(options));
  if (!recorder.setState(bench::songSection(presses, seconds, 7), 2)) return 1;

  std::atomic<bool> running{true};
  std::thread audio([&] {
    std::vector<std::int16_t> buffer(256 * 2);
    auto next = std::chrono::steady_clock::now();
    while (running.load()) {
      player.render({buffer.data(), 256});
      next += std::chrono::microseconds(5805);
      std::this_thread::sleep_until(next);
    }
  });

  playStart.store(platform::mediaTime());
  recorder.play();
  while (recorder.getNRState() != piano::RecorderState::kIdle) {
    loop.waitForEvents(0.05);
    loop.runDue();
  }
  running.store(false);
  audio.join();

  std::lock_guard lock(latenessMutex);
  std::sort(lateness.begin(), lateness.end());
  if (lateness.empty()) return 1;
  const auto at = [&](double q) {
    return lateness[std::min(lateness.size() - 1, static_cast<std::size_t>(q * static_cast<double>(lateness.size())))];
  };
  std::printf("playback timing (%s): %zu presses over %.1f s\n", pollOnly ? "1 ms poll only" : "poll + due-time wake",
              lateness.size(), seconds);
  std::printf("  lateness of a press vs its song time: median %.3f ms, p99 %.3f ms, max %.3f ms, min %.3f ms\n",
              at(0.5) * 1e3, at(0.99) * 1e3, lateness.back() * 1e3, lateness.front() * 1e3);
  return 0;
}
