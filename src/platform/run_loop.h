// The main thread's run loop: one-shot timers, delayed calls, and a thread-safe
// hand-over of calls from other threads (the playback thread) to the main thread.
//
// Threads: post() and wake() from any thread; everything else on the main thread.
// The loop never runs a task on the calling thread of post().
//
// The clock is injectable, so tests can run timers on a fake clock and the
// offline tools faster than real time.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>

namespace piano::platform {

class RunLoop {
 public:
  using Task = std::function<void()>;
  using TimerId = std::uint64_t;

  // `clock` gives the media clock in seconds; the platform's mediaTime() when empty.
  explicit RunLoop(std::function<double()> clock = {});
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Main thread. Runs `task` once, `seconds` from now (0: at the next runDue).
  // Timers due at the same time run in the order they were scheduled.
  TimerId performAfterDelay(double seconds, Task task);
  // Main thread. A timer that has not run yet never runs.
  void cancel(TimerId id);

  // Any thread. Queues `task` for the main thread; it runs at the next runDue,
  // in the order posted, before timers. Never waits for the main thread.
  void post(Task task);

  // Main thread. Runs every posted task, then every timer due by now (tasks that
  // those schedule for "now" wait for the next call). Returns how many ran.
  int runDue();

  // Main thread. Seconds until the next timer is due; 0 when posted tasks wait;
  // infinity when there is nothing.
  double secondsUntilNextEvent() const;

  // Main thread, for loops without a window: sleeps until a task is posted, a
  // timer is due, or `maxSeconds` pass.
  void waitForEvents(double maxSeconds);

  // Called (on the posting thread) after each post(), so a window system's event
  // loop can be woken (the SDL adapter pushes an event). Set before other threads run.
  void setWakeHandler(std::function<void()> handler);

  double now() const;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace piano::platform
