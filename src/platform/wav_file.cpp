#include "platform/wav_file.h"

#include <bit>
#include <cstring>

#include "platform/file_io.h"

namespace piano::platform {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

std::uint16_t readU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void putU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::optional<WavAudio> fail(std::string* error, const char* why) {
  if (error != nullptr) *error = why;
  return std::nullopt;
}

// The 44-byte header of a plain PCM file holding `dataBytes` bytes of samples.
void makeHeader(std::uint8_t* h, int sampleRate, int channels, std::uint32_t dataBytes) {
  std::memcpy(h, "RIFF", 4);
  putU32(h + 4, 36 + dataBytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putU32(h + 16, 16);
  putU16(h + 20, kFormatPcm);
  putU16(h + 22, static_cast<std::uint16_t>(channels));
  putU32(h + 24, static_cast<std::uint32_t>(sampleRate));
  putU32(h + 28, static_cast<std::uint32_t>(sampleRate) * static_cast<std::uint32_t>(channels) * 2u);
  putU16(h + 32, static_cast<std::uint16_t>(channels * 2));
  putU16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  putU32(h + 40, dataBytes);
}

}  // namespace

std::optional<WavAudio> parseWav(const std::uint8_t* data, std::size_t size, std::string* error) {
  if (data == nullptr || size < 12) return fail(error, "too short for a WAV file");
  if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    return fail(error, "not a RIFF WAVE file");
  }
  bool haveFormat = false;
  int channels = 0;
  int sampleRate = 0;
  std::size_t pos = 12;
  while (size - pos >= 8) {
    const std::uint8_t* chunk = data + pos;
    const std::uint64_t chunkSize = readU32(chunk + 4);
    const std::size_t bodyStart = pos + 8;
    const std::size_t available = size - bodyStart;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (chunkSize < 16 || chunkSize > available) return fail(error, "damaged format chunk");
      const std::uint8_t* f = data + bodyStart;
      std::uint16_t format = readU16(f);
      if (format == kFormatExtensible) {
        // The sub-format GUID begins with the plain format code.
        if (chunkSize < 40 || readU16(f + 16) < 22) return fail(error, "damaged extensible format chunk");
        format = readU16(f + 24);
      }
      if (format != kFormatPcm) return fail(error, "not PCM");
      channels = readU16(f + 2);
      const std::uint32_t rate = readU32(f + 4);
      const int bits = readU16(f + 14);
      const int blockAlign = readU16(f + 12);
      if (bits != 16) return fail(error, "not 16 bits per sample");
      if (channels < 1 || channels > 16) return fail(error, "unsupported channel count");
      if (rate < 1 || rate > 1000000) return fail(error, "unsupported sample rate");
      if (blockAlign != channels * 2) return fail(error, "inconsistent block size");
      sampleRate = static_cast<int>(rate);
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) return fail(error, "data before format");
      const std::size_t frameBytes = static_cast<std::size_t>(channels) * 2;
      std::uint64_t bytes = chunkSize < available ? chunkSize : available;
      bytes -= bytes % frameBytes;
      WavAudio audio;
      audio.sampleRate = sampleRate;
      audio.channels = channels;
      audio.samples.resize(static_cast<std::size_t>(bytes / 2));
      const std::uint8_t* s = data + bodyStart;
      for (std::size_t i = 0; i < audio.samples.size(); ++i) {
        audio.samples[i] = static_cast<std::int16_t>(readU16(s + 2 * i));
      }
      return audio;
    }
    // Chunks are padded to an even size.
    const std::uint64_t skip = chunkSize + (chunkSize & 1u);
    if (skip > available) break;
    pos = bodyStart + static_cast<std::size_t>(skip);
  }
  return fail(error, haveFormat ? "no data chunk" : "no format chunk");
}

std::optional<WavAudio> readWavFile(const std::string& path, std::string* error) {
  const FileContents file = readFileLimited(path, kMaxWavFileBytes);
  if (file.status == ReadStatus::kTooLarge) return fail(error, "file too large");
  if (file.status != ReadStatus::kOk) return fail(error, "cannot read the file");
  return parseWav(reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size(), error);
}

bool writeWavFile(const std::string& path, const WavAudio& audio) {
  WavWriter writer;
  if (!writer.open(path, audio.sampleRate, audio.channels)) return false;
  writer.write(audio.samples.data(), audio.frames());
  return writer.close();
}

WavWriter::~WavWriter() {
  if (file_ != nullptr) close();
}

bool WavWriter::open(const std::string& path, int sampleRate, int channels) {
  if (file_ != nullptr) close();
  if (channels < 1 || channels > 16 || sampleRate < 1) return false;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return false;
  channels_ = channels;
  frames_ = 0;
  failed_ = false;
  std::uint8_t header[44];
  makeHeader(header, sampleRate, channels, 0);
  // The sample rate goes into the header now; close() fills in the sizes.
  if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) failed_ = true;
  return !failed_;
}

bool WavWriter::write(const std::int16_t* interleaved, std::size_t frames) {
  if (file_ == nullptr || failed_) return false;
  const std::size_t values = frames * static_cast<std::size_t>(channels_);
  const std::uint64_t bytesAfter = (frames_ + frames) * static_cast<std::uint64_t>(channels_) * 2;
  if (bytesAfter > kMaxDataBytes) {
    failed_ = true;
    return false;
  }
  std::size_t written = 0;
  if constexpr (std::endian::native == std::endian::little) {
    written = std::fwrite(interleaved, sizeof(std::int16_t), values, file_);
  } else {
    scratch_.resize(values * 2);
    for (std::size_t i = 0; i < values; ++i) putU16(&scratch_[2 * i], static_cast<std::uint16_t>(interleaved[i]));
    written = std::fwrite(scratch_.data(), 2, values, file_);
  }
  if (written != values) {
    failed_ = true;
    return false;
  }
  frames_ += frames;
  return true;
}

bool WavWriter::close() {
  if (file_ == nullptr) return false;
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames_ * static_cast<std::uint64_t>(channels_) * 2);
  std::uint8_t sizes[4];
  putU32(sizes, 36 + dataBytes);
  if (std::fseek(file_, 4, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_) != 4) failed_ = true;
  putU32(sizes, dataBytes);
  if (std::fseek(file_, 40, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_) != 4) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace piano::platform
