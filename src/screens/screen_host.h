// What every screen the root view shows needs of it: the way back to the
// keyboard, the manual, and the language and frame of the screens.
//
// Threads: main thread only.
#pragma once

#include "platform/geometry.h"
#include "screens/manual/manual_view.h"

namespace piano {

class ScreenHost {
 public:
  // Back to the keyboard.
  virtual void showPiano() = 0;
  // Opens the manual, whose back button returns to `from`.
  virtual void showManual(ManualView::FromScreen from) = 0;
  // The player's first language is Simplified Chinese (larger fonts, wider
  // texts, some labels placed differently, numbered demo songs).
  virtual bool isChineseLanguage() const = 0;
  // The rectangle every screen fills in the transition container's portrait
  // coordinates: (0, 0, 320, 480), or (0, 0, 320, 568) on the tall screen.
  // An empty rectangle stands for that default.
  virtual platform::Rect frame() const = 0;

 protected:
  ~ScreenHost() = default;
};

}  // namespace piano
