#include "app/main_view.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "audio/sound_player.h"
#include "keyboard/dual_keyboard_view.h"
#include "keyboard/key_numbers.h"
#include "keyboard/single_keyboard_view.h"
#include "platform/documents.h"
#include "platform/file_io.h"
#include "platform/localized_strings.h"
#include "platform/resources.h"
#include "platform/screen.h"
#include "platform/url_opener.h"
#include "platform/window.h"
#include "recording/file_manager.h"
#include "recording/metronome.h"
#include "recording/note_recorder.h"
#include "recording/state_text.h"
#include "screens/library/recorder_view.h"
#include "screens/manual/manual_view.h"
#include "screens/settings/app_settings_view.h"

namespace piano {

namespace {

constexpr double kScreenChangeSeconds = 0.3;
constexpr double kSustainRange = 0.00016;
constexpr float kResetNormalSustain = 0.5f;
constexpr float kResetPedalSustain = 0.9f;
// Copies of damaged state files kept beside the state file, newest first.
constexpr int kDamagedStateCopies = 3;
// The first-launch flag: one native 32-bit integer, positive once welcomed.
constexpr std::size_t kFirstLaunchFileBytes = sizeof(std::int32_t);

// Expression and label modes run 0..3; anything else a file may hold reads as
// the value of a fresh start.
int holdMode(int mode) { return mode >= 0 && mode <= 3 ? mode : 1; }

}  // namespace

double releaseRateForFraction(float fraction) {
  if (!(fraction >= 0.0f)) fraction = 0.0f;  // NaN too
  if (fraction > 1.0f) fraction = 1.0f;
  return -static_cast<double>(1.0f - fraction) * kSustainRange;
}

std::shared_ptr<MainView> MainView::create(Options options) {
  std::shared_ptr<MainView> view(new MainView(std::move(options)));
  view->build();
  return view;
}

MainView::MainView(Options options) : options_(std::move(options)) {}

MainView::~MainView() {
  // The screens hold references into the recorder and engine: they go first,
  // then the recorder (joining its playback thread), then the engine.
  removeAllSubviews();
  manualView_.reset();
  recorderView_.reset();
  appSettingsView_.reset();
  dualKeyboardView_.reset();
  singleKeyboardView_.reset();
  noteRecorder_.reset();
  soundPlayer_.reset();
}

void MainView::build() {
  const platform::Size landscape = platform::landscapeSize();
  setFrame({0, 0, landscape.width, landscape.height});
  setBackgroundColour(platform::Colour::black());

  const std::string language = options_.language.value_or(platform::preferredLanguage());
  chinese_ = language == "zh-Hans";

  if (options_.documentsDirectory.empty()) {
    const platform::DocumentsFolder folder = platform::documentsDirectory();
    if (folder.ok()) {
      documentsDirectory_ = folder.path;
    } else {
      std::printf("Songs and settings cannot be kept: %s\n", folder.error.c_str());
    }
  } else {
    documentsDirectory_ = options_.documentsDirectory;
  }
  if (!documentsDirectory_.empty()) platform::removeStaleSaveFiles(documentsDirectory_);

  transitionView_ = std::make_shared<TransitionView>();
  transitionView_->setup();
  transitionView_->setBounds(frame());
  transitionView_->setDelegate(this);
  transitionView_->setUserInteractionEnabled(true);
  transitionView_->setCentre({landscape.width / 2, landscape.height / 2});
  transitionView_->setTransform(platform::AffineTransform::rotation(-static_cast<float>(M_PI) / 2));
  addSubview(transitionView_);

  soundPlayer_ = std::make_unique<SoundPlayer>(
      SoundPlayer::Options{options_.output, options_.sampleDir, options_.clock});
  NoteRecorder::Options recorderOptions;
  recorderOptions.clock = options_.clock;
  recorderOptions.startPlaybackThread = options_.startPlaybackThread;
  recorderOptions.playbackObserver = options_.playbackObserver;
  metronome_ = std::make_unique<Metronome>(*soundPlayer_, *options_.runLoop);
  noteRecorder_ = std::make_unique<NoteRecorder>(this, *soundPlayer_, *metronome_, *options_.runLoop, recorderOptions);

  singleKeyboardView_ = std::make_shared<SingleKeyboardView>(this, *soundPlayer_, *noteRecorder_);
  dualKeyboardView_ = std::make_shared<DualKeyboardView>(this, *soundPlayer_, *noteRecorder_);

  fileManager_ = std::make_unique<FileManager>(*this, *noteRecorder_, documentsDirectory_);
  if (documentsDirectory_.empty()) {
    resetState();
  } else {
    loadStateFile();
  }

  AppSettingsView::Options settingsOptions;
  settingsOptions.clock = options_.clock;
  appSettingsView_ = std::make_shared<AppSettingsView>(*this, *soundPlayer_, *metronome_, settingsOptions);
  RecorderView::Options libraryOptions;
  libraryOptions.documentsDirectory = documentsDirectory_;
  recorderView_ = std::make_shared<RecorderView>(*this, *fileManager_, *noteRecorder_, *options_.runLoop,
                                                 libraryOptions);

  showPiano();
  if (options_.disableIdleTimer) options_.disableIdleTimer();
  testDisplayFirstTimeMessage();
}

platform::Rect MainView::frame() const {
  const platform::Size landscape = platform::landscapeSize();
  return {0, 0, landscape.height, landscape.width};
}

void MainView::loadStateFile() {
  FileManager::StateFile found;
  if (fileManager_->loadState(kStateFileName, &found)) return;
  using Status = FileManager::StateFile::Status;
  const std::string path = platform::documentsPath(documentsDirectory_, kStateFileName);
  if (found.status == Status::kDamaged) {
    // The player's song is in there: keep it out of the way of the save at exit.
    const std::string kept = platform::setDamagedFileAside(path, kDamagedStateCopies);
    saveStateAtExit_ = !kept.empty();
    const std::string where = kept.empty() ? "it could not be set aside, so it is left as it is at exit"
                                           : "it is kept as " + kept;
    std::printf("%s is damaged (%s); %s; starting with the default settings.\n", path.c_str(),
                found.problem.c_str(), where.c_str());
  } else if (found.status == Status::kUnreadable) {
    // Not damage: the file may be fine for its owner, so it is never replaced.
    saveStateAtExit_ = false;
    std::printf("%s could not be read (%s); starting with the default settings, and it is left as it is at exit.\n",
                path.c_str(), found.problem.c_str());
  }
}

// ---------------------------------------------------------------- settings

template <typename F>
void MainView::forBothKeyboards(F&& f) {
  if (singleKeyboardView_) f(*singleKeyboardView_);
  if (dualKeyboardView_) f(*dualKeyboardView_);
}

void MainView::setNumKeysToDisplay(int keys) {
  numKeysToDisplay_ = state_text::readNumKeysToDisplay(keys);
  forBothKeyboards([&](auto& v) { v.setNumKeysToDisplay(numKeysToDisplay_); });
}

void MainView::setExpressionFunction(int function) {
  expressionFunction_ = holdMode(function);
  forBothKeyboards([&](auto& v) { v.setExpressionFunction(expressionFunction_); });
}

void MainView::setDisplayNoteNames(int naming) {
  displayNoteNames_ = holdMode(naming);
  forBothKeyboards([&](auto& v) { v.setDisplayNoteNames(displayNoteNames_); });
}

void MainView::setSoftPedalPressed(bool pressed) {
  softPedalPressed_ = pressed;
  forBothKeyboards([&](auto& v) { v.setSoftPedalPressed(pressed); });
}

void MainView::setSustainPedalPressed(bool pressed) {
  sustainPedalPressed_ = pressed;
  forBothKeyboards([&](auto& v) { v.setSustainPedalPressed(pressed); });
}

void MainView::setSustainTimeNormal(float fraction) {
  sustainTimeNormal_ = releaseRateForFraction(fraction);
  forBothKeyboards([&](auto& v) { v.setSustainTimeNormal(static_cast<float>(sustainTimeNormal_)); });
}

void MainView::setSustainTimePedal(float fraction) {
  sustainTimePedal_ = releaseRateForFraction(fraction);
  forBothKeyboards([&](auto& v) { v.setSustainTimePedal(static_cast<float>(sustainTimePedal_)); });
}

float MainView::sustainTimeNormalAsFraction() const {
  return static_cast<float>(sustainTimeNormal_ / kSustainRange + 1.0);
}

float MainView::sustainTimePedalAsFraction() const {
  return static_cast<float>(sustainTimePedal_ / kSustainRange + 1.0);
}

// ---------------------------------------------------------------- state text

std::string MainView::getState() const {
  std::string out;
  state_text::appendSqueezed(out, static_cast<float>(sustainTimeNormal_));
  state_text::appendSqueezed(out, static_cast<float>(sustainTimePedal_));
  state_text::appendBool(out, softPedalPressed_);
  state_text::appendBool(out, sustainPedalPressed_);
  state_text::appendInt(out, expressionFunction_);
  state_text::appendInt(out, displayNoteNames_);
  state_text::appendBool(out, soundPlayer_->pianoNotePanning());
  state_text::appendInt(out, numKeysToDisplay_);
  state_text::appendBool(out, dualKeyboard_);
  state_text::appendInt(out, singleKeyboardView_->getStartKey());
  state_text::appendInt(out, dualKeyboardView_->getStartKey(0));
  state_text::appendInt(out, dualKeyboardView_->getStartKey(1));
  return out;
}

bool MainView::setState(std::string_view section, int version) {
  state_text::FieldReader fields(section);
  double normal = 0, pedal = 0;
  bool soft = false, sustain = false;
  int expression = 0, naming = 0, panning = 0;
  if (!fields.nextDouble(normal) || !fields.nextDouble(pedal) || !fields.nextBool(soft) ||
      !fields.nextBool(sustain) || !fields.nextInt(expression) || !fields.nextInt(naming) ||
      !fields.nextInt(panning)) {
    return false;
  }
  // The file holds release rates; they bypass the fraction conversion.
  sustainTimeNormal_ = state_text::holdReleaseRate(normal);
  sustainTimePedal_ = state_text::holdReleaseRate(pedal);
  forBothKeyboards([&](auto& v) {
    v.setSustainTimeNormal(static_cast<float>(sustainTimeNormal_));
    v.setSustainTimePedal(static_cast<float>(sustainTimePedal_));
  });
  setSoftPedalPressed(soft);
  setSustainPedalPressed(sustain);
  setExpressionFunction(expression);
  setDisplayNoteNames(naming);
  soundPlayer_->setPianoNotePanning(panning == 1);
  if (version < 2) {
    setNumKeysToDisplay(8);
    setDualKeyboard(false);
    return true;
  }
  int keys = 0, single = 0, lower = 0, upper = 0;
  bool dual = false;
  if (!fields.nextInt(keys) || !fields.nextBool(dual) || !fields.nextInt(single) ||
      !fields.nextInt(lower) || !fields.nextInt(upper)) {
    return false;
  }
  setNumKeysToDisplay(keys);
  setDualKeyboard(dual);
  singleKeyboardView_->setStartKey(
      keys::readStartKey(single, numKeysToDisplay_, keys::kDefaultStartKey));
  dualKeyboardView_->setStartKey(
      0, keys::readStartKey(lower, numKeysToDisplay_, keys::kDefaultStartKey));
  dualKeyboardView_->setStartKey(
      1, keys::readStartKey(upper, numKeysToDisplay_, keys::kDefaultUpperStartKey));
  return true;
}

void MainView::resetState() {
  setSustainTimeNormal(kResetNormalSustain);
  setSustainTimePedal(kResetPedalSustain);
  setDisplayNoteNames(1);
  setExpressionFunction(1);
  setSoftPedalPressed(false);
  setSustainPedalPressed(false);
  soundPlayer_->setPianoNotePanning(true);
  setNumKeysToDisplay(8);
  setDualKeyboard(false);
  singleKeyboardView_->setStartKey(keys::kDefaultStartKey);
  dualKeyboardView_->setStartKey(0, keys::kDefaultStartKey);
  dualKeyboardView_->setStartKey(1, keys::kDefaultUpperStartKey);
}

// ---------------------------------------------------------------- screens

platform::View& MainView::activeKeyboardView() {
  if (dualKeyboard_) return *dualKeyboardView_;
  return *singleKeyboardView_;
}

void MainView::switchTo(const std::shared_ptr<platform::View>& screen, platform::TransitionType type,
                        platform::TransitionDirection direction) {
  transitionView_->newSubview(screen, type, direction, kScreenChangeSeconds);
}

void MainView::showPiano() {
  std::shared_ptr<platform::View> screen;
  if (dualKeyboard_) {
    dualKeyboardView_->showing();
    dualKeyboardView_->redraw();
    screen = dualKeyboardView_;
  } else {
    singleKeyboardView_->showing();
    singleKeyboardView_->redraw();
    screen = singleKeyboardView_;
  }
  currentScreen_ = screen.get();
  switchTo(screen, appJustStarted_ ? platform::TransitionType::Fade : platform::TransitionType::Push,
           platform::TransitionDirection::FromTop);
  appJustStarted_ = false;
}

void MainView::showSetup() {
  appSettingsView_->redraw();
  appSettingsView_->startMetronome();
  const bool fromManual = manualView_ && currentScreen_ == manualView_.get();
  switchTo(appSettingsView_, fromManual ? platform::TransitionType::Reveal : platform::TransitionType::Push,
           platform::TransitionDirection::FromBottom);
  currentScreen_ = appSettingsView_.get();
}

void MainView::showNoteRecorder() {
  recorderView_->showing();
  const bool fromManual = manualView_ && currentScreen_ == manualView_.get();
  switchTo(recorderView_, fromManual ? platform::TransitionType::Reveal : platform::TransitionType::Push,
           platform::TransitionDirection::FromBottom);
  currentScreen_ = recorderView_.get();
}

void MainView::showManual(platform::View* sender) {
  if (!manualView_) manualView_ = std::make_shared<ManualView>(*this);
  if (sender == appSettingsView_.get()) {
    manualView_->setFromScreen(1);
  } else if (sender == recorderView_.get()) {
    manualView_->setFromScreen(0);
  }
  switchTo(manualView_, platform::TransitionType::MoveIn, platform::TransitionDirection::FromTop);
  currentScreen_ = manualView_.get();
}

void MainView::visitWebsite() {
  // The page in the language of the texts, else the English one.
  const std::string folder = platform::resourceDirectory() + "/manual/";
  std::string page = folder + platform::localizedStrings().language() + ".html";
  std::error_code error;
  if (!std::filesystem::is_regular_file(page, error)) page = folder + "en.html";
  page = std::filesystem::absolute(page, error).string();
  std::weak_ptr<ManualView> manual = manualView_;
  auto report = [manual, page](bool opened) {
    if (const auto view = manual.lock(); view && !opened) view->showOpenFailure(page);
  };
  if (!std::filesystem::is_regular_file(page, error)) {
    std::printf("The manual's web page %s is missing\n", page.c_str());
    report(false);
  } else if (options_.openUrl) {
    options_.openUrl(platform::fileUrl(page), report);
  } else {
    std::printf("Manual: %s\n", platform::fileUrl(page).c_str());
  }
}

void MainView::testDisplayFirstTimeMessage() {
  if (documentsDirectory_.empty()) return;
  const std::string path = platform::documentsPath(documentsDirectory_, kFirstLaunchFileName);
  const platform::FileContents flag = platform::readFileLimited(path, kFirstLaunchFileBytes);
  std::int32_t value = 0;
  if (flag.status == platform::ReadStatus::kOk && flag.bytes.size() == kFirstLaunchFileBytes) {
    std::memcpy(&value, flag.bytes.data(), kFirstLaunchFileBytes);
  }
  const bool shownBefore = value > 0;
  if (!shownBefore) {
    platform::showAlert(platform::localized("WELCOME TITLE"), platform::localized("WELCOME"),
                        platform::localized("WELCOME BUTTON"));
  }
  const std::int32_t one = 1;
  const bool written =
      platform::writeFileAtomically(path, std::string_view(reinterpret_cast<const char*>(&one), sizeof one));
  if (!written && !shownBefore) {
    std::printf("%s could not be written; the welcome will show again.\n", path.c_str());
  }
}

void MainView::applicationWillTerminate() {
  if (!documentsDirectory_.empty()) {
    const std::string path = platform::documentsPath(documentsDirectory_, kStateFileName);
    if (!saveStateAtExit_) {
      std::printf("%s is left as it was, since it could not be read; this session's song and settings are not kept.\n",
                  path.c_str());
    } else if (!fileManager_->saveState(kStateFileName)) {
      std::printf("%s could not be written; this session's song and settings are not kept.\n", path.c_str());
    }
  }
  soundPlayer_->stop();
}

// ---------------------------------------------------------------- playback

void MainView::mechanicalKeyPressDownForTrigger(int sampleNo) {
  if (dualKeyboard_) {
    dualKeyboardView_->mechanicalKeyPressDownForTrigger(sampleNo);
  } else {
    singleKeyboardView_->mechanicalKeyPressDownForTrigger(sampleNo);
  }
}

void MainView::mechanicalKeyPressUpForTrigger(int sampleNo) {
  if (dualKeyboard_) {
    dualKeyboardView_->mechanicalKeyPressUpForTrigger(sampleNo);
  } else {
    singleKeyboardView_->mechanicalKeyPressUpForTrigger(sampleNo);
  }
}

void MainView::playbackEnded() {
  forBothKeyboards([](auto& v) { v.playbackEnded(); });
}

void MainView::liftAllKeysAndStopRecording() {
  if (dualKeyboard_) {
    dualKeyboardView_->liftAllKeysAndStopRecording();
  } else {
    singleKeyboardView_->liftAllKeysAndStopRecording();
  }
}

}  // namespace piano
