// State files of the application, in a documents folder of the test's own:
// saving replaces a file only when the new one is complete, loading resets on
// any file that is not a whole state text, and the check of a text agrees with
// what the loader takes.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/documents.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"

namespace piano {
namespace {

namespace fs = std::filesystem;

// A song of `presses` presses of slot 39, each a quarter second long.
std::string song(int presses) {
  std::string text = "0|120|0.5|4|" + std::to_string(presses) + "|" + std::to_string(2 * presses) + "|";
  for (int i = 0; i < presses; ++i) text += "1|39|" + std::to_string(i) + "|" + std::to_string(i) + "|1|1|0|0|" +
                                          std::to_string(i) + ".25|" + std::to_string(i) + "|";
  return text;
}

struct Files : ::testing::Test, test::AppRig {
  std::string read(const std::string& name) { return test::fileText(documents / name); }
  NoteRecorder& recorder = app().noteRecorder();
  FileManager& files = app().fileManager();
};

TEST_F(Files, ASaveLoadsBackAndAFailedOneLeavesTheFolderAsItWas) {
  ASSERT_TRUE(recorder.setState(song(3), 2));
  app().setNumKeysToDisplay(11);
  const std::string longest(255 - 4, 'x');  // a name as long as the folder takes
  ASSERT_TRUE(files.saveState(longest + ".SAV"));
  const std::string saved = files.stateText();
  EXPECT_EQ(read(longest + ".SAV"), saved);
  files.resetState();
  EXPECT_TRUE(files.stateText() != saved && files.loadState(longest + ".SAV") && files.stateText() == saved);

  // A file-size limit makes the write of a longer text fail half-way.
  ASSERT_TRUE(recorder.setState(song(100), 2));
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit small{1000, old.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = files.saveState(longest + ".SAV");
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  // Nor do names that are not plain file names, or a folder that is missing.
  for (const std::string& name :
       {std::string(), std::string(".."), std::string("../escape.SAV"), std::string("a\0b", 3)}) {
    EXPECT_FALSE(files.saveState(name)) << name;
  }
  EXPECT_FALSE(FileManager(app(), recorder, (documents / "missing" / "deeper").string()).saveState("x.SAV"));
  EXPECT_EQ(read(longest + ".SAV"), saved);
  for (const auto& entry : fs::directory_iterator(documents)) EXPECT_NE(entry.path().extension(), ".part");

  // Without a folder of its own, the manager asks the platform at every write.
  platform::setDocumentsDirectoryOverride((documents / "platform").string());
  EXPECT_TRUE(FileManager(app(), recorder).saveState("system.state"));
  platform::setDocumentsDirectoryOverride({});
  EXPECT_TRUE(fs::exists(documents / "platform" / "system.state"));
}

TEST_F(Files, AFileThatIsNotAWholeStateTextResetsEverything) {
  files.resetState();
  const std::string reset = files.stateText();
  std::ofstream(documents / "binary.SAV", std::ios::binary) << std::string("Version 2@\xff\xfe|@", 14);
  std::ofstream(documents / "short.SAV") << reset.substr(0, reset.size() - 5) + "1|2|1|39|1.5|0|0.7|1|0|@";
  ::mkfifo((documents / "pipe.SAV").c_str(), 0600);  // opening must not wait for a writer
  fs::create_directories(documents / "folder.SAV");
  std::ofstream(documents / "big.SAV") << reset;  // larger than any state text: refused by its size
  fs::resize_file(documents / "big.SAV", FileManager::kMaxStateFileBytes + 1);
  using Status = FileManager::StateFile::Status;
  for (const auto& [name, status] : {std::pair{"absent.SAV", Status::kMissing}, {"binary.SAV", Status::kDamaged},
                                     {"short.SAV", Status::kDamaged}, {"pipe.SAV", Status::kUnreadable},
                                     {"folder.SAV", Status::kUnreadable}, {"big.SAV", Status::kDamaged},
                                     {"../x.SAV", Status::kUnreadable}}) {
    ASSERT_TRUE(recorder.setState(song(2), 2));
    app().setNumKeysToDisplay(13);
    FileManager::StateFile found;
    EXPECT_FALSE(files.loadState(name, &found)) << name;
    EXPECT_EQ(found.status, status) << name;
    EXPECT_EQ(files.stateText(), reset) << name;
  }
  std::ofstream(documents / "reset.SAV") << reset;
  ASSERT_TRUE(recorder.setState(song(2), 2));
  EXPECT_TRUE(files.loadState("reset.SAV") && recorder.getNumNotes() == 0);
}

// The fuzz target holds the check to the loader; here are its edges.
TEST(StateTextCheck, TheLongestSongAndTheCountsOfFieldsAndNotesAreItsEdges) {
  const std::string settings = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|";
  const auto released = [&](const std::string& time) { return settings + "1|2|1|39|1.5|0|0.7|1|0|0|" + time + "|0|@"; };
  std::string many = settings + "0|3001|";  // more than 3000 announced: the first 3000 are read
  for (int i = 0; i < 3000; ++i) many += "0|1|0|";
  for (const std::string& good : {released("86400.000000"), released("nan"), many + "@",
                                  std::string("-8e-05|-1.6e-05|0|0|1|1|1|@0|120|0.5|4|0|0|@")}) {
    EXPECT_EQ(FileManager::checkStateText(good), "") << good.substr(0, 90);
  }
  for (const std::string& bad : {released("86400.000001"), released("inf"), settings + "0|2|0|1|0|@",
                                 std::string("Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|@0|120|0.5|4|0|0|@")}) {
    EXPECT_NE(FileManager::checkStateText(bad), "") << bad;
  }
}

// Whatever the recorder takes down, the loader takes back: a take stops
// recording presses at the longest song, and a key held past it lets go there.
TEST_F(Files, ATakeStopsAtTheLongestSongAndSoStaysLoadable) {
  recorder.record();
  const int held = recorder.addPlayNote(39, 0.5f, 1.0f, -0.0001f);
  clock.advance(NoteRecorder::kMaxSongSeconds + 1.0);
  EXPECT_EQ(recorder.addPlayNote(40, 0.5f, 1.0f, -0.0001f), -1);
  recorder.addStopNote(held, 39), recorder.stop(), recorder.addOverdubNotes();
  ASSERT_TRUE(files.saveState("long.SAV") && files.loadState("long.SAV"));
  ASSERT_EQ(recorder.getNumNotes(), 2);
  EXPECT_EQ(recorder.notesSnapshot()[1].time, NoteRecorder::kMaxSongSeconds);
}

}  // namespace
}  // namespace piano
