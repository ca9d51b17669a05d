#include "recording/state_text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

#include "platform/number_text.h"

namespace piano {

namespace {

void appendChars(std::string& out, const char* begin, const char* end) { out.append(begin, end); }

std::string_view skipBlanks(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' ||
                          s[i] == '\f' || s[i] == '\v')) {
    ++i;
  }
  return s.substr(i);
}

}  // namespace

std::string squeezeFloat(float value) {
  if (value == 0.0f) return "0";
  if (value == 1.0f) return "1";
  return platform::generalText(static_cast<double>(value), 6);
}

namespace state_text {

void appendInt(std::string& out, long long value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  appendChars(out, buffer, result.ptr);
  out += '|';
}

void appendBool(std::string& out, bool value) { out += value ? "1|" : "0|"; }

void appendSqueezed(std::string& out, float value) {
  out += squeezeFloat(value);
  out += '|';
}

void appendFixed(std::string& out, double value) {
  out += platform::fixedText(value, 6);
  out += '|';
}

int parseInt(std::string_view field) {
  std::string_view s = skipBlanks(field);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  long long value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturates below
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double parseDouble(std::string_view field) {
  std::string_view s = skipBlanks(field);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    // "+-1" is not a number.
    if (!s.empty() && s.front() == '-') return 0.0;
  }
  const platform::ParsedNumber parsed = platform::parseNumber(s);
  if (parsed.status == platform::ParsedNumber::Status::OutOfRange) return std::numeric_limits<double>::quiet_NaN();
  return parsed.value;
}

FieldReader::FieldReader(std::string_view section) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = section.find('|', start);
    if (bar == std::string_view::npos) {
      fields_.push_back(section.substr(start));
      break;
    }
    fields_.push_back(section.substr(start, bar - start));
    start = bar + 1;
  }
}

bool FieldReader::nextField(std::string_view& field) {
  if (next_ >= fields_.size()) return false;
  field = fields_[next_++];
  return true;
}

bool FieldReader::nextInt(int& value) {
  std::string_view field;
  if (!nextField(field)) return false;
  value = parseInt(field);
  return true;
}

bool FieldReader::nextBool(bool& value) {
  int number = 0;
  if (!nextInt(number)) return false;
  value = number != 0;
  return true;
}

bool FieldReader::nextDouble(double& value) {
  std::string_view field;
  if (!nextField(field)) return false;
  value = parseDouble(field);
  return true;
}

std::vector<std::string_view> splitSections(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find('@', start);
    if (at == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

double holdVolume(double value) { return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0); }
double holdAttackRate(double value) { return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0); }
double holdReleaseRate(double value) { return std::isnan(value) ? 0.0 : std::clamp(value, -1.0, 0.0); }

int holdMetronomeBPM(int bpm) { return std::clamp(bpm, kMinMetronomeBPM, kMaxMetronomeBPM); }
int holdMetronomeBeatsPerBar(int beats) {
  return std::clamp(beats, kMinMetronomeBeatsPerBar, kMaxMetronomeBeatsPerBar);
}

int readNumKeysToDisplay(int value) {
  return value >= kMinKeysToDisplay && value <= kMaxKeysToDisplay ? value : kMinKeysToDisplay;
}

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int length = 0;
    std::uint32_t code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      code = c & 0x07u;
    } else {
      return false;
    }
    if (n - i < static_cast<std::size_t>(length)) return false;
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += static_cast<std::size_t>(length);
  }
  return true;
}

}  // namespace state_text
}  // namespace piano
