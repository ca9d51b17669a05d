// Songs to MIDI files and back, and MIDI files from elsewhere: well-formed,
// unusual and damaged. (Real files of other programs: midi_reference.py.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "recording/midi_file.h"
#include "recording/midi_song.h"

namespace piano::midi {
namespace {

using std::string_literals::operator""s;

// A file of the given track bodies (each without its end-of-track event).
std::string smf(std::vector<std::string> tracks, std::string division = "\x01\xE0"s, std::string format = "\x01"s) {
  std::string file = "MThd\0\0\0\x06\0"s + format + '\0' + static_cast<char>(tracks.size()) + division;
  for (std::string& body : tracks) {
    body += "\x00\xFF\x2F\x00"s;
    const auto n = body.size();
    file += "MTrk\0\0"s + static_cast<char>(n >> 8) + static_cast<char>(n & 0xFF) + body;
  }
  return file;
}

constexpr ReleaseRates kRates{-8e-5f, -1.6e-5f};

// Presses as (slot, start, end, volume, release rate), in the song's order.
std::vector<std::tuple<int, double, double, float, float>> presses(const std::vector<Note>& notes) {
  std::vector<std::tuple<int, double, double, float, float>> out;
  for (const Note& n : notes) {
    if (!n.keyDown) continue;
    const auto up = std::find_if(notes.begin(), notes.end(), [&](const Note& u) { return !u.keyDown && u.noteID == n.noteID; });
    out.emplace_back(n.sampleNo, n.time, up == notes.end() ? -1.0 : up->time, n.volume, n.releaseDelta);
  }
  std::stable_sort(out.begin(), out.end(), [](auto& a, auto& b) { return std::get<1>(a) < std::get<1>(b); });
  return out;
}

TEST(MidiFile, SongComesBackWithEveryNoteWithinOneTick) {
  // Overlapping presses of one key, a zero-length note, both ends of the piano.
  const std::vector<std::tuple<int, double, double, float>> played = {
      {40, 0.1, 1.0, 0.5f}, {40, 0.5, 0.7, 1.0f}, {0, 2.0, 2.0, 0.2f}, {87, 3.3333, 9.87654, 0.01f}, {39, 3.3333, 4.0, 0.8f}};
  std::vector<Note> song;
  for (int id = 0; id < static_cast<int>(played.size()); ++id) {
    const auto& [slot, on, off, volume] = played[static_cast<std::size_t>(id)];
    song.push_back(Note::down(slot, volume, on, 1, id, 1.0f, -8e-5f));
    song.push_back(Note::up(off, id, slot));
  }
  std::stable_sort(song.begin(), song.end(), [](const Note& a, const Note& b) { return a.time < b.time; });
  const ImportedSong back = fileToSong(songToFile(song, 97, 3), kRates);
  ASSERT_EQ(back.problem, "");
  EXPECT_EQ(back.beatsPerMinute, 97);
  EXPECT_EQ(back.beatsPerBar, 3);
  const auto want = presses(song), got = presses(back.notes);
  ASSERT_EQ(got.size(), want.size());
  const double tick = 60.0 / 97 / kTicksPerQuarter;
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(std::get<0>(got[i]), std::get<0>(want[i])) << i;
    EXPECT_NEAR(std::get<1>(got[i]), std::get<1>(want[i]), tick) << i;
    EXPECT_NEAR(std::get<2>(got[i]), std::get<2>(want[i]), tick) << i;
    EXPECT_NEAR(std::get<3>(got[i]), std::get<3>(want[i]), 1.0 / 127) << i;
  }
}

TEST(MidiFile, ReadsTempoMapsTimeCodesPedalsAndLimits) {
  const std::string on = "\x90\x3C\x40"s, off = "\x80\x3C\x40"s;
  // Tempo 1 s a quarter from tick 480 (the conductor track), a note at 960 in the other track.
  auto song = fileToSong(smf({"\x83\x60\xFF\x51\x03\x0F\x42\x40"s, "\x87\x40"s + on + "\x00"s + off}), kRates);
  ASSERT_EQ(presses(song.notes).size(), 1u);
  EXPECT_EQ(std::get<0>(presses(song.notes)[0]), 39);
  EXPECT_NEAR(std::get<1>(presses(song.notes)[0]), 1.5, 1e-9);
  // A tempo of zero is ignored; 25 frames of 40 ticks a second.
  song = fileToSong(smf({"\x00\xFF\x51\x03\x00\x00\x00\x83\x60"s + on + "\x00"s + off}), kRates);
  EXPECT_NEAR(std::get<1>(presses(song.notes).at(0)), 0.5, 1e-9);
  song = fileToSong(smf({"\x83\x74"s + on + "\x00"s + off}, "\xE7\x28"s), kRates);
  EXPECT_NEAR(std::get<1>(presses(song.notes).at(0)), 0.5, 1e-9);
  // A note released under the sustain pedal dies away at the pedal's rate; the
  // percussion channel and keys off the piano are dropped; a note after a day is left out.
  song = fileToSong(smf({"\x00\xB0\x40\x7F\x00"s + on + "\x00"s + off + "\x00\xB0\x40\x00\x00"s + on + "\x00"s + off +
                         "\x00\x99\x3C\x40\x00\x90\x14\x40\x00\xB0\x07\x10\x00\xC0\x05\xFF\xFF\xFF\x7F\x90\x3C\x40"s}),
                    kRates);
  EXPECT_EQ(std::get<4>(presses(song.notes).at(0)), kRates.pedal);
  EXPECT_EQ(std::get<4>(presses(song.notes).at(1)), kRates.normal);
  EXPECT_EQ(std::tie(song.notesOutsideRange, song.notesLeftOut), std::make_tuple(2, 1));
  // Beyond what a song holds: the first notes come in, the rest are counted.
  std::string many;
  for (int i = 0; i < maxImportedNotes() + 500; ++i) many += "\x00"s + on + "\x01\x3C\x00"s;
  song = fileToSong(smf({many}), kRates);
  EXPECT_EQ(song.notes.size(), 2u * maxImportedNotes());
  EXPECT_EQ(song.notesLeftOut, 500);
}

TEST(MidiFile, DamagedFilesSayWhatIsWrongAndGiveNoNotes) {
  const std::string note = "\x00\x90\x3C\x40"s;
  const std::vector<std::string> damaged = {
      "", "MThd\0\0\0\x06\0\0\0\x01"s, "MThd\0\0\0\x40\0\0\0\x01\x01\xE0"s, smf({note}, "\x01\xE0"s, "\x03"s),
      smf({note}, "\0\0"s), smf({note}, "\xE7\x00"s), smf({}), smf({"\x00\x3C\x40"s}), smf({"\x00\xFF\x01\x7F"s}),
      smf({"\xFF\xFF\xFF\xFF\x7F\x90\x3C\x40"s}), smf({"\x00\xF4"s}), smf({"\x00\x90\xBC\x40"s}),
      smf({note}).substr(0, 29), smf({note + "\x00\xF0\x85"s})};
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const ImportedSong song = fileToSong(damaged[i], kRates);
    EXPECT_NE(song.problem, "") << i;
    EXPECT_TRUE(song.notes.empty()) << i;
  }
  // Every cut of a good file reads without harm, to fewer notes or a reason.
  std::vector<Note> two = {Note::down(3, 1, 0, 0, 0, 1, 0), Note::up(1, 0, 3), Note::down(4, 1, 1, 0, 1, 1, 0),
                           Note::up(2, 1, 4)};
  const std::string whole = songToFile(two, 120, 4);
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    const ImportedSong song = fileToSong(whole.substr(0, cut), kRates);
    EXPECT_TRUE(!song.problem.empty() || song.notes.size() < 4) << cut;
  }
}

}  // namespace
}  // namespace piano::midi
