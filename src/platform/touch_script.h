// Scripts of timed input for the headless driver: what a player's fingers do,
// and when to take screenshots. docs/headless.md describes the format:
//
//   # comment                    blank lines and comments are ignored
//   portrait                     later points are portrait screen points (x, y),
//                                shown at (y, 320 - x) of the display
//   landscape                    later points are display points (the default)
//   0.50 down 1 120 300          finger 1 touches (120, 300) at 0.5 s
//   0.60 move 1 130 300
//   0.70 up 1                    lifts where it last was (or "up 1 x y")
//   0.80 cancel                  focus lost: every finger down is cancelled,
//                                every key held let go
//   1.00 shot out.png            screenshot (path relative to the script's folder)
//   1.10 text hello              typed text (the rest of the line)
//   1.20 key return              return, backspace, delete, escape
//   1.30 keydown a               a key held down, named by its place on a US
//   1.40 keyup a                 keyboard (a, ;, space, shift, left, ...)
//   2.00 end                     the run ends here (else at the last line)
//
// Times are seconds from the start of the run and may not go back from one
// line to the next. Finger ids are whole numbers from 0 to 999999.
//
// Threads: any.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/window.h"

namespace piano::platform {

struct ScriptEvent {
  enum class Kind { Down, Move, Up, Cancel, Shot, Text, Key, KeyPositionDown, KeyPositionUp, End };
  double time = 0.0;
  Kind kind = Kind::Down;
  std::int64_t finger = 0;
  bool hasPoint = false;
  Point point;  // landscape display points
  std::string argument;  // shot path, typed text
  Key key = Key::Return;
  int keyPosition = 0;  // keypos::, for KeyPositionDown and KeyPositionUp
  int line = 0;  // in the script, for messages
};

struct TouchScript {
  std::vector<ScriptEvent> events;  // in time order, as in the file

  // Parses a script; on a bad line returns false and says which in `error`.
  // Relative shot paths are joined to `baseDirectory` (when not empty).
  static bool parse(const std::string& text, TouchScript* script, std::string* error,
                    const std::string& baseDirectory = "");
  static bool load(const std::string& path, TouchScript* script, std::string* error);
  double endTime() const;
};

}  // namespace piano::platform
