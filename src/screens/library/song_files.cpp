#include "screens/library/song_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/documents.h"
#include "platform/file_io.h"
#include "recording/file_manager.h"
#include "recording/state_text.h"

namespace piano {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOldNameExtension = ".NAME";
// An old name file holds one name; anything longer is not one.
constexpr std::size_t kMaxOldNameFileBytes = 4096;

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Cuts `text` to at most `bytes` bytes, at the start of a character.
std::string cutAtCharacter(std::string text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t cut = bytes;
  while (cut > 0 && isContinuationByte(text[cut])) --cut;
  text.resize(cut);
  return text;
}

// The file names of the regular files directly in `folder`, in no order.
std::vector<std::string> regularFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return names;
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    std::error_code typeError;
    if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
  }
  return names;
}

// A song file's name: ends in exactly ".SAV" and has a name before it.
bool isSongFileName(const std::string& fileName) {
  return fileName.size() > SongFiles::kExtension.size() && endsWith(fileName, SongFiles::kExtension);
}

bool sameContents(const std::string& pathA, const std::string& pathB) {
  const auto a = platform::readFileLimited(pathA, FileManager::kMaxStateFileBytes);
  const auto b = platform::readFileLimited(pathB, FileManager::kMaxStateFileBytes);
  return a.status == platform::ReadStatus::kOk && b.status == platform::ReadStatus::kOk && a.bytes == b.bytes;
}

bool existsNoFollow(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

}  // namespace

bool songNameLess(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      // Compare the runs of digits by value: without leading zeros, the
      // longer run is the larger number.
      std::size_t ei = i;
      std::size_t ej = j;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      std::size_t si = i;
      std::size_t sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      const int order = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (order != 0) return order < 0;
      i = ei;
      j = ej;
      continue;
    }
    const auto ca = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(a[i])));
    const auto cb = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(b[j])));
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;  // names equal but for case or leading zeros: any fixed order
}

SongFiles::SongFiles(std::string documentsDirectory, std::string demoSongDirectory)
    : documentsDirectory_(std::move(documentsDirectory)), demoSongDirectory_(std::move(demoSongDirectory)) {}

std::string SongFiles::makeFileSafe(std::string_view name) {
  std::string safe;
  safe.reserve(name.size());
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    if (c == '.' || c == '/' || c == '\\') {
      safe.push_back('_');
    } else if (c == ':') {
      safe.push_back('-');
    } else {
      safe.push_back(c);
    }
  }
  const auto blank = [](char c) { return c == ' '; };
  while (!safe.empty() && blank(safe.back())) safe.pop_back();
  std::size_t first = 0;
  while (first < safe.size() && blank(safe[first])) ++first;
  return safe.substr(first);
}

std::string SongFiles::fileNameForSong(std::string_view name) {
  std::string fileName(name);
  fileName += kExtension;
  return fileName;
}

std::string SongFiles::pathOf(const std::string& fileName) const {
  return platform::documentsPath(documentsDirectory_, fileName);
}

std::vector<std::string> SongFiles::loadSongNames() const {
  std::vector<std::string> names;
  for (const std::string& fileName : regularFilesIn(documentsDirectory_)) {
    if (isSongFileName(fileName)) names.push_back(fileName.substr(0, fileName.size() - kExtension.size()));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return songNameLess(a, b); });
  return names;
}

bool SongFiles::exists(const std::string& fileName) const {
  return !documentsDirectory_.empty() && existsNoFollow(pathOf(fileName));
}

bool SongFiles::erase(const std::string& name) const {
  if (documentsDirectory_.empty() || name.empty() || name.find('/') != std::string::npos) return false;
  const std::string path = pathOf(fileNameForSong(name));
  std::error_code error;
  fs::remove(path, error);
  return !existsNoFollow(path);
}

bool SongFiles::readSong(const std::string& name, std::string* text) const {
  if (documentsDirectory_.empty() || name.empty() || name.find('/') != std::string::npos) return false;
  const std::string path = pathOf(fileNameForSong(name));
  FileManager::StateFile file = FileManager::readStateFile(path);
  if (file.status != FileManager::StateFile::Status::kOk) {
    std::printf("%s cannot be loaded: %s\n", path.c_str(), file.problem.c_str());
    return false;
  }
  *text = std::move(file.text);
  return true;
}

void SongFiles::copyDemoSongs(bool numbered) const {
  if (documentsDirectory_.empty() || demoSongDirectory_.empty()) return;
  std::vector<std::string> demos;
  for (const std::string& fileName : regularFilesIn(demoSongDirectory_)) {
    if (isSongFileName(fileName)) demos.push_back(fileName);
  }
  std::sort(demos.begin(), demos.end(), [](const std::string& a, const std::string& b) { return songNameLess(a, b); });
  for (std::size_t i = 0; i < demos.size(); ++i) {
    const std::string target = numbered ? std::to_string(i + 1) + std::string(kExtension) : demos[i];
    if (exists(target)) continue;  // the player's song of that name, or the demo installed earlier
    const auto source =
        platform::readFileLimited(platform::documentsPath(demoSongDirectory_, demos[i]), FileManager::kMaxStateFileBytes);
    if (source.status != platform::ReadStatus::kOk) continue;
    platform::writeFileAtomically(pathOf(target), source.bytes);
  }
}

std::string SongFiles::freeNumberedName(const std::string& name) const {
  const std::string base = cutAtCharacter(name, kMaxNameBytes - 7);  // room for " 999999"
  for (int n = 2; n < 1000000; ++n) {
    std::string candidate = base + " " + std::to_string(n);
    if (!exists(fileNameForSong(candidate))) return candidate;
  }
  return base + " 1000000";
}

void SongFiles::convertOldSavesToNewSaves() const {
  if (documentsDirectory_.empty()) return;
  // One listing; the steps below change the folder while they work through it.
  std::vector<std::string> entries = regularFilesIn(documentsDirectory_);
  std::sort(entries.begin(), entries.end());
  for (const std::string& entry : entries) {
    std::error_code error;
    if (!endsWith(entry, kOldNameExtension) || entry.size() == kOldNameExtension.size()) continue;

    const auto nameFile = platform::readFileLimited(pathOf(entry), kMaxOldNameFileBytes);
    if (nameFile.status != platform::ReadStatus::kOk || !state_text::isValidUtf8(nameFile.bytes)) continue;
    const std::string newName = cutAtCharacter(makeFileSafe(nameFile.bytes), kMaxNameBytes);

    std::string sourceName = entry;
    for (std::size_t at = sourceName.find(kOldNameExtension); at != std::string::npos;
         at = sourceName.find(kOldNameExtension, at + kExtension.size())) {
      sourceName.replace(at, kOldNameExtension.size(), kExtension);
    }
    const std::string source = pathOf(sourceName);
    bool keepNameFile = false;
    // A name that shows as nothing would hide the song: it keeps its old name.
    if (!newName.empty() && existsNoFollow(source)) {
      std::string target = pathOf(fileNameForSong(newName));
      const bool targetExists = existsNoFollow(target);
      if (!targetExists || !fs::equivalent(source, target, error)) {
        bool moveIt = true;
        if (targetExists) {
          if (sameContents(source, target)) {
            // The same song is there already under its name.
            fs::remove(source, error);
            moveIt = false;
          } else {
            target = pathOf(fileNameForSong(freeNumberedName(newName)));
          }
        }
        if (moveIt) {
          fs::rename(source, target, error);
          // Tried again at the next start; the song stays listed under its old name meanwhile.
          if (error) keepNameFile = true;
        }
      }
    }
    if (!keepNameFile) fs::remove(pathOf(entry), error);
  }
}

}  // namespace piano
