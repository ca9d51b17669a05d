// The offline renderer: the same playback as the thread, on a virtual clock.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/sound_player.h"
#include "recording/offline_renderer.h"

namespace piano {
namespace {

constexpr const char* kSettings = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|";

// A renderer whose slots hold `seconds` of a constant 10000.
struct Renderer : OfflineRenderer {
  explicit Renderer(double seconds, Settings settings = {}) : OfflineRenderer(settings) {
    for (int s = 0; s < kNumSampleSlots; ++s) {
      soundPlayer().setSampleData(s, std::vector<std::int16_t>(static_cast<std::size_t>(seconds * 44100), 10000));
    }
  }
  std::vector<std::int16_t> audio;
  Result run() {
    return render([this](const std::int16_t* frames, int count) {
      audio.insert(audio.end(), frames, frames + 2 * count);
      return true;
    });
  }
};

TEST(OfflineRenderer, NotesSoundAtTheirTimesPannedAndTheTailIsRendered) {
  Renderer renderer(3.0);
  // Slot 0 (full left, half right) from 0.5 s to 1.0 s with release rate
  // -0.0001 (10000 frames of release).
  ASSERT_TRUE(renderer.loadStateText(std::string(kSettings) + "1|2|1|0|0.500000|0|1|1|-0.0001|0|1.000000|0|@"));
  const auto result = renderer.run();
  const auto& audio = renderer.audio;
  EXPECT_TRUE(result.songEnded);
  EXPECT_EQ(std::pair(result.pressesPlayed, result.releasesPlayed), std::pair(1, 1));
  ASSERT_EQ(audio.size(), result.frames * 2);
  // The first sound is at the first buffer boundary at or after 0.5 s.
  std::size_t first = 0;
  while (first < audio.size() / 2 && audio[2 * first] == 0) ++first;
  EXPECT_EQ(first, static_cast<std::size_t>(std::ceil(0.5 * 44100 / 256.0)) * 256);
  EXPECT_EQ(audio[2 * first], 10000);
  EXPECT_EQ(audio[2 * first + 1], 5000);
  // The release starts at the first boundary after 1.0 s and falls by 0.0001 a
  // frame; the render stops soon after the silence.
  std::size_t last = audio.size() / 2;
  while (last > 0 && audio[2 * (last - 1)] == 0) --last;
  EXPECT_NEAR(static_cast<double>(last), std::ceil(1.0 * 44100 / 256.0) * 256 + 10000.0, 4.0);
  EXPECT_LT(result.frames, last + 2 * 256u);
}

TEST(OfflineRenderer, PanningOffDamagedAndOverlongSongs) {
  Renderer renderer(1.0, {.sampleDir = {}, .maxSeconds = 2.0, .maxTailSeconds = 0.5});
  ASSERT_TRUE(renderer.loadStateText("Version 2@-8e-05|-1.6e-05|0|0|1|1|0|8|0|28|28|52|@0|120|0.5|4|"
                                     "1|2|1|0|0.000000|0|1|1|-1|0|0.100000|0|@"));
  renderer.run();
  EXPECT_EQ(renderer.audio[0] + renderer.audio[1], 20000) << "both sides at full level";

  EXPECT_FALSE(renderer.loadStateText("Version 2@garbage"));
  renderer.audio.clear();
  EXPECT_TRUE(renderer.run().songEnded);
  EXPECT_TRUE(renderer.audio.empty()) << "an empty song renders nothing";

  const std::string song = std::string(kSettings) + "1|2|1|0|0.000000|0|1|1|0|0|";
  EXPECT_FALSE(renderer.loadStateText(song + "99999999.000000|0|@")) << "beyond the longest song";
  ASSERT_TRUE(renderer.loadStateText(song + "86400.000000|0|@"));
  const auto result = renderer.run();
  EXPECT_FALSE(result.songEnded);
  EXPECT_LE(static_cast<double>(result.frames) / 44100.0, 2.6);
}

}  // namespace
}  // namespace piano
