// What the manual screen needs of the root view that shows it.
//
// Threads: main thread only.
#pragma once

#include "platform/geometry.h"

namespace piano {

class ManualHost {
 public:
  // Back to the song library screen.
  virtual void showNoteRecorder() = 0;
  // Back to the settings screen.
  virtual void showSetup() = 0;
  // Opens the maker's web site in the system browser.
  virtual void visitWebsite() = 0;
  // The screens' frame in the transition container (320 x 480, or 320 x 568).
  virtual platform::Rect frame() const = 0;

 protected:
  ~ManualHost() = default;
};

}  // namespace piano
