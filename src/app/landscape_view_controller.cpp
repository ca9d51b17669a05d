#include "app/landscape_view_controller.h"

#include "platform/run_loop.h"

namespace piano {

LandscapeViewController::LandscapeViewController(LandscapeView& landscapeView,
                                                 platform::RunLoop& runLoop,
                                                 std::function<int()> currentOrientation)
    : landscapeView_(landscapeView), runLoop_(runLoop), interfaceOrientation_(std::move(currentOrientation)) {}

bool LandscapeViewController::shouldAutorotateToInterfaceOrientation(int orientation) {
  return orientation == kLandscapeLeft || orientation == kLandscapeRight;
}

void LandscapeViewController::orientationChanged() {
  runLoop_.performAfterDelay(0.0, [this] { reorientate(); });
}

void LandscapeViewController::reorientate() {
  const int o = interfaceOrientation_ ? interfaceOrientation_() : kLandscapeRight;
  if (o == kLandscapeRight) {
    if (currentOrientation_ != kLandscapeRight) landscapeView_.orientationChanged(kLandscapeRight);
  } else if (currentOrientation_ != kLandscapeLeft) {
    landscapeView_.orientationChanged(kLandscapeLeft);
  }
  currentOrientation_ = o == kLandscapeRight ? kLandscapeRight : kLandscapeLeft;
}

}  // namespace piano
