// The touch layer: key zones at their bounds on both layouts and screen
// lengths, expression, and the slot table (slides, lifts, overflow, forgotten
// fingers).
#include "keyboard/touchscreen.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/screen.h"

namespace piano {
namespace {

using platform::Point;
using platform::TouchPhase;

std::shared_ptr<Touchscreen> layer(bool dual, bool tall, float scale = 1.0f) {
  const bool saved = platform::isTallScreen();
  platform::setTallScreen(tall);  // read when the layer is built
  auto made = std::make_shared<Touchscreen>(platform::Rect{0, 0, 320, tall ? 568.0 : 480.0}, dual);
  platform::setTallScreen(saved);
  made->setKeyboardScaleFactor(scale);
  return made;
}

struct At {
  float x, y;
  int zone;
};

void expectZones(const Touchscreen& layer, const std::vector<At>& cases) {
  for (const At& c : cases) EXPECT_EQ(layer.getKeyZoneNoForCoord({c.x, c.y}), c.zone) << c.x << ", " << c.y;
}

// Each button of the bar (x above 273) begins exactly at its bound along y.
void expectBar(const Touchscreen& layer, const std::vector<std::pair<float, int>>& bounds) {
  for (std::size_t i = 1; i < bounds.size(); ++i) {
    EXPECT_EQ(layer.getKeyZoneNoForCoord({273.01f, bounds[i].first}), bounds[i].second) << bounds[i].first;
    EXPECT_EQ(layer.getKeyZoneNoForCoord({320, bounds[i].first - 0.01f}), bounds[i - 1].second) << bounds[i].first;
  }
}

TEST(TouchscreenZones, SingleKeyboard) {
  expectZones(*layer(false, false),
              {{50, 10, 1}, {50, 60, 2}, {50, 59.99f, 1}, {150, 20, 101}, {150, 30, 102}, {250, 100, 999},
               {300, 10, 1001}, {273, 10, 999}, {236.01f, 10, 999}, {236, 50, 102}, {112, 50, 102},
               {111.99f, 100, 2}, {0, 479.9f, 8}, {200, 479.9f, 109},
               {50, -70, 0}, {150, -40, 100}});  // below the low end: no key
  expectZones(*layer(false, false, 480.0f / 15 / 60), {{0, 31.9f, 1}, {0, 32.1f, 2}, {0, 479.9f, 15}, {150, 15.9f, 101},
                                                      {150, 16.1f, 102}, {150, 479.9f, 116}});
  expectZones(*layer(false, true, 568.0f / 15 / 60), {{0, 567.9f, 15}, {150, 567.9f, 116}});
  expectBar(*layer(false, false), {{0, 1001}, {47, 1002}, {91, 1010}, {147, 1009}, {195, 1015}, {242, 1011},
                                   {288, 1012}, {339, 1013}, {389, 1003}, {435, 1004}});
  expectBar(*layer(false, true), {{0, 1001}, {68, 1002}, {117, 1010}, {177, 1009}, {232, 1015}, {284, 1011},
                                  {331, 1012}, {390, 1013}, {446, 1003}, {497, 1004}});
  // Before a scale is set, or far off the screen, there is no key (and no undefined conversion).
  expectZones(*layer(false, false, 0.0f), {{50, 100, 0}, {150, 100, 0}});
  expectZones(*layer(false, false), {{50, 1e30f, 0}, {50, std::numeric_limits<float>::quiet_NaN(), 0}});
}

TEST(TouchscreenZones, DualKeyboard) {
  expectZones(*layer(true, false),
              {{0, 29, 1002}, {69.9f, 20, 1002}, {100, 20, 1001}, {136, 20, 1006}, {200, 20, 1005},
               {271, 20, -1}, {273, 20, -1}, {280, 20, 1014}, {10, 451, 1003}, {100, 451, 1004},
               {150, 451, 1007}, {250, 451, 1008}, {271, 451, -1}, {10, 30, 1}, {10, 450, 8}, {57.9f, 100, 2},
               {60, 100, 102}, {129.9f, 100, 102}, {130, 100, 502}, {193.9f, 100, 502}, {194, 100, 602},
               {194, 50, 601}});
  expectZones(*layer(true, true), {{10, 537, 9}, {10, 537.1f, 1003}, {200, 540, 1008}});
  expectBar(*layer(true, false), {{0, 1014}, {91, 1010}, {147, 1009}, {195, 1015}, {242, 1011}, {288, 1012},
                                  {339, 1013}, {389, 1014}});
  expectBar(*layer(true, true), {{0, 1014}, {124, 1010}, {177, 1009}, {232, 1015}, {284, 1011}, {331, 1012},
                                 {390, 1013}, {446, 1014}});
}

TEST(TouchscreenExpression, FallsWithDistanceFromTheNearEnd) {
  const auto single = layer(false, false);
  const std::pair<float, float> cases[] = {{0, 1.25f}, {28, 1.0f}, {84, 0.5f}, {112, 116.0f / 112 + 0.25f},
                                           {200, 0.5f}, {228, 0.25f}};
  for (const auto& [x, expected] : cases) EXPECT_FLOAT_EQ(single->getExpressionForCoord({x, 100}), expected) << x;
  EXPECT_EQ(layer(true, false)->getExpressionForCoord({84, 100}), 1.0f);
}

struct Call {
  Point point;
  bool press;
  int zone, slot;
  friend bool operator==(const Call&, const Call&) = default;
};

class TouchSlots : public ::testing::Test, public FingerPressTarget {
 protected:
  TouchSlots() { touch->setupParent(this); }
  void performFingerPressAction(Point point, bool press, int zone, int slot) override {
    calls.push_back({point, press, zone, slot});
  }
  void event(int finger, TouchPhase phase, Point at, Point from = {}) {
    touch->processTouch(&fingers[finger], phase, at, from);
  }
  std::shared_ptr<Touchscreen> touch = layer(false, false);
  std::vector<Call> calls;
  char fingers[16] = {};
};

TEST_F(TouchSlots, SlotsSlidesAndLifts) {
  event(0, TouchPhase::Began, {50, 10});
  event(1, TouchPhase::Began, {50, 70});
  event(0, TouchPhase::Moved, {60, 50}, {50, 10});   // within key 1: nothing
  event(0, TouchPhase::Moved, {150, 70}, {60, 50});  // into black zone 102: release, then press
  event(1, TouchPhase::Stationary, {50, 300});
  event(0, TouchPhase::Ended, {10, 400});            // released where it was last seen
  event(2, TouchPhase::Began, {250, 100});           // takes slot 0 again
  event(2, TouchPhase::Moved, {250, 101}, {250, 100});  // every radar move is a pair
  event(1, TouchPhase::Cancelled, {50, 300});
  EXPECT_EQ(calls, (std::vector<Call>{{{50, 10}, true, 1, 0}, {{50, 70}, true, 2, 1}, {{60, 50}, false, 1, 0},
                                      {{150, 70}, true, 102, 0}, {{150, 70}, false, 102, 0},
                                      {{250, 100}, true, 999, 0}, {{250, 100}, false, 999, 0},
                                      {{250, 101}, true, 999, 0}, {{50, 70}, false, 2, 1}}));
}

TEST_F(TouchSlots, TwelfthFingersForgottenFingersAndNullTouchesAreIgnored) {
  for (int i = 0; i < 11; ++i) event(i, TouchPhase::Began, {50, 10.0 + i});
  calls.clear();
  event(11, TouchPhase::Began, {50, 200});
  event(11, TouchPhase::Moved, {50, 300}, {50, 200});
  event(11, TouchPhase::Ended, {50, 300});
  touch->resetSlots();
  event(3, TouchPhase::Moved, {50, 200}, {50, 13});
  event(3, TouchPhase::Ended, {50, 200});
  touch->processTouch(nullptr, TouchPhase::Began, {50, 100}, {50, 100});
  EXPECT_TRUE(calls.empty());
  // A new touch with an identity that still holds a slot releases the old finger first.
  event(12, TouchPhase::Began, {50, 70});
  event(12, TouchPhase::Began, {50, 130});
  EXPECT_EQ(calls, (std::vector<Call>{{{50, 70}, true, 2, 0}, {{50, 70}, false, 2, 0}, {{50, 130}, true, 3, 0}}));
}

}  // namespace
}  // namespace piano
