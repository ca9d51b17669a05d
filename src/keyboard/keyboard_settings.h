// The player's keyboard settings in one record. The root view keeps it for
// the life of the process and writes it from the settings screen and the
// state text; both keyboard views and their key press engines read it, and
// the pedal buttons of either keyboard toggle its pedals (one piano, one pair
// of pedals).
//
// Threads: the record, main thread only; the functions, any thread.
#pragma once

namespace piano {

// How the finger's position on a key shapes its note. The numbers are the
// ones the state text stores and the settings screen steps through ("NO",
// "VOLUME", "SUSTAIN", "SOFT").
enum class ExpressionFunction { kNone = 0, kVolume = 1, kSustain = 2, kSoft = 3 };

// Which white keys carry the name of their note ("NO", "LEFT KEY", "ALL
// KEYS", "COLOURED"), numbered as stored.
enum class NoteNaming { kNone = 0, kLowestKey = 1, kAllKeys = 2, kColoured = 3 };

// A mode number from a file or a screen: 0..3 as it stands, anything else
// reads as `fresh` (the value of a fresh start).
template <typename Mode>
constexpr Mode modeFromNumber(int number, Mode fresh) {
  return number >= 0 && number <= 3 ? static_cast<Mode>(number) : fresh;
}

// Sustain times are release rates, the voice level's change per frame. The
// settings screen shows them as a fraction f of 0..1: r = -(1 - f) * 0.00016,
// with 1 - f formed in single precision (f held to 0..1; NaN reads as 0).
inline constexpr double kSustainRange = 0.00016;
constexpr double releaseRateForFraction(float fraction) {
  if (!(fraction >= 0.0f)) fraction = 0.0f;
  if (fraction > 1.0f) fraction = 1.0f;
  return -static_cast<double>(1.0f - fraction) * kSustainRange;
}
constexpr float fractionForReleaseRate(double rate) { return static_cast<float>(rate / kSustainRange + 1.0); }

// The defaults are those of a fresh start and of a reset.
struct KeyboardSettings {
  int numKeysToDisplay = 8;  // white keys across the screen, 8..15
  ExpressionFunction expressionFunction = ExpressionFunction::kVolume;
  NoteNaming displayNoteNames = NoteNaming::kLowestKey;
  double sustainTimeNormal = releaseRateForFraction(0.5f);  // -0.00008
  double sustainTimePedal = releaseRateForFraction(0.9f);   // about -0.000016
  bool softPedalPressed = false;
  bool sustainPedalPressed = false;

  friend bool operator==(const KeyboardSettings&, const KeyboardSettings&) = default;
};

}  // namespace piano
