#include "screens/library/song_library_view.h"

#include <algorithm>
#include <numbers>

#include "platform/localized_strings.h"
#include "platform/resources.h"
#include "platform/screen.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "screens/touch_zone.h"

namespace piano {

using platform::Colour;
using platform::Point;
using platform::Rect;

namespace {

constexpr int kRows = 6;
constexpr double kQuarterTurn = std::numbers::pi / 2.0;
// The name that earlier versions used for a scratch file, removed at every start.
constexpr std::string_view kReservedName = "temporary";

const Colour kPanelColour = Colour::rgb255(76, 109, 128);
// The artwork's ivory and lacquer: texts on the message box, its buttons and
// the selected row (MessageBox, MessageBoxButton, SongListSelection).
const Colour kIvory = Colour::rgb255(236, 228, 207);
const Colour kLacquer = Colour::rgb255(13, 13, 15);

// ---- Where each control lies and answers a touch, in the coordinates of the
// view that holds it: a zone, and the picture or text drawn on it.
struct Control {
  TouchZone zone;
  Point centre;
};

// The navigation band, in the screen's coordinates; the mode buttons and their
// lamp sockets are drawn in the background picture. Normal and tall screen.
struct Navigation {
  TouchZone back, help;
  Control songsMode, modifyMode;  // centre: the lamp
  Point helpIcon;
};
constexpr Point kBackIcon{300.5, 20.5};
constexpr Navigation kNavigation[2] = {
    {{.left = 276, .bottom = 43}, {.left = 276, .top = 438},
     {{.left = 272, .top = 150, .bottom = 240}, {299, 205}}, {{.left = 272, .top = 240, .bottom = 330}, {299, 274}},
     {300.5, 461.5}},
    {{.left = 276, .bottom = 43}, {.left = 276, .top = 520},
     {{.left = 272, .top = 194, .bottom = 284}, {299, 250}}, {{.left = 272, .top = 284, .bottom = 374}, {299, 318}},
     {300.5, 547}}};

// The load/save mode, in its view's coordinates (the view lies 44 points
// further along y on the tall screen). The Chinese layout moves the SAVE and
// ERASE pictures 3 points across.
constexpr Control kLoadButton{{.left = 147, .top = 406, .right = 200}, {169.5, 430.5}};
constexpr Control kEraseButton{{.left = 18, .top = 406, .right = 78}, {56, 430}};
constexpr Control kSaveButton{{200, 406, 253, 480}, {225.5, 430}};
constexpr double kChineseShift = 3;
constexpr Control kUpArrow{{161, 357, 196, 406}, {178, 380}};
constexpr Control kDownArrow{{26, 357, 63, 406}, {43, 380}};
constexpr TouchZone kList{30, 35, 190, 357};
// The rows lie across the list, row 0 at the largest x, each 26 points wide
// with a point between neighbours: the selected row's bar runs across the whole
// list panel (y 30..400) and the row's name along its middle. A touch selects
// the row from the end of the next row to its own end.
Rect rowFrame(int row) { return {165.0 - 27.0 * row, 30, 26, 370}; }
constexpr double kRowNameY = 196;

// The modify mode's three targets, in its view's coordinates (moved like the
// load/save view): each with its name below its plaque, and its question.
constexpr struct {
  Control control;
  const char* name;
  const char* question;
  SongLibraryView::Option option;
} kModifyTargets[] = {
    {{{60, 33, 175, 153}, {70, 85}}, "LAST NOTE", "REALLY ERASE NOTE", SongLibraryView::kEraseLastNote},
    {{{60, 153, 175, 284}, {70, 208}}, "LAST TRACK", "REALLY ERASE TRACK", SongLibraryView::kEraseLastTrack},
    {{{60, 284, 175, 444}, {70, 360}}, "WHOLE SONG", "REALLY ERASE SONG", SongLibraryView::kEraseWholeSong}};

// The message box's buttons, in the box's coordinates (x 62..118 of the
// screen): OK where it stands with CANCEL beside it, CANCEL, and OK alone.
constexpr Control kOkButton{{-1, 3, 55, 136}, {25, 70}};
constexpr Control kCancelButton{{-1, 136, 55, 266}, {25, 198}};
constexpr Point kOkAlone{25, 135};

// A point of the screen in the coordinates of `view`, a child laid out without a transform.
Point within(const platform::View& view, Point point) {
  const Rect frame = view.frame();
  return {point.x - frame.x, point.y - frame.y};
}

std::string fillIn(const std::string& question, const std::string& name) {
  return question + " '" + name + "'?";
}

}  // namespace

SongLibraryView::SongLibraryView(ScreenHost& parent, FileManager& fileManager, NoteRecorder& recorder,
                           platform::RunLoop& runLoop, Options options)
    : parent_(parent),
      fileManager_(fileManager),
      recorder_(recorder),
      runLoop_(runLoop),
      files_(options.documentsDirectory.empty() ? fileManager.documentsDirectory() : options.documentsDirectory,
             options.demoSongDirectory ? *options.demoSongDirectory
                                       : platform::resourceDirectory() + "/songs") {
  tall_ = platform::isTallScreen();
  setFrame(parent_.frame());
  setImage(platform::Image::named(tall_ ? "RecorderBack-568h@2x" : "RecorderBack"));
  setUserInteractionEnabled(true);
  setMultipleTouchEnabled(true);
  chinese_ = parent_.isChineseLanguage();
  build();

  files_.copyDemoSongs(chinese_);
  files_.convertOldSavesToNewSaves();
  loadSongNames();
  currentlySelected_ = songNames_.empty() ? -1 : 0;
  loadSaveMode_ = true;
  redraw();
}

SongLibraryView::~SongLibraryView() {
  if (saveTextField_) saveTextField_->setDelegate(nullptr);
}

std::shared_ptr<platform::Label> SongLibraryView::makeLabel(const Rect& frame, const std::string& text,
                                                         const std::string& font, double size) {
  auto label = std::make_shared<platform::Label>(frame);
  label->setText(text);
  label->setFont(font, size);
  label->setTransform(platform::AffineTransform::rotation(kQuarterTurn));
  return label;
}

std::shared_ptr<platform::ImageView> SongLibraryView::makeImage(const std::string& name, Point centre, float alpha) {
  auto image = std::make_shared<platform::ImageView>(name);
  image->setCentre(centre);
  image->setAlpha(alpha);
  return image;
}

void SongLibraryView::build() {
  using platform::localized;
  const double modeCentreY = tall_ ? 284.0 : 240.0;
  loadSaveView_ = std::make_shared<platform::View>(Rect{0, 0, 320, 480});
  loadSaveView_->setCentre({160, modeCentreY});
  modifyView_ = std::make_shared<platform::View>(Rect{0, 0, 320, 480});
  modifyView_->setCentre({160, modeCentreY});
  addSubview(loadSaveView_);
  addSubview(modifyView_);

  modifyIcons_ = makeImage("ModifyIcons", {130, 244}, 0.8f);
  modifyView_->addSubview(modifyIcons_);
  for (const auto& target : kModifyTargets) {
    auto label = makeLabel({120, 220, 140, 22}, localized(target.name), "Arial", chinese_ ? 18 : 16);
    label->setCentre(target.control.centre);
    label->setAlignment(platform::TextAlignment::Centre);
    modifyView_->addSubview(label);
  }
  eraseLabel_ = makeLabel({130, 220, 160, 40}, localized("ERASE DOTDOTDOT"), "Helvetica", 36);
  eraseLabel_->setAlignment(platform::TextAlignment::Centre);
  eraseLabel_->setAlpha(0.8f);
  modifyView_->addSubview(eraseLabel_);

  saveBox_ = std::make_shared<platform::View>(Rect{203, 30, 43, 370});
  saveBox_->setBackgroundColour(kPanelColour);
  loadSaveView_->addSubview(saveBox_);
  loadBox_ = std::make_shared<platform::View>(Rect{25, 30, 170, 370});
  loadBox_->setBackgroundColour(kPanelColour);
  loadSaveView_->addSubview(loadBox_);

  selectionBar_ = makeImage("SongListSelection", rowFrame(0).centre(), 0.0f);
  loadSaveView_->addSubview(selectionBar_);
  for (int i = 0; i < kRows; ++i) {
    auto row = makeLabel({0, 0, 320, 26}, "", "Helvetica", 16);
    row->setCentre({rowFrame(i).midX(), kRowNameY});
    loadSaveView_->addSubview(row);
    loadLabel_[static_cast<std::size_t>(i)] = row;
  }

  saveTextField_ = std::make_shared<platform::TextField>(Rect{50, 200, 350, 26});
  saveTextField_->setPlaceholder(localized("ENTER FILENAME"));
  saveTextField_->setFont("Helvetica", 16);
  saveTextField_->setBorderStyle(platform::BorderStyle::Line);
  saveTextField_->setTextColour(Colour::black(0.9f));
  saveTextField_->setClearButtonMode(platform::ClearButtonMode::WhileEditing);
  saveTextField_->setMaxLength(SongFiles::kMaxNameBytes);
  saveTextField_->setTransform(platform::AffineTransform::rotation(kQuarterTurn));
  saveTextField_->setDelegate(this);
  loadSaveView_->addSubview(saveTextField_);

  const double shift = chinese_ ? kChineseShift : 0.0;
  saveButton_ = makeImage("SaveIcon", {kSaveButton.centre.x + shift, kSaveButton.centre.y}, 0.8f);
  loadButton_ = makeImage("LoadIcon", kLoadButton.centre, 0.8f);
  deleteButton_ = makeImage("EraseIcon", {kEraseButton.centre.x + shift, kEraseButton.centre.y}, 0.8f);
  upArrow_ = makeImage("LoadUpArrow", kUpArrow.centre, 0.8f);
  downArrow_ = makeImage("LoadUpArrow", kDownArrow.centre, 0.8f);
  downArrow_->setTransform(platform::AffineTransform::rotation(std::numbers::pi));
  for (const auto& view : {saveButton_, loadButton_, deleteButton_, upArrow_, downArrow_}) {
    loadSaveView_->addSubview(view);
  }

  // Over the list while a name is typed.
  NameKeyboard::Actions keys;
  keys.insertText = [this](const std::string& text) { saveTextField_->insertText(text); };
  keys.deleteBackward = [this] { saveTextField_->deleteBackward(); };
  keys.done = [this] { saveTextField_->returnPressed(); };
  nameKeyboard_ = std::make_shared<NameKeyboard>(Rect{25, 30, 170, 370}, std::move(keys));
  nameKeyboard_->setAlpha(0.0f);
  loadSaveView_->addSubview(nameKeyboard_);

  const Navigation& navigation = kNavigation[tall_];
  loadSaveLit_ = makeImage("LEDButtonLit", navigation.songsMode.centre, 1.0f);
  modifyLit_ = makeImage("LEDButtonLit", navigation.modifyMode.centre, 1.0f);
  addSubview(loadSaveLit_);
  addSubview(modifyLit_);

  messageBoxBackground_ = std::make_shared<platform::View>(Rect{63, tall_ ? 144.0 : 104.0, 137, 265});
  messageBoxBackground_->setAlpha(0.0f);
  addSubview(messageBoxBackground_);
  messageBoxBackground_->addSubview(makeImage("MessageBox", messageBoxBackground_->bounds().centre(), 1.0f));
  messageBoxText_ = makeLabel({-38, 95, 252, 82}, "", "Helvetica", 20);
  messageBoxText_->setTextColour(kIvory);
  messageBoxText_->setAlignment(platform::TextAlignment::Centre);
  messageBoxText_->setLineBreak(platform::LineBreak::WordWrap);
  messageBoxText_->setNumberOfLines(0);
  messageBoxBackground_->addSubview(messageBoxText_);
  // Each button's text lies on an ivory cap longer than the text, so that a
  // long word keeps its margins; a longer one is set smaller.
  OKLabel_ = makeLabel({0, 0, 96, 26}, localized("OK"), "Helvetica", 20);
  OKLabel_->setCentre(kOkButton.centre);
  cancelLabel_ = makeLabel({0, 0, 96, 26}, localized("CANCEL"), "Helvetica", 20);
  cancelLabel_->setCentre(kCancelButton.centre);
  for (const auto& button : {OKLabel_, cancelLabel_}) {
    auto cap = makeImage("MessageBoxButton", button->centre(), 1.0f);
    messageBoxBackground_->addSubview(cap);
    (button == OKLabel_ ? okCap_ : cancelCap_) = cap;
    button->setTextColour(kLacquer);
    button->setAlignment(platform::TextAlignment::Centre);
    button->setMinimumFontSize(12);
    messageBoxBackground_->addSubview(button);
  }

  helpIcon_ = makeImage("HelpIcon", navigation.helpIcon, 1.0f);
  backIcon_ = makeImage("BackIcon", kBackIcon, 1.0f);
  addSubview(helpIcon_);
  addSubview(backIcon_);
}

// ---------------------------------------------------------------- drawing

void SongLibraryView::redraw() {
  if (showingPleaseWaitMessage_) {
    messageBoxBackground_->setAlpha(1.0f);
    loadSaveView_->setAlpha(0.0f);
    modifyView_->setAlpha(0.0f);
    OKLabel_->setAlpha(0.0f);
    cancelLabel_->setAlpha(0.0f);
    placeCaps();
    return;
  }
  if (showingMessageBox_) {
    messageBoxBackground_->setAlpha(1.0f);
    if (optionChosen_ == kCloseResult) {
      OKLabel_->setCentre(kOkAlone);
      OKLabel_->setAlpha(1.0f);
      cancelLabel_->setAlpha(0.0f);
    } else {
      OKLabel_->setCentre(kOkButton.centre);
      OKLabel_->setAlpha(1.0f);
      cancelLabel_->setAlpha(1.0f);
    }
    placeCaps();
    loadSaveView_->setAlpha(0.0f);
    modifyView_->setAlpha(0.0f);
    return;
  }
  messageBoxBackground_->setAlpha(0.0f);
  if (!loadSaveMode_) {
    loadSaveView_->setAlpha(0.0f);
    modifyView_->setAlpha(1.0f);
    loadSaveLit_->setAlpha(0.0f);
    modifyLit_->setAlpha(1.0f);
    return;
  }
  loadSaveView_->setAlpha(1.0f);
  modifyView_->setAlpha(0.0f);
  loadSaveLit_->setAlpha(1.0f);
  modifyLit_->setAlpha(0.0f);
  const int count = static_cast<int>(songNames_.size());
  upArrow_->setAlpha(displayListStartIndex_ >= 1 ? 0.9f : 0.0f);
  downArrow_->setAlpha(displayListStartIndex_ + kRows < count ? 0.9f : 0.0f);
  const bool rowSelected = currentlySelected_ >= 0 && currentlySelected_ < kRows;
  selectionBar_->setAlpha(rowSelected ? 1.0f : 0.0f);
  if (rowSelected) selectionBar_->setFrame(rowFrame(currentlySelected_));
  for (int i = 0; i < kRows; ++i) {
    platform::Label& row = *loadLabel_[static_cast<std::size_t>(i)];
    row.setTextColour(i == currentlySelected_ ? kIvory : Colour::black(0.9f));
    const int index = displayListStartIndex_ + i;
    row.setText(index >= 0 && index < count ? songNames_[static_cast<std::size_t>(index)] : std::string());
  }
}

// The message box's buttons: each cap under its label, where and while the label shows.
void SongLibraryView::placeCaps() {
  for (const auto& [label, cap] : {std::pair{OKLabel_, okCap_}, std::pair{cancelLabel_, cancelCap_}}) {
    cap->setCentre(label->centre());
    cap->setAlpha(label->alpha());
  }
}

// ---------------------------------------------------------------- songs

void SongLibraryView::loadSongNames() { songNames_ = files_.loadSongNames(); }

void SongLibraryView::showing() {
  // A question or a load in progress acts on the list as it is (the screen is
  // never left with one up; this keeps it so).
  if (showingMessageBox_ || showingPleaseWaitMessage_) return;
  const std::optional<std::string> selected =
      selectionValid() ? std::optional(songNames_[static_cast<std::size_t>(selectedIndex())]) : std::nullopt;
  loadSongNames();
  const int count = static_cast<int>(songNames_.size());
  const auto found = selected ? std::find(songNames_.begin(), songNames_.end(), *selected) : songNames_.end();
  const int index = static_cast<int>(found - songNames_.begin());
  if (found != songNames_.end() && index >= displayListStartIndex_ && index < displayListStartIndex_ + kRows) {
    currentlySelected_ = index - displayListStartIndex_;
  } else if (found != songNames_.end()) {
    selectSong(*selected);
  } else {
    // The selected song is gone: the same row, within what the list now holds.
    displayListStartIndex_ = std::clamp(displayListStartIndex_, 0, std::max(0, count - kRows));
    currentlySelected_ = count == 0 ? -1 : std::clamp(currentlySelected_, 0, count - 1 - displayListStartIndex_);
  }
  redraw();
}

bool SongLibraryView::selectionValid() const {
  const int index = selectedIndex();
  return currentlySelected_ >= 0 && index >= 0 && index < static_cast<int>(songNames_.size());
}

void SongLibraryView::selectSong(const std::string& name) {
  const int count = static_cast<int>(songNames_.size());
  const auto found = std::find(songNames_.begin(), songNames_.end(), name);
  if (count == 0) {
    displayListStartIndex_ = 0;
    currentlySelected_ = -1;
    return;
  }
  // The song on the bottom row when it is near the end of the list, as low as
  // it can stand otherwise.
  const int index = found != songNames_.end() ? static_cast<int>(found - songNames_.begin()) : count - 1;
  displayListStartIndex_ = std::clamp(index - (kRows - 1), 0, std::max(0, count - kRows));
  currentlySelected_ = index - displayListStartIndex_;
}

std::string SongLibraryView::usableName(const std::string& name) const {
  return name == kReservedName ? std::string(kReservedName) + " 2" : name;
}

void SongLibraryView::save(const std::string& fileName) {
  const bool saved = fileManager_.saveState(fileName);
  loadSongNames();
  optionChosen_ = kCloseResult;
  messageBoxText_->setText(platform::localized(saved ? "SONG SAVED" : "SAVE FAILED"));
  showingMessageBox_ = true;
  if (saved) {
    selectSong(fileName.substr(0, fileName.size() - std::min(fileName.size(), SongFiles::kExtension.size())));
  } else if (!selectionValid()) {
    selectSong({});
  }
  redraw();
}

void SongLibraryView::load() {
  bool loaded = false;
  if (songNumberToLoad_ >= 0 && songNumberToLoad_ < static_cast<int>(songNames_.size())) {
    const std::string& name = songNames_[static_cast<std::size_t>(songNumberToLoad_)];
    // The file is read and checked whole before anything is applied, so a
    // damaged song never wipes the one the player has.
    std::string text;
    loaded = files_.readSong(name, &text) && fileManager_.applyStateText(text);
    if (loaded) saveTextField_->setText(name);
  }
  loadResultKey_ = loaded ? "SONG LOADED" : "LOAD FAILED";
  std::weak_ptr<int> alive = alive_;
  runLoop_.performAfterDelay(0.1, [this, alive] {
    if (!alive.expired()) stopShowingPleaseWait();
  });
}

void SongLibraryView::stopShowingPleaseWait() {
  optionChosen_ = kCloseResult;
  messageBoxText_->setText(platform::localized(loadResultKey_.empty() ? "SONG LOADED" : loadResultKey_));
  showingMessageBox_ = true;
  showingPleaseWaitMessage_ = false;
  redraw();
}

void SongLibraryView::erase(int index) {
  const bool valid = index >= 0 && index < static_cast<int>(songNames_.size());
  const bool erased = valid && files_.erase(songNames_[static_cast<std::size_t>(index)]);
  optionChosen_ = kCloseResult;
  messageBoxText_->setText(platform::localized(erased ? "SONG ERASED" : "ERASE FAILED"));
  showingMessageBox_ = true;
  loadSongNames();
  if (songNames_.empty()) {
    currentlySelected_ = -1;
    displayListStartIndex_ = 0;
  } else if (erased) {
    --currentlySelected_;
    if (currentlySelected_ < 0) {
      currentlySelected_ = 0;
      displayListStartIndex_ = std::max(0, displayListStartIndex_ - 1);
    }
  }
  if (!songNames_.empty() && !selectionValid()) selectSong({});
  redraw();
}

// ---------------------------------------------------------------- touches

void SongLibraryView::touchesBegan(const platform::TouchSet& touches) { processTouches(touches); }
void SongLibraryView::touchesMoved(const platform::TouchSet& touches) { processTouches(touches); }
void SongLibraryView::touchesEnded(const platform::TouchSet& touches) { processTouches(touches); }
void SongLibraryView::touchesCancelled(const platform::TouchSet& touches) { processTouches(touches); }

void SongLibraryView::processTouches(const platform::TouchSet& touches) {
  for (const platform::Touch* touch : touches) {
    // A step below may start loading; the rest of the set is then ignored too.
    if (showingPleaseWaitMessage_) return;
    if (touch == nullptr) continue;
    const Point location = touch->locationInView(this);
    switch (touch->phase()) {
      case platform::TouchPhase::Began:
        fingerDown(location);
        break;
      case platform::TouchPhase::Moved:
        fingerMove(location, touch->previousLocationInView(this));
        break;
      case platform::TouchPhase::Ended:
      case platform::TouchPhase::Cancelled:
        fingerUp(location);
        break;
      case platform::TouchPhase::Stationary:
        break;
    }
  }
}

void SongLibraryView::fingerUp(Point) {}

void SongLibraryView::fingerMove(Point point, Point) {
  if (showingMessageBox_ || showingPleaseWaitMessage_) return;
  // The list's rows follow the finger, also while the modify mode is shown.
  const Point inList = within(*loadSaveView_, point);
  if (kList.contains(inList)) {
    selectRow(inList);
    redraw();
  }
}

void SongLibraryView::selectRow(Point point) {
  // The rows past the end of a short list select its last song.
  const int songsFromRow0 = static_cast<int>(songNames_.size()) - displayListStartIndex_;
  if (songsFromRow0 < 1) return;
  int row = 0;
  while (row < kRows - 1 && point.x < rowFrame(row + 1).maxX()) ++row;
  currentlySelected_ = std::min(row, songsFromRow0 - 1);
}

void SongLibraryView::showMessage(const std::string& key, int option) {
  endEditing();
  optionChosen_ = option;
  messageBoxText_->setText(platform::localized(key));
  showingMessageBox_ = true;
}

void SongLibraryView::showQuestionAboutSelected(const std::string& key, int option) {
  endEditing();
  optionChosen_ = option;
  messageBoxText_->setText(fillIn(platform::localized(key), songNames_[static_cast<std::size_t>(selectedIndex())]));
  showingMessageBox_ = true;
}

void SongLibraryView::switchMode() {
  endEditing();
  showingMessageBox_ = false;
  optionChosen_ = kNothing;
  loadSaveMode_ = !loadSaveMode_;
  redraw();
}

void SongLibraryView::endEditing() {
  if (saveTextField_->isEditing()) saveTextField_->resignFirstResponder();
}

void SongLibraryView::fingerDown(Point point) {
  if (showingMessageBox_) {
    const Point inBox = within(*messageBoxBackground_, point);
    if (kOkButton.zone.contains(inBox)) {
      okAction();
      redraw();
    } else if (kCancelButton.zone.contains(inBox)) {
      showingMessageBox_ = false;
      redraw();
    }
    return;
  }

  const Navigation& navigation = kNavigation[tall_];
  if (navigation.back.contains(point)) {
    endEditing();
    parent_.showPiano();
    return;
  }
  if (navigation.help.contains(point)) {
    endEditing();
    parent_.showManual(ManualView::FromScreen::kLibrary);
    return;
  }
  if (navigation.songsMode.zone.contains(point)) {
    if (!loadSaveMode_) switchMode();
    return;
  }
  if (navigation.modifyMode.zone.contains(point)) {
    if (loadSaveMode_) switchMode();
    return;
  }

  if (loadSaveMode_) {
    const Point p = within(*loadSaveView_, point);
    const int count = static_cast<int>(songNames_.size());
    if (kLoadButton.zone.contains(p)) {
      if (selectionValid()) showQuestionAboutSelected("REALLY LOAD", kLoad);
    } else if (kEraseButton.zone.contains(p)) {
      if (selectionValid()) showQuestionAboutSelected("REALLY ERASE", kErase);
    } else if (kUpArrow.zone.contains(p)) {
      if (displayListStartIndex_ >= 1) {
        --displayListStartIndex_;
        currentlySelected_ = std::min(currentlySelected_ + 1, kRows - 1);
      }
    } else if (kDownArrow.zone.contains(p)) {
      if (displayListStartIndex_ + kRows < count) {
        ++displayListStartIndex_;
        currentlySelected_ = std::max(currentlySelected_ - 1, 0);
      }
    } else if (kSaveButton.zone.contains(p)) {
      saveRequest();
    } else if (kList.contains(p)) {
      selectRow(p);
    } else {
      return;
    }
    redraw();
    return;
  }

  const Point p = within(*modifyView_, point);
  for (const auto& target : kModifyTargets) {
    if (target.control.zone.contains(p)) {
      showMessage(target.question, target.option);
      redraw();
      return;
    }
  }
}

void SongLibraryView::saveRequest() {
  endEditing();
  const std::string name = usableName(SongFiles::makeFileSafe(saveTextField_->text()));
  saveTextField_->setText(name);
  if (name.empty()) {
    showMessage("NOT NAMED SONG", kSaveUnnamed);
    return;
  }
  const std::string fileName = SongFiles::fileNameForSong(name);
  if (files_.exists(fileName)) {
    showMessage("OVERWRITE SONG", kOverwrite);
    return;
  }
  save(fileName);
}

void SongLibraryView::okAction() {
  switch (optionChosen_) {
    case kSaveUnnamed:
    case kOverwrite: {
      // Both save under the name the question was about: the field's, or the
      // default name when the field is empty.
      std::string name = saveTextField_->text();
      if (name.empty()) name = usableName(SongFiles::makeFileSafe(platform::localized("MY SONG")));
      const std::string fileName = SongFiles::fileNameForSong(name);
      if (optionChosen_ == kSaveUnnamed && files_.exists(fileName)) {
        showMessage("OVERWRITE SONG", kOverwrite);
        return;
      }
      showingMessageBox_ = false;
      save(fileName);
      return;
    }
    case kLoad: {
      if (!selectionValid()) {
        showingMessageBox_ = false;
        return;
      }
      songNumberToLoad_ = selectedIndex();
      showingPleaseWaitMessage_ = true;
      messageBoxText_->setText(platform::localized("LOADING SAMPLES"));
      redraw();
      std::weak_ptr<int> alive = alive_;
      runLoop_.performAfterDelay(0.001, [this, alive] {
        if (!alive.expired()) load();
      });
      return;
    }
    case kErase:
      erase(selectedIndex());
      return;
    case kCloseResult:
      showingMessageBox_ = false;
      return;
    case kEraseWholeSong:
      recorder_.eraseWholeSong();
      showingMessageBox_ = false;
      return;
    case kEraseLastTrack:
      recorder_.eraseLastOverdub();
      showingMessageBox_ = false;
      return;
    case kEraseLastNote:
      recorder_.eraseLastXNotes(1);
      showingMessageBox_ = false;
      return;
    default:
      return;
  }
}

// ---------------------------------------------------------------- name field

void SongLibraryView::textFieldDidBeginEditing(platform::TextField&) {
  if (onScreenKeyboardEnabled_) nameKeyboard_->setAlpha(1.0f);
}

bool SongLibraryView::textFieldShouldReturn(platform::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void SongLibraryView::textFieldDidEndEditing(platform::TextField& field) {
  nameKeyboard_->setAlpha(0.0f);
  field.setText(SongFiles::makeFileSafe(field.text()));
}

}  // namespace piano
