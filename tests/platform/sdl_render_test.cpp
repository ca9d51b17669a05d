// Drawing through the SDL adapter off screen, checked pixel by pixel.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/screen.h"
#include "platform/sdl_canvas.h"
#include "platform/sdl_display.h"
#include "recording_canvas.h"

namespace piano::platform {
namespace {

struct Rgb {
  int r, g, b;
};

class RenderTest : public ::testing::Test {
 protected:
  void open(double scale, DisplayOptions::Layout layout = DisplayOptions::Layout::Normal, bool turn = false) {
    DisplayOptions options;
    options.offscreen = true;
    options.pixelScale = scale;
    options.layout = layout;
    options.turnWhenPortrait = turn;
    std::string error;
    display = Display::open(options, loop, &error);
    ASSERT_TRUE(display) << error;
    root = std::make_shared<View>();
    root->setBackgroundColour(Colour::black());
    display->window().setRootView(root);
  }
  void draw() {
    display->drawFrame();
    ASSERT_TRUE(display->readPixels(&pixels, &width, &height));
  }
  Rgb at(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
  }
  // Pixels in the rectangle darker than mid grey.
  int darkPixels(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) n += at(x, y).r + at(x, y).g + at(x, y).b < 3 * 128;
    }
    return n;
  }
  // Width and height of the dark pixels' bounding box in a band of rows.
  std::pair<int, int> inkSize(int y0, int y1) const {
    int x0 = width, x1 = -1, top = y1, bottom = -1;
    for (int y = y0; y < y1; ++y) {
      for (int x = 0; x < width; ++x) {
        if (darkPixels(x, y, x + 1, y + 1) == 0) continue;
        x0 = std::min(x0, x), x1 = std::max(x1, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    return {x1 - x0 + 1, bottom - top + 1};
  }
  std::shared_ptr<Label> addLabel(Rect frame, const char* text, double size, TextAlignment alignment) {
    auto label = std::make_shared<Label>(frame);
    label->setText(text);
    label->setFont("Helvetica", size);
    label->setAlignment(alignment);
    label->setBackgroundColour(Colour::white());
    root->addSubview(label);
    return label;
  }
  static std::shared_ptr<View> portraitContainer() {
    auto c = std::make_shared<View>(Rect{0, 0, 320, 480});
    c->setCentre({240, 160});
    c->setTransform(AffineTransform::rotation(-M_PI / 2));
    return c;
  }

  ManualClock clock{0.0};
  RunLoop loop{clock.function()};
  std::unique_ptr<Display> display;
  std::shared_ptr<View> root;
  std::vector<unsigned char> pixels;
  int width = 0, height = 0;
};

bool isGreen(Rgb c) { return c.g > 200 && c.r < 50 && c.b < 50; }
bool isRed(Rgb c) { return c.r > 200 && c.g < 50 && c.b < 50; }
bool isBlue(Rgb c) { return c.b > 200 && c.r < 50 && c.g < 50; }
bool isBlack(Rgb c) { return c.r < 20 && c.g < 20 && c.b < 20; }

TEST_F(RenderTest, PortraitScreenPointsShowTurnedOntoTheLandscapePicture) {
  open(1.0);
  draw();
  ASSERT_EQ(std::pair(width, height), std::pair(480, 320));
  auto container = portraitContainer();
  root->addSubview(container);
  auto patch = std::make_shared<View>(Rect{10, 100, 20, 40});  // portrait x 10..30, y 100..140
  patch->setBackgroundColour({0, 1, 0, 1});
  container->addSubview(patch);
  // Scaled along one axis only: 40 x 40 becomes 40 x 20 about its centre.
  auto squashed = std::make_shared<View>(Rect{380, 100, 40, 40});
  squashed->setBackgroundColour({1, 0, 0, 1});
  squashed->setTransform(AffineTransform::scale(1.0, 0.5));
  root->addSubview(squashed);
  draw();
  // (x, y) shows at (y, 320 - x): landscape x 100..140, y 290..310; unturned it would be at (20, 120).
  for (const auto& [x, y] : {std::pair{101, 291}, {138, 308}}) EXPECT_TRUE(isGreen(at(x, y))) << x << "," << y;
  for (const auto& [x, y] : {std::pair{400, 111}, {400, 128}}) EXPECT_TRUE(isRed(at(x, y))) << x << "," << y;
  for (const auto& [x, y] : {std::pair{98, 300}, {120, 288}, {20, 120}, {400, 108}, {400, 132}}) {
    EXPECT_TRUE(isBlack(at(x, y))) << x << "," << y;
  }
}

// Broken and missing pictures draw nothing (twice: a failed upload is not retried).
TEST_F(RenderTest, SvgImagesAreDrawnTurnedAndStretchedAndBrokenOnesNotAtAll) {
  open(2.0);
  auto image = Image::fromFile(std::string(PIANO_TEST_DATA_DIR) + "/platform/Swatch.svg");
  ASSERT_TRUE(image->isValid());
  const auto place = [&](Point centre, AffineTransform turn) {
    auto view = std::make_shared<ImageView>(image);
    view->setCentre(centre);
    view->setTransform(turn);
    root->addSubview(view);
  };
  place({100, 100}, AffineTransform::identity());
  place({300, 100}, AffineTransform::rotation(M_PI / 2));
  place({400, 100}, AffineTransform::scale(-1.0, 1.0));
  auto broken = std::make_shared<ImageView>(Image::fromFile(std::string(PIANO_TEST_DATA_DIR) + "/platform/Broken.svg"));
  broken->setFrame({0, 200, 100, 100});
  auto missing = std::make_shared<ImageView>("NoSuchPictureAnywhere");
  missing->setFrame({100, 200, 100, 100});
  root->addSubview(broken);
  root->addSubview(missing);
  draw();
  draw();
  ASSERT_EQ(width, 960);
  // Pixels are twice the points. A quarter turn clockwise puts the left (red) half on top.
  std::string seen;
  for (const auto& [x, y] : {std::pair{80, 100}, {120, 100}, {131, 100}, {300, 85}, {300, 115}, {300, 132},
                             {380, 100}, {420, 100}, {50, 250}, {150, 250}}) {
    const Rgb c = at(2 * x, 2 * y);
    seen += isRed(c) ? 'r' : isBlue(c) ? 'b' : isBlack(c) ? '-' : '?';
  }
  EXPECT_EQ(seen, "rb-rb-br--");
}

TEST_F(RenderTest, LabelsCentreTheirTextVerticallyInLatinAndChinese) {
  open(1.0);
  EXPECT_NE(fontFileFor("Helvetica", "\xE9\x92\xA2\xE7\x90\xB4"), fontFileFor("Helvetica", "Piano"));
  EXPECT_NE(fontFileFor("Arial-BoldMT", "Test").find("Bold"), std::string::npos);
  EXPECT_EQ(fontFileFor("Arial", "Test").find("Bold"), std::string::npos);

  addLabel({10, 10, 200, 100}, "Piano", 20, TextAlignment::Left);
  addLabel({250, 10, 200, 100}, "\xE9\x92\xA2\xE7\x90\xB4", 20, TextAlignment::Right);  // two CJK characters
  draw();
  // Text in the middle band only, left-aligned in one and right in the other.
  EXPECT_GT(darkPixels(10, 45, 110, 75), 40);
  EXPECT_GT(darkPixels(400, 45, 450, 75), 40);
  for (const auto& [x0, y0, x1, y1] : {std::array{10, 10, 210, 40}, {10, 80, 210, 110}, {110, 10, 210, 110},
                                       {250, 10, 380, 110}}) {
    EXPECT_EQ(darkPixels(x0, y0, x1, y1), 0) << x0 << "," << y0;
  }
}

// Scaled along its lines only (a keyboard fitted to its keys), text keeps its
// aspect: stretched, its size; squeezed, it shrinks evenly to fit its label.
TEST_F(RenderTest, LabelTextKeepsItsAspectUnderAScaleAlongOneAxis) {
  open(1.0);
  root->setBackgroundColour(Colour::white());
  const double scales[] = {1.0, 2.0, 0.25};
  for (int i = 0; i < 3; ++i) {
    auto label = addLabel({180, 20 + 100.0 * i, 120, 60}, "C4", 40, TextAlignment::Centre);
    label->setTransform(AffineTransform::scale(scales[i], 1.0));
  }
  draw();
  const auto [w, h] = inkSize(20, 80);
  const auto [stretchedW, stretchedH] = inkSize(120, 180);
  const auto [squeezedW, squeezedH] = inkSize(220, 280);
  EXPECT_NEAR(stretchedW, w, 2);
  EXPECT_NEAR(stretchedH, h, 2);
  EXPECT_LE(squeezedW, 30);
  EXPECT_NEAR(static_cast<double>(squeezedW) / squeezedH, static_cast<double>(w) / h, 0.12);
}

// One transform for the picture and the touches, turned a quarter in a portrait window
// where asked: a touch lands on what is drawn under it; a finger held across a turn ends.
TEST_F(RenderTest, TouchesLandOnWhatIsDrawnUprightOrTurned) {
  open(2.0, DisplayOptions::Layout::Tall, true);
  EXPECT_TRUE(isTallScreen());
  SDL_Window* window = nullptr;  // the one window open
  for (Uint32 id = 1; id < 1000 && window == nullptr; ++id) window = SDL_GetWindowFromID(id);
  auto patch = std::make_shared<testing::TouchLog>(Rect{10, 20, 40, 20});
  patch->setBackgroundColour({0, 1, 0, 1});
  root->addSubview(patch);
  SDL_Event e{.type = SDL_FINGERDOWN};
  e.tfinger.fingerId = 5, e.tfinger.x = 580 / 640.0f, e.tfinger.y = 60 / 1136.0f;  // on the patch, turned
  SDL_PushEvent(&e);
  SDL_SetWindowSize(window, 640, 1136);
  e.type = SDL_FINGERMOTION, e.tfinger.x = 0.8f;
  SDL_PushEvent(&e);
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  display->run();
  EXPECT_EQ(patch->events.size(), 2u) << "began, then cancelled by the turn: no move";
  // The point (30, 30) at 2 pixels per point: turned, its top along the right edge.
  for (const auto& [w, h, drawnAt, black] : {std::tuple{640, 1136, SDL_Point{580, 60}, SDL_Point{60, 60}},
                                             {1136, 640, SDL_Point{60, 60}, SDL_Point{580, 60}}}) {
    SDL_SetWindowSize(window, w, h);
    draw();
    ASSERT_EQ(std::pair(width, height), std::pair(w, h));
    EXPECT_TRUE(isGreen(at(drawnAt.x, drawnAt.y)) && isBlack(at(black.x, black.y))) << w;
    EXPECT_EQ(display->pointFromWindowPosition(drawnAt.x, drawnAt.y), (Point{30, 30})) << w;
  }
  display.reset();
  open(1.0);
  EXPECT_FALSE(isTallScreen());
}

TEST(DisplayLoop, RunsTimersAndPostedTasksThenCancelsFingersBeforeQuitting) {
  RunLoop loop;  // the real media clock
  DisplayOptions options;
  options.offscreen = true;
  options.pixelScale = 1.0;
  std::string error;
  auto display = Display::open(options, loop, &error);
  ASSERT_TRUE(display) << error;
  auto root = std::make_shared<testing::TouchLog>();
  display->window().setRootView(root);
  display->window().fingerDown(7, {10, 10}, loop.now());

  std::thread poster;  // started by the timer: the run ends only through it
  loop.performAfterDelay(0.01, [&] {
    // From another thread, as the playback thread hands work over.
    poster = std::thread([&] { loop.post([&] { display->requestQuit(); }); });
  });
  int quits = 0;
  const int status = display->run([&] {
    ++quits;
    EXPECT_EQ(display->window().activeTouchCount(), 0);
  });
  poster.join();
  EXPECT_EQ(std::pair(status, quits), std::pair(0, 1));
  ASSERT_EQ(root->events.size(), 2u);
  EXPECT_EQ(root->events[1].phase, 4) << "the finger still down is cancelled";
}

}  // namespace
}  // namespace piano::platform
