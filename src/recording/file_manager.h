// FileManager: writes and reads the state text (settings, metronome and song) as
// a file in the documents folder: "system.state" and every song's ".SAV" file.
//
//   "Version 2" "@" main section "@" recorder section "@"
//
// A file without the "Version 2" prefix is version 1. Loading never leaves the
// program half-loaded: an unreadable or damaged file resets every section to
// its defaults. The application and the tools read state files through
// readStateFile alone, so they take and refuse the same files.
//
// Threads: the main thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "recording/state_section.h"

namespace piano {

class FileManager {
 public:
  // No real state text comes near this; larger files are not even read.
  static constexpr std::size_t kMaxStateFileBytes = 4u * 1024u * 1024u;

  // `parent` is the root view's main section, `noteRecorder` the recorder's
  // section; both must outlive this object. An empty `documentsDirectory` means
  // the platform's documents folder, looked up for every read and write.
  FileManager(StateSection& parent, StateSection& noteRecorder, std::string documentsDirectory = {});

  // What reading a state file found.
  struct StateFile {
    enum class Status {
      kOk,
      kMissing,     // no such file: a first start
      kUnreadable,  // there, but not readable (permissions, a folder, a pipe...)
      kDamaged,     // read, but too large, not UTF-8 text, or not a whole state text
    };
    Status status = Status::kUnreadable;
    std::string text;     // the whole text when kOk
    std::string problem;  // what was wrong, for messages
  };

  // Reads a state file: a regular file (never waiting on a pipe or a device) of
  // at most kMaxStateFileBytes, UTF-8 text that checkStateText passes.
  static StateFile readStateFile(const std::string& path);
  // What keeps `text` from loading completely, "" when nothing does: a missing
  // section or field, fewer notes than it announces (at most the first
  // NoteRecorder::kMaxNotes count), a note beyond NoteRecorder::kMaxSongSeconds.
  static std::string checkStateText(std::string_view text);

  // Writes the state text to the documents folder under `fileName`, replacing
  // an earlier file only once the new one is complete on the disk. Returns false
  // (the earlier file untouched) when it could not be written or the name is not
  // a plain file name.
  bool saveState(const std::string& fileName);
  // Reads and applies a file. Returns false when it was not loaded: then every
  // section has been reset to its defaults, and `found` (when given) says why.
  bool loadState(const std::string& fileName, StateFile* found = nullptr);
  // Main section defaults, then the recorder's.
  void resetState();

  // The whole state text as saveState writes it.
  std::string stateText() const;
  // Applies a whole state text; resets and returns false when checkStateText
  // finds it damaged.
  bool applyStateText(std::string_view text);

  // The folder files go to ("" when none could be had), and the path of a file.
  std::string documentsDirectory() const;

 private:
  static bool isPlainFileName(const std::string& name);

  StateSection& parent_;
  StateSection& noteRecorder_;
  std::string documentsDirectory_;
};

}  // namespace piano
