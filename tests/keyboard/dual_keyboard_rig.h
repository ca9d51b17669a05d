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
#include "keyboard_rig.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "recording/note_recorder.h"

namespace piano::test {

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
  NoteRecorder recorder;
  CountingParent parent;
  std::shared_ptr<DualKeyboardView> view;
  PortraitScreen screen;
  long long renderedFrames = 0;
};

}  // namespace piano::test
