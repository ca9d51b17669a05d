#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>

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
  // The new file's name starts with a dot and ends in neither the song
  // extension nor the state file's name, so a leftover from a crash is never
  // taken for a song.
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return false;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string temporary = folderOf(path) + "/." + name + "." + std::to_string(::getpid()) + "-" +
                                std::to_string(counter.fetch_add(1)) + "-" + std::to_string(stamp) + ".part";

  Descriptor file;
  // 0666 less the process's umask, like any other file the program makes.
  file.fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
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
  Descriptor folder;
  folder.fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder.fd >= 0) ::fsync(folder.fd);
  return true;
}

}  // namespace piano::platform
