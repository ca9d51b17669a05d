// Key arithmetic: every zone of every start key to its key and back, the ends
// of the piano, scrolling steps and limits, the radar table and note names.
#include "keyboard/key_numbers.h"

#include <gtest/gtest.h>

#include <vector>

namespace piano::keys {
namespace {

// White keys counted independently: A B C D E F G with steps 2 1 2 2 1 2 2.
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
    for (int j = 0; j <= 15; ++j) {
      const int white = whites[s + static_cast<std::size_t>(std::min(j, 14))];
      if (j < 15) {
        const int offset = keyOffsetForZone(start, j + 1);
        EXPECT_EQ(offset, white > 88 ? kNoKey : white - start) << start << " zone " << j + 1;
        bool isWhite = false;
        if (white <= 88) {
          EXPECT_EQ(displayPositionForKeyOffset(start, offset, &isWhite), j);
          EXPECT_TRUE(isWhite);
        }
      }
      // Black zone 101 + j: between W(j - 1) and W(j), a whole tone apart.
      const int above = whites[s + static_cast<std::size_t>(j)];
      const bool hasBlack = j < 15 && s + j > 0 && above - whites[s + j - 1] == 2 && above - 1 <= 88;
      const int offset = keyOffsetForZone(start, 101 + j);
      EXPECT_EQ(offset, hasBlack ? above - 1 - start : kNoKey) << start << " zone " << 101 + j;
      bool isWhite = true;
      if (hasBlack) {
        EXPECT_EQ(displayPositionForKeyOffset(start, offset, &isWhite), j);
        EXPECT_FALSE(isWhite);
      }
    }
  }
  std::vector<int> blackOffsets;
  for (int z = 101; z <= 116; ++z) blackOffsets.push_back(keyOffsetForZone(28, z));
  EXPECT_EQ(blackOffsets, (std::vector<int>{kNoKey, 1, 3, kNoKey, 6, 8, 10, kNoKey, 13, 15, kNoKey, 18, 20, 22,
                                            kNoKey, kNoKey}));
  for (int z : {0, -1, 16, 100, 117, 999, 1001}) EXPECT_EQ(keyOffsetForZone(28, z), kNoKey) << z;
  bool white = true;
  EXPECT_EQ(keyOffsetForZone(29, 1), kNoKey);  // a start key that is not white plays nothing
  EXPECT_EQ(displayPositionForKeyOffset(29, 0, &white), kNotDisplayed);
  EXPECT_EQ(displayPositionForKeyOffset(28, -1, &white), kNotDisplayed);  // B2, below the window
  EXPECT_EQ(displayPositionForKeyOffset(28, 25, &white), 15);             // C#5 on boundary 15
  EXPECT_EQ(displayPositionForKeyOffset(28, 1 << 30, &white), kNotDisplayed);
}

TEST(KeyNumbers, StartKeysReadFromAFileMustBeWhiteAndWithinTheLimit) {
  EXPECT_EQ(readStartKey(76, 8, 28), 76);
  EXPECT_EQ(readStartKey(76, 15, 28), 28) << "past the limit for 15 keys (64)";
  EXPECT_EQ(readStartKey(2, 8, 28), 28) << "A sharp is a black key";
  EXPECT_EQ(readStartKey(-5, 8, 52), 52);
  EXPECT_EQ(readStartKey(89, 8, 52), 52);
  EXPECT_EQ(readStartKey(1, 8, 28), 1);
}

TEST(KeyNumbers, StepsLimitsRadarAndNames) {
  EXPECT_EQ(keyDown(4), 3);
  EXPECT_EQ(keyDown(3), 1);
  EXPECT_EQ(keyDown(1), 1);
  EXPECT_EQ(keyUp(28), 30);
  EXPECT_EQ(keyUp(32), 33);
  EXPECT_EQ(octaveDown(12), 1);
  const std::vector<int> whites = pianoWhiteKeys();
  for (std::size_t i = 1; i + 1 < 52; ++i) {
    EXPECT_EQ(keyUp(whites[i]), whites[i + 1]);
    EXPECT_EQ(keyDown(whites[i]), whites[i - 1]);
  }
  for (int n = 8; n <= 15; ++n) EXPECT_EQ(whiteKeyAbove(upperLimitForNumKeys(n), n - 1), 88) << n;
  EXPECT_EQ(upperLimitForNumKeys(8), 76);
  EXPECT_EQ(upperLimitForNumKeys(16), 88);
  EXPECT_EQ(radarOffset(3), 8.5);
  EXPECT_EQ(radarOffset(76), 374.0);
  EXPECT_EQ(radarOffset(78), 0.0);
  EXPECT_EQ(whiteKeyOfPiano(44), 76);
  EXPECT_EQ(noteName(1) + noteName(4) + noteName(40) + noteName(88) + noteName(whiteKeyAbove(88, 7)), "A0C1C4C8C9");
}

}  // namespace
}  // namespace piano::keys
