// The state text: the exact texts saving produces, round trips, version 1,
// and damaged or hostile input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/number_text.h"
#include "recorder_support.h"
#include "recording/file_manager.h"
#include "recording/state_text.h"

namespace piano::testing {
namespace {

struct StateRig {
  RecorderRig rig;
  FakeMainSection main;
  FileManager files{main, *rig.recorder, "/nonexistent"};
  NoteRecorder& recorder() { return *rig.recorder; }
};

TEST(StateTextTest, TheResetStateAndAOneNoteSongAreWrittenExactly) {
  StateRig s;
  s.files.resetState();
  EXPECT_EQ(s.files.stateText(), "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|0|0|@");

  NoteRecorder& r = s.recorder();
  r.metronomeOn();  // the take then starts at record, not at the first press
  r.record();
  s.rig.clock += 1.5;
  const int id = r.addPlayNote(39, 0.7f, 1.0f, -0.00008f);
  s.rig.clock += 0.75;
  r.addStopNote(id, 39);
  r.stop();
  s.rig.advance(0.001);
  r.metronomeOff();
  EXPECT_EQ(r.getState(), "0|120|0.5|4|1|2|1|39|1.500000|0|0.7|1|-8e-05|0|2.250000|0|");
}

TEST(StateTextTest, SqueezedFloatsAndFieldReading) {
  EXPECT_EQ(squeezeFloat(0.0f), "0");
  EXPECT_EQ(squeezeFloat(-0.0f), "0");
  EXPECT_EQ(squeezeFloat(1.0f), "1");
  EXPECT_EQ(squeezeFloat(-0.00008f), "-8e-05");
  EXPECT_EQ(squeezeFloat(0.7f), "0.7");
  EXPECT_EQ(squeezeFloat(123456789.0f), "1.23457e+08");

  using state_text::parseDouble;
  using state_text::parseInt;
  EXPECT_EQ(parseInt(" 42abc"), 42);
  EXPECT_EQ(parseInt("-3.9"), -3);
  EXPECT_EQ(parseInt("abc"), 0);
  EXPECT_EQ(parseInt("99999999999999999999"), std::numeric_limits<int>::max());
  EXPECT_EQ(parseInt("-99999999999999999999"), std::numeric_limits<int>::min());
  EXPECT_DOUBLE_EQ(parseDouble(" 1.5x"), 1.5);
  EXPECT_DOUBLE_EQ(parseDouble("x"), 0.0);
  EXPECT_DOUBLE_EQ(parseDouble("+-1"), 0.0);
  EXPECT_TRUE(std::isnan(parseDouble("nan")));
  EXPECT_TRUE(std::isinf(parseDouble("-inf")));
  EXPECT_TRUE(std::isnan(parseDouble("1e999")));

  state_text::FieldReader fields("1|2|");
  int a = 0, b = 0, c = 5, d = 0;
  EXPECT_TRUE(fields.nextInt(a) && fields.nextInt(b) && fields.nextInt(c));
  EXPECT_EQ(c, 0) << "the empty piece after the last bar is a field";
  EXPECT_FALSE(fields.nextInt(d));
}

// The browser build writes and reads state files through printf and strtod;
// files must come out and read back the same as on the desktop.
TEST(StateTextTest, NumbersWithoutCharconvMatchCharconv) {
  namespace plain = platform::without_charconv;
  for (const double v : {0.0, -0.0, 1.0, -8e-05, 0.7, 123456789.0, 1e-7, 1e300, -1.5e-320, 999999.5, 1e21,
                         std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(plain::generalText(v, 6), platform::generalText(v, 6)) << v;
    EXPECT_EQ(plain::fixedText(v, 6), platform::fixedText(v, 6)) << v;
  }
  for (const char* text : {"1.5x", "-0", ".5", "5.", "1.5e", "4e-320", "1e-400", "2e308", "0x10", "-0x1p3", "0X",
                           "nan(abc)", "infinity", "-inf", "-", " 1", "+1", "-+1", "e5", "."}) {
    const auto expected = platform::parseNumber(text), actual = plain::parseNumber(text);
    EXPECT_EQ(actual.status, expected.status) << text;
    if (std::isnan(expected.value)) {
      EXPECT_TRUE(std::isnan(actual.value)) << text;
    } else {
      EXPECT_EQ(actual.value, expected.value) << text;
      EXPECT_EQ(std::signbit(actual.value), std::signbit(expected.value)) << text;
    }
  }
}

TEST(StateTextTest, RandomSongsAndSettingsSurviveASaveAndALoad) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    StateRig s;
    const std::string section = randomSongSection(seed, static_cast<int>(seed * 37 % 1500));
    ASSERT_TRUE(s.recorder().setState(section, 2));
    std::mt19937 random(seed);
    s.main.sustainTimeNormal = -static_cast<double>(random() % 16000) * 1e-8;
    s.main.softPedalPressed = random() % 2;
    s.main.expressionFunction = static_cast<int>(random() % 4);
    s.main.numKeysToDisplay = 8 + static_cast<int>(random() % 8);
    s.main.dualKeyboard = random() % 2;
    s.main.startKey = 4;
    const std::string text = s.files.stateText();
    const std::vector<Note> before = s.recorder().notesSnapshot();
    EXPECT_EQ(s.recorder().getState(), section) << "a well-formed song reads back to the same text";

    StateRig t;
    ASSERT_TRUE(t.files.applyStateText(text));
    EXPECT_EQ(t.files.stateText(), text);
    const std::vector<Note> after = t.recorder().notesSnapshot();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
      EXPECT_EQ(after[i].sampleNo, before[i].sampleNo);
      EXPECT_EQ(after[i].time, before[i].time);
      EXPECT_EQ(after[i].noteID, before[i].noteID);
      EXPECT_EQ(after[i].volume, before[i].volume);
      EXPECT_EQ(after[i].overdubNo, 0);
    }
    EXPECT_EQ(t.main.numKeysToDisplay, s.main.numKeysToDisplay);
    EXPECT_EQ(t.main.startKey, 4);
  }
}

TEST(StateTextTest, ASongRecordedHereReadsBackWithEveryTakeAsTakeZero) {
  StateRig s;
  NoteRecorder& r = s.recorder();
  r.metronomeOn();
  r.setMetronomeTempo(97);
  r.setMetronomeVolume(1.0f);
  for (int take = 0; take < 3; ++take) {
    r.record();
    s.rig.clock += 0.1234567;
    s.rig.pressAndRelease(30 + take, 0.3333333, 0.123456789f);
    r.stop();
    s.rig.advance(0.001);
  }
  const std::string text = s.files.stateText();
  EXPECT_NE(text.find("@1|97|1|4|3|6|"), std::string::npos) << text;

  StateRig t;
  ASSERT_TRUE(t.files.applyStateText(text));
  EXPECT_EQ(t.files.stateText(), text);
  EXPECT_EQ(t.recorder().currentOverdubNo(), 0);
  // Everything is take 0 now, so erasing the last take erases the whole song.
  t.recorder().eraseLastOverdub();
  EXPECT_EQ(t.recorder().getNumNotes(), 0);
  EXPECT_EQ(t.recorder().currentOverdubNo(), -1);
  // Presses erase newest-read first.
  ASSERT_TRUE(t.files.applyStateText(text));
  t.recorder().eraseLastXNotes(1);
  for (const Note& note : t.recorder().notesSnapshot()) EXPECT_NE(note.sampleNo, 32);
}

TEST(StateTextTest, VersionOneFilesUseEightKeysAndOneKeyboardAndKeepTheStartKeys) {
  StateRig s;
  s.main.startKey = 40;
  s.main.dualKeyboard = true;
  s.main.numKeysToDisplay = 12;
  ASSERT_TRUE(s.files.applyStateText("-0.0001|0|1|0|2|3|0|@1|90|0.25|3|2|4|1|10|0.5|0|1|1|0|"
                                     "1|11|0.6|1|1|1|0|0|0.7|0|0|0.8|1|@"));
  EXPECT_EQ(s.main.numKeysToDisplay, 8);
  EXPECT_FALSE(s.main.dualKeyboard);
  EXPECT_EQ(s.main.startKey, 40);
  EXPECT_FALSE(s.main.pianoNotePanning);
  EXPECT_TRUE(s.recorder().metronome());
  EXPECT_EQ(s.recorder().getMetronomeTempo(), 90);
  EXPECT_EQ(s.recorder().getNumNotes(), 4);
}

TEST(StateTextTest, DamagedNotesAreDroppedAndValuesHeldToTheirRanges) {
  StateRig s;
  NoteRecorder& r = s.recorder();
  // 1: slot 88 (no such key); 2: negative time; 3: NaN time; 4: infinite time;
  // 5: a release with no earlier press; 6: a press never released; 7: a good
  // note with levels out of range; 8: a release before its press.
  ASSERT_TRUE(r.setState("0|999|9|-2|0|14|"
                         "1|88|0.1|1|1|1|0|0|0.2|1|"
                         "1|5|-0.1|2|1|1|0|0|0.2|2|"
                         "1|5|nan|3|1|1|0|0|0.2|3|"
                         "1|5|0.1|4|1|1|0|0|inf|4|"
                         "0|0.3|5|"
                         "1|6|0.4|6|1|1|0|"
                         "1|7|0.5|7|7|-3|5|0|0.6|7|"
                         "0|0.7|8|1|8|0.8|8|1|1|0|",
                         2));
  const auto song = r.notesSnapshot();
  ASSERT_EQ(song.size(), 2u);
  EXPECT_EQ(song[0].sampleNo, 7);
  EXPECT_EQ(song[0].volume, 1.0f);
  EXPECT_EQ(song[0].attackDelta, 0.0f);
  EXPECT_EQ(song[0].releaseDelta, 0.0f);
  EXPECT_EQ(r.getMetronomeTempo(), 250);
  EXPECT_EQ(r.getMetronomeVolume(), 1.0f);
  EXPECT_EQ(r.getMetronomeBeatsPerBar(), 1);
  // The file's next ID (0) would reuse IDs the song holds.
  EXPECT_EQ(r.currentNoteID(), 9);
  r.record();
  EXPECT_EQ(r.addPlayNote(1, 1, 1, 0), 9);
}

TEST(StateTextTest, AFileThatRunsOutOfFieldsResetsEverything) {
  StateRig s;
  s.main.numKeysToDisplay = 12;
  ASSERT_TRUE(s.recorder().setState("0|120|0.5|4|1|2|1|39|1.5|0|0.7|1|0|0|2.25|0|", 2));
  for (const char* text : {
           "",
           "Version 2",
           "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|",
           "Version 2@-8e-05|-1.6e-05|0|@0|120|0.5|4|0|0|@",
           "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|@",
           // two notes announced, one present
           "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1|2|1|39|1.5|0|0.7|1|0|@",
           // a press cut short
           "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1|1|1|39|1.5",
       }) {
    EXPECT_FALSE(s.files.applyStateText(text)) << text;
    EXPECT_EQ(s.files.stateText(), "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|0|0|@");
  }
}

TEST(StateTextTest, MainSectionChecksForKeysAndStartKeys) {
  using namespace state_text;
  EXPECT_EQ(readNumKeysToDisplay(15), 15);
  EXPECT_EQ(readNumKeysToDisplay(16), 8);
  EXPECT_EQ(readNumKeysToDisplay(-1), 8);

  StateRig s;
  ASSERT_TRUE(s.files.applyStateText("Version 2@nan|inf|0|0|1|1|1|99|0|3|50|64|@0|120|0.5|4|0|0|@"));
  EXPECT_EQ(s.main.sustainTimeNormal, 0.0);
  EXPECT_EQ(s.main.sustainTimePedal, 0.0);
  EXPECT_EQ(s.main.numKeysToDisplay, 8);
  EXPECT_EQ(s.main.startKey, 3);
  EXPECT_EQ(s.main.lowerStartKey, 28) << "key 50 is A sharp";
  EXPECT_EQ(s.main.upperStartKey, 64);
}

TEST(StateTextTest, MoreThan3000NotesReadTheFirst3000) {
  StateRig s;
  std::string section = "0|120|0.5|4|0|3001|";
  for (int i = 0; i < 1500; ++i) {
    section += "1|10|" + std::to_string(i) + ".000000|" + std::to_string(i) + "|1|1|0|";
    section += "0|" + std::to_string(i) + ".500000|" + std::to_string(i) + "|";
  }
  section += "1|10|2000.000000|1500|1|1|0|";
  ASSERT_TRUE(s.recorder().setState(section, 2));
  EXPECT_EQ(s.recorder().getNumNotes(), 3000);
  // A negative count reads no notes.
  ASSERT_TRUE(s.recorder().setState("0|120|0.5|4|0|-4|", 2));
  EXPECT_EQ(s.recorder().getNumNotes(), 0);
}

TEST(StateTextTest, RecordingKeepsOnlyWhatASaveCanHold) {
  StateRig s;
  NoteRecorder& r = s.recorder();
  r.record();
  EXPECT_EQ(r.addPlayNote(88, 1, 1, 0), -1);
  EXPECT_EQ(r.addPlayNote(-1, 1, 1, 0), -1);
  const int id = r.addPlayNote(3, std::numeric_limits<float>::quiet_NaN(), 2.0f, 0.5f);
  r.addStopNote(id, 3);
  r.stop();
  s.rig.advance(0.001);
  const Note press = r.notesSnapshot().at(0);
  EXPECT_EQ(press.volume, 0.0f);
  EXPECT_EQ(press.attackDelta, 1.0f);
  EXPECT_EQ(press.releaseDelta, 0.0f);
}

}  // namespace
}  // namespace piano::testing
