// A view that shows text: one font and colour, aligned left, centred or right,
// in as many lines as it may use, centred vertically in its bounds.
//
// Fonts: "Helvetica" and "Arial" draw with Liberation Sans, "Arial-BoldMT" and
// "Helvetica-Bold" with its bold face; text holding any CJK character draws
// with a CJK font. Defaults: "Helvetica" 17, black, left, one line truncated
// with "...", clear background, user interaction off.
//
// Threads: main thread only.
#pragma once

#include <string>

#include "platform/canvas.h"
#include "platform/view.h"

namespace piano::platform {

class Label : public View {
 public:
  Label();
  explicit Label(const Rect& frame);

  const std::string& text() const { return text_; }
  void setText(const std::string& text);  // UTF-8
  const std::string& fontName() const { return fontName_; }
  double fontSize() const { return fontSize_; }
  void setFont(const std::string& name, double size);
  Colour textColour() const { return textColour_; }
  void setTextColour(Colour colour);
  TextAlignment alignment() const { return alignment_; }
  void setAlignment(TextAlignment alignment);
  // 0: as many as fit.
  int numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int lines);
  LineBreak lineBreak() const { return lineBreak_; }
  void setLineBreak(LineBreak mode);
  // 0 (the default): the font keeps its size whatever the text.
  double minimumFontSize() const { return minimumFontSize_; }
  void setMinimumFontSize(double size);

  // The text block this label draws, in its own coordinates.
  TextBlock textBlock() const;
  void draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const override;

 private:
  std::string text_;
  std::string fontName_ = "Helvetica";
  double fontSize_ = 17.0;
  Colour textColour_ = Colour::black();
  TextAlignment alignment_ = TextAlignment::Left;
  int numberOfLines_ = 1;
  LineBreak lineBreak_ = LineBreak::TruncateTail;
  double minimumFontSize_ = 0.0;
};

}  // namespace piano::platform
