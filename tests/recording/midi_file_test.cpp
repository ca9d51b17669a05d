// Songs to MIDI files and back; made-up files, unusual and damaged (real ones: midi_reference.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "recording/midi_file.h"
#include "recording/midi_song.h"

namespace piano::midi {
namespace {

using std::string_literals::operator""s;
using Press = std::tuple<int, double, double, float, float>;  // slot, start, end, volume, release rate
constexpr ReleaseRates kRates{-8e-5f, -1.6e-5f};

// A file of the given track bodies (each without its end-of-track event).
std::string smf(const std::vector<std::string>& tracks, std::string division = "\x01\xE0"s, char format = 1) {
  std::string file = "MThd\0\0\0\x06\0"s + format + '\0' + static_cast<char>(tracks.size()) + division;
  for (const std::string& body : tracks)
    file += "MTrk\0\0"s + char((body.size() + 4) >> 8) + char((body.size() + 4) & 0xFF) + body + "\x00\xFF\x2F\x00"s;
  return file;
}

std::vector<Press> presses(const std::vector<Note>& notes) {
  std::vector<Press> out;
  for (const Note& n : notes) {
    const auto up = std::find_if(notes.begin(), notes.end(), [&](const Note& u) { return !u.keyDown && u.noteID == n.noteID; });
    if (n.keyDown) out.emplace_back(n.sampleNo, n.time, up == notes.end() ? -1.0 : up->time, n.volume, n.releaseDelta);
  }
  return out;  // in the song's order: by time
}

TEST(MidiFile, SongComesBackWithEveryNoteWithinOneTick) {
  // Overlapping presses of one key, a zero-length note, both ends of the piano.
  const std::vector<Press> played = {{40, 0.1, 1.0, 0.5f, 0}, {40, 0.5, 0.7, 1.0f, 0}, {0, 2.0, 2.0, 0.2f, 0},
                                     {87, 3.3333, 9.87654, 0.01f, 0}, {39, 3.3333, 4.0, 0.8f, 0}};
  std::vector<Note> song;
  for (int id = 0; id < static_cast<int>(played.size()); ++id) {
    const auto& [slot, on, off, volume, release] = played[static_cast<std::size_t>(id)];
    song.push_back(Note::down(slot, volume, on, 1, id, 1.0f, release));
    song.push_back(Note::up(off, id, slot));
  }
  std::stable_sort(song.begin(), song.end(), [](const Note& a, const Note& b) { return a.time < b.time; });
  const ImportedSong back = fileToSong(songToFile(song, 97, 3), kRates);
  EXPECT_EQ(std::tie(back.problem, back.beatsPerMinute, back.beatsPerBar), std::make_tuple(""s, 97, 3));
  const auto got = presses(back.notes);
  ASSERT_EQ(got.size(), played.size());
  const double tick = 60.0 / 97 / kTicksPerQuarter;
  for (std::size_t i = 0; i < got.size(); ++i) {
    const auto& [slot, on, off, volume, release] = played[i];
    EXPECT_TRUE(std::get<0>(got[i]) == slot && std::abs(std::get<1>(got[i]) - on) <= tick &&
                std::abs(std::get<2>(got[i]) - off) <= tick && std::abs(std::get<3>(got[i]) - volume) <= 1.0f / 127) << i;
  }
}

TEST(MidiFile, ReadsTempoMapsTimeCodesPedalsAndLimits) {
  const std::string on = "\x90\x3C\x40"s, off = "\x00\x80\x3C\x40"s;
  const auto start = [](const std::string& file) { return std::get<1>(presses(fileToSong(file, kRates).notes).at(0)); };
  // 1 s a quarter from tick 480 (the conductor track) for a note at 960 of the other; a tempo of
  // zero is ignored; 25 frames of 40 ticks a second.
  EXPECT_NEAR(start(smf({"\x83\x60\xFF\x51\x03\x0F\x42\x40"s, "\x87\x40"s + on + off})), 1.5, 1e-9);
  EXPECT_NEAR(start(smf({"\x00\xFF\x51\x03\x00\x00\x00\x83\x60"s + on + off})), 0.5, 1e-9);
  EXPECT_NEAR(start(smf({"\x83\x74"s + on + off}, "\xE7\x28"s)), 0.5, 1e-9);
  // A note released under the sustain pedal dies away at the pedal's rate; the percussion
  // channel and keys off the piano are dropped; a note after a day is left out.
  auto song = fileToSong(smf({"\x00\xB0\x40\x7F\x00"s + on + off + "\x00\xB0\x40\x00\x00"s + on + off +
                              "\x00\x99\x3C\x40\x00\x90\x14\x40\x00\xC0\x05\xFF\xFF\xFF\x7F\x90\x3C\x40"s}),
                         kRates);
  EXPECT_EQ(std::make_tuple(std::get<4>(presses(song.notes).at(0)), std::get<4>(presses(song.notes).at(1)),
                            song.notesOutsideRange, song.notesLeftOut),
            std::make_tuple(kRates.pedal, kRates.normal, 2, 1));
  // Beyond what a song holds: the first notes come in, the rest are counted.
  std::string many;
  for (int i = 0; i < maxImportedNotes() + 500; ++i) many += "\x00"s + on + "\x01\x3C\x00"s;
  song = fileToSong(smf({many}), kRates);
  EXPECT_EQ(std::make_tuple(song.notes.size(), song.notesLeftOut), std::make_tuple(2u * maxImportedNotes(), 500));
}

TEST(MidiFile, DamagedFilesSayWhatIsWrongAndGiveNoNotes) {
  const std::string note = "\x00\x90\x3C\x40"s;
  const std::vector<std::string> damaged = {
      "", "MThd\0\0\0\x06\0\0\0\x01"s, "MThd\0\0\0\x40\0\0\0\x01\x01\xE0"s, smf({note}, "\x01\xE0"s, 3),
      smf({note}, "\0\0"s), smf({note}, "\xE7\x00"s), smf({}), smf({"\x00\x3C\x40"s}), smf({"\x00\xFF\x01\x7F"s}),
      smf({"\xFF\xFF\xFF\xFF\x7F\x90\x3C\x40"s}), smf({"\x00\xF4"s}), smf({"\x00\x90\xBC\x40"s}),
      smf({note}).substr(0, 29), smf({note + "\x00\xF0\x85"s})};
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const ImportedSong song = fileToSong(damaged[i], kRates);
    EXPECT_TRUE(!song.problem.empty() && song.notes.empty()) << i;
  }
  // Every cut of a good file reads without harm (the address sanitizer build watches).
  const std::string whole = songToFile({Note::down(3, 1, 0, 0, 0, 1, 0), Note::up(1, 0, 3)}, 120, 4);
  for (std::size_t cut = 0; cut < whole.size(); ++cut) EXPECT_NE(fileToSong(whole.substr(0, cut), kRates).problem, "");
}

}  // namespace
}  // namespace piano::midi
