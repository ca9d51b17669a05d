#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/geometry.h"
#include "platform/screen.h"

namespace piano::platform {
namespace {

TEST(AffineTransform, QuarterTurnsMapWholePointsExactly) {
  // The screen container's turn, given as a double and as the float pi/2 labels use.
  const AffineTransform minus = AffineTransform::rotation(-M_PI / 2);
  EXPECT_EQ(minus.apply(Point{273.0, 47.0}), (Point{47.0, -273.0}));
  const AffineTransform plus = AffineTransform::rotation(1.5707964f);
  EXPECT_EQ(plus.apply(Point{1.0, 0.0}), (Point{0.0, 1.0}));
  EXPECT_EQ(AffineTransform::rotation(M_PI).apply(Point{2.0, 3.0}), (Point{-2.0, -3.0}));
  // The bounding box of a turned rectangle; far edges are outside.
  EXPECT_EQ(AffineTransform::rotation(M_PI / 2).apply(Rect{0.0, 0.0, 47.0, 30.0}), (Rect{-30.0, 0.0, 30.0, 47.0}));
  EXPECT_TRUE((Rect{0, 0, 10, 10}).contains({0, 0}) && !(Rect{0, 0, 10, 10}).contains({10, 5}));
}

TEST(AffineTransform, TranslatedActsInTheRotatedFrame) {
  // A label turned a quarter and moved 5 along its own y moves along -x.
  const AffineTransform down = AffineTransform::rotation(M_PI / 2).translated(0.0, 5.0);
  EXPECT_EQ(down.apply(Point{0.0, 0.0}), (Point{-5.0, 0.0}));
  // concat: the first, then the second.
  const AffineTransform t =
      AffineTransform::scale(2.0, 1.0).concat(AffineTransform::translation(10.0, 0.0));
  EXPECT_EQ(t.apply(Point{1.0, 1.0}), (Point{12.0, 1.0}));
  EXPECT_EQ(AffineTransform::translation(10.0, 0.0).scaled(2.0, 1.0).apply(Point{1.0, 1.0}),
            (Point{12.0, 1.0}));
}

TEST(AffineTransform, InverseUndoesAndSingularStays) {
  const AffineTransform t = AffineTransform::rotation(0.3).scaled(2.0, 0.5).translated(7.0, -3.0);
  const Point p{12.5, -4.25};
  const Point back = t.inverted().apply(t.apply(p));
  EXPECT_LT(std::hypot(back.x - p.x, back.y - p.y), 1e-9);
  const AffineTransform flat = AffineTransform::scale(1.0, 0.0);
  EXPECT_TRUE(!flat.isInvertible() && flat.inverted() == flat);
}

TEST(Colour, HueSaturationBrightness) {
  EXPECT_EQ(Colour::hsb(0.0f, 1.0f, 1.0f, 0.3f), (Colour{1.0f, 0.0f, 0.0f, 0.3f}));
  const Colour green = Colour::hsb(1.0f / 3.0f, 1.0f, 1.0f);
  EXPECT_TRUE(std::fabs(green.r) < 1e-6f && std::fabs(green.g - 1.0f) < 1e-6f);
  EXPECT_EQ(Colour::hsb(1.0f, 1.0f, 1.0f), Colour::hsb(0.0f, 1.0f, 1.0f));
  EXPECT_EQ(Colour::hsb(0.5f, 0.0f, 0.25f), (Colour{0.25f, 0.25f, 0.25f, 1.0f}));
}

TEST(Screen, TallLayoutFromAspectPortraitMappingAndPictureFit) {
  for (const auto& [w, h, tall] : {std::tuple{1920, 1080, true}, {1080, 1920, true}, {1920, 1200, false},
                                   {1024, 768, false}, {0, 0, false}}) {
    EXPECT_EQ(tallLayoutSuits(w, h), tall) << w << "x" << h;
  }
  EXPECT_EQ(landscapeSize(true), (Size{568.0, 320.0}));
  EXPECT_EQ(portraitToLandscape({300.0, 10.0}), (Point{10.0, 20.0}));
  EXPECT_EQ(landscapeToPortrait(portraitToLandscape({12.0, 34.0})), (Point{12.0, 34.0}));
  // The tall picture letterboxed, turned a quarter on a portrait output only when asked: its corners.
  for (const auto& [w, h, turn, origin, farCorner] : {std::tuple{568.0, 640.0, false, Point{0, 160}, Point{568, 480}},
                                                      {390.0, 844.0, true, Point{390, 75.875}, Point{0, 768.125}}}) {
    const AffineTransform t = pictureToOutput({568, 320}, {w, h}, turn);
    EXPECT_EQ(std::pair(t.apply(Point{0, 0}), t.apply(Point{568, 320})), std::pair(origin, farCorner)) << w;
  }
}

}  // namespace
}  // namespace piano::platform
