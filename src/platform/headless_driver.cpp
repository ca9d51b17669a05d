#include "platform/headless_driver.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/animation.h"
#include "platform/run_loop.h"

namespace piano::platform {

HeadlessDriver::HeadlessDriver(Window& window, RunLoop* loop, ManualClock& clock)
    : window_(window), loop_(loop), clock_(clock) {
  Animator::shared().setClock(clock_.function());
}

void HeadlessDriver::setScreenshotHandler(std::function<bool(const std::string&)> handler) {
  screenshot_ = std::move(handler);
}

void HeadlessDriver::setStepHandler(std::function<void()> handler) { onStep_ = std::move(handler); }

void HeadlessDriver::setFrameInterval(double seconds) {
  if (seconds > 0.0) frameInterval_ = seconds;
}

void HeadlessDriver::step() {
  if (loop_ != nullptr) loop_->runDue();
  Animator::shared().tick();
  if (onStep_) onStep_();
}

void HeadlessDriver::runUntil(double until) {
  // Work that falls due at once (tasks posted by the step, timers set for
  // "now") gets more steps at the same time before the clock moves on, as a
  // real loop would run it at once; a bounded number, so that work which
  // always asks for more cannot hold the clock still.
  constexpr int kMaxStepsAtOneTime = 100;
  int stepsAtThisTime = 0;
  for (;;) {
    const double now = clock_.now();
    step();
    double next = until;
    if (loop_ != nullptr) {
      const double wait = loop_->secondsUntilNextEvent();
      if (wait <= 0.0 && ++stepsAtThisTime < kMaxStepsAtOneTime) continue;
      if (wait > 0.0 && now + wait < next) next = now + wait;
    }
    if (now >= until) return;
    stepsAtThisTime = 0;
    if (Animator::shared().isAnimating()) next = std::min(next, now + frameInterval_);
    clock_.set(next);
  }
}

void HeadlessDriver::advance(double seconds) { runUntil(clock_.now() + std::max(0.0, seconds)); }

void HeadlessDriver::apply(const ScriptEvent& event, bool* ok) {
  const double now = clock_.now();
  switch (event.kind) {
    case ScriptEvent::Kind::Down: window_.fingerDown(event.finger, event.point, now); break;
    case ScriptEvent::Kind::Move: window_.fingerMove(event.finger, event.point, now); break;
    case ScriptEvent::Kind::Up: window_.fingerUp(event.finger, event.point, now); break;
    case ScriptEvent::Kind::Cancel: window_.focusLost(now); break;
    case ScriptEvent::Kind::KeyPositionDown: window_.keyPositionDown(event.keyPosition); break;
    case ScriptEvent::Kind::KeyPositionUp: window_.keyPositionUp(event.keyPosition); break;
    case ScriptEvent::Kind::Text: window_.textInput(event.argument); break;
    case ScriptEvent::Kind::Key: window_.keyDown(event.key); break;
    case ScriptEvent::Kind::Shot:
      if (!screenshot_ || !screenshot_(event.argument)) {
        std::printf("Script line %d: no screenshot %s\n", event.line, event.argument.c_str());
        *ok = false;
      }
      break;
    case ScriptEvent::Kind::End: break;
  }
}

bool HeadlessDriver::run(const TouchScript& script) {
  bool ok = true;
  const double start = clock_.now();
  for (const ScriptEvent& event : script.events) {
    runUntil(start + event.time);
    if (event.kind == ScriptEvent::Kind::End) break;
    apply(event, &ok);
  }
  step();
  return ok;
}

}  // namespace piano::platform
