#include "library_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <numbers>

#include "platform/localized_strings.h"
#include "platform/screen.h"
#include "recording/state_text.h"

namespace piano::testing {

namespace fs = std::filesystem;

void useLanguage(const std::string& language) {
  platform::localizedStrings() = platform::LocalizedStrings();
  platform::localizedStrings().load(std::string(PIANO_RESOURCE_DIR) + "/strings", language);
}

TempFolder::TempFolder(const std::string& tag) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = fs::temp_directory_path() /
          ("piano-library-" + std::to_string(::getpid()) + "-" + (test != nullptr ? test->name() : "x") + "-" + tag);
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
  std::ofstream(path_ / name, std::ios::binary) << bytes;
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempFolder::has(const std::string& name) const { return fs::exists(path_ / name); }

std::vector<std::string> TempFolder::listing() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ScreenStage::ScreenStage(bool tall) {
  platform::setTallScreen(tall);
  window_ = std::make_unique<platform::Window>(platform::landscapeSize(tall));
  auto root = std::make_shared<platform::View>();
  window_->setRootView(root);
  const double length = tall ? 568.0 : 480.0;
  container_ = std::make_shared<platform::View>(platform::Rect{0, 0, 320, length});
  container_->setCentre({length / 2.0, 160.0});
  container_->setTransform(platform::AffineTransform::rotation(-std::numbers::pi / 2.0));
  root->addSubview(container_);
}

ScreenStage::~ScreenStage() {
  container_->removeAllSubviews();
  window_.reset();
  platform::setTallScreen(false);
}

void ScreenStage::show(platform::View::Ptr screen) {
  container_->removeAllSubviews();
  container_->addSubview(std::move(screen));
}

void ScreenStage::press(int finger, platform::Point point) {
  time_ += 0.5;
  window_->fingerDown(finger, platform::portraitToLandscape(point), time_);
}

void ScreenStage::drag(int finger, platform::Point point) {
  time_ += 0.05;
  window_->fingerMove(finger, platform::portraitToLandscape(point), time_);
}

void ScreenStage::lift(int finger, platform::Point point) {
  time_ += 0.05;
  window_->fingerUp(finger, platform::portraitToLandscape(point), time_);
}

void ScreenStage::tap(platform::Point point) {
  press(1, point);
  lift(1, point);
}

bool MainSectionStub::setState(std::string_view section, int version) {
  state_text::FieldReader reader(section);
  if (reader.remaining() < (version == 2 ? 12u : 7u)) return false;
  fields = std::string(section);
  return true;
}

LibraryRig::LibraryRig(const std::string& documents, const std::string& demoSongFolder, bool chinese, bool tall)
    : loop([this] { return clock; }), demoSongs(demoSongFolder), stage(tall) {
  SoundPlayer::Options engine;
  engine.clock = [this] { return clock; };
  player = std::make_unique<SoundPlayer>(std::move(engine));
  NoteRecorder::Options options;
  options.clock = [this] { return clock; };
  options.wallClock = [this] { return clock; };
  options.startPlaybackThread = false;
  metronome = std::make_unique<Metronome>(*player, loop);
  recorder = std::make_unique<NoteRecorder>(nullptr, *player, *metronome, loop, std::move(options));
  files = std::make_unique<FileManager>(main, *recorder, documents);
  host.chinese = chinese;
  host.tall = tall;
}

LibraryRig::~LibraryRig() {
  view.reset();
  recorder.reset();
  metronome.reset();
  player.reset();
}

void LibraryRig::build() {
  RecorderView::Options options;
  options.demoSongDirectory = demoSongs;
  view = std::make_shared<RecorderView>(host, *files, *recorder, loop, options);
  stage.show(view);
}

void LibraryRig::advance(double seconds) {
  clock += seconds;
  loop.runDue();
}

void LibraryRig::recordTake(const std::vector<int>& slots) {
  recorder->record();
  for (int slot : slots) {
    clock += 0.1;
    const int id = recorder->addPlayNote(slot, 0.7f, 1.0f, -8e-05f);
    clock += 0.2;
    recorder->addStopNote(id, recorder->getSampleNoForNoteID(id));
  }
  recorder->stop();
  recorder->addOverdubNotes();
}

std::vector<int> LibraryRig::pressedSlots() const {
  std::vector<int> slots;
  for (const Note& note : recorder->notesSnapshot()) {
    if (note.keyDown) slots.push_back(note.sampleNo);
  }
  return slots;
}

}  // namespace piano::testing
