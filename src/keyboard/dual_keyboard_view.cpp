#include "keyboard/dual_keyboard_view.h"

#include <algorithm>

#include "keyboard/key_numbers.h"
#include "keyboard/key_zones.h"
#include "platform/screen.h"

namespace piano {

using platform::Colour;
using platform::ImageView;
using platform::Label;
using platform::Point;
using platform::Rect;
using platform::View;

namespace {

constexpr double kPortraitWidth = 320.0;
// Each keyboard is drawn at half the width of the single one.
constexpr double kKeyboardWidthScale = 0.5;

std::shared_ptr<ImageView> lamp(Point centre) {
  auto view = std::make_shared<ImageView>(kLampImage);
  view->setCentre(centre);
  view->setAlpha(0.0f);
  return view;
}

std::shared_ptr<View> blackBacking(const Rect& frame) {
  auto view = std::make_shared<View>(frame);
  view->setBackgroundColour(Colour::black());
  view->setUserInteractionEnabled(false);
  return view;
}

// Whether the piano has a black key on boundary `j` of a window starting at
// white key `start`: between two white keys a whole tone apart, within 1..88.
bool blackKeyOnBoundary(int start, int j) {
  const int below = keys::whiteKeyAbove(start, j - 1);
  const int above = keys::whiteKeyAbove(start, j);
  return above - below == 2 && above - 1 >= 1 && above - 1 <= kNumPianoKeys;
}

}  // namespace

DualKeyboardView::DualKeyboardView(KeyboardParent* parent, SoundPlayer& soundPlayer, NoteRecorder& noteRecorder)
    : tallScreen_(platform::isTallScreen()),
      screenLength_(tallScreen_ ? 568.0 : 480.0),
      engine_(*this, parent, soundPlayer, noteRecorder, kNumKeyboards),
      images_(KeyImages::load()),
      noteNameUpTransform_(noteNameUpTransform()),
      noteNameDownTransform_(noteNameDownTransform(10.0)) {
  setFrame({0, 0, kPortraitWidth, screenLength_});
  setBackgroundColour(Colour::black());
  setUserInteractionEnabled(true);

  for (int kb = 0; kb < kNumKeyboards; ++kb) buildBoard(kb);

  topBar_ = std::make_shared<ImageView>(screenImageName("TopBarDualKeyboard", tallScreen_), "png");
  topBar_->setCentre({tallScreen_ ? 290.5 : 292.5, tallScreen_ ? 284.0 : 240.0});
  addSubview(topBar_);
  const std::vector<ButtonArea> buttons = KeyZoneGeometry{true, tallScreen_}.buttonAreas();
  for (const ButtonArea& area : buttons) {
    if (area.onBar) heldButtons_.add(*this, area, topBar_->frame());
  }

  scrollLockLeftButtonLit_ = lamp({304, tallScreen_ ? 73.5 : 39.0});
  scrollLockRightButtonLit_ = lamp({304, tallScreen_ ? 497.5 : 442.0});
  playButtonLit_ = lamp({304, tallScreen_ ? 152.5 : 120.0});
  recButtonLit_ = lamp({304, tallScreen_ ? 200.5 : 169.0});
  sustButtonLit_ = lamp({304, tallScreen_ ? 414.0 : 362.0});
  softButtonLit_ = lamp({304, tallScreen_ ? 366.5 : 315.0});
  for (const auto& view : {scrollLockLeftButtonLit_, scrollLockRightButtonLit_, playButtonLit_, recButtonLit_,
                           sustButtonLit_, softButtonLit_}) {
    addSubview(view);
  }

  // The borders lie over the ends of the keys; their black backing stays
  // when the scroll lock hides the buttons.
  leftBorderBack_ = blackBacking({0, 0, 266, 33});
  addSubview(leftBorderBack_);
  leftBorder_ = std::make_shared<ImageView>("LeftBorderDualKeyboard", "png");
  leftBorder_->setCentre({133, 15});
  addSubview(leftBorder_);
  rightBorderBack_ = blackBacking({0, tallScreen_ ? 536.0 : 448.0, 266, 32});
  addSubview(rightBorderBack_);
  rightBorder_ = std::make_shared<ImageView>("LeftBorderDualKeyboard", "png");
  rightBorder_->setCentre({133, tallScreen_ ? 553.0 : 466.0});
  // The high end shows the low end's picture mirrored: its arrows point up the keyboard.
  rightBorder_->setTransform(platform::AffineTransform::scale(1, -1));
  addSubview(rightBorder_);
  for (const ButtonArea& area : buttons) {
    if (!area.onBar) heldButtons_.add(*this, area, (area.rect.minY() == 0 ? leftBorder_ : rightBorder_)->frame());
  }

  touchscreen_ = std::make_shared<Touchscreen>(Rect{0, 0, kPortraitWidth, screenLength_}, true);
  touchscreen_->setupParent(this);
  touchscreen_->setAlpha(1.0f);
  addSubview(touchscreen_);
  // Usable at once; the root view sets the player's number of keys next.
  setNumKeysToDisplay(numKeysToDisplay_);
}

// The key container is 900 points long (15 white keys of 60) before the scale
// along y fits the chosen number of keys between the borders.
void DualKeyboardView::buildBoard(int kb) {
  Board& b = board(kb);
  b.container = std::make_shared<View>(Rect{0, 240, 1, 900});
  b.container->setBackgroundColour(Colour::black());
  b.container->setCentre({125.0 + 100.0 * kb, 480});
  addSubview(b.container);
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    auto key = std::make_shared<ImageView>(images_.whiteKeyImage);
    key->setCentre({0, 30.0 + 60.0 * i});
    b.container->addSubview(key);
    b.whiteKey[static_cast<std::size_t>(i)] = key;
  }
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    auto key = std::make_shared<ImageView>(images_.blackKeyImage);
    key->setCentre({45, 4.0 + 60.0 * j});
    b.container->addSubview(key);
    b.blackKey[static_cast<std::size_t>(j)] = key;
  }
  // The container halves the labels across the keys: the larger font keeps
  // them as readable as on the single keyboard.
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    auto label = makeNoteNameLabel(i, 32);
    b.container->addSubview(label);
    b.noteName[static_cast<std::size_t>(i)] = label;
  }
  setKeyLabel(kb);
}

// ------------------------------------------------------------------ scale and start keys

void DualKeyboardView::setNumKeysToDisplay(int numKeys) {
  // Anything below one key would be a scale of infinity or below zero.
  numKeysToDisplay_ = std::max(1, numKeys);
  keyboardScaleFactor_ = static_cast<float>(screenLength_ - kBordersLength) /
                         static_cast<float>(numKeysToDisplay_) / 60.0f;
  const double s = keyboardScaleFactor_;
  for (int kb = 0; kb < kNumKeyboards; ++kb) {
    View& container = *board(kb).container;
    container.setTransform(platform::AffineTransform::scale(kKeyboardWidthScale, s));
    container.setCentre({65.0 + 140.0 * kb, 900.0 * s / 2.0 + kLowBorderLength});
    const int bounded = upperBoundsCheck(getStartKey(kb));
    if (bounded != getStartKey(kb)) {
      engine_.keyboard(kb).keyboardStartKey = bounded;
      setKeyLabel(kb);
    }
  }
  touchscreen_->setKeyboardScaleFactor(keyboardScaleFactor_);
  engine_.liftAllKeys(true);
  redraw();
}

void DualKeyboardView::setStartKey(int kb, int key) {
  if (!validKeyboard(kb)) return;
  key = std::clamp(key, 1, kNumPianoKeys);
  if (!keys::isWhiteKey(key)) --key;
  engine_.keyboard(kb).keyboardStartKey = key;
  redraw();
}

int DualKeyboardView::upperBoundsCheck(int key) const {
  return std::min(key, keys::upperLimitForNumKeys(numKeysToDisplay_));
}

void DualKeyboardView::scrolledTo(int kb, int key) {
  engine_.keyboard(kb).keyboardStartKey = key;
  setKeyLabel(kb);
  engine_.liftAllKeys(false);
  redrawOnKeyboardScroll(kb);
}

void DualKeyboardView::decOctave(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, keys::octaveDown(getStartKey(kb)));
}

void DualKeyboardView::decKey(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, keys::keyDown(getStartKey(kb)));
}

void DualKeyboardView::incKey(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, upperBoundsCheck(keys::keyUp(getStartKey(kb))));
}

void DualKeyboardView::incOctave(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, upperBoundsCheck(keys::octaveUp(getStartKey(kb))));
}

// ------------------------------------------------------------------ drawing

void DualKeyboardView::showing() {
  touchscreen_->resetSlots();
  engine_.releaseButtons();
}

void DualKeyboardView::redraw() {
  engine_.setFadingToSettings(false);
  redrawOnButtonPress();
  for (int kb = 0; kb < kNumKeyboards; ++kb) redrawOnKeyboardScroll(kb);
  for (int kb = 0; kb < kNumKeyboards; ++kb) redrawNoteNames(kb);
}

void DualKeyboardView::redrawOnButtonPress() {
  playButtonLit_->setAlpha(engine_.playLit() ? 1.0f : 0.0f);
  recButtonLit_->setAlpha(engine_.recordLit() ? 1.0f : 0.0f);
  softButtonLit_->setAlpha(engine_.softPedalPressed() ? 1.0f : 0.0f);
  sustButtonLit_->setAlpha(engine_.sustainPedalPressed() ? 1.0f : 0.0f);
  // Locked: the lamps at both ends of the bar light and the scroll buttons vanish.
  const float lamps = scrollLock_ ? 1.0f : 0.0f;
  scrollLockLeftButtonLit_->setAlpha(lamps);
  scrollLockRightButtonLit_->setAlpha(lamps);
  leftBorder_->setAlpha(1.0f - lamps);
  rightBorder_->setAlpha(1.0f - lamps);
  redrawHeldButtons();
}

// The border buttons vanish with the scroll lock, and so does their pressed look.
void DualKeyboardView::redrawHeldButtons() {
  heldButtons_.redraw(engine_, [this](const ButtonArea& area) { return area.onBar || !scrollLock_; });
}

void DualKeyboardView::redrawOnKeyboardScroll(int kb) {
  if (!validKeyboard(kb)) return;
  const int start = getStartKey(kb);
  if (!keys::isWhiteKey(start)) return;
  Board& b = board(kb);
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    b.blackKey[static_cast<std::size_t>(j)]->setAlpha(blackKeyOnBoundary(start, j) ? 1.0f : 0.0f);
  }
}

void DualKeyboardView::redrawNoteNames(int kb) {
  if (!validKeyboard(kb)) return;
  Board& b = board(kb);
  if (displayNoteNames_ == 0) {
    for (const auto& label : b.noteName) label->setAlpha(0.0f);
    return;
  }
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    Label& label = *b.noteName[static_cast<std::size_t>(i)];
    label.setAlpha(displayNoteNames_ == 1 && i > 0 ? 0.0f : 1.0f);
    if (displayNoteNames_ != 3) label.setBackgroundColour(Colour::clear());
  }
  setKeyLabel(kb);
}

void DualKeyboardView::setKeyLabel(int kb) {
  if (!validKeyboard(kb)) return;
  const int start = getStartKey(kb);
  if (displayNoteNames_ == 0 || !keys::isWhiteKey(start)) return;
  Board& b = board(kb);
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    const int key = keys::whiteKeyAbove(start, i);
    Label& label = *b.noteName[static_cast<std::size_t>(i)];
    label.setText(keys::noteName(key));
    if (displayNoteNames_ == 3) label.setBackgroundColour(labelColour(keys::octaveNumber(key)));
  }
}

// ------------------------------------------------------------------ engine

void DualKeyboardView::performFingerPressAction(Point point, bool press, int keyZoneNo, int slot) {
  engine_.performFingerPressAction(point, press, keyZoneNo, slot);
}

void DualKeyboardView::playPianoKey(int keyOffset, int press, int slot, float expression, int kb) {
  if (!validKeyboard(kb)) return;
  engine_.playPianoKey(keyOffset, press, slot, expression, kb);
}

void DualKeyboardView::showWhiteKey(int kb, int position, WhiteKeyPicture picture) {
  if (!validKeyboard(kb) || position < 0 || position >= keys::kNumWhiteKeyViews) return;
  board(kb).whiteKey[static_cast<std::size_t>(position)]->setImage(images_.white(picture));
}

void DualKeyboardView::showBlackKey(int kb, int boundary, BlackKeyPicture picture) {
  if (!validKeyboard(kb) || boundary < 0 || boundary >= keys::kNumBlackKeyViews) return;
  board(kb).blackKey[static_cast<std::size_t>(boundary)]->setImage(images_.black(picture));
}

void DualKeyboardView::setNoteNameDown(int kb, int position, bool down) {
  if (!validKeyboard(kb) || position < 0 || position >= keys::kNumWhiteKeyViews) return;
  board(kb).noteName[static_cast<std::size_t>(position)]->setTransform(down ? noteNameDownTransform_
                                                                            : noteNameUpTransform_);
}

bool DualKeyboardView::isLayoutButton(int zone) const {
  return zone == zone::kRadar || zone == zone::kScrollLock ||
         (zone >= zone::kOctaveDown && zone <= zone::kUpperOctaveUp);
}

void DualKeyboardView::layoutButtonPress(int zone, Point point) {
  if (zone == zone::kRadar) {
    radarPress(point);
  } else if (zone == zone::kScrollLock) {
    scrollLock_ = !scrollLock_;
    redrawOnButtonPress();
  } else {
    borderButtonPress(zone);
  }
}

// 1001..1004 scroll the lower keyboard, 1005..1008 the upper one, in the order
// octave down, key down, key up, octave up.
void DualKeyboardView::borderButtonPress(int zone) {
  if (scrollLock_ || zone < zone::kOctaveDown || zone > zone::kUpperOctaveUp) return;
  const int kb = zone >= zone::kUpperOctaveDown ? 1 : 0;
  switch ((zone - zone::kOctaveDown) % 4) {
    case 0: decOctave(kb); break;
    case 1: decKey(kb); break;
    case 2: incKey(kb); break;
    default: incOctave(kb); break;
  }
}

int DualKeyboardView::keyboardForZone(int zone, int* zoneOnKeyboard) const {
  if (zone > zone::kUpperKeyboard) {
    *zoneOnKeyboard = zone - zone::kUpperKeyboard;
    return 1;
  }
  *zoneOnKeyboard = zone;
  return 0;
}

// Both keyboards play at full expression wherever the finger lies.
float DualKeyboardView::expressionForPoint(Point) const { return 1.0f; }

}  // namespace piano
