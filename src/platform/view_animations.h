// Internal to the view layer: the animation state a view carries while it
// animates, and the animation block that View::animate opens. Main thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/animation.h"
#include "platform/geometry.h"
#include "platform/view.h"

namespace piano::platform {

// The views animated by one View::animate call share a group, which runs the
// completion when its last member ends.
struct AnimationGroup {
  std::function<void(bool finished)> completion;
  int members = 0;
  bool allFinished = true;
  bool closed = false;  // the animate() call has returned
};

// Open while the changes of View::animate run.
struct AnimationBlock {
  double duration = 0.0;
  AnimationCurve curve = AnimationCurve::EaseInEaseOut;
  std::shared_ptr<AnimationGroup> group;
  AnimationBlock* outer = nullptr;

  static AnimationBlock* current();
  static void push(AnimationBlock* block);
  static void pop();
};

template <typename T>
struct PropertyAnimation {
  T from{};
  T to{};
  double duration = 0.0;
  AnimationCurve curve = AnimationCurve::EaseInEaseOut;
  bool started = false;
  double begin = 0.0;
  std::shared_ptr<AnimationGroup> group;

  double progress(double now) const {
    if (!started || duration <= 0.0) return started ? 1.0 : 0.0;
    return animationProgress(curve, (now - begin) / duration);
  }
};

struct TransitionState {
  TransitionType type = TransitionType::Fade;
  TransitionDirection direction = TransitionDirection::FromTop;
  double duration = 0.0;
  AnimationCurve curve = AnimationCurve::EaseInEaseOut;
  bool started = false;
  double begin = 0.0;
  std::vector<View::Ptr> oldContent;
  std::function<void()> onStart;
  std::function<void(bool)> onStop;
};

struct View::Animations {
  std::optional<PropertyAnimation<Point>> centre;
  std::optional<PropertyAnimation<float>> alpha;
  std::optional<PropertyAnimation<AffineTransform>> transform;
  std::optional<PropertyAnimation<Colour>> background;
  std::optional<TransitionState> transition;

  bool empty() const { return !centre && !alpha && !transform && !background && !transition; }

  void animateCentre(View& view, Point from, Point to, AnimationBlock& block);
  void animateAlpha(View& view, float from, float to, AnimationBlock& block);
  void animateTransform(View& view, const AffineTransform& from, const AffineTransform& to,
                        AnimationBlock& block);
  void animateBackground(View& view, Colour from, Colour to, AnimationBlock& block);

  void renderTransition(const View& view, Canvas& canvas, const AffineTransform& toDisplay,
                        float alpha) const;
};

// Queues a callback for the animator's next tick.
void deferToNextTick(std::function<void()> callback);

}  // namespace piano::platform
