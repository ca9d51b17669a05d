// What a renderer must be able to draw: the view tree calls these with each
// view's full transform to display points, so a renderer never walks the tree.
// The SDL adapter implements it (sdl_canvas.cpp); tests record the calls.
// Views that clip to their bounds push their clip here; a renderer holds its
// drawing to clip().
//
// Threads: main thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/geometry.h"

namespace piano::platform {

class Image;

enum class TextAlignment { Left, Centre, Right };
// WordWrap breaks lines between words (and between CJK characters); the others
// keep each line whole and end an overlong last line with "..." (TruncateTail)
// or cut it (Clip).
enum class LineBreak { WordWrap, TruncateTail, Clip };

// A block of text laid out in `rect` as a phone label does: lines (from
// newlines and wrapping, at most `numberOfLines` unless 0, and no more than fit
// in the height, at least one) centred vertically, each aligned horizontally.
// Glyphs keep their aspect under any transform (see sdl_text_layout.h).
struct TextBlock {
  std::string text;  // UTF-8
  std::string fontName = "Helvetica";
  double fontSize = 17.0;  // points
  // Above 0: text that does not fit whole at `fontSize` is set smaller, down
  // to this size, until it does.
  double minimumFontSize = 0.0;
  Colour colour = Colour::black();
  TextAlignment alignment = TextAlignment::Left;
  int numberOfLines = 1;
  LineBreak lineBreak = LineBreak::TruncateTail;
  Rect rect;
  // A text cursor after the end of the last line (the text field's).
  bool caret = false;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  // `toDisplay` maps the coordinates of `rect` to display (landscape) points;
  // `alpha` is the accumulated opacity, 0..1, to multiply into the colours.
  virtual void fillRect(const AffineTransform& toDisplay, const Rect& rect, Colour colour,
                        float alpha) = 0;
  // A one-point-wide outline just inside `rect`.
  virtual void strokeRect(const AffineTransform& toDisplay, const Rect& rect, Colour colour,
                          float alpha) = 0;
  // The ellipse inscribed in `rect`.
  virtual void fillEllipse(const AffineTransform& toDisplay, const Rect& rect, Colour colour,
                           float alpha) = 0;
  // The whole image stretched over `rect`.
  virtual void drawImage(const Image& image, const AffineTransform& toDisplay, const Rect& rect,
                         float alpha) = 0;
  virtual void drawText(const TextBlock& text, const AffineTransform& toDisplay, float alpha) = 0;

  // Group opacity: what is drawn from beginLayer to the matching endLayer is
  // put together first and then shown at `alpha` as one picture, so that a
  // fading screen does not show its own layers through each other. Meant for
  // opaque pictures such as whole screens. A renderer that cannot make a
  // layer draws its content straight, at full opacity.
  virtual void beginLayer() = 0;
  virtual void endLayer(float alpha) = 0;

  // Until the matching popClip, only what falls inside `rect` shows: `rect` is
  // in the coordinates that `toDisplay` maps to display points, and is cut to
  // the clips pushed before. On the display a clip is the rectangle's bounding
  // box, which is exact for the quarter turns and scales that views use.
  void pushClip(const AffineTransform& toDisplay, const Rect& rect) {
    const Rect onDisplay = toDisplay.apply(rect);
    clips_.push_back(clips_.empty() ? onDisplay : clips_.back().intersection(onDisplay));
    clipChanged();
  }
  void popClip() {
    if (clips_.empty()) return;
    clips_.pop_back();
    clipChanged();
  }
  // The display rectangle that drawing is held to; null when nothing clips.
  const Rect* clip() const { return clips_.empty() ? nullptr : &clips_.back(); }

 protected:
  // Told after every change of clip().
  virtual void clipChanged() {}

 private:
  std::vector<Rect> clips_;
};

}  // namespace piano::platform
