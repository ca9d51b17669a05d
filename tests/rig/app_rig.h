// The whole application as tests drive it: the real root view with every
// subsystem, on a manual clock, in a window without a display (or an
// off-screen SDL display when pictures are wanted), with its own documents
// folder. Fingers are given in the screens' portrait points; the sound is
// pulled as a device pulls it (a 256-frame buffer every 256/44100 s of the
// clock, each after a playback pass) and kept for the test to read.
//
// Threads: main thread only; the playback thread is not started, its passes
// run with the audio.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "platform/geometry.h"
#include "platform/headless_driver.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/sdl_display.h"
#include "platform/window.h"

namespace piano::test {

// Tests name only the options they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
struct AppRigOptions {
  bool tall = false;
  std::string language = "en";
  // The built sample set; empty: a square-wave tone of `toneFrames` in every
  // piano slot (and the built clicks are not needed).
  std::string sampleDir;
  int toneFrames = 22050;
  bool display = false;       // an off-screen SDL display, for pictures
  bool welcomeSeen = true;    // the first-launch message was shown on an earlier run
  bool start = true;          // start the application at once
  // Told of every note playback plays.
  std::function<void(const Note&, double elapsed)> playbackObserver;
  platform::MidiConnection* midi = nullptr;  // MIDI devices to play from and to
};

class AppRig {
 public:
  using Options = AppRigOptions;
  explicit AppRig(Options options = Options());
  ~AppRig();
  AppRig(const AppRig&) = delete;
  AppRig& operator=(const AppRig&) = delete;

  // Starts the application on the rig's folder; a running one is closed first,
  // as the window's close would close it (so its state is saved).
  MainView& start();
  void quit();
  MainView& app() { return *view; }

  // Fingers in portrait points, straight into the window at the clock's time.
  void down(int finger, platform::Point at);
  void move(int finger, platform::Point at);
  void up(int finger);  // where the finger last was
  void up(int finger, platform::Point at);
  // A press and lift, then the screen changes it may start run to their end.
  void tap(platform::Point at);
  // Taps the welcome message away if it shows.
  void dismissWelcome();

  // Lets time pass: timers, animations, playback passes and the sound.
  void advance(double seconds);
  void settle() { advance(0.8); }
  // A touch script (platform/touch_script.h) in portrait points.
  bool run(const std::string& script);

  // The sound so far, interleaved stereo, and where a clock time falls in it.
  const std::vector<std::int16_t>& audio() const { return audio_; }
  long long frameAt(double time) const;
  // Peak of |left| and |right| over the frames of [from, to) seconds.
  int peakBetween(double from, double to) const;
  // The slots of the song's presses, in the order the song holds them.
  std::vector<int> songPresses() const;

  platform::Window& window() { return *window_; }
  platform::Display* display() { return display_.get(); }

  platform::ManualClock clock{50.0};
  platform::RunLoop loop{clock.function()};
  const std::filesystem::path documents;
  Options options;
  std::shared_ptr<MainView> view;
  std::vector<std::string> opened;  // addresses given to the browser
  bool browserWorks = true;

 private:
  void audioTick();

  bool savedTall_;
  std::unique_ptr<platform::Display> display_;
  std::unique_ptr<platform::Window> ownWindow_;
  platform::Window* window_ = nullptr;
  std::unique_ptr<platform::HeadlessDriver> driver_;
  std::vector<std::int16_t> audio_;
  double audioStart_ = 0.0;
  std::uint64_t generation_ = 0;  // audio ticks of an earlier start end themselves
  platform::Point fingers_[64]{};
};

// A file's bytes; empty when it cannot be read.
std::string fileText(const std::filesystem::path& path);
// The fundamental of a stretch of mono sound (YIN), in Hz; 0 when too short.
double fundamentalFrequency(const std::vector<float>& mono);
// (left + right) / 2 of `frames` frames from frame `first` of interleaved stereo.
std::vector<float> monoSlice(const std::vector<std::int16_t>& stereo, long long first, long long frames);
// Key `key` on an equal-tempered piano tuned to A4 (key 49) = 440 Hz.
double keyFrequency(int key);

}  // namespace piano::test
