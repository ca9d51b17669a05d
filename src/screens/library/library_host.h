// What the song library screen needs of the root view that shows it.
//
// Threads: main thread only.
#pragma once

#include "platform/geometry.h"
#include "screens/manual/manual_view.h"

namespace piano {

class LibraryHost {
 public:
  // Back to the keyboard.
  virtual void showPiano() = 0;
  // Opens the manual, whose back button returns to `from`.
  virtual void showManual(ManualView::FromScreen from) = 0;
  // The Simplified-Chinese layout: wider texts, numbered demo songs.
  virtual bool isChineseLanguage() const = 0;
  // The screens' frame in the transition container (320 x 480, or 320 x 568).
  virtual platform::Rect frame() const = 0;

 protected:
  ~LibraryHost() = default;
};

}  // namespace piano
