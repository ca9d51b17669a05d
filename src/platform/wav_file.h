// WAV files of 16-bit PCM: a streaming writer (for renders and a file audio
// output, which write as they go) and a reader that treats every file as
// possibly damaged.
//
// Threads: no shared state; a WavWriter is used by one thread at a time. Writing
// makes system calls, so never write from the real-time audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace piano::platform {

struct WavAudio {
  int sampleRate = 44100;
  int channels = 2;
  std::vector<std::int16_t> samples;  // interleaved, frames x channels
  std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

// Largest file readWavFile accepts; larger files are refused unread.
inline constexpr std::uintmax_t kMaxWavFileBytes = 512u * 1024u * 1024u;

// Parses a whole WAV file image. Accepts plain PCM and the extensible header
// with a PCM sub-format, 16 bits, 1 to 16 channels. A data chunk that claims
// more bytes than the file holds is cut to the whole frames present (a recording
// that was cut off). Returns nothing, and says why in `error`, for anything else.
std::optional<WavAudio> parseWav(const std::uint8_t* data, std::size_t size, std::string* error = nullptr);
std::optional<WavAudio> readWavFile(const std::string& path, std::string* error = nullptr);

// Writes the whole file at once. Returns false when it could not be written.
bool writeWavFile(const std::string& path, const WavAudio& audio);

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();  // closes (finishing the header) when still open
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates or truncates `path` and writes a header for 16-bit PCM.
  bool open(const std::string& path, int sampleRate, int channels);
  // Appends interleaved frames. Returns false after a write error or when the
  // file would pass the 4 GiB that a WAV header can describe.
  bool write(const std::int16_t* interleaved, std::size_t frames);
  // Writes the final sizes into the header and closes. Returns false when any
  // write since open failed.
  bool close();

  bool isOpen() const { return file_ != nullptr; }
  std::uint64_t framesWritten() const { return frames_; }

 private:
  std::FILE* file_ = nullptr;
  int channels_ = 2;
  std::uint64_t frames_ = 0;
  bool failed_ = false;
  std::vector<std::uint8_t> scratch_;
};

}  // namespace piano::platform
