#include "platform/text_field.h"

#include <algorithm>

#include "platform/window.h"

namespace piano::platform {

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Typed text without control characters, cut at a whole character so that it
// fits in `room` bytes.
std::string printable(const std::string& utf8, std::size_t room) {
  std::string out;
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    out.push_back(c);
  }
  if (out.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && isContinuationByte(out[cut])) --cut;
    out.resize(cut);
  }
  return out;
}

}  // namespace

TextField::TextField() = default;

TextField::TextField(const Rect& frame) : View(frame) {}

TextField::~TextField() { endEditingQuietly(); }

void TextField::endEditingQuietly() {
  if (!editing_) return;
  editing_ = false;
  Window* w = window() != nullptr ? window() : Window::current();
  if (w != nullptr && w->firstResponder() == this) w->firstResponder_ = nullptr;
}

void TextField::setText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  setNeedsDisplay();
}

void TextField::setPlaceholder(const std::string& text) {
  placeholder_ = text;
  setNeedsDisplay();
}

void TextField::setFont(const std::string& name, double size) {
  fontName_ = name;
  fontSize_ = size > 0.0 ? size : 1.0;
  setNeedsDisplay();
}

void TextField::setTextColour(Colour colour) {
  textColour_ = colour;
  setNeedsDisplay();
}

void TextField::setAlignment(TextAlignment alignment) {
  alignment_ = alignment;
  setNeedsDisplay();
}

void TextField::setBorderStyle(BorderStyle style) {
  borderStyle_ = style;
  setNeedsDisplay();
}

void TextField::setClearButtonMode(ClearButtonMode mode) {
  clearButtonMode_ = mode;
  setNeedsDisplay();
}

bool TextField::isEditing() const { return editing_; }

bool TextField::becomeFirstResponder() {
  if (editing_) return true;
  Window* w = window() != nullptr ? window() : Window::current();
  if (w == nullptr) return false;
  w->setFirstResponder(this);  // ends the editing of another field
  editing_ = true;
  setNeedsDisplay();
  if (delegate_ != nullptr) delegate_->textFieldDidBeginEditing(*this);
  return true;
}

void TextField::resignFirstResponder() {
  if (!editing_) return;
  editing_ = false;
  Window* w = window() != nullptr ? window() : Window::current();
  if (w != nullptr && w->firstResponder() == this) w->setFirstResponder(nullptr);
  setNeedsDisplay();
  if (delegate_ != nullptr) delegate_->textFieldDidEndEditing(*this);
}

void TextField::insertText(const std::string& utf8) {
  if (!editing_) return;
  const std::size_t room = maxLength_ > text_.size() ? maxLength_ - text_.size() : 0;
  const std::string add = printable(utf8, room);
  if (add.empty()) return;
  text_ += add;
  setNeedsDisplay();
}

void TextField::deleteBackward() {
  if (!editing_ || text_.empty()) return;
  std::size_t end = text_.size() - 1;
  while (end > 0 && isContinuationByte(text_[end])) --end;
  text_.resize(end);
  setNeedsDisplay();
}

void TextField::returnPressed() {
  if (editing_ && delegate_ != nullptr) delegate_->textFieldShouldReturn(*this);
}

Rect TextField::clearButtonRect() const {
  const Rect b = bounds();
  const double side = std::min(b.height, 30.0);
  return {b.maxX() - side, b.midY() - side / 2.0, side, side};
}

void TextField::touchesBegan(const TouchSet& touches) {
  if (touches.empty()) return;
  const bool clearShown = editing_ && clearButtonMode_ == ClearButtonMode::WhileEditing && !text_.empty();
  pressOnClear_ = clearShown && clearButtonRect().contains(touches.front()->locationInView(this));
}

void TextField::touchesMoved(const TouchSet&) {}

void TextField::touchesEnded(const TouchSet& touches) {
  if (touches.empty()) return;
  const Point p = touches.front()->locationInView(this);
  if (pressOnClear_) {
    pressOnClear_ = false;
    if (clearButtonRect().contains(p)) setText("");
    return;
  }
  if (pointInside(p)) becomeFirstResponder();
}

void TextField::touchesCancelled(const TouchSet&) { pressOnClear_ = false; }

void TextField::draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const {
  View::draw(canvas, toDisplay, alpha);
  const Rect b = bounds();
  if (borderStyle_ == BorderStyle::Line) canvas.strokeRect(toDisplay, b, Colour::black(0.6f), alpha);

  const bool clearShown = editing_ && clearButtonMode_ == ClearButtonMode::WhileEditing && !text_.empty();
  const Rect clear = clearButtonRect();
  TextBlock block;
  block.fontName = fontName_;
  block.fontSize = fontSize_;
  block.alignment = alignment_;
  block.lineBreak = LineBreak::Clip;
  block.rect = {b.x + 5.0, b.y, b.width - 10.0 - (clearShown ? clear.width : 0.0), b.height};
  if (text_.empty() && !placeholder_.empty()) {
    TextBlock hint = block;
    hint.text = placeholder_;
    hint.colour = Colour{0.7f, 0.7f, 0.7f, 1.0f};
    canvas.drawText(hint, toDisplay, alpha);
  }
  block.text = text_;
  block.colour = textColour_;
  block.caret = editing_;
  if (!text_.empty() || editing_) canvas.drawText(block, toDisplay, alpha);

  if (clearShown) {
    const double inset = clear.width * 0.2;
    const Rect disc{clear.x + inset, clear.y + inset, clear.width - 2 * inset, clear.height - 2 * inset};
    canvas.fillEllipse(toDisplay, disc, Colour{0.6f, 0.6f, 0.62f, 1.0f}, alpha);
    TextBlock cross;
    cross.text = "\xC3\x97";  // multiplication sign
    cross.fontSize = disc.height * 0.9;
    cross.colour = Colour::white();
    cross.alignment = TextAlignment::Centre;
    cross.rect = disc;
    canvas.drawText(cross, toDisplay, alpha);
  }
}

}  // namespace piano::platform
