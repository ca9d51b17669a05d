// A key press engine wired to a real sound engine (rendered by hand), a real
// recorder (no playback thread, on a manual clock) and a touch layer, with a
// host that keeps the pictures as values so that tests can read them.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "audio/sound_player.h"
#include "keyboard/key_press_engine.h"
#include "keyboard/touchscreen.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "recording/note_recorder.h"

namespace piano::test {

struct KeyboardPictures {
  std::array<WhiteKeyPicture, keys::kNumWhiteKeyViews> white{};
  std::array<BlackKeyPicture, keys::kNumBlackKeyViews> black{};
  std::array<bool, keys::kNumWhiteKeyViews> labelDown{};
};

struct CountingParent : KeyboardParent {
  int setups = 0;
  int libraries = 0;
  void showSetup() override { ++setups; }
  void showNoteRecorder() override { ++libraries; }
};

// Single layout: keyboard 0, radar and scroll buttons 1001..1004 scroll it.
// Dual layout: zones above 500 belong to keyboard 1; 1001..1008 scroll.
class FakeHost : public KeyboardHost, public FingerPressTarget {
 public:
  explicit FakeHost(bool dual);

  void showWhiteKey(int keyboard, int position, WhiteKeyPicture picture) override;
  void showBlackKey(int keyboard, int boundary, BlackKeyPicture picture) override;
  void setNoteNameDown(int keyboard, int position, bool down) override;
  bool isLayoutButton(int zone) const override;
  void layoutButtonPress(int zone, platform::Point point) override;
  int keyboardForZone(int zone, int* zoneOnKeyboard) const override;
  float expressionForPoint(platform::Point point) const override;
  void redraw() override;
  void redrawOnButtonPress() override { ++buttonRedraws; }
  void performFingerPressAction(platform::Point point, bool press, int zone, int slot) override;

  bool dual;
  KeyPressEngine* engine = nullptr;
  std::shared_ptr<Touchscreen> touchscreen;
  std::array<KeyboardPictures, 2> pictures{};
  std::vector<int> layoutPresses;
  int redraws = 0;
  int buttonRedraws = 0;
};

class EngineRig {
 public:
  // Fills every piano slot with a short tone unless told which to leave empty.
  explicit EngineRig(bool dual = false, std::vector<int> emptySlots = {});

  // Fingers on the touch layer, in its portrait points.
  void down(int finger, double x, double y);
  void move(int finger, double x, double y);
  void up(int finger);
  // Renders `frames` frames (the audio thread's part).
  void render(int frames = 256);
  // The audio thread's view of a voice (after render()).
  const Voice& voice(int v) const { return sound.voiceForTest(v); }
  // Records a short song of one note, so that play has something to play.
  void recordOneNote(int sampleNo);

  const KeyboardPictures& pictures(int keyboard = 0) const { return host.pictures[static_cast<std::size_t>(keyboard)]; }

  platform::ManualClock clock{100.0};
  double wall = 1000.0;
  platform::RunLoop loop{clock.function()};
  SoundPlayer sound;
  NoteRecorder recorder;
  FakeHost host;
  CountingParent parent;
  KeyPressEngine engine;

 private:
  struct FingerState {
    bool down = false;
    platform::Point at;
  };
  std::array<FingerState, 32> fingers_{};
  char identities_[32] = {};
};

}  // namespace piano::test

#include "keyboard/single_keyboard_view.h"
#include "platform/window.h"

namespace piano::test {

// Fills the piano slots of an engine with a short tone (all but `emptySlots`).
void fillTones(SoundPlayer& sound, const std::vector<int>& emptySlots = {});

// The screen as the root view lays it out: a portrait container turned a
// quarter turn so that portrait point (x, y) shows at (y, 320 - x) of the
// landscape window, holding one screen.
class PortraitScreen {
 public:
  explicit PortraitScreen(std::shared_ptr<platform::View> screen);
  platform::Window& window() { return window_; }
  platform::View& container() { return *container_; }
  // Fingers in portrait points.
  void down(std::int64_t finger, platform::Point portrait);
  void move(std::int64_t finger, platform::Point portrait);
  void up(std::int64_t finger, platform::Point portrait);
  double time = 0.0;

 private:
  platform::Window window_;
  std::shared_ptr<platform::View> root_;
  std::shared_ptr<platform::View> container_;
};

// A single keyboard view with a real engine and recorder, in a window.
class ViewRig {
 public:
  ViewRig();
  void render(int frames = 256);
  const Voice& voice(int v) const { return sound.voiceForTest(v); }

  platform::ManualClock clock{100.0};
  double wall = 1000.0;
  platform::RunLoop loop{clock.function()};
  SoundPlayer sound;
  NoteRecorder recorder;
  CountingParent parent;
  std::shared_ptr<SingleKeyboardView> view;
  PortraitScreen screen;
};

}  // namespace piano::test
