#include "screens/settings/slider.h"

#include <cmath>

#include "platform/image_view.h"
#include "platform/view.h"

namespace piano {

namespace {

constexpr int kKnobOffset = 12;        // the knob argument names the track's left edge
constexpr float kZoneOverhang = 20.0f;  // touch zone beyond each end of the track

float heldToUnit(float value) {
  if (!(value >= 0.0f)) return 0.0f;  // also NaN
  return value > 1.0f ? 1.0f : value;
}

}  // namespace

Slider::Slider(platform::View& parent, int x, int y, int width, int height, float initialValue, int knobX)
    : parent_(&parent),
      x_(x),
      y_(y),
      xSlider_(knobX + kKnobOffset),
      width_(width),
      height_(height),
      currentValue_(heldToUnit(initialValue)),
      knobIV_(std::make_shared<platform::ImageView>("Slider", "png")) {
  parent_->addSubview(knobIV_);
  redraw();
}

void Slider::redraw() {
  // Whole points, as the artwork's tracks are laid out on them.
  const float along = std::trunc(static_cast<float>(y_) + static_cast<float>(height_) * currentValue_);
  knobIV_->setCentre({static_cast<double>(xSlider_), static_cast<double>(along)});
}

bool Slider::setSliderToCoord(platform::Point point) {
  const auto px = static_cast<float>(point.x);
  const auto py = static_cast<float>(point.y);
  const auto left = static_cast<float>(x_);
  const auto start = static_cast<float>(y_);
  const auto length = static_cast<float>(height_);
  const bool inside = px >= left && px < left + static_cast<float>(width_) && py >= start - kZoneOverhang &&
                      py < start + length + kZoneOverhang;
  if (!inside) return false;  // NaN points are outside too
  currentValue_ = heldToUnit((py - start) / length);
  redraw();
  return true;
}

void Slider::setValue(float value) {
  currentValue_ = heldToUnit(value);
  redraw();
}

}  // namespace piano
