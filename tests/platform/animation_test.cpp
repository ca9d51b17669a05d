#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/animation.h"
#include "platform/manual_clock.h"
#include "platform/view.h"
#include "platform/window.h"
#include "recording_canvas.h"

namespace piano::platform {
namespace {

using testing::RecordingCanvas;

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Animator::shared().setClock(clock.function());
    Animator::shared().tick();
  }
  void TearDown() override {
    // Nothing may be left running for the next test.
    for (int i = 0; i < 10 && Animator::shared().isAnimating(); ++i) at(clock.now() + 100.0);
    Animator::shared().setClock({});
  }
  void at(double t) {
    clock.set(t);
    Animator::shared().tick();
  }
  ManualClock clock{10.0};
};

TEST(AnimationCurve, EaseInEaseOutIsSymmetricAndMonotonic) {
  const auto ease = [](double t) { return animationProgress(AnimationCurve::EaseInEaseOut, t); };
  EXPECT_EQ(std::tuple(ease(0.0), ease(1.0)), std::tuple(0.0, 1.0));
  EXPECT_NEAR(ease(0.25), 0.12916, 1e-5);  // the curve's y where its x is a quarter: a slow start
  for (int i = 1; i <= 100; ++i) {
    EXPECT_GE(ease(i / 100.0), ease((i - 1) / 100.0));
    EXPECT_NEAR(ease(i / 100.0) + ease(1.0 - i / 100.0), 1.0, 1e-9);
  }
  EXPECT_EQ(std::tuple(animationProgress(AnimationCurve::Linear, 0.3), animationProgress(AnimationCurve::Linear, 7.0)),
            std::tuple(0.3, 1.0));
}

TEST_F(AnimationTest, MovesCentreAndAlphaOverTheDurationFromTheFirstTick) {
  auto page = std::make_shared<View>(Rect{0, 0, 320, 480});
  page->setCentre({160, 240});
  std::vector<bool> results;
  View::animate(0.4, [&] {
    page->setCentre({160, 720});
    page->setAlpha(0.4f);
  }, [&](bool finished) { results.push_back(finished); });

  // The model moves at once; the picture only from the next tick on.
  EXPECT_EQ(page->centre(), (Point{160, 720}));
  EXPECT_EQ(page->presentationCentre(), (Point{160, 240}));
  at(11.0);  // starts here, however late
  EXPECT_EQ(page->presentationCentre(), (Point{160, 240}));
  at(11.2);
  EXPECT_NEAR(page->presentationCentre().y, 480.0, 1e-6);
  EXPECT_NEAR(page->presentationAlpha(), 0.7f, 1e-6);
  EXPECT_TRUE(results.empty());
  at(11.4);
  EXPECT_EQ(page->presentationCentre(), (Point{160, 720}));
  EXPECT_EQ(std::pair(results, page->hasAnimations()), std::pair(std::vector<bool>{true}, false));
}

TEST_F(AnimationTest, ANewAnimationTakesOverFromWhereThePictureIs) {
  auto view = std::make_shared<View>(Rect{0, 0, 10, 10});
  std::vector<bool> results;
  View::animate(1.0, [&] { view->setCentre({105, 5}); }, [&](bool f) { results.push_back(f); });
  at(10.0);
  at(10.5);
  const Point halfway = view->presentationCentre();
  View::animate(1.0, [&] { view->setCentre({5, 5}); }, [&](bool f) { results.push_back(f); });
  EXPECT_EQ(view->presentationCentre(), halfway);
  at(10.6);  // the first one's completion comes at the next tick
  ASSERT_EQ(results, (std::vector<bool>{false}));
  at(11.6);
  EXPECT_EQ(view->presentationCentre(), (Point{5, 5}));
  // Nothing to move: the completion still comes, finished.
  View::animate(0.4, [&] { view->setCentre({5, 5}); }, [&](bool f) { results.push_back(f); });
  at(11.7);
  EXPECT_EQ(results, (std::vector<bool>{false, true, true}));
}

TEST_F(AnimationTest, TransitionCallbacksComeFromTheTicks) {
  auto container = std::make_shared<View>(Rect{0, 0, 320, 480});
  auto oldScreen = std::make_shared<View>(Rect{0, 0, 320, 480});
  container->addSubview(std::make_shared<View>(Rect{0, 0, 320, 480}));  // the new screen
  std::vector<std::string> log;
  const auto started = [&] { log.push_back("start"); };
  const auto stopped = [&](bool f) { log.push_back(f ? "finish" : "cancel"); };
  container->addTransition(TransitionType::Push, TransitionDirection::FromTop, 0.3, {oldScreen}, started, stopped);
  EXPECT_TRUE(log.empty());  // the block begins when the picture starts moving
  at(10.1);
  EXPECT_EQ(log, (std::vector<std::string>{"start"}));
  at(10.39);
  EXPECT_EQ(log.size(), 1u);
  std::weak_ptr<View> oldWeak = oldScreen;
  oldScreen.reset();
  EXPECT_FALSE(oldWeak.expired());  // the old content is kept while it is shown
  at(10.4);
  EXPECT_EQ(log, (std::vector<std::string>{"start", "finish"}));
  EXPECT_TRUE(oldWeak.expired() && !container->hasTransition());

  // Removed while running: stop with finished = false.
  container->addTransition(TransitionType::Fade, TransitionDirection::FromTop, 0.3, {}, started, stopped);
  at(10.5);
  container->removeTransition();
  at(10.6);
  EXPECT_EQ(log, (std::vector<std::string>{"start", "finish", "start", "cancel"}));

  // Replaced before it started: no callbacks of the first at all.
  log.clear();
  container->addTransition(TransitionType::Fade, TransitionDirection::FromTop, 0.3, {},
                           [&] { log.push_back("first start"); }, [&](bool) { log.push_back("first stop"); });
  container->addTransition(TransitionType::MoveIn, TransitionDirection::FromBottom, 0.3, {}, started, stopped);
  at(11.0);
  at(11.3);
  EXPECT_EQ(log, (std::vector<std::string>{"start", "finish"}));
  EXPECT_FALSE(Animator::shared().isAnimating());
}

// Where the old and the new screen are drawn half way through each transition,
// each held to its own moving bounds with what it keeps beyond them.
TEST_F(AnimationTest, TransitionsDrawOldAndNewContentByTypeAndDirection) {
  const Colour oldColour{1, 0, 0, 1}, newColour{0, 1, 0, 1}, beyondColour{0, 0, 1, 1};
  struct Case {
    TransitionType type;
    TransitionDirection direction;
    Point oldCentre, newCentre;  // at half time (ease: exactly half way)
    float oldAlpha, newAlpha;
    bool oldDrawnFirst;
  };
  const Case cases[] = {
      {TransitionType::Push, TransitionDirection::FromTop, {50, 200}, {50, 0}, 1, 1, true},
      {TransitionType::Push, TransitionDirection::FromRight, {0, 100}, {100, 100}, 1, 1, true},
      {TransitionType::MoveIn, TransitionDirection::FromBottom, {50, 100}, {50, 200}, 1, 1, true},
      {TransitionType::Reveal, TransitionDirection::FromBottom, {50, 0}, {50, 100}, 1, 1, false},
      {TransitionType::Reveal, TransitionDirection::FromLeft, {100, 100}, {50, 100}, 1, 1, false},
      {TransitionType::Fade, TransitionDirection::FromLeft, {50, 100}, {50, 100}, 0.5f, 0.5f, true},
  };
  for (const Case& c : cases) {
    auto container = std::make_shared<View>(Rect{0, 0, 100, 200});
    auto oldScreen = std::make_shared<View>(Rect{0, 0, 100, 200});
    auto newScreen = std::make_shared<View>(Rect{0, 0, 100, 200});
    for (const auto& screen : {oldScreen, newScreen}) {
      screen->setClipsToBounds(true);
      auto beyond = std::make_shared<View>(Rect{0, 200, 100, 200});  // a page past the far end
      beyond->setBackgroundColour(beyondColour);
      screen->addSubview(beyond);
    }
    oldScreen->setBackgroundColour(oldColour);
    newScreen->setBackgroundColour(newColour);
    container->addSubview(newScreen);
    container->addTransition(c.type, c.direction, 1.0, {oldScreen});
    const double start = clock.now() + 1.0;
    at(start);
    at(start + 0.5);
    RecordingCanvas canvas;
    container->render(canvas, AffineTransform::identity(), 1.0f);
    const auto* o = canvas.fillOf(oldColour);
    const auto* n = canvas.fillOf(newColour);
    ASSERT_TRUE(o != nullptr && n != nullptr);
    for (const auto& [call, centre, alpha] : {std::tuple{o, c.oldCentre, c.oldAlpha}, {n, c.newCentre, c.newAlpha}}) {
      EXPECT_NEAR(call->centre().x, centre.x, 1e-6);
      EXPECT_NEAR(call->centre().y, centre.y, 1e-6);
      EXPECT_NEAR(call->alpha, alpha, 1e-6);
    }
    EXPECT_EQ(o < n, c.oldDrawnFirst);
    for (const auto& call : canvas.calls) {
      EXPECT_TRUE(call.colour != beyondColour || call.shown().width * call.shown().height == 0.0);
    }
    at(start + 1.0);
    RecordingCanvas after;
    container->render(after, AffineTransform::identity(), 1.0f);
    const auto* settled = after.fillOf(newColour);
    EXPECT_TRUE(!after.fillOf(oldColour) && settled && settled->centre() == (Point{50, 100}));
  }
}

TEST_F(AnimationTest, WindowNeedsDrawingWhileAnythingMoves) {
  Window window(Size{480, 320});
  auto root = std::make_shared<View>();
  window.setRootView(root);
  RecordingCanvas canvas;
  window.draw(canvas);
  window.clearNeedsDisplay();
  at(12.0);
  EXPECT_FALSE(window.needsDisplay());
  root->setBackgroundColour(Colour::black());
  EXPECT_TRUE(window.needsDisplay());
  window.clearNeedsDisplay();
  View::animate(0.3, [&] { root->setAlpha(0.5f); });
  at(12.1);
  window.clearNeedsDisplay();
  EXPECT_TRUE(window.needsDisplay());
  at(12.5);
  at(12.6);
  window.clearNeedsDisplay();
  EXPECT_FALSE(window.needsDisplay());
}

}  // namespace
}  // namespace piano::platform
