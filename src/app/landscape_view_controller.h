// LandscapeViewController keeps the application in the two landscape
// orientations and tells the root view when the device turns from one to the
// other. The platform feeds it orientation changes; a desktop display that never
// turns simply never reports, and the application stays landscape-right.
//
// Threads: main thread only.
#pragma once

#include <functional>

namespace piano {

namespace platform {
class RunLoop;
}

enum InterfaceOrientation : int {
  kPortrait = 1,
  kPortraitUpsideDown = 2,
  kLandscapeRight = 3,
  kLandscapeLeft = 4,
};

class LandscapeView {
 public:
  virtual void orientationChanged(int orientation) = 0;

 protected:
  ~LandscapeView() = default;
};

class LandscapeViewController {
 public:
  // `currentOrientation` reads the interface orientation the platform shows now.
  LandscapeViewController(LandscapeView& landscapeView, platform::RunLoop& runLoop,
                          std::function<int()> currentOrientation);

  static bool shouldAutorotateToInterfaceOrientation(int orientation);
  // The device turned: look again once the platform has finished its own turn.
  void orientationChanged();
  void reorientate();
  int currentOrientation() const { return currentOrientation_; }

 private:
  LandscapeView& landscapeView_;
  platform::RunLoop& runLoop_;
  std::function<int()> interfaceOrientation_;
  int currentOrientation_ = 0;
};

}  // namespace piano
