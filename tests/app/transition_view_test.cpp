// Screen changes: animated, touches refused while they run, a change requested
// during one is dropped, and the delegate hears of starts, ends and cancels.
#include <gtest/gtest.h>

#include "app/transition_view.h"
#include "platform/manual_clock.h"
#include "platform/window.h"

namespace piano {
namespace {

using platform::TransitionDirection;
using platform::TransitionType;

struct Listener : TransitionViewDelegate {
  void transitionViewDidStart(TransitionView*) override { events += "start "; }
  void transitionViewDidFinish(TransitionView*) override { events += "finish "; }
  void transitionViewDidCancel(TransitionView*) override { events += "cancel "; }
  std::string events;
};
struct Screen : platform::View {  // counts the touches it is given
  Screen() : View(platform::Rect{0, 0, 480, 320}) {}
  void touchesBegan(const platform::TouchSet& t) override { began += static_cast<int>(t.size()); }
  int began = 0;
};

TEST(Transitions, TouchesAreRefusedWhileAScreenChangesAndComeBackAfter) {
  platform::ManualClock clock{100.0};
  platform::Animator::shared().setClock(clock.function());
  platform::Window window{{480, 320}};
  auto container = std::make_shared<TransitionView>();
  container->setFrame({0, 0, 480, 320});
  window.setRootView(container);
  Listener listener;
  container->setDelegate(&listener);
  // Frames for `seconds`, then a tap.
  auto tapAfter = [&](double seconds) {
    for (double t = 0; t <= seconds; t += 0.05, clock.advance(0.05)) platform::Animator::shared().tick();
    window.fingerDown(1, {100, 100}, clock.now());
    window.fingerUp(1, {100, 100}, clock.now());
  };
  auto first = std::make_shared<Screen>(), second = std::make_shared<Screen>();
  container->newSubview(first, TransitionType::Fade, TransitionDirection::FromTop, 0.3);
  tapAfter(0.5);
  EXPECT_EQ(first->began, 1);
  container->newSubview(second, TransitionType::Push, TransitionDirection::FromTop, 0.3);
  tapAfter(0.0);  // the animation starts at the next frame
  EXPECT_TRUE(container->isTransitioning());
  EXPECT_EQ(first->began + second->began, 1) << "a tap during the change reaches no screen";
  container->newSubview(std::make_shared<Screen>(), TransitionType::Reveal, TransitionDirection::FromBottom, 0.3);
  EXPECT_EQ(container->subviews().front(), second) << "a change asked for while one runs is dropped";
  tapAfter(0.5);
  EXPECT_EQ(second->began, 1);

  // Interaction that was off stays off after a cancelled change.
  container->setUserInteractionEnabled(false);
  container->newSubview(first, TransitionType::MoveIn, TransitionDirection::FromTop, 0.3);
  platform::Animator::shared().tick();
  container->cancelTransition();
  platform::Animator::shared().tick();
  EXPECT_FALSE(container->isTransitioning() || container->isUserInteractionEnabled());
  EXPECT_EQ(listener.events, "start finish start finish start cancel ");
  platform::Animator::shared().setClock({});
}

}  // namespace
}  // namespace piano
