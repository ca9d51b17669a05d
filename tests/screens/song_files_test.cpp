// Song names and files in a documents folder of the test's own: safe names, the
// song list, the start-up maintenance (old saves, demo songs) and the demo songs
// that come with the piano.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "library_support.h"
#include "screens/library/song_files.h"

namespace piano::testing {
namespace {

constexpr const char* kEmptySong = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|0|0|@";

std::string oneNoteSong(int slot) {
  return "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1|2|1|" + std::to_string(slot) +
         "|1.500000|0|0.7|1|-8e-05|0|2.250000|0|@";
}

TEST(SongNames, MakeFileSafeReplacesPathCharactersAndDropsWhatShowsAsNothing) {
  EXPECT_EQ(SongFiles::makeFileSafe("a.b/c\\d:e"), "a_b_c_d-e");
  EXPECT_EQ(SongFiles::makeFileSafe(""), "");
  EXPECT_EQ(SongFiles::makeFileSafe("Sonata: No. 2"), "Sonata- No_ 2");
  EXPECT_EQ(SongFiles::makeFileSafe("  Waltz  "), "Waltz");
  EXPECT_EQ(SongFiles::makeFileSafe(" \t\n "), "");
  EXPECT_EQ(SongFiles::makeFileSafe(".."), "__");
  EXPECT_EQ(SongFiles::makeFileSafe("月光 曲"), "月光 曲");
}

TEST(SongNames, TheListHoldsOnlySongFilesInNaturalOrder) {
  TempFolder docs("docs");
  for (const char* name : {"x.sav", "y.SAV.bak", "z.SAV", "10.SAV", "2.SAV", "apple.SAV", "Banana.SAV", ".SAV",
                           "system.state", "SystemMessage.DAT"}) {
    docs.write(name, kEmptySong);
  }
  std::filesystem::create_directories(docs.path() / "folder.SAV");
  const SongFiles files(docs.str(), {});
  EXPECT_EQ(files.loadSongNames(), (std::vector<std::string>{"2", "10", "apple", "Banana", "z"}));
}

TEST(StartUp, OldSavesTakeTheirStoredNamesAndNoSongIsLost) {
  TempFolder docs("docs");
  docs.write("1.SAV", oneNoteSong(1));
  docs.write("1.NAME", "Sonata: No. 2");
  docs.write("3.SAV", oneNoteSong(3));
  docs.write("3.NAME", "3");  // its own name already
  docs.write("4.NAME", "Existing");  // no song of its own
  docs.write("Existing.SAV", oneNoteSong(44));
  docs.write("5.SAV", oneNoteSong(5));  // no name file: stays
  docs.write("6.SAV", oneNoteSong(6));
  docs.write("6.NAME", "temporary");  // the name earlier versions gave their leftover
  docs.write("u.SAV", oneNoteSong(20));
  docs.write("u.NAME", std::string("\xff\xfe", 2));  // not text: left for the next start
  docs.write("e.SAV", oneNoteSong(21));
  docs.write("e.NAME", " \n");  // a name that shows as nothing: the song keeps its own
  for (int start = 0; start < 2; ++start) SongFiles(docs.str(), {}).convertOldSavesToNewSaves();
  EXPECT_EQ(docs.listing(), (std::vector<std::string>{"3.SAV", "5.SAV", "Existing.SAV", "Sonata- No_ 2.SAV", "e.SAV",
                                                      "temporary.SAV", "u.NAME", "u.SAV"}));
  EXPECT_EQ(docs.read("Sonata- No_ 2.SAV"), oneNoteSong(1));
  EXPECT_EQ(docs.read("Existing.SAV"), oneNoteSong(44));
  EXPECT_EQ(docs.read("temporary.SAV"), oneNoteSong(6));
}

TEST(StartUp, AConvertedSongNeverReplacesADifferentSongOfTheSameName) {
  TempFolder docs("docs");
  docs.write("Waltz.SAV", oneNoteSong(10));
  docs.write("Waltz 2.SAV", oneNoteSong(11));
  docs.write("a.SAV", oneNoteSong(12));
  docs.write("a.NAME", "Waltz");
  docs.write("b.SAV", oneNoteSong(13));
  docs.write("b.NAME", "Waltz");
  docs.write("c.SAV", oneNoteSong(10));  // the very song that is there already
  docs.write("c.NAME", "Waltz");
  SongFiles(docs.str(), {}).convertOldSavesToNewSaves();
  EXPECT_EQ(docs.listing(), (std::vector<std::string>{"Waltz 2.SAV", "Waltz 3.SAV", "Waltz 4.SAV", "Waltz.SAV"}));
  EXPECT_EQ(docs.read("Waltz.SAV"), oneNoteSong(10));
  EXPECT_EQ(docs.read("Waltz 2.SAV"), oneNoteSong(11));
  EXPECT_EQ(docs.read("Waltz 3.SAV"), oneNoteSong(12));
  EXPECT_EQ(docs.read("Waltz 4.SAV"), oneNoteSong(13));
}

class DemoSongs : public ::testing::Test {
 protected:
  void SetUp() override {
    demos.write("Bravo.SAV", oneNoteSong(30));
    demos.write("Alpha.SAV", oneNoteSong(31));
    demos.write("notes.txt", "not a song");
  }
  TempFolder docs{"docs"};
  TempFolder demos{"demos"};
};

TEST_F(DemoSongs, AreInstalledAgainAfterAnEraseButNeverOverAPlayersSong) {
  docs.write("Bravo.SAV", oneNoteSong(60));
  const SongFiles files(docs.str(), demos.str());
  files.copyDemoSongs(false);
  EXPECT_EQ(docs.listing(), (std::vector<std::string>{"Alpha.SAV", "Bravo.SAV"}));
  EXPECT_EQ(docs.read("Alpha.SAV"), oneNoteSong(31));
  EXPECT_EQ(docs.read("Bravo.SAV"), oneNoteSong(60));
  ASSERT_TRUE(files.erase("Alpha"));
  files.copyDemoSongs(false);
  EXPECT_EQ(docs.read("Alpha.SAV"), oneNoteSong(31));
  // The Chinese layout numbers them in list order.
  files.copyDemoSongs(true);
  EXPECT_EQ(docs.listing(), (std::vector<std::string>{"1.SAV", "2.SAV", "Alpha.SAV", "Bravo.SAV"}));
  EXPECT_EQ(docs.read("1.SAV"), oneNoteSong(31));  // Alpha comes first
  EXPECT_EQ(docs.read("2.SAV"), oneNoteSong(30));
}

TEST_F(DemoSongs, TheScreenRunsTheMaintenanceAtEveryStart) {
  docs.write("7.SAV", oneNoteSong(7));
  docs.write("7.NAME", "Nocturne");
  {
    useLanguage("en");
    LibraryRig rig(docs.str(), demos.str());
    rig.build();
    EXPECT_EQ(rig.view->songNames(), (std::vector<std::string>{"Alpha", "Bravo", "Nocturne"}));
    EXPECT_EQ(rig.view->currentlySelected(), 0);
    rig.tap(at::kErase);
    rig.tap(at::kOK);
    EXPECT_FALSE(docs.has("Alpha.SAV"));
  }
  LibraryRig again(docs.str(), demos.str());
  again.build();
  EXPECT_EQ(again.view->songNames(), (std::vector<std::string>{"Alpha", "Bravo", "Nocturne"}));
}

// The demo songs that come with the piano load completely, keep within the
// song's size, release every key they press and use both hands.
TEST(ShippedDemoSongs, LoadCompletelyWithEveryKeyReleased) {
  const std::string folder = std::string(PIANO_RESOURCE_DIR) + "/songs";
  TempFolder docs("docs");
  SongFiles(docs.str(), folder).copyDemoSongs(false);
  const std::vector<std::string> names = SongFiles(docs.str(), {}).loadSongNames();
  ASSERT_GE(names.size(), 3u);
  LibraryRig rig(docs.str());
  for (const std::string& name : names) {
    std::string text;
    ASSERT_TRUE(SongFiles(docs.str(), {}).readSong(name, &text)) << name;
    ASSERT_TRUE(rig.files->applyStateText(text)) << name;
    const std::vector<Note> notes = rig.recorder->notesSnapshot();
    EXPECT_LT(notes.size(), 3000u) << name;
    std::map<int, int> open;  // note ID -> presses not yet released
    int lowest = 88, highest = -1;
    double end = 0.0;
    for (const Note& note : notes) {
      if (note.keyDown) {
        ++open[note.noteID];
        lowest = std::min(lowest, note.sampleNo);
        highest = std::max(highest, note.sampleNo);
        EXPECT_GE(note.volume, 0.3f) << name;
        EXPECT_LE(note.volume, 0.9f) << name;
      } else {
        --open[note.noteID];
      }
      end = std::max(end, note.time);
    }
    for (const auto& [id, count] : open) EXPECT_EQ(count, 0) << name << " note " << id;
    // Nothing was dropped by the repair: one release for each press.
    EXPECT_EQ(open.size() * 2, notes.size()) << name;
    EXPECT_LT(lowest, 39) << name << " has no left hand below middle C";
    EXPECT_GT(highest, 51) << name << " has no right hand above the C above middle C";
    EXPECT_GT(end, 15.0) << name;
  }
}

}  // namespace
}  // namespace piano::testing
