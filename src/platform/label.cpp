#include "platform/label.h"

namespace piano::platform {

Label::Label() { setDefaultUserInteraction(false); }

Label::Label(const Rect& frame) : View(frame) { setDefaultUserInteraction(false); }

void Label::setText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  setNeedsDisplay();
}

void Label::setFont(const std::string& name, double size) {
  fontName_ = name;
  fontSize_ = size > 0.0 ? size : 1.0;
  setNeedsDisplay();
}

void Label::setTextColour(Colour colour) {
  textColour_ = colour;
  setNeedsDisplay();
}

void Label::setAlignment(TextAlignment alignment) {
  alignment_ = alignment;
  setNeedsDisplay();
}

void Label::setNumberOfLines(int lines) {
  numberOfLines_ = lines < 0 ? 0 : lines;
  setNeedsDisplay();
}

void Label::setLineBreak(LineBreak mode) {
  lineBreak_ = mode;
  setNeedsDisplay();
}

void Label::setMinimumFontSize(double size) {
  minimumFontSize_ = size > 0.0 ? size : 0.0;
  setNeedsDisplay();
}

TextBlock Label::textBlock() const {
  TextBlock block;
  block.text = text_;
  block.fontName = fontName_;
  block.fontSize = fontSize_;
  block.minimumFontSize = minimumFontSize_;
  block.colour = textColour_;
  block.alignment = alignment_;
  block.numberOfLines = numberOfLines_;
  block.lineBreak = lineBreak_;
  block.rect = bounds();
  return block;
}

void Label::draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const {
  View::draw(canvas, toDisplay, alpha);
  if (!text_.empty() && textColour_.isVisible()) canvas.drawText(textBlock(), toDisplay, alpha);
}

}  // namespace piano::platform
