#include "keyboard/key_zones.h"

namespace piano {

namespace {

// Lower bounds along y of the top bar's buttons, in order of y, and the zone
// each one starts; a point takes the last bound it reaches.
struct BarButton {
  float normal;
  float tall;
  int zone;
};

constexpr BarButton kSingleBar[] = {
    {0, 0, zone::kOctaveDown},      {47, 68, zone::kKeyDown},
    {91, 117, zone::kPlay},         {147, 177, zone::kRecord},
    {195, 232, zone::kSongLibrary}, {242, 284, zone::kSettings},
    {288, 331, zone::kSoftPedal},   {339, 390, zone::kSustainPedal},
    {389, 446, zone::kKeyUp},       {435, 497, zone::kOctaveUp},
};

// The scroll lock sits at both ends of the two-keyboard bar.
constexpr BarButton kDualBar[] = {
    {0, 0, zone::kScrollLock},      {91, 124, zone::kPlay},
    {147, 177, zone::kRecord},      {195, 232, zone::kSongLibrary},
    {242, 284, zone::kSettings},    {288, 331, zone::kSoftPedal},
    {339, 390, zone::kSustainPedal}, {389, 446, zone::kScrollLock},
};

template <int N>
int barZone(const BarButton (&bar)[N], float y, bool tall) {
  int result = bar[0].zone;
  for (const BarButton& button : bar) {
    if (y >= (tall ? button.tall : button.normal)) result = button.zone;
  }
  return result;
}

// End-border buttons by x, low end first: key down lower, octave down lower,
// key down upper, octave down upper; the high end has the "up" counterparts.
// Beyond the last bound lies no button.
constexpr int kBorderButtons = 4;
constexpr float kBorderBounds[kBorderButtons + 1] = {0, 70, 136, 200, 270};
constexpr int kLowBorderZones[kBorderButtons] = {zone::kKeyDown, zone::kOctaveDown, zone::kUpperKeyDown,
                                                 zone::kUpperOctaveDown};
constexpr int kHighBorderZones[kBorderButtons] = {zone::kKeyUp, zone::kOctaveUp, zone::kUpperKeyUp,
                                                  zone::kUpperOctaveUp};

int borderZone(float x, bool lowEnd) {
  for (int i = 0; i < kBorderButtons; ++i) {
    if (x < kBorderBounds[i + 1]) return lowEnd ? kLowBorderZones[i] : kHighBorderZones[i];
  }
  return zone::kDeadArea;
}

constexpr float kBarFrom = 273;    // the top bar: x above this
constexpr float kLowBorder = 30;   // two keyboards: y below this
constexpr float kHighBorder[] = {450, 537};  // y above this (normal, tall)
constexpr float kLength[] = {480, 568};

template <int N>
void addBar(const BarButton (&bar)[N], bool tall, std::vector<ButtonArea>* out) {
  for (int i = 0; i < N; ++i) {
    const float y0 = tall ? bar[i].tall : bar[i].normal;
    const float y1 = i + 1 < N ? (tall ? bar[i + 1].tall : bar[i + 1].normal) : kLength[tall];
    out->push_back({bar[i].zone, {kBarFrom, y0, 320 - kBarFrom, y1 - y0}, true});
  }
}

// The integer part (truncation toward zero). A position that gives no finite
// number (no scale set yet, a point from far off the screen) is zone 0, which
// holds no key, rather than an undefined conversion.
int truncate(float value) {
  if (!(value > -1e6f && value < 1e6f)) return 0;
  return static_cast<int>(value);
}

}  // namespace

int KeyZoneGeometry::zoneAt(float x, float y) const {
  if (!dualKeyboard) {
    if (x > 273) return barZone(kSingleBar, y, tallScreen);
    if (x > 236) return zone::kRadar;
    if (x < 112) return truncate(y / keySize + 1);
    return truncate((y - blackKeyOffset) / keySize + 102);
  }
  if (x > kBarFrom) return barZone(kDualBar, y, tallScreen);
  if (y < kLowBorder) return borderZone(x, true);
  if (y > kHighBorder[tallScreen]) return borderZone(x, false);
  const float along = y - kLowBorder;  // the keys start after the low-end border
  if (x < 130) {
    if (x < 58) return truncate(along / keySize + 1);
    return truncate((along - blackKeyOffset) / keySize + 102);
  }
  if (x < 194) return truncate(along / keySize + 1) + zone::kUpperKeyboard;
  return truncate((along - blackKeyOffset) / keySize + 102) + zone::kUpperKeyboard;
}

std::vector<ButtonArea> KeyZoneGeometry::buttonAreas() const {
  std::vector<ButtonArea> out;
  if (!dualKeyboard) {
    addBar(kSingleBar, tallScreen, &out);
    return out;
  }
  addBar(kDualBar, tallScreen, &out);
  for (bool lowEnd : {true, false}) {
    const float y0 = lowEnd ? 0 : kHighBorder[tallScreen];
    const float y1 = lowEnd ? kLowBorder : kLength[tallScreen];
    for (int i = 0; i < kBorderButtons; ++i) {
      const float x0 = kBorderBounds[i], x1 = kBorderBounds[i + 1];
      out.push_back({lowEnd ? kLowBorderZones[i] : kHighBorderZones[i], {x0, y0, x1 - x0, y1 - y0}, false});
    }
  }
  return out;
}

float KeyZoneGeometry::expressionAt(float x, float /*y*/) const {
  if (dualKeyboard) return 1.0f;
  if (x < 112) return (112 - x) / 112 + 0.25f;
  return (228 - x) / 112 + 0.25f;
}

}  // namespace piano
