// DualKeyboardView: the two-keyboard screen. Two independent windows onto the
// piano lie across the screen, the lower keyboard (0) nearer the player and the
// upper one (1) beyond it, each with its own start key and both showing the
// same number of white keys. Instead of a radar strip, an end border at each
// end of the keys carries that end's scroll buttons for both keyboards; the
// top bar has a scroll lock at both ends that disables those buttons and hides
// the borders. Notes and buttons are the key press engine's, run for two
// keyboards; a finger is on one keyboard at a time, so both share the eleven
// touch slots.
//
// Positions are in the screen's portrait space: x across the keys (0 at the
// player's edge), y along the keyboard (0 at its low end, to 480 or 568). The
// keys run from y = 30 to 28 points before the far end, between the borders.
//
// The public operations match SingleKeyboardView's, with a keyboard index
// where they concern one keyboard, so the root view can drive both alike.
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

class DualKeyboardView : public platform::View, public KeyboardHost, public FingerPressTarget {
 public:
  static constexpr int kNumKeyboards = 2;
  // Along y, the low-end border before the keys and both borders together.
  static constexpr double kLowBorderLength = 30.0;
  static constexpr double kBordersLength = 58.0;

  // initWithParent:andSoundPlayer:andNoteRecorder:. `parent` may be null
  // (nothing happens on the settings and library buttons but the stop).
  DualKeyboardView(KeyboardParent* parent, SoundPlayer& soundPlayer, NoteRecorder& noteRecorder);

  // ---- layout and scrolling (keyboard 0 lower, 1 upper; other indices are
  // ignored by the operations and read as keyboard 0)
  // Lifts every key, ends every finger's note and redraws, whatever the count.
  void setNumKeysToDisplay(int numKeys);
  int numKeysToDisplay() const { return numKeysToDisplay_; }
  float keyboardScaleFactor() const { return keyboardScaleFactor_; }
  // Stores the start key without the upper bound (the number of keys may be
  // set after it); a number that is not a white key of the piano is taken to
  // the nearest white key below it, within 1..88.
  void setStartKey(int keyboard, int key);
  int getStartKey(int keyboard) const { return engine_.keyboard(keyboard).keyboardStartKey; }
  void setDisplayNoteNames(int mode) { displayNoteNames_ = mode; }
  int displayNoteNames() const { return displayNoteNames_; }
  void decOctave(int keyboard);
  void decKey(int keyboard);
  void incKey(int keyboard);
  void incOctave(int keyboard);
  int upperBoundsCheck(int key) const;
  // There is no radar strip on this screen.
  void radarPress(platform::Point) {}
  // The border buttons do nothing while it is on.
  bool scrollLock() const { return scrollLock_; }

  // ---- showing
  // The root view calls it before the screen is shown: fingers of the last
  // visit are forgotten.
  void showing();
  void redraw() override;
  void redrawOnButtonPress() override;
  void redrawHeldButtons() override;
  void redrawOnKeyboardScroll(int keyboard);
  void redrawNoteNames(int keyboard);
  void setKeyLabel(int keyboard);

  // ---- the key press engine
  void performFingerPressAction(platform::Point point, bool press, int keyZoneNo, int slot) override;
  void playPianoKey(int keyOffset, int press, int slot, float expression, int keyboard);
  // Shown on each keyboard that displays the key.
  void mechanicalKeyPressDownForTrigger(int sampleNo) { engine_.mechanicalKeyPressDownForTrigger(sampleNo); }
  void mechanicalKeyPressUpForTrigger(int sampleNo) { engine_.mechanicalKeyPressUpForTrigger(sampleNo); }
  int getKeyFromKeyOffset(int keyOffset, bool* white, int keyboard) const {
    return engine_.getKeyFromKeyOffset(keyOffset, white, keyboard);
  }
  void liftAllKeys(bool stopNotes) { engine_.liftAllKeys(stopNotes); }
  void liftAllKeysAndStopRecording() { engine_.liftAllKeysAndStopRecording(); }
  void playbackEnded() { engine_.playbackEnded(); }
  void setSustainTimeNormal(float releaseDelta) { engine_.setSustainTimeNormal(releaseDelta); }
  void setSustainTimePedal(float releaseDelta) { engine_.setSustainTimePedal(releaseDelta); }
  void setSoftPedalPressed(bool pressed) { engine_.setSoftPedalPressed(pressed); }
  void setSustainPedalPressed(bool pressed) { engine_.setSustainPedalPressed(pressed); }
  void setExpressionFunction(int function) { engine_.setExpressionFunction(function); }

  // ---- parts, for the root view's wiring and for tests (pictures and labels
  // by keyboard, then position or boundary; out-of-range indices throw)
  KeyPressEngine& engine() { return engine_; }
  const KeyPressEngine& engine() const { return engine_; }
  Touchscreen& touchscreen() { return *touchscreen_; }
  platform::View& keyboardView(int keyboard) { return *board(keyboard).container; }
  platform::ImageView& whiteKey(int keyboard, int position) {
    return *board(keyboard).whiteKey.at(static_cast<std::size_t>(position));
  }
  platform::ImageView& blackKey(int keyboard, int boundary) {
    return *board(keyboard).blackKey.at(static_cast<std::size_t>(boundary));
  }
  platform::Label& noteName(int keyboard, int position) {
    return *board(keyboard).noteName.at(static_cast<std::size_t>(position));
  }
  platform::ImageView& topBar() { return *topBar_; }
  // The buttons shown pressed (zones), while fingers hold them.
  std::vector<int> buttonsShownPressed() const { return heldButtons_.zonesShown(); }
  platform::ImageView& leftBorder() { return *leftBorder_; }
  platform::ImageView& rightBorder() { return *rightBorder_; }
  platform::View& leftBorderBack() { return *leftBorderBack_; }
  platform::View& rightBorderBack() { return *rightBorderBack_; }
  platform::ImageView& scrollLockLeftButtonLit() { return *scrollLockLeftButtonLit_; }
  platform::ImageView& scrollLockRightButtonLit() { return *scrollLockRightButtonLit_; }
  platform::ImageView& playButtonLit() { return *playButtonLit_; }
  platform::ImageView& recButtonLit() { return *recButtonLit_; }
  platform::ImageView& softButtonLit() { return *softButtonLit_; }
  platform::ImageView& sustButtonLit() { return *sustButtonLit_; }
  const KeyImages& images() const { return images_; }

 private:
  // The pictures and labels of one keyboard.
  struct Board {
    std::shared_ptr<platform::View> container;
    std::array<std::shared_ptr<platform::ImageView>, keys::kNumWhiteKeyViews> whiteKey;
    std::array<std::shared_ptr<platform::ImageView>, keys::kNumBlackKeyViews> blackKey;
    std::array<std::shared_ptr<platform::Label>, keys::kNumWhiteKeyViews> noteName;
  };

  // KeyboardHost
  void showWhiteKey(int keyboard, int position, WhiteKeyPicture picture) override;
  void showBlackKey(int keyboard, int boundary, BlackKeyPicture picture) override;
  void setNoteNameDown(int keyboard, int position, bool down) override;
  bool isLayoutButton(int zone) const override;
  void layoutButtonPress(int zone, platform::Point point) override;
  int keyboardForZone(int zone, int* zoneOnKeyboard) const override;
  float expressionForPoint(platform::Point point) const override;
  bool isOnScreen() const override { return window() != nullptr; }

  static bool validKeyboard(int keyboard) { return keyboard >= 0 && keyboard < kNumKeyboards; }
  Board& board(int keyboard) { return boards_.at(static_cast<std::size_t>(keyboard)); }
  void buildBoard(int keyboard);
  // After a scroll: labels follow, pictures lift (notes sound on until their
  // fingers lift), black keys follow the new window.
  void scrolledTo(int keyboard, int startKey);
  void borderButtonPress(int zone);

  bool tallScreen_;
  double screenLength_;
  KeyPressEngine engine_;
  KeyImages images_;
  int numKeysToDisplay_ = 8;
  float keyboardScaleFactor_ = 1.0f;
  int displayNoteNames_ = 1;
  bool scrollLock_ = false;
  platform::AffineTransform noteNameUpTransform_;
  platform::AffineTransform noteNameDownTransform_;

  std::array<Board, kNumKeyboards> boards_;
  std::shared_ptr<platform::ImageView> topBar_;
  HeldButtonPictures heldButtons_;
  std::shared_ptr<platform::ImageView> scrollLockLeftButtonLit_;
  std::shared_ptr<platform::ImageView> scrollLockRightButtonLit_;
  std::shared_ptr<platform::ImageView> playButtonLit_;
  std::shared_ptr<platform::ImageView> recButtonLit_;
  std::shared_ptr<platform::ImageView> sustButtonLit_;
  std::shared_ptr<platform::ImageView> softButtonLit_;
  std::shared_ptr<platform::View> leftBorderBack_;
  std::shared_ptr<platform::ImageView> leftBorder_;
  std::shared_ptr<platform::View> rightBorderBack_;
  std::shared_ptr<platform::ImageView> rightBorder_;
  std::shared_ptr<Touchscreen> touchscreen_;
};

}  // namespace piano
