// Pictures of the settings screen for a look by eye: every page, on both
// screens, in English and in Chinese, drawn off screen by the SDL adapter into
// $PIANO_SCREENSHOT_DIR. Skipped when that is not set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/sdl_display.h"
#include "settings_rig.h"

namespace piano::settings_test {
namespace {

TEST(SettingsScreenshotTest, EveryPageOnBothScreensInBothLanguages) {
  const char* dir = std::getenv("PIANO_SCREENSHOT_DIR");
  if (dir == nullptr || *dir == '\0') GTEST_SKIP() << "PIANO_SCREENSHOT_DIR is not set";
  for (const bool tall : {false, true}) {
    platform::ManualClock displayClock;
    platform::RunLoop displayLoop(displayClock.function());
    platform::DisplayOptions options;
    options.offscreen = true;
    options.layout = tall ? platform::DisplayOptions::Layout::Tall : platform::DisplayOptions::Layout::Normal;
    std::string error;
    auto display = platform::Display::open(options, displayLoop, &error);
    ASSERT_NE(display, nullptr) << error;
    for (const bool chinese : {false, true}) {
      SettingsRig rig(tall, chinese, &display->window());
      rig.metronome->metronomeOn();
      rig.metronome->setMetronomeBeatsPerBar(3);
      rig.host.normalRate = -0.00004;
      rig.view->redraw();
      for (int page = 0; page < 3; ++page) {
        rig.view->changeSettingsScreen(page);
        rig.advance(0.0);
        rig.advance(0.5);
        const std::string path = std::string(dir) + "/settings_" + std::to_string(page) + (tall ? "_tall" : "") +
                                 (chinese ? "_zh" : "_en") + ".png";
        EXPECT_TRUE(display->saveScreenshot(path)) << path;
      }
      rig.view->stopMetronome();
    }
  }
}

}  // namespace
}  // namespace piano::settings_test
