// Whole-file reads with a size limit, and saves that never leave a truncated
// file behind.
//
// Threads: no shared state; any thread but the real-time audio thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace piano::platform {

enum class ReadStatus {
  kOk,
  kMissing,   // no such file
  kTooLarge,  // larger than the limit; not read
  kNotAFile,  // a folder, a pipe, a device...
  kError,     // could not be opened or read
};

struct FileContents {
  ReadStatus status = ReadStatus::kError;
  std::string bytes;  // the whole file when status is kOk
};

// Reads a regular file of at most `maxBytes` bytes. Never blocks on a pipe or a
// device, and never reads more than maxBytes + 1 bytes of a file that grows.
FileContents readFileLimited(const std::string& path, std::size_t maxBytes);
// The same into `bytes` (emptied unless kOk), whose memory a caller reading many
// files reuses.
ReadStatus readFileLimited(const std::string& path, std::size_t maxBytes, std::string& bytes);

// Writes `bytes` to a new file in the same folder, flushes it to the disk, then
// renames it over `path`. A failure at any step leaves the earlier file as it
// was, removes the new one, and returns false. A symbolic link at `path` is
// replaced by the file, never followed: what it points to stays as it was.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

// Removes the new files that saves in `folder` left behind when their process
// was killed half-way: those of processes that no longer run, and any older
// than an hour. Returns how many were removed.
int removeStaleSaveFiles(const std::string& folder);

// Moves a file that could not be used out of the way, to "<path>.damaged-
// YYYYMMDD-HHMMSS" beside it, and removes the oldest such copies beyond
// `keep`. Returns the new path, or "" when it could not be moved.
std::string setDamagedFileAside(const std::string& path, int keep);

}  // namespace piano::platform
