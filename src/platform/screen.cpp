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

AffineTransform pictureToOutput(Size picture, Size output, bool turnWhenPortrait) {
  const bool turned = turnWhenPortrait && output.height > output.width;
  const Size shown = turned ? Size{picture.height, picture.width} : picture;
  if (!(shown.width > 0.0 && shown.height > 0.0)) return {};
  const double scale = std::max(1e-6, std::min(output.width / shown.width, output.height / shown.height));
  const double left = (output.width - shown.width * scale) / 2.0;
  const double top = (output.height - shown.height * scale) / 2.0;
  if (!turned) return AffineTransform::scale(scale, scale).concat(AffineTransform::translation(left, top));
  // (x, y) shows at (left + (height - y) * scale, top + x * scale).
  return {0.0, scale, -scale, 0.0, left + picture.height * scale, top};
}

}  // namespace piano::platform
