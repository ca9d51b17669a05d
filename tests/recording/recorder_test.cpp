// Recording in takes: timing, the note limit, merging and repair, the three
// erasures, and the lookup of a release's slot.
#include <gtest/gtest.h>

#include "recorder_support.h"

namespace piano::testing {
namespace {

// Stops the take and lets the playback pass hand the merge to the parent.
void stopTake(RecorderRig& rig) {
  rig.recorder->stop();
  rig.advance(0.001);
}

TEST(RecorderTest, FirstTakeStartsAtTheFirstPressAndOverdubsShareThePlaybackOrigin) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  EXPECT_EQ(r.addPlayNote(39, 0.5f, 1.0f, -0.001f), -1) << "not recording";

  r.record();
  EXPECT_EQ(r.getNRState(), RecorderState::kRecording);
  rig.clock += 2.5;  // the player waits before the first press
  rig.pressAndRelease(39, 0.25);
  rig.clock += 0.5;
  rig.pressAndRelease(40, 0.25);
  stopTake(rig);
  EXPECT_EQ(rig.parent.log.back(), "lift");
  EXPECT_EQ(r.getNRState(), RecorderState::kIdle);

  auto song = r.notesSnapshot();
  ASSERT_EQ(song.size(), 4u);
  EXPECT_DOUBLE_EQ(song[0].time, 0.0);
  EXPECT_NEAR(song[1].time, 0.25, 1e-9);
  EXPECT_NEAR(song[2].time, 0.75, 1e-9);
  EXPECT_EQ(song[0].overdubNo, 1);

  // The overdub counts from the moment of record, like the playback of the song.
  r.record();
  rig.clock += 0.5;
  rig.pressAndRelease(60, 0.1);
  stopTake(rig);
  song = r.notesSnapshot();
  ASSERT_EQ(song.size(), 6u);
  EXPECT_EQ(song[2].sampleNo, 60);
  EXPECT_NEAR(song[2].time, 0.5, 1e-9);
  EXPECT_EQ(song[2].overdubNo, 2);
  EXPECT_EQ(r.currentOverdubNo(), 2);
}

TEST(RecorderTest, SongAndTakeHoldAtMost3000Notes) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  r.record();
  for (int i = 0; i < 1499; ++i) rig.pressAndRelease(i % 88, 0.001);
  // 2998 notes: one press fits (2999), and then one release (3000).
  const int last = r.addPlayNote(10, 1.0f, 1.0f, 0.0f);
  ASSERT_GE(last, 0);
  r.addStopNote(last, 10);
  EXPECT_EQ(r.currentTake().size(), 3000u);
  EXPECT_EQ(r.addPlayNote(11, 1.0f, 1.0f, 0.0f), -1);
  r.addStopNote(last, 10);
  EXPECT_EQ(r.currentTake().size(), 3000u);
  stopTake(rig);
  EXPECT_EQ(r.getNumNotes(), 3000);

  // The song alone counts the same way in the next take.
  r.record();
  EXPECT_EQ(r.addPlayNote(12, 1.0f, 1.0f, 0.0f), -1);
}

TEST(RecorderTest, PressesHeldWhenTheTakeStopsAreDroppedAtTheMerge) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  r.record();
  rig.pressAndRelease(39, 0.1);
  const int held = r.addPlayNote(41, 0.5f, 1.0f, -0.001f);
  ASSERT_GE(held, 0);
  rig.clock += 0.2;
  r.stop();
  r.addStopNote(held, 41);  // the finger lifts after the stop: not recorded
  rig.advance(0.001);
  auto song = r.notesSnapshot();
  ASSERT_EQ(song.size(), 2u);
  EXPECT_EQ(song[0].sampleNo, 39);
  EXPECT_TRUE(r.currentTake().empty());
}

TEST(RecorderTest, ReleasesFindTheirSlotInTheTakeOrTheSong) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  r.record();
  const int first = r.addPlayNote(20, 0.5f, 1.0f, 0.0f);
  rig.clock += 0.1;
  r.addStopNote(first, r.getSampleNoForNoteID(first));
  stopTake(rig);

  r.record();
  const int second = r.addPlayNote(30, 0.5f, 1.0f, 0.0f);
  EXPECT_EQ(r.getSampleNoForNoteID(first), 20) << "a press in the song, while the take holds others";
  EXPECT_EQ(r.getSampleNoForNoteID(second), 30);
  EXPECT_EQ(r.getSampleNoForNoteID(999), -1);
  // A release with no press found is recorded with slot -1 and repaired away.
  r.addStopNote(999, r.getSampleNoForNoteID(999));
  rig.clock += 0.1;
  r.addStopNote(second, 30);
  stopTake(rig);
  EXPECT_EQ(r.getNumNotes(), 4);
}

TEST(RecorderTest, SameTimeNotesKeepTheirOrderSoAPressStaysBeforeItsRelease) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  r.record();
  const int id = r.addPlayNote(5, 0.5f, 1.0f, 0.0f);
  r.addStopNote(id, 5);  // same clock reading
  stopTake(rig);
  auto song = r.notesSnapshot();
  ASSERT_EQ(song.size(), 2u);
  EXPECT_TRUE(song[0].keyDown);
}

// Three takes: take 1 slots 10, 11; take 2 slot 20; take 3 slots 30, 31.
void recordThreeTakes(RecorderRig& rig) {
  NoteRecorder& r = *rig.recorder;
  r.record();
  rig.pressAndRelease(10, 1.0);
  rig.pressAndRelease(11, 1.0);
  stopTake(rig);
  r.record();
  rig.clock += 0.5;
  rig.pressAndRelease(20, 1.0);
  stopTake(rig);
  r.record();
  rig.clock += 0.2;
  rig.pressAndRelease(30, 0.1);
  rig.clock += 0.1;
  rig.pressAndRelease(31, 0.1);
  stopTake(rig);
}

std::vector<int> pressedSlots(const NoteRecorder& r) {
  std::vector<int> slots;
  for (const Note& note : r.notesSnapshot()) {
    if (note.keyDown) slots.push_back(note.sampleNo);
  }
  return slots;
}

TEST(RecorderTest, ErasingTheLastTakeRemovesOnlyItsPressesAndReleases) {
  RecorderRig rig;
  recordThreeTakes(rig);
  NoteRecorder& r = *rig.recorder;
  ASSERT_EQ(r.getNumNotes(), 10);
  r.eraseLastOverdub();
  EXPECT_EQ(pressedSlots(r), (std::vector<int>{10, 20, 11}));
  EXPECT_EQ(r.getNumNotes(), 6);
  EXPECT_EQ(r.currentOverdubNo(), 2);
  r.eraseLastOverdub();
  EXPECT_EQ(pressedSlots(r), (std::vector<int>{10, 11}));
  r.eraseLastOverdub();
  r.eraseLastOverdub();  // empty song: only the counter moves, below zero
  EXPECT_EQ(r.getNumNotes(), 0);
  EXPECT_EQ(r.currentOverdubNo(), -1);
}

TEST(RecorderTest, ErasingTheLastNotesGoesByRecordingOrderNotSongTime) {
  RecorderRig rig;
  recordThreeTakes(rig);
  NoteRecorder& r = *rig.recorder;
  // Take 3's presses are early in the song but were recorded last.
  r.eraseLastXNotes(1);
  EXPECT_EQ(pressedSlots(r), (std::vector<int>{10, 30, 20, 11}));
  r.eraseLastXNotes(2);
  EXPECT_EQ(pressedSlots(r), (std::vector<int>{10, 11}));
  r.eraseLastXNotes(0);
  r.eraseLastXNotes(-3);
  EXPECT_EQ(r.getNumNotes(), 4);
  r.eraseLastXNotes(100);
  EXPECT_EQ(r.getNumNotes(), 0);
}

TEST(RecorderTest, ErasingTheWholeSongKeepsTheNoteIDsAndTheTakeInProgress) {
  RecorderRig rig;
  recordThreeTakes(rig);
  NoteRecorder& r = *rig.recorder;
  const int nextID = r.currentNoteID();
  r.record();
  const int id = r.addPlayNote(50, 0.5f, 1.0f, 0.0f);
  EXPECT_EQ(id, nextID);
  r.eraseWholeSong();
  EXPECT_EQ(r.getNumNotes(), 0);
  EXPECT_EQ(r.currentOverdubNo(), 0);
  EXPECT_EQ(r.currentTake().size(), 1u);
  EXPECT_EQ(r.currentNoteID(), nextID + 1);
}

TEST(RecorderTest, RecordRightAfterAStopMergesThePendingTakeFirst) {
  RecorderRig rig;
  NoteRecorder& r = *rig.recorder;
  r.record();
  rig.pressAndRelease(39, 0.1);
  r.stop();
  r.stop();  // a second stop before the merge must not lose the take
  r.record();  // before the playback pass has asked for the merge
  EXPECT_EQ(r.getNumNotes(), 2);
  rig.pressAndRelease(41, 0.1);
  stopTake(rig);
  EXPECT_EQ(r.getNumNotes(), 4);
}

}  // namespace
}  // namespace piano::testing
