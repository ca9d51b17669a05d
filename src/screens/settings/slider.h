// Slider: a knob that moves along the screen's long axis (y) over a track drawn
// in the parent's background picture. The value runs from 0.0 at the start of
// the track (`y`) to 1.0 at its end (`y` + `height`). The slider is not a view:
// the screen that owns it forwards touch points and reads the value back.
//
// Threads: main thread only.
#pragma once

#include <memory>

#include "platform/geometry.h"

namespace piano {

namespace platform {
class ImageView;
class View;
}  // namespace platform

class Slider {
 public:
  // The touch zone is `width` wide from `x` across the track; the knob image
  // ("Slider") becomes a child of `parent` (which must outlive the slider) with
  // its centre at x = `knobX` + 12.
  Slider(platform::View& parent, int x, int y, int width, int height, float initialValue, int knobX);
  Slider(const Slider&) = delete;
  Slider& operator=(const Slider&) = delete;

  // Places the knob for the current value.
  void redraw();
  // Takes the value from a point in the parent's coordinates and returns true
  // when the point lies in the touch zone, which reaches 20 points past each
  // end of the track so that a touch just beyond an end gives exactly 0 or 1;
  // returns false and changes nothing otherwise.
  bool setSliderToCoord(platform::Point point);
  // Values outside 0..1 are held to that range (NaN becomes 0), so the knob
  // never leaves its track.
  void setValue(float value);
  float getValue() const { return currentValue_; }

  int x() const { return x_; }
  int y() const { return y_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int xSlider() const { return xSlider_; }
  const platform::ImageView& knob() const { return *knobIV_; }

 private:
  platform::View* parent_;
  int x_;
  int y_;
  int xSlider_;
  int width_;
  int height_;
  float currentValue_;
  std::shared_ptr<platform::ImageView> knobIV_;
};

}  // namespace piano
