// Where a screen's control answers a touch: a rectangle in the coordinates of
// the view that lays the control out, so that a zone moves with its view (the
// tall screen's shifted panels) and lies beside what is drawn for it. A touch
// on an edge belongs to no zone, so two neighbours never both answer. Written
// {left, top, right, bottom}; a side left unset lies beyond the screen.
//
// Plain values; any thread.
#pragma once

#include <limits>

#include "platform/geometry.h"

namespace piano {

struct TouchZone {
  static constexpr double kBeyond = std::numeric_limits<double>::infinity();
  double left = -kBeyond;
  double top = -kBeyond;
  double right = kBeyond;
  double bottom = kBeyond;

  static constexpr TouchZone of(const platform::Rect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }
  // Strictly between the edges; points that are no numbers are in no zone.
  constexpr bool contains(platform::Point p) const { return p.x > left && p.x < right && p.y > top && p.y < bottom; }
  constexpr TouchZone movedAlong(double dy) const { return {left, top + dy, right, bottom + dy}; }
};

}  // namespace piano
