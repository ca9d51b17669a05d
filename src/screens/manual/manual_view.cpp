#include "screens/manual/manual_view.h"

#include <numbers>

#include "platform/localized_strings.h"
#include "platform/screen.h"

namespace piano {

using platform::Colour;
using platform::Point;
using platform::Rect;

namespace {

constexpr double kQuarterTurn = std::numbers::pi / 2.0;
const Colour kLinkColour{0.0f, 0.0f, 1.0f, 1.0f};
const Colour kMessageColour = Colour::rgb255(26, 25, 36);

// Trailing empty lines push a short page's text to the top of the label, which
// centres its lines vertically.
constexpr int kContentsPadding = 19;
constexpr int kPagePadding = 14;

std::shared_ptr<platform::Label> rotatedLabel(const Rect& frame, const std::string& font, double size) {
  auto label = std::make_shared<platform::Label>(frame);
  label->setFont(font, size);
  label->setTextColour(Colour::black());
  label->setTransform(platform::AffineTransform::rotation(kQuarterTurn));
  return label;
}

}  // namespace

ManualView::ManualView(ManualHost& parent) : parent_(parent) {
  using platform::localized;
  tall_ = platform::isTallScreen();
  setFrame(parent_.frame());
  setImage(platform::Image::named("ManualBack", "jpg"));
  setUserInteractionEnabled(true);
  createPageTexts();

  leftArrow_ = std::make_shared<platform::ImageView>("ManualLeftArrow", "png");
  leftArrow_->setCentre({295, 15});
  leftArrow_->setAlpha(0.0f);
  addSubview(leftArrow_);
  rightArrow_ = std::make_shared<platform::ImageView>("ManualRightArrow", "png");
  rightArrow_->setCentre({276.5, tall_ ? 525.0 : 436.0});
  rightArrow_->setAlpha(0.0f);
  addSubview(rightArrow_);
  backButton_ = std::make_shared<platform::ImageView>("ManualBackButton", "png");
  backButton_->setCentre({15, tall_ ? 284.0 : 240.0});
  addSubview(backButton_);

  websiteLabel_ = rotatedLabel({0, 0, 150, 20}, "Helvetica", 14);
  websiteLabel_->setText(localized("VISIT WEBSITE"));
  websiteLabel_->setTextColour(kLinkColour);
  websiteLabel_->setAlignment(platform::TextAlignment::Centre);
  websiteLabel_->setCentre({15, tall_ ? 470.0 : 425.0});
  addSubview(websiteLabel_);

  // The product's own name is not shown: the title page names the instrument.
  titlePageLabel_ = rotatedLabel({-60, 130, 396, 260}, "Helvetica", 25);
  titlePageLabel_->setText(localized("APP TITLE") + "\n\n" + localized("INSTRUCTION MANUAL") + "\n\n\n\n");
  titlePageLabel_->setLineBreak(platform::LineBreak::WordWrap);
  titlePageLabel_->setNumberOfLines(0);
  addSubview(titlePageLabel_);

  // Centred on the page's header band, which is wider on the tall screen.
  pageNumberLabel_ = rotatedLabel({276, 230, 50, 20}, "Arial", 14);
  pageNumberLabel_->setCentre({301, tall_ ? 284.0 : 240.0});
  pageNumberLabel_->setAlignment(platform::TextAlignment::Centre);
  pageNumberLabel_->setLineBreak(platform::LineBreak::WordWrap);
  pageNumberLabel_->setNumberOfLines(0);
  addSubview(pageNumberLabel_);

  // The text stays on the paper, clear of the footer band's rule (screen x
  // below 31); a page too long for it is set in a smaller font.
  manualTextLabel_ = rotatedLabel({-49, 129, 413, 247}, "Arial", 13);
  manualTextLabel_->setLineBreak(platform::LineBreak::WordWrap);
  manualTextLabel_->setNumberOfLines(0);
  manualTextLabel_->setMinimumFontSize(10);
  manualTextLabel_->setText(pages_[static_cast<std::size_t>(currentPage_)]);
  addSubview(manualTextLabel_);

  // Over the middle of the page; touches pass through it to the page.
  openFailureBox_ = std::make_shared<platform::View>(Rect{0, 0, 130, 330});
  openFailureBox_->setCentre({160, tall_ ? 284.0 : 240.0});
  openFailureBox_->setBackgroundColour(kMessageColour);
  openFailureBox_->setUserInteractionEnabled(false);
  openFailureBox_->setAlpha(0.0f);
  openFailureText_ = rotatedLabel({-90, 110, 310, 110}, "Arial", 14);
  openFailureText_->setTextColour(Colour::white());
  openFailureText_->setAlignment(platform::TextAlignment::Centre);
  openFailureText_->setLineBreak(platform::LineBreak::WordWrap);
  openFailureText_->setNumberOfLines(0);
  openFailureBox_->addSubview(openFailureText_);
  addSubview(openFailureBox_);

  redraw();
}

void ManualView::showOpenFailure(const std::string& page) {
  openFailureText_->setText(platform::localized("MANUAL NOT OPENED") + "\n" + page);
  openFailureBox_->setAlpha(1.0f);
}

std::string ManualView::pageTextKey(int page) {
  if (page == 1) return "MANUAL TOC";
  if (page < 2 || page >= kPageCount) return {};
  return "MANUAL PAGE " + std::to_string(page - 1);
}

void ManualView::createPageTexts() {
  using platform::localized;
  pages_.clear();
  pages_.emplace_back();
  pages_.push_back(localized(pageTextKey(1)) + std::string(kContentsPadding, '\n'));
  for (int page = 2; page < kPageCount; ++page) {
    pages_.push_back(localized(pageTextKey(page)) + std::string(kPagePadding, '\n'));
  }
}

void ManualView::setFromScreen(FromScreen screen) {
  previousScreen_ = screen;
  openFailureBox_->setAlpha(0.0f);
}

void ManualView::redraw() {
  const int last = kPageCount - 1;
  pageNumberLabel_->setText(std::to_string(currentPage_) + " / " + std::to_string(last));
  manualTextLabel_->setText(pages_[static_cast<std::size_t>(currentPage_)]);
  const bool title = currentPage_ == 0;
  pageNumberLabel_->setAlpha(title ? 0.0f : 0.8f);
  leftArrow_->setAlpha(title ? 0.0f : 1.0f);
  titlePageLabel_->setAlpha(title ? 0.8f : 0.0f);
  manualTextLabel_->setAlpha(title ? 0.0f : 1.0f);
  rightArrow_->setAlpha(currentPage_ == last ? 0.0f : 1.0f);
}

void ManualView::touchesBegan(const platform::TouchSet& touches) {
  for (const platform::Touch* touch : touches) {
    if (touch == nullptr) continue;
    fingerDown(touch->locationInView(this));
    return;  // of several touches beginning together one is taken
  }
}

void ManualView::fingerDown(Point point) {
  openFailureBox_->setAlpha(0.0f);  // read; the touch acts as ever
  const double x = point.x;
  const double y = point.y;
  if (x < 50) {
    if (y < 190) return;
    if (y < 328) {
      if (previousScreen_ == FromScreen::kLibrary) {
        parent_.showNoteRecorder();
      } else {
        parent_.showSetup();
      }
      return;
    }
    parent_.visitWebsite();
    return;
  }
  if (x <= 270) return;
  if (y > 424) {
    if (currentPage_ < kPageCount - 1) {
      ++currentPage_;
      redraw();
    }
  } else if (y < 56) {
    if (currentPage_ >= 1) {
      --currentPage_;
      redraw();
    }
  }
}

}  // namespace piano
