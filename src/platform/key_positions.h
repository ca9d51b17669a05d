// Keys of the computer keyboard by where they lie, not by what they type:
// the USB HID usage numbers of a US keyboard's keys, which SDL's scancodes
// are too. A player's fingers find the same rows on any national layout.
//
// Threads: pure data and functions; any thread.
#pragma once

#include <string>

namespace piano::platform::keypos {

inline constexpr int kNone = 0;
inline constexpr int kA = 4;  // letters follow in order: kA + ('q' - 'a') is Q
inline constexpr int k1 = 30;  // digits 1..9, then 0
inline constexpr int k0 = 39;
inline constexpr int kTab = 43;
inline constexpr int kSpace = 44;
inline constexpr int kMinus = 45;
inline constexpr int kEquals = 46;
inline constexpr int kLeftBracket = 47;
inline constexpr int kRightBracket = 48;
inline constexpr int kSemicolon = 51;
inline constexpr int kApostrophe = 52;
inline constexpr int kComma = 54;
inline constexpr int kPeriod = 55;
inline constexpr int kSlash = 56;
inline constexpr int kRight = 79;
inline constexpr int kLeft = 80;
inline constexpr int kDown = 81;
inline constexpr int kUp = 82;
inline constexpr int kLeftShift = 225;
inline constexpr int kRightShift = 229;
// Positions are below this.
inline constexpr int kCount = 256;

constexpr int letter(char c) { return kA + (c - 'a'); }

// The position a US keyboard labels `name` ("a", "7", ";", "space", "tab",
// "left", "right", "up", "down", "shift"); kNone for anything else.
int positionForName(const std::string& name);

}  // namespace piano::platform::keypos
