#include "keyboard/resolution_helper.h"

#include <sys/utsname.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/screen.h"

namespace piano {

namespace {

// Our screens are drawn at two pixels per point, as the layouts were made for.
constexpr double kPixelsPerPoint = 2.0;

std::mutex instanceMutex;
std::atomic<ResolutionHelper*> instance{nullptr};

const char* dashes = "*--------------------------------------------------------";

}  // namespace

void ResolutionHelper::createSharedInstance() {
  std::lock_guard lock(instanceMutex);
  if (instance.load(std::memory_order_acquire) == nullptr) {
    instance.store(new ResolutionHelper(), std::memory_order_release);  // kept for the process's life
  }
}

ResolutionHelper* ResolutionHelper::sharedInstance() { return instance.load(std::memory_order_acquire); }

bool ResolutionHelper::is568h() {
  const ResolutionHelper* helper = sharedInstance();
  return helper != nullptr && helper->screenIs568h();
}

bool ResolutionHelper::isTallResolution(double heightPoints, double scale) { return heightPoints * scale == 1136.0; }

void ResolutionHelper::getDeviceResolution() {
  // The long side of the landscape picture is the portrait screen's height.
  is568h_ = isTallResolution(platform::landscapeSize().width, kPixelsPerPoint);
}

void ResolutionHelper::printDeviceDetails() const {
  utsname machine{};
  const bool known = uname(&machine) == 0;
  const platform::Size screen = platform::landscapeSize();
  std::printf("\n%s\n", dashes);
  std::printf("|  name = %s\n", known ? machine.nodename : "");
  std::printf("|  systemName = %s\n", known ? machine.sysname : "");
  std::printf("|  systemVersion = %s\n", known ? machine.release : "");
  std::printf("|  model = %s\n", known ? machine.machine : "");
  std::printf("|  localizedModel = %s\n", known ? machine.machine : "");
  std::printf("|  Resolution = %d, %d\n", static_cast<int>(screen.height), static_cast<int>(screen.width));
  const double pixels = screen.width * kPixelsPerPoint;
  if (pixels == 960.0) std::printf("|  normal screen, 2 pixels per point\n");
  if (pixels == 1136.0) std::printf("|  tall screen, 2 pixels per point\n");
  std::printf("%s\n\n", dashes);
}

}  // namespace piano
