#include "platform/window.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/animation.h"
#include "platform/text_field.h"

namespace piano::platform {

namespace {

Window* currentWindow = nullptr;
std::uint64_t generation = 0;

// A second tap counts as a double tap when it begins this soon and this near
// where the previous one ended.
constexpr double kTapInterval = 0.35;
constexpr double kTapDistance = 30.0;

// The alert box, in window points.
constexpr double kAlertWidth = 280.0;
constexpr double kAlertHeight = 168.0;
constexpr double kAlertButtonHeight = 44.0;

Rect alertBoxRect(Size window) {
  return {(window.width - kAlertWidth) / 2.0, (window.height - kAlertHeight) / 2.0, kAlertWidth,
          kAlertHeight};
}

}  // namespace

std::uint64_t displayGeneration() { return generation; }
void markDisplayChanged() { ++generation; }

// --- Touch ---

View* Touch::view() const { return viewAlive_.expired() ? nullptr : view_; }

Point Touch::locationInView(const View* view) const {
  return view == nullptr ? location_ : view->convertPointFromView(location_, nullptr);
}

Point Touch::previousLocationInView(const View* view) const {
  return view == nullptr ? previousLocation_ : view->convertPointFromView(previousLocation_, nullptr);
}

// --- Window ---

Window::Window(Size size) : size_(size), previous_(currentWindow) { currentWindow = this; }

Window::~Window() {
  if (firstResponder_ != nullptr) firstResponder_->endEditingQuietly();
  if (root_) root_->window_ = nullptr;
  if (currentWindow == this) currentWindow = previous_;
}

Window* Window::current() { return currentWindow; }

void Window::setRootView(View::Ptr root) {
  if (root_) root_->window_ = nullptr;
  root_ = std::move(root);
  if (root_) {
    root_->removeFromSuperview();
    root_->window_ = this;
    root_->setTransform(AffineTransform::identity());
    root_->setFrame({0.0, 0.0, size_.width, size_.height});
  }
  markDisplayChanged();
}

void Window::deliver(Touch& touch, TouchPhase phase) {
  touch.phase_ = phase;
  View* view = touch.view();
  if (view == nullptr) return;
  const TouchSet set{&touch};
  switch (phase) {
    case TouchPhase::Began: view->touchesBegan(set); break;
    case TouchPhase::Moved: view->touchesMoved(set); break;
    case TouchPhase::Ended: view->touchesEnded(set); break;
    case TouchPhase::Cancelled: view->touchesCancelled(set); break;
    case TouchPhase::Stationary: break;
  }
}

void Window::fingerDown(std::int64_t finger, Point point, double time) {
  if (alertTakesFinger(TouchPhase::Began, point)) {
    alertFingers_[finger] = true;
    return;
  }
  if (touches_.count(finger) != 0) fingerUp(finger, touches_[finger]->location_, time);

  auto touch = std::unique_ptr<Touch>(new Touch());
  touch->location_ = point;
  touch->previousLocation_ = point;
  touch->timestamp_ = time;
  const bool repeat = time - lastTapTime_ <= kTapInterval &&
                      std::hypot(point.x - lastTapPoint_.x, point.y - lastTapPoint_.y) <= kTapDistance;
  touch->tapCount_ = repeat ? lastTapCount_ + 1 : 1;

  View* hit = nullptr;
  if (root_) hit = root_->hitTest(root_->convertPointFromView(point, nullptr));
  if (hit != nullptr && !hit->isMultipleTouchEnabled()) {
    // A single-touch view keeps to its first finger; another one goes nowhere.
    for (const auto& [id, other] : touches_) {
      if (other->view() == hit) {
        hit = nullptr;
        break;
      }
    }
  }
  if (hit != nullptr) {
    touch->view_ = hit;
    touch->viewAlive_ = hit->alive_;
  }
  Touch& delivered = *touch;
  touches_[finger] = std::move(touch);
  deliver(delivered, TouchPhase::Began);
}

void Window::fingerMove(std::int64_t finger, Point point, double time) {
  if (alertFingers_.count(finger) != 0) return;
  auto it = touches_.find(finger);
  if (it == touches_.end()) return;
  Touch& touch = *it->second;
  if (touch.location_ == point) return;  // no movement, no event
  touch.previousLocation_ = touch.location_;
  touch.location_ = point;
  touch.timestamp_ = time;
  deliver(touch, TouchPhase::Moved);
}

void Window::fingerUp(std::int64_t finger, Point point, double time) {
  if (auto a = alertFingers_.find(finger); a != alertFingers_.end()) {
    alertFingers_.erase(a);
    if (alertTakesFinger(TouchPhase::Ended, point)) return;
  }
  auto it = touches_.find(finger);
  if (it == touches_.end()) return;
  Touch* touch = it->second.get();
  if (!(touch->location_ == point)) {
    touch->previousLocation_ = touch->location_;
    touch->location_ = point;
  }
  touch->timestamp_ = time;
  deliver(*touch, TouchPhase::Ended);
  // The handler may have ended it already (by cancelling every touch).
  it = touches_.find(finger);
  if (it != touches_.end() && it->second.get() == touch) {
    lastTapPoint_ = touch->location_;
    lastTapTime_ = time;
    lastTapCount_ = touch->tapCount_;
    touches_.erase(it);
  }
}

void Window::cancelAllTouches(double time) {
  alertFingers_.clear();
  // Taken out first, so a handler that looks sees no touch left.
  auto cancelled = std::move(touches_);
  touches_.clear();
  for (auto& [id, touch] : cancelled) {
    touch->timestamp_ = time;
    touch->previousLocation_ = touch->location_;
    deliver(*touch, TouchPhase::Cancelled);
  }
}

// --- Keyboard ---

void Window::setFirstResponder(TextField* field) {
  if (firstResponder_ == field) return;
  TextField* old = firstResponder_;
  firstResponder_ = field;
  if (old != nullptr) old->resignFirstResponder();
}

void Window::keyPositionDown(int position) {
  if (position <= 0 || position >= static_cast<int>(keyPositionsDown_.size())) return;
  if (keyPositionsDown_[static_cast<std::size_t>(position)] || isShowingAlert() || firstResponder_ != nullptr) return;
  keyPositionsDown_[static_cast<std::size_t>(position)] = true;
  if (root_) root_->keyPositionChanged(position, true);
}

void Window::keyPositionUp(int position) {
  if (position <= 0 || position >= static_cast<int>(keyPositionsDown_.size())) return;
  if (!keyPositionsDown_[static_cast<std::size_t>(position)]) return;
  keyPositionsDown_[static_cast<std::size_t>(position)] = false;
  if (root_) root_->keyPositionChanged(position, false);
}

void Window::focusLost(double time) {
  cancelAllTouches(time);
  for (int position = 1; position < static_cast<int>(keyPositionsDown_.size()); ++position) {
    keyPositionUp(position);
  }
}

void Window::textInput(const std::string& utf8) {
  if (isShowingAlert()) return;
  if (firstResponder_ != nullptr) firstResponder_->insertText(utf8);
}

void Window::keyDown(Key key) {
  if (isShowingAlert()) {
    if (key == Key::Return || key == Key::Escape) {
      alerts_.pop_front();
      markDisplayChanged();
    }
    return;
  }
  if (firstResponder_ == nullptr) return;
  switch (key) {
    case Key::Return: firstResponder_->returnPressed(); break;
    case Key::Backspace: firstResponder_->deleteBackward(); break;
    case Key::Escape: firstResponder_->resignFirstResponder(); break;
    default: break;
  }
}

// --- Alert ---

void Window::showAlert(const std::string& title, const std::string& message,
                       const std::string& button) {
  // Fingers on the screen lose their touches when a modal box comes up.
  if (alerts_.empty()) cancelAllTouches(Animator::shared().now());
  alerts_.push_back({title, message, button});
  markDisplayChanged();
}

std::string Window::alertTitle() const { return alerts_.empty() ? std::string() : alerts_.front().title; }

Rect Window::alertButtonRect() const {
  if (alerts_.empty()) return {};
  const Rect box = alertBoxRect(size_);
  return {box.x, box.maxY() - kAlertButtonHeight, box.width, kAlertButtonHeight};
}

bool Window::alertTakesFinger(TouchPhase phase, Point point) {
  if (alerts_.empty()) return false;
  if (phase == TouchPhase::Ended && alertButtonRect().contains(point)) {
    alerts_.pop_front();
    markDisplayChanged();
  }
  return true;
}

void showAlert(const std::string& title, const std::string& message, const std::string& button) {
  if (Window* window = Window::current()) {
    window->showAlert(title, message, button);
  } else {
    std::printf("Alert: %s: %s [%s]\n", title.c_str(), message.c_str(), button.c_str());
  }
}

// --- Drawing ---

void Window::draw(Canvas& canvas, const AffineTransform& toDisplay) const {
  if (root_) root_->render(canvas, toDisplay, 1.0f);
  if (alerts_.empty()) return;
  const AlertBox& alert = alerts_.front();
  const Rect box = alertBoxRect(size_);
  canvas.fillRect(toDisplay, {0.0, 0.0, size_.width, size_.height}, Colour::black(0.45f), 1.0f);
  canvas.fillRect(toDisplay, box, Colour{0.96f, 0.96f, 0.97f, 1.0f}, 1.0f);
  canvas.strokeRect(toDisplay, box, Colour{0.55f, 0.55f, 0.6f, 1.0f}, 1.0f);

  TextBlock title;
  title.text = alert.title;
  title.fontName = "Helvetica-Bold";
  title.fontSize = 17.0;
  title.alignment = TextAlignment::Centre;
  title.rect = {box.x + 12.0, box.y + 10.0, box.width - 24.0, 26.0};
  canvas.drawText(title, toDisplay, 1.0f);

  TextBlock message;
  message.text = alert.message;
  message.fontSize = 14.0;
  message.alignment = TextAlignment::Centre;
  message.numberOfLines = 0;
  message.lineBreak = LineBreak::WordWrap;
  message.rect = {box.x + 12.0, box.y + 38.0, box.width - 24.0,
                  box.height - 38.0 - kAlertButtonHeight - 4.0};
  canvas.drawText(message, toDisplay, 1.0f);

  const Rect button = alertButtonRect();
  canvas.fillRect(toDisplay, {button.x, button.y, button.width, 1.0}, Colour{0.75f, 0.75f, 0.78f, 1.0f},
                  1.0f);
  TextBlock label;
  label.text = alert.button;
  label.fontName = "Helvetica-Bold";
  label.fontSize = 17.0;
  label.colour = Colour{0.0f, 0.48f, 1.0f, 1.0f};
  label.alignment = TextAlignment::Centre;
  label.rect = button;
  canvas.drawText(label, toDisplay, 1.0f);
}

bool Window::needsDisplay() const {
  return drawnGeneration_ != generation || Animator::shared().isAnimating();
}

void Window::clearNeedsDisplay() { drawnGeneration_ = generation; }

}  // namespace piano::platform
