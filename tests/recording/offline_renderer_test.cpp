// The offline renderer: the same playback as the thread, on a virtual clock.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/sound_player.h"
#include "recording/offline_renderer.h"

namespace piano {
namespace {

// Slot 0 from `from` to `to` seconds at the given release rate, with panning on or off.
std::string song(const char* from, const char* to, const char* release, bool pan = true) {
  return std::string("Version 2@-8e-05|-1.6e-05|0|0|1|1|") + (pan ? "1" : "0") + "|8|0|28|28|52|@0|120|0.5|4|" +
         "1|2|1|0|" + from + "|0|1|1|" + release + "|0|" + to + "|0|@";
}

// A renderer whose slots hold `seconds` of a constant 10000, keeping what it renders.
struct Renderer : OfflineRenderer {
  explicit Renderer(double seconds, Settings settings = {}) : OfflineRenderer(settings) {
    for (int s = 0; s < kNumSampleSlots; ++s) {
      soundPlayer().setSampleData(s, std::vector<std::int16_t>(static_cast<std::size_t>(seconds * 44100), 10000));
    }
  }
  std::vector<std::int16_t> audio;
  Result run() {
    audio.clear();
    return render([this](const std::int16_t* frames, int count) {
      return audio.insert(audio.end(), frames, frames + 2 * count), true;
    });
  }
};

TEST(OfflineRenderer, NotesSoundAtTheirTimesPannedTheTailIsRenderedAndLengthsAreHeld) {
  Renderer renderer(3.0);
  // Slot 0 (full left, half right); 10000 frames of release.
  ASSERT_TRUE(renderer.loadStateText(song("0.500000", "1.000000", "-0.0001")));
  const auto result = renderer.run();
  const auto& audio = renderer.audio;
  EXPECT_TRUE(result.songEnded);
  EXPECT_EQ(std::pair(result.pressesPlayed, result.releasesPlayed), std::pair(1, 1));
  ASSERT_EQ(audio.size(), result.frames * 2);
  // Sound from the first buffer boundary at or after 0.5 s, its release from
  // the first after 1.0 s; the render stops soon after the silence.
  std::size_t first = 0, last = audio.size() / 2;
  while (first < audio.size() / 2 && audio[2 * first] == 0) ++first;
  while (last > 0 && audio[2 * (last - 1)] == 0) --last;
  EXPECT_EQ(first, static_cast<std::size_t>(std::ceil(0.5 * 44100 / 256.0)) * 256);
  EXPECT_TRUE(audio[2 * first] == 10000 && audio[2 * first + 1] == 5000) << "full left, half right";
  EXPECT_NEAR(static_cast<double>(last), std::ceil(1.0 * 44100 / 256.0) * 256 + 10000.0, 4.0);
  EXPECT_LT(result.frames, last + 2 * 256u);

  Renderer held(1.0, {.sampleDir = {}, .maxSeconds = 2.0, .maxTailSeconds = 0.5});
  ASSERT_TRUE(held.loadStateText(song("0.000000", "0.100000", "-1", /*pan=*/false)));
  held.run();
  EXPECT_EQ(held.audio[0] + held.audio[1], 20000) << "both sides at full level";
  EXPECT_FALSE(held.loadStateText("Version 2@garbage"));
  EXPECT_TRUE(held.run().songEnded && held.audio.empty()) << "an empty song renders nothing";
  EXPECT_FALSE(held.loadStateText(song("0.000000", "99999999.000000", "0"))) << "beyond the longest song";
  ASSERT_TRUE(held.loadStateText(song("0.000000", "86400.000000", "0")));
  const auto overlong = held.run();
  EXPECT_FALSE(overlong.songEnded);
  EXPECT_LE(static_cast<double>(overlong.frames) / 44100.0, 2.6);
}

}  // namespace
}  // namespace piano
