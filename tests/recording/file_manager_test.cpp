// State files in a documents folder of the test's own: saving replaces a file
// only when the new one is complete, and loading resets on any bad file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/documents.h"
#include "platform/file_io.h"
#include "recorder_support.h"
#include "recording/file_manager.h"

namespace piano::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kResetText = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|0|0|@";

class FileManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("piano-files-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    files_ = std::make_unique<FileManager>(main_, *rig_.recorder, folder_.string());
  }
  void TearDown() override { fs::remove_all(folder_); }

  void putSong() { ASSERT_TRUE(rig_.recorder->setState(randomSongSection(3, 200), 2)); }
  std::string read(const std::string& name) {
    std::ifstream in(folder_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::vector<std::string> listing() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
  RecorderRig rig_;
  FakeMainSection main_;
  std::unique_ptr<FileManager> files_;
};

TEST_F(FileManagerTest, SaveThenLoadGivesBackSettingsAndSong) {
  putSong();
  main_.numKeysToDisplay = 11;
  const std::string longest(255 - 4, 'x');  // a name as long as the folder takes
  ASSERT_TRUE(files_->saveState(longest + ".SAV"));
  const std::string saved = files_->stateText();
  EXPECT_EQ(read(longest + ".SAV"), saved);
  EXPECT_EQ(listing(), (std::vector<std::string>{longest + ".SAV"})) << "no temporary file left behind";

  files_->resetState();
  ASSERT_NE(files_->stateText(), saved);
  EXPECT_TRUE(files_->loadState(longest + ".SAV"));
  EXPECT_EQ(files_->stateText(), saved);
  EXPECT_EQ(main_.numKeysToDisplay, 11);
}

TEST_F(FileManagerTest, AFailedSaveLeavesTheFolderAsItWas) {
  putSong();
  ASSERT_TRUE(files_->saveState("song.SAV"));
  const std::string earlier = read("song.SAV");
  ASSERT_TRUE(rig_.recorder->setState(randomSongSection(4, 1400), 2));

  // A file-size limit makes the write of the longer text fail half-way.
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = files_->saveState("song.SAV");
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(saved);
  // Nor do names that are not plain file names, or a folder that is missing.
  for (const std::string& name : {std::string(), std::string(".."), std::string("../escape.SAV"),
                                  std::string("a\0b", 3)}) {
    EXPECT_FALSE(files_->saveState(name)) << name;
  }
  EXPECT_FALSE(FileManager(main_, *rig_.recorder, (folder_ / "missing" / "deeper").string()).saveState("x.SAV"));
  EXPECT_EQ(read("song.SAV"), earlier);
  EXPECT_EQ(listing(), (std::vector<std::string>{"song.SAV"}));
}

TEST_F(FileManagerTest, UnreadableFilesResetEverything) {
  write("text.SAV", kResetText);
  write("binary.SAV", std::string("Version 2@\xff\xfe|@", 14));
  ::mkfifo((folder_ / "pipe.SAV").c_str(), 0600);  // opening must not wait for a writer
  fs::create_directories(folder_ / "folder.SAV");
  {
    // Larger than any real state text: refused by its size.
    std::ofstream big(folder_ / "big.SAV", std::ios::binary);
    big << "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|0|0|@";
  }
  fs::resize_file(folder_ / "big.SAV", FileManager::kMaxStateFileBytes + 1);

  using Status = FileManager::StateFile::Status;
  const std::pair<const char*, Status> cases[] = {
      {"absent.SAV", Status::kMissing},    {"binary.SAV", Status::kDamaged}, {"pipe.SAV", Status::kUnreadable},
      {"folder.SAV", Status::kUnreadable}, {"big.SAV", Status::kDamaged},    {"../text.SAV", Status::kUnreadable}};
  for (const auto& [name, status] : cases) {
    putSong();
    main_.numKeysToDisplay = 13;
    FileManager::StateFile found;
    EXPECT_FALSE(files_->loadState(name, &found)) << name;
    EXPECT_EQ(found.status, status) << name;
    EXPECT_EQ(files_->stateText(), kResetText) << name;
  }
  putSong();
  EXPECT_TRUE(files_->loadState("text.SAV"));
  EXPECT_EQ(rig_.recorder->getNumNotes(), 0);
}

TEST_F(FileManagerTest, TheDocumentsFolderComesFromThePlatformWhenNoneIsGiven) {
  const char* previous = std::getenv(platform::kDocumentsEnvironmentVariable);
  const std::string saved = previous ? previous : "";
  ::setenv(platform::kDocumentsEnvironmentVariable, (folder_ / "docs").c_str(), 1);
  FileManager platformFiles(main_, *rig_.recorder);
  EXPECT_TRUE(platformFiles.saveState("system.state"));
  EXPECT_TRUE(fs::exists(folder_ / "docs" / "system.state"));
  if (previous) {
    ::setenv(platform::kDocumentsEnvironmentVariable, saved.c_str(), 1);
  } else {
    ::unsetenv(platform::kDocumentsEnvironmentVariable);
  }
}

TEST(StateTextCheck, OnlyTextsThatLoadCompletelyPass) {
  const std::string settings = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|";
  const auto song = [&](const std::string& releaseTime) {
    return settings + "1|2|1|39|1.500000|0|0.7|1|-8e-05|0|" + releaseTime + "|0|@";
  };
  std::string many = settings + "0|3001|";  // more than 3000 announced: the first 3000 are read
  for (int i = 0; i < 3000; ++i) many += "0|1.000000|0|";
  for (const std::string& good : {std::string(kResetText), song("2.250000"), song("86400.000000"), song("nan"),
                                  std::string("-8e-05|-1.6e-05|0|0|1|1|1|@0|120|0.5|4|0|0|@"), many + "@"}) {
    EXPECT_EQ(FileManager::checkStateText(good), "") << good;
  }
  for (const std::string& bad :
       {std::string(), std::string("Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|@0|120|0.5|4|0|0|@"),
        settings + "0@", settings + "1|2|1|39|1.500000|0|0.7|1|-8e-05|@",  // two notes announced, one there
        song("86400.000001"), song("1e300"), song("inf")}) {
    EXPECT_NE(FileManager::checkStateText(bad), "") << bad;
  }
}

// Whatever the recorder takes down, the loader takes back: a take stops
// recording presses at the longest song, and a key held past it lets go there.
TEST_F(FileManagerTest, ATakeStopsAtTheLongestSongAndSoStaysLoadable) {
  NoteRecorder& recorder = *rig_.recorder;
  recorder.record();
  const int held = recorder.addPlayNote(39, 0.5f, 1.0f, -0.0001f);
  rig_.advance(NoteRecorder::kMaxSongSeconds + 1.0);
  EXPECT_EQ(recorder.addPlayNote(40, 0.5f, 1.0f, -0.0001f), -1);
  recorder.addStopNote(held, 39);
  recorder.stop();
  recorder.addOverdubNotes();
  ASSERT_TRUE(files_->saveState("long.SAV"));
  EXPECT_TRUE(files_->loadState("long.SAV"));
  ASSERT_EQ(recorder.getNumNotes(), 2);
  EXPECT_EQ(recorder.notesSnapshot()[1].time, NoteRecorder::kMaxSongSeconds);
}

// A save killed half-way leaves its new file behind; the next start removes it
// unless its process still runs and it is recent.
TEST_F(FileManagerTest, LeftoversOfKilledSavesAreRemoved) {
  const std::string running = ".piano-" + std::to_string(::getpid()) + "-7.part";
  for (const std::string& name : {std::string(".piano-99999999-0.part"), running, std::string(".piano-1-2.part"),
                                  std::string(".piano-x.part"), std::string("a.part")}) {
    write(name, "half a song");
  }
  fs::last_write_time(folder_ / ".piano-1-2.part", fs::file_time_type::clock::now() - std::chrono::hours(2));
  EXPECT_EQ(platform::removeStaleSaveFiles(folder_), 2);
  EXPECT_EQ(listing(), (std::vector<std::string>{running, ".piano-x.part", "a.part"}));
}

TEST(FileIoTest, ReadsStopAtTheLimit) {
  const fs::path path = fs::temp_directory_path() / ("piano-limit-" + std::to_string(::getpid()));
  std::ofstream(path) << "12345";
  EXPECT_EQ(platform::readFileLimited(path, 5).bytes, "12345");
  EXPECT_EQ(platform::readFileLimited(path, 4).status, platform::ReadStatus::kTooLarge);
  fs::remove(path);
  EXPECT_EQ(platform::readFileLimited(path, 4).status, platform::ReadStatus::kMissing);
}

}  // namespace
}  // namespace piano::testing
