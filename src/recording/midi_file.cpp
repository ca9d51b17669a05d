#include "recording/midi_file.h"

#include <algorithm>
#include <queue>

namespace piano::midi {

namespace {

constexpr int kDefaultMicrosPerQuarter = 500000;  // 120 beats a minute
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaTimeSignature = 0x58;

std::uint32_t bigEndian(const unsigned char* p, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | p[i];
  return value;
}

// One track being read: the bytes left and the state that carries from event
// to event.
struct Track {
  const unsigned char* at = nullptr;
  const unsigned char* end = nullptr;
  std::uint64_t tick = 0;  // of the event `at` points to
  std::uint8_t running = 0;
  int number = 0;          // 1-based, for messages

  std::size_t left() const { return static_cast<std::size_t>(end - at); }

  // A variable-length quantity: at most four bytes of seven bits.
  bool readLength(std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (at == end) return false;
      const unsigned char byte = *at++;
      value = (value << 7) | (byte & 0x7Fu);
      if ((byte & 0x80u) == 0) return true;
    }
    return false;
  }
};

std::string trackProblem(const Track& track, const char* what) {
  return "track " + std::to_string(track.number) + ": " + what;
}

int dataBytes(std::uint8_t status) {
  const int kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

void appendLength(std::string& out, std::uint32_t value) {
  unsigned char bytes[4];
  int count = 0;
  do {
    bytes[count++] = static_cast<unsigned char>(value & 0x7Fu);
    value >>= 7;
  } while (value != 0 && count < 4);
  while (count > 0) {
    --count;
    out += static_cast<char>(bytes[count] | (count > 0 ? 0x80u : 0u));
  }
}

void appendBigEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFFu);
}

}  // namespace

std::string readFile(std::string_view bytes, const std::function<void(const TimedMessage&)>& each,
                     FileFacts* facts) {
  FileFacts found;
  if (bytes.size() > kMaxFileBytes) return "larger than any MIDI file of music";
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  if (size < 14 || bytes.substr(0, 4) != "MThd") return "not a MIDI file";
  const std::uint32_t headerLength = bigEndian(data + 4, 4);
  if (headerLength < 6 || headerLength > size - 8) return "the MIDI header is damaged";
  const std::uint32_t format = bigEndian(data + 8, 2);
  const std::uint32_t announced = bigEndian(data + 10, 2);
  const std::uint32_t division = bigEndian(data + 12, 2);
  if (format > 2) return "format " + std::to_string(format) + " is not a MIDI file format";

  // Seconds per tick: from the tempo for quarter-note ticks, fixed for SMPTE time.
  const bool smpte = (division & 0x8000u) != 0;
  double secondsPerTick = 0.0;
  double ticksPerQuarter = 0.0;
  if (smpte) {
    const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
    const int ticksPerFrame = static_cast<int>(division & 0xFFu);
    if (framesPerSecond <= 0 || ticksPerFrame == 0) return "the time division is damaged";
    const double fps = framesPerSecond == 29 ? 29.97 : framesPerSecond;
    secondsPerTick = 1.0 / (fps * ticksPerFrame);
  } else {
    if (division == 0) return "the time division is zero";
    ticksPerQuarter = division;
    secondsPerTick = kDefaultMicrosPerQuarter / 1e6 / ticksPerQuarter;
  }

  // The tracks: chunks "MTrk"; other chunks are skipped, as the format asks.
  std::vector<Track> tracks;
  std::size_t at = 8 + headerLength;
  while (at + 8 <= size && tracks.size() < announced) {
    const std::uint32_t length = bigEndian(data + at + 4, 4);
    if (length > size - at - 8) {
      return "track " + std::to_string(tracks.size() + 1) + " is cut short";
    }
    if (bytes.substr(at, 4) == "MTrk") {
      Track track;
      track.at = data + at + 8;
      track.end = track.at + length;
      track.number = static_cast<int>(tracks.size()) + 1;
      tracks.push_back(track);
    }
    at += 8 + length;
  }
  if (tracks.empty()) return "the file holds no tracks";

  // Every track's first event, then always the earliest event of all.
  using Due = std::pair<std::uint64_t, int>;  // tick, track index
  std::priority_queue<Due, std::vector<Due>, std::greater<>> due;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    Track& track = tracks[i];
    if (track.left() == 0) continue;
    std::uint32_t delta = 0;
    if (!track.readLength(delta)) return trackProblem(track, "a time is damaged");
    track.tick = delta;
    due.emplace(track.tick, static_cast<int>(i));
  }

  std::uint64_t tempoTick = 0;
  double tempoSeconds = 0.0;
  while (!due.empty()) {
    const int index = due.top().second;
    due.pop();
    Track& track = tracks[static_cast<std::size_t>(index)];
    const double seconds = tempoSeconds + static_cast<double>(track.tick - tempoTick) * secondsPerTick;
    if (track.left() == 0) return trackProblem(track, "an event is cut short");
    std::uint8_t status = *track.at;
    bool ended = false;
    if (status < 0x80) {
      // Running status: the data bytes of another message of the last kind.
      if (track.running == 0) return trackProblem(track, "a data byte comes before any status");
      status = track.running;
    } else {
      ++track.at;
    }
    if (status < 0xF0) {
      track.running = status;
      const int count = dataBytes(status);
      if (track.left() < static_cast<std::size_t>(count)) return trackProblem(track, "an event is cut short");
      TimedMessage message;
      message.seconds = seconds;
      message.status = status;
      message.data1 = track.at[0];
      message.data2 = count == 2 ? track.at[1] : 0;
      track.at += count;
      if (((message.data1 | message.data2) & 0x80u) != 0) return trackProblem(track, "an event is damaged");
      each(message);
    } else if (status == kMeta || status == 0xF0 || status == 0xF7) {
      std::uint8_t type = 0;
      if (status == kMeta) {
        if (track.left() == 0) return trackProblem(track, "an event is cut short");
        type = *track.at++;
      }
      std::uint32_t length = 0;
      if (!track.readLength(length) || length > track.left()) {
        return trackProblem(track, "an event's length runs past the track");
      }
      const unsigned char* body = track.at;
      track.at += length;
      if (status == kMeta && type == kMetaEndOfTrack) {
        ended = true;
      } else if (status == kMeta && type == kMetaTempo && length == 3 && !smpte) {
        // A tempo of zero would stop time; such an event is ignored.
        if (const std::uint32_t micros = bigEndian(body, 3); micros > 0) {
          tempoSeconds = seconds;
          tempoTick = track.tick;
          secondsPerTick = micros / 1e6 / ticksPerQuarter;
          if (found.firstTempoMicros == 0) found.firstTempoMicros = static_cast<int>(micros);
        }
      } else if (status == kMeta && type == kMetaTimeSignature && length >= 1 && found.beatsPerBar == 0) {
        found.beatsPerBar = body[0];
      }
    } else {
      return trackProblem(track, "an event of an unknown kind");
    }
    if (ended || track.left() == 0) continue;
    std::uint32_t delta = 0;
    if (!track.readLength(delta)) return trackProblem(track, "a time is damaged");
    track.tick += delta;
    due.emplace(track.tick, index);
  }
  if (facts != nullptr) *facts = found;
  return {};
}

std::string writeFile(const std::vector<TickMessage>& messages, int microsPerQuarter, int beatsPerBar) {
  std::string track;
  track.reserve(32 + messages.size() * 4);
  // Tempo, then the time signature: n/4, 24 clocks a click, 8 32nds a quarter.
  track += '\0';
  track += "\xFF\x51\x03";
  appendBigEndian(track, static_cast<std::uint32_t>(std::clamp(microsPerQuarter, 1, 0xFFFFFF)), 3);
  track += '\0';
  track += "\xFF\x58\x04";
  track += static_cast<char>(std::clamp(beatsPerBar, 1, 255));
  track += "\x02\x18\x08";
  std::uint32_t last = 0;
  std::uint8_t running = 0;
  for (const TickMessage& message : messages) {
    // Deltas fit four bytes: 2^28 ticks is more than a day at any usable tempo.
    appendLength(track, std::min<std::uint32_t>(message.tick - std::min(last, message.tick), 0x0FFFFFFF));
    last = std::max(last, message.tick);
    if (message.status != running) track += static_cast<char>(message.status);
    running = message.status;
    track += static_cast<char>(message.data1 & 0x7F);
    if (dataBytes(message.status) == 2) track += static_cast<char>(message.data2 & 0x7F);
  }
  track += '\0';
  track += "\xFF\x2F";
  track += '\0';

  std::string file = "MThd";
  appendBigEndian(file, 6, 4);
  appendBigEndian(file, 0, 2);  // format 0
  appendBigEndian(file, 1, 2);  // one track
  appendBigEndian(file, kTicksPerQuarter, 2);
  file += "MTrk";
  appendBigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
  file += track;
  return file;
}

}  // namespace piano::midi
