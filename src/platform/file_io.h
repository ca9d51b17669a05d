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
// was, removes the new one, and returns false.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace piano::platform
