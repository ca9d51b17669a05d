// KeyboardView: the keyboard screen, with one keyboard or two. Each keyboard
// (a board) is a window of 8 to 15 white keys onto the 88-key piano, scaled
// along the keyboard so that exactly that many fill the screen, with
// note-name labels on its white keys and its own start key. Above the keys lie
// the top bar with its buttons and lamps and, over everything, the touch
// layer. Notes and buttons are the key press engine's, run for every board; a
// finger is on one board at a time, so the boards share the eleven touch slots.
//
// The two layouts differ only in data and in one part each:
// - one keyboard: the board across the screen and the radar strip, which
//   shows and sets which part of the piano is in view;
// - two keyboards: the lower board (0) nearer the player and the upper one
//   (1) beyond it, each half as wide, between two end borders that carry the
//   scroll buttons of both boards; the top bar has a scroll lock at both ends
//   that disables those buttons and hides the borders.
//
// Positions are in the screen's portrait space: x across the keys (0 at the
// player's edge), y along the keyboard (0 at its low end, to 480 or 568).
//
// The settings (number of keys, expression, note names, sustain times and
// pedals) are the player's record, which the root view owns and writes; the
// view reads it and lays itself out anew on applySettings.
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
#include "keyboard/keyboard_settings.h"
#include "keyboard/touchscreen.h"
#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/view.h"

namespace piano {

class KeyboardView : public platform::View, public KeyboardHost {
 public:
  // The bar's lamps; only the two-keyboard layout has the scroll lock's two.
  enum class Lamp { kPlay, kRecord, kSoftPedal, kSustainPedal, kScrollLockLow, kScrollLockHigh };
  static constexpr int kNumLamps = 6;

  // `numKeyboards` (1 or 2; held to that range) picks the layout. `parent`
  // may be null (the settings and library buttons then only stop the
  // recorder). The others must outlive the view.
  KeyboardView(int numKeyboards, KeyboardParent* parent, SoundPlayer& soundPlayer, NoteRecorder& noteRecorder,
               KeyboardSettings& settings);

  int numKeyboards() const { return engine_.numKeyboards(); }

  // The settings record has changed: a new number of keys lays the boards
  // out anew (a start key that no longer fits comes down, every finger's note
  // ends and every key lifts); then everything is redrawn.
  void applySettings();
  int numKeysToDisplay() const { return numKeysToDisplay_; }
  float keyboardScaleFactor() const { return keyboardScaleFactor_; }

  // ---- start keys and scrolling, by board (0 single or lower, 1 upper;
  // other indices are ignored)
  // Stores the start key without the upper bound (the number of keys may be
  // set after it); a number that is not a white key of the piano is taken to
  // the nearest white key below it, within 1..88.
  void setStartKey(int keyboard, int key);
  int getStartKey(int keyboard = 0) const { return engine_.keyboard(keyboard).keyboardStartKey; }
  void decOctave(int keyboard);
  void decKey(int keyboard);
  void incKey(int keyboard);
  void incOctave(int keyboard);
  int upperBoundsCheck(int key) const;
  // The radar strip centres the window on the point (one keyboard only).
  void radarPress(platform::Point point);
  // The border buttons do nothing while it is on (two keyboards only).
  bool scrollLock() const { return scrollLock_; }

  // ---- showing
  // The root view calls it before the screen is shown: fingers of the last
  // visit are forgotten.
  void showing();
  void redraw() override;
  void redrawOnButtonPress() override;
  void redrawHeldButtons() override;

  // ---- parts, for the root view and for tests (out-of-range indices throw)
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
  // Null where the layout has none.
  platform::ImageView* lamp(Lamp which) { return lamps_[static_cast<std::size_t>(which)].get(); }
  platform::View* radarHighlight() { return radarHighlight_.get(); }
  // The mark on the radar of a key that another source holds out of view
  // (sample slot 0..87; null without a radar).
  platform::View* radarMark(int sampleNo) {
    return radarMarks_.empty() ? nullptr : radarMarks_.at(static_cast<std::size_t>(sampleNo)).get();
  }
  platform::ImageView* border(bool highEnd) { return border_[highEnd].get(); }
  platform::View* borderBack(bool highEnd) { return borderBack_[highEnd].get(); }
  // The buttons shown pressed (zones), while fingers hold them.
  std::vector<int> buttonsShownPressed() const { return heldButtons_.zonesShown(); }
  const KeyImages& images() const { return images_; }

 private:
  struct Layout;
  static const Layout& layoutFor(int numKeyboards);
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
  void redrawSourceKeys() override;

  bool validKeyboard(int keyboard) const { return keyboard >= 0 && keyboard < numKeyboards(); }
  Board& board(int keyboard) { return boards_.at(static_cast<std::size_t>(keyboard)); }
  int& startKey(int keyboard) { return engine_.keyboard(keyboard).keyboardStartKey; }
  void buildBoard(int keyboard);
  void buildBorders(const std::vector<ButtonArea>& buttons);
  // Scale and place the boards for the record's number of keys.
  void layOut();
  bool lampLit(Lamp lamp) const;
  // After a scroll: labels follow, pictures lift (notes sound on until their
  // fingers lift), black keys follow the new window.
  void scrolledTo(int keyboard, int startKey);
  void setRadar();
  void redrawOnKeyboardScroll(int keyboard);
  void redrawNoteNames(int keyboard);
  void setKeyLabel(int keyboard);

  const Layout& layout_;
  bool tallScreen_;
  double screenLength_;
  KeyboardSettings& settings_;
  KeyPressEngine engine_;
  KeyImages images_;
  int numKeysToDisplay_ = 0;
  float keyboardScaleFactor_ = 1.0f;
  bool scrollLock_ = false;
  platform::AffineTransform noteNameUpTransform_;
  platform::AffineTransform noteNameDownTransform_;

  std::array<Board, KeyPressEngine::kMaxKeyboards> boards_;
  std::shared_ptr<platform::ImageView> topBar_;
  HeldButtonPictures heldButtons_;
  std::array<std::shared_ptr<platform::ImageView>, kNumLamps> lamps_;
  std::shared_ptr<platform::View> radarHighlight_;
  std::vector<std::shared_ptr<platform::View>> radarMarks_;  // by sample slot
  std::array<std::shared_ptr<platform::View>, 2> borderBack_;
  std::array<std::shared_ptr<platform::ImageView>, 2> border_;
  std::shared_ptr<Touchscreen> touchscreen_;
};

}  // namespace piano
