#include "platform/documents.h"
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

namespace piano::platform {
namespace {

namespace fs = std::filesystem;

class DocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("piano-documents-test-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    for (const char* name : {kDocumentsEnvironmentVariable, "XDG_DATA_HOME", "HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  void TearDown() override {
    setDocumentsDirectoryOverride({});
    for (auto& [name, value] : saved_) value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    fs::remove_all(root_);
  }
  fs::path root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DocumentsTest, OptionBeatsEnvironmentWhichBeatsXdgAndFoldersAreCreated) {
  ::setenv("HOME", (root_ / "home").c_str(), 1);
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv(kDocumentsEnvironmentVariable);
  auto folder = documentsDirectory();
  ASSERT_TRUE(folder.ok()) << folder.error;
  EXPECT_EQ(folder.path, (root_ / "home/.local/share/piano").string());
  EXPECT_TRUE(fs::is_directory(folder.path));

  ::setenv("XDG_DATA_HOME", (root_ / "data/").c_str(), 1);
  EXPECT_EQ(documentsDirectory().path, (root_ / "data/piano").string());
  // A relative XDG_DATA_HOME is not a valid setting and falls back to HOME.
  ::setenv("XDG_DATA_HOME", "relative/path", 1);
  EXPECT_EQ(documentsDirectory().path, (root_ / "home/.local/share/piano").string());

  ::setenv(kDocumentsEnvironmentVariable, (root_ / "env/songs//").c_str(), 1);
  EXPECT_EQ(documentsDirectory().path, (root_ / "env/songs").string());

  setDocumentsDirectoryOverride((root_ / "option").string());
  EXPECT_EQ(documentsDirectory().path, (root_ / "option").string());
  EXPECT_TRUE(fs::is_directory(root_ / "option"));
}

// A file in the way of the folder is reported, not used; reads stop at their limit.
TEST_F(DocumentsTest, AFileInTheWayIsReportedAndReadsStopAtTheirLimit) {
  std::ofstream(root_ / "five") << "12345";
  setDocumentsDirectoryOverride((root_ / "five").string());
  auto folder = documentsDirectory();
  EXPECT_TRUE(!folder.ok() && folder.path.empty());
  EXPECT_EQ(std::pair(documentsPath("/a/b", "x.SAV"), documentsPath("/a/b/", "x.SAV")),
            std::pair(std::string("/a/b/x.SAV"), std::string("/a/b/x.SAV")));
  EXPECT_EQ(readFileLimited(root_ / "five", 5).bytes, "12345");
  EXPECT_EQ(readFileLimited(root_ / "five", 4).status, ReadStatus::kTooLarge);
  EXPECT_EQ(readFileLimited(root_ / "none", 4).status, ReadStatus::kMissing);
}

// A save killed half-way leaves its new file behind; the next start removes it
// unless its process still runs and it is recent.
TEST_F(DocumentsTest, LeftoversOfKilledSavesAreRemoved) {
  const std::string running = ".piano-" + std::to_string(::getpid()) + "-7.part";
  for (const std::string& name : {std::string(".piano-99999999-0.part"), running, std::string(".piano-1-2.part"),
                                  std::string(".piano-x.part"), std::string("a.part")}) {
    std::ofstream(root_ / name) << "half a song";
  }
  fs::last_write_time(root_ / ".piano-1-2.part", fs::file_time_type::clock::now() - std::chrono::hours(2));
  EXPECT_EQ(removeStaleSaveFiles(root_), 2);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(root_)) left.push_back(entry.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{running, ".piano-x.part", "a.part"}));
}

}  // namespace
}  // namespace piano::platform
