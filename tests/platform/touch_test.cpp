#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

#include "platform/view.h"
#include "platform/window.h"
#include "recording_canvas.h"

namespace piano::platform {
namespace {

using Recorder = testing::TouchLog;
using Event = Recorder::Event;

struct Screen {
  Window window{Size{480, 320}};
  std::shared_ptr<Recorder> root = std::make_shared<Recorder>();
  std::shared_ptr<View> container = std::make_shared<View>(Rect{0, 0, 320, 480});
  std::shared_ptr<Recorder> left = std::make_shared<Recorder>(Rect{0, 0, 320, 240});
  std::shared_ptr<Recorder> right = std::make_shared<Recorder>(Rect{0, 240, 320, 240});

  Screen() {
    window.setRootView(root);
    container->setCentre({240, 160});
    container->setTransform(AffineTransform::rotation(-M_PI / 2));
    root->addSubview(container);
    container->addSubview(left);
    container->addSubview(right);
  }
};

TEST(Touches, StayWithTheViewTheyBeganInAndReportPortraitLocationsWhileItLives) {
  Screen s;
  s.left->addSubview(std::make_shared<View>(Rect{0, 0, 100, 200}));  // handles nothing: touches go up
  s.window.fingerDown(1, {100, 300}, 1.0);  // portrait (20, 100): left half
  s.window.fingerMove(1, {300, 300}, 1.1);  // portrait (20, 300): over the right half now
  s.window.fingerUp(1, {310, 290}, 1.2);
  ASSERT_EQ(s.left->events.size(), 3u);
  EXPECT_TRUE(s.right->events.empty());
  const auto& e = s.left->events;
  EXPECT_EQ(std::tuple(e[0].phase, e[1].phase, e[2].phase), std::tuple(0, 1, 3));
  EXPECT_EQ(std::tuple(e[0].location, e[1].location, e[1].previous, e[2].location),
            std::tuple(Point{20, 100}, Point{20, 300}, Point{20, 100}, Point{30, 310}));
  EXPECT_EQ(e[0].touch, e[2].touch);  // one identity for the whole touch
  EXPECT_EQ(s.window.activeTouchCount(), 0);

  // A view that dies keeps nothing dangling.
  s.window.fingerDown(1, {100, 300}, 2.0);
  s.left->removeFromSuperview();
  s.window.fingerMove(1, {120, 300}, 2.1);  // still delivered: the view is alive
  EXPECT_EQ(s.left->events.size(), 5u);
  s.left.reset();
  s.window.fingerMove(1, {140, 300}, 2.2);
  s.window.fingerUp(1, {140, 300}, 2.3);
  EXPECT_EQ(s.window.activeTouchCount(), 0);
}

TEST(Touches, SingleTouchViewsTakeOnlyTheirFirstFingerAndCancellingReachesEveryTouchOnce) {
  Screen s;
  s.window.fingerDown(1, {100, 300}, 0.0);
  s.window.fingerDown(2, {110, 300}, 0.0);
  s.window.fingerMove(2, {120, 300}, 0.1);
  EXPECT_EQ(s.left->events.size(), 1u);
  s.window.fingerUp(2, {120, 300}, 0.2);
  s.window.fingerUp(1, {100, 300}, 0.2);

  s.left->events.clear();
  s.left->setMultipleTouchEnabled(true);
  s.window.fingerDown(1, {100, 300}, 1.0);
  s.window.fingerDown(2, {110, 280}, 1.0);
  s.window.fingerDown(3, {300, 300}, 1.0);
  ASSERT_EQ(s.left->events.size(), 2u);
  EXPECT_NE(s.left->events[0].touch, s.left->events[1].touch);
  s.window.cancelAllTouches(1.5);
  EXPECT_EQ(s.window.activeTouchCount(), 0);
  int cancelled = 0;
  for (const auto* r : {s.left.get(), s.right.get()}) {
    for (const Event& e : r->events) cancelled += e.phase == 4;
  }
  EXPECT_EQ(cancelled, 3);
  // Later events of those fingers go nowhere.
  s.window.fingerUp(1, {100, 300}, 1.6);
  EXPECT_EQ(s.left->events.back().phase, 4);
  // A second down of the same finger ends the first.
  s.window.fingerDown(1, {100, 300}, 2.0);
  s.window.fingerDown(1, {300, 300}, 2.1);
  EXPECT_EQ(s.left->events.back().phase, 3);
  EXPECT_EQ(std::pair(s.right->events.back().phase, s.window.activeTouchCount()), std::pair(0, 1));
}

TEST(Touches, TapCountsRepeatQuickNearbyTaps) {
  Screen s;
  auto tap = [&](Point p, double t) {
    s.window.fingerDown(1, p, t);
    s.window.fingerUp(1, p, t + 0.05);
    return s.left->events.back().tapCount;
  };
  EXPECT_EQ(tap({100, 300}, 0.0), 1);
  EXPECT_EQ(tap({105, 300}, 0.2), 2);
  EXPECT_EQ(tap({105, 300}, 0.4), 3);
  EXPECT_EQ(tap({105, 300}, 1.5), 1);  // too late
  EXPECT_EQ(tap({200, 300}, 1.6), 1);  // too far
}

TEST(Alert, IsModalCancelsFingersAndGoesOnATapOfItsButton) {
  Screen s;
  s.window.fingerDown(1, {100, 300}, 0.0);
  showAlert("Welcome", "Play with all fingers", "OK");
  ASSERT_TRUE(s.window.isShowingAlert());
  EXPECT_EQ(s.left->events.back().phase, 4);  // the finger down was cancelled
  s.window.fingerUp(1, {100, 300}, 0.1);

  showAlert("Second", "waits its turn", "OK");
  const Rect button = s.window.alertButtonRect();
  s.window.fingerDown(2, {20, 20}, 0.2);  // outside the box: swallowed
  s.window.fingerUp(2, {20, 20}, 0.3);
  EXPECT_EQ(s.window.alertTitle(), "Welcome");
  EXPECT_EQ(s.left->events.size(), 2u);
  s.window.fingerDown(3, button.centre(), 0.4);
  s.window.fingerUp(3, button.centre(), 0.5);
  EXPECT_EQ(s.window.alertTitle(), "Second");
  s.window.keyDown(Key::Return);
  EXPECT_FALSE(s.window.isShowingAlert());
  s.window.fingerDown(4, {100, 300}, 1.0);
  EXPECT_EQ(s.left->events.back().phase, 0);
}

}  // namespace
}  // namespace piano::platform
