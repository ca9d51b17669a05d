#include "platform/key_positions.h"

#include <array>
#include <utility>

namespace piano::platform::keypos {

int positionForName(const std::string& name) {
  if (name.size() == 1) {
    const char c = name[0];
    if (c >= 'a' && c <= 'z') return letter(c);
    if (c >= '1' && c <= '9') return k1 + (c - '1');
  }
  static constexpr std::array<std::pair<const char*, int>, 18> kNamed{{
      {"0", k0}, {"-", kMinus}, {"=", kEquals}, {"[", kLeftBracket}, {"]", kRightBracket},
      {";", kSemicolon}, {"'", kApostrophe}, {",", kComma}, {".", kPeriod}, {"/", kSlash},
      {"space", kSpace}, {"tab", kTab}, {"left", kLeft}, {"right", kRight}, {"up", kUp},
      {"down", kDown}, {"shift", kLeftShift}, {"rshift", kRightShift},
  }};
  for (const auto& [n, position] : kNamed) {
    if (name == n) return position;
  }
  return kNone;
}

}  // namespace piano::platform::keypos
