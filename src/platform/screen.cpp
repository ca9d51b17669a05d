#include "platform/screen.h"

#include <algorithm>
#include <atomic>

namespace piano::platform {

namespace {
std::atomic<bool> tallScreen{false};
}

bool isTallScreen() { return tallScreen.load(std::memory_order_relaxed); }
void setTallScreen(bool tall) { tallScreen.store(tall, std::memory_order_relaxed); }

Size landscapeSize() { return landscapeSize(isTallScreen()); }
Size landscapeSize(bool tall) { return {tall ? 568.0 : 480.0, 320.0}; }

bool tallLayoutSuits(int width, int height) {
  const int longSide = std::max(width, height);
  const int shortSide = std::min(width, height);
  if (shortSide <= 0) return false;
  // Half way between 1.5 (480:320) and 1.775 (568:320).
  return static_cast<double>(longSide) / shortSide >= 1.6375;
}

Point portraitToLandscape(Point p) { return {p.y, 320.0 - p.x}; }
Point landscapeToPortrait(Point p) { return {320.0 - p.y, p.x}; }

}  // namespace piano::platform
