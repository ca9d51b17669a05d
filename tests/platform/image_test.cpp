#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/image.h"
#include "platform/image_view.h"
#include "platform/localized_strings.h"
#include "platform/resources.h"
#include "platform/touch_script.h"
#include "platform/wav_file.h"

namespace piano::platform {
namespace {

TEST(SvgSize, FromWidthAndHeightOrTheViewBox) {
  for (const auto& [text, size] :
       {std::pair{"<?xml version=\"1.0\"?>\n<!-- <svgx> -->\n<svg xmlns=\"x\" stroke-width=\"3\" width=\"60\" "
                  "height='40.5px'>", Size{60, 40.5}},
        {"<svg width=\"30pt\" height=\"15pt\">", Size{40, 20}},
        {"<svg width=\"100%\" height=\"100%\" viewBox=\"0,0 568 64\">", Size{568, 64}},
        {"<svg\nviewBox=\"-5 -5 10 20\"\n>", Size{10, 20}}}) {
    Size s;
    EXPECT_TRUE(svgSizeFromText(text, &s) && s == size) << text;
  }

  for (const char* bad : {"", "<svg", "<html></html>", "<svg width=\"-3\" height=\"4\">",
                          "<svg width=\"3em\" height=\"4em\">", "<svg viewBox=\"0 0 0 10\">",
                          "<svg width=\"1e300\" height=\"5\">", "<svg viewBox=\"0 0\">"}) {
    Size untouched{1, 1};
    EXPECT_FALSE(svgSizeFromText(bad, &untouched)) << bad;
  }
}

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per test: ctest runs tests side by side.
    dir = ::testing::TempDir() + "piano-image-test-" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(dir + "/images");
    setResourceDirectory(dir);
    Image::clearCache();
  }
  void TearDown() override {
    setResourceDirectory("");
    Image::clearCache();
  }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/images/" + name, std::ios::binary) << bytes;
  }
  static std::string pngHeader(int w, int h) {
    std::string s("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (int v : {w, h}) {
      for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
    return s + std::string(17, '\0');
  }
  std::string dir;
};

TEST_F(ImageFiles, NamesFindSvgFirstThenTheNamedType) {
  write("Key.svg", "<svg width=\"60\" height=\"270\"></svg>");
  write("Key.png", pngHeader(10, 10));
  write("Bar@2x.png", pngHeader(1136, 94));
  auto key = Image::named("Key", "png");
  EXPECT_EQ(std::pair(key->format(), key->size()), std::pair(Image::Format::Svg, Size{60, 270}));
  EXPECT_EQ(Image::named("Key", "png"), key);  // cached
  auto bar = Image::named("Bar@2x", "png");  // two pixels per point
  EXPECT_EQ(std::pair(bar->format(), bar->size()), std::pair(Image::Format::Png, Size{568, 47}));

  ImageView view("Key");
  EXPECT_EQ(view.frame(), (Rect{0, 0, 60, 270}));
}

TEST_F(ImageFiles, MissingDamagedOrStrangeNamesGiveEmptyImages) {
  write("Truncated.png", pngHeader(10, 10).substr(0, 20));
  write("Huge.png", pngHeader(1 << 30, 10));
  write("Empty.svg", "");
  for (const char* name : {"Nothing", "Truncated", "Huge", "Empty", "../images/Key", "", "a/b"}) {
    auto image = Image::named(name);
    EXPECT_FALSE(image->isValid()) << name;
    EXPECT_EQ(image->size(), (Size{0, 0}));
  }
  ImageView view("Nothing");
  EXPECT_EQ(view.frame(), (Rect{0, 0, 0, 0}));
}

// A pipe where a file should be: nothing that reads the program's files waits
// for a writer.
TEST_F(ImageFiles, APipeInPlaceOfAFileIsNeverWaitedOn) {
  for (const std::string name : {"/images/Pipe.svg", "/en.strings", "/script.txt"}) {
    std::remove((dir + name).c_str());
    ASSERT_EQ(::mkfifo((dir + name).c_str(), 0600), 0);
  }
  EXPECT_FALSE(Image::named("Pipe")->isValid());
  EXPECT_FALSE(LocalizedStrings().load(dir, "en"));
  TouchScript script;
  std::string error;
  EXPECT_FALSE(TouchScript::load(dir + "/script.txt", &script, &error));
  EXPECT_FALSE(TouchScript::load(dir + "/missing.txt", &script, &error));
  std::ofstream(dir + "/good.txt") << "0.5 down 1 10 20\n0.6 up 1\n1 end\n";
  EXPECT_TRUE(TouchScript::load(dir + "/good.txt", &script, &error)) << error;
  EXPECT_FALSE(readWavFile(dir + "/script.txt"));
}

}  // namespace
}  // namespace piano::platform
