// The recorder with an engine that has no output: takes and their limits,
// merging and repair, the erasures, playback and what it shows, the metronome,
// the recorder's section of the state text, and all of it at once on threads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <thread>

#include "audio/sound_player.h"
#include "recording/note_recorder.h"
#include "recording/state_text.h"

namespace piano {
namespace {

using Log = std::vector<std::string>;

// Every slot holds a constant level, the accented click twice the plain one;
// the parent logs what playback shows and merges a stopped take as the root
// view does. On a fake clock unless `realTime`.
struct Recorder : RecorderParent {
  explicit Recorder(bool realTime = false) : realTime(realTime) {
    for (int s = 0; s < kNumSampleSlots; ++s) player.setSampleData(s, std::vector<std::int16_t>(11025, 10000));
    player.setSampleData(kMetronomeHiSlot, std::vector<std::int16_t>(11025, 20000));
  }
  std::function<double()> time() { return realTime ? std::function<double()>() : [this] { return clock; }; }
  void mechanicalKeyPressDownForTrigger(int s) override { log.push_back("down " + std::to_string(s)); }
  void mechanicalKeyPressUpForTrigger(int s) override { log.push_back("up " + std::to_string(s)); }
  void playbackEnded() override { log.push_back("ended"); }
  void liftAllKeysAndStopRecording() override { log.push_back("lift"), r.addOverdubNotes(); }

  void advance(double seconds) { clock += seconds, r.playbackPass(), loop.runDue(); }
  int render() {  // one buffer; its first left sample
    std::int16_t out[512];
    player.render({out, 256});
    return out[0];
  }
  // A press of `slot` held for `length` seconds.
  int press(int slot, double length, float volume = 0.8f, float release = -0.001f) {
    const int id = r.addPlayNote(slot, volume, 1.0f, release);
    clock += length;
    if (id >= 0) r.addStopNote(id, r.getSampleNoForNoteID(id));
    return id;
  }
  void stopTake() { r.stop(), advance(0.001); }
  std::vector<int> pressedSlots() const {
    std::vector<int> slots;
    for (const Note& note : r.notesSnapshot()) note.keyDown ? slots.push_back(note.sampleNo) : void();
    return slots;
  }
  // The clicks while `seconds` pass in 1 ms steps, each rendered: when, from
  // `origin`, and whether accented.
  std::vector<std::pair<double, bool>> clicks(double seconds, double origin) {
    std::vector<std::pair<double, bool>> heard;
    for (double t = 0; t < seconds; t += 0.001) {
      const int before = player.activeVoiceCount();
      clock += 0.001, loop.runDue();
      const bool started = player.activeVoiceCount() > before;
      if (const int level = render(); started) heard.emplace_back(clock - origin, level > 7500);
    }
    return heard;
  }

  const bool realTime;
  double clock = 1000.0;
  platform::RunLoop loop{time()};
  SoundPlayer player{{nullptr, "", time()}};
  Metronome metronome{player, loop};
  NoteRecorder r{this, player, metronome, loop, {time(), {}, realTime, {}}};
  Log log;
};

TEST(Recorder, AFirstTakeStartsAtItsFirstPressAndOverdubsCountFromRecord) {
  Recorder t;
  NoteRecorder& r = t.r;
  EXPECT_EQ(r.addPlayNote(39, 0.5f, 1.0f, -0.001f), -1) << "not recording";
  r.record();
  EXPECT_EQ(r.getNRState(), RecorderState::kRecording);
  t.clock += 2.5;  // the player waits before the first press
  t.press(39, 0.25);
  t.clock += 0.5;
  const int same = r.addPlayNote(40, 0.5f, 1.0f, 0.0f);
  r.addStopNote(same, 40), t.stopTake();
  EXPECT_EQ(std::pair(t.log, r.getNRState()), std::pair(Log{"lift"}, RecorderState::kIdle));
  auto song = r.notesSnapshot();
  ASSERT_EQ(song.size(), 4u);
  EXPECT_TRUE(song[0].time == 0.0 && std::abs(song[1].time - 0.25) < 1e-9 && song[0].overdubNo == 1);
  EXPECT_TRUE(song[2].keyDown && !song[3].keyDown) << "at the same clock reading, the press stays first";

  r.record(), t.clock += 0.5;
  const int held = t.press(60, 0.1);
  EXPECT_EQ(r.getSampleNoForNoteID(same), 40) << "a press of the song, while the take holds others";
  EXPECT_EQ(std::pair(r.getSampleNoForNoteID(held), r.getSampleNoForNoteID(999)), std::pair(60, -1));
  r.addStopNote(999, -1);  // a release whose press is unknown is repaired away
  const int cut = r.addPlayNote(61, 0.5f, 1.0f, 0.0f);
  r.stop(), r.stop();  // a second stop before the merge keeps the take
  r.addStopNote(cut, 61);  // lifted after the stop: not recorded, so the press goes too
  r.record();              // before the playback pass asked for the merge
  song = r.notesSnapshot();
  ASSERT_EQ(song.size(), 6u);
  EXPECT_NEAR(song[2].time, 0.5, 1e-9);
  EXPECT_EQ(std::pair(song[2].overdubNo, r.currentOverdubNo()), std::pair(2, 3));
}

// Take 1: slots 10, 11; take 2: slot 20; take 3: slots 30, 31, early in the song.
void recordThreeTakes(Recorder& t) {
  for (const auto& [delay, slots] : {std::pair{0.0, std::vector{10, 11}}, {0.5, {20}}, {0.2, {30, 31}}}) {
    t.r.record(), t.clock += delay;
    for (int slot : slots) t.press(slot, delay == 0.2 ? 0.1 : 1.0), t.clock += 0.05;
    t.stopTake();
  }
}

TEST(Recorder, ErasuresGoByTakeAndByRecordingOrderNotBySongTime) {
  Recorder t;
  NoteRecorder& r = t.r;
  recordThreeTakes(t);
  ASSERT_EQ(t.pressedSlots(), (std::vector{10, 30, 31, 20, 11}));
  r.eraseLastOverdub();
  EXPECT_EQ(std::pair(t.pressedSlots(), r.getNumNotes()), std::pair(std::vector{10, 20, 11}, 6));
  for (int i = 0; i < 3; ++i) r.eraseLastOverdub();  // the last on an empty song only counts down
  EXPECT_EQ(std::pair(r.getNumNotes(), r.currentOverdubNo()), std::pair(0, -1));

  recordThreeTakes(t);
  r.eraseLastXNotes(1);
  EXPECT_EQ(t.pressedSlots(), (std::vector{10, 30, 20, 11}));
  for (int count : {2, 0, -3}) r.eraseLastXNotes(count);
  EXPECT_EQ(t.pressedSlots(), (std::vector{10, 11}));
  EXPECT_EQ((r.eraseLastXNotes(100), r.getNumNotes()), 0);
  recordThreeTakes(t), r.record();
  const int nextID = r.currentNoteID();
  EXPECT_EQ(r.addPlayNote(50, 0.5f, 1.0f, 0.0f), nextID);
  r.eraseWholeSong();  // keeps the note IDs and the take in progress
  EXPECT_EQ(std::tuple(r.getNumNotes(), r.currentOverdubNo(), r.currentTake().size(), r.currentNoteID()),
            std::tuple(0, 0, 1u, nextID + 1));
}

// Presses: slot 39 at 0.0-0.5, slot 40 at 0.1-0.2, slot 41 at 0.3-0.4.
constexpr const char* kThreeNotes =
    "0|120|0.5|4|3|6|1|39|0.000000|0|1|1|-1|1|40|0.100000|1|1|1|-1|0|0.200000|1|"
    "1|41|0.300000|2|1|1|-1|0|0.400000|2|0|0.500000|0|";

// Slot 40 has no sample: its press gets no voice and is not shown, and its
// release (whose voice number a loaded song leaves at 0) stops nothing.
TEST(Playback, PressesStartVoicesReleasesStopThemAndTheEndIsToldOnce) {
  Recorder t;
  NoteRecorder& r = t.r;
  t.player.setSampleData(40, {});
  EXPECT_FALSE(r.play()) << "an empty song does not play";
  ASSERT_TRUE(r.setState(kThreeNotes, 2));
  ASSERT_TRUE(r.play());
  EXPECT_EQ(r.getNRState(), RecorderState::kPlaying);
  t.advance(0.0), t.render();  // the note at time 0 sounds on the first pass
  t.advance(0.25), t.render(), t.render();
  EXPECT_EQ(t.player.activeVoiceCount(), 1);
  t.advance(0.1);
  EXPECT_EQ(t.player.activeVoiceCount(), 2);
  t.advance(0.1);
  EXPECT_EQ(r.getNRState(), RecorderState::kPlaying);
  t.advance(0.05);  // past the last note
  EXPECT_EQ(r.getNRState(), RecorderState::kIdle);
  t.render(), t.render(), t.advance(0.001), t.advance(0.001);
  EXPECT_EQ(t.player.activeVoiceCount(), 0);
  EXPECT_EQ(t.log, (Log{"down 39", "up 40", "down 41", "up 41", "up 39", "ended", "lift"}));

  t.log.clear(), r.play(), t.advance(0.35);
  r.stop(), r.stop(), t.render(), t.render(), t.advance(0.001), t.advance(0.001);
  EXPECT_EQ(t.player.activeVoiceCount(), 0) << "a stop silences every voice";
  EXPECT_EQ(t.log, (Log{"down 39", "up 40", "down 41", "lift"}));
}

TEST(Playback, ChangesDuringPlaybackKeepItsPlace) {
  Recorder t;
  NoteRecorder& r = t.r;
  ASSERT_TRUE(r.setState(kThreeNotes, 2));
  r.play(), t.advance(0.25);
  ASSERT_EQ(r.currentNoteNo(), 3);
  r.eraseLastXNotes(1);  // slot 41's press and release, read last
  EXPECT_EQ(r.currentNoteNo(), 3);
  t.log.clear(), t.advance(0.3);
  EXPECT_EQ(t.log, (Log{"up 39", "ended"}));
  r.play(), t.advance(0.05), r.eraseWholeSong(), t.advance(0.001);
  EXPECT_EQ(r.getNRState(), RecorderState::kIdle) << "an emptied song ends";

  ASSERT_TRUE(r.setState(kThreeNotes, 2));
  r.play(), t.advance(0.1);
  ASSERT_TRUE(r.setState(kThreeNotes, 2));  // a song loaded during playback ends it, playing nothing more
  t.log.clear(), t.advance(5.0);
  EXPECT_EQ(t.log, Log{"ended"});
  r.play(), t.advance(1.0);  // to its end; a take then plays the song under it from its start
  t.log.clear(), r.record(), t.advance(1.0);  // and records past the end of the song
  EXPECT_EQ(std::pair(t.log.front(), r.getNRState()), std::pair(std::string("down 39"), RecorderState::kRecording));
  t.press(50, 1.0, 1.0f, -1.0f), t.stopTake();
  EXPECT_EQ(r.getNumNotes(), 8);
  EXPECT_NEAR(r.notesSnapshot().back().time, 2.0, 1e-9);
}

// The thread sleeps while nothing plays: each play, and a stop, must wake it,
// also after it went back to sleep at the end of the song before.
TEST(Playback, TheThreadPlaysAShortSongOnTheRealClock) {
  Recorder t(/*realTime=*/true);
  ASSERT_TRUE(t.r.setState("0|120|0.5|4|2|4|1|39|0|0|1|1|-1|1|40|0.01|1|1|1|-1|0|0.02|1|0|0.03|0|", 2));
  auto untilLift = [&] {
    t.log.clear();
    for (const double end = platform::mediaTime() + 5.0; t.log.empty() || t.log.back() != "lift";) {
      if (platform::mediaTime() > end) break;
      t.loop.waitForEvents(0.01), t.loop.runDue();
    }
    return t.log;
  };
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(t.r.play());
    EXPECT_EQ(untilLift(), (Log{"down 39", "down 40", "up 40", "up 39", "ended", "lift"}));
  }
  t.r.stop();
  EXPECT_EQ(untilLift(), Log{"lift"});
}

TEST(Metronome, ATakeClicksOnItsOwnGridAccentingEachBarUntilItStops) {
  Recorder t;
  t.metronome.metronomeOn();
  for (const bool late : {false, true}) {
    const double origin = t.clock;
    t.r.record();
    EXPECT_EQ(t.render(), 10000) << "the accented click sounds at once, at half volume";
    if (late) t.clock += 0.53, t.loop.runDue();  // the main loop gets to the first tick late
    const auto heard = t.clicks(2.6 - (t.clock - origin), origin);
    ASSERT_EQ(heard.size(), late ? 4u : 5u);
    for (std::size_t i = 0; i < heard.size(); ++i) {
      const double beat = static_cast<double>(i + (late ? 2 : 1)) * 0.5;
      EXPECT_NEAR(heard[i].first, beat, 1.5e-3) << "on the grid, however late the ticks";
      EXPECT_EQ(heard[i].second, beat == 2.0);
    }
    t.r.stop();
    EXPECT_TRUE(t.clicks(2.0, t.clock).empty());
    t.advance(0.001);
  }
}

TEST(Metronome, SettingsAreHeldToTheirRangesAndLoopsNeverDouble) {
  Recorder t;
  Metronome& m = t.metronome;
  for (const auto& [bpm, held] : {std::pair{60, 60}, {0, 50}, {-7, 50}, {100000, 250}}) {
    EXPECT_EQ((m.setMetronomeTempo(bpm), m.getMetronomeTempo()), held);
  }
  EXPECT_EQ((m.setMetronomeBeatsPerBar(7), m.getMetronomeBeatsPerBar()), 6);

  t.r.record();
  m.metronomeOn();  // switched on during a take: nothing starts
  EXPECT_TRUE(t.clicks(1.2, t.clock).empty());
  t.stopTake();
  m.setMetronomeBeatsPerBar(0), m.setMetronomeTempo(240);  // one beat a bar: every click accented
  t.r.record(), t.clicks(0.1, t.clock), t.stopTake();
  const double origin = t.clock;
  t.r.record();  // before the earlier take's pending tick, which must not click
  t.render();
  auto heard = t.clicks(0.76, origin);
  ASSERT_EQ(heard.size(), 3u);
  for (const auto& [time, accented] : heard) EXPECT_TRUE(accented && std::fmod(time + 1e-3, 0.25) < 2.5e-3) << time;
  t.stopTake();

  m.setMetronomeBeatsPerBar(4), m.setMetronomeTempo(120);
  const double preview = t.clock;
  m.startMetronome();
  EXPECT_TRUE(m.metronomePlaying());
  t.clicks(0.6, preview), m.stopMetronome();
  m.startMetronome();  // within the beat: the same loop goes on, its count too
  heard = t.clicks(1.5, preview);
  ASSERT_EQ(heard.size(), 3u);
  EXPECT_TRUE(!heard[0].second && !heard[1].second && heard[2].second) << "beats 3 and 4, then the next bar";
  m.stopMetronome();  // the pending tick ends the loop without a click
  EXPECT_TRUE(t.clicks(1.6, preview).empty() && !m.metronomePlaying());
  EXPECT_EQ((m.setMetronomeVolume(7.0f), m.getMetronomeVolume()), 1.0f);
}

TEST(RecorderState, TheTextOfASongIsExactAndReadsBackTheSame) {
  Recorder t;
  NoteRecorder& r = t.r;
  EXPECT_EQ(r.getState(), "0|120|0.5|4|0|0|");
  t.metronome.metronomeOn(), r.record();  // the take then starts at record, not at the first press
  t.clock += 1.5, t.press(39, 0.75, 0.7f, -0.00008f), t.stopTake(), t.metronome.metronomeOff();
  EXPECT_EQ(r.getState(), "0|120|0.5|4|1|2|1|39|1.500000|0|0.7|1|-8e-05|0|2.250000|0|");

  // Takes with random levels and times read back to the same text, every note
  // as it was but all in take 0.
  std::mt19937 random(5);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  t.metronome.setMetronomeTempo(97);
  for (int take = 0; take < 20; ++take) {
    r.record();
    for (int i = 0; i < 30; ++i) {
      t.clock += unit(random);
      t.press(static_cast<int>(random() % 88), unit(random) * 0.5, unit(random), -unit(random) * 0.001f);
    }
    t.stopTake();
  }
  const std::size_t notes = r.notesSnapshot().size();
  Recorder u;  // the same text back: every time to the microsecond, slot and ID, all in take 0
  ASSERT_TRUE(u.r.setState(r.getState(), 2));
  EXPECT_EQ(std::pair(u.r.getState(), u.metronome.getMetronomeTempo()), std::pair(r.getState(), 97));
  u.r.eraseLastXNotes(1);  // the press read last
  EXPECT_EQ(u.r.notesSnapshot().size(), notes - 2);
  u.r.eraseLastOverdub();  // every note is in take 0, the last take now
  EXPECT_EQ(std::pair(u.r.getNumNotes(), u.r.currentOverdubNo()), std::pair(0, -1));
}

// What a damaged text may hold the fuzz target tries (tests/recording/fuzz);
// here: the counts at the edges, the next note ID, and what recording keeps.
TEST(RecorderState, NoteCountsAtTheEdgesAndOnlyWhatASaveCanHoldIsRecorded) {
  Recorder t;
  NoteRecorder& r = t.r;
  std::string many = "0|120|0.5|4|0|3001|";  // the first 3000 are read
  for (int i = 0; i < 1500; ++i) many += "1|10|" + std::to_string(i) + "|" + std::to_string(i) + "|1|1|0|0|" +
                                         std::to_string(i) + ".5|" + std::to_string(i) + "|";
  ASSERT_TRUE(r.setState(many + "1|10|2000|1500|1|1|0|", 2));
  EXPECT_EQ(std::pair(r.getNumNotes(), r.currentNoteID()), std::pair(3000, 1500));
  EXPECT_TRUE(r.setState("0|120|0.5|4|0|-4|", 2) && r.getNumNotes() == 0);
  EXPECT_FALSE(r.setState("0|120|0.5|4|1|2|1|39|1.5|0|0.7|1|0|", 2)) << "a note missing";
  ASSERT_TRUE(r.setState("0|120|0.5|4|0|2|1|5|0.1|8|7|-3|5|0|0.6|8|", 2));
  EXPECT_EQ(r.currentNoteID(), 9) << "the file's next ID (0) would reuse an ID the song holds";
  const Note loaded = r.notesSnapshot().at(0);
  EXPECT_EQ(std::tuple(loaded.volume, loaded.attackDelta, loaded.releaseDelta), std::tuple(1.0f, 0.0f, 0.0f));
  r.record();
  EXPECT_EQ(std::tuple(r.addPlayNote(88, 1, 1, 0), r.addPlayNote(-1, 1, 1, 0), r.addPlayNote(1, 1, 1, 0)),
            std::tuple(-1, -1, 9));
  r.addPlayNote(3, std::numeric_limits<float>::quiet_NaN(), 2.0f, 0.5f);
  const Note& held = r.currentTake().back();
  EXPECT_EQ(std::tuple(held.volume, held.attackDelta, held.releaseDelta), std::tuple(0.0f, 1.0f, 0.0f));

  t.stopTake(), r.eraseWholeSong(), r.record();  // song and take together hold at most 3000 notes
  for (int i = 0; i < 1499; ++i) t.press(i % kNumPianoKeys, 0.001);
  const int last = r.addPlayNote(10, 1.0f, 1.0f, 0.0f);  // note 2999, its release 3000
  r.addStopNote(last, 10);
  EXPECT_EQ(r.addPlayNote(11, 1.0f, 1.0f, 0.0f), -1);
  r.addStopNote(last, 10);
  EXPECT_EQ(r.currentTake().size(), 3000u);
  t.stopTake();
  r.record();
  EXPECT_EQ(std::pair(r.getNumNotes(), r.addPlayNote(12, 1.0f, 1.0f, 0.0f)), std::pair(3000, -1));
}

// Written levels are short; read numbers saturate and stop at the first stray character; texts are UTF-8.
TEST(RecorderState, SqueezedFloatsAndNumbersReadAsFarAsTheyGo) {
  using namespace state_text;
  EXPECT_EQ(squeezeFloat(-0.0f) + squeezeFloat(123456789.0f), "01.23457e+08");
  EXPECT_EQ(std::tuple(parseInt(" 42abc"), parseInt("-3.9"), parseInt("99999999999999999999"),
                       parseInt("-99999999999999999999")),
            std::tuple(42, -3, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()));
  EXPECT_EQ(std::pair(parseDouble(" 1.5x"), parseDouble("+-1")), std::pair(1.5, 0.0));
  EXPECT_TRUE(std::isnan(parseDouble("nan")) && std::isinf(parseDouble("-inf")) && std::isnan(parseDouble("1e999")));
  // Texts: a bad first byte, a character cut at the end, a surrogate and an overlong form are not UTF-8.
  EXPECT_EQ(std::vector({isValidUtf8("\xff" "a"), isValidUtf8("a\xe6\x9c"), isValidUtf8("\xed\xa0\x80"),
                         isValidUtf8("\xc0\xaf"), isValidUtf8("a\xe6\x9c\x88"), isValidUtf8("\xf0\x9f\x8e\xb9")}),
            std::vector({false, false, false, false, true, true}));
}

// Recording, erasing, loading and playback at once, with the playback thread
// and an audio thread rendering: for the ThreadSanitizer and AddressSanitizer
// builds, where any race or use of a freed note shows.
TEST(Recorder, RecordingErasingAndPlaybackAtOnce) {
  using std::chrono::microseconds;
  Recorder t(/*realTime=*/true);
  NoteRecorder& r = t.r;
  std::atomic<bool> running{true};
  std::thread audio([&] { while (running.load()) t.render(), std::this_thread::sleep_for(microseconds(500)); });
  std::mt19937 random(11);
  std::string saved;
  std::vector<int> held;
  for (const double end = platform::mediaTime() + 1.5; platform::mediaTime() < end;) {
    switch (random() % 12) {
      case 0: r.record(); break;
      case 1: r.stop(); break;
      case 2: r.play(); break;
      case 3: r.eraseLastXNotes(1 + static_cast<int>(random() % 3)); break;
      case 4: r.eraseLastOverdub(); break;
      case 5: random() % 20 == 0 ? r.eraseWholeSong() : void(); break;
      case 6: random() % 10 == 0 ? (void)r.setState(saved, 2) : void(saved = r.getState()); break;
      default:
        held.push_back(r.addPlayNote(static_cast<int>(random() % 88), 0.5f, 1.0f, -0.01f));
        if (held.size() > 3 || random() % 2 == 0) {
          for (int h : held) r.addStopNote(h, r.getSampleNoForNoteID(h));
          held.clear();
        }
    }
    t.loop.runDue(), std::this_thread::sleep_for(microseconds(200));
  }
  r.stop();
  for (const double end = platform::mediaTime() + 0.1; platform::mediaTime() < end;) {
    t.loop.waitForEvents(0.01), t.loop.runDue();
  }
  running.store(false), audio.join();
  EXPECT_EQ(r.getNRState(), RecorderState::kIdle);
  const auto song = r.notesSnapshot();  // whatever happened, every press has a later release
  for (std::size_t i = 0; i < song.size(); ++i) {
    bool released = !song[i].keyDown;
    for (std::size_t j = i + 1; j < song.size() && !released; ++j) released = song[j].noteID == song[i].noteID;
    EXPECT_TRUE(released && song[i].sampleNo >= 0) << "note " << i;
  }
}

}  // namespace
}  // namespace piano
