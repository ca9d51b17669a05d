// A finger on the screen (or the mouse, which counts as one more finger).
//
// Threads: main thread only.
//
// A Touch object lives from the finger's first contact to its lift (or cancel):
// its address is its identity for that whole time and may be compared, as the
// touch layer does with its slots. It is delivered to the view it began in, for
// its whole life, wherever the finger goes, as a phone does.
#pragma once

#include <memory>
#include <vector>

#include "platform/geometry.h"

namespace piano::platform {

class View;

enum class TouchPhase : int { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

class Touch {
 public:
  // Location in `view`'s own coordinates (through every transform up to the
  // window); window coordinates (landscape points) when `view` is null.
  Point locationInView(const View* view) const;
  // Where the finger was at the previous event of this touch (the first
  // location while the phase is Began).
  Point previousLocationInView(const View* view) const;
  TouchPhase phase() const { return phase_; }
  int phaseNumber() const { return static_cast<int>(phase_); }
  // 1 for a first tap; 2, 3... when it begins soon (0.35 s) after and near
  // (30 points) where the previous tap ended.
  int tapCount() const { return tapCount_; }
  // Media-clock time of the latest event.
  double timestamp() const { return timestamp_; }
  // The view the touch began in; null once that view has been destroyed.
  View* view() const;

 private:
  friend class Window;
  friend class TouchTestAccess;
  Touch() = default;

  View* view_ = nullptr;
  std::weak_ptr<const int> viewAlive_;
  Point location_;          // window coordinates
  Point previousLocation_;  // window coordinates
  TouchPhase phase_ = TouchPhase::Began;
  int tapCount_ = 1;
  double timestamp_ = 0.0;
};

// The changed touches of one event, in order. Pointers stay valid for the
// call they are passed to (and, for an active touch, until it ends).
using TouchSet = std::vector<const Touch*>;

}  // namespace piano::platform
