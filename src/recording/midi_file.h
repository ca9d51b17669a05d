// Standard MIDI Files (SMF): a reader that walks every track of a file at once
// and hands on its channel messages in time order, in seconds through the
// file's tempo map, and a writer of single-track (format 0) files.
//
// A MIDI file is outside input: the reader checks every length against the
// bytes it has, accepts running status only after a status byte, skips meta
// and system-exclusive events by their stated lengths, ignores a tempo of zero
// and never allocates more than a small amount per track (tracks are limited by
// the header's 16-bit count and by the file's size).
//
// Threads: pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace piano::midi {

// Larger files are not read: no piece of music needs more.
inline constexpr std::size_t kMaxFileBytes = 16u * 1024u * 1024u;
// The writer's resolution: ticks per quarter note.
inline constexpr int kTicksPerQuarter = 480;
inline constexpr int kPercussionChannel = 9;

// One channel message (note on/off, controller...) at its time in seconds.
struct TimedMessage {
  double seconds = 0.0;
  std::uint8_t status = 0;  // 0x80..0xEF: kind and channel
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  int kind() const { return status & 0xF0; }
  int channel() const { return status & 0x0F; }
};

// What the reader found besides the messages.
struct FileFacts {
  int firstTempoMicros = 0;  // microseconds per quarter of the first tempo event; 0: none
  int beatsPerBar = 0;       // numerator of the first time signature; 0: none
};

// Reads a whole file and calls `each` for every channel message of every track,
// merged in time order (messages at the same tick: by track, then file order).
// Returns "" when the whole file was read, else what is wrong with it (then some
// messages may have been delivered already: the caller drops them).
std::string readFile(std::string_view bytes, const std::function<void(const TimedMessage&)>& each,
                     FileFacts* facts = nullptr);

// A channel message of a file to write, at its tick.
struct TickMessage {
  std::uint32_t tick = 0;
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
};

// A format 0 file with kTicksPerQuarter: the tempo, the time signature
// (beatsPerBar / 4), then `messages`, which must be in tick order.
std::string writeFile(const std::vector<TickMessage>& messages, int microsPerQuarter, int beatsPerBar);

}  // namespace piano::midi
