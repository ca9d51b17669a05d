// Shared set-up for the recorder tests: a fake media clock that drives the
// engine, the run loop and the recorder; an engine without output whose slots
// hold short synthetic samples; a parent that logs what playback shows; and a
// stand-in for the root view's main section.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/sound_player.h"
#include "platform/run_loop.h"
#include "recording/note_recorder.h"
#include "recording/state_section.h"

namespace piano::testing {

class LoggingParent : public RecorderParent {
 public:
  void mechanicalKeyPressDownForTrigger(int sampleNo) override { log.push_back("down " + std::to_string(sampleNo)); }
  void mechanicalKeyPressUpForTrigger(int sampleNo) override { log.push_back("up " + std::to_string(sampleNo)); }
  void playbackEnded() override { log.push_back("ended"); }
  void liftAllKeysAndStopRecording() override {
    log.push_back("lift");
    if (recorder != nullptr) recorder->addOverdubNotes();
  }
  NoteRecorder* recorder = nullptr;
  std::vector<std::string> log;
};

// Every slot holds `seconds` of a constant level, so a voice's sound is easy to
// recognise and lasts long enough to be stopped.
void fillSlots(SoundPlayer& player, double seconds = 0.25);

struct RecorderRig {
  explicit RecorderRig(bool playbackThread = false);
  ~RecorderRig();

  // Advances the fake clock, runs a playback pass and the main loop's due work.
  void advance(double seconds);
  // Renders one 256-frame buffer (what the audio thread would do).
  void renderBuffer();
  // Records a press held for `length` seconds starting `at` seconds from now.
  int pressAndRelease(int slot, double length, float volume = 0.8f);

  double clock = 1000.0;
  platform::RunLoop loop;
  LoggingParent parent;
  std::unique_ptr<SoundPlayer> player;
  std::unique_ptr<Metronome> metronome;
  std::unique_ptr<NoteRecorder> recorder;
  std::vector<std::int16_t> buffer;
};

// Holds the twelve main-section fields, with the checks the root view applies.
class FakeMainSection : public StateSection {
 public:
  std::string getState() const override;
  bool setState(std::string_view section, int version) override;
  void resetState() override;

  double sustainTimeNormal = -0.00008;
  double sustainTimePedal = -0.000016;
  bool softPedalPressed = false;
  bool sustainPedalPressed = false;
  int expressionFunction = 1;
  int displayNoteNames = 1;
  bool pianoNotePanning = true;
  int numKeysToDisplay = 8;
  bool dualKeyboard = false;
  int startKey = 28;
  int lowerStartKey = 28;
  int upperStartKey = 52;
};

// A song of `presses` random presses with their releases, as text.
std::string randomSongSection(unsigned seed, int presses);

}  // namespace piano::testing
