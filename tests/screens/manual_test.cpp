// The manual in the running application: paging at both ends, and its texts in
// both languages (every page its own, headed by its number, listed in the
// contents, wrapped cleanly and shown whole).
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "platform/localized_strings.h"
#include "platform/recording_canvas.h"
#include "platform/sdl_text_layout.h"
#include "rig/app_rig.h"
#include "screens/manual/manual_view.h"

namespace piano {
namespace {

using platform::Point;

constexpr Point kNext{285, 450}, kPrevious{285, 20};

TEST(Manual, PagesFromTheTitleToTheLastAndBackOnTheBeginningOfATouch) {
  test::AppRig rig;
  rig.app().showManual(ManualView::FromScreen::kLibrary);
  rig.settle();
  const ManualView& manual = *rig.app().manualView();
  EXPECT_EQ(manual.pageNumberLabel().alpha() + manual.leftArrow().alpha() + manual.manualTextLabel().alpha(), 0.0f);
  EXPECT_GT(manual.titlePageLabel().alpha(), 0.5f);
  rig.tap(kPrevious);  // nothing before the title page
  rig.run("0 down 1 150 240\n0.1 move 1 285 450\n0.2 up 1\n");  // only the beginning of a touch counts
  EXPECT_EQ(manual.currentPage(), 0);
  rig.tap(kNext);
  const int last = ManualView::kPageCount - 1;
  EXPECT_EQ(manual.pageNumberLabel().text(), "1 / " + std::to_string(last));
  EXPECT_EQ(manual.titlePageLabel().alpha(), 0.0f);
  EXPECT_EQ(manual.manualTextLabel().text().rfind(platform::localized("MANUAL TOC"), 0), 0u);
  for (int i = 0; i < last; ++i) rig.tap(kNext);
  EXPECT_EQ(manual.pageNumberLabel().text(), std::to_string(last) + " / " + std::to_string(last));
  EXPECT_EQ(manual.rightArrow().alpha(), 0.0f);
  rig.tap(kPrevious);
  for (const Point p : {Point{150, 450}, Point{270, 450}, Point{20, 189}}) rig.tap(p);  // the page, beside the buttons
  EXPECT_TRUE(manual.currentPage() == last - 1 && rig.app().currentScreen() == &manual);
}

// Every page has a text of its own, not its key, headed by the number that the
// page counter shows there; the contents list each page by that number and its
// heading. Set as the screen draws them, no line of any text that wraps begins
// with closing punctuation or ends with opening punctuation, and every page
// fits on the paper.
TEST(Manual, TextsInBothLanguagesAreListedWrapCleanlyAndFit) {
  using namespace platform;
  SdlTextLayout layout;
  for (const char* language : {"en", "zh-Hans"}) {
    test::AppRig rig({.language = language});
    rig.app().showManual(ManualView::FromScreen::kSettings);
    rig.settle();
    const ManualView& manual = *rig.app().manualView();
    const std::vector<std::string>& pages = manual.pages();
    EXPECT_EQ(manual.titlePageLabel().text().find("APP TITLE"), std::string::npos);
    for (std::size_t i = 2; i < pages.size(); ++i) {
      EXPECT_EQ(pages[i].rfind(std::to_string(i) + "  ", 0), 0u) << language << " page " << i;
    }
    std::istringstream contents(pages[1]);
    std::string line;
    std::getline(contents, line);  // its own heading
    int listed = 0;
    for (; std::getline(contents, line) && !line.empty(); ++listed) {
      const int page = std::atoi(line.c_str());
      ASSERT_TRUE(page >= 2 && page < ManualView::kPageCount) << language << ": " << line;
      for (char& c : line) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      EXPECT_EQ(pages[static_cast<std::size_t>(page)].rfind(line + "\n", 0), 0u) << language << ": " << line;
    }
    EXPECT_EQ(listed, ManualView::kPageCount - 2) << language;

    platform::testing::RecordingCanvas canvas;
    for (int page = 1; page <= ManualView::kPageCount; ++page) {
      if (page == ManualView::kPageCount) showAlert(localized("WELCOME TITLE"), localized("WELCOME"), "OK");
      rig.window().draw(canvas, AffineTransform::scale(2.0, 2.0));
      rig.tap(kNext);
    }
    std::set<std::string> shown;
    for (const auto& call : canvas.calls) {
      if (call.kind != "text" || call.block.lineBreak != LineBreak::WordWrap) continue;
      const Point along = call.toDisplay.applyToVector({1, 0}), across = call.toDisplay.applyToVector({0, 1});
      const TextLayout& set = layout.layout(call.block, std::hypot(along.x, along.y), std::hypot(across.x, across.y));
      for (const std::string& text : set.lines) {
        EXPECT_TRUE(mayBeginLine(firstCodePoint(text)) && mayEndLine(lastCodePoint(text))) << language << ": " << text;
      }
      if (std::find(pages.begin() + 1, pages.end(), call.what) == pages.end()) continue;
      shown.insert(call.what);
      EXPECT_TRUE(set.complete && call.what.find("MANUAL") == std::string::npos) << language << ":\n" << call.what;
    }
    EXPECT_EQ(shown.size(), static_cast<std::size_t>(ManualView::kPageCount - 1)) << language;
    rig.dismissWelcome();
  }
}

}  // namespace
}  // namespace piano
