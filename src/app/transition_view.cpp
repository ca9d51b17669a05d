#include "app/transition_view.h"

namespace piano {

TransitionView::TransitionView() {
  // A container of screens takes touches; image views are born without.
  setUserInteractionEnabled(true);
}

void TransitionView::newSubview(View::Ptr view, Type type, Direction direction, double duration) {
  if (transitioning_) return;
  std::vector<View::Ptr> old = subviews();
  removeAllSubviews();
  if (view) view->setClipsToBounds(true);
  insertSubview(std::move(view), 0);
  animate(std::move(old), type, direction, duration);
}

void TransitionView::replaceSubview(const View::Ptr& oldView, View::Ptr newView, Type type,
                                    Direction direction, double duration) {
  if (transitioning_) return;
  std::vector<View::Ptr> old = subviews();
  std::size_t index = 0;
  if (oldView && oldView->superview() == this) {
    index = static_cast<std::size_t>(oldView->indexInSuperview());
    oldView->removeFromSuperview();
  }
  if (newView && newView->superview() == nullptr) {
    newView->setClipsToBounds(true);
    insertSubview(std::move(newView), index);
  }
  animate(std::move(old), type, direction, duration);
}

void TransitionView::animate(std::vector<View::Ptr> oldContent, Type type, Direction direction,
                             double duration) {
  // A fade ignores the direction; the platform is told none would matter.
  if (type == Type::Fade) direction = Direction::FromTop;
  lastType_ = type;
  lastDirection_ = direction;
  addTransition(
      type, direction, duration, std::move(oldContent), [this] { animationDidStart(); },
      [this](bool finished) { animationDidStop(finished); }, platform::AnimationCurve::EaseInEaseOut);
}

void TransitionView::cancelTransition() { removeTransition(); }

void TransitionView::animationDidStart() {
  transitioning_ = true;
  wasEnabled_ = isUserInteractionEnabled();
  if (wasEnabled_) setUserInteractionEnabled(false);
  if (auto* d = delegate()) d->transitionViewDidStart(this);
}

void TransitionView::animationDidStop(bool finished) {
  transitioning_ = false;
  if (wasEnabled_) setUserInteractionEnabled(true);
  if (auto* d = delegate()) {
    if (finished) {
      d->transitionViewDidFinish(this);
    } else {
      d->transitionViewDidCancel(this);
    }
  }
}

}  // namespace piano
