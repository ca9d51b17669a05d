// The view tree: rectangles with a centre, bounds and an affine transform,
// alpha, a background colour and children, which draw themselves and receive
// touches, with the phone's semantics.
//
// Threads: main thread only (views, touches, animations and drawing).
//
// Geometry. A view has its own coordinate space (its bounds, usually origin 0,0)
// and sits in its parent's space by its centre. Its transform turns, scales and
// moves it about that centre: a point p of the view is at
//     centre + transform(p - middle of bounds)
// in the parent. The frame is derived: the bounding box of the transformed
// bounds in the parent. Setting the frame sets the centre to its middle and
// the bounds' size to its size (meant for views without a transform; a
// transform set later keeps centre and bounds). Children are not clipped,
// unless the view clips to its bounds.
//
// Ownership. A parent owns its children (shared pointers); a child knows its
// parent by a plain pointer. Create views with std::make_shared.
//
// Touches. The window hit-tests each new touch to the deepest view that takes
// it (below) and delivers all its events to that view. A view that does not
// override a touch method passes the call to its parent, as a phone's
// responder chain does, so a screen receives the touches of its plain children.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/animation.h"
#include "platform/canvas.h"
#include "platform/geometry.h"
#include "platform/touch.h"

namespace piano::platform {

class Window;

class View {
 public:
  using Ptr = std::shared_ptr<View>;

  View();
  explicit View(const Rect& frame);
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // --- Geometry (model values; they change at once, also inside animate()) ---
  Rect frame() const;
  void setFrame(const Rect& frame);
  Rect bounds() const { return bounds_; }
  void setBounds(const Rect& bounds);
  Point centre() const { return centre_; }
  void setCentre(Point centre);  // animatable
  const AffineTransform& transform() const { return transform_; }
  void setTransform(const AffineTransform& transform);  // animatable

  // --- Appearance ---
  float alpha() const { return alpha_; }
  void setAlpha(float alpha);  // held to 0..1; animatable
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  Colour backgroundColour() const { return backgroundColour_; }
  void setBackgroundColour(Colour colour);  // clear by default; animatable
  // Off by default. On, nothing of the view or of its descendants shows outside
  // its bounds, wherever the view lies on the display at the moment (moved,
  // turned, or carried by a transition).
  bool clipsToBounds() const { return clipsToBounds_; }
  void setClipsToBounds(bool clips);

  // --- Interaction ---
  // On by default for plain views; off for image views and labels (as on the phone).
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  // Off by default: the view then gets only the first of several fingers; a
  // finger that begins on it while another is down goes nowhere.
  bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
  void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

  // --- Tree ---
  View* superview() const { return superview_; }
  const std::vector<Ptr>& subviews() const { return subviews_; }
  // Adds on top of the other children (moving the view from its old parent,
  // or to the top if it is already a child). Null and self are ignored.
  void addSubview(Ptr view);
  // Inserts at `index` (0 is the bottom; past the end means on top).
  void insertSubview(Ptr view, std::size_t index);
  void removeFromSuperview();
  void removeAllSubviews();
  void bringSubviewToFront(const View* child);
  void sendSubviewToBack(const View* child);
  // Index among the parent's children, or -1.
  int indexInSuperview() const;
  bool isDescendantOf(const View* ancestor) const;  // true for the view itself
  // This view or the first descendant (depth first) with the tag.
  View* viewWithTag(int tag);
  // The outermost ancestor (the window's root when the view is on screen).
  View* rootView();
  const View* rootView() const;
  // The window whose tree holds the view, or null.
  Window* window() const;

  // --- Coordinates (model values) ---
  // Maps own coordinates to the parent's.
  AffineTransform transformToSuperview() const;
  // Maps own coordinates to the root view's (the window's) coordinates.
  AffineTransform transformToRoot() const;
  // Converts between this view and `other` (null: window coordinates). Views
  // of different trees are converted through their roots.
  Point convertPointToView(Point point, const View* other) const;
  Point convertPointFromView(Point point, const View* other) const;

  // --- Hit testing ---
  // `point` is in this view's coordinates. Returns the deepest view that takes
  // the point: null when this view is hidden, nearly transparent (alpha below
  // 0.01), has user interaction off, or the point is outside its bounds (its
  // children are then not asked); else the topmost child that answers, else
  // this view.
  virtual View* hitTest(Point point);
  virtual bool pointInside(Point point) const { return bounds_.contains(point); }

  // --- Touches (the default passes them to the parent) ---
  virtual void touchesBegan(const TouchSet& touches);
  virtual void touchesMoved(const TouchSet& touches);
  virtual void touchesEnded(const TouchSet& touches);
  virtual void touchesCancelled(const TouchSet& touches);
  // The window's root view hears the computer keyboard played as an
  // instrument: keys by position (key_positions.h), pressed and released.
  virtual void keyPositionChanged(int /*position*/, bool /*down*/) {}

  // --- Animations ---
  // Runs `changes` now; the changes it makes to centres, alphas, transforms and
  // background colours of any views are animated from what is on screen to the
  // new values over `duration` seconds. `completion` (optional) runs once when
  // all of them have ended: finished is false when any was replaced by a newer
  // animation of the same property or removed. A duration <= 0 changes at once.
  static void animate(double duration, const std::function<void()>& changes,
                      std::function<void(bool finished)> completion = {},
                      AnimationCurve curve = AnimationCurve::EaseInEaseOut);
  // Stops this view's property animations (they jump to their model values).
  void removeAllAnimations();

  // A layer transition from `oldContent` (the children this view had before
  // the change, drawn live as they are now) to its current children. The caller
  // changes the children first, keeping the old list. onStart runs at the tick
  // that starts the transition; onStop(true) when it has run its duration,
  // onStop(false) when it is removed or replaced by another transition. While it
  // runs, views of `oldContent` that are not children any more are kept alive.
  void addTransition(TransitionType type, TransitionDirection direction, double duration,
                     std::vector<Ptr> oldContent, std::function<void()> onStart = {},
                     std::function<void(bool finished)> onStop = {},
                     AnimationCurve curve = AnimationCurve::EaseInEaseOut);
  void removeTransition();
  bool hasTransition() const;
  bool hasAnimations() const;

  // --- What is on screen now (presentation values at the animator's frame time) ---
  Point presentationCentre() const;
  float presentationAlpha() const;
  AffineTransform presentationTransform() const;
  Colour presentationBackgroundColour() const;

  // --- Drawing ---
  // Draws this view and its children (with any transition) under `parentToDisplay`,
  // which maps the parent's coordinates to display points.
  void render(Canvas& canvas, const AffineTransform& parentToDisplay, float parentAlpha) const;
  // Draws this view's own content in its coordinates (`toDisplay` maps them to
  // display points; `alpha` is the accumulated opacity). The default fills
  // the background colour over the bounds; subclasses add their content.
  virtual void draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const;
  // Tells the window that something visible changed. Setters call it.
  void setNeedsDisplay() const;

 private:
  struct Animations;
  void attachChild(Ptr view, std::size_t index);
  Animations& animations();
  void animationsTick(double now, std::vector<std::function<void()>>& callbacks);
  friend class Animator;
  friend class Window;
  friend class Touch;

  Rect bounds_;
  Point centre_;
  AffineTransform transform_;
  float alpha_ = 1.0f;
  bool hidden_ = false;
  bool clipsToBounds_ = false;
  bool userInteractionEnabled_ = true;
  bool multipleTouchEnabled_ = false;
  int tag_ = 0;
  Colour backgroundColour_ = Colour::clear();
  View* superview_ = nullptr;
  std::vector<Ptr> subviews_;
  std::unique_ptr<Animations> animations_;
  // Touches hold a weak reference to this token to learn that the view died.
  std::shared_ptr<const int> alive_;
  Window* window_ = nullptr;  // set on the root view by its window

 protected:
  // For subclasses whose default differs (image views, labels).
  void setDefaultUserInteraction(bool enabled) { userInteractionEnabled_ = enabled; }
};

}  // namespace piano::platform
