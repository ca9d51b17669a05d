// What the key press engine and a keyboard view need from around them: the
// root view's screen changes, and the view's own pictures, buttons and layout.
//
// Threads: main thread only.
#pragma once

#include "platform/geometry.h"

namespace piano {

// The root view, as a keyboard view sees it.
class KeyboardParent {
 public:
  virtual void showSetup() = 0;
  virtual void showNoteRecorder() = 0;

 protected:
  ~KeyboardParent() = default;
};

enum class WhiteKeyPicture { Up, Down, DownLeftShadow };
enum class BlackKeyPicture { Up, Down };

// The keyboard view that holds a key press engine. Keyboards are numbered
// from 0 (the single keyboard, or the lower of two).
class KeyboardHost {
 public:
  // Pictures and labels: white key `position` 0..14, black key `boundary` 0..15.
  virtual void showWhiteKey(int keyboard, int position, WhiteKeyPicture picture) = 0;
  virtual void showBlackKey(int keyboard, int boundary, BlackKeyPicture picture) = 0;
  virtual void setNoteNameDown(int keyboard, int position, bool down) = 0;

  // Buttons of the layout itself (radar, scrolling, scroll lock): whether
  // `zone` is one, and its action, which the engine asks for on a press only.
  virtual bool isLayoutButton(int zone) const = 0;
  virtual void layoutButtonPress(int zone, platform::Point point) = 0;

  // The keyboard that key zone `zone` lies on, and the zone there (white
  // 1..15, black 101..116; anything else holds no key).
  virtual int keyboardForZone(int zone, int* zoneOnKeyboard) const = 0;
  // Loudness from the finger's position (the touch layer's expression).
  virtual float expressionForPoint(platform::Point point) const = 0;

  // Whether the view is on the screen (in a window). A view that was left for
  // another screen still hears the fingers that began on it.
  virtual bool isOnScreen() const = 0;

  virtual void redraw() = 0;
  virtual void redrawOnButtonPress() = 0;
  // Keys held by other sources (a MIDI instrument) changed; a layout may
  // show those out of view.
  virtual void redrawSourceKeys() {}
  // The fingers on the bar's and borders' buttons changed (the engine's
  // isButtonHeld tells which are held now).
  virtual void redrawHeldButtons() = 0;

 protected:
  ~KeyboardHost() = default;
};

}  // namespace piano
