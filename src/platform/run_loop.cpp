#include "platform/run_loop.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/clock.h"

namespace piano::platform {

namespace {

// Timers are ordered by due time, then by the order they were scheduled (their
// id grows with every call), which gives the first-scheduled-first-run rule for
// timers due at the same moment.
struct TimerKey {
  double due;
  RunLoop::TimerId id;
  bool operator<(const TimerKey& other) const {
    if (due != other.due) return due < other.due;
    return id < other.id;
  }
};

}  // namespace

struct RunLoop::Impl {
  std::function<double()> clock;

  // Main thread only.
  std::map<TimerKey, Task> timers;
  std::unordered_map<TimerId, double> dueById;
  TimerId nextTimerId = 1;

  // Shared with posting threads.
  mutable std::mutex postMutex;
  std::condition_variable posted;
  std::deque<Task> postedTasks;

  std::function<void()> wakeHandler;
};

RunLoop::RunLoop(std::function<double()> clock) : impl_(new Impl) {
  impl_->clock = clock ? std::move(clock) : std::function<double()>(&mediaTime);
}

RunLoop::~RunLoop() { delete impl_; }

double RunLoop::now() const { return impl_->clock(); }

RunLoop::TimerId RunLoop::performAfterDelay(double seconds, Task task) {
  // A NaN or negative delay means "as soon as possible"; an infinite one never
  // fires but still holds its place until cancelled.
  if (!(seconds > 0.0)) seconds = 0.0;
  const TimerId id = impl_->nextTimerId++;
  const double due = now() + seconds;
  impl_->timers.emplace(TimerKey{due, id}, std::move(task));
  impl_->dueById.emplace(id, due);
  return id;
}

void RunLoop::cancel(TimerId id) {
  auto found = impl_->dueById.find(id);
  if (found == impl_->dueById.end()) return;
  impl_->timers.erase(TimerKey{found->second, id});
  impl_->dueById.erase(found);
}

void RunLoop::post(Task task) {
  {
    std::lock_guard<std::mutex> lock(impl_->postMutex);
    impl_->postedTasks.push_back(std::move(task));
  }
  impl_->posted.notify_one();
  if (impl_->wakeHandler) impl_->wakeHandler();
}

int RunLoop::runDue() {
  int ran = 0;

  std::deque<Task> tasks;
  {
    std::lock_guard<std::mutex> lock(impl_->postMutex);
    tasks.swap(impl_->postedTasks);
  }
  for (Task& task : tasks) {
    if (task) task();
    ++ran;
  }

  // Only timers that existed when this pass began and are due by its start run
  // now; a timer that schedules another for "now" cannot keep this call busy.
  const double passTime = now();
  const TimerId lastExisting = impl_->nextTimerId - 1;
  for (;;) {
    auto it = std::find_if(impl_->timers.begin(), impl_->timers.end(), [&](const auto& entry) {
      return entry.first.due > passTime || entry.first.id <= lastExisting;
    });
    if (it == impl_->timers.end() || it->first.due > passTime) break;
    Task task = std::move(it->second);
    impl_->dueById.erase(it->first.id);
    impl_->timers.erase(it);
    if (task) task();
    ++ran;
  }
  return ran;
}

double RunLoop::secondsUntilNextEvent() const {
  {
    std::lock_guard<std::mutex> lock(impl_->postMutex);
    if (!impl_->postedTasks.empty()) return 0.0;
  }
  if (impl_->timers.empty()) return std::numeric_limits<double>::infinity();
  return std::max(0.0, impl_->timers.begin()->first.due - now());
}

void RunLoop::waitForEvents(double maxSeconds) {
  double seconds = std::min(maxSeconds, secondsUntilNextEvent());
  if (!(seconds > 0.0)) return;
  // Cap the wait so that a huge or infinite bound cannot overflow the duration.
  seconds = std::min(seconds, 3600.0);
  std::unique_lock<std::mutex> lock(impl_->postMutex);
  impl_->posted.wait_for(lock, std::chrono::duration<double>(seconds),
                         [&] { return !impl_->postedTasks.empty(); });
}

void RunLoop::setWakeHandler(std::function<void()> handler) {
  impl_->wakeHandler = std::move(handler);
}

}  // namespace piano::platform
