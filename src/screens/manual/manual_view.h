// ManualView: the instruction manual, a title page, a table of contents and
// fifteen pages of text, paged with two arrows. Its back button returns to the
// screen that opened it (the song library or the settings screen); a link asks
// the root view to open the web site. The view is kept once built, so the
// manual opens again at the page where it was left.
//
// Laid out in the portrait screen space of the transition container; texts
// are turned a quarter turn to read along y.
//
// Threads: main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/image_view.h"
#include "platform/label.h"
#include "screens/manual/manual_host.h"

namespace piano {

class ManualView : public platform::ImageView {
 public:
  // The title page, the table of contents and sixteen pages.
  static constexpr int kPageCount = 18;
  // The screen the manual was opened from, to which its back button returns.
  enum class FromScreen { kLibrary, kSettings };

  // `parent` must outlive the view. Create with std::make_shared.
  explicit ManualView(ManualHost& parent);

  // Key of the text of `page` in the text tables: "MANUAL TOC" for page 1,
  // "MANUAL PAGE 1" to "MANUAL PAGE 16" for pages 2 to 17; empty for the title
  // page and anything else. The web page of the manual is made from the same keys.
  static std::string pageTextKey(int page);

  // Where the back button returns to. Also hides a message left from the last visit.
  void setFromScreen(FromScreen screen);
  void redraw();
  // The browser could not show the manual's web page at `page` (a file path):
  // a message over the page says so and where the file is, until the next
  // touch or opening.
  void showOpenFailure(const std::string& page);

  // A touch beginning at `point` (this view's coordinates).
  void fingerDown(platform::Point point);
  void touchesBegan(const platform::TouchSet& touches) override;
  // Only the beginning of a touch counts; the rest goes nowhere.
  void touchesMoved(const platform::TouchSet&) override {}
  void touchesEnded(const platform::TouchSet&) override {}
  void touchesCancelled(const platform::TouchSet&) override {}

  // ---- inspection (tests)
  int currentPage() const { return currentPage_; }
  FromScreen previousScreen() const { return previousScreen_; }
  const std::vector<std::string>& pages() const { return pages_; }
  const platform::Label& manualTextLabel() const { return *manualTextLabel_; }
  const platform::Label& pageNumberLabel() const { return *pageNumberLabel_; }
  const platform::Label& titlePageLabel() const { return *titlePageLabel_; }
  const platform::View& leftArrow() const { return *leftArrow_; }
  const platform::View& rightArrow() const { return *rightArrow_; }
  const platform::View& openFailureBox() const { return *openFailureBox_; }
  const platform::Label& openFailureText() const { return *openFailureText_; }

 private:
  void createPageTexts();

  ManualHost& parent_;
  bool tall_ = false;
  int currentPage_ = 0;
  std::vector<std::string> pages_;
  std::shared_ptr<platform::Label> manualTextLabel_;
  std::shared_ptr<platform::Label> pageNumberLabel_;
  std::shared_ptr<platform::ImageView> leftArrow_, rightArrow_, backButton_;
  std::shared_ptr<platform::Label> websiteLabel_;
  std::shared_ptr<platform::Label> titlePageLabel_;
  std::shared_ptr<platform::View> openFailureBox_;
  std::shared_ptr<platform::Label> openFailureText_;
  FromScreen previousScreen_ = FromScreen::kLibrary;
};

}  // namespace piano
