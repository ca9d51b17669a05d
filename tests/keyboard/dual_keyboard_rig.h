// The two-keyboard screen with a real sound engine (rendered by hand) and a
// real recorder (no playback thread, on a manual clock), turned onto a
// landscape window as the root view turns it, so that fingers arrive as real
// touches in portrait points.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/sound_player.h"
#include "keyboard/dual_keyboard_view.h"
#include "keyboard/keyboard_host.h"
#include "platform/window.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "recording/note_recorder.h"

namespace piano::test {

// Fills the 88 piano slots with a square-wave tone of `toneFrames` frames.
void fillTones(SoundPlayer& sound, int toneFrames = 22050);

// Counts the root view's screen changes that the keyboard asks for.
struct CountingParent : KeyboardParent {
  int setups = 0;
  int libraries = 0;
  void showSetup() override { ++setups; }
  void showNoteRecorder() override { ++libraries; }
};

// A screen in a landscape window, turned as the root view turns it, so that
// fingers are given in the screen's portrait points.
class PortraitScreen {
 public:
  explicit PortraitScreen(std::shared_ptr<platform::View> screen);
  platform::Window& window() { return window_; }
  platform::View& container() { return *container_; }
  void down(std::int64_t finger, platform::Point portrait);
  void move(std::int64_t finger, platform::Point portrait);
  void up(std::int64_t finger, platform::Point portrait);
  double time = 0.0;

 private:
  platform::Window window_;
  std::shared_ptr<platform::View> root_;
  std::shared_ptr<platform::View> container_;
};

// Sets the process-wide tall-screen flag for a scope (before a screen is built).
class TallScreenScope {
 public:
  explicit TallScreenScope(bool tall);
  ~TallScreenScope();
  TallScreenScope(const TallScreenScope&) = delete;
  TallScreenScope& operator=(const TallScreenScope&) = delete;

 private:
  bool saved_;
};

class DualViewRig {
 public:
  // `toneFrames`: length of the tone put in every piano slot.
  explicit DualViewRig(int toneFrames = 22050);
  // Renders `frames` frames (the audio thread's part) and moves the clock on.
  void render(int frames = 256);
  const Voice& voice(int v) const { return sound.voiceForTest(v); }
  // The sample slot the finger in touch slot `slot` sounds, or -1.
  int soundingSampleOfSlot(int slot) const;

  platform::ManualClock clock{100.0};
  double wall = 1000.0;
  platform::RunLoop loop{clock.function()};
  SoundPlayer sound;
  Metronome metronome{sound, loop};
  NoteRecorder recorder;
  CountingParent parent;
  std::shared_ptr<DualKeyboardView> view;
  PortraitScreen screen;
  long long renderedFrames = 0;
};

}  // namespace piano::test
