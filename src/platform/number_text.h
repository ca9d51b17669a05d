// Floating-point numbers to and from text, in the same form whatever the locale:
// std::to_chars and std::from_chars where the C++ library has them for floating
// point, and printf and strtod where it has only the integer forms (the
// WebAssembly build's library), which there always run in the "C" locale.
//
// Threads: pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace piano::platform {

// "%.*g": `digits` significant digits, the shorter of fixed and exponent form.
std::string generalText(double value, int digits);
// "%.*f": `decimals` digits after the point.
std::string fixedText(double value, int decimals);

// A number at the start of `text` as std::from_chars reads it in general form:
// an optional "-", then decimal digits with point and exponent, "inf" or "nan";
// no blanks, no "+", no hexadecimal. Reading stops at the first character that
// does not belong to the number. `value` is 0 unless the status is Ok.
struct ParsedNumber {
  enum class Status { Ok, NotANumber, OutOfRange };
  Status status = Status::NotANumber;
  double value = 0.0;
};
ParsedNumber parseNumber(std::string_view text);

// The printf and strtod forms, used where charconv falls short; built
// everywhere so that tests hold both to the same results (in the "C" locale).
namespace without_charconv {
std::string generalText(double value, int digits);
std::string fixedText(double value, int decimals);
ParsedNumber parseNumber(std::string_view text);
}  // namespace without_charconv

}  // namespace piano::platform
