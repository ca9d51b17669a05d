// The documents folder: where songs, "system.state" and the first-launch flag
// file live. It is the application's XDG data folder ($XDG_DATA_HOME/piano, else
// ~/.local/share/piano), unless a command-line option or the environment variable
// PIANO_DOCUMENTS_DIR names another one (tests always do, so they never touch a
// player's songs). The folder is created when it is missing.
//
// Threads: the main thread (and tools and tests, which are single-threaded).
#pragma once

#include <string>

namespace piano::platform {

inline constexpr const char* kDocumentsEnvironmentVariable = "PIANO_DOCUMENTS_DIR";
inline constexpr const char* kApplicationFolderName = "piano";

struct DocumentsFolder {
  std::string path;   // without a trailing "/"; empty when `error` is set
  std::string error;  // why no folder could be had; empty on success
  bool ok() const { return error.empty(); }
};

// The command-line option; an empty path removes the override. Set it before
// the first call of documentsDirectory().
void setDocumentsDirectoryOverride(std::string path);

// Finds the folder (option, then environment variable, then XDG data folder) and
// creates it, with its parents, when it is missing. Looked up on every call, so
// a folder removed while the program runs is made again.
DocumentsFolder documentsDirectory();

// Joins the folder and a file name with a single "/".
std::string documentsPath(const std::string& folder, const std::string& fileName);

}  // namespace piano::platform
