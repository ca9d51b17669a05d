// Playback on a fake clock: what starts and stops voices, what the parent is
// told, and how changes to the song during playback are taken.
#include <gtest/gtest.h>

#include "recorder_support.h"
#include "recording/file_manager.h"

namespace piano::testing {
namespace {

// Loads a song of the given recorder section.
void loadSong(RecorderRig& rig, const std::string& section) {
  ASSERT_TRUE(rig.recorder->setState(section, 2));
}

// Presses: slot 39 at 0.0-0.5, slot 40 at 0.1-0.2, slot 41 at 0.3-0.4.
const char* kThreeNotes =
    "0|120|0.5|4|3|6|1|39|0.000000|0|1|1|-1|1|40|0.100000|1|1|1|-1|0|0.200000|1|"
    "1|41|0.300000|2|1|1|-1|0|0.400000|2|0|0.500000|0|";

TEST(PlaybackTest, EveryPressStartsAVoiceAndEveryReleaseStopsItThenTheSongEnds) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  EXPECT_FALSE(r.play()) << "an empty song does not play";
  EXPECT_EQ(r.getNRState(), RecorderState::kIdle);
  loadSong(rig, kThreeNotes);
  ASSERT_TRUE(r.play());
  EXPECT_EQ(r.getNRState(), RecorderState::kPlaying);

  rig.advance(0.0);  // the note at time 0 sounds on the first pass
  EXPECT_EQ(rig.player->activeVoiceCount(), 1);
  rig.renderBuffer();
  rig.advance(0.1);
  EXPECT_EQ(rig.player->activeVoiceCount(), 2);
  rig.renderBuffer();
  rig.advance(0.1);  // 0.2: slot 40 released (release rate -1: gone within a buffer)
  rig.renderBuffer();
  rig.renderBuffer();
  EXPECT_EQ(rig.player->activeVoiceCount(), 1);
  rig.advance(0.1);
  EXPECT_EQ(rig.player->activeVoiceCount(), 2);
  rig.advance(0.05);
  EXPECT_EQ(r.getNRState(), RecorderState::kPlaying);
  rig.advance(0.15);  // 0.5: past the last note
  EXPECT_EQ(r.getNRState(), RecorderState::kIdle);
  rig.renderBuffer();
  rig.renderBuffer();
  EXPECT_EQ(rig.player->activeVoiceCount(), 0);
  rig.advance(0.001);

  EXPECT_EQ(rig.parent.log, (std::vector<std::string>{"down 39", "down 40", "up 40", "down 41", "up 41",
                                                      "up 39", "ended", "lift"}));
}

TEST(PlaybackTest, NotesDueTogetherPlayInOnePassInSongOrderAndStopsLiftTheKeysOnce) {
  RecorderRig rig;
  loadSong(rig, kThreeNotes);
  NoteRecorder& r = *rig.recorder;
  r.play();
  rig.advance(0.35);
  EXPECT_EQ(rig.parent.log, (std::vector<std::string>{"down 39", "down 40", "up 40", "down 41"}));
  EXPECT_EQ(r.currentNoteNo(), 4);
  rig.parent.log.clear();
  r.stop();
  r.stop();
  rig.renderBuffer();
  rig.renderBuffer();
  EXPECT_EQ(rig.player->activeVoiceCount(), 0);
  rig.advance(0.001);
  rig.advance(0.001);
  EXPECT_EQ(rig.parent.log, (std::vector<std::string>{"lift"}));
}

TEST(PlaybackTest, ATakeRecordsPastTheEndOfTheSong) {
  RecorderRig rig;
  loadSong(rig, kThreeNotes);
  NoteRecorder& r = *rig.recorder;
  r.record();
  rig.advance(1.0);
  EXPECT_EQ(r.getNRState(), RecorderState::kRecording);
  rig.clock += 1.0;
  r.addStopNote(r.addPlayNote(50, 1.0f, 1.0f, -1.0f), 50);
  r.stop();
  rig.advance(0.001);
  EXPECT_EQ(r.getNumNotes(), 8);
  EXPECT_EQ(r.notesSnapshot().back().time, 2.0);
}

TEST(PlaybackTest, APressWithoutAVoiceShowsNothingAndItsReleaseStopsNoOtherNote) {
  RecorderRig rig;
  // Slot 0 sounds from 0 to 2 s, slot 1 has no sample (no voice) from 0.1 to 0.2.
  rig.player->setSampleData(1, {});
  loadSong(rig, "0|120|0.5|4|2|4|1|0|0.000000|0|1|1|-1|1|1|0.100000|1|1|1|-1|0|0.200000|1|0|2.000000|0|");
  NoteRecorder& r = *rig.recorder;
  r.play();
  rig.advance(0.0);
  rig.renderBuffer();
  rig.advance(0.25);
  rig.renderBuffer();
  rig.renderBuffer();
  // The voice of slot 0 (voice 0, the number a stale release would name) plays on.
  EXPECT_EQ(rig.player->activeVoiceCount(), 1);
  EXPECT_EQ(rig.parent.log, (std::vector<std::string>{"down 0", "up 1"}));
}

TEST(PlaybackTest, ErasingDuringPlaybackKeepsThePlaceAndAnEmptiedSongEnds) {
  RecorderRig rig;
  loadSong(rig, kThreeNotes);
  NoteRecorder& r = *rig.recorder;
  r.play();
  rig.advance(0.25);  // played: 39 down, 40 down, 40 up; next is 41 down at 0.3
  ASSERT_EQ(r.currentNoteNo(), 3);
  r.eraseLastXNotes(1);  // removes slot 41's press and release (read last)
  EXPECT_EQ(r.currentNoteNo(), 3);
  rig.parent.log.clear();
  rig.advance(0.3);
  EXPECT_EQ(rig.parent.log, (std::vector<std::string>{"up 39", "ended"}));

  r.play();
  rig.advance(0.05);
  r.eraseWholeSong();
  rig.advance(0.001);
  EXPECT_EQ(r.getNRState(), RecorderState::kIdle);
  EXPECT_EQ(rig.parent.log.back(), "ended");
}

TEST(PlaybackTest, LoadingASongDuringPlaybackEndsItInsteadOfPlayingEverythingAtOnce) {
  RecorderRig rig;
  loadSong(rig, kThreeNotes);
  rig.recorder->play();
  rig.advance(10.0);
  rig.recorder->play();
  rig.advance(0.0);
  loadSong(rig, kThreeNotes);
  rig.parent.log.clear();
  rig.advance(5.0);
  EXPECT_EQ(rig.parent.log, (std::vector<std::string>{"ended"}));
}

// The thread sleeps while nothing plays: each play, and a stop, must wake it,
// also after it went back to sleep at the end of the song before.
TEST(PlaybackTest, ThePlaybackThreadPlaysAShortSongOnTheRealClock) {
  platform::RunLoop loop;
  LoggingParent parent;
  SoundPlayer player(SoundPlayer::Options{});
  fillSlots(player, 0.5);
  Metronome metronome(player, loop);
  NoteRecorder recorder(&parent, player, metronome, loop);
  parent.recorder = &recorder;
  ASSERT_TRUE(recorder.setState("0|120|0.5|4|2|4|1|39|0.000000|0|1|1|-1|1|40|0.010000|1|1|1|-1|"
                                "0|0.020000|1|0|0.030000|0|",
                                2));
  auto runUntilLift = [&] {
    parent.log.clear();
    const double deadline = platform::mediaTime() + 5.0;
    while ((parent.log.empty() || parent.log.back() != "lift") && platform::mediaTime() < deadline) {
      loop.waitForEvents(0.01);
      loop.runDue();
    }
    return parent.log;
  };
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(recorder.play());
    EXPECT_EQ(runUntilLift(), (std::vector<std::string>{"down 39", "down 40", "up 40", "up 39", "ended", "lift"}));
  }
  recorder.stop();
  EXPECT_EQ(runUntilLift(), (std::vector<std::string>{"lift"}));
}

}  // namespace
}  // namespace piano::testing
