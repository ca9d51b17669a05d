// Songs as MIDI files: a song's presses and releases to a Standard MIDI File
// and back.
//
// Writing: one track at the metronome's tempo and beats per bar, 480 ticks a
// quarter, a note's volume as its velocity. Two presses of one key that sound
// at once go out on different channels, so that every release still ends the
// press it belongs to when the file is read back.
//
// Reading: every track merged through the file's tempo map; a release ends the
// oldest sounding press of its key and channel. Keys outside the piano and the
// percussion channel are dropped; the velocity becomes the volume; a note that
// ends while the sustain pedal (controller 64) is down dies away at the pedal's
// release rate, others at the normal one. A song holds NoteRecorder::kMaxNotes
// presses and releases, so at most half as many notes come in, the first ones;
// how many were left out is counted, as are notes later than the longest song.
//
// Threads: pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "recording/note.h"

namespace piano::midi {

// `notes`: a song as the recorder keeps it (sorted by time, every press with a
// later release).
std::string songToFile(const std::vector<Note>& notes, int beatsPerMinute, int beatsPerBar);

struct ImportedSong {
  std::string problem;        // "" when the file was read
  std::vector<Note> notes;    // sorted by time, IDs from 0
  int beatsPerMinute = 0;     // of the first tempo event; 0: none
  int beatsPerBar = 0;        // of the first time signature; 0: none
  int notesLeftOut = 0;       // beyond what a song holds, or too late
  int notesOutsideRange = 0;  // keys the piano does not have, percussion
};

struct ReleaseRates {
  float normal = 0.0f;  // release rates (negative level change per frame)
  float pedal = 0.0f;
};

ImportedSong fileToSong(std::string_view bytes, ReleaseRates rates);

// The most notes (presses) an imported song takes.
int maxImportedNotes();

}  // namespace piano::midi
