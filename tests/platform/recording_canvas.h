// For tests of the view tree: a canvas that keeps what it was asked to draw,
// with the clip it was drawn under, and a view that keeps the touches it got.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/view.h"

namespace piano::platform::testing {

struct DrawCall {
  std::string kind;  // "fill", "stroke", "ellipse", "image", "text"
  AffineTransform toDisplay;
  Rect rect;
  Colour colour;
  float alpha = 1.0f;
  std::string what;  // image name or text
  TextBlock block;            // the whole text block ("text")
  std::optional<Rect> clip;  // display rectangle it was held to

  // The rectangle's centre on the display.
  Point centre() const { return toDisplay.apply(rect.centre()); }
  // What of the rectangle's display box the clip lets show.
  Rect shown() const { return clip ? toDisplay.apply(rect).intersection(*clip) : toDisplay.apply(rect); }
};

class RecordingCanvas : public Canvas {
 public:
  std::vector<DrawCall> calls;

  void fillRect(const AffineTransform& m, const Rect& r, Colour c, float a) override { add("fill", m, r, c, a); }
  void strokeRect(const AffineTransform& m, const Rect& r, Colour c, float a) override { add("stroke", m, r, c, a); }
  void fillEllipse(const AffineTransform& m, const Rect& r, Colour c, float a) override {
    add("ellipse", m, r, c, a);
  }
  void drawImage(const Image& image, const AffineTransform& m, const Rect& r, float a) override {
    add("image", m, r, Colour::white(), a, image.name());
  }
  void drawText(const TextBlock& t, const AffineTransform& m, float a) override {
    add("text", m, t.rect, t.colour, a, t.text, t);
  }

  // A layer's opacity goes into the calls made in it.
  void beginLayer() override { layerStarts_.push_back(calls.size()); }
  void endLayer(float alpha) override {
    if (layerStarts_.empty()) return;
    for (std::size_t i = layerStarts_.back(); i < calls.size(); ++i) calls[i].alpha *= alpha;
    layerStarts_.pop_back();
  }

  // The first fill of exactly this colour, or null.
  const DrawCall* fillOf(Colour c) const {
    for (const DrawCall& call : calls) {
      if (call.kind == "fill" && call.colour == c) return &call;
    }
    return nullptr;
  }

 private:
  void add(const char* kind, const AffineTransform& m, Rect r, Colour c, float a, std::string what = {},
           TextBlock block = {}) {
    calls.push_back({kind, m, r, c, a, std::move(what), std::move(block), {}});
    if (clip() != nullptr) calls.back().clip = *clip();
  }
  std::vector<std::size_t> layerStarts_;
};

// Every touch event, in the view's own coordinates.
class TouchLog : public View {
 public:
  using View::View;
  struct Event {
    const Touch* touch;
    int phase;
    Point location, previous;
    int tapCount;
    double time;
  };
  std::vector<Event> events;
  void touchesBegan(const TouchSet& t) override { keep(t); }
  void touchesMoved(const TouchSet& t) override { keep(t); }
  void touchesEnded(const TouchSet& t) override { keep(t); }
  void touchesCancelled(const TouchSet& t) override { keep(t); }

 private:
  void keep(const TouchSet& set) {
    for (const Touch* t : set) {
      events.push_back({t, t->phaseNumber(), t->locationInView(this), t->previousLocationInView(this), t->tapCount(),
                        t->timestamp()});
    }
  }
};

}  // namespace piano::platform::testing
