// A canvas that keeps what it was asked to draw, for tests of the view tree.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"

namespace piano::platform::testing {

struct DrawCall {
  std::string kind;  // "fill", "stroke", "ellipse", "image", "text"
  AffineTransform toDisplay;
  Rect rect;
  Colour colour;
  float alpha = 1.0f;
  std::string what;  // image name or text
  TextBlock block;   // the whole text block ("text")

  // The rectangle's centre on the display.
  Point centre() const { return toDisplay.apply(rect.centre()); }
};

class RecordingCanvas : public Canvas {
 public:
  std::vector<DrawCall> calls;

  void fillRect(const AffineTransform& m, const Rect& r, Colour c, float a) override {
    calls.push_back({"fill", m, r, c, a, "", {}});
  }
  void strokeRect(const AffineTransform& m, const Rect& r, Colour c, float a) override {
    calls.push_back({"stroke", m, r, c, a, "", {}});
  }
  void fillEllipse(const AffineTransform& m, const Rect& r, Colour c, float a) override {
    calls.push_back({"ellipse", m, r, c, a, "", {}});
  }
  void drawImage(const Image& image, const AffineTransform& m, const Rect& r, float a) override {
    calls.push_back({"image", m, r, Colour::white(), a, image.name(), {}});
  }
  void drawText(const TextBlock& t, const AffineTransform& m, float a) override {
    calls.push_back({"text", m, t.rect, t.colour, a, t.text, t});
  }

  // The first fill of exactly this colour, or null.
  const DrawCall* fillOf(Colour c) const {
    for (const DrawCall& call : calls) {
      if (call.kind == "fill" && call.colour == c) return &call;
    }
    return nullptr;
  }
};

}  // namespace piano::platform::testing
