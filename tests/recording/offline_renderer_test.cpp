// The offline renderer: the same playback as the thread, on a virtual clock.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/sound_player.h"
#include "recorder_support.h"
#include "recording/note_recorder.h"
#include "recording/offline_renderer.h"

namespace piano::testing {
namespace {

TEST(OfflineRendererTest, NotesSoundAtTheirTimesAndTheTailIsRendered) {
  OfflineRenderer renderer(OfflineRenderer::Settings{});
  fillSlots(renderer.soundPlayer(), 3.0);
  // Slot 0 (full left, half right) from 0.5 s to 1.0 s with release rate
  // -0.0001 (10000 frames of release); panning on.
  ASSERT_TRUE(renderer.loadStateText("Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@"
                                     "0|120|0.5|4|1|2|1|0|0.500000|0|1|1|-0.0001|0|1.000000|0|@"));
  std::vector<std::int16_t> audio;
  const auto result = renderer.render([&](const std::int16_t* frames, int count) {
    audio.insert(audio.end(), frames, frames + 2 * count);
    return true;
  });
  EXPECT_TRUE(result.songEnded);
  EXPECT_EQ(result.pressesPlayed, 1);
  EXPECT_EQ(result.releasesPlayed, 1);
  ASSERT_EQ(audio.size(), result.frames * 2);

  // The first sound is at the first buffer boundary at or after 0.5 s.
  std::size_t first = 0;
  while (first < audio.size() / 2 && audio[2 * first] == 0) ++first;
  const std::size_t due = static_cast<std::size_t>(std::ceil(0.5 * 44100 / 256.0)) * 256;
  EXPECT_EQ(first, due);
  EXPECT_EQ(audio[2 * first], 10000);
  EXPECT_EQ(audio[2 * first + 1], 5000);
  // The release starts at the first boundary after 1.0 s and falls by 0.0001 a
  // frame; the render stops soon after the silence.
  std::size_t last = audio.size() / 2;
  while (last > 0 && audio[2 * (last - 1)] == 0) --last;
  const double releaseStart = std::ceil(1.0 * 44100 / 256.0) * 256;
  EXPECT_NEAR(static_cast<double>(last), releaseStart + 10000.0, 4.0);
  EXPECT_LT(result.frames, last + 2 * 256u);
}

TEST(OfflineRendererTest, PanningOffAndDamagedOrEmptySongs) {
  OfflineRenderer renderer(OfflineRenderer::Settings{});
  fillSlots(renderer.soundPlayer(), 1.0);
  ASSERT_TRUE(renderer.loadStateText("Version 2@-8e-05|-1.6e-05|0|0|1|1|0|8|0|28|28|52|@"
                                     "0|120|0.5|4|1|2|1|0|0.000000|0|1|1|-1|0|0.100000|0|@"));
  bool bothSides = false;
  renderer.render([&](const std::int16_t* frames, int) {
    bothSides = bothSides || (frames[0] == 10000 && frames[1] == 10000);
    return true;
  });
  EXPECT_TRUE(bothSides);

  EXPECT_FALSE(renderer.loadStateText("Version 2@garbage"));
  int buffers = 0;
  const auto result = renderer.render([&](const std::int16_t*, int) { return ++buffers, true; });
  EXPECT_EQ(buffers, 0);
  EXPECT_TRUE(result.songEnded);
}

TEST(OfflineRendererTest, ASongLongerThanTheRenderIsCutAndOneBeyondTheLongestSongRefused) {
  OfflineRenderer::Settings settings;
  settings.maxSeconds = 2.0;
  settings.maxTailSeconds = 0.5;
  OfflineRenderer renderer(settings);
  fillSlots(renderer.soundPlayer(), 1.0);
  const std::string song = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1|2|1|0|0.000000|0|1|1|0|0|";
  EXPECT_FALSE(renderer.loadStateText(song + "99999999.000000|0|@"));
  ASSERT_TRUE(renderer.loadStateText(song + "86400.000000|0|@"));
  const auto result = renderer.render([](const std::int16_t*, int) { return true; });
  EXPECT_FALSE(result.songEnded);
  EXPECT_LE(static_cast<double>(result.frames) / 44100.0, 2.6);
}

}  // namespace
}  // namespace piano::testing
