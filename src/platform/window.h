// The window: the root of the view tree in landscape display points, the
// delivery of touches and keys to the views, the alert, and drawing.
//
// Threads: main thread only.
//
// The display adapter (SDL, or the headless driver) feeds it input in window
// points, ticks the animator and draws it when needsDisplay() says so.
#pragma once

#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/geometry.h"
#include "platform/key_positions.h"
#include "platform/touch.h"
#include "platform/view.h"

namespace piano::platform {

class TextField;

enum class Key { Return, Backspace, Delete, Escape, Left, Right, Home, End };

class Window {
 public:
  // `size`: landscape points (see screen.h).
  explicit Window(Size size);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // The window made last and not yet destroyed (alerts and text editing go there).
  static Window* current();

  Size size() const { return size_; }
  // The root view fills the window: its frame becomes (0, 0, size).
  void setRootView(View::Ptr root);
  View* rootView() const { return root_.get(); }

  // --- Touches, in window points; `time` on the media clock ---
  // Each finger has an id of the input device's choosing (the mouse is one
  // more). A down for an id that is already down ends the old touch first; a
  // move or up for an unknown id is ignored.
  void fingerDown(std::int64_t finger, Point point, double time);
  void fingerMove(std::int64_t finger, Point point, double time);
  void fingerUp(std::int64_t finger, Point point, double time);
  // Every active touch is delivered as cancelled (focus lost, window hidden,
  // pointer gone), so that nothing is left sounding.
  void cancelAllTouches(double time);
  int activeTouchCount() const { return static_cast<int>(touches_.size()); }

  // --- The keyboard, for the text field being edited ---
  bool wantsTextInput() const { return firstResponder_ != nullptr; }
  TextField* firstResponder() const { return firstResponder_; }
  void textInput(const std::string& utf8);
  void keyDown(Key key);

  // --- Files dropped on the window, or handed to the program at its start;
  // the application decides what to do with them ---
  void setFileHandler(std::function<void(const std::string& path)> handler) { fileHandler_ = std::move(handler); }
  void fileDropped(const std::string& path) {
    if (fileHandler_) fileHandler_(path);
  }

  // --- The keyboard as an instrument: keys by position (key_positions.h).
  // A press reaches the root view once however long the key is held
  // (repeats are dropped), and not while a text field is edited or an alert
  // shows; the release of a key whose press got through always follows.
  void keyPositionDown(int position);
  void keyPositionUp(int position);
  // The window lost the input focus: every touch is cancelled and every key
  // held is let go.
  void focusLost(double time);

  // --- The alert: a modal box drawn above everything, one at a time (later
  // ones wait); a tap on its button (or Return / Escape) dismisses it and
  // touches go nowhere else meanwhile. ---
  void showAlert(const std::string& title, const std::string& message, const std::string& button);
  bool isShowingAlert() const { return !alerts_.empty(); }
  // Title of the alert shown (empty when none).
  std::string alertTitle() const;
  // The alert's button rectangle in window points (empty rect when none).
  Rect alertButtonRect() const;

  // --- Drawing ---
  // Draws the tree (as it is at the animator's frame time) and the alert;
  // `toDisplay` maps window points to the renderer's units.
  void draw(Canvas& canvas, const AffineTransform& toDisplay = {}) const;
  // Something visible changed (or an animation runs) since clearNeedsDisplay().
  bool needsDisplay() const;
  void clearNeedsDisplay();

  // Used by TextField.
  void setFirstResponder(TextField* field);

 private:
  friend class TextField;
  struct AlertBox {
    std::string title, message, button;
  };
  void deliver(Touch& touch, TouchPhase phase);
  bool alertTakesFinger(TouchPhase phase, Point point);

  Size size_;
  View::Ptr root_;
  std::map<std::int64_t, std::unique_ptr<Touch>> touches_;
  std::map<std::int64_t, bool> alertFingers_;  // fingers that went to the alert
  Point lastTapPoint_;
  double lastTapTime_ = -1e9;
  int lastTapCount_ = 0;
  TextField* firstResponder_ = nullptr;
  std::bitset<keypos::kCount> keyPositionsDown_;
  std::deque<AlertBox> alerts_;
  std::function<void(const std::string&)> fileHandler_;
  Window* previous_ = nullptr;
  std::uint64_t drawnGeneration_ = ~std::uint64_t{0};
};

// Shows an alert in the current window (one line on the standard output when
// there is none). Nothing waits for it to be dismissed.
void showAlert(const std::string& title, const std::string& message, const std::string& button);

// Counts visible changes; the window compares it with what it last drew.
std::uint64_t displayGeneration();
void markDisplayChanged();

}  // namespace piano::platform
