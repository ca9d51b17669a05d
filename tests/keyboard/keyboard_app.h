// The keyboard screen wired as the application wires it: sound engine (the
// built samples, or a short tone in every slot), recorder without its thread,
// a root that forwards playback's key events to the view, the portrait
// container turned onto the landscape window, all on a manual clock.
//
// Tests drive it two ways: fingers straight into the window with audio
// rendered by hand, or touch scripts through the headless driver, during which
// the output is pulled as a device would pull it (a 256-frame buffer every
// 256/44100 s of the clock, each after a playback pass) and kept.
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
#include "recording/note_recorder.h"
#include "recording/recorder_parent.h"
#include "rig/app_rig.h"

namespace piano::test {

// Tests name only the options they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
struct KeyboardAppOptions {
  std::string sampleDir;        // empty: a short tone in every slot
  std::vector<int> emptySlots;  // with tones: slots left without a sample
  bool display = false;         // an off-screen SDL display, for screenshots
  bool tall = false;
  int numKeysToDisplay = 8;
  int displayNoteNames = 1;
};

class KeyboardApp : public RecorderParent, public KeyboardParent {
 public:
  using Options = KeyboardAppOptions;
  explicit KeyboardApp(Options options = Options());
  ~KeyboardApp();

  // Fingers in portrait points, straight into the window at the clock's time.
  void down(int finger, double x, double y);
  void move(int finger, double x, double y);
  void up(int finger);  // where the finger last was
  void render(int frames = 256);
  const Voice& voice(int v) const { return sound.voiceForTest(v); }
  // In its release, or asked to enter it at the next buffer, or silent.
  bool released(int v) const;
  KeyPressEngine& engine() { return view->engine(); }
  WhiteKeyPicture whiteShown(int position);
  BlackKeyPicture blackShown(int boundary);

  // A touch script (platform/touch_script.h) in portrait points.
  bool run(const std::string& script);
  void advance(double seconds) { driver_->advance(seconds); }
  const std::vector<std::int16_t>& audio() const { return audio_; }  // interleaved stereo
  long long frameAt(double time) const;                              // index in audio() of a clock time

  void mechanicalKeyPressDownForTrigger(int sampleNo) override { view->mechanicalKeyPressDownForTrigger(sampleNo); }
  void mechanicalKeyPressUpForTrigger(int sampleNo) override { view->mechanicalKeyPressUpForTrigger(sampleNo); }
  void playbackEnded() override { view->playbackEnded(); }
  void liftAllKeysAndStopRecording() override { view->liftAllKeysAndStopRecording(); }
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
  std::unique_ptr<platform::Window> ownWindow_;
  platform::Window& window_;
  double wall_ = 1000.0;

 public:
  SoundPlayer sound;
  Metronome metronome{sound, loop};
  NoteRecorder recorder;
  std::shared_ptr<SingleKeyboardView> view;

 private:
  std::shared_ptr<platform::View> root_ = std::make_shared<platform::View>();
  std::shared_ptr<platform::View> container_ = std::make_shared<platform::View>();
  std::unique_ptr<platform::HeadlessDriver> driver_;
  std::vector<std::int16_t> audio_;
  std::vector<std::int16_t> buffer_;
  double audioStart_ = 0.0;
  platform::Point fingers_[32];
};

}  // namespace piano::test
