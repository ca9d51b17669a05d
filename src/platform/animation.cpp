#include "platform/animation.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/clock.h"
#include "platform/view.h"
#include "platform/view_animations.h"
#include "platform/window.h"

namespace piano::platform {

// --- Timing curves ---

namespace {

// One coordinate of a cubic Bezier from 0 to 1 with control values p1, p2.
double bezier(double t, double p1, double p2) {
  const double u = 1.0 - t;
  return 3.0 * u * u * t * p1 + 3.0 * u * t * t * p2 + t * t * t;
}

}  // namespace

double animationProgress(AnimationCurve curve, double t) {
  if (!(t > 0.0)) return 0.0;  // also NaN
  if (t >= 1.0) return 1.0;
  if (curve == AnimationCurve::Linear) return t;
  // Ease in, ease out: the Bezier (0.42, 0) (0.58, 1); find the parameter
  // whose x is t by bisection (x rises monotonically), then take its y.
  double lo = 0.0, hi = 1.0, s = t;
  for (int i = 0; i < 60; ++i) {
    s = (lo + hi) / 2.0;
    if (bezier(s, 0.42, 0.58) < t) {
      lo = s;
    } else {
      hi = s;
    }
  }
  return bezier(s, 0.0, 1.0);
}

// --- The animator ---

Animator::Animator() : clock_([] { return mediaTime(); }) { frameTime_ = clock_(); }

Animator& Animator::shared() {
  static Animator animator;
  return animator;
}

void Animator::setClock(std::function<double()> clock) {
  clock_ = clock ? std::move(clock) : std::function<double()>([] { return mediaTime(); });
  frameTime_ = clock_();
}

double Animator::now() const { return clock_(); }

bool Animator::isAnimating() const { return !views_.empty() || !deferred_.empty(); }

void Animator::enlist(View* view) {
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
  markDisplayChanged();
}

void Animator::forget(View* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

bool Animator::tick() {
  frameTime_ = clock_();
  std::vector<std::function<void()>> callbacks = std::move(deferred_);
  deferred_.clear();
  // Views may be destroyed while the views' state changes (old transition
  // content released at its end), so walk a copy and check each one.
  const std::vector<View*> views = views_;
  for (View* view : views) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) continue;
    view->animationsTick(frameTime_, callbacks);
  }
  for (auto& callback : callbacks) {
    if (callback) callback();
  }
  if (!views_.empty()) markDisplayChanged();
  return isAnimating();
}

void deferToNextTick(std::function<void()> callback) {
  Animator::shared().deferred_.push_back(std::move(callback));
}

// --- The animation block ---

namespace {
AnimationBlock* currentBlock = nullptr;

// A member of a group ended: the group's completion follows when it was the last.
void memberEnded(const std::shared_ptr<AnimationGroup>& group, bool finished,
                 std::vector<std::function<void()>>* callbacks) {
  if (!group) return;
  if (!finished) group->allFinished = false;
  if (--group->members > 0 || !group->closed || !group->completion) return;
  auto completion = std::move(group->completion);
  group->completion = nullptr;
  const bool all = group->allFinished;
  if (callbacks != nullptr) {
    callbacks->push_back([completion, all] { completion(all); });
  } else {
    deferToNextTick([completion, all] { completion(all); });
  }
}

template <typename T>
void replace(View& view, std::optional<PropertyAnimation<T>>& slot, const T& from, const T& to,
             AnimationBlock& block) {
  if (!slot && from == to) return;  // nothing moves
  if (slot) memberEnded(slot->group, false, nullptr);
  PropertyAnimation<T> animation;
  animation.from = from;
  animation.to = to;
  animation.duration = block.duration;
  animation.curve = block.curve;
  animation.group = block.group;
  ++block.group->members;
  slot = std::move(animation);
  (void)view;
}

template <typename T>
T mix(const T& a, const T& b, double q);

template <>
Point mix(const Point& a, const Point& b, double q) {
  return {a.x + (b.x - a.x) * q, a.y + (b.y - a.y) * q};
}
template <>
float mix(const float& a, const float& b, double q) {
  return static_cast<float>(a + (b - a) * q);
}
template <>
AffineTransform mix(const AffineTransform& a, const AffineTransform& b, double q) {
  auto m = [q](double x, double y) { return x + (y - x) * q; };
  return {m(a.a, b.a), m(a.b, b.b), m(a.c, b.c), m(a.d, b.d), m(a.tx, b.tx), m(a.ty, b.ty)};
}
template <>
Colour mix(const Colour& a, const Colour& b, double q) {
  auto m = [q](float x, float y) { return static_cast<float>(x + (y - x) * q); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

template <typename T>
T present(const std::optional<PropertyAnimation<T>>& slot, const T& model) {
  if (!slot) return model;
  return mix(slot->from, slot->to, slot->progress(Animator::shared().frameTime()));
}

// Starts a waiting animation or ends a finished one; true when it has ended.
template <typename T>
bool advance(std::optional<PropertyAnimation<T>>& slot, double now,
             std::vector<std::function<void()>>& callbacks) {
  if (!slot) return false;
  if (!slot->started) {
    slot->started = true;
    slot->begin = now;
    if (slot->duration > 0.0) return false;
  }
  if (now - slot->begin < slot->duration) return false;
  auto group = std::move(slot->group);
  slot.reset();
  memberEnded(group, true, &callbacks);
  return true;
}

}  // namespace

AnimationBlock* AnimationBlock::current() { return currentBlock; }
void AnimationBlock::push(AnimationBlock* block) {
  block->outer = currentBlock;
  currentBlock = block;
}
void AnimationBlock::pop() {
  if (currentBlock != nullptr) currentBlock = currentBlock->outer;
}

void View::Animations::animateCentre(View& view, Point from, Point to, AnimationBlock& block) {
  replace(view, centre, from, to, block);
  if (centre) Animator::shared().enlist(&view);
}
void View::Animations::animateAlpha(View& view, float from, float to, AnimationBlock& block) {
  replace(view, alpha, from, to, block);
  if (alpha) Animator::shared().enlist(&view);
}
void View::Animations::animateTransform(View& view, const AffineTransform& from,
                                        const AffineTransform& to, AnimationBlock& block) {
  replace(view, transform, from, to, block);
  if (transform) Animator::shared().enlist(&view);
}
void View::Animations::animateBackground(View& view, Colour from, Colour to, AnimationBlock& block) {
  replace(view, background, from, to, block);
  if (background) Animator::shared().enlist(&view);
}

// --- View's animation operations ---

View::Animations& View::animations() {
  if (!animations_) animations_ = std::make_unique<Animations>();
  return *animations_;
}

void View::animate(double duration, const std::function<void()>& changes,
                   std::function<void(bool finished)> completion, AnimationCurve curve) {
  if (!(duration > 0.0)) {
    if (changes) changes();
    if (completion) deferToNextTick([completion] { completion(true); });
    return;
  }
  AnimationBlock block;
  block.duration = duration;
  block.curve = curve;
  block.group = std::make_shared<AnimationGroup>();
  block.group->completion = std::move(completion);
  AnimationBlock::push(&block);
  if (changes) changes();
  AnimationBlock::pop();
  block.group->closed = true;
  if (block.group->members == 0 && block.group->completion) {
    auto done = std::move(block.group->completion);
    block.group->completion = nullptr;
    deferToNextTick([done] { done(true); });
  }
}

void View::removeAllAnimations() {
  if (!animations_) return;
  auto end = [](auto& slot) {
    if (!slot) return;
    auto group = std::move(slot->group);
    slot.reset();
    memberEnded(group, false, nullptr);
  };
  end(animations_->centre);
  end(animations_->alpha);
  end(animations_->transform);
  end(animations_->background);
  if (!animations_->transition) Animator::shared().forget(this);
  setNeedsDisplay();
}

void View::addTransition(TransitionType type, TransitionDirection direction, double duration,
                         std::vector<Ptr> oldContent, std::function<void()> onStart,
                         std::function<void(bool finished)> onStop, AnimationCurve curve) {
  removeTransition();
  TransitionState state;
  state.type = type;
  state.direction = direction;
  state.duration = duration > 0.0 ? duration : 0.0;
  state.curve = curve;
  state.oldContent = std::move(oldContent);
  state.onStart = std::move(onStart);
  state.onStop = std::move(onStop);
  animations().transition = std::move(state);
  Animator::shared().enlist(this);
}

void View::removeTransition() {
  if (!animations_ || !animations_->transition) return;
  TransitionState state = std::move(*animations_->transition);
  animations_->transition.reset();
  if (animations_->empty()) Animator::shared().forget(this);
  setNeedsDisplay();
  // A transition that never started is dropped without callbacks.
  if (state.started && state.onStop) {
    auto onStop = std::move(state.onStop);
    deferToNextTick([onStop] { onStop(false); });
  }
}

bool View::hasTransition() const { return animations_ && animations_->transition.has_value(); }
bool View::hasAnimations() const { return animations_ && !animations_->empty(); }

Point View::presentationCentre() const {
  return animations_ ? present(animations_->centre, centre_) : centre_;
}
float View::presentationAlpha() const {
  return animations_ ? present(animations_->alpha, alpha_) : alpha_;
}
AffineTransform View::presentationTransform() const {
  return animations_ ? present(animations_->transform, transform_) : transform_;
}
Colour View::presentationBackgroundColour() const {
  return animations_ ? present(animations_->background, backgroundColour_) : backgroundColour_;
}

void View::animationsTick(double now, std::vector<std::function<void()>>& callbacks) {
  if (!animations_) {
    Animator::shared().forget(this);
    return;
  }
  Animations& a = *animations_;
  advance(a.centre, now, callbacks);
  advance(a.alpha, now, callbacks);
  advance(a.transform, now, callbacks);
  advance(a.background, now, callbacks);
  if (a.transition) {
    TransitionState& t = *a.transition;
    if (!t.started) {
      t.started = true;
      t.begin = now;
      if (t.onStart) callbacks.push_back(std::move(t.onStart));
      t.onStart = nullptr;
    } else if (now - t.begin >= t.duration) {
      TransitionState done = std::move(t);
      a.transition.reset();
      if (done.onStop) {
        auto onStop = std::move(done.onStop);
        callbacks.push_back([onStop] { onStop(true); });
      }
      // The old content is released after the callbacks (it may hold views
      // whose destruction changes the animator's list).
      auto old = std::make_shared<std::vector<Ptr>>(std::move(done.oldContent));
      callbacks.push_back([old] { old->clear(); });
    }
  }
  if (a.empty()) Animator::shared().forget(this);
}

// --- Drawing a transition ---

void View::Animations::renderTransition(const View& view, Canvas& canvas,
                                        const AffineTransform& toDisplay, float alpha) const {
  const TransitionState& t = *transition;
  const double q = t.started ? animationProgress(t.curve, t.duration > 0.0
                                                             ? (Animator::shared().frameTime() - t.begin) / t.duration
                                                             : 1.0)
                             : 0.0;
  const Rect b = view.bounds();
  // Where the new content starts, as an offset in the view's coordinates.
  Point from;
  switch (t.direction) {
    case TransitionDirection::FromTop: from = {0.0, -b.height}; break;
    case TransitionDirection::FromBottom: from = {0.0, b.height}; break;
    case TransitionDirection::FromLeft: from = {-b.width, 0.0}; break;
    case TransitionDirection::FromRight: from = {b.width, 0.0}; break;
  }
  Point oldOffset, newOffset;
  float oldAlpha = 1.0f, newAlpha = 1.0f;
  bool oldOnTop = false;
  switch (t.type) {
    case TransitionType::Fade:
      oldAlpha = static_cast<float>(1.0 - q);
      newAlpha = static_cast<float>(q);
      break;
    case TransitionType::MoveIn:
      newOffset = {from.x * (1.0 - q), from.y * (1.0 - q)};
      break;
    case TransitionType::Push:
      newOffset = {from.x * (1.0 - q), from.y * (1.0 - q)};
      oldOffset = {-from.x * q, -from.y * q};
      break;
    case TransitionType::Reveal:
      oldOffset = {-from.x * q, -from.y * q};
      oldOnTop = true;
      break;
  }
  // A fade shows each state as one picture: its views are put together
  // first, then faded as a whole.
  const bool fade = t.type == TransitionType::Fade;
  auto drawState = [&](const std::vector<Ptr>& content, Point offset, float stateAlpha) {
    if (content.empty() || stateAlpha <= 0.001f) return;
    const AffineTransform m = AffineTransform::translation(offset.x, offset.y).concat(toDisplay);
    if (fade) canvas.beginLayer();
    for (const Ptr& child : content) child->render(canvas, m, fade ? alpha : alpha * stateAlpha);
    if (fade) canvas.endLayer(stateAlpha);
  };
  auto drawOld = [&] { drawState(t.oldContent, oldOffset, oldAlpha); };
  auto drawNew = [&] { drawState(view.subviews(), newOffset, newAlpha); };
  if (oldOnTop) {
    drawNew();
    drawOld();
  } else {
    drawOld();
    drawNew();
  }
}

}  // namespace piano::platform
