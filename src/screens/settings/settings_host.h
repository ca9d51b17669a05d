// What the settings screen needs from the root view: the player's settings,
// beside what every screen needs of it (ScreenHost).
// The root view implements it; tests use a fake.
//
// Threads: main thread only.
#pragma once

#include "screens/screen_host.h"

namespace piano {

class SettingsHost : public ScreenHost {
 public:
  // How many white keys a keyboard shows across the screen (8..15).
  virtual int numKeysToDisplay() const = 0;
  virtual void setNumKeysToDisplay(int keys) = 0;
  // What the finger's position on a key controls: 0 nothing, 1 volume,
  // 2 sustain, 3 soft.
  virtual int expressionFunction() const = 0;
  virtual void setExpressionFunction(int function) = 0;
  // Note names on the keys: 0 none, 1 the left key, 2 all keys, 3 coloured.
  virtual int displayNoteNames() const = 0;
  virtual void setDisplayNoteNames(int naming) = 0;
  virtual bool dualKeyboard() const = 0;
  virtual void setDualKeyboard(bool dual) = 0;

  // Sustain times as the screen shows them: a fraction 0..1 (longer toward 1).
  virtual void setSustainTimeNormal(float fraction) = 0;
  virtual void setSustainTimePedal(float fraction) = 0;
  virtual float sustainTimeNormalAsFraction() const = 0;
  virtual float sustainTimePedalAsFraction() const = 0;
  // The same as the release rates the keyboards apply (-0.00016..0 per frame);
  // the test notes are released at these.
  virtual float sustainTimeNormal() const = 0;
  virtual float sustainTimePedal() const = 0;

 protected:
  ~SettingsHost() = default;
};

}  // namespace piano
