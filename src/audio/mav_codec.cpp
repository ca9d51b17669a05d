#include "audio/mav_codec.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/file_io.h"

namespace piano::mav {

namespace {

// Bytes a block takes after its header byte: 8 plus one per two-byte delta. A
// table, because the baseline instruction set has no population count.
constexpr auto kBlockBytes = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned h = 0; h < 256; ++h) {
    unsigned bits = 0;
    for (unsigned b = h; b; b >>= 1) bits += b & 1u;
    table[h] = static_cast<std::uint8_t>(8 + bits);
  }
  return table;
}();

std::int16_t wrapDelta(std::int32_t sample, std::int32_t previous) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(sample - previous));
}

}  // namespace

std::vector<std::uint8_t> pack(const std::int16_t* samples, std::size_t count, PackReport* report) {
  std::vector<std::uint8_t> out;
  out.reserve(1 + count * 2 + count / 8 + 1);
  out.push_back(kFormatPacked);
  std::int32_t previous = 0;
  for (std::size_t block = 0; block < count; block += 8) {
    const std::size_t headerAt = out.size();
    out.push_back(0);
    std::uint8_t header = 0;
    for (std::size_t k = 0; k < 8; ++k) {
      const std::int32_t sample = block + k < count ? samples[block + k] : 0;
      const std::int16_t d = wrapDelta(sample, previous);
      // -128 would fit a signed byte, but the format keeps single bytes symmetric.
      if (d >= -127 && d <= 127) {
        out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(d)));
      } else {
        const auto u = static_cast<std::uint16_t>(d);
        out.push_back(static_cast<std::uint8_t>(u & 0xff));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
        header = static_cast<std::uint8_t>(header | (1u << k));
      }
      previous = sample;
    }
    out[headerAt] = header;
  }
  PackReport r;
  r.packedBytes = out.size();
  r.plainBytes = count * 2;
  if (out.size() > count * 2) {
    out.assign(1, kFormatPlain);
    for (std::size_t i = 0; i < count; ++i) {
      const auto u = static_cast<std::uint16_t>(samples[i]);
      out.push_back(static_cast<std::uint8_t>(u & 0xff));
      out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    r.storedPlain = true;
  }
  if (report) *report = r;
  return out;
}

namespace {

// Decodes into a buffer of exactly `length` samples (decodedLength's answer): the
// load of the whole set is dominated by this.
std::vector<std::int16_t> decode(const std::uint8_t* data, std::size_t size, std::size_t length) {
  std::vector<std::int16_t> out(length);
  if (size < 1) return out;
  if (data[0] != kFormatPacked) {
    for (std::size_t i = 0; i < length; ++i) {
      const auto u = static_cast<std::uint16_t>(data[1 + 2 * i] | (data[2 + 2 * i] << 8));
      out[i] = static_cast<std::int16_t>(u);
    }
    return out;
  }
  std::int16_t* o = out.data();
  std::size_t pos = 1;
  std::uint16_t previous = 0;
  // Whole blocks with at least one byte after them, so that reading the byte
  // after a one-byte delta stays inside the file. Branch-free: whether a delta
  // takes one byte or two is random in real sound, and a mispredicted branch per
  // sample would cost more than the decoding itself.
  while (pos < size && pos + 1 + kBlockBytes[data[pos]] < size) {
    const unsigned header = data[pos++];
    for (int k = 0; k < 8; ++k) {
      const unsigned two = (header >> k) & 1u;
      const auto wide = static_cast<std::uint16_t>(data[pos] | (data[pos + 1] << 8));
      const auto narrow = static_cast<std::uint16_t>(static_cast<std::int8_t>(data[pos]));
      previous = static_cast<std::uint16_t>(previous + (two ? wide : narrow));
      *o++ = static_cast<std::int16_t>(previous);
      pos += 1 + two;
    }
  }
  // The last block (or one cut short by the end of the file): missing deltas count as 0.
  while (pos < size) {
    const std::uint8_t header = data[pos++];
    for (int k = 0; k < 8; ++k) {
      std::uint16_t d = 0;
      if (header & (1u << k)) {
        if (pos + 1 < size) {
          d = static_cast<std::uint16_t>(data[pos] | (data[pos + 1] << 8));
        } else if (pos < size) {
          d = data[pos];
        }
        pos += 2;
      } else {
        if (pos < size) d = static_cast<std::uint16_t>(static_cast<std::int8_t>(data[pos]));
        pos += 1;
      }
      previous = static_cast<std::uint16_t>(previous + d);
      *o++ = static_cast<std::int16_t>(previous);
    }
  }
  return out;
}

}  // namespace

std::size_t decodedLength(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  if (data[0] != kFormatPacked) return (size - 1) / 2;
  std::size_t blocks = 0;
  for (std::size_t pos = 1; pos < size; ++blocks) pos += 1 + kBlockBytes[data[pos]];
  return blocks * 8;
}

std::vector<std::int16_t> unpack(const std::uint8_t* data, std::size_t size) {
  return decode(data, size, decodedLength(data, size));
}

bool readFile(const std::string& path, std::vector<std::int16_t>& samples, std::string& error) {
  std::string bytes;
  return readFile(path, samples, error, bytes);
}

bool readFile(const std::string& path, std::vector<std::int16_t>& samples, std::string& error,
              std::string& bytes) {
  switch (platform::readFileLimited(path, kMaxFileBytes, bytes)) {
    case platform::ReadStatus::kOk:
      break;
    case platform::ReadStatus::kMissing:
      error = "no such file";
      return false;
    case platform::ReadStatus::kTooLarge:
      error = "more than " + std::to_string(kMaxFileBytes) + " bytes, longer than any sample";
      return false;
    case platform::ReadStatus::kNotAFile:
      error = "not a regular file";
      return false;
    case platform::ReadStatus::kError:
      error = "cannot be read";
      return false;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t length = decodedLength(data, bytes.size());
  if (length > kMaxDecodedSamples) {
    error = "decodes to " + std::to_string(length) + " samples, more than the " +
            std::to_string(kMaxDecodedSamples) + " a sample may hold";
    return false;
  }
  if (length == 0) {
    error = "no samples";
    return false;
  }
  samples = decode(data, bytes.size(), length);
  return true;
}

std::string mavPathFor(const std::string& wavPath) {
  const auto dot = wavPath.rfind(".wav");
  if (dot == std::string::npos) return wavPath + ".mav";
  return wavPath.substr(0, dot) + ".mav" + wavPath.substr(dot + 4);
}

bool packToFile(const std::string& wavPath, const std::int16_t* samples, std::size_t count) {
  PackReport report;
  const auto image = pack(samples, count, &report);
  const long long plain = static_cast<long long>(report.plainBytes);
  const long long packed = static_cast<long long>(report.packedBytes);
  std::printf("  Compressed by %lld bytes. Un=%lld (%lld%%) \n", plain - packed, plain,
              plain > 0 ? packed * 100 / plain : 0);
  if (report.storedPlain) std::printf("   ...Used uncompressed file instead at %lld\n", plain + 1);
  std::ofstream out(mavPathFor(wavPath), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out);
}

}  // namespace piano::mav
