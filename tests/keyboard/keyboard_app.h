// The keyboard screen wired as the application wires it: sound engine,
// recorder, a root that forwards playback's key events to the keyboard view,
// the portrait container turned onto the landscape window, and a headless
// driver on a manual clock. Audio is pulled like a device would pull it: one
// 256-frame buffer every 256/44100 s of the clock, each after a playback pass,
// and kept for the test to analyse.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/sound_player.h"
#include "keyboard/single_keyboard_view.h"
#include "platform/headless_driver.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/sdl_display.h"
#include "platform/window.h"
#include "recording/note_recorder.h"
#include "recording/recorder_parent.h"

namespace piano::test {

class KeyboardApp : public RecorderParent, public KeyboardParent {
 public:
  struct Options {
    std::string sampleDir;    // empty: short test tones in every slot
    bool display = false;     // an off-screen SDL display, for screenshots
    bool tall = false;
    int numKeysToDisplay = 8;
    int displayNoteNames = 1;
  };

  explicit KeyboardApp(Options options);
  ~KeyboardApp();

  // Runs a touch script (see platform/touch_script.h); "portrait" is implied.
  // Returns false when it does not parse or a screenshot failed.
  bool run(const std::string& script);
  void advance(double seconds) { driver_->advance(seconds); }
  bool screenshot(const std::string& path);

  // Everything the output pulled so far, interleaved stereo, and the clock's
  // time at its first frame.
  const std::vector<std::int16_t>& audio() const { return audio_; }
  double audioStart() const { return audioStart_; }
  // Frame index of a clock time in audio().
  long long frameAt(double time) const;

  // RecorderParent: what playback reports, on the main thread.
  void mechanicalKeyPressDownForTrigger(int sampleNo) override { view->mechanicalKeyPressDownForTrigger(sampleNo); }
  void mechanicalKeyPressUpForTrigger(int sampleNo) override { view->mechanicalKeyPressUpForTrigger(sampleNo); }
  void playbackEnded() override { view->playbackEnded(); }
  void liftAllKeysAndStopRecording() override { view->liftAllKeysAndStopRecording(); }
  // KeyboardParent: the other screens do not exist here.
  void showSetup() override { ++setups; }
  void showNoteRecorder() override { ++libraries; }

  platform::ManualClock clock{10.0};
  platform::RunLoop loop{clock.function()};
  int setups = 0;
  int libraries = 0;

 private:
  void audioTick();
  bool savedTall_;
  std::unique_ptr<platform::Display> display_;
  std::unique_ptr<platform::Window> window_;
  double wall_ = 1000.0;

 public:
  SoundPlayer sound;
  NoteRecorder recorder;
  std::shared_ptr<SingleKeyboardView> view;

 private:
  std::shared_ptr<platform::View> root_;
  std::shared_ptr<platform::View> container_;
  std::unique_ptr<platform::HeadlessDriver> driver_;
  std::vector<std::int16_t> audio_;
  std::vector<std::int16_t> buffer_;
  double audioStart_ = 0.0;
};

// The fundamental frequency of a stretch of mono sound (YIN), in Hz; 0 when
// none is found between 40 and 2000 Hz.
double fundamentalFrequency(const std::vector<float>& mono, int sampleRate = 44100);
// Mono (left + right) / 2 of `frames` frames from frame `first` of interleaved stereo.
std::vector<float> monoSlice(const std::vector<std::int16_t>& stereo, long long first, long long frames);
// The frequency of key `key` (1..88) on an equal-tempered piano tuned to A4 = 440 Hz.
double keyFrequency(int key);

}  // namespace piano::test
