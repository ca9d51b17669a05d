// The touch layer's slot table: a twelfth finger, forgotten fingers and null
// touches are ignored; an identity reused while it holds a slot lets go first.
// (Slides, lifts and the radar's moves are played through the whole application.)
#include "keyboard/touchscreen.h"

#include <gtest/gtest.h>

#include <vector>

namespace piano {
namespace {

using platform::Point;
using platform::TouchPhase;

struct Call {
  Point point;
  bool press;
  int zone, slot;
  friend bool operator==(const Call&, const Call&) = default;
};

struct Target : FingerPressTarget {
  void performFingerPressAction(Point point, bool press, int zone, int slot) override {
    calls.push_back({point, press, zone, slot});
  }
  std::vector<Call> calls;
};

TEST(Touchscreen, FingersBeyondTheSlotsAndForgottenOnesAreIgnored) {
  Target target;
  Touchscreen touch({0, 0, 320, 480}, false);
  touch.setKeyboardScaleFactor(1.0f);
  touch.setupParent(&target);
  char fingers[16] = {};
  auto event = [&](int finger, TouchPhase phase, Point at, Point from = {}) {
    touch.processTouch(&fingers[finger], phase, at, from);
  };
  for (int i = 0; i < 11; ++i) event(i, TouchPhase::Began, {50, 10.0 + i});
  target.calls.clear();
  event(11, TouchPhase::Began, {50, 200});  // a twelfth finger
  event(11, TouchPhase::Ended, {50, 300});
  touch.resetSlots();  // forgotten fingers
  event(3, TouchPhase::Moved, {50, 200}, {50, 13});
  event(3, TouchPhase::Ended, {50, 200});
  touch.processTouch(nullptr, TouchPhase::Began, {50, 100}, {50, 100});
  EXPECT_TRUE(target.calls.empty());
  // A new touch with an identity that still holds a slot releases the old finger first.
  event(12, TouchPhase::Began, {50, 70});
  event(12, TouchPhase::Began, {50, 130});
  EXPECT_EQ(target.calls,
            (std::vector<Call>{{{50, 70}, true, 2, 0}, {{50, 70}, false, 2, 0}, {{50, 130}, true, 3, 0}}));
}

}  // namespace
}  // namespace piano
