// The slider: values from touch points at and beyond the ends of its track, and
// where its knob is drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/image_view.h"
#include "platform/view.h"
#include "screens/settings/slider.h"

namespace piano::settings_test {
namespace {

using platform::Point;

struct SliderRig {
  std::shared_ptr<platform::View> parent = std::make_shared<platform::View>(platform::Rect{0, 0, 320, 480});
  // The normal sustain slider: zone x 92..136, track y 154..320.
  Slider slider{*parent, 92, 154, 44, 166, 1.0f, 114};
};

TEST(SliderTest, KnobSitsOnItsTrackInWholePoints) {
  SliderRig rig;
  const auto& knob = rig.slider.knob();
  EXPECT_EQ(knob.superview(), rig.parent.get());
  EXPECT_EQ(knob.centre(), (Point{126, 320}));  // the initial value 1.0 is the track's end
  rig.slider.setValue(0.25f);  // 195.5, truncated
  EXPECT_EQ(knob.centre(), (Point{126, 195}));
}

TEST(SliderTest, TouchesOnTheTrackAndJustBeyondItsEnds) {
  SliderRig rig;
  Slider& s = rig.slider;
  EXPECT_TRUE(s.setSliderToCoord({110, 237}));
  EXPECT_FLOAT_EQ(s.getValue(), 0.5f);
  EXPECT_EQ(s.knob().centre().y, 237);
  EXPECT_TRUE(s.setSliderToCoord({110, 140}));
  EXPECT_EQ(s.getValue(), 0.0f);
  EXPECT_TRUE(s.setSliderToCoord({110, 330}));
  EXPECT_EQ(s.getValue(), 1.0f);
  // The zone's edges: 20 points past each end, half-open on the far sides.
  EXPECT_TRUE(s.setSliderToCoord({92, 134}));
  EXPECT_EQ(s.getValue(), 0.0f);
  EXPECT_TRUE(s.setSliderToCoord({135.9, 339.9}));
  EXPECT_EQ(s.getValue(), 1.0f);
}

TEST(SliderTest, PointsOutsideTheZoneChangeNothing) {
  SliderRig rig;
  Slider& s = rig.slider;
  ASSERT_TRUE(s.setSliderToCoord({110, 237}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (Point p : {Point{110, 133.9}, Point{110, 130}, Point{110, 340}, Point{91.9, 237}, Point{136, 237},
                  Point{nan, 237}, Point{110, nan}, Point{110, -1e300}}) {
    EXPECT_FALSE(s.setSliderToCoord(p)) << p.x << ", " << p.y;
    EXPECT_FLOAT_EQ(s.getValue(), 0.5f);
    EXPECT_EQ(s.knob().centre(), (Point{126, 237}));
  }
}

TEST(SliderTest, ValuesFromOutsideAreHeldToTheTrack) {
  SliderRig rig;
  Slider& s = rig.slider;
  s.setValue(3.0f);
  EXPECT_EQ(s.getValue(), 1.0f);
  EXPECT_EQ(s.knob().centre().y, 320);
  s.setValue(-0.5f);
  EXPECT_EQ(s.getValue(), 0.0f);
  s.setValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(s.getValue(), 0.0f);
  EXPECT_EQ(s.knob().centre().y, 154);
}

}  // namespace
}  // namespace piano::settings_test
