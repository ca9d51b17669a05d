// ComputerKeyboard: the computer keyboard played as a piano. Keys are taken
// by position (platform/key_positions.h), so the rows are the same on any
// national layout.
//
// One keyboard: the home row (A S D F ... ' on a US keyboard) plays the white
// keys of the window in view from its left end, the row above (Q W E ...) the
// black keys between them, each key lying between the two white keys it sits
// between (W between A and S, so the black key between the first two white
// keys). Two keyboards: the rows follow the boards on the screen, the lower
// board on the bottom row (Z X C ... white) and the home row (black), the
// upper board on the Q row (white) and the digit row (black). Only keys the
// window shows play.
//
// Left and Right arrows scroll by a key, Down and Up by an octave, as the
// bar's buttons do (with Shift, the upper keyboard's). Space held is the
// sustain pedal, Tab held the soft pedal. Notes sound as a finger at a key's
// front edge would and take the key press engine's road for other sources, so
// they are recorded, shown and sent on exactly as touches are. A released key
// ends the note its press started, even after the window was scrolled.
//
// Threads: main thread only.
#pragma once

#include <array>
#include <functional>

#include "platform/key_positions.h"

namespace piano {

class KeyboardView;

class ComputerKeyboard {
 public:
  // What a key does where it lies, for a layout of `numKeyboards` boards.
  struct Action {
    enum class Kind { kNone, kWhite, kBlack, kScrollKey, kScrollOctave, kSustainPedal, kSoftPedal, kShift };
    Kind kind = Kind::kNone;
    int board = 0;
    int index = 0;  // white position or black boundary; the scroll's direction (-1, 1)
  };
  static Action actionFor(int position, int numKeyboards);

  // `viewOnScreen` gives the keyboard screen when it is the one shown, else null.
  explicit ComputerKeyboard(std::function<KeyboardView*()> viewOnScreen);

  // A key pressed (once, however long it is held) or released.
  void key(int position, bool down);

 private:
  struct Held {
    KeyboardView* view = nullptr;  // the key's note is on this view's engine
    int sampleNo = -1;
  };
  void press(KeyboardView& view, const Action& action, Held& held);

  std::function<KeyboardView*()> viewOnScreen_;
  std::array<Held, platform::keypos::kCount> held_{};
  int shiftsDown_ = 0;
};

}  // namespace piano
