// Stand-in for the main run loop until its implementation is merged: timers
// and posted tasks on the given clock, enough for the view layer's tests.
#include <map>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/run_loop.h"

namespace piano::platform {

struct RunLoop::Impl {
  std::function<double()> clock;
  std::mutex mutex;
  std::vector<Task> posted;
  std::multimap<std::pair<double, TimerId>, Task> timers;
  TimerId next = 1;
  std::function<void()> wake;
};

RunLoop::RunLoop(std::function<double()> clock) : impl_(new Impl) {
  impl_->clock = clock ? std::move(clock) : std::function<double()>([] { return mediaTime(); });
}
RunLoop::~RunLoop() { delete impl_; }

RunLoop::TimerId RunLoop::performAfterDelay(double seconds, Task task) {
  const TimerId id = impl_->next++;
  impl_->timers.emplace(std::make_pair(now() + (seconds > 0 ? seconds : 0), id), std::move(task));
  return id;
}

void RunLoop::cancel(TimerId id) {
  for (auto it = impl_->timers.begin(); it != impl_->timers.end(); ++it) {
    if (it->first.second == id) {
      impl_->timers.erase(it);
      return;
    }
  }
}

void RunLoop::post(Task task) {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->posted.push_back(std::move(task));
  }
  if (impl_->wake) impl_->wake();
}

int RunLoop::runDue() {
  std::vector<Task> posted;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    posted.swap(impl_->posted);
  }
  int ran = 0;
  for (auto& t : posted) {
    t();
    ++ran;
  }
  const double t = now();
  std::vector<Task> due;
  while (!impl_->timers.empty() && impl_->timers.begin()->first.first <= t) {
    due.push_back(std::move(impl_->timers.begin()->second));
    impl_->timers.erase(impl_->timers.begin());
  }
  for (auto& task : due) {
    task();
    ++ran;
  }
  return ran;
}

double RunLoop::secondsUntilNextEvent() const {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (!impl_->posted.empty()) return 0.0;
  }
  if (impl_->timers.empty()) return std::numeric_limits<double>::infinity();
  const double d = impl_->timers.begin()->first.first - now();
  return d > 0 ? d : 0.0;
}

void RunLoop::waitForEvents(double) {}
void RunLoop::setWakeHandler(std::function<void()> handler) { impl_->wake = std::move(handler); }
double RunLoop::now() const { return impl_->clock(); }

}  // namespace piano::platform
