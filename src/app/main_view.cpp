#include "app/main_view.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/song_commands.h"
#include "audio/sound_player.h"
#include "keyboard/key_numbers.h"
#include "keyboard/computer_keyboard.h"
#include "keyboard/keyboard_view.h"
#include "keyboard/midi_keys.h"
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
#include "screens/library/song_library_view.h"
#include "screens/manual/manual_view.h"
#include "screens/settings/app_settings_view.h"

namespace piano {

namespace {

constexpr double kScreenChangeSeconds = 0.3;
// Copies of damaged state files kept beside the state file, newest first.
constexpr int kDamagedStateCopies = 3;
// The first-launch flag: one native 32-bit integer, positive once welcomed.
constexpr std::size_t kFirstLaunchFileBytes = sizeof(std::int32_t);

}  // namespace

std::shared_ptr<MainView> MainView::create(Options options) {
  std::shared_ptr<MainView> view(new MainView(std::move(options)));
  view->build();
  return view;
}

MainView::MainView(Options options) : options_(std::move(options)) {}

MainView::~MainView() {
  // The screens hold references into the recorder and engine: they go first,
  // then the recorder (joining its playback thread), then the engine.
  if (options_.midi != nullptr) options_.midi->setReceiver(nullptr);
  removeAllSubviews();
  manualView_.reset();
  songLibraryView_.reset();
  appSettingsView_.reset();
  computerKeyboard_.reset();
  dualKeyboardView_.reset();
  singleKeyboardView_.reset();
  midiKeys_.reset();
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

  singleKeyboardView_ = std::make_shared<KeyboardView>(1, this, *soundPlayer_, *noteRecorder_, keyboardSettings_);
  dualKeyboardView_ = std::make_shared<KeyboardView>(2, this, *soundPlayer_, *noteRecorder_, keyboardSettings_);
  computerKeyboard_ = std::make_unique<ComputerKeyboard>([this]() -> KeyboardView* {
    KeyboardView* piano = activeKeyboard().get();
    return currentScreen_ == piano ? piano : nullptr;
  });
  if (options_.midi != nullptr) {
    platform::MidiConnection* midi = options_.midi;
    midiKeys_ = std::make_unique<MidiKeys>([this]() -> KeyPressEngine& { return activeKeyboardView().engine(); },
                                           [midi](const std::uint8_t* bytes, std::size_t size) { midi->send(bytes, size); });
    singleKeyboardView_->engine().setNoteListener(midiKeys_.get());
    dualKeyboardView_->engine().setNoteListener(midiKeys_.get());
    midi->setReceiver([this](const platform::MidiEvent& event) { midiKeys_->receive(event); });
  }

  fileManager_ = std::make_unique<FileManager>(*this, *noteRecorder_, documentsDirectory_);
  if (documentsDirectory_.empty()) {
    resetState();
  } else {
    loadStateFile();
  }

  AppSettingsView::Options settingsOptions;
  settingsOptions.clock = options_.clock;
  appSettingsView_ = std::make_shared<AppSettingsView>(*this, *soundPlayer_, *metronome_, settingsOptions);
  SongLibraryView::Options libraryOptions;
  libraryOptions.documentsDirectory = documentsDirectory_;
  songLibraryView_ = std::make_shared<SongLibraryView>(*this, *fileManager_, *noteRecorder_, *options_.runLoop,
                                                 libraryOptions);

  showPiano();
  if (options_.disableIdleTimer) options_.disableIdleTimer();
  showWelcomeOnFirstStart();
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

void MainView::applyKeyboardSettings() {
  for (KeyboardView* view : {singleKeyboardView_.get(), dualKeyboardView_.get()}) {
    if (view) view->applySettings();
  }
}

void MainView::setNumKeysToDisplay(int keys) {
  keyboardSettings_.numKeysToDisplay = state_text::readNumKeysToDisplay(keys);
  applyKeyboardSettings();
}

void MainView::setExpressionFunction(int function) {
  keyboardSettings_.expressionFunction = modeFromNumber(function, KeyboardSettings{}.expressionFunction);
  applyKeyboardSettings();
}

void MainView::setDisplayNoteNames(int naming) {
  keyboardSettings_.displayNoteNames = modeFromNumber(naming, KeyboardSettings{}.displayNoteNames);
  applyKeyboardSettings();
}

void MainView::setSustainTimeNormal(float fraction) {
  keyboardSettings_.sustainTimeNormal = releaseRateForFraction(fraction);
  applyKeyboardSettings();
}

void MainView::setSustainTimePedal(float fraction) {
  keyboardSettings_.sustainTimePedal = releaseRateForFraction(fraction);
  applyKeyboardSettings();
}

float MainView::sustainTimeNormalAsFraction() const {
  return fractionForReleaseRate(keyboardSettings_.sustainTimeNormal);
}

float MainView::sustainTimePedalAsFraction() const { return fractionForReleaseRate(keyboardSettings_.sustainTimePedal); }

// ---------------------------------------------------------------- state text

void MainView::importMidiFile(const std::string& path) {
  const MidiImport result =
      importMidiToLibrary(path, songNameForFile(path), documentsDirectory_, fileManager_->stateText());
  // A library on the screen lists the new song at once.
  if (result.ok && currentScreen_ == songLibraryView_.get()) songLibraryView_->showing();
  platform::showAlert(platform::localized(result.ok ? "MIDI IMPORTED" : "MIDI NOT IMPORTED"), result.message,
                      platform::localized("OK"));
}

std::string MainView::getState() const {
  return mainSection(keyboardSettings_, soundPlayer_->pianoNotePanning(), dualKeyboard_,
                     singleKeyboardView_->getStartKey(), dualKeyboardView_->getStartKey(0),
                     dualKeyboardView_->getStartKey(1));
}

std::string MainView::freshMainSection() {
  return mainSection(KeyboardSettings{}, true, false, keys::kDefaultStartKey, keys::kDefaultStartKey,
                     keys::kDefaultUpperStartKey);
}

std::string MainView::mainSection(const KeyboardSettings& k, bool panning, bool dual, int single, int lower,
                                  int upper) {
  std::string out;
  state_text::appendSqueezed(out, static_cast<float>(k.sustainTimeNormal));
  state_text::appendSqueezed(out, static_cast<float>(k.sustainTimePedal));
  state_text::appendBool(out, k.softPedalPressed);
  state_text::appendBool(out, k.sustainPedalPressed);
  state_text::appendInt(out, static_cast<int>(k.expressionFunction));
  state_text::appendInt(out, static_cast<int>(k.displayNoteNames));
  state_text::appendBool(out, panning);
  state_text::appendInt(out, k.numKeysToDisplay);
  state_text::appendBool(out, dual);
  state_text::appendInt(out, single);
  state_text::appendInt(out, lower);
  state_text::appendInt(out, upper);
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
  const KeyboardSettings fresh;
  KeyboardSettings& k = keyboardSettings_;
  // The file holds release rates; they bypass the fraction conversion.
  k.sustainTimeNormal = state_text::holdReleaseRate(normal);
  k.sustainTimePedal = state_text::holdReleaseRate(pedal);
  k.softPedalPressed = soft;
  k.sustainPedalPressed = sustain;
  k.expressionFunction = modeFromNumber(expression, fresh.expressionFunction);
  k.displayNoteNames = modeFromNumber(naming, fresh.displayNoteNames);
  soundPlayer_->setPianoNotePanning(panning == 1);
  if (version < 2) {
    // The first version kept neither the count, the layout nor the start keys.
    k.numKeysToDisplay = fresh.numKeysToDisplay;
    dualKeyboard_ = false;
    applyKeyboardSettings();
    return true;
  }
  int keys = 0, single = 0, lower = 0, upper = 0;
  bool dual = false;
  if (!fields.nextInt(keys) || !fields.nextBool(dual) || !fields.nextInt(single) || !fields.nextInt(lower) ||
      !fields.nextInt(upper)) {
    return false;  // the caller resets what was read so far
  }
  k.numKeysToDisplay = state_text::readNumKeysToDisplay(keys);
  dualKeyboard_ = dual;
  applyKeyboardSettings();
  singleKeyboardView_->setStartKey(0, keys::readStartKey(single, k.numKeysToDisplay, keys::kDefaultStartKey));
  dualKeyboardView_->setStartKey(0, keys::readStartKey(lower, k.numKeysToDisplay, keys::kDefaultStartKey));
  dualKeyboardView_->setStartKey(1, keys::readStartKey(upper, k.numKeysToDisplay, keys::kDefaultUpperStartKey));
  return true;
}

void MainView::resetState() {
  keyboardSettings_ = KeyboardSettings{};
  soundPlayer_->setPianoNotePanning(true);
  dualKeyboard_ = false;
  applyKeyboardSettings();
  singleKeyboardView_->setStartKey(0, keys::kDefaultStartKey);
  dualKeyboardView_->setStartKey(0, keys::kDefaultStartKey);
  dualKeyboardView_->setStartKey(1, keys::kDefaultUpperStartKey);
}

void MainView::keyPositionChanged(int position, bool down) { computerKeyboard_->key(position, down); }

// ---------------------------------------------------------------- screens

std::vector<int> MainView::sampleLoadOrder() const {
  const KeyboardView& shown = *activeKeyboard();
  std::vector<int> startKeys;
  for (int board = 0; board < shown.numKeyboards(); ++board) startKeys.push_back(shown.getStartKey(board));
  return keys::sampleSlotsNearestFirst(startKeys, shown.numKeysToDisplay());
}

const std::shared_ptr<KeyboardView>& MainView::activeKeyboard() const {
  return dualKeyboard_ ? dualKeyboardView_ : singleKeyboardView_;
}

void MainView::switchTo(const std::shared_ptr<platform::View>& screen, platform::TransitionType type,
                        platform::TransitionDirection direction) {
  transitionView_->newSubview(screen, type, direction, kScreenChangeSeconds);
}

void MainView::showPiano() {
  const std::shared_ptr<KeyboardView>& screen = activeKeyboard();
  screen->showing();
  screen->redraw();
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
  songLibraryView_->showing();
  const bool fromManual = manualView_ && currentScreen_ == manualView_.get();
  switchTo(songLibraryView_, fromManual ? platform::TransitionType::Reveal : platform::TransitionType::Push,
           platform::TransitionDirection::FromBottom);
  currentScreen_ = songLibraryView_.get();
}

void MainView::showManual(ManualView::FromScreen from) {
  if (!manualView_) manualView_ = std::make_shared<ManualView>(*this);
  manualView_->setFromScreen(from);
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
    options_.openUrl(platform::pageUrl(page), report);
  } else {
    std::printf("Manual: %s\n", platform::pageUrl(page).c_str());
  }
}

void MainView::showWelcomeOnFirstStart() {
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

void MainView::saveState() {
  if (!documentsDirectory_.empty()) {
    const std::string path = platform::documentsPath(documentsDirectory_, kStateFileName);
    if (!saveStateAtExit_) {
      std::printf("%s is left as it was, since it could not be read; this session's song and settings are not kept.\n",
                  path.c_str());
    } else if (!fileManager_->saveState(kStateFileName)) {
      std::printf("%s could not be written; this session's song and settings are not kept.\n", path.c_str());
    }
  }
}

void MainView::applicationWillTerminate() {
  saveState();
  soundPlayer_->stop();
}

// ---------------------------------------------------------------- playback

void MainView::mechanicalKeyPressDownForTrigger(int sampleNo) {
  activeKeyboardView().engine().mechanicalKeyPressDownForTrigger(sampleNo);
}

void MainView::mechanicalKeyPressUpForTrigger(int sampleNo) {
  activeKeyboardView().engine().mechanicalKeyPressUpForTrigger(sampleNo);
}

void MainView::playbackEnded() {
  singleKeyboardView_->engine().playbackEnded();
  dualKeyboardView_->engine().playbackEnded();
}

void MainView::liftAllKeysAndStopRecording() { activeKeyboardView().engine().liftAllKeysAndStopRecording(); }

}  // namespace piano
