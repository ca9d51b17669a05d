#include "keyboard/keyboard_view.h"

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
constexpr double kLampX = 304.0;

// A length that differs between the normal and the tall screen.
struct Along {
  double normal;
  double tall;
  double on(bool tallScreen) const { return tallScreen ? tall : normal; }
};

// The integer part, with anything that is no finite number taken as 0.
int truncate(double value) {
  if (!(value > -1e9 && value < 1e9)) return 0;
  return static_cast<int>(value);
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

// The data in which the two layouts differ. Beyond it, one keyboard has the
// radar strip, two keyboards have the end borders and the scroll lock.
struct KeyboardView::Layout {
  int boards;
  const char* topBarImage;
  Along topBarX;
  // Each board's key container (900 points long: 15 white keys of 60) is
  // scaled by widthScale across the keys and centred at
  // firstBoardX + boardSpacingX * board; along the keyboard it starts after
  // lowBorder, and the keys share the screen's length less bothBorders.
  double widthScale;
  double firstBoardX;
  double boardSpacingX;
  double lowBorder;
  double bothBorders;
  // Centre of black key 0 in the container (they follow 60 points apart).
  double blackKeyX;
  double blackKeyY;
  // The container scales the labels across the keys: the two-keyboard
  // layout's larger font keeps them as readable.
  double labelFontSize;
  double labelDownShift;  // points a pressed key's label moves with it
  struct LampPlace {
    Lamp lamp;
    Along y;
  };
  std::array<LampPlace, kNumLamps> lamps;  // in the order they are added
  int numLamps;
  bool radar;
  bool endBorders;
};

const KeyboardView::Layout& KeyboardView::layoutFor(int numKeyboards) {
  static const Layout kOne = {
      .boards = 1, .topBarImage = "TopBarSingleKeyboard", .topBarX = {273.5, 273.5}, .widthScale = 1.0,
      .firstBoardX = 116.5, .boardSpacingX = 0.0, .lowBorder = 0.0, .bothBorders = 0.0, .blackKeyX = 52.0,
      .blackKeyY = 3.0, .labelFontSize = 20.0, .labelDownShift = 5.0,
      .lamps = {{{Lamp::kPlay, {120, 153.5}}, {Lamp::kRecord, {169, 201.5}}, {Lamp::kSoftPedal, {315, 367.5}},
                 {Lamp::kSustainPedal, {362, 415}}}},
      .numLamps = 4, .radar = true, .endBorders = false};
  static const Layout kTwo = {
      .boards = 2, .topBarImage = "TopBarDualKeyboard", .topBarX = {292.5, 290.5}, .widthScale = 0.5,
      .firstBoardX = 65.0, .boardSpacingX = 140.0, .lowBorder = 30.0, .bothBorders = 58.0, .blackKeyX = 45.0,
      .blackKeyY = 4.0, .labelFontSize = 32.0, .labelDownShift = 10.0,
      .lamps = {{{Lamp::kScrollLockLow, {39, 73.5}}, {Lamp::kScrollLockHigh, {442, 497.5}},
                 {Lamp::kPlay, {120, 152.5}}, {Lamp::kRecord, {169, 200.5}}, {Lamp::kSustainPedal, {362, 414}},
                 {Lamp::kSoftPedal, {315, 366.5}}}},
      .numLamps = 6, .radar = false, .endBorders = true};
  return numKeyboards > 1 ? kTwo : kOne;
}

KeyboardView::KeyboardView(int numKeyboards, KeyboardParent* parent, SoundPlayer& soundPlayer,
                           NoteRecorder& noteRecorder, KeyboardSettings& settings)
    : layout_(layoutFor(numKeyboards)),
      tallScreen_(platform::isTallScreen()),
      screenLength_(tallScreen_ ? 568.0 : 480.0),
      settings_(settings),
      engine_(*this, parent, soundPlayer, noteRecorder, settings, layout_.boards),
      images_(KeyImages::load()),
      noteNameUpTransform_(noteNameUpTransform()),
      noteNameDownTransform_(noteNameDownTransform(layout_.labelDownShift)) {
  setFrame({0, 0, kPortraitWidth, screenLength_});
  setBackgroundColour(Colour::black());
  setUserInteractionEnabled(true);

  for (int kb = 0; kb < layout_.boards; ++kb) buildBoard(kb);

  topBar_ = std::make_shared<ImageView>(screenImageName(layout_.topBarImage, tallScreen_), "png");
  topBar_->setCentre({layout_.topBarX.on(tallScreen_), screenLength_ / 2});
  addSubview(topBar_);
  const std::vector<ButtonArea> buttons = KeyZoneGeometry{layout_.boards > 1, tallScreen_}.buttonAreas();
  for (const ButtonArea& area : buttons) {
    if (area.onBar) heldButtons_.add(*this, area, topBar_->frame());
  }
  for (int i = 0; i < layout_.numLamps; ++i) {
    const Layout::LampPlace& place = layout_.lamps[static_cast<std::size_t>(i)];
    auto view = std::make_shared<ImageView>(kLampImage);
    view->setCentre({kLampX, place.y.on(tallScreen_)});
    view->setAlpha(0.0f);
    addSubview(view);
    lamps_[static_cast<std::size_t>(place.lamp)] = view;
  }
  if (layout_.radar) {
    radarHighlight_ = std::make_shared<View>(Rect{0, 0, 28, 10});
    radarHighlight_->setCentre({-100, -100});
    radarHighlight_->setBackgroundColour({0.1294f, 0.1451f, 0.2314f, 1.0f});
    radarHighlight_->setAlpha(0.5f);
    radarHighlight_->setUserInteractionEnabled(false);
    addSubview(radarHighlight_);
    // One mark per key, across the strip at the key's place: white keys 8.5
    // points apart, a black key on the line between its neighbours.
    int whitesBelow = 0;
    for (int key = 1; key <= kNumPianoKeys; ++key) {
      const bool white = keys::isWhiteKey(key);
      const double y = 8.5 * whitesBelow + (white ? 4.25 : 0.0) + (tallScreen_ ? 62.0 : 20.0);
      auto mark = std::make_shared<View>(Rect{245, y - 1.5, 21, 3});
      mark->setBackgroundColour({0.9f, 0.2f, 0.1f, 1.0f});
      mark->setAlpha(0.0f);
      mark->setUserInteractionEnabled(false);
      addSubview(mark);
      radarMarks_.push_back(mark);
      whitesBelow += white ? 1 : 0;
    }
  }
  if (layout_.endBorders) buildBorders(buttons);

  touchscreen_ = std::make_shared<Touchscreen>(Rect{0, 0, kPortraitWidth, screenLength_}, layout_.boards > 1);
  touchscreen_->setupParent(&engine_);
  touchscreen_->setAlpha(1.0f);
  addSubview(touchscreen_);
  // Usable at once, laid out for the record's number of keys.
  layOut();
}

void KeyboardView::buildBoard(int kb) {
  Board& b = board(kb);
  b.container = std::make_shared<View>(Rect{0, 240, 1, 900});
  b.container->setBackgroundColour(Colour::black());
  addSubview(b.container);
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    auto key = std::make_shared<ImageView>(images_.whiteKeyImage);
    key->setCentre({0, 30.0 + 60.0 * i});
    b.container->addSubview(key);
    b.whiteKey[static_cast<std::size_t>(i)] = key;
  }
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    auto key = std::make_shared<ImageView>(images_.blackKeyImage);
    key->setCentre({layout_.blackKeyX, layout_.blackKeyY + 60.0 * j});
    b.container->addSubview(key);
    b.blackKey[static_cast<std::size_t>(j)] = key;
  }
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    auto label = makeNoteNameLabel(i, layout_.labelFontSize);
    b.container->addSubview(label);
    b.noteName[static_cast<std::size_t>(i)] = label;
  }
  setKeyLabel(kb);
}

// The borders lie over the ends of the keys; their black backing stays when
// the scroll lock hides the buttons. The high end shows the low end's picture
// mirrored: its arrows point up the keyboard.
void KeyboardView::buildBorders(const std::vector<ButtonArea>& buttons) {
  const Rect backs[2] = {{0, 0, 266, 33}, {0, tallScreen_ ? 536.0 : 448.0, 266, 32}};
  const Point centres[2] = {{133, 15}, {133, tallScreen_ ? 553.0 : 466.0}};
  for (int end = 0; end < 2; ++end) {
    borderBack_[static_cast<std::size_t>(end)] = blackBacking(backs[end]);
    addSubview(borderBack_[static_cast<std::size_t>(end)]);
    auto border = std::make_shared<ImageView>("LeftBorderDualKeyboard", "png");
    border->setCentre(centres[end]);
    if (end == 1) border->setTransform(platform::AffineTransform::scale(1, -1));
    addSubview(border);
    border_[static_cast<std::size_t>(end)] = border;
  }
  for (const ButtonArea& area : buttons) {
    if (!area.onBar) heldButtons_.add(*this, area, border_[area.rect.minY() == 0 ? 0 : 1]->frame());
  }
}

// ------------------------------------------------------------------ scale and start keys

void KeyboardView::applySettings() {
  if (std::max(1, settings_.numKeysToDisplay) != numKeysToDisplay_) {
    layOut();
  } else {
    redraw();
  }
}

void KeyboardView::layOut() {
  // Anything below one key would be a scale of infinity or below zero.
  numKeysToDisplay_ = std::max(1, settings_.numKeysToDisplay);
  keyboardScaleFactor_ = static_cast<float>(screenLength_ - layout_.bothBorders) /
                         static_cast<float>(numKeysToDisplay_) / 60.0f;
  const double s = keyboardScaleFactor_;
  for (int kb = 0; kb < layout_.boards; ++kb) {
    View& container = *board(kb).container;
    container.setTransform(platform::AffineTransform::scale(layout_.widthScale, s));
    container.setCentre({layout_.firstBoardX + layout_.boardSpacingX * kb, 900.0 * s / 2.0 + layout_.lowBorder});
    const int bounded = upperBoundsCheck(getStartKey(kb));
    if (bounded != getStartKey(kb)) {
      startKey(kb) = bounded;
      setKeyLabel(kb);
    }
  }
  touchscreen_->setKeyboardScaleFactor(keyboardScaleFactor_);
  engine_.liftAllKeys(true);
  redraw();
  setRadar();
}

void KeyboardView::setStartKey(int kb, int key) {
  if (!validKeyboard(kb)) return;
  key = std::clamp(key, 1, kNumPianoKeys);
  if (!keys::isWhiteKey(key)) --key;
  startKey(kb) = key;
  setRadar();
  redraw();
}

int KeyboardView::upperBoundsCheck(int key) const {
  return std::min(key, keys::upperLimitForNumKeys(numKeysToDisplay_));
}

void KeyboardView::scrolledTo(int kb, int key) {
  startKey(kb) = key;
  setKeyLabel(kb);
  engine_.liftAllKeys(false);
  redrawOnKeyboardScroll(kb);
}

void KeyboardView::decOctave(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, keys::octaveDown(getStartKey(kb)));
}

void KeyboardView::decKey(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, keys::keyDown(getStartKey(kb)));
}

void KeyboardView::incKey(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, upperBoundsCheck(keys::keyUp(getStartKey(kb))));
}

void KeyboardView::incOctave(int kb) {
  if (validKeyboard(kb)) scrolledTo(kb, upperBoundsCheck(keys::octaveUp(getStartKey(kb))));
}

// ------------------------------------------------------------------ radar

void KeyboardView::setRadar() {
  if (!radarHighlight_) return;
  const double top = keys::radarOffset(getStartKey()) + (tallScreen_ ? 62.0 : 20.0);
  radarHighlight_->setFrame({241, static_cast<double>(truncate(top)), 29,
                             static_cast<double>(truncate(8.5 * numKeysToDisplay_))});
  redrawSourceKeys();
}

void KeyboardView::redrawSourceKeys() {
  const int lowest = getStartKey(), highest = keys::whiteKeyAbove(lowest, numKeysToDisplay_ - 1);
  for (std::size_t k = 0; k < radarMarks_.size(); ++k) {
    const int key = static_cast<int>(k) + 1;
    const bool inView = key >= lowest && key <= highest;
    radarMarks_[k]->setAlpha(engine_.isKeyHeldByAnySource(key - 1) && !inView ? 1.0f : 0.0f);
  }
}

// The strip centres the window on the finger: the press picks the white key
// half a window below it as the new start key.
void KeyboardView::radarPress(Point point) {
  if (!radarHighlight_) return;
  const double from = point.y - (tallScreen_ ? 63.0 : 32.0) - 4.0 * numKeysToDisplay_;
  const int i = std::clamp(truncate(from * 0.125), 0, 44);
  const int key = upperBoundsCheck(keys::whiteKeyOfPiano(i));
  if (key == getStartKey()) return;
  scrolledTo(0, key);
}

// ------------------------------------------------------------------ drawing

void KeyboardView::showing() {
  touchscreen_->resetSlots();
  engine_.releaseButtons();
}

void KeyboardView::redraw() {
  engine_.setFadingToSettings(false);
  redrawOnButtonPress();
  for (int kb = 0; kb < layout_.boards; ++kb) redrawOnKeyboardScroll(kb);
  for (int kb = 0; kb < layout_.boards; ++kb) redrawNoteNames(kb);
}

bool KeyboardView::lampLit(Lamp lamp) const {
  switch (lamp) {
    case Lamp::kPlay: return engine_.playLit();
    case Lamp::kRecord: return engine_.recordLit();
    case Lamp::kSoftPedal: return settings_.softPedalPressed;
    case Lamp::kSustainPedal: return settings_.sustainPedalPressed;
    default: return scrollLock_;
  }
}

// Locked, the lamps at both ends of the bar light and the scroll buttons vanish.
void KeyboardView::redrawOnButtonPress() {
  for (std::size_t i = 0; i < lamps_.size(); ++i) {
    if (lamps_[i]) lamps_[i]->setAlpha(lampLit(static_cast<Lamp>(i)) ? 1.0f : 0.0f);
  }
  for (const auto& border : border_) {
    if (border) border->setAlpha(scrollLock_ ? 0.0f : 1.0f);
  }
  redrawHeldButtons();
}

// The border buttons vanish with the scroll lock, and so does their pressed look.
void KeyboardView::redrawHeldButtons() {
  heldButtons_.redraw(engine_, [this](const ButtonArea& area) { return area.onBar || !scrollLock_; });
}

void KeyboardView::redrawOnKeyboardScroll(int kb) {
  const int start = getStartKey(kb);
  if (!keys::isWhiteKey(start)) return;
  Board& b = board(kb);
  for (int j = 0; j < keys::kNumBlackKeyViews; ++j) {
    b.blackKey[static_cast<std::size_t>(j)]->setAlpha(blackKeyOnBoundary(start, j) ? 1.0f : 0.0f);
  }
}

void KeyboardView::redrawNoteNames(int kb) {
  const NoteNaming naming = settings_.displayNoteNames;
  Board& b = board(kb);
  if (naming == NoteNaming::kNone) {
    for (const auto& label : b.noteName) label->setAlpha(0.0f);
    return;
  }
  for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
    Label& label = *b.noteName[static_cast<std::size_t>(i)];
    label.setAlpha(naming == NoteNaming::kLowestKey && i > 0 ? 0.0f : 1.0f);
    if (naming != NoteNaming::kColoured) label.setBackgroundColour(Colour::clear());
  }
  setKeyLabel(kb);
}

// Texts and colours; the radar follows the start key whatever the mode.
void KeyboardView::setKeyLabel(int kb) {
  const NoteNaming naming = settings_.displayNoteNames;
  const int start = getStartKey(kb);
  if (naming != NoteNaming::kNone && keys::isWhiteKey(start)) {
    Board& b = board(kb);
    for (int i = 0; i < keys::kNumWhiteKeyViews; ++i) {
      const int key = keys::whiteKeyAbove(start, i);
      Label& label = *b.noteName[static_cast<std::size_t>(i)];
      label.setText(keys::noteName(key));
      if (naming == NoteNaming::kColoured) label.setBackgroundColour(labelColour(keys::octaveNumber(key)));
    }
  }
  setRadar();
}

// ------------------------------------------------------------------ the engine's host

void KeyboardView::showWhiteKey(int kb, int position, WhiteKeyPicture picture) {
  if (!validKeyboard(kb) || position < 0 || position >= keys::kNumWhiteKeyViews) return;
  board(kb).whiteKey[static_cast<std::size_t>(position)]->setImage(images_.white(picture));
}

void KeyboardView::showBlackKey(int kb, int boundary, BlackKeyPicture picture) {
  if (!validKeyboard(kb) || boundary < 0 || boundary >= keys::kNumBlackKeyViews) return;
  board(kb).blackKey[static_cast<std::size_t>(boundary)]->setImage(images_.black(picture));
}

void KeyboardView::setNoteNameDown(int kb, int position, bool down) {
  if (!validKeyboard(kb) || position < 0 || position >= keys::kNumWhiteKeyViews) return;
  board(kb).noteName[static_cast<std::size_t>(position)]->setTransform(down ? noteNameDownTransform_
                                                                            : noteNameUpTransform_);
}

bool KeyboardView::isLayoutButton(int zone) const {
  return zone == zone::kRadar || zone == zone::kScrollLock ||
         (zone >= zone::kOctaveDown && zone <= zone::kUpperOctaveUp);
}

// 1001..1004 scroll the single or lower board, 1005..1008 the upper one, in
// the order octave down, key down, key up, octave up.
void KeyboardView::layoutButtonPress(int zone, Point point) {
  if (zone == zone::kRadar) {
    radarPress(point);
    return;
  }
  if (zone == zone::kScrollLock) {
    if (!layout_.endBorders) return;
    scrollLock_ = !scrollLock_;
    redrawOnButtonPress();
    return;
  }
  const int kb = zone >= zone::kUpperOctaveDown ? 1 : 0;
  if (scrollLock_ || !validKeyboard(kb) || zone < zone::kOctaveDown || zone > zone::kUpperOctaveUp) return;
  switch ((zone - zone::kOctaveDown) % 4) {
    case 0: decOctave(kb); break;
    case 1: decKey(kb); break;
    case 2: incKey(kb); break;
    default: incOctave(kb); break;
  }
}

int KeyboardView::keyboardForZone(int zone, int* zoneOnKeyboard) const {
  if (layout_.boards > 1 && zone > zone::kUpperKeyboard) {
    *zoneOnKeyboard = zone - zone::kUpperKeyboard;
    return 1;
  }
  *zoneOnKeyboard = zone;
  return 0;
}

// One keyboard: from the finger's distance to the keys' near end; two
// keyboards play at full expression wherever the finger lies.
float KeyboardView::expressionForPoint(Point point) const { return touchscreen_->getExpressionForCoord(point); }

}  // namespace piano
