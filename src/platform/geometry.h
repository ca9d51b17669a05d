// Plane geometry of the view layer: points, sizes, rectangles, affine transforms
// and colours. Plain values; any thread may use them.
//
// Coordinates are in points, y pointing down. Transforms follow the phone's
// convention: a point (x, y) maps to (a x + c y + tx, b x + d y + ty).
#pragma once

#include <cmath>

namespace piano::platform {

struct Point {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0.0;
  double height = 0.0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;

  double minX() const { return x; }
  double minY() const { return y; }
  double maxX() const { return x + width; }
  double maxY() const { return y + height; }
  double midX() const { return x + width / 2.0; }
  double midY() const { return y + height / 2.0; }
  Point centre() const { return {midX(), midY()}; }
  Size size() const { return {width, height}; }
  // Half-open on the far edges, as a phone's hit test is: (x <= p.x < x + width).
  bool contains(Point p) const { return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height; }
  // The part this rectangle shares with `other`; zero-sized where they do not meet.
  Rect intersection(const Rect& other) const;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct AffineTransform {
  double a = 1.0, b = 0.0, c = 0.0, d = 1.0, tx = 0.0, ty = 0.0;

  static AffineTransform identity() { return {}; }
  // Rotation by `radians` (positive turns x toward y, clockwise on the screen).
  // Sines and cosines within 1e-6 of 0 or 1 are snapped to those values, so that
  // quarter turns (also given as the float pi/2) map whole points to whole points.
  static AffineTransform rotation(double radians);
  static AffineTransform scale(double sx, double sy) { return {sx, 0.0, 0.0, sy, 0.0, 0.0}; }
  static AffineTransform translation(double x, double y) { return {1.0, 0.0, 0.0, 1.0, x, y}; }

  // This transform followed by `then`.
  AffineTransform concat(const AffineTransform& then) const;
  // The phone's "rotate / scale / translate a transform": the new operation is
  // applied first, in the coordinates of this transform's input. So
  // rotation(pi/2).translated(0, 5) moves 5 points along the rotated y axis.
  AffineTransform rotated(double radians) const { return rotation(radians).concat(*this); }
  AffineTransform scaled(double sx, double sy) const { return scale(sx, sy).concat(*this); }
  AffineTransform translated(double x, double y) const { return translation(x, y).concat(*this); }
  // The inverse; a singular transform is returned unchanged (as the phone does).
  AffineTransform inverted() const;
  bool isInvertible() const { return std::fabs(a * d - b * c) > 1e-12; }
  bool isIdentity() const { return *this == AffineTransform{}; }

  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  // Applies the linear part only (for directions and sizes).
  Point applyToVector(Point v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
  // Bounding box of the transformed rectangle.
  Rect apply(const Rect& r) const;

  friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

// RGBA, each 0.0 to 1.0, not premultiplied.
struct Colour {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;

  static constexpr Colour clear() { return {0.0f, 0.0f, 0.0f, 0.0f}; }
  static constexpr Colour black(float alpha = 1.0f) { return {0.0f, 0.0f, 0.0f, alpha}; }
  static constexpr Colour white(float alpha = 1.0f) { return {1.0f, 1.0f, 1.0f, alpha}; }
  static constexpr Colour rgb255(int r, int g, int b, float alpha = 1.0f) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, alpha};
  }
  // Hue, saturation and brightness, each 0.0 to 1.0 (hue 1.0 is red again).
  static Colour hsb(float hue, float saturation, float brightness, float alpha = 1.0f);

  bool isVisible() const { return a > 0.0f; }
  friend bool operator==(const Colour&, const Colour&) = default;
};

}  // namespace piano::platform
