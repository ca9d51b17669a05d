// Key arithmetic: zones to keys for every start key, display positions, the
// scrolling steps and their bounds, the radar table and the note names.
#include "keyboard/key_numbers.h"

#include <gtest/gtest.h>

#include <vector>

namespace piano::keys {
namespace {

// The white keys of the piano, counted independently of the code under test:
// A, B, C, D, E, F, G repeat with the semitone steps 2 1 2 2 1 2 2.
std::vector<int> pianoWhiteKeys() {
  std::vector<int> whites;
  const int steps[] = {2, 1, 2, 2, 1, 2, 2};
  for (int key = 1, i = 0; key <= 130; key += steps[i++ % 7]) whites.push_back(key);
  return whites;
}

TEST(KeyNumbers, EveryZoneOfEveryStartKeyMapsToItsKeyAndBack) {
  const std::vector<int> whites = pianoWhiteKeys();
  for (std::size_t s = 0; s < 52; ++s) {
    const int start = whites[s];
    ASSERT_TRUE(isWhiteKey(start));
    for (int z = 1; z <= 15; ++z) {
      const int key = whites[s + static_cast<std::size_t>(z - 1)];
      const int offset = keyOffsetForZone(start, z);
      if (key > 88) {
        EXPECT_EQ(offset, kNoKey) << "start " << start << " zone " << z;
        continue;
      }
      ASSERT_EQ(offset, key - start) << "start " << start << " zone " << z;
      bool white = false;
      EXPECT_EQ(displayPositionForKeyOffset(start, offset, &white), z - 1);
      EXPECT_TRUE(white);
    }
    for (int j = 0; j <= 15; ++j) {
      const int below = s + j == 0 ? 0 : whites[s + static_cast<std::size_t>(j) - 1];
      const int above = whites[s + static_cast<std::size_t>(j)];
      const bool hasBlack = j < 15 && s + j > 0 && above - below == 2 && above - 1 <= 88;
      const int offset = keyOffsetForZone(start, 101 + j);
      if (!hasBlack) {
        EXPECT_EQ(offset, kNoKey) << "start " << start << " zone " << 101 + j;
        continue;
      }
      ASSERT_EQ(offset, above - 1 - start) << "start " << start << " zone " << 101 + j;
      bool white = true;
      EXPECT_EQ(displayPositionForKeyOffset(start, offset, &white), j);
      EXPECT_FALSE(white);
    }
  }
}

TEST(KeyNumbers, ZonesFromMiddleCAndTheEnds) {
  std::vector<int> whiteOffsets, blackOffsets;
  for (int z = 1; z <= 15; ++z) whiteOffsets.push_back(keyOffsetForZone(28, z));
  for (int z = 101; z <= 116; ++z) blackOffsets.push_back(keyOffsetForZone(28, z));
  EXPECT_EQ(whiteOffsets, (std::vector<int>{0, 2, 4, 5, 7, 9, 11, 12, 14, 16, 17, 19, 21, 23, 24}));
  EXPECT_EQ(blackOffsets, (std::vector<int>{kNoKey, 1, 3, kNoKey, 6, 8, 10, kNoKey, 13, 15, kNoKey, 18, 20, 22,
                                            kNoKey, kNoKey}));
  EXPECT_EQ(keyOffsetForZone(1, 101), kNoKey);  // below key 1
  EXPECT_EQ(keyOffsetForZone(1, 102), 1);
  EXPECT_EQ(keyOffsetForZone(76, 8), 12);       // key 88
  EXPECT_EQ(keyOffsetForZone(76, 109), kNoKey);  // above key 88
  for (int z : {0, -1, 16, 100, 117, 999, 1001, 516}) EXPECT_EQ(keyOffsetForZone(28, z), kNoKey) << z;
  // A start key that is not white (a damaged state) shows and plays nothing.
  EXPECT_EQ(keyOffsetForZone(29, 1), kNoKey);
  bool white = true;
  EXPECT_EQ(displayPositionForKeyOffset(29, 0, &white), kNotDisplayed);
}

TEST(KeyNumbers, DisplayPositionsOutsideTheWindow) {
  bool white = true;
  EXPECT_EQ(displayPositionForKeyOffset(28, -1, &white), kNotDisplayed);  // B2 is white: below the window
  EXPECT_EQ(displayPositionForKeyOffset(30, -1, &white), 0);  // C#3 below D3: boundary 0
  EXPECT_FALSE(white);
  EXPECT_EQ(displayPositionForKeyOffset(28, -2, &white), kNotDisplayed);
  EXPECT_EQ(displayPositionForKeyOffset(28, 24, &white), 14);  // C5, the fifteenth white key
  EXPECT_EQ(displayPositionForKeyOffset(28, 25, &white), 15);  // C#5 on boundary 15
  EXPECT_EQ(displayPositionForKeyOffset(28, 26, &white), kNotDisplayed);
  EXPECT_EQ(displayPositionForKeyOffset(28, 1000000, &white), kNotDisplayed);
}

TEST(KeyNumbers, ScrollingStepsAndLimits) {
  EXPECT_EQ(keyDown(4), 3);  // C to B
  EXPECT_EQ(keyDown(3), 1);  // B to A
  EXPECT_EQ(keyDown(1), 1);
  EXPECT_EQ(keyUp(28), 30);  // C to D
  EXPECT_EQ(keyUp(32), 33);  // E to F
  for (int start = 1; start < 13; ++start) EXPECT_EQ(octaveDown(start), 1);
  EXPECT_EQ(octaveDown(28), 16);
  EXPECT_EQ(octaveUp(28), 40);
  // Every step from a white key lands on the next white key.
  const std::vector<int> whites = pianoWhiteKeys();
  for (std::size_t i = 1; i + 1 < 52; ++i) {
    EXPECT_EQ(keyUp(whites[i]), whites[i + 1]);
    EXPECT_EQ(keyDown(whites[i]), whites[i - 1]);
  }
  const int limits[] = {76, 75, 73, 71, 69, 68, 66, 64};
  for (int n = 8; n <= 15; ++n) {
    const int limit = upperLimitForNumKeys(n);
    EXPECT_EQ(limit, limits[n - 8]);
    // n white keys from the limit end exactly at key 88.
    EXPECT_EQ(whiteKeyAbove(limit, n - 1), 88) << n;
  }
  EXPECT_EQ(upperLimitForNumKeys(7), 88);
  EXPECT_EQ(upperLimitForNumKeys(16), 88);
}

TEST(KeyNumbers, RadarAndNames) {
  EXPECT_EQ(radarOffset(1), 0.0);
  EXPECT_EQ(radarOffset(3), 8.5);
  EXPECT_EQ(radarOffset(4), 17.0);
  EXPECT_EQ(radarOffset(76), 374.0);
  EXPECT_EQ(radarOffset(2), 0.0);   // black
  EXPECT_EQ(radarOffset(78), 0.0);  // past the table
  EXPECT_EQ(whiteKeyOfPiano(0), 1);
  EXPECT_EQ(whiteKeyOfPiano(44), 76);
  EXPECT_EQ(whiteKeyOfPiano(-5), 1);
  EXPECT_EQ(whiteKeyOfPiano(51), 88);
  EXPECT_EQ(noteName(1), "A0");
  EXPECT_EQ(noteName(3), "B0");
  EXPECT_EQ(noteName(4), "C1");
  EXPECT_EQ(noteName(40), "C4");
  EXPECT_EQ(noteName(88), "C8");
  EXPECT_EQ(noteName(whiteKeyAbove(88, 7)), "C9");
}

}  // namespace
}  // namespace piano::keys
