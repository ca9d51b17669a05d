#include "platform/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace piano::platform {

namespace {

// Closes a descriptor when the scope ends.
struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool writeAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A save writes ".piano-<process id>-<number>.part" first. The name is short
// whatever the file's own name, so even the longest name a folder takes can be
// saved; and it starts with a dot and ends in neither the song extension nor
// the state file's name, so a leftover from a crash is never taken for either.
constexpr std::string_view kSavePrefix = ".piano-";
constexpr std::string_view kSaveSuffix = ".part";
constexpr std::time_t kStaleSaveSeconds = 3600;

std::string saveFileName(long process, unsigned number) {
  return std::string(kSavePrefix) + std::to_string(process) + "-" + std::to_string(number) +
         std::string(kSaveSuffix);
}

// The process that wrote a save file of that name, or -1 when it is not one.
long saveFileOwner(std::string_view name) {
  if (name.size() <= kSavePrefix.size() + kSaveSuffix.size() || name.substr(0, kSavePrefix.size()) != kSavePrefix ||
      name.substr(name.size() - kSaveSuffix.size()) != kSaveSuffix) {
    return -1;
  }
  const std::string_view middle = name.substr(kSavePrefix.size(), name.size() - kSavePrefix.size() - kSaveSuffix.size());
  const std::size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == middle.size()) return -1;
  long process = 0;
  for (std::size_t i = 0; i < middle.size(); ++i) {
    if (i == dash) continue;
    if (middle[i] < '0' || middle[i] > '9') return -1;
    if (i < dash) process = process * 10 + (middle[i] - '0');
  }
  return process;
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  return names;
}

}  // namespace

FileContents readFileLimited(const std::string& path, std::size_t maxBytes) {
  FileContents result;
  result.status = readFileLimited(path, maxBytes, result.bytes);
  return result;
}

ReadStatus readFileLimited(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  bytes.clear();
  Descriptor file;
  file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (file.fd < 0) {
    return errno == ENOENT || errno == ENOTDIR ? ReadStatus::kMissing : ReadStatus::kError;
  }
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) return ReadStatus::kError;
  if (!S_ISREG(info.st_mode)) return ReadStatus::kNotAFile;
  if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) {
    return ReadStatus::kTooLarge;
  }
  bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      // The file grew while being read: read on only while still under the limit.
      if (bytes.size() > maxBytes) {
        bytes.clear();
        return ReadStatus::kTooLarge;
      }
      bytes.resize(std::min(maxBytes + 1, bytes.size() * 2));
    }
    const ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return ReadStatus::kError;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return ReadStatus::kOk;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  if (path.empty() || path.back() == '/') return false;
  const std::string folder = folderOf(path);

  Descriptor file;
  std::string temporary;
  // A name taken by a leftover of an earlier process of the same id is skipped.
  for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
    temporary = folder + "/" + saveFileName(::getpid(), counter.fetch_add(1));
    // 0666 less the process's umask, like any other file the program makes.
    file.fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (file.fd < 0 && errno != EEXIST) return false;
  }
  if (file.fd < 0) return false;
  bool ok = writeAll(file.fd, bytes) && ::fsync(file.fd) == 0;
  ok = (::close(file.fd) == 0) && ok;
  file.fd = -1;
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable.
  Descriptor directory;
  directory.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory.fd >= 0) ::fsync(directory.fd);
  return true;
}

int removeStaleSaveFiles(const std::string& folder) {
  int removed = 0;
  const std::time_t now = std::time(nullptr);
  for (const std::string& name : namesIn(folder)) {
    const long owner = saveFileOwner(name);
    if (owner < 0) continue;
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
    const bool ownerGone = owner != ::getpid() && ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH;
    if ((ownerGone || now - info.st_mtime > kStaleSaveSeconds) && ::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

std::string setDamagedFileAside(const std::string& path, int keep) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = folderOf(path);
  const std::string marker = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".damaged-";
  char stamp[32] = {};
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  if (::localtime_r(&now, &local) == nullptr || std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local) == 0) {
    return {};
  }
  std::vector<std::string> copies;
  for (std::string& name : namesIn(folder)) {
    if (name.compare(0, marker.size(), marker) == 0) copies.push_back(std::move(name));
  }
  // Names sort by age: a later copy within the same second takes the next
  // number, "-2" to "-9", after every copy of that second.
  const std::string base = marker + stamp;
  int number = 0;
  for (const std::string& name : copies) {
    if (name == base) number = std::max(number, 1);
    if (name.size() == base.size() + 2 && name.compare(0, base.size() + 1, base + "-") == 0 && name.back() >= '2' &&
        name.back() <= '9') {
      number = std::max(number, name.back() - '0');
    }
  }
  if (number >= 9) return {};
  const std::string name = number == 0 ? base : base + "-" + std::to_string(number + 1);
  const std::string target = folder + "/" + name;
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0 || ::rename(path.c_str(), target.c_str()) != 0) return {};

  copies.push_back(name);
  std::sort(copies.begin(), copies.end());
  for (std::size_t i = 0; i + static_cast<std::size_t>(std::max(keep, 1)) < copies.size(); ++i) {
    ::unlink((folder + "/" + copies[i]).c_str());
  }
  return target;
}

}  // namespace piano::platform
