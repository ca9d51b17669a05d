// State files in a documents folder of the test's own: saving replaces a file
// only when the new one is complete, and loading resets on any bad file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
  ASSERT_TRUE(files_->saveState("My song.SAV"));
  const std::string saved = files_->stateText();
  EXPECT_EQ(read("My song.SAV"), saved);
  EXPECT_EQ(listing(), (std::vector<std::string>{"My song.SAV"})) << "no temporary file left behind";

  files_->resetState();
  ASSERT_NE(files_->stateText(), saved);
  EXPECT_TRUE(files_->loadState("My song.SAV"));
  EXPECT_EQ(files_->stateText(), saved);
  EXPECT_EQ(main_.numKeysToDisplay, 11);
}

TEST_F(FileManagerTest, AFailedSaveLeavesTheEarlierFileAsItWas) {
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
  EXPECT_EQ(read("song.SAV"), earlier);
  EXPECT_EQ(listing(), (std::vector<std::string>{"song.SAV"}));
}

TEST_F(FileManagerTest, NamesThatAreNotPlainFileNamesAndMissingFoldersFail) {
  EXPECT_FALSE(files_->saveState(""));
  EXPECT_FALSE(files_->saveState(".."));
  EXPECT_FALSE(files_->saveState("../escape.SAV"));
  EXPECT_FALSE(files_->saveState(std::string("a\0b", 3)));
  FileManager nowhere(main_, *rig_.recorder, (folder_ / "missing" / "deeper").string());
  EXPECT_FALSE(nowhere.saveState("x.SAV"));
  EXPECT_TRUE(listing().empty());
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

  for (const char* name : {"absent.SAV", "binary.SAV", "pipe.SAV", "folder.SAV", "big.SAV", "../text.SAV"}) {
    putSong();
    main_.numKeysToDisplay = 13;
    EXPECT_FALSE(files_->loadState(name)) << name;
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
