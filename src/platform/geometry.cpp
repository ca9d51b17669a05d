#include "platform/geometry.h"

#include <algorithm>

namespace piano::platform {

namespace {

// Quarter turns must land exactly on whole points (a portrait point x = 273
// must not come out as 272.99999), so values within a hair of 0 or +-1 snap.
double snapUnit(double v) {
  constexpr double kEpsilon = 1e-6;
  if (std::fabs(v) < kEpsilon) return 0.0;
  if (std::fabs(v - 1.0) < kEpsilon) return 1.0;
  if (std::fabs(v + 1.0) < kEpsilon) return -1.0;
  return v;
}

}  // namespace

Rect Rect::intersection(const Rect& o) const {
  const double x0 = std::max(minX(), o.minX()), x1 = std::min(maxX(), o.maxX());
  const double y0 = std::max(minY(), o.minY()), y1 = std::min(maxY(), o.maxY());
  return {x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0)};
}

AffineTransform AffineTransform::rotation(double radians) {
  const double c = snapUnit(std::cos(radians));
  const double s = snapUnit(std::sin(radians));
  return {c, s, -s, c, 0.0, 0.0};
}

AffineTransform AffineTransform::concat(const AffineTransform& t) const {
  return {a * t.a + b * t.c,         a * t.b + b * t.d,         c * t.a + d * t.c,
          c * t.b + d * t.d,         tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
}

AffineTransform AffineTransform::inverted() const {
  const double det = a * d - b * c;
  if (std::fabs(det) <= 1e-12) return *this;
  const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
  return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}

Rect AffineTransform::apply(const Rect& r) const {
  const Point corners[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                            apply(Point{r.minX(), r.maxY()}), apply(Point{r.maxX(), r.maxY()})};
  double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
  for (const Point& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

Colour Colour::hsb(float hue, float saturation, float brightness, float alpha) {
  float h = hue - std::floor(hue);  // 1.0 wraps to red
  if (!(h >= 0.0f)) h = 0.0f;
  const float s = std::clamp(saturation, 0.0f, 1.0f);
  const float v = std::clamp(brightness, 0.0f, 1.0f);
  const float sector = h * 6.0f;
  const int i = static_cast<int>(sector) % 6;
  const float f = sector - std::floor(sector);
  const float p = v * (1.0f - s), q = v * (1.0f - s * f), t = v * (1.0f - s * (1.0f - f));
  switch (i) {
    case 0: return {v, t, p, alpha};
    case 1: return {q, v, p, alpha};
    case 2: return {p, v, t, alpha};
    case 3: return {p, q, v, alpha};
    case 4: return {t, p, v, alpha};
    default: return {v, p, q, alpha};
  }
}

}  // namespace piano::platform
