// Screen changes: animated, touches refused while they run, a change requested
// during one is dropped, and the delegate hears of starts and ends.
#include <gtest/gtest.h>

#include "app/landscape_view_controller.h"
#include "app/transition_view.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/window.h"

namespace piano {
namespace {

using platform::TransitionDirection;
using platform::TransitionType;

struct Recorder : TransitionViewDelegate {
  void transitionViewDidStart(TransitionView*) override { events += "start "; }
  void transitionViewDidFinish(TransitionView*) override { events += "finish "; }
  void transitionViewDidCancel(TransitionView*) override { events += "cancel "; }
  std::string events;
};

// A screen that counts the touches it is given.
struct Screen : platform::View {
  Screen() : View(platform::Rect{0, 0, 480, 320}) {}
  void touchesBegan(const platform::TouchSet& t) override { began += static_cast<int>(t.size()); }
  int began = 0;
};

class Transitions : public ::testing::Test {
 protected:
  Transitions() {
    platform::Animator::shared().setClock(clock.function());
    platform::Animator::shared().tick();
    container->setFrame({0, 0, 480, 320});
    window.setRootView(container);
    container->setDelegate(&delegate);
  }
  ~Transitions() override {
    platform::Animator::shared().setClock({});
    platform::Animator::shared().tick();
  }
  void pass(double seconds) {
    for (double t = 0; t < seconds; t += 0.05) {
      clock.advance(0.05);
      platform::Animator::shared().tick();
    }
  }
  void tap(platform::Point p) {
    window.fingerDown(1, p, clock.now());
    window.fingerUp(1, p, clock.now());
  }

  platform::ManualClock clock{100.0};
  platform::Window window{{480, 320}};
  std::shared_ptr<TransitionView> container = std::make_shared<TransitionView>();
  Recorder delegate;
};

TEST_F(Transitions, TouchesAreRefusedWhileAScreenChangesAndComeBackAfter) {
  auto first = std::make_shared<Screen>();
  auto second = std::make_shared<Screen>();
  container->newSubview(first, TransitionType::Fade, TransitionDirection::FromTop, 0.3);
  pass(0.5);
  tap({100, 100});
  EXPECT_EQ(first->began, 1);

  container->newSubview(second, TransitionType::Push, TransitionDirection::FromTop, 0.3);
  platform::Animator::shared().tick();  // the animation starts at the next frame
  EXPECT_TRUE(container->isTransitioning());
  tap({100, 100});
  EXPECT_EQ(first->began + second->began, 1) << "a tap during the change reaches no screen";

  // A change asked for while one runs is dropped.
  auto third = std::make_shared<Screen>();
  container->newSubview(third, TransitionType::Reveal, TransitionDirection::FromBottom, 0.3);
  EXPECT_EQ(container->subviews().front(), second);

  pass(0.5);
  EXPECT_FALSE(container->isTransitioning());
  tap({100, 100});
  EXPECT_EQ(second->began, 1);
  EXPECT_EQ(delegate.events, "start finish start finish ");
}

TEST_F(Transitions, InteractionThatWasOffStaysOffAndACancelIsReported) {
  container->setUserInteractionEnabled(false);
  container->newSubview(std::make_shared<Screen>(), TransitionType::MoveIn, TransitionDirection::FromTop, 0.3);
  platform::Animator::shared().tick();
  container->cancelTransition();
  platform::Animator::shared().tick();
  EXPECT_FALSE(container->isTransitioning());
  EXPECT_FALSE(container->isUserInteractionEnabled());
  EXPECT_EQ(delegate.events, "start cancel ");
  container->setDelegate(nullptr);  // a container need not have a listener
  container->newSubview(std::make_shared<Screen>(), TransitionType::Fade, TransitionDirection::FromTop, 0.3);
  pass(0.5);
  EXPECT_FALSE(container->isTransitioning());
}

struct Turned : LandscapeView {
  void orientationChanged(int o) override { reports.push_back(o); }
  std::vector<int> reports;
};

TEST(Orientation, OnlyLandscapeIsAcceptedAndEachTurnIsReportedOnce) {
  EXPECT_TRUE(LandscapeViewController::shouldAutorotateToInterfaceOrientation(kLandscapeLeft));
  EXPECT_TRUE(LandscapeViewController::shouldAutorotateToInterfaceOrientation(kLandscapeRight));
  EXPECT_FALSE(LandscapeViewController::shouldAutorotateToInterfaceOrientation(kPortrait));
  EXPECT_FALSE(LandscapeViewController::shouldAutorotateToInterfaceOrientation(kPortraitUpsideDown));

  platform::ManualClock clock;
  platform::RunLoop loop(clock.function());
  Turned view;
  int device = kLandscapeRight;
  LandscapeViewController controller(view, loop, [&] { return device; });
  controller.orientationChanged();
  EXPECT_TRUE(view.reports.empty()) << "the look happens after the platform's own turn";
  loop.runDue();
  controller.orientationChanged();
  loop.runDue();
  device = kLandscapeLeft;
  controller.orientationChanged();
  loop.runDue();
  controller.orientationChanged();
  loop.runDue();
  EXPECT_EQ(view.reports, (std::vector<int>{kLandscapeRight, kLandscapeLeft}));
}

}  // namespace
}  // namespace piano
