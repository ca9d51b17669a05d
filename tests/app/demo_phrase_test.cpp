#include "app/demo_phrase.h"

#include <gtest/gtest.h>

#include <set>

#include "audio/sound_player.h"
#include "rig/app_rig.h"

namespace piano {
namespace {

// The phrase as the engine plays it, looked at just before each event: the
// scale from middle C one key at a time, then C E G C held together, and
// nothing left sounding once the last ring is over.
TEST(DemoPhrase, TheScaleOneKeyAtATimeThenTheChordThenSilence) {
  test::AppRig rig({.toneFrames = 4 * 44100});  // longer than the chord is held
  SoundPlayer& engine = rig.app().soundPlayer();
  const double start = rig.clock.now();
  std::vector<std::set<int>> heard;  // the keys sounding, each time they change
  playDemoPhrase(engine, [&](double t) {
    rig.advance(start + t - rig.clock.now());
    std::set<int> keys;
    for (int v = 0; v < kNumVoices; ++v) {
      const Voice& voice = engine.voiceForTest(v);
      if (voice.playing && !voice.wantToStop && voice.phase != VoicePhase::kRelease) keys.insert(voice.sampleNo + 1);
    }
    if (heard.empty() || heard.back() != keys) heard.push_back(keys);
  });
  EXPECT_EQ(heard, (std::vector<std::set<int>>{{}, {40}, {}, {42}, {}, {44}, {}, {45}, {}, {47}, {}, {49}, {}, {51},
                                               {}, {52}, {}, {40, 44, 47, 52}, {}}));
  EXPECT_NEAR(rig.clock.now() - start, demoPhraseLength(), 0.01);
  EXPECT_EQ(engine.activeVoiceCount(), 0);
  EXPECT_GT(rig.peakBetween(start, start + 0.3), 1000);
  EXPECT_EQ(rig.peakBetween(start + demoPhraseLength() - 0.5, start + demoPhraseLength()), 0);
}

}  // namespace
}  // namespace piano
