#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/view.h"
#include "platform/window.h"

namespace piano::platform {
namespace {

// The application's arrangement: a portrait container turned by -pi/2 in the
// landscape root, centred on the display.
std::shared_ptr<View> portraitContainer(bool tall) {
  auto container = std::make_shared<View>(Rect{0.0, 0.0, 320.0, tall ? 568.0 : 480.0});
  container->setCentre({tall ? 284.0 : 240.0, 160.0});
  container->setTransform(AffineTransform::rotation(-M_PI / 2));
  return container;
}

TEST(ViewGeometry, PortraitContainerShowsPointsTurnedOntoTheLandscapeDisplay) {
  for (const bool tall : {false, true}) {
    Window window(Size{tall ? 568.0 : 480.0, 320.0});
    auto root = std::make_shared<View>();
    window.setRootView(root);
    auto container = portraitContainer(tall);
    root->addSubview(container);
    EXPECT_EQ(container->frame(), (Rect{0.0, 0.0, tall ? 568.0 : 480.0, 320.0}));
    for (const Point p : {Point{0, 0}, Point{273, 47}, Point{320, 480}, Point{112.5, 300.25}}) {
      EXPECT_EQ(container->convertPointToView(p, nullptr), (Point{p.y, 320.0 - p.x}));
      EXPECT_EQ(container->convertPointFromView(Point{p.y, 320.0 - p.x}, nullptr), p);
    }
  }
}

TEST(ViewGeometry, FrameCentreBoundsTransformAndConversionKeepTheirRoles) {
  // A label laid out by frame and then turned keeps its centre and size.
  Label label(Rect{-110.0, 15.0, 47.0, 30.0});
  label.setTransform(AffineTransform::rotation(M_PI / 2));
  EXPECT_EQ(std::tuple(label.centre(), label.bounds(), label.frame()),
            std::tuple(Point{-86.5, 30.0}, Rect{0.0, 0.0, 47.0, 30.0}, Rect{-101.5, 6.5, 30.0, 47.0}));

  // A container scaled along y only (the keyboard): children stretch along y.
  View keyboard(Rect{0.0, 240.0, 1.0, 900.0});
  keyboard.setTransform(AffineTransform::scale(1.0, 0.5));
  keyboard.setCentre({116.5, 225.0});
  auto key = std::make_shared<View>(Rect{-20.0, 0.0, 40.0, 60.0});
  keyboard.addSubview(key);
  EXPECT_EQ(key->convertPointToView({0.0, 60.0}, &keyboard), (Point{-20.0, 60.0}));
  EXPECT_EQ(keyboard.transformToSuperview().apply(Point{0.0, 60.0}), (Point{116.0, 30.0}));

  // Between siblings through their parent.
  View parent(Rect{0, 0, 300, 300});
  auto a = std::make_shared<View>(Rect{10, 10, 50, 50});
  auto b = std::make_shared<View>(Rect{100, 0, 50, 50});
  b->setTransform(AffineTransform::rotation(M_PI));
  parent.addSubview(a);
  parent.addSubview(b);
  // b's (0,0) is its top left before the half turn: now at the parent's (150, 50).
  EXPECT_EQ(std::tuple(b->convertPointToView({0, 0}, &parent), b->convertPointToView({0, 0}, a.get()),
                       a->convertPointFromView({0, 0}, b.get())),
            std::tuple(Point{150, 50}, Point{140, 40}, Point{140, 40}));
}

TEST(ViewHitTest, FindsTheDeepestInteractiveViewThroughTransforms) {
  Window window(Size{480, 320});
  auto root = std::make_shared<View>();
  window.setRootView(root);
  auto container = portraitContainer(false);
  root->addSubview(container);
  auto button = std::make_shared<View>(Rect{270, 0, 50, 47});  // portrait top bar corner
  container->addSubview(button);
  auto picture = std::make_shared<ImageView>();  // not interactive: touches pass it
  picture->setFrame({270, 0, 50, 47});
  container->addSubview(picture);

  // Portrait (300, 10) shows at landscape (10, 20).
  EXPECT_EQ(root->hitTest({10, 20}), button.get());
  EXPECT_EQ(root->hitTest({200, 100}), container.get());
  // Edges are half open: portrait x = 270 is in, y = 47 is out.
  EXPECT_EQ(root->hitTest({0, 50}), button.get());
  EXPECT_EQ(root->hitTest({47, 20}), container.get());

  picture->setUserInteractionEnabled(true);
  EXPECT_EQ(root->hitTest({10, 20}), picture.get());
}

TEST(ViewHitTest, SkipsHiddenTransparentAndNonInteractiveSubtrees) {
  View root(Rect{0, 0, 100, 100});
  auto panel = std::make_shared<View>(Rect{0, 0, 100, 100}), child = std::make_shared<View>(Rect{10, 10, 20, 20});
  panel->addSubview(child);
  root.addSubview(panel);
  ASSERT_EQ(root.hitTest({15, 15}), child.get());

  // Nearly transparent, hidden, or not interactive (its children go with it).
  for (int way = 0; way < 3; ++way) {
    panel->setAlpha(way == 0 ? 0.005f : 1.0f);
    panel->setHidden(way == 1);
    panel->setUserInteractionEnabled(way != 2);
    EXPECT_EQ(root.hitTest({15, 15}), &root) << way;
  }
  panel->setUserInteractionEnabled(true);

  // A child sticking out of its parent is not reached outside the parent.
  child->setFrame({90, 90, 40, 40});
  EXPECT_EQ(root.hitTest({95, 95}), child.get());
  EXPECT_EQ(root.hitTest({105, 105}), nullptr);

  EXPECT_EQ(std::tuple(Label().isUserInteractionEnabled(), ImageView().isUserInteractionEnabled(),
                       View().isUserInteractionEnabled()), std::tuple(false, false, true));
}

TEST(ViewTree, InsertMoveAndRemove) {
  auto parent = std::make_shared<View>(), other = std::make_shared<View>();
  auto a = std::make_shared<View>(), b = std::make_shared<View>(), c = std::make_shared<View>();
  parent->addSubview(a);
  parent->addSubview(b);
  parent->insertSubview(c, 0);
  EXPECT_EQ(parent->subviews(), (std::vector<View::Ptr>{c, a, b}));
  parent->insertSubview(b, 0);  // moving within the same parent
  EXPECT_EQ(parent->subviews(), (std::vector<View::Ptr>{b, c, a}));
  parent->bringSubviewToFront(b.get());
  EXPECT_EQ(parent->subviews(), (std::vector<View::Ptr>{c, a, b}));
  parent->sendSubviewToBack(a.get());
  EXPECT_EQ(parent->subviews(), (std::vector<View::Ptr>{a, c, b}));
  parent->insertSubview(a, 99);
  EXPECT_EQ(a->indexInSuperview(), 2);

  other->addSubview(c);  // taken from its old parent
  EXPECT_EQ(parent->subviews().size(), 2u);
  EXPECT_EQ(c->superview(), other.get());

  // No cycles, no self.
  c->addSubview(other);
  c->addSubview(c);
  EXPECT_TRUE(c->subviews().empty());

  // A view whose only owner is its parent survives its own removal call.
  std::weak_ptr<View> weak = a;
  a.reset();
  weak.lock()->removeFromSuperview();
  EXPECT_TRUE(weak.expired());

  b->setTag(7);
  EXPECT_EQ(parent->viewWithTag(7), b.get());
  parent.reset();  // children outlive a parent that dies
  EXPECT_EQ(b->superview(), nullptr);
}

}  // namespace
}  // namespace piano::platform
