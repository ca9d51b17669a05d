// Key arithmetic against white keys counted independently: every zone of
// every start key to its key and back, the ends of the piano, scrolling steps
// and limits, start keys read from a file, the radar and note names.
#include "keyboard/key_numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <vector>

namespace piano::keys {
namespace {

// A B C D E F G with steps 2 1 2 2 1 2 2, on past key 88.
std::vector<int> pianoWhiteKeys() {
  std::vector<int> whites;
  const int steps[] = {2, 1, 2, 2, 1, 2, 2};
  for (int key = 1, i = 0; key <= 130; key += steps[i++ % 7]) whites.push_back(key);
  return whites;
}

TEST(KeyNumbers, EveryZoneOfEveryStartKeyMapsToItsKeyAndBack) {
  const std::vector<int> w = pianoWhiteKeys();
  auto at = [&w](int i) { return w[static_cast<std::size_t>(i)]; };
  for (int s = 0; s < 52; ++s) {
    for (int j = 0; j < 15; ++j) {  // white zone j + 1: the j-th white key above the start
      const int key = at(s + j), offset = keyOffsetForZone(at(s), j + 1);
      bool white = false;
      EXPECT_EQ(offset, key > 88 ? kNoKey : key - at(s)) << at(s) << " zone " << j + 1;
      EXPECT_EQ(displayPositionForKeyOffset(at(s), offset, &white), key > 88 ? kNotDisplayed : j);
      EXPECT_EQ(white, key <= 88);
    }
    for (int j = 0; j <= 15; ++j) {  // black zone 101 + j: between white keys j - 1 and j, a whole tone apart
      const bool has = j < 15 && s + j > 0 && at(s + j) - at(s + j - 1) == 2 && at(s + j) - 1 <= 88;
      const int offset = keyOffsetForZone(at(s), 101 + j);
      bool white = true;
      EXPECT_EQ(offset, has ? at(s + j) - 1 - at(s) : kNoKey) << at(s) << " zone " << 101 + j;
      EXPECT_EQ(displayPositionForKeyOffset(at(s), offset, &white), has ? j : kNotDisplayed);
      EXPECT_EQ(white, !has);
    }
  }
  for (int z : {0, -1, 16, 100, 117, 999}) EXPECT_EQ(keyOffsetForZone(28, z), kNoKey) << z;
  EXPECT_EQ(keyOffsetForZone(29, 1), kNoKey);  // a start key that is not white plays nothing
  bool white = true;
  // Not displayed: any key of a start key that is not white, B2 below C3, keys far above.
  for (const auto& [start, offset] : {std::pair{29, 0}, {28, -1}, {28, 1 << 30}}) {
    EXPECT_EQ(displayPositionForKeyOffset(start, offset, &white), kNotDisplayed) << start << " " << offset;
  }
  EXPECT_EQ(displayPositionForKeyOffset(28, 25, &white), 15);  // C sharp 5 on boundary 15
}

TEST(KeyNumbers, StepsLimitsStartKeysRadarAndNames) {
  const std::vector<int> w = pianoWhiteKeys();
  for (std::size_t i = 1; i + 1 < 52; ++i) {
    EXPECT_EQ(keyUp(w[i]), w[i + 1]);
    EXPECT_EQ(keyDown(w[i]), w[i - 1]);
    EXPECT_EQ(whiteKeyOfPiano(static_cast<int>(i)), w[i]);
    EXPECT_EQ(radarOffset(w[i]), w[i] <= 76 ? 8.5 * static_cast<double>(i) : 0.0);
  }
  EXPECT_EQ(keyDown(1), 1);
  EXPECT_EQ(octaveDown(12), 1);
  for (int n = 8; n <= 15; ++n) EXPECT_EQ(whiteKeyAbove(upperLimitForNumKeys(n), n - 1), 88) << n;
  EXPECT_EQ(upperLimitForNumKeys(16), 88);
  // Start keys from a file: white and within the limit, else the default.
  for (const auto& [key, keys, expected] : {std::tuple{76, 8, 76}, {76, 15, 28}, {2, 8, 28}, {-5, 8, 28}, {89, 8, 28},
                                            {1, 8, 1}}) {
    EXPECT_EQ(readStartKey(key, keys, 28), expected) << key << " with " << keys << " keys";
  }
  EXPECT_EQ(noteName(1) + noteName(4) + noteName(40) + noteName(88) + noteName(whiteKeyAbove(88, 7)), "A0C1C4C8C9");
}

TEST(KeyNumbers, SampleOrderLoadsEverySlotOnceTheShownKeysFromTheirMiddleFirst) {
  // Windows, white keys shown, the first slots, how many slots are shown keys.
  for (const auto& [starts, whites, first, shown] :
       {std::tuple{std::vector{28}, 15, std::vector{39, 38, 40, 37}, 25},  // C3..C5: C4 first
        {std::vector{1}, 8, std::vector{6, 5, 7}, 13},                     // A0..A1
        {std::vector{28, 52}, 8, std::vector{33, 57, 32, 34}, 26},         // C3..C4 and C5..C6
        {std::vector<int>{}, 0, std::vector{88, 89, 0, 1}, 0}}) {          // nothing shown: the clicks, then low to high
    const std::vector<int> order = sampleSlotsNearestFirst(starts, whites);
    std::vector<int> sorted = order, all(kNumSampleSlots);
    std::sort(sorted.begin(), sorted.end());
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(sorted, all) << "every slot once";
    EXPECT_TRUE(std::equal(first.begin(), first.end(), order.begin())) << starts.size() << " " << order[0];
    if (shown == 0) continue;
    for (int i = 0; i < shown; ++i) EXPECT_LT(order[static_cast<std::size_t>(i)], kNumPianoKeys) << i;
    EXPECT_EQ(std::vector(order.begin() + shown, order.begin() + shown + 2), std::vector({kMetronomeHiSlot, kMetronomeLowSlot}));
  }
}

}  // namespace
}  // namespace piano::keys
