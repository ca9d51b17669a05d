// The metronome on a fake clock: which click sounds when.
#include <gtest/gtest.h>

#include "recorder_support.h"

namespace piano::testing {
namespace {

// Runs the main loop on the fake clock in 1 ms steps and notes every click:
// the time since `origin` and whether it was the accented one.
struct ClickLog {
  std::vector<std::pair<double, bool>> clicks;
};

ClickLog runFor(RecorderRig& rig, double seconds, double origin) {
  ClickLog log;
  for (double t = 0; t < seconds; t += 0.001) {
    const int busyBefore = rig.player->activeVoiceCount();
    rig.clock += 0.001;
    rig.loop.runDue();
    if (rig.player->activeVoiceCount() > busyBefore) {
      // Find the click's slot: the voice that the engine handed out last.
      rig.renderBuffer();
      bool accented = false;
      for (int v = 0; v < kNumVoices; ++v) {
        const Voice& voice = rig.player->voiceForTest(v);
        if (voice.playing && voice.created == rig.clock) accented = voice.sampleNo == kMetronomeHiSlot;
      }
      log.clicks.emplace_back(rig.clock - origin, accented);
    }
    rig.renderBuffer();
  }
  return log;
}

TEST(MetronomeTest, TakeClicksAccentTheFirstBeatOfEachBarOnAHalfSecondGrid) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  rig.metronome->metronomeOn();
  const double origin = rig.clock;
  const int before = rig.player->activeVoiceCount();
  r.record();  // the first click sounds at once
  EXPECT_EQ(rig.player->activeVoiceCount(), before + 1);
  rig.renderBuffer();
  rig.renderBuffer();
  const ClickLog log = runFor(rig, 2.6, origin);
  ASSERT_EQ(log.clicks.size(), 5u);
  for (std::size_t i = 0; i < log.clicks.size(); ++i) {
    EXPECT_NEAR(log.clicks[i].first, 0.5 * static_cast<double>(i + 1), 1.5e-3);
    EXPECT_EQ(log.clicks[i].second, i + 1 == 4) << "click " << i + 1;
  }
}

TEST(MetronomeTest, TempoAndBeatsPerBarAreHeldToTheirRangesAndOneBeatIsAlwaysAccented) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  rig.metronome->setMetronomeTempo(60);
  EXPECT_DOUBLE_EQ(rig.metronome->metronomeTimeBetweenBeats(), 1.0);
  rig.metronome->setMetronomeTempo(90);
  EXPECT_DOUBLE_EQ(rig.metronome->metronomeTimeBetweenBeats(), static_cast<double>(60.0f / 90.0f));
  rig.metronome->setMetronomeTempo(0);
  EXPECT_EQ(rig.metronome->getMetronomeTempo(), 50);
  rig.metronome->setMetronomeTempo(-7);
  EXPECT_EQ(rig.metronome->getMetronomeTempo(), 50);
  rig.metronome->setMetronomeTempo(100000);
  EXPECT_EQ(rig.metronome->getMetronomeTempo(), 250);
  rig.metronome->setMetronomeBeatsPerBar(0);
  EXPECT_EQ(rig.metronome->getMetronomeBeatsPerBar(), 1);
  // One beat per bar: every click is accented.
  rig.metronome->metronomeOn();
  rig.metronome->setMetronomeTempo(240);
  const double origin = rig.clock;
  r.record();
  const ClickLog log = runFor(rig, 0.76, origin);
  ASSERT_EQ(log.clicks.size(), 3u);
  for (const auto& click : log.clicks) EXPECT_TRUE(click.second);
  rig.metronome->setMetronomeVolume(7.0f);
  EXPECT_EQ(rig.metronome->getMetronomeVolume(), 1.0f);
}

TEST(MetronomeTest, NoClicksWhenSwitchedOffAndTheyEndWithTheTake) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  r.record();
  rig.metronome->metronomeOn();  // switching on during a take starts nothing
  EXPECT_TRUE(runFor(rig, 1.2, rig.clock).clicks.empty());
  r.stop();
  rig.advance(0.001);

  r.record();
  runFor(rig, 0.7, rig.clock);
  r.stop();
  EXPECT_TRUE(runFor(rig, 2.0, rig.clock).clicks.empty());
}

TEST(MetronomeTest, ANewTakeBeforeThePendingTickKeepsOneLoop) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  rig.metronome->metronomeOn();
  r.record();
  runFor(rig, 0.2, rig.clock);
  r.stop();
  rig.advance(0.001);
  const double origin = rig.clock;
  r.record();
  const ClickLog log = runFor(rig, 1.2, origin);
  // Clicks only on the new take's grid (0.5, 1.0), none at the old one's.
  ASSERT_EQ(log.clicks.size(), 2u);
  EXPECT_NEAR(log.clicks[0].first, 0.5, 1.5e-3);
  EXPECT_NEAR(log.clicks[1].first, 1.0, 1.5e-3);
}

TEST(MetronomeTest, PreviewStopsAtItsNextTickAndRestartingInsideABeatKeepsOneLoop) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  const double origin = rig.clock;
  rig.metronome->startMetronome();
  EXPECT_TRUE(rig.metronome->metronomePlaying());
  runFor(rig, 0.6, origin);
  rig.metronome->stopMetronome();
  rig.metronome->startMetronome();  // within the beat: the same loop goes on, the count too
  const ClickLog log = runFor(rig, 1.5, origin);
  ASSERT_EQ(log.clicks.size(), 3u);
  EXPECT_FALSE(log.clicks[0].second);  // beat 3 of the bar
  EXPECT_FALSE(log.clicks[1].second);
  EXPECT_TRUE(log.clicks[2].second);   // the next bar
  rig.metronome->stopMetronome();
  runFor(rig, 0.6, origin);
  EXPECT_FALSE(rig.metronome->metronomePlaying());
  EXPECT_TRUE(runFor(rig, 1.0, origin).clicks.empty());
}

TEST(MetronomeTest, ClicksStayOnTheGridWhenTheMainThreadIsLate) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  rig.metronome->metronomeOn();
  const double origin = rig.clock;
  r.record();
  // The main loop gets to the first tick 30 ms late.
  rig.clock += 0.53;
  rig.loop.runDue();
  const ClickLog log = runFor(rig, 1.0, origin);
  ASSERT_FALSE(log.clicks.empty());
  EXPECT_NEAR(log.clicks[0].first, 1.0, 1.5e-3);
}

}  // namespace
}  // namespace piano::testing
