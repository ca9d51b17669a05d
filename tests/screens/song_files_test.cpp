// Song names and files in a documents folder of the test's own: safe names, the
// song list, the start-up maintenance (old saves, demo songs) and the demo songs
// that come with the piano.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"
#include "screens/library/song_library_view.h"

namespace piano {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A folder of the test's own, and its files.
struct Folder {
  explicit Folder(const std::string& tag) : path(fs::path(::testing::TempDir()) / (std::to_string(::getpid()) + tag)) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~Folder() { fs::remove_all(path); }
  void write(std::initializer_list<std::pair<const char*, std::string>> files) const {
    for (const auto& [name, bytes] : files) std::ofstream(path / name) << bytes;
  }
  std::string read(const std::string& name) const { return test::fileText(path / name); }
  Names listing() const {
    Names names;
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  const fs::path path;
};

std::string song(int slot) {
  return "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1|2|1|" + std::to_string(slot) +
         "|1.500000|0|0.7|1|-8e-05|0|2.250000|0|@";
}

TEST(SongNames, AreMadeFileSafeAndListedInNaturalOrder) {
  const std::pair<const char*, const char*> safe[] = {
      {"a.b/c\\d:e", "a_b_c_d-e"}, {"", ""}, {"  Waltz  ", "Waltz"}, {" \t\n ", ""}, {"..", "__"}, {"月光 曲", "月光 曲"}};
  for (const auto& [name, made] : safe) EXPECT_EQ(SongFiles::makeFileSafe(name), made) << name;
  Folder docs("docs");
  for (const char* name : {"x.sav", "y.SAV.bak", "z.SAV", "10.SAV", "2.SAV", "apple.SAV", "Banana.SAV", ".SAV",
                           "system.state", "SystemMessage.DAT"}) {
    docs.write({{name, song(1)}});
  }
  fs::create_directories(docs.path / "folder.SAV");
  EXPECT_EQ(SongFiles(docs.path, {}).loadSongNames(), (Names{"2", "10", "apple", "Banana", "z"}));
}

TEST(StartUp, OldSavesTakeTheirStoredNamesAndNoSongIsLostOrReplaced) {
  Folder docs("docs");
  docs.write({{"1.SAV", song(1)}, {"1.NAME", "Sonata: No. 2"},
              {"3.SAV", song(3)}, {"3.NAME", "3"},                   // its own name already
              {"4.NAME", "Existing"}, {"Existing.SAV", song(44)},    // no song of its own
              {"5.SAV", song(5)},                                    // no name file: stays
              {"6.SAV", song(6)}, {"6.NAME", "temporary"},           // the name of earlier versions' leftover
              {"u.SAV", song(20)}, {"u.NAME", "\xff\xfe"},           // not text: left for the next start
              {"e.SAV", song(21)}, {"e.NAME", " \n"}});               // shows as nothing: the song keeps its own
  for (int start = 0; start < 2; ++start) SongFiles(docs.path, {}).convertOldSavesToNewSaves();
  EXPECT_EQ(docs.listing(), (Names{"3.SAV", "5.SAV", "Existing.SAV", "Sonata- No_ 2.SAV", "e.SAV", "temporary.SAV",
                                  "u.NAME", "u.SAV"}));
  EXPECT_EQ(docs.read("Sonata- No_ 2.SAV") + docs.read("Existing.SAV"), song(1) + song(44));
  // A converted song never replaces a different song of the same name.
  Folder waltzes("waltzes");
  waltzes.write({{"Waltz.SAV", song(10)}, {"Waltz 2.SAV", song(11)}, {"a.SAV", song(12)}, {"a.NAME", "Waltz"},
                 {"b.SAV", song(13)}, {"b.NAME", "Waltz"},
                 {"c.SAV", song(10)}, {"c.NAME", "Waltz"}});  // the very song that is there already
  SongFiles(waltzes.path, {}).convertOldSavesToNewSaves();
  EXPECT_EQ(waltzes.listing(), (Names{"Waltz 2.SAV", "Waltz 3.SAV", "Waltz 4.SAV", "Waltz.SAV"}));
  for (const int n : {2, 3, 4}) EXPECT_EQ(waltzes.read("Waltz " + std::to_string(n) + ".SAV"), song(9 + n));
}

TEST(StartUp, DemoSongsAreInstalledAgainAfterAnEraseButNeverOverAPlayersSong) {
  Folder docs("docs"), demos("demos");
  demos.write({{"Bravo.SAV", song(30)}, {"Alpha.SAV", song(31)}, {"notes.txt", "not a song"}});
  docs.write({{"Bravo.SAV", song(60)}});
  const SongFiles files(docs.path, demos.path);
  files.copyDemoSongs(false);
  EXPECT_EQ(docs.read("Alpha.SAV") + docs.read("Bravo.SAV"), song(31) + song(60));
  ASSERT_TRUE(files.erase("Alpha"));
  files.copyDemoSongs(false);
  EXPECT_EQ(docs.read("Alpha.SAV"), song(31));
  files.copyDemoSongs(true);  // the Chinese layout numbers them in list order
  EXPECT_EQ(docs.listing(), (Names{"1.SAV", "2.SAV", "Alpha.SAV", "Bravo.SAV"}));
  EXPECT_EQ(docs.read("1.SAV") + docs.read("2.SAV"), song(31) + song(30));

  // The application does both at every start.
  test::AppRig rig({.start = false});
  std::ofstream(rig.documents / "7.SAV") << song(7);
  std::ofstream(rig.documents / "7.NAME") << "Nocturne";
  const Names names = rig.start().songLibraryView().songNames();
  ASSERT_EQ(names.size(), 4u);  // the three that come with the piano
  EXPECT_EQ(std::count(names.begin(), names.end(), "Nocturne"), 1);
  rig.app().songLibraryView().erase(0);
  EXPECT_EQ(rig.start().songLibraryView().songNames(), names);
}

// The demo songs that come with the piano load completely, keep within the
// song's size, release every key they press and use both hands.
TEST(ShippedDemoSongs, LoadCompletelyWithEveryKeyReleased) {
  test::AppRig rig;
  const SongFiles files(rig.documents.string(), {});
  ASSERT_GE(files.loadSongNames().size(), 3u);
  for (const std::string& name : files.loadSongNames()) {
    std::string text;
    ASSERT_TRUE(files.readSong(name, &text) && rig.app().fileManager().applyStateText(text)) << name;
    const std::vector<Note> notes = rig.app().noteRecorder().notesSnapshot();
    EXPECT_LT(notes.size(), 3000u) << name;
    std::map<int, int> open;  // note ID -> presses not yet released
    int lowest = 88, highest = -1;
    double end = 0.0;
    for (const Note& note : notes) {
      open[note.noteID] += note.keyDown ? 1 : -1;
      if (note.keyDown) {
        lowest = std::min(lowest, note.sampleNo);
        highest = std::max(highest, note.sampleNo);
        EXPECT_TRUE(note.volume >= 0.3f && note.volume <= 0.9f) << name;
      }
      end = std::max(end, note.time);
    }
    for (const auto& [id, count] : open) EXPECT_EQ(count, 0) << name << " note " << id;
    EXPECT_EQ(open.size() * 2, notes.size()) << name << ": the repair dropped notes";
    EXPECT_TRUE(lowest < 39 && highest > 51) << name << " does not use both hands";
    EXPECT_GT(end, 15.0) << name;
  }
}

}  // namespace
}  // namespace piano
