// Drives a window without a display and without wall time: the clock moves
// from one thing to do to the next (a scripted event, a timer of the run loop,
// the next frame while an animation runs), so a run takes as long as its work
// and gives the same result every time.
//
// Threads: main thread only (the clock it moves may be read anywhere).
#pragma once

#include <functional>
#include <string>

#include "platform/manual_clock.h"
#include "platform/touch_script.h"
#include "platform/window.h"

namespace piano::platform {

class RunLoop;

class HeadlessDriver {
 public:
  // `loop` may be null (views only). The driver installs `clock` as the
  // animator's clock; the run loop must have been made on the same clock.
  HeadlessDriver(Window& window, RunLoop* loop, ManualClock& clock);

  // Takes a screenshot to the path; returns false on failure. Without one,
  // "shot" lines fail.
  void setScreenshotHandler(std::function<bool(const std::string& path)> handler);
  // Called after each step, with the window ticked (to draw frames, say).
  void setStepHandler(std::function<void()> handler);
  // Seconds between frames while animations run; 1/60 by default.
  void setFrameInterval(double seconds);

  // Runs the script; its times count from the clock's time at the call. It
  // ends after the last event (or at "end"). Returns false when a screenshot
  // failed (the run goes on).
  bool run(const TouchScript& script);
  // Lets `seconds` pass with no input: timers run and animations step.
  void advance(double seconds);

  // One step at the clock's present time: the run loop's due work, then the
  // animator's tick.
  void step();

 private:
  // Moves the clock to `until` in steps, doing the work that falls due.
  void runUntil(double until);
  void apply(const ScriptEvent& event, bool* ok);

  Window& window_;
  RunLoop* loop_;
  ManualClock& clock_;
  std::function<bool(const std::string&)> screenshot_;
  std::function<void()> onStep_;
  double frameInterval_ = 1.0 / 60.0;
};

}  // namespace piano::platform
