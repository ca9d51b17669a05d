#include "platform/output_pace.h"

#include <algorithm>
#include <cstring>

namespace piano::platform {

namespace {
// A slow leak of the debt, 30 frames a second (680 ppm): more than the drift of
// a sound card's clock, less than one missed cycle every four seconds leaves.
constexpr double kDebtLeakPerSecond = 30.0;
}  // namespace

std::vector<std::string> audioDriverOrder(const char* userChoice, const std::vector<std::string>& available) {
  if (userChoice != nullptr && userChoice[0] != '\0') return {};
  std::vector<std::string> order;
  for (const char* preferred : {"pipewire", "pulseaudio"}) {
    if (std::find(available.begin(), available.end(), preferred) != available.end()) order.emplace_back(preferred);
  }
  return order;
}

int nextBufferStep(int frames) {
  for (const int step : kBufferSteps) {
    if (step > frames) return step;
  }
  return frames;
}

void OutputPaceWatch::reset(int rate, int bufferFrames) {
  rate_ = rate;
  bufferFrames_ = bufferFrames;
  started_ = false;
  pulled_.store(0, std::memory_order_relaxed);
  lastPulled_ = 0;
  debt_ = 0.0;
  // The device's own count goes on; only misses from now on count.
  missTimes_.fill(-1e300);
}

bool OutputPaceWatch::fellBehind(double now, long long missedCycles) {
  // The device counts from its opening: a count lower than the last is a new device.
  if (missedCycles < missedSeen_) missedSeen_ = missedCycles;
  for (; missedSeen_ < missedCycles; ++missedSeen_) {
    std::copy_backward(missTimes_.begin(), missTimes_.end() - 1, missTimes_.end());
    missTimes_[0] = now;
  }
  if (now - missTimes_.back() < kMissedCyclesWindow) return true;
  const long long pulled = pulled_.load(std::memory_order_relaxed);
  if (!started_) {
    if (pulled == 0) return false;
    started_ = true;
    lastPulled_ = pulled;
    lastTime_ = now;
    return false;
  }
  const double elapsed = now - lastTime_;
  if (!(elapsed > 0.0)) return false;
  const double expected = elapsed * rate_;
  debt_ = std::max(0.0, debt_ + expected - static_cast<double>(pulled - lastPulled_) - kDebtLeakPerSecond * elapsed);
  lastPulled_ = pulled;
  lastTime_ = now;
  return debt_ > 4.0 * bufferFrames_ + rate_ / 100.0;
}

}  // namespace piano::platform
