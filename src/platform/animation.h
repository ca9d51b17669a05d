// Animation timing of the view layer: the animator that starts and ends every
// animation, the timing curves, and the kinds of layer transition.
//
// Threads: main thread only.
//
// An animation begins at the first tick after it was added (the moment the
// screen would first show it), not when it is requested; its start callback runs
// in that tick and its stop callback in the tick that finds it over. The view
// tree keeps the new (model) values at once: hit tests and geometry queries see
// where a view is going, drawing sees where it is now (its presentation values).
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace piano::platform {

class View;
void deferToNextTick(std::function<void()> callback);

enum class AnimationCurve { Linear, EaseInEaseOut };

// The progress 0..1 of a curve at the fraction `t` (0..1, held to that range) of
// the duration. Ease-in-ease-out is the cubic Bezier (0.42, 0, 0.58, 1).
double animationProgress(AnimationCurve curve, double t);

enum class TransitionType { Fade, MoveIn, Push, Reveal };
// Where the new content comes from, in the coordinates of the view that carries
// the transition ("from top": it enters across the view's y = 0 edge). A fade has
// no direction.
enum class TransitionDirection { FromTop, FromBottom, FromLeft, FromRight };

class Animator {
 public:
  // The process's animator (main thread).
  static Animator& shared();

  // The clock animations run on; the platform's media clock by default. The
  // run loop's clock is installed here, so tests and the headless driver step
  // animations together with timers.
  void setClock(std::function<double()> clock);
  double now() const;

  // Starts what was added since the last tick (start callbacks), then ends what
  // is over (stop callbacks with finished = true). Callbacks may add or remove
  // animations; those take effect from the next tick. Returns true while
  // anything still runs or waits to start.
  bool tick();
  // The clock's time at the last tick: the moment that drawing shows.
  double frameTime() const { return frameTime_; }
  bool isAnimating() const;

  Animator(const Animator&) = delete;
  Animator& operator=(const Animator&) = delete;

 private:
  friend class View;
  friend void deferToNextTick(std::function<void()> callback);
  Animator();
  // Views with running or waiting animations register themselves.
  void enlist(View* view);
  void forget(View* view);

  std::function<double()> clock_;
  double frameTime_ = 0.0;
  std::vector<View*> views_;
  std::vector<std::function<void()>> deferred_;  // run at the next tick
};

}  // namespace piano::platform
