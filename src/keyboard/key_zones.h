// Key zones: the number the touch layer gives each finger position. White keys,
// black-key positions, the radar strip and the buttons of the bar and of the
// end borders each have their own range, so that one integer tells the keyboard
// view what a finger is on.
//
// Threads: plain constants and pure functions; any thread.
#pragma once

#include <vector>

#include "platform/geometry.h"

namespace piano::zone {

inline constexpr int kDeadArea = -1;  // end-border area without a button (two keyboards)

// White key at display position zone - 1 (0..14), counted from the low end.
inline constexpr int kFirstWhite = 1;
inline constexpr int kLastWhite = 15;
// Black-key position on boundary zone - 101 (0..15) between white positions
// j - 1 and j (boundary 0 is the low edge of the first white key).
inline constexpr int kFirstBlack = 101;
inline constexpr int kLastBlack = 116;
// Added to the key zones of the upper keyboard of the two-keyboard view.
inline constexpr int kUpperKeyboard = 500;

inline constexpr int kRadar = 999;
inline constexpr int kOctaveDown = 1001;
inline constexpr int kKeyDown = 1002;
inline constexpr int kKeyUp = 1003;
inline constexpr int kOctaveUp = 1004;
inline constexpr int kUpperOctaveDown = 1005;
inline constexpr int kUpperKeyDown = 1006;
inline constexpr int kUpperKeyUp = 1007;
inline constexpr int kUpperOctaveUp = 1008;
inline constexpr int kRecord = 1009;
inline constexpr int kPlay = 1010;
inline constexpr int kSettings = 1011;
inline constexpr int kSoftPedal = 1012;
inline constexpr int kSustainPedal = 1013;
inline constexpr int kScrollLock = 1014;
inline constexpr int kSongLibrary = 1015;

inline constexpr bool isWhiteZone(int z) { return z >= kFirstWhite && z <= kLastWhite; }
inline constexpr bool isBlackZone(int z) { return z >= kFirstBlack && z <= kLastBlack; }
// A button of the top bar or of an end border.
inline constexpr bool isButtonZone(int z) { return z >= kOctaveDown && z <= kSongLibrary; }

}  // namespace piano::zone

namespace piano {

// Where the hit test finds one button: on the top bar, or on an end border.
struct ButtonArea {
  int zone = 0;
  platform::Rect rect;
  bool onBar = true;
};

// What the hit test needs to know of the layout. Positions are in the
// keyboard view's portrait space: x across the keys (0 at the player's edge),
// y along the keyboard (0 at its low end, up to 480, or 568 on the tall screen).
struct KeyZoneGeometry {
  bool dualKeyboard = false;
  bool tallScreen = false;
  float keySize = 0.0f;         // one white key along y: 60 x scale
  float blackKeyOffset = 0.0f;  // half a white key: 30 x scale

  // The key zone under (x, y). Bounds are strict as documented per row: the
  // top bar begins above x = 273, the radar above x = 236, the white-key row
  // is below x = 112. Zones past the last displayed key are returned as
  // computed (they may exceed 15 or 116, or be 0 and 100 for points below the
  // keyboard's low end); the keyboard view treats them as no key.
  int zoneAt(float x, float y) const;

  // Loudness from the finger's distance to the near end of the row it touches:
  // 1.25 at the near end of the white keys, falling by 1 per 112 points; the
  // black-key row starts again at about 1.27. Always 1.0 with two keyboards.
  // Not clipped: the keyboard view clips it to 1.0 where it becomes a volume.
  float expressionAt(float x, float y) const;

  // Every button of this layout where zoneAt finds it (the scroll lock of two
  // keyboards twice, once at each end of the bar).
  std::vector<ButtonArea> buttonAreas() const;
};

}  // namespace piano
