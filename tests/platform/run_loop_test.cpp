#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "platform/manual_clock.h"

namespace piano::platform {
namespace {

TEST(RunLoopTest, TimersRunWhenDueInScheduleOrderAndCancelledOnesNever) {
  ManualClock clock{100.0};
  RunLoop loop(clock.function());
  std::string order;
  loop.performAfterDelay(0.5, [&] { order += "b"; });
  loop.performAfterDelay(0.2, [&] { order += "a"; });
  const auto cancelled = loop.performAfterDelay(0.2, [&] { order += "x"; });
  loop.performAfterDelay(0.5, [&] { order += "c"; });
  loop.cancel(cancelled);
  loop.cancel(9999);  // unknown ids are ignored

  EXPECT_NEAR(loop.secondsUntilNextEvent(), 0.2, 1e-9);
  EXPECT_EQ(loop.runDue(), 0);
  clock.advance(0.2);
  EXPECT_EQ(loop.runDue(), 1);
  clock.advance(1.0);
  EXPECT_EQ(loop.runDue(), 2);
  EXPECT_EQ(order, "abc");
  EXPECT_TRUE(std::isinf(loop.secondsUntilNextEvent()));
  // A timer may cancel another that is due in the same pass.
  RunLoop::TimerId second = 0;
  loop.performAfterDelay(0.1, [&] { loop.cancel(second); });
  second = loop.performAfterDelay(0.1, [&] { order += "y"; });
  clock.advance(1.0);
  EXPECT_EQ(loop.runDue(), 1);
  EXPECT_EQ(order, "abc");
}

TEST(RunLoopTest, PostedTasksRunFirstAndNewWorkWaitsForTheNextPass) {
  ManualClock clock{100.0};
  RunLoop loop(clock.function());
  std::vector<std::string> ran;
  loop.performAfterDelay(0, [&] {
    ran.push_back("timer");
    // A timer that reschedules itself for "now" must not spin this pass.
    loop.performAfterDelay(0, [&] { ran.push_back("again"); });
  });
  loop.post([&] {
    ran.push_back("posted");
    loop.post([&] { ran.push_back("posted later"); });
  });
  EXPECT_DOUBLE_EQ(loop.secondsUntilNextEvent(), 0.0);
  EXPECT_EQ(loop.runDue(), 2);
  EXPECT_EQ(ran, (std::vector<std::string>{"posted", "timer"}));
  EXPECT_EQ(loop.runDue(), 2);
  EXPECT_EQ(ran.back(), "again");
}

TEST(RunLoopTest, PostsFromOtherThreadsArriveInOrderAndWakeTheLoop) {
  RunLoop loop;
  std::atomic<int> wakes{0};
  loop.setWakeHandler([&] { ++wakes; });
  std::vector<int> received;
  static constexpr int kPerThread = 2000;
  std::thread posters[2];
  for (int t = 0; t < 2; ++t) {
    posters[t] = std::thread([&, t] {
      for (int i = 0; i < kPerThread; ++i) loop.post([&received, t, i] { received.push_back(t * kPerThread + i); });
    });
  }
  while (received.size() < 2 * kPerThread) {
    loop.waitForEvents(0.05);
    loop.runDue();
  }
  for (std::thread& poster : posters) poster.join();
  EXPECT_EQ(wakes.load(), 2 * kPerThread);
  // Each thread's posts keep their order.
  int last[2] = {-1, -1};
  for (int value : received) {
    EXPECT_GT(value % kPerThread, last[value / kPerThread]);
    last[value / kPerThread] = value % kPerThread;
  }
}

TEST(RunLoopTest, WaitReturnsWhenATaskIsPosted) {
  RunLoop loop;
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.post([] {});
  });
  // Without the post this would wait for an hour.
  loop.waitForEvents(3600);
  EXPECT_EQ(loop.runDue(), 1);
  poster.join();
}

}  // namespace
}  // namespace piano::platform
