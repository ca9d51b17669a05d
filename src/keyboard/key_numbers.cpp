#include "keyboard/key_numbers.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>

namespace piano::keys {

namespace {

int noteOf(int key) { return ((key % 12) + 12) % 12; }

}  // namespace

bool isWhiteKey(int key) {
  switch (noteOf(key)) {
    case 1: case 3: case 4: case 6: case 8: case 9: case 11: return true;
    default: return false;
  }
}

int whiteKeyAbove(int key, int steps) {
  for (; steps > 0; --steps) key += isWhiteKey(key + 1) ? 1 : 2;
  for (; steps < 0; ++steps) key -= isWhiteKey(key - 1) ? 1 : 2;
  return key;
}

int keyOffsetForZone(int startKey, int zone) {
  if (!isWhiteKey(startKey)) return kNoKey;
  int key = 0;
  if (zone >= 1 && zone <= kNumWhiteKeyViews) {
    key = whiteKeyAbove(startKey, zone - 1);
  } else if (zone >= 101 && zone <= 115) {
    // A black key sits between two white keys a whole tone apart.
    const int j = zone - 101;
    const int below = whiteKeyAbove(startKey, j - 1);
    const int above = whiteKeyAbove(startKey, j);
    if (above - below != 2) return kNoKey;
    key = above - 1;
  } else {
    return kNoKey;
  }
  if (key < 1 || key > kNumPianoKeys) return kNoKey;
  return key - startKey;
}

int displayPositionForKeyOffset(int startKey, int keyOffset, bool* white) {
  if (!isWhiteKey(startKey)) return kNotDisplayed;
  // Offsets beyond the widest window cannot be shown (and the sum cannot overflow).
  if (keyOffset < -1 || keyOffset > 2 * kNumWhiteKeyViews) return kNotDisplayed;
  const int key = startKey + keyOffset;
  // White keys from the start key up to (not including) the key.
  int whitesBelow = 0;
  for (int k = startKey; k < key; ++k) whitesBelow += isWhiteKey(k) ? 1 : 0;
  if (isWhiteKey(key)) {
    if (keyOffset < 0 || whitesBelow >= kNumWhiteKeyViews) return kNotDisplayed;
    if (white != nullptr) *white = true;
    return whitesBelow;
  }
  if (whitesBelow >= kNumBlackKeyViews) return kNotDisplayed;
  if (white != nullptr) *white = false;
  return whitesBelow;
}

int upperLimitForNumKeys(int numKeysToDisplay) {
  constexpr std::array<int, 8> kLimits = {76, 75, 73, 71, 69, 68, 66, 64};
  if (numKeysToDisplay < 8 || numKeysToDisplay > 15) return kNumPianoKeys;
  return kLimits[static_cast<std::size_t>(numKeysToDisplay - 8)];
}

int octaveDown(int startKey) { return std::max(1, startKey - 12); }

int keyDown(int startKey) {
  // A, B, D, E and G have a black key below them.
  switch (noteOf(startKey)) {
    case 1: case 3: case 6: case 8: case 11: return std::max(1, startKey - 2);
    default: return std::max(1, startKey - 1);
  }
}

int keyUp(int startKey) {
  // A, C, D, F and G have a black key above them.
  switch (noteOf(startKey)) {
    case 1: case 4: case 6: case 9: case 11: return startKey + 2;
    default: return startKey + 1;
  }
}

int octaveUp(int startKey) { return startKey + 12; }

double radarOffset(int startKey) {
  if (startKey < 1 || startKey > 76 || !isWhiteKey(startKey)) return 0.0;
  int whitesBelow = 0;
  for (int k = 1; k < startKey; ++k) whitesBelow += isWhiteKey(k) ? 1 : 0;
  return 8.5 * whitesBelow;
}

int whiteKeyOfPiano(int i) { return whiteKeyAbove(1, std::clamp(i, 0, kNumWhiteKeysOnPiano - 1)); }

int octaveNumber(int key) { return (key + 8) / 12; }

std::string noteName(int key) {
  const char* letter = "?";
  switch (noteOf(key)) {
    case 1: letter = "A"; break;
    case 3: letter = "B"; break;
    case 4: letter = "C"; break;
    case 6: letter = "D"; break;
    case 8: letter = "E"; break;
    case 9: letter = "F"; break;
    case 11: letter = "G"; break;
    default: break;
  }
  return letter + std::to_string(octaveNumber(key));
}

int readStartKey(int key, int numKeysToDisplay, int defaultKey) {
  return isWhiteKey(key) && key <= upperLimitForNumKeys(numKeysToDisplay) ? key : defaultKey;
}

std::vector<int> sampleSlotsNearestFirst(const std::vector<int>& startKeys, int numWhiteKeys) {
  // Rank of a key: its distance outside the nearest window (0 inside), then its
  // distance from that window's middle, in half keys.
  struct Ranked {
    int outside, fromMiddle, slot;
    bool operator<(const Ranked& o) const { return std::tie(outside, fromMiddle, slot) < std::tie(o.outside, o.fromMiddle, o.slot); }
  };
  std::vector<Ranked> ranked;
  for (int key = 1; key <= kNumPianoKeys; ++key) {
    Ranked best{kNumPianoKeys, 2 * kNumPianoKeys, key - 1};
    for (const int first : startKeys) {
      const int last = whiteKeyAbove(first, std::max(1, numWhiteKeys) - 1);
      const int outside = key < first ? first - key : std::max(0, key - last);
      best = std::min(best, Ranked{outside, std::abs(2 * key - first - last), key - 1});
    }
    ranked.push_back(best);
  }
  // The clicks after the shown keys, before any key out of sight.
  ranked.push_back({1, -2, kMetronomeHiSlot});
  ranked.push_back({1, -1, kMetronomeLowSlot});
  std::sort(ranked.begin(), ranked.end());
  std::vector<int> slots;
  for (const Ranked& r : ranked) slots.push_back(r.slot);
  return slots;
}

}  // namespace piano::keys
