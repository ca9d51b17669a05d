// The packed sample format ".mav": one format byte, then either plain 16-bit
// little-endian samples (any format byte but 1) or blocks of eight delta-coded
// samples (format byte 1). Each block starts with a header byte whose bit k says
// that delta k takes two bytes instead of one. Deltas wrap modulo 65536, so the
// coding is exact for every 16-bit signal.
//
// Pure functions; any thread may call them. Nothing here touches the audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace piano::mav {

inline constexpr std::uint8_t kFormatPacked = 1;
inline constexpr std::uint8_t kFormatPlain = 2;  // what the packer writes for plain files

// The most samples a file may decode to: 12 s at 44100 Hz, a margin over the
// 10 s of the longest note. A file that would decode to more is refused before
// anything is allocated for it, so a damaged or hostile set cannot take more
// than about 1 MiB per slot.
inline constexpr std::size_t kMaxDecodedSamples = 12 * 44100;
// The longest file that can decode to no more: packed, every delta in two bytes.
inline constexpr std::size_t kMaxFileBytes = 1 + 17 * ((kMaxDecodedSamples + 7) / 8);

// What packing a signal cost, for the packer's report line.
struct PackReport {
  std::size_t packedBytes = 0;  // total bytes of the packed form, format byte included
  std::size_t plainBytes = 0;   // 2 * sample count
  bool storedPlain = false;     // packing did not pay, so the file is plain
};

// Packs samples into a complete file image. Chooses the plain form when the
// packed form would be longer than 2n bytes. The last block codes zeros past the
// end of the input when n is not a multiple of 8.
std::vector<std::uint8_t> pack(const std::int16_t* samples, std::size_t count,
                               PackReport* report = nullptr);

// Decodes a complete file image. Never reads past `size` bytes: a packed block cut
// short by the end of the file decodes the deltas that are present and treats the
// missing ones as 0, and a plain file with an odd byte count drops the last byte.
// Returns every decoded sample; the engine plays all but the last.
std::vector<std::int16_t> unpack(const std::uint8_t* data, std::size_t size);

// How many samples unpack() would return, from the format byte and the block
// headers alone.
std::size_t decodedLength(const std::uint8_t* data, std::size_t size);

// Reads and decodes a file, through the bounded reader that never blocks on a
// pipe or a device. Returns false, with `error` saying why, when the file is not a
// readable regular file, is empty, or would decode to more than kMaxDecodedSamples.
bool readFile(const std::string& path, std::vector<std::int16_t>& samples, std::string& error);
// The same, reading the file's bytes into `scratch`, which a caller loading many
// files reuses so the bytes of each file need no fresh memory.
bool readFile(const std::string& path, std::vector<std::int16_t>& samples, std::string& error,
              std::string& scratch);

// Packs and writes a file next to `wavPath` with ".wav" replaced by ".mav", printing
// the packer's report lines. Returns false when the file could not be written.
bool packToFile(const std::string& wavPath, const std::int16_t* samples, std::size_t count);

// The ".mav" path that belongs to a ".wav" path (the last ".wav" replaced, or ".mav"
// appended when there is none).
std::string mavPathFor(const std::string& wavPath);

}  // namespace piano::mav
