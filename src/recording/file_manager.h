// FileManager: writes and reads the state text (settings, metronome and song) as
// a file in the documents folder: "system.state" and every song's ".SAV" file.
//
//   "Version 2" "@" main section "@" recorder section "@"
//
// A file without the "Version 2" prefix is version 1. Loading never leaves the
// program half-loaded: an unreadable or damaged file resets every section to
// its defaults.
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

  // Writes the state text to the documents folder under `fileName`, replacing
  // an earlier file only once the new one is complete on the disk. Returns false
  // (the earlier file untouched) when it could not be written or the name is not
  // a plain file name.
  bool saveState(const std::string& fileName);
  // Reads and applies a file. Returns false when the file was missing,
  // unreadable, too large, not UTF-8 text or damaged: then every section has been
  // reset to its defaults.
  bool loadState(const std::string& fileName);
  // Main section defaults, then the recorder's.
  void resetState();

  // The whole state text as saveState writes it.
  std::string stateText() const;
  // Applies a whole state text; resets and returns false when it is damaged.
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
