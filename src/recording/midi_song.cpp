#include "recording/midi_song.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "audio/sample_slots.h"
#include "recording/midi_file.h"
#include "recording/note_recorder.h"

namespace piano::midi {

namespace {

constexpr int kLowestKey = 21;  // MIDI note of slot 0, the lowest A
constexpr int kChannels = 16;
constexpr int kKeys = 128;
constexpr int kSustainController = 64;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kController = 0xB0;

int slotOfKey(int key) {
  const int slot = key - kLowestKey;
  return slot >= 0 && slot < kNumPianoKeys ? slot : -1;
}

}  // namespace

int maxImportedNotes() { return NoteRecorder::kMaxNotes / 2; }

std::string songToFile(const std::vector<Note>& notes, int beatsPerMinute, int beatsPerBar) {
  const double ticksPerSecond = beatsPerMinute / 60.0 * kTicksPerQuarter;
  const auto tickOf = [&](double seconds) {
    return static_cast<std::uint32_t>(std::clamp(std::llround(seconds * ticksPerSecond), 0LL, 0x7FFFFFFFLL));
  };
  struct Sounding {
    int slot;
    int channel;
  };
  std::unordered_map<int, Sounding> sounding;  // by note ID
  std::array<std::array<bool, kNumPianoKeys>, kChannels> busy{};
  std::vector<TickMessage> messages;
  messages.reserve(notes.size());
  for (const Note& note : notes) {
    if (note.keyDown) {
      if (note.sampleNo < 0 || note.sampleNo >= kNumPianoKeys || sounding.count(note.noteID) != 0) continue;
      const auto slot = static_cast<std::size_t>(note.sampleNo);
      int channel = 0;
      while (channel < kChannels && (channel == kPercussionChannel || busy[channel][slot])) ++channel;
      if (channel == kChannels) continue;  // fifteen of one key at once: no channel left
      busy[static_cast<std::size_t>(channel)][slot] = true;
      sounding.emplace(note.noteID, Sounding{note.sampleNo, channel});
      const auto velocity = std::clamp(std::lround(note.volume * 127.0f), 1L, 127L);
      messages.push_back({tickOf(note.time), static_cast<std::uint8_t>(kNoteOn | channel),
                          static_cast<std::uint8_t>(note.sampleNo + kLowestKey),
                          static_cast<std::uint8_t>(velocity)});
    } else if (const auto found = sounding.find(note.noteID); found != sounding.end()) {
      const Sounding s = found->second;
      sounding.erase(found);
      busy[static_cast<std::size_t>(s.channel)][static_cast<std::size_t>(s.slot)] = false;
      messages.push_back({tickOf(note.time), static_cast<std::uint8_t>(kNoteOff | s.channel),
                          static_cast<std::uint8_t>(s.slot + kLowestKey), 64});
    }
  }
  // A song read from a damaged file may be out of order; a press still comes
  // before its release at the same tick.
  std::stable_sort(messages.begin(), messages.end(),
                   [](const TickMessage& a, const TickMessage& b) { return a.tick < b.tick; });
  return writeFile(messages, static_cast<int>(std::lround(60e6 / std::max(1, beatsPerMinute))), beatsPerBar);
}

ImportedSong fileToSong(std::string_view bytes, ReleaseRates rates) {
  struct Press {
    double on;
    double off;
    int slot;
    float volume;
    float release;
  };
  ImportedSong song;
  std::vector<Press> presses;
  // Sounding presses of each channel and key, oldest first; presses left out
  // are only counted (they are all younger than those taken).
  std::vector<std::vector<int>> open(kChannels * kKeys);
  std::vector<int> openLeftOut(kChannels * kKeys, 0);
  std::array<bool, kChannels> pedal{};
  double last = 0.0;
  const auto end = [&](int index, double seconds, int channel) {
    Press& press = presses[static_cast<std::size_t>(index)];
    press.off = std::min(seconds, NoteRecorder::kMaxSongSeconds);
    press.release = pedal[static_cast<std::size_t>(channel)] ? rates.pedal : rates.normal;
  };
  FileFacts facts;
  song.problem = readFile(
      bytes,
      [&](const TimedMessage& m) {
        last = std::max(last, m.seconds);
        if (m.kind() == kController && m.data1 == kSustainController) {
          pedal[static_cast<std::size_t>(m.channel())] = m.data2 >= 64;
          return;
        }
        if (m.kind() != kNoteOn && m.kind() != kNoteOff) return;
        const bool down = m.kind() == kNoteOn && m.data2 > 0;
        const int slot = slotOfKey(m.data1);
        if (slot < 0 || m.channel() == kPercussionChannel) {
          if (down) ++song.notesOutsideRange;
          return;
        }
        const auto key = static_cast<std::size_t>(m.channel() * kKeys + m.data1);
        if (down) {
          if (static_cast<int>(presses.size()) >= maxImportedNotes() || m.seconds > NoteRecorder::kMaxSongSeconds) {
            ++song.notesLeftOut;
            ++openLeftOut[key];
            return;
          }
          open[key].push_back(static_cast<int>(presses.size()));
          presses.push_back({m.seconds, -1.0, slot, m.data2 / 127.0f, rates.normal});
        } else if (!open[key].empty()) {
          end(open[key].front(), m.seconds, m.channel());
          open[key].erase(open[key].begin());
        } else if (openLeftOut[key] > 0) {
          --openLeftOut[key];
        }
      },
      &facts);
  if (!song.problem.empty()) {
    song.notesLeftOut = song.notesOutsideRange = 0;
    return song;
  }
  // Notes still held when the file ends stop with its last event.
  for (std::size_t key = 0; key < open.size(); ++key) {
    for (const int index : open[key]) end(index, last, static_cast<int>(key / kKeys));
  }
  song.notes.reserve(presses.size() * 2);
  for (std::size_t i = 0; i < presses.size(); ++i) {
    const Press& p = presses[i];
    const int id = static_cast<int>(i);
    song.notes.push_back(Note::down(p.slot, p.volume, p.on, 0, id, 1.0f, p.release, 0.0));
    song.notes.push_back(Note::up(p.off, id, p.slot, 0.0));
  }
  std::stable_sort(song.notes.begin(), song.notes.end(),
                   [](const Note& a, const Note& b) { return a.time < b.time; });
  if (facts.firstTempoMicros > 0) song.beatsPerMinute = static_cast<int>(std::lround(60e6 / facts.firstTempoMicros));
  song.beatsPerBar = facts.beatsPerBar;
  return song;
}

}  // namespace piano::midi
