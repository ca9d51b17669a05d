#include "platform/view.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/view_animations.h"
#include "platform/window.h"

namespace piano::platform {

View::View() : alive_(std::make_shared<const int>(0)) {}

View::View(const Rect& frame) : View() { setFrame(frame); }

View::~View() {
  Animator::shared().forget(this);
  for (const Ptr& child : subviews_) child->superview_ = nullptr;
}

// --- Geometry ---

Rect View::frame() const { return transformToSuperview().apply(bounds_); }

void View::setFrame(const Rect& frame) {
  const Rect bounds{bounds_.x, bounds_.y, frame.width, frame.height};
  if (!(bounds == bounds_)) {
    bounds_ = bounds;
    setNeedsDisplay();
  }
  setCentre(frame.centre());
}

void View::setBounds(const Rect& bounds) {
  if (bounds == bounds_) return;
  bounds_ = bounds;
  setNeedsDisplay();
}

void View::setCentre(Point centre) {
  if (AnimationBlock* block = AnimationBlock::current()) {
    animations().animateCentre(*this, presentationCentre(), centre, *block);
  }
  if (centre == centre_) return;
  centre_ = centre;
  setNeedsDisplay();
}

void View::setTransform(const AffineTransform& transform) {
  if (AnimationBlock* block = AnimationBlock::current()) {
    animations().animateTransform(*this, presentationTransform(), transform, *block);
  }
  if (transform == transform_) return;
  transform_ = transform;
  setNeedsDisplay();
}

void View::setAlpha(float alpha) {
  if (!(alpha >= 0.0f)) alpha = 0.0f;  // also NaN
  if (alpha > 1.0f) alpha = 1.0f;
  if (AnimationBlock* block = AnimationBlock::current()) {
    animations().animateAlpha(*this, presentationAlpha(), alpha, *block);
  }
  if (alpha == alpha_) return;
  alpha_ = alpha;
  setNeedsDisplay();
}

void View::setHidden(bool hidden) {
  if (hidden == hidden_) return;
  hidden_ = hidden;
  setNeedsDisplay();
}

void View::setClipsToBounds(bool clips) {
  if (clips == clipsToBounds_) return;
  clipsToBounds_ = clips;
  setNeedsDisplay();
}

void View::setBackgroundColour(Colour colour) {
  if (AnimationBlock* block = AnimationBlock::current()) {
    animations().animateBackground(*this, presentationBackgroundColour(), colour, *block);
  }
  if (colour == backgroundColour_) return;
  backgroundColour_ = colour;
  setNeedsDisplay();
}

// --- Tree ---

void View::attachChild(Ptr view, std::size_t index) {
  // A view cannot hold itself or one of its ancestors.
  if (!view || isDescendantOf(view.get())) return;
  if (view->superview_ != nullptr) {
    View* old = view->superview_;
    auto& siblings = old->subviews_;
    auto it = std::find(siblings.begin(), siblings.end(), view);
    view->superview_ = nullptr;
    if (it != siblings.end()) siblings.erase(it);
  }
  index = std::min(index, subviews_.size());
  view->superview_ = this;
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), std::move(view));
  setNeedsDisplay();
}

void View::addSubview(Ptr view) { attachChild(std::move(view), std::numeric_limits<std::size_t>::max()); }

void View::insertSubview(Ptr view, std::size_t index) {
  // Taking the view out of this same parent first shifts the later indices.
  attachChild(std::move(view), index);
}

void View::removeFromSuperview() {
  View* parent = superview_;
  if (parent == nullptr) return;
  auto& siblings = parent->subviews_;
  auto it = std::find_if(siblings.begin(), siblings.end(),
                         [this](const Ptr& p) { return p.get() == this; });
  superview_ = nullptr;
  parent->setNeedsDisplay();
  if (it != siblings.end()) {
    Ptr keep = std::move(*it);  // this view may die with the last reference
    siblings.erase(it);
  }
}

void View::removeAllSubviews() {
  std::vector<Ptr> children = std::move(subviews_);
  subviews_.clear();
  for (const Ptr& child : children) child->superview_ = nullptr;
  setNeedsDisplay();
}

void View::bringSubviewToFront(const View* child) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(),
                         [child](const Ptr& p) { return p.get() == child; });
  if (it == subviews_.end()) return;
  std::rotate(it, it + 1, subviews_.end());
  setNeedsDisplay();
}

void View::sendSubviewToBack(const View* child) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(),
                         [child](const Ptr& p) { return p.get() == child; });
  if (it == subviews_.end()) return;
  std::rotate(subviews_.begin(), it, it + 1);
  setNeedsDisplay();
}

int View::indexInSuperview() const {
  if (superview_ == nullptr) return -1;
  const auto& siblings = superview_->subviews_;
  for (std::size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

bool View::isDescendantOf(const View* ancestor) const {
  for (const View* v = this; v != nullptr; v = v->superview_) {
    if (v == ancestor) return true;
  }
  return false;
}

View* View::viewWithTag(int tag) {
  if (tag_ == tag) return this;
  for (const Ptr& child : subviews_) {
    if (View* found = child->viewWithTag(tag)) return found;
  }
  return nullptr;
}

View* View::rootView() {
  View* v = this;
  while (v->superview_ != nullptr) v = v->superview_;
  return v;
}

const View* View::rootView() const {
  const View* v = this;
  while (v->superview_ != nullptr) v = v->superview_;
  return v;
}

Window* View::window() const { return rootView()->window_; }

// --- Coordinates ---

namespace {
AffineTransform placeAbout(const Rect& bounds, const AffineTransform& transform, Point centre) {
  return AffineTransform::translation(-bounds.midX(), -bounds.midY())
      .concat(transform)
      .concat(AffineTransform::translation(centre.x, centre.y));
}
}  // namespace

AffineTransform View::transformToSuperview() const { return placeAbout(bounds_, transform_, centre_); }

AffineTransform View::transformToRoot() const {
  AffineTransform t;
  for (const View* v = this; v != nullptr; v = v->superview_) t = t.concat(v->transformToSuperview());
  return t;
}

Point View::convertPointToView(Point point, const View* other) const {
  const Point inRoot = transformToRoot().apply(point);
  return other == nullptr ? inRoot : other->transformToRoot().inverted().apply(inRoot);
}

Point View::convertPointFromView(Point point, const View* other) const {
  const Point inRoot = other == nullptr ? point : other->transformToRoot().apply(point);
  return transformToRoot().inverted().apply(inRoot);
}

// --- Hit testing ---

View* View::hitTest(Point point) {
  if (hidden_ || alpha_ < 0.01f || !userInteractionEnabled_) return nullptr;
  if (!pointInside(point)) return nullptr;
  // Copy: a hit test of a subclass could change the tree.
  const std::vector<Ptr> children = subviews_;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    const View& child = **it;
    const AffineTransform toChild = child.transformToSuperview();
    if (!toChild.isInvertible()) continue;
    if (View* hit = (*it)->hitTest(toChild.inverted().apply(point))) return hit;
  }
  return this;
}

// --- Touches: passed up the chain unless a view takes them ---

void View::touchesBegan(const TouchSet& touches) {
  if (superview_ != nullptr) superview_->touchesBegan(touches);
}
void View::touchesMoved(const TouchSet& touches) {
  if (superview_ != nullptr) superview_->touchesMoved(touches);
}
void View::touchesEnded(const TouchSet& touches) {
  if (superview_ != nullptr) superview_->touchesEnded(touches);
}
void View::touchesCancelled(const TouchSet& touches) {
  if (superview_ != nullptr) superview_->touchesCancelled(touches);
}

// --- Drawing ---

void View::setNeedsDisplay() const { markDisplayChanged(); }

void View::draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const {
  const Colour background = presentationBackgroundColour();
  if (background.isVisible()) canvas.fillRect(toDisplay, bounds_, background, alpha);
}

void View::render(Canvas& canvas, const AffineTransform& parentToDisplay, float parentAlpha) const {
  if (hidden_) return;
  const float alpha = parentAlpha * presentationAlpha();
  if (alpha <= 0.001f) return;
  const AffineTransform toDisplay =
      placeAbout(bounds_, presentationTransform(), presentationCentre()).concat(parentToDisplay);
  if (clipsToBounds_) canvas.pushClip(toDisplay, bounds_);
  draw(canvas, toDisplay, alpha);
  if (animations_ && animations_->transition) {
    animations_->renderTransition(*this, canvas, toDisplay, alpha);
  } else {
    for (const Ptr& child : subviews_) child->render(canvas, toDisplay, alpha);
  }
  if (clipsToBounds_) canvas.popClip();
}

}  // namespace piano::platform
