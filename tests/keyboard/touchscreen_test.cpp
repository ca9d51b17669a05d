// The touch layer: key zones at their bounds on both layouts and both screen
// lengths, expression, and the slot table (presses, slides, lifts, overflow).
#include "keyboard/touchscreen.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/screen.h"

namespace piano {
namespace {

using platform::Point;
using platform::TouchPhase;

struct Call {
  Point point;
  bool press;
  int zone;
  int slot;
  friend bool operator==(const Call&, const Call&) = default;
};

std::ostream& operator<<(std::ostream& out, const Call& c) {
  return out << (c.press ? "press" : "release") << " zone " << c.zone << " slot " << c.slot << " at ("
             << c.point.x << ", " << c.point.y << ")";
}

struct Recorder : FingerPressTarget {
  std::vector<Call> calls;
  void performFingerPressAction(Point point, bool press, int zone, int slot) override {
    calls.push_back({point, press, zone, slot});
  }
};

// Touchscreens of either layout and screen length; the flag is read when the
// layer is built.
std::shared_ptr<Touchscreen> makeLayer(bool dual, bool tall, float scale) {
  const bool saved = platform::isTallScreen();
  platform::setTallScreen(tall);
  auto layer = std::make_shared<Touchscreen>(platform::Rect{0, 0, 320, tall ? 568.0 : 480.0}, dual);
  platform::setTallScreen(saved);
  layer->setKeyboardScaleFactor(scale);
  return layer;
}

struct ZoneCase {
  float x, y;
  int zone;
};

void expectZones(const Touchscreen& layer, const std::vector<ZoneCase>& cases, const char* what = "") {
  for (const ZoneCase& c : cases) {
    EXPECT_EQ(layer.getKeyZoneNoForCoord({c.x, c.y}), c.zone) << what << " at (" << c.x << ", " << c.y << ")";
  }
}

// Each bar button begins exactly at its bound (strictly below it is the button before).
void expectBar(const Touchscreen& layer, const std::vector<std::pair<float, int>>& bounds, const char* what) {
  for (std::size_t i = 0; i < bounds.size(); ++i) {
    const auto [y, zone] = bounds[i];
    EXPECT_EQ(layer.getKeyZoneNoForCoord({300, y}), zone) << what << " y " << y;
    if (i > 0) {
      EXPECT_EQ(layer.getKeyZoneNoForCoord({300, y - 0.01f}), bounds[i - 1].second) << what << " y " << y;
    }
  }
  EXPECT_EQ(layer.getKeyZoneNoForCoord({273.01f, 1000}), bounds.back().second) << what;
}

TEST(TouchscreenZones, SingleKeyboardRowsAndBounds) {
  const auto layer = makeLayer(false, false, 1.0f);
  expectZones(*layer,
              {{50, 10, 1}, {50, 60, 2}, {50, 59.99f, 1}, {150, 20, 101}, {150, 30, 102}, {250, 100, 999},
               {300, 10, 1001},
               // x = 273 is the radar, x = 236 still the black row, x = 112 the black row
               {273, 10, 999}, {236.01f, 10, 999}, {236, 50, 102}, {112, 50, 102}, {111.99f, 100, 2},
               // the last white key and its black key at the far end of eight keys
               {0, 479.9f, 8}, {200, 479.9f, 109}, {200, 449.9f, 108},
               // below the low end: zone 0 and black zone 100 hold no key
               {50, -70, 0}, {150, -40, 100}});
}

TEST(TouchscreenZones, FifteenKeysSplitTheScreen) {
  const auto layer = makeLayer(false, false, 480.0f / 15 / 60);
  EXPECT_FLOAT_EQ(layer->keySize(), 32.0f);
  EXPECT_FLOAT_EQ(layer->blackKeyOffset(), 16.0f);
  expectZones(*layer, {{0, 0, 1}, {0, 31.9f, 1}, {0, 32.1f, 2}, {0, 479.9f, 15}, {150, 15.9f, 101},
                      {150, 16.1f, 102}, {150, 479.9f, 116}});
  const auto tall = makeLayer(false, true, 568.0f / 15 / 60);
  expectZones(*tall, {{0, 567.9f, 15}, {150, 567.9f, 116}});
}

TEST(TouchscreenZones, SingleKeyboardBarNormalAndTall) {
  expectBar(*makeLayer(false, false, 1.0f),
            {{0, 1001}, {47, 1002}, {91, 1010}, {147, 1009}, {195, 1015}, {242, 1011}, {288, 1012},
             {339, 1013}, {389, 1003}, {435, 1004}},
            "normal");
  expectBar(*makeLayer(false, true, 1.0f),
            {{0, 1001}, {68, 1002}, {117, 1010}, {177, 1009}, {232, 1015}, {284, 1011}, {331, 1012},
             {390, 1013}, {446, 1003}, {497, 1004}},
            "tall");
}

TEST(TouchscreenZones, DualKeyboardBordersKeysAndBar) {
  const auto layer = makeLayer(true, false, 1.0f);
  expectZones(*layer, {
                         // low-end border by x
                         {0, 29, 1002}, {69.9f, 20, 1002}, {100, 20, 1001}, {135.9f, 20, 1001},
                         {136, 20, 1006}, {199.9f, 20, 1006}, {200, 20, 1005}, {269.9f, 20, 1005},
                         {271, 20, -1}, {273, 20, -1}, {280, 20, 1014},
                         // high-end border
                         {10, 451, 1003}, {100, 451, 1004}, {150, 451, 1007}, {250, 451, 1008},
                         {271, 451, -1},
                         // keys start at y = 30; y = 450 is still a key
                         {10, 30, 1}, {10, 450, 8}, {57.9f, 100, 2}, {60, 100, 102}, {129.9f, 100, 102},
                         {130, 100, 502}, {150, 100, 502}, {193.9f, 100, 502}, {194, 100, 602},
                         {194, 50, 601}, {273, 100, 602},
                     });
  expectBar(*layer, {{0, 1014}, {91, 1010}, {147, 1009}, {195, 1015}, {242, 1011}, {288, 1012}, {339, 1013},
                    {389, 1014}},
            "dual normal");

  const auto tall = makeLayer(true, true, 1.0f);
  expectZones(*tall, {{10, 537, 9}, {10, 537.1f, 1003}, {200, 540, 1008}, {10, 29.9f, 1002}});
  expectBar(*tall, {{0, 1014}, {124, 1010}, {177, 1009}, {232, 1015}, {284, 1011}, {331, 1012}, {390, 1013},
                   {446, 1014}},
            "dual tall");
}

TEST(TouchscreenZones, NoScaleOrHostilePointsGiveNoKey) {
  Touchscreen layer({0, 0, 320, 480}, false);  // before setKeyboardScaleFactor
  EXPECT_EQ(layer.getKeyZoneNoForCoord({50, 100}), 0);
  EXPECT_EQ(layer.getKeyZoneNoForCoord({150, 100}), 0);
  layer.setKeyboardScaleFactor(1.0f);
  EXPECT_EQ(layer.getKeyZoneNoForCoord({50, 1e30}), 0);
  EXPECT_EQ(layer.getKeyZoneNoForCoord({50, std::numeric_limits<double>::quiet_NaN()}), 0);
}

TEST(TouchscreenExpression, FallsWithDistanceFromTheNearEnd) {
  const auto single = makeLayer(false, false, 1.0f);
  EXPECT_FLOAT_EQ(single->getExpressionForCoord({0, 100}), 1.25f);
  EXPECT_FLOAT_EQ(single->getExpressionForCoord({28, 100}), 1.0f);
  EXPECT_FLOAT_EQ(single->getExpressionForCoord({84, 100}), 0.5f);
  EXPECT_NEAR(single->getExpressionForCoord({112, 100}), 116.0 / 112 + 0.25, 1e-6);
  EXPECT_FLOAT_EQ(single->getExpressionForCoord({200, 100}), 0.5f);
  EXPECT_FLOAT_EQ(single->getExpressionForCoord({228, 100}), 0.25f);
  const auto dual = makeLayer(true, false, 1.0f);
  for (float x : {0.f, 50.f, 112.f, 200.f, 300.f}) EXPECT_EQ(dual->getExpressionForCoord({x, 100}), 1.0f);
}

// ---- the slot table

class TouchSlots : public ::testing::Test {
 protected:
  TouchSlots() : layerPtr(makeLayer(false, false, 1.0f)), layer(*layerPtr) { layer.setupParent(&target); }

  // Distinct identities for fingers; only their addresses matter.
  const void* finger(int i) { return &fingers[static_cast<std::size_t>(i)]; }
  void down(int i, Point at) { layer.processTouch(finger(i), TouchPhase::Began, at, at); }
  void move(int i, Point from, Point to) { layer.processTouch(finger(i), TouchPhase::Moved, to, from); }
  void up(int i, Point at) { layer.processTouch(finger(i), TouchPhase::Ended, at, at); }

  Recorder target;
  std::shared_ptr<Touchscreen> layerPtr;
  Touchscreen& layer;
  char fingers[16] = {};
};

TEST_F(TouchSlots, LowestFreeSlotIsTakenAndGivenBack) {
  down(0, {50, 10});
  down(1, {50, 70});
  up(0, {50, 10});
  down(2, {50, 130});
  EXPECT_EQ(target.calls, (std::vector<Call>{{{50, 10}, true, 1, 0},
                                             {{50, 70}, true, 2, 1},
                                             {{50, 10}, false, 1, 0},
                                             {{50, 130}, true, 3, 0}}));
}

TEST_F(TouchSlots, SlidesReleaseTheOldZoneAndPressTheNewInTheSameSlot) {
  down(0, {50, 10});
  move(0, {50, 10}, {60, 50});  // within key 1: nothing
  move(0, {60, 50}, {60, 70});  // into key 2
  move(0, {60, 70}, {150, 70});  // up the key into black zone 102
  up(0, {10, 400});              // the end event's position is not used
  EXPECT_EQ(target.calls, (std::vector<Call>{{{50, 10}, true, 1, 0},
                                             {{60, 50}, false, 1, 0},
                                             {{60, 70}, true, 2, 0},
                                             {{60, 70}, false, 2, 0},
                                             {{150, 70}, true, 102, 0},
                                             {{150, 70}, false, 102, 0}}));
}

TEST_F(TouchSlots, EveryMoveOnTheRadarIsAReleaseAndAPress) {
  down(0, {250, 100});
  move(0, {250, 100}, {250, 101});
  ASSERT_EQ(target.calls.size(), 3u);
  EXPECT_EQ(target.calls[1], (Call{{250, 100}, false, 999, 0}));
  EXPECT_EQ(target.calls[2], (Call{{250, 101}, true, 999, 0}));
}

TEST_F(TouchSlots, ATwelfthFingerAndForgottenFingersAreIgnored) {
  for (int i = 0; i < 11; ++i) down(i, {50, 10.0 + i});
  EXPECT_EQ(layer.heldSlotCount(), 11);
  target.calls.clear();
  down(11, {50, 200});
  move(11, {50, 200}, {50, 300});
  up(11, {50, 300});
  EXPECT_TRUE(target.calls.empty());

  // Fingers forgotten by resetSlots: their moves and lifts reach nobody.
  layer.resetSlots();
  move(3, {50, 13}, {50, 200});
  up(3, {50, 200});
  EXPECT_TRUE(target.calls.empty());
  down(12, {50, 70});
  EXPECT_EQ(target.calls, (std::vector<Call>{{{50, 70}, true, 2, 0}}));
}

TEST_F(TouchSlots, CancelReleasesLikeALiftAndStationaryAndNullDoNothing) {
  down(0, {50, 10});
  layer.processTouch(finger(0), TouchPhase::Stationary, {50, 100}, {50, 10});
  layer.processTouch(nullptr, TouchPhase::Moved, {50, 100}, {50, 10});
  layer.processTouch(nullptr, TouchPhase::Began, {50, 100}, {50, 100});
  layer.processTouch(finger(0), TouchPhase::Cancelled, {50, 300}, {50, 300});
  EXPECT_EQ(target.calls, (std::vector<Call>{{{50, 10}, true, 1, 0}, {{50, 10}, false, 1, 0}}));
  EXPECT_EQ(layer.heldSlotCount(), 0);
}

TEST_F(TouchSlots, ANewTouchWithAnIdentityStillHeldReleasesTheOldFingerFirst) {
  down(0, {50, 10});
  down(0, {50, 70});
  EXPECT_EQ(target.calls, (std::vector<Call>{{{50, 10}, true, 1, 0},
                                             {{50, 10}, false, 1, 0},
                                             {{50, 70}, true, 2, 0}}));
  EXPECT_EQ(layer.heldSlotCount(), 1);
}

}  // namespace
}  // namespace piano
