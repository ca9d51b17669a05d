// What the program does with song files from the command line and from files
// handed to the window: rendering a song to a WAV file, and moving songs to and
// from MIDI files. Songs are read as the application reads them
// (FileManager::readStateFile): what the application refuses is refused here,
// with the reason.
//
// Threads: the main thread (each job makes its own engine and recorder, with
// no output and no playback thread).
#pragma once

#include <string>
#include <string_view>

namespace piano {

// Each returns the program's exit status after one line on the standard output
// saying what was done, or on the standard error saying why not.
int renderSongToWav(const std::string& songPath, const std::string& wavPath, const std::string& sampleDir);
int exportSongToMidi(const std::string& songPath, const std::string& midiPath);

struct MidiImport {
  bool ok = false;
  std::string songName;  // the name it was saved under
  std::string message;   // for the player: what was imported and what was left out, or why nothing was
};

// Reads a MIDI file and saves it as a new song of the library in
// `documentsDirectory` under `name` (made safe for a file name; "<name> 2"... when
// a song has that name already: no song is ever replaced). The song carries the
// settings and metronome of `baseStateText` (the player's), or of a fresh start
// when that is empty or damaged, with the file's tempo.
MidiImport importMidiToLibrary(const std::string& midiPath, const std::string& name,
                               const std::string& documentsDirectory, std::string_view baseStateText);

// The song name a file brings: its name without folder and extension.
std::string songNameForFile(const std::string& path);

}  // namespace piano
