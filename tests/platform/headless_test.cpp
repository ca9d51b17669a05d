#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/headless_driver.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/touch_script.h"
#include "platform/view.h"
#include "platform/window.h"
#include "recording_canvas.h"

namespace piano::platform {
namespace {

TEST(TouchScript, ParsesFingersShotsKeysAndPortraitPoints) {
  TouchScript script;
  std::string error;
  ASSERT_TRUE(TouchScript::parse(
      "# a glissando\n0.50 down 1 120 300\n  0.60 move 1 130 300  \n\n"
      "portrait\n0.60 down 2 300 10\n0.70 up 1\n0.75 up 2 310 20\n"
      "landscape\n1.00 shot out.png\n1.10 text My  song #1\n1.20 key return\n1.3 keydown ;\n2 end\n",
      &script, &error, "/tmp/shots"))
      << error;
  ASSERT_EQ(script.events.size(), 10u);
  const auto& e = script.events;
  EXPECT_EQ(std::tuple(e[0].kind, e[0].finger, e[8].kind, e[8].keyPosition, e[9].kind),
            std::tuple(ScriptEvent::Kind::Down, 1, ScriptEvent::Kind::KeyPositionDown, keypos::kSemicolon,
                       ScriptEvent::Kind::End));
  // Portrait (300, 10) and (310, 20); a finger lifted without a point lifts where it last was.
  EXPECT_EQ(std::tuple(e[0].point, e[2].point, e[3].point, e[4].point),
            std::tuple(Point{120, 300}, Point{10, 20}, Point{130, 300}, Point{20, 10}));
  EXPECT_EQ(std::tuple(e[5].argument, e[6].argument, e[7].key),
            std::tuple("/tmp/shots/out.png", "My  song #1", Key::Return));
  EXPECT_DOUBLE_EQ(script.endTime(), 2.0);
}

TEST(TouchScript, RefusesBadLinesWithTheirNumber) {
  // No y, not a number, up or move of a finger never down, down twice, time going back, ...
  const char* bad[] = {"0.5 down 1 10\n", "0.5 down 1 10 x\n", "0.5 up 1\n", "0.5 move 3 1 1\n",
                       "0.5 down 1 1 1\n0.6 down 1 2 2\n", "1.0 cancel\n0.5 shot a.png\n", "-1 cancel\n",
                       "0.5 down -2 1 1\n", "0.5 down 1.5 1 1\n", "0.5 jump 1\n", "0.5 key f1\n", "0.5 keyup ctrl\n", "0.5 keydown\n", "nan cancel\n",
                       "0.5 shot\n"};
  for (const char* text : bad) {
    TouchScript script;
    std::string error;
    EXPECT_FALSE(TouchScript::parse(text, &script, &error)) << text;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
}

TEST(HeadlessDriver, RunsScriptTimersAndAnimationsOnItsOwnClock) {
  ManualClock clock{100.0};
  RunLoop loop(clock.function());
  Window window(Size{480, 320});
  auto root = std::make_shared<testing::TouchLog>();
  window.setRootView(root);
  HeadlessDriver driver(window, &loop, clock);

  std::vector<double> times;  // the timers', then the touches'
  loop.performAfterDelay(0.25, [&] { times.push_back(clock.now()); });
  loop.performAfterDelay(0.55, [&] { times.push_back(clock.now()); });
  bool finished = false;
  auto moving = std::make_shared<View>(Rect{0, 0, 10, 10});
  root->addSubview(moving);
  View::animate(0.3, [&] { moving->setCentre({100, 5}); }, [&](bool f) { finished = f; });

  std::vector<std::string> shots;
  driver.setScreenshotHandler([&](const std::string& path) {
    shots.push_back(path);
    return path != "fail.png";
  });
  TouchScript script;
  std::string error;
  ASSERT_TRUE(TouchScript::parse("0.1 down 1 50 50\n0.2 move 1 60 50\n0.4 up 1\n"
                                 "0.5 shot a.png\n0.6 shot fail.png\n",
                                 &script, &error))
      << error;
  EXPECT_FALSE(driver.run(script));  // one screenshot failed
  EXPECT_EQ(shots, (std::vector<std::string>{"a.png", "fail.png"}));
  std::vector<long> ms;  // after the start
  for (const auto& e : root->events) times.push_back(e.time);
  for (double t : times) ms.push_back(std::lround((t - 100.0) * 1000.0));
  EXPECT_EQ(ms, (std::vector<long>{250, 550, 100, 200, 400}));
  EXPECT_EQ(root->events.back().phase, 3);
  EXPECT_TRUE(finished);
  EXPECT_EQ(moving->presentationCentre(), (Point{100, 5}));
  EXPECT_DOUBLE_EQ(clock.now(), 100.6);

  driver.advance(1.0);
  EXPECT_DOUBLE_EQ(clock.now(), 101.6);
  Animator::shared().setClock({});
}

}  // namespace
}  // namespace piano::platform
