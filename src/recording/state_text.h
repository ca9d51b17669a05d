// Pieces of the state text shared by every section: the field formats, a reader
// that splits a section into its "|"-ended fields, and the checks that keep
// values read from a file inside the ranges the program is built for.
//
// Threads: pure functions and a value type; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace piano {

// The squeezed float form: "0" for 0 (and -0), "1" for 1, otherwise the value
// widened to double in "%g" form (six significant digits, e.g. "-8e-05").
std::string squeezeFloat(float value);

namespace state_text {

// Writers: each appends one field and its "|".
void appendInt(std::string& out, long long value);
void appendBool(std::string& out, bool value);
void appendSqueezed(std::string& out, float value);
void appendFixed(std::string& out, double value);  // "%f": six decimals

// Field values as the format reads them: leading blanks and a sign, then as many
// characters as make a number; text that is not a number reads as 0. Integers
// beyond the 32-bit range saturate. A double may come out as NaN or infinity
// ("nan", "inf", or a number too large for a double); callers check.
int parseInt(std::string_view field);
double parseDouble(std::string_view field);

// The fields of one section, split at every "|" the way the sections were
// always split: "a|b|" holds three fields, the last one empty. A field past the
// end is missing, which makes the whole text unreadable.
class FieldReader {
 public:
  explicit FieldReader(std::string_view section);

  bool nextInt(int& value);
  bool nextBool(bool& value);  // non-zero is true
  bool nextDouble(double& value);
  bool nextField(std::string_view& field);
  std::size_t remaining() const { return fields_.size() - next_; }

 private:
  std::vector<std::string_view> fields_;
  std::size_t next_ = 0;
};

// Splits a whole state text at every "@".
std::vector<std::string_view> splitSections(std::string_view text);

// ---- checks on values read from a file

// NaN reads as 0; everything else is held to the range.
double holdVolume(double value);       // 0..1
double holdAttackRate(double value);   // 0..1
double holdReleaseRate(double value);  // -1..0

inline constexpr int kMinMetronomeBPM = 50;
inline constexpr int kMaxMetronomeBPM = 250;
inline constexpr int kMinMetronomeBeatsPerBar = 1;
inline constexpr int kMaxMetronomeBeatsPerBar = 6;
int holdMetronomeBPM(int bpm);
int holdMetronomeBeatsPerBar(int beats);

// Main-section checks (the root view's fields).
inline constexpr int kMinKeysToDisplay = 8;
inline constexpr int kMaxKeysToDisplay = 15;
// A count outside 8..15 reads as 8.
int readNumKeysToDisplay(int value);

// True when `text` is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

}  // namespace state_text
}  // namespace piano
