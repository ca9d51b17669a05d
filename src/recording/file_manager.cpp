#include "recording/file_manager.h"

#include <algorithm>

#include "platform/documents.h"
#include "platform/file_io.h"
#include "recording/note_recorder.h"
#include "recording/state_text.h"

namespace piano {

namespace {

constexpr std::string_view kVersion2 = "Version 2";
// Fields of the main section in each version, and of the recorder section
// before its notes.
constexpr std::size_t kMainFieldsVersion1 = 7;
constexpr std::size_t kMainFieldsVersion2 = 12;
constexpr int kRecorderFieldsBeforeCount = 5;
// Fields after the first of a press (slot, time, ...) and of a release (time, ID).
constexpr std::size_t kPressFields = 6;
constexpr std::size_t kReleaseFields = 2;

}  // namespace

FileManager::FileManager(StateSection& parent, StateSection& noteRecorder, std::string documentsDirectory)
    : parent_(parent), noteRecorder_(noteRecorder), documentsDirectory_(std::move(documentsDirectory)) {}

std::string FileManager::documentsDirectory() const {
  if (!documentsDirectory_.empty()) return documentsDirectory_;
  return platform::documentsDirectory().path;
}

bool FileManager::isPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::string FileManager::stateText() const {
  std::string text(kVersion2);
  text += '@';
  text += parent_.getState();
  text += '@';
  text += noteRecorder_.getState();
  text += '@';
  return text;
}

bool FileManager::saveState(const std::string& fileName) {
  if (!isPlainFileName(fileName)) return false;
  const std::string folder = documentsDirectory();
  if (folder.empty()) return false;
  return platform::writeFileAtomically(platform::documentsPath(folder, fileName), stateText());
}

FileManager::StateFile FileManager::readStateFile(const std::string& path) {
  using Status = StateFile::Status;
  StateFile result;
  platform::FileContents file = platform::readFileLimited(path, kMaxStateFileBytes);
  switch (file.status) {
    case platform::ReadStatus::kOk:
      break;
    case platform::ReadStatus::kMissing:
      result.status = Status::kMissing;
      result.problem = "no such file";
      return result;
    case platform::ReadStatus::kNotAFile:
      result.problem = "not a regular file";
      return result;
    case platform::ReadStatus::kError:
      result.problem = "cannot be read";
      return result;
    case platform::ReadStatus::kTooLarge:
      result.status = Status::kDamaged;
      result.problem = "larger than any song (" + std::to_string(kMaxStateFileBytes / 1024 / 1024) + " MB)";
      return result;
  }
  result.status = Status::kDamaged;
  if (!state_text::isValidUtf8(file.bytes)) {
    result.problem = "not UTF-8 text";
    return result;
  }
  result.problem = checkStateText(file.bytes);
  if (result.problem.empty()) {
    result.status = Status::kOk;
    result.text = std::move(file.bytes);
  }
  return result;
}

std::string FileManager::checkStateText(std::string_view text) {
  const auto pieces = state_text::splitSections(text);
  const bool version2 = pieces.front() == kVersion2;
  const std::size_t first = version2 ? 1 : 0;
  if (pieces.size() <= first + 1) return "sections are missing";
  if (state_text::FieldReader(pieces[first]).remaining() < (version2 ? kMainFieldsVersion2 : kMainFieldsVersion1)) {
    return "settings are missing";
  }
  state_text::FieldReader recorder(pieces[first + 1]);
  std::string_view field;
  std::string_view time;
  for (int i = 0; i < kRecorderFieldsBeforeCount; ++i) {
    if (!recorder.nextField(field)) return "metronome settings are missing";
  }
  int count = 0;
  if (!recorder.nextInt(count)) return "the number of notes is missing";
  const int toRead = std::clamp(count, 0, NoteRecorder::kMaxNotes);
  for (int k = 0; k < toRead; ++k) {
    int kind = 0;
    if (!recorder.nextInt(kind)) return "notes are missing";
    const std::size_t rest = kind != 0 ? kPressFields : kReleaseFields;
    if (recorder.remaining() < rest) return "notes are missing";
    if (kind != 0) recorder.nextField(field);  // the slot
    recorder.nextField(time);
    // NaN and negative times are dropped on loading; times beyond the longest
    // song are not something the recorder writes.
    if (state_text::parseDouble(time) > NoteRecorder::kMaxSongSeconds) {
      return "a note lies beyond " + std::to_string(static_cast<int>(NoteRecorder::kMaxSongSeconds / 3600)) +
             " hours, the longest song";
    }
    for (std::size_t f = kind != 0 ? 2 : 1; f < rest; ++f) recorder.nextField(field);
  }
  return {};
}

bool FileManager::loadState(const std::string& fileName, StateFile* found) {
  const std::string folder = documentsDirectory();
  StateFile file;
  if (!isPlainFileName(fileName) || folder.empty()) {
    file.problem = "not a file of the documents folder";
  } else {
    file = readStateFile(platform::documentsPath(folder, fileName));
  }
  const bool ok = file.status == StateFile::Status::kOk && applyStateText(file.text);
  if (file.status != StateFile::Status::kOk) resetState();
  if (found != nullptr) *found = std::move(file);
  return ok;
}

bool FileManager::applyStateText(std::string_view text) {
  const auto pieces = state_text::splitSections(text);
  const bool version2 = pieces.front() == kVersion2;
  const std::size_t first = version2 ? 1 : 0;
  bool ok = checkStateText(text).empty();
  if (ok) ok = parent_.setState(pieces[first], version2 ? 2 : 1);
  if (ok) ok = noteRecorder_.setState(pieces[first + 1], version2 ? 2 : 1);
  if (!ok) resetState();
  return ok;
}

void FileManager::resetState() {
  parent_.resetState();
  noteRecorder_.resetState();
}

}  // namespace piano
