// The two-keyboard screen drawn off screen as the player sees it, on both
// screen lengths: keys down on both keyboards, the scroll lock on and off.
// The pictures are written for a person to look at; the checks compare parts
// of the picture that a fault would leave unchanged (a border that does not
// vanish, a lamp that does not light, a key that does not go down).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/sound_player.h"
#include "keyboard/dual_keyboard_view.h"
#include "dual_keyboard_rig.h"
#include "platform/animation.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/screen.h"
#include "platform/sdl_display.h"
#include "recording/note_recorder.h"

namespace piano {
namespace {

using platform::Point;

struct Picture {
  std::vector<unsigned char> rgba;
  int width = 0;
  int height = 0;
  double scale = 1.0;  // pixels per point

  // Sum of absolute channel differences between two pictures over a portrait
  // rectangle (x0..x1 across the keys, y0..y1 along them).
  long long difference(const Picture& other, double x0, double y0, double x1, double y1) const {
    long long sum = 0;
    // Portrait (x, y) shows at landscape (y, 320 - x).
    const int left = static_cast<int>(y0 * scale), right = static_cast<int>(y1 * scale);
    const int top = static_cast<int>((320 - x1) * scale), bottom = static_cast<int>((320 - x0) * scale);
    for (int py = std::max(0, top); py < std::min(height, bottom); ++py) {
      for (int px = std::max(0, left); px < std::min(width, right); ++px) {
        const std::size_t at = (static_cast<std::size_t>(py) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(px)) * 4;
        for (int c = 0; c < 3; ++c) sum += std::abs(int{rgba[at + c]} - int{other.rgba[at + c]});
      }
    }
    return sum;
  }
};

class DualScreen {
 public:
  explicit DualScreen(bool tall) {
    platform::DisplayOptions options;
    options.offscreen = true;
    options.pixelScale = 2.0;
    options.layout = tall ? platform::DisplayOptions::Layout::Tall : platform::DisplayOptions::Layout::Normal;
    std::string error;
    display_ = platform::Display::open(options, loop_, &error);
    if (!display_) {
      std::printf("No display: %s\n", error.c_str());
      return;
    }
    NoteRecorder::Options recorderOptions;
    recorderOptions.clock = clock_.function();
    recorderOptions.startPlaybackThread = false;
    recorder_ = std::make_unique<NoteRecorder>(nullptr, sound_, metronome_, loop_, recorderOptions);
    test::fillTones(sound_);
    view = std::make_shared<DualKeyboardView>(&parent_, sound_, *recorder_);
    // The root view's container, turned a quarter turn onto the landscape window.
    const platform::Size size = platform::landscapeSize();
    root_->setBackgroundColour(platform::Colour::black());
    display_->window().setRootView(root_);
    container_->setBounds({0, 0, size.height, size.width});
    container_->setCentre({size.width / 2, size.height / 2});
    container_->setTransform(platform::AffineTransform::rotation(-1.5707964));
    root_->addSubview(container_);
    container_->addSubview(view);
  }
  ~DualScreen() { platform::Animator::shared().setClock({}); }

  bool ok() const { return display_ != nullptr; }
  void down(std::int64_t finger, Point at) { display_->window().fingerDown(finger, platform::portraitToLandscape(at), time_ += 0.01); }
  void up(std::int64_t finger, Point at) { display_->window().fingerUp(finger, platform::portraitToLandscape(at), time_ += 0.01); }

  Picture shot(const std::string& name) {
    Picture picture;
    const std::string path = ::testing::TempDir() + name + ".png";
    EXPECT_TRUE(display_->saveScreenshot(path));
    std::printf("Screenshot: %s\n", path.c_str());
    EXPECT_TRUE(display_->readPixels(&picture.rgba, &picture.width, &picture.height));
    picture.scale = display_->pixelScale();
    return picture;
  }

  std::shared_ptr<DualKeyboardView> view;

 private:
  platform::ManualClock clock_{10.0};
  platform::RunLoop loop_{clock_.function()};
  std::unique_ptr<platform::Display> display_;
  SoundPlayer sound_{SoundPlayer::Options{nullptr, "", clock_.function()}};
  test::CountingParent parent_;
  Metronome metronome_{sound_, loop_};
  std::unique_ptr<NoteRecorder> recorder_;
  std::shared_ptr<platform::View> root_ = std::make_shared<platform::View>();
  std::shared_ptr<platform::View> container_ = std::make_shared<platform::View>();
  double time_ = 0.0;
};

TEST(DualKeyboardScreen, KeysBordersAndLampsAsDrawn) {
  for (bool tall : {false, true}) {
    SCOPED_TRACE(tall ? "tall" : "normal");
    const bool saved = platform::isTallScreen();
    {
      DualScreen screen(tall);
      if (!screen.ok()) GTEST_SKIP() << "no off-screen display";
      DualKeyboardView& view = *screen.view;
      view.setNumKeysToDisplay(tall ? 10 : 8);
      view.setDisplayNoteNames(3);
      view.redraw();
      const double length = tall ? 568 : 480;
      const std::string name = tall ? "dual_keyboard_tall" : "dual_keyboard";
      const Picture before = screen.shot(name + "_idle");

      // Lower keyboard: C3 and its neighbour D3, and C sharp 3; upper
      // keyboard: E5 and F sharp 5; the scroll lock at the low end.
      screen.down(1, {30, 40});
      screen.down(2, {30, 100});
      screen.down(3, {100, 90});
      screen.down(4, {160, 150});
      screen.down(5, {230, 230});
      screen.down(6, {300, 40});
      screen.up(6, {300, 40});
      ASSERT_TRUE(view.scrollLock());
      const Picture after = screen.shot(name + "_played");

      const double key = view.touchscreen().keySize();
      // A pressed white key and a pressed black key look different, on both
      // keyboards; the keys nobody touched look the same.
      EXPECT_GT(before.difference(after, 0, 30, 58, 30 + key), 1000);
      EXPECT_GT(before.difference(after, 140, 30 + 2 * key, 190, 30 + 3 * key), 1000);
      EXPECT_GT(before.difference(after, 200, 30 + 3.7 * key, 255, 30 + 4.3 * key), 1000);
      EXPECT_EQ(before.difference(after, 0, 30 + 6 * key, 120, 30 + 7 * key), 0);
      EXPECT_EQ(before.difference(after, 140, 30 + 6 * key, 260, 30 + 7 * key), 0);
      // The borders vanish and both lamps light.
      EXPECT_GT(before.difference(after, 0, 0, 266, 30), 1000);
      EXPECT_GT(before.difference(after, 0, length - 28, 266, length), 1000);
      const double lampLeft = tall ? 73.5 : 39, lampRight = tall ? 497.5 : 442;
      EXPECT_GT(before.difference(after, 298, lampLeft - 6, 310, lampLeft + 6), 100);
      EXPECT_GT(before.difference(after, 298, lampRight - 6, 310, lampRight + 6), 100);

      // Everything lifts and the lock goes off at the other end: the picture
      // is the one the screen started with.
      for (int finger = 1; finger <= 5; ++finger) screen.up(finger, {});
      screen.down(7, {300, length - 10});
      screen.up(7, {300, length - 10});
      const Picture again = screen.shot(name + "_lifted");
      EXPECT_EQ(before.difference(again, 0, 0, 320, length), 0);
    }
    platform::setTallScreen(saved);
  }
}

}  // namespace
}  // namespace piano
