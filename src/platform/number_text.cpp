#include "platform/number_text.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace piano::platform {

namespace without_charconv {

namespace {
std::string printed(const char* format, int precision, double value) {
  const int length = std::snprintf(nullptr, 0, format, precision, value);
  if (length <= 0) return {};
  std::string out(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, precision, value);
  out.pop_back();
  return out;
}
}  // namespace

std::string generalText(double value, int digits) { return printed("%.*g", digits, value); }

std::string fixedText(double value, int decimals) { return printed("%.*f", decimals, value); }

ParsedNumber parseNumber(std::string_view text) {
  ParsedNumber parsed;
  // strtod also takes blanks, "+" and hexadecimal, which the general form does
  // not: the first two are no number, and "0x..." reads as its leading 0.
  std::string_view digits = text.substr(!text.empty() && text.front() == '-' ? 1 : 0);
  if (digits.empty() || digits.front() == '+' || digits.front() == ' ' ||
      (digits.front() >= '\t' && digits.front() <= '\r')) {
    return parsed;
  }
  if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    text = text.substr(0, text.size() - digits.size() + 1);
  }
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str()) return parsed;
  // Too large, or too small to be told from 0; a subnormal value reads as it is.
  if (errno == ERANGE && (value == 0.0 || std::isinf(value))) {
    parsed.status = ParsedNumber::Status::OutOfRange;
  } else {
    parsed.status = ParsedNumber::Status::Ok;
    parsed.value = value;
  }
  return parsed;
}

}  // namespace without_charconv

#if defined(__cpp_lib_to_chars)

namespace {
// Room for the largest double in fixed form.
constexpr std::size_t kLongest = 400;

std::string toChars(double value, std::chars_format format, int precision) {
  char buffer[kLongest];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
  return std::string(buffer, result.ptr);
}
}  // namespace

std::string generalText(double value, int digits) { return toChars(value, std::chars_format::general, digits); }

std::string fixedText(double value, int decimals) { return toChars(value, std::chars_format::fixed, decimals); }

ParsedNumber parseNumber(std::string_view text) {
  ParsedNumber parsed;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed.value, std::chars_format::general);
  if (result.ec == std::errc()) {
    parsed.status = ParsedNumber::Status::Ok;
  } else {
    parsed.status = result.ec == std::errc::result_out_of_range ? ParsedNumber::Status::OutOfRange
                                                                : ParsedNumber::Status::NotANumber;
    parsed.value = 0.0;
  }
  return parsed;
}

#else

std::string generalText(double value, int digits) { return without_charconv::generalText(value, digits); }

std::string fixedText(double value, int decimals) { return without_charconv::fixedText(value, decimals); }

ParsedNumber parseNumber(std::string_view text) { return without_charconv::parseNumber(text); }

#endif

}  // namespace piano::platform
