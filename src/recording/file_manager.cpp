#include "recording/file_manager.h"

#include "platform/documents.h"
#include "platform/file_io.h"
#include "recording/state_text.h"

namespace piano {

namespace {
constexpr std::string_view kVersion2 = "Version 2";
}

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

bool FileManager::loadState(const std::string& fileName) {
  const std::string folder = documentsDirectory();
  if (!isPlainFileName(fileName) || folder.empty()) {
    resetState();
    return false;
  }
  const platform::FileContents file =
      platform::readFileLimited(platform::documentsPath(folder, fileName), kMaxStateFileBytes);
  if (file.status != platform::ReadStatus::kOk || !state_text::isValidUtf8(file.bytes)) {
    resetState();
    return false;
  }
  return applyStateText(file.bytes);
}

bool FileManager::applyStateText(std::string_view text) {
  const auto pieces = state_text::splitSections(text);
  const bool version2 = pieces.front() == kVersion2;
  const std::size_t first = version2 ? 1 : 0;
  bool ok = pieces.size() > first + 1;
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
