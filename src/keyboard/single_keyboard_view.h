// SingleKeyboardView: the one-keyboard screen. A window of 8 to 15 white keys
// onto the 88-key piano, scaled along the keyboard so that exactly that many
// fill the screen; a top bar with the buttons and lamps; the radar strip that
// shows and sets which part of the piano is in view; note-name labels on the
// white keys; and its touch layer on top of everything. Notes and buttons are
// the key press engine's.
//
// Positions are in the screen's portrait space: x across the keys (0 at the
// player's edge), y along the keyboard (0 at its low end, to 480 or 568).
//
// Threads: main thread only. Playback's key events arrive posted to the main
// thread by the root view.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "keyboard/key_art.h"
#include "keyboard/key_press_engine.h"
#include "keyboard/keyboard_host.h"
#include "keyboard/touchscreen.h"
#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/view.h"

namespace piano {

class SingleKeyboardView : public platform::View, public KeyboardHost, public FingerPressTarget {
 public:
  // initWithParent:andSoundPlayer:andNoteRecorder:. `parent` may be null
  // (nothing happens on the settings and library buttons but the stop).
  SingleKeyboardView(KeyboardParent* parent, SoundPlayer& soundPlayer, NoteRecorder& noteRecorder);

  // ---- layout and scrolling
  void setNumKeysToDisplay(int numKeys);
  int numKeysToDisplay() const { return numKeysToDisplay_; }
  float keyboardScaleFactor() const { return keyboardScaleFactor_; }
  // Stores the start key without the upper bound (the number of keys may be
  // set after it); a number that is not a white key of the piano is taken to
  // the nearest white key below it, within 1..88.
  void setStartKey(int key);
  int getStartKey() const { return engine_.keyboard(0).keyboardStartKey; }
  void setDisplayNoteNames(int mode) { displayNoteNames_ = mode; }
  int displayNoteNames() const { return displayNoteNames_; }
  void decOctave();
  void decKey();
  void incKey();
  void incOctave();
  int upperBoundsCheck(int key) const;
  void radarPress(platform::Point point);
  void setRadar();

  // ---- showing
  // The root view calls it before the screen is shown: fingers of the last
  // visit are forgotten.
  void showing();
  void redraw() override;
  void redrawOnButtonPress() override;
  void redrawHeldButtons() override;
  void redrawOnKeyboardScroll();
  void redrawNoteNames();
  void setKeyLabel();

  // ---- the key press engine
  void performFingerPressAction(platform::Point point, bool press, int keyZoneNo, int slot) override;
  void playPianoKey(int keyOffset, int press, int slot, float expression);
  void mechanicalKeyPressDownForTrigger(int sampleNo) { engine_.mechanicalKeyPressDownForTrigger(sampleNo); }
  void mechanicalKeyPressUpForTrigger(int sampleNo) { engine_.mechanicalKeyPressUpForTrigger(sampleNo); }
  int getKeyFromKeyOffset(int keyOffset, bool* white) const { return engine_.getKeyFromKeyOffset(keyOffset, white); }
  void liftAllKeys(bool stopNotes) { engine_.liftAllKeys(stopNotes); }
  void liftAllKeysAndStopRecording() { engine_.liftAllKeysAndStopRecording(); }
  void playbackEnded() { engine_.playbackEnded(); }
  void setSustainTimeNormal(float releaseDelta) { engine_.setSustainTimeNormal(releaseDelta); }
  void setSustainTimePedal(float releaseDelta) { engine_.setSustainTimePedal(releaseDelta); }
  void setSoftPedalPressed(bool pressed) { engine_.setSoftPedalPressed(pressed); }
  void setSustainPedalPressed(bool pressed) { engine_.setSustainPedalPressed(pressed); }
  void setExpressionFunction(int function) { engine_.setExpressionFunction(function); }

  // ---- parts, for the root view's wiring and for tests
  KeyPressEngine& engine() { return engine_; }
  const KeyPressEngine& engine() const { return engine_; }
  Touchscreen& touchscreen() { return *touchscreen_; }
  platform::View& keyboard() { return *keyboard_; }
  platform::ImageView& whiteKey(int position) { return *whiteKey_.at(static_cast<std::size_t>(position)); }
  platform::ImageView& blackKey(int boundary) { return *blackKey_.at(static_cast<std::size_t>(boundary)); }
  platform::Label& noteName(int position) { return *noteName_.at(static_cast<std::size_t>(position)); }
  platform::View& radarHighlight() { return *radarHighlight_; }
  platform::ImageView& topBar() { return *topBar_; }
  // The buttons shown pressed (zones), while fingers hold them.
  std::vector<int> buttonsShownPressed() const { return heldButtons_.zonesShown(); }
  platform::ImageView& playButtonLit() { return *playButtonLit_; }
  platform::ImageView& recButtonLit() { return *recButtonLit_; }
  platform::ImageView& softButtonLit() { return *softButtonLit_; }
  platform::ImageView& sustButtonLit() { return *sustButtonLit_; }
  const KeyImages& images() const { return images_; }

 private:
  // KeyboardHost
  void showWhiteKey(int keyboard, int position, WhiteKeyPicture picture) override;
  void showBlackKey(int keyboard, int boundary, BlackKeyPicture picture) override;
  void setNoteNameDown(int keyboard, int position, bool down) override;
  bool isLayoutButton(int zone) const override;
  void layoutButtonPress(int zone, platform::Point point) override;
  int keyboardForZone(int zone, int* zoneOnKeyboard) const override;
  float expressionForPoint(platform::Point point) const override;
  bool isOnScreen() const override { return window() != nullptr; }

  // After a scroll: labels follow, pictures lift (notes sound on until their
  // fingers lift), black keys follow the new window.
  void scrolledTo(int startKey);
  int& startKey() { return engine_.keyboard(0).keyboardStartKey; }

  bool tallScreen_;
  double screenLength_;
  KeyPressEngine engine_;
  KeyImages images_;
  int numKeysToDisplay_ = 8;
  float keyboardScaleFactor_ = 1.0f;
  int displayNoteNames_ = 1;
  platform::AffineTransform noteNameUpTransform_;
  platform::AffineTransform noteNameDownTransform_;

  std::shared_ptr<platform::View> keyboard_;
  std::array<std::shared_ptr<platform::ImageView>, keys::kNumWhiteKeyViews> whiteKey_;
  std::array<std::shared_ptr<platform::ImageView>, keys::kNumBlackKeyViews> blackKey_;
  std::array<std::shared_ptr<platform::Label>, keys::kNumWhiteKeyViews> noteName_;
  std::shared_ptr<platform::ImageView> topBar_;
  HeldButtonPictures heldButtons_;
  std::shared_ptr<platform::ImageView> playButtonLit_;
  std::shared_ptr<platform::ImageView> recButtonLit_;
  std::shared_ptr<platform::ImageView> softButtonLit_;
  std::shared_ptr<platform::ImageView> sustButtonLit_;
  std::shared_ptr<platform::View> radarHighlight_;
  std::shared_ptr<Touchscreen> touchscreen_;
};

}  // namespace piano
