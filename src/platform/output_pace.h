// How the sound card output chooses its driver and buffer, and how it notices
// that it falls behind.
//
// The audio thread only counts the frames it pulls (one relaxed atomic add per
// buffer: no lock, no clock, no system call). The main thread looks now and
// then and compares that count with the time that went by: an output that
// keeps up pulls the stream's rate, give or take one server cycle at either
// edge of the look (up to about 21 ms where the server runs 1024-frame cycles
// whatever a client asks for); one whose callbacks come late or not at all (the server played
// silence in their place) is left short for good. The shortfall is kept as a
// debt that surplus pays back and that slowly leaks away, so a sound card
// clock a little slower than the computer's never adds up to a false alarm.
// A device that can tell when the server went a cycle without it (PipeWire's
// own client) reports those cycles too: a single missed cycle is too small for
// the count to see, but three within ten seconds are clicks a player hears.
//
// Threads: framePulled from the output's thread; everything else from the main thread.
#pragma once

#include <array>
#include <atomic>
#include <string>
#include <vector>

namespace piano::platform {

// Frames per buffer asked for by default, and the steps up when the output
// falls behind. A browser's audio node takes powers of two from 256 up, and
// SDL's browser output cannot be opened a second time while the page lives
// (the first node keeps calling): the page keeps its 256 frames.
#ifdef __EMSCRIPTEN__
inline constexpr int kBufferSteps[] = {256};
#else
inline constexpr int kBufferSteps[] = {128, 256, 512};
#endif
inline constexpr int kMinimumBufferFrames = 32;
inline constexpr int kMaximumBufferFrames = 8192;

// The drivers to try, in order, among `available` (the drivers the sound
// library was built with). An empty list means: let the library choose, as it
// does when the user names one (`userChoice`, e.g. from SDL_AUDIODRIVER).
// PipeWire's own driver keeps the server's buffer at the size asked for;
// through its pulse emulation the server raises it to about 16 ms.
std::vector<std::string> audioDriverOrder(const char* userChoice, const std::vector<std::string>& available);

// The next buffer size after `frames` falls behind; `frames` itself at the top.
int nextBufferStep(int frames);

class OutputPaceWatch {
 public:
  // Output thread: a buffer of `frames` frames was pulled.
  void framesPulled(int frames) noexcept { pulled_.fetch_add(frames, std::memory_order_relaxed); }

  // Main thread: starts over for an output pulling `bufferFrames` at `rate`.
  void reset(int rate, int bufferFrames);
  // Main thread, every half second or so, with the time in seconds and the
  // cycles the device has missed since it opened (0 where it cannot tell):
  // true when the output has fallen behind by more than four of its buffers
  // and 10 ms, more than a server cycle's worth of uneven pulls can explain,
  // or has missed kMissedCyclesToStep cycles within kMissedCyclesWindow.
  bool fellBehind(double now, long long missedCycles = 0);
  static constexpr int kMissedCyclesToStep = 3;
  static constexpr double kMissedCyclesWindow = 10.0;
  // Frames the output is short of the time that went by (for diagnostics).
  double debtFrames() const { return debt_; }

 private:
  static_assert(std::atomic<long long>::is_always_lock_free, "the output thread never waits");
  std::atomic<long long> pulled_{0};
  int rate_ = 0;
  int bufferFrames_ = 0;
  bool started_ = false;  // counting begins with the first pull, once the server runs
  long long lastPulled_ = 0;
  double lastTime_ = 0.0;
  double debt_ = 0.0;
  long long missedSeen_ = 0;
  // When the latest missed cycles were seen, newest first.
  std::array<double, kMissedCyclesToStep> missTimes_{};
};

}  // namespace piano::platform
