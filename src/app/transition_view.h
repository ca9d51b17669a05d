// TransitionView: the container every screen is shown in. It swaps its child for
// another with an animated layer transition, and refuses touches while the
// animation runs, so that no tap lands on a screen that is coming or going.
// Every screen it shows clips to its bounds: what a screen keeps beyond its
// edges (the settings' other pages, the keys scrolled out of view) never
// shows, also while the screen slides in or out beside another.
//
// Threads: main thread only.
#pragma once

#include <atomic>

#include "platform/animation.h"
#include "platform/image_view.h"

namespace piano {

class TransitionView;

// Told of starts and ends of the transitions. Every call is optional.
class TransitionViewDelegate {
 public:
  virtual void transitionViewDidStart(TransitionView*) {}
  virtual void transitionViewDidFinish(TransitionView*) {}
  virtual void transitionViewDidCancel(TransitionView*) {}

 protected:
  ~TransitionViewDelegate() = default;
};

class TransitionView : public platform::ImageView {
 public:
  using Type = platform::TransitionType;
  using Direction = platform::TransitionDirection;

  TransitionView();

  // Replaces every child by `view`, animated. Ignored while a transition runs.
  // A fade has no direction.
  void newSubview(View::Ptr view, Type type, Direction direction, double duration);
  // Replaces one child in place, animated. Ignored while a transition runs.
  void replaceSubview(const View::Ptr& oldView, View::Ptr newView, Type type, Direction direction,
                      double duration);
  // Removes the running animation; the delegate hears of a cancel.
  void cancelTransition();

  bool isTransitioning() const { return transitioning_; }
  // The type and direction of the last change asked for (a fade's direction
  // means nothing).
  Type lastType() const { return lastType_; }
  Direction lastDirection() const { return lastDirection_; }
  TransitionViewDelegate* delegate() const { return delegate_.load(); }
  void setDelegate(TransitionViewDelegate* delegate) { delegate_.store(delegate); }

 private:
  void animate(std::vector<View::Ptr> oldContent, Type type, Direction direction, double duration);
  void animationDidStart();
  void animationDidStop(bool finished);

  bool transitioning_ = false;
  Type lastType_ = Type::Fade;
  Direction lastDirection_ = Direction::FromTop;
  bool wasEnabled_ = false;
  std::atomic<TransitionViewDelegate*> delegate_{nullptr};
};

}  // namespace piano
