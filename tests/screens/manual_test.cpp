// The manual: its pages, paging at both ends, and the way back to the screen
// it was opened from.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "library_support.h"
#include "platform/localized_strings.h"
#include "platform/recording_canvas.h"
#include "platform/sdl_text_layout.h"

namespace piano::testing {
namespace {

class FakeManualHost : public ManualHost {
 public:
  void showNoteRecorder() override { calls.push_back("library"); }
  void showSetup() override { calls.push_back("settings"); }
  void visitWebsite() override { calls.push_back("website"); }
  platform::Rect frame() const override { return {0, 0, 320, 480}; }
  std::vector<std::string> calls;
};

constexpr platform::Point kNext{285, 450};
constexpr platform::Point kPrevious{285, 20};

class ManualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useLanguage("en");
    view = std::make_shared<ManualView>(host);
    stage.show(view);
  }
  FakeManualHost host;
  ScreenStage stage;
  std::shared_ptr<ManualView> view;
};

TEST_F(ManualTest, OpensOnTheTitlePageAndPagesToTheLastAndBack) {
  EXPECT_EQ(view->currentPage(), 0);
  EXPECT_EQ(view->pageNumberLabel().alpha(), 0.0f);
  EXPECT_EQ(view->leftArrow().alpha(), 0.0f);
  EXPECT_EQ(view->manualTextLabel().alpha(), 0.0f);
  EXPECT_GT(view->titlePageLabel().alpha(), 0.5f);
  EXPECT_EQ(view->rightArrow().alpha(), 1.0f);

  stage.tap(kPrevious);  // nothing before the title page
  EXPECT_EQ(view->currentPage(), 0);
  stage.tap(kNext);
  EXPECT_EQ(view->pageNumberLabel().text(), "1 / 16");
  EXPECT_EQ(view->manualTextLabel().text().rfind(platform::localized("MANUAL TOC"), 0), 0u);
  EXPECT_EQ(view->titlePageLabel().alpha(), 0.0f);
  for (int i = 0; i < 15; ++i) stage.tap(kNext);
  EXPECT_EQ(view->currentPage(), 16);
  EXPECT_EQ(view->pageNumberLabel().text(), "16 / 16");
  EXPECT_EQ(view->rightArrow().alpha(), 0.0f);
  stage.tap(kNext);
  EXPECT_EQ(view->currentPage(), 16);
  stage.tap(kPrevious);
  EXPECT_EQ(view->currentPage(), 15);
  stage.tap({150, 450});  // the middle of the page: nothing
  stage.tap({285, 240});
  stage.tap({20, 100});  // beside the back button: nothing
  EXPECT_EQ(view->currentPage(), 15);
  EXPECT_TRUE(host.calls.empty());  // the way back and the link: the root view's tests
}

TEST_F(ManualTest, OnlyTheBeginningOfATouchCounts) {
  stage.press(1, {150, 240});
  stage.drag(1, kNext);
  stage.lift(1, kNext);
  EXPECT_EQ(view->currentPage(), 0);
}

// Every page has a text of its own, in both languages, not its key, headed by
// the number that the page counter shows there; the contents list each page
// by that number and its heading.
TEST(ManualTexts, EveryPageHasItsOwnTextHeadedByItsNumberInBothLanguages) {
  for (const char* language : {"en", "zh-Hans"}) {
    useLanguage(language);
    FakeManualHost host;
    ManualView view(host);
    ASSERT_EQ(view.pages().size(), 17u);
    std::set<std::string> distinct;
    for (std::size_t i = 1; i < view.pages().size(); ++i) {
      const std::string& page = view.pages()[i];
      EXPECT_GT(page.size(), 60u) << language << " page " << i;
      EXPECT_TRUE(i < 2 || page.rfind(std::to_string(i) + "  ", 0) == 0) << language << " page " << i;
      distinct.insert(page);
    }
    EXPECT_EQ(distinct.size(), 16u) << language;
    std::istringstream contents(view.pages()[1]);
    std::string line;
    std::getline(contents, line);  // its own heading
    int listed = 0;
    for (; std::getline(contents, line) && !line.empty(); ++listed) {
      const int page = std::atoi(line.c_str());
      ASSERT_TRUE(page >= 2 && page <= 16) << language << ": " << line;
      for (char& c : line) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      EXPECT_EQ(view.pages()[static_cast<std::size_t>(page)].rfind(line + "\n", 0), 0u) << language << ": " << line;
    }
    EXPECT_EQ(listed, 15) << language;
  }
  useLanguage("en");
}

// Every text that wraps, in both languages, set as the screen draws it: no
// line begins with closing punctuation or ends with opening punctuation, and
// every manual page has a text of its own (not its key) shown whole on the paper.
TEST(ManualTexts, ShippedTextsWrapCleanlyAndEveryPageFits) {
  using namespace platform;
  SdlTextLayout layout;
  for (const char* language : {"en", "zh-Hans"}) {
    useLanguage(language);
    FakeManualHost host;
    ScreenStage stage;
    auto view = std::make_shared<ManualView>(host);
    stage.show(view);
    EXPECT_EQ(view->titlePageLabel().text().find("APP TITLE"), std::string::npos);
    EXPECT_GE(view->manualTextLabel().frame().minX(), 31.0);  // the footer band's rule
    platform::testing::RecordingCanvas canvas;
    for (int page = 1; page <= ManualView::kPageCount; ++page) {
      if (page == ManualView::kPageCount) showAlert(localized("WELCOME TITLE"), localized("WELCOME"), "OK");
      stage.window().draw(canvas, AffineTransform::scale(2.0, 2.0));
      stage.tap(kNext);
    }
    std::set<std::string> pages;
    for (const auto& call : canvas.calls) {
      if (call.kind != "text" || call.block.lineBreak != LineBreak::WordWrap) continue;
      const Point along = call.toDisplay.applyToVector({1, 0}), across = call.toDisplay.applyToVector({0, 1});
      const TextLayout& set = layout.layout(call.block, std::hypot(along.x, along.y), std::hypot(across.x, across.y));
      for (const std::string& line : set.lines) {
        EXPECT_TRUE(mayBeginLine(firstCodePoint(line)) && mayEndLine(lastCodePoint(line))) << language << ": " << line;
      }
      if (std::find(view->pages().begin() + 1, view->pages().end(), call.what) == view->pages().end()) continue;
      pages.insert(call.what);
      EXPECT_TRUE(set.complete && call.what.find("MANUAL") == std::string::npos) << language << ":\n" << call.what;
    }
    EXPECT_EQ(pages.size(), static_cast<std::size_t>(ManualView::kPageCount - 1)) << language;
  }
  useLanguage("en");
}

}  // namespace
}  // namespace piano::testing
