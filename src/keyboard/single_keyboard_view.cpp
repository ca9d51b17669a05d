#include "keyboard/single_keyboard_view.h"

#include <algorithm>
#include <cmath>

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

// The integer part, with anything that is no finite number taken as 0.
int truncate(double value) {
  if (!(value > -1e9 && value < 1e9)) return 0;
  return static_cast<int>(value);
}

std::shared_ptr<ImageView> lamp(Point centre) {
  auto view = std::make_shared<ImageView>(kLampImage);
  view->setCentre(centre);
  view->setAlpha(0.0f);
  return view;
}

}  // namespace

SingleKeyboardView::SingleKeyboardView(KeyboardParent* parent, SoundPlayer& soundPlayer, NoteRecorder& noteRecorder)
    : tallScreen_(platform::isTallScreen()),
      screenLength_(tallScreen_ ? 568.0 : 480.0),
      engine_(*this, parent, soundPlayer, noteRecorder, 1),
      images_(KeyImages::load()),
      noteNameUpTransform_(noteNameUpTransform()),
      noteNameDownTransform_(noteNameDownTransform(5.0)) {
  setFrame({0, 0, kPortraitWidth, screenLength_});
  setBackgroundColour(Colour::black());
  setUserInteractionEnabled(true);

  // The keys: a container 900 points long (15 white keys of 60) that the
  // scale along y fits to the screen.
  keyboard_ = std::make_shared<View>(Rect{0, 240, 1, 900});
  keyboard_->setBackgroundColour(Colour::black());
  keyboard_->setCentre({107, 480});
  addSubview(keyboard_);
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    auto key = std::make_shared<ImageView>(images_.whiteKeyImage);
    key->setCentre({0, 30.0 + 60.0 * i});
    keyboard_->addSubview(key);
    whiteKey_[static_cast<std::size_t>(i)] = key;
  }
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    auto key = std::make_shared<ImageView>(images_.blackKeyImage);
    key->setCentre({52, 3.0 + 60.0 * j});
    keyboard_->addSubview(key);
    blackKey_[static_cast<std::size_t>(j)] = key;
  }

  topBar_ = std::make_shared<ImageView>(screenImageName("TopBarSingleKeyboard", tallScreen_), "png");
  topBar_->setCentre({273.5, tallScreen_ ? 284.0 : 240.0});
  addSubview(topBar_);
  for (const ButtonArea& area : KeyZoneGeometry{false, tallScreen_}.buttonAreas()) {
    heldButtons_.add(*this, area, topBar_->frame());
  }

  playButtonLit_ = lamp({304, tallScreen_ ? 153.5 : 120.0});
  recButtonLit_ = lamp({304, tallScreen_ ? 201.5 : 169.0});
  softButtonLit_ = lamp({304, tallScreen_ ? 367.5 : 315.0});
  sustButtonLit_ = lamp({304, tallScreen_ ? 415.0 : 362.0});
  for (const auto& view : {playButtonLit_, recButtonLit_, softButtonLit_, sustButtonLit_}) addSubview(view);

  radarHighlight_ = std::make_shared<View>(Rect{0, 0, 28, 10});
  radarHighlight_->setCentre({-100, -100});
  radarHighlight_->setBackgroundColour({0.1294f, 0.1451f, 0.2314f, 1.0f});
  radarHighlight_->setAlpha(0.5f);
  radarHighlight_->setUserInteractionEnabled(false);
  addSubview(radarHighlight_);

  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    auto label = makeNoteNameLabel(i, 20);
    keyboard_->addSubview(label);
    noteName_[static_cast<std::size_t>(i)] = label;
  }
  setKeyLabel();

  touchscreen_ = std::make_shared<Touchscreen>(Rect{0, 0, kPortraitWidth, screenLength_}, false);
  touchscreen_->setupParent(this);
  touchscreen_->setAlpha(1.0f);
  addSubview(touchscreen_);
  // Usable at once; the root view sets the player's number of keys next.
  setNumKeysToDisplay(numKeysToDisplay_);
}

// ------------------------------------------------------------------ scale and start key

void SingleKeyboardView::setNumKeysToDisplay(int numKeys) {
  // Anything below one key would be a scale of infinity or below zero.
  numKeysToDisplay_ = std::max(1, numKeys);
  keyboardScaleFactor_ = static_cast<float>(screenLength_) / static_cast<float>(numKeysToDisplay_) / 60.0f;
  const double s = keyboardScaleFactor_;
  keyboard_->setTransform(platform::AffineTransform::scale(1.0, s));
  keyboard_->setCentre({116.5, 900.0 * s / 2.0});
  touchscreen_->setKeyboardScaleFactor(keyboardScaleFactor_);
  const int bounded = upperBoundsCheck(getStartKey());
  if (bounded != getStartKey()) {
    startKey() = bounded;
    setKeyLabel();
    engine_.liftAllKeys(true);
    redraw();
  }
  setRadar();
}

void SingleKeyboardView::setStartKey(int key) {
  key = std::clamp(key, 1, kNumPianoKeys);
  if (!keys::isWhiteKey(key)) --key;
  startKey() = key;
  setRadar();
  redraw();
}

int SingleKeyboardView::upperBoundsCheck(int key) const {
  return std::min(key, keys::upperLimitForNumKeys(numKeysToDisplay_));
}

void SingleKeyboardView::scrolledTo(int key) {
  startKey() = key;
  setKeyLabel();
  engine_.liftAllKeys(false);
  redrawOnKeyboardScroll();
}

void SingleKeyboardView::decOctave() { scrolledTo(keys::octaveDown(getStartKey())); }
void SingleKeyboardView::decKey() { scrolledTo(keys::keyDown(getStartKey())); }
void SingleKeyboardView::incKey() { scrolledTo(upperBoundsCheck(keys::keyUp(getStartKey()))); }
void SingleKeyboardView::incOctave() { scrolledTo(upperBoundsCheck(keys::octaveUp(getStartKey()))); }

// ------------------------------------------------------------------ radar

void SingleKeyboardView::setRadar() {
  const double top = keys::radarOffset(getStartKey()) + (tallScreen_ ? 62.0 : 20.0);
  radarHighlight_->setFrame({241, static_cast<double>(truncate(top)), 29,
                             static_cast<double>(truncate(8.5 * numKeysToDisplay_))});
}

// The strip centres the window on the finger: the press picks the white key
// half a window below it as the new start key.
void SingleKeyboardView::radarPress(Point point) {
  const double from = point.y - (tallScreen_ ? 63.0 : 32.0) - 4.0 * numKeysToDisplay_;
  const int i = std::clamp(truncate(from * 0.125), 0, 44);
  const int key = upperBoundsCheck(keys::whiteKeyOfPiano(i));
  if (key == getStartKey()) return;
  scrolledTo(key);
}

// ------------------------------------------------------------------ drawing

void SingleKeyboardView::showing() {
  touchscreen_->resetSlots();
  engine_.releaseButtons();
}

void SingleKeyboardView::redraw() {
  engine_.setFadingToSettings(false);
  redrawOnButtonPress();
  redrawOnKeyboardScroll();
  redrawNoteNames();
}

void SingleKeyboardView::redrawHeldButtons() { heldButtons_.redraw(engine_); }

void SingleKeyboardView::redrawOnButtonPress() {
  playButtonLit_->setAlpha(engine_.playLit() ? 1.0f : 0.0f);
  recButtonLit_->setAlpha(engine_.recordLit() ? 1.0f : 0.0f);
  softButtonLit_->setAlpha(engine_.softPedalPressed() ? 1.0f : 0.0f);
  sustButtonLit_->setAlpha(engine_.sustainPedalPressed() ? 1.0f : 0.0f);
}

// A black key shows where the piano has one between two displayed white keys:
// not on the B-C and E-F boundaries, not below key 1 nor above key 88.
void SingleKeyboardView::redrawOnKeyboardScroll() {
  const int start = getStartKey();
  if (!keys::isWhiteKey(start)) return;
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    const int below = keys::whiteKeyAbove(start, j - 1);
    const int above = keys::whiteKeyAbove(start, j);
    const bool shown = above - below == 2 && above - 1 >= 1 && above - 1 <= kNumPianoKeys;
    blackKey_[static_cast<std::size_t>(j)]->setAlpha(shown ? 1.0f : 0.0f);
  }
}

void SingleKeyboardView::redrawNoteNames() {
  if (displayNoteNames_ == 0) {
    for (const auto& label : noteName_) label->setAlpha(0.0f);
    return;
  }
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    Label& label = *noteName_[static_cast<std::size_t>(i)];
    label.setAlpha(displayNoteNames_ == 1 && i > 0 ? 0.0f : 1.0f);
    if (displayNoteNames_ != 3) label.setBackgroundColour(Colour::clear());
  }
  setKeyLabel();
}

void SingleKeyboardView::setKeyLabel() {
  const int start = getStartKey();
  if (displayNoteNames_ != 0 && keys::isWhiteKey(start)) {
    for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
      const int key = keys::whiteKeyAbove(start, i);
      Label& label = *noteName_[static_cast<std::size_t>(i)];
      label.setText(keys::noteName(key));
      if (displayNoteNames_ == 3) label.setBackgroundColour(labelColour(keys::octaveNumber(key)));
    }
  }
  setRadar();
}

// ------------------------------------------------------------------ engine

void SingleKeyboardView::performFingerPressAction(Point point, bool press, int keyZoneNo, int slot) {
  engine_.performFingerPressAction(point, press, keyZoneNo, slot);
}

void SingleKeyboardView::playPianoKey(int keyOffset, int press, int slot, float expression) {
  engine_.playPianoKey(keyOffset, press, slot, expression, 0);
}

void SingleKeyboardView::showWhiteKey(int, int position, WhiteKeyPicture picture) {
  if (position < 0 || position >= keys::kNumWhiteKeyViews) return;
  whiteKey_[static_cast<std::size_t>(position)]->setImage(images_.white(picture));
}

void SingleKeyboardView::showBlackKey(int, int boundary, BlackKeyPicture picture) {
  if (boundary < 0 || boundary >= keys::kNumBlackKeyViews) return;
  blackKey_[static_cast<std::size_t>(boundary)]->setImage(images_.black(picture));
}

void SingleKeyboardView::setNoteNameDown(int, int position, bool down) {
  if (position < 0 || position >= keys::kNumWhiteKeyViews) return;
  noteName_[static_cast<std::size_t>(position)]->setTransform(down ? noteNameDownTransform_ : noteNameUpTransform_);
}

bool SingleKeyboardView::isLayoutButton(int zone) const {
  return zone == zone::kRadar || (zone >= zone::kOctaveDown && zone <= zone::kOctaveUp);
}

void SingleKeyboardView::layoutButtonPress(int zone, Point point) {
  switch (zone) {
    case zone::kRadar: radarPress(point); break;
    case zone::kOctaveDown: decOctave(); break;
    case zone::kKeyDown: decKey(); break;
    case zone::kKeyUp: incKey(); break;
    case zone::kOctaveUp: incOctave(); break;
    default: break;
  }
}

int SingleKeyboardView::keyboardForZone(int zone, int* zoneOnKeyboard) const {
  *zoneOnKeyboard = zone;
  return 0;
}

float SingleKeyboardView::expressionForPoint(Point point) const { return touchscreen_->getExpressionForCoord(point); }

}  // namespace piano
