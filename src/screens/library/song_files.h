// Songs on the disk: each song is the file "<name>.SAV" in the documents
// folder, holding its state text. This is the library's whole view of the
// folder: how names become file names, the song list, erasing, checking a
// song before it is loaded, and the maintenance that runs at every start
// (installing the demo songs, converting songs of earlier versions).
//
// Nothing here ever removes or replaces a song the player has, except erase()
// when the player asks for it.
//
// Threads: the main thread (tools and tests: any one thread).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace piano {

class SongFiles {
 public:
  // A song file's name is the song's name and this.
  static constexpr std::string_view kExtension = ".SAV";
  // Longest song name in bytes: with ".SAV" it fills a Linux file name (255).
  static constexpr std::size_t kMaxNameBytes = 251;

  // `documentsDirectory`: where the songs are; `demoSongDirectory`: the folder
  // whose *.SAV files are the demo songs (empty: none).
  SongFiles(std::string documentsDirectory, std::string demoSongDirectory);

  // The name made safe for a file name: "." and "/" and "\" become "_", ":"
  // becomes "-". Control characters go, and blanks at either end are trimmed,
  // so a name that shows as nothing comes out empty. May return "".
  static std::string makeFileSafe(std::string_view name);

  // The names of the songs in the folder, in list order (names compared
  // without case, runs of digits by their value, so "2" comes before "10").
  std::vector<std::string> loadSongNames() const;

  // "<name>.SAV"
  static std::string fileNameForSong(std::string_view name);
  // Whether a file of that name is in the documents folder.
  bool exists(const std::string& fileName) const;
  // Removes the song's file. False when it is still there afterwards.
  bool erase(const std::string& name) const;

  // Reads a song's state text and checks that it would load completely. False
  // (text untouched, and a line on the standard output saying why) when the
  // file is missing, unreadable, too large, not UTF-8, or its text is damaged.
  bool readSong(const std::string& name, std::string* text) const;

  // Copies every demo song whose target name is not taken. With `numbered`
  // (the Chinese layout) the targets are "1.SAV", "2.SAV"... in list order.
  void copyDemoSongs(bool numbered) const;
  // Renames every old song B.SAV that has a B.NAME companion after the name it
  // holds. An existing different song of that name is kept: the converted one
  // takes the name with a number added. A .NAME file that cannot be read is
  // left for the next start. ("temporary.SAV", which earlier versions left
  // behind, is a song like any other: a player may have named one so.)
  void convertOldSavesToNewSaves() const;

  // "<name> 2", "<name> 3", ... : the first of these with no file yet.
  std::string freeNumberedName(const std::string& name) const;

  const std::string& documentsDirectory() const { return documentsDirectory_; }
  std::string pathOf(const std::string& fileName) const;

 private:
  std::string documentsDirectory_;
  std::string demoSongDirectory_;
};

// Sort order of the song list (see loadSongNames).
bool songNameLess(std::string_view a, std::string_view b);

}  // namespace piano
