// SDL's input events as the display turns them into touches: pushed into
// SDL's queue, then read by the display's main loop.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/run_loop.h"
#include "platform/sdl_display.h"
#include "platform/text_field.h"
#include "platform/view.h"
#include "recording_canvas.h"

namespace piano::platform {
namespace {

using Recorder = testing::TouchLog;

class SdlEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayOptions options;
    options.offscreen = true;
    options.pixelScale = 2.0;  // window positions are twice the points
    options.layout = DisplayOptions::Layout::Normal;
    std::string error;
    display = Display::open(options, loop, &error);
    ASSERT_TRUE(display) << error;
    root = std::make_shared<Recorder>();
    root->setMultipleTouchEnabled(true);
    display->window().setRootView(root);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  static void mouse(Uint32 type, int x, int y, Uint32 which = 0, Uint8 button = SDL_BUTTON_LEFT) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
      e.motion.which = which, e.motion.x = x, e.motion.y = y, e.motion.state = SDL_BUTTON_LMASK;
    } else {
      e.button.which = which, e.button.button = button, e.button.x = x, e.button.y = y;
    }
    SDL_PushEvent(&e);
  }
  static void finger(Uint32 type, SDL_FingerID id, float x, float y) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.touchId = 1, e.tfinger.fingerId = id, e.tfinger.x = x, e.tfinger.y = y;
    SDL_PushEvent(&e);
  }
  static void windowEvent(Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT, e.window.event = what;
    SDL_PushEvent(&e);
  }
  void runUntilQuit() {
    SDL_Event quit{.type = SDL_QUIT};
    SDL_PushEvent(&quit);
    display->run();
  }

  RunLoop loop;
  std::unique_ptr<Display> display;
  std::shared_ptr<Recorder> root;
};

// The mouse leaving the window with its button down cancels its touch.
TEST_F(SdlEvents, TheMouseIsOneFingerAndSyntheticEventsAreIgnored) {
  mouse(SDL_MOUSEBUTTONDOWN, 200, 100);
  mouse(SDL_MOUSEMOTION, 300, 100);
  mouse(SDL_MOUSEBUTTONDOWN, 10, 10, SDL_TOUCH_MOUSEID);  // made from a finger
  mouse(SDL_MOUSEBUTTONDOWN, 10, 10, 0, SDL_BUTTON_RIGHT);
  mouse(SDL_MOUSEBUTTONUP, 300, 120);
  mouse(SDL_MOUSEMOTION, 400, 120);  // no button: nothing
  windowEvent(SDL_WINDOWEVENT_LEAVE);  // button up: nothing to cancel
  mouse(SDL_MOUSEBUTTONDOWN, 200, 100);
  windowEvent(SDL_WINDOWEVENT_LEAVE);
  mouse(SDL_MOUSEBUTTONUP, 200, 100);
  runUntilQuit();
  ASSERT_EQ(root->events.size(), 5u);
  EXPECT_EQ(std::tuple(root->events[0].phase, root->events[2].phase, root->events[4].phase), std::tuple(0, 3, 4));
  EXPECT_EQ(std::tuple(root->events[0].location, root->events[1].location, root->events[2].location),
            std::tuple(Point{100, 50}, Point{150, 50}, Point{150, 60}));
}

TEST_F(SdlEvents, FingersAreTouchesAndLosingFocusCancelsThemAll) {
  finger(SDL_FINGERDOWN, 5, 0.5f, 0.5f);
  finger(SDL_FINGERDOWN, 6, 0.25f, 0.25f);
  mouse(SDL_MOUSEBUTTONDOWN, 20, 20);
  finger(SDL_FINGERMOTION, 5, 0.5f, 0.75f);
  finger(SDL_FINGERMOTION, 99, 0.1f, 0.1f);  // never down: ignored
  windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  finger(SDL_FINGERUP, 5, 0.5f, 0.75f);  // already cancelled
  runUntilQuit();
  ASSERT_EQ(root->events.size(), 7u);
  EXPECT_EQ(std::tuple(root->events[0].location, root->events[1].location, root->events[3].location),
            std::tuple(Point{240, 160}, Point{120, 80}, Point{240, 240}));
  EXPECT_EQ(root->events[3].touch, root->events[0].touch);
  EXPECT_EQ(std::count_if(root->events.begin(), root->events.end(), [](const auto& e) { return e.phase == 4; }), 3);
  EXPECT_EQ(display->window().activeTouchCount(), 0);
}

struct Finisher : TextFieldDelegate {
  bool textFieldShouldReturn(TextField& f) override { f.resignFirstResponder(); return true; }
};

TEST_F(SdlEvents, TypingReachesTheFieldBeingEdited) {
  auto field = std::make_shared<TextField>(Rect{0, 0, 200, 30});
  Finisher finisher;
  field->setDelegate(&finisher);
  root->addSubview(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  SDL_strlcpy(e.text.text, "Song!", sizeof(e.text.text));
  SDL_PushEvent(&e);
  for (SDL_Keycode sym : {SDLK_BACKSPACE, SDLK_RETURN}) {
    SDL_Event key{};
    key.type = SDL_KEYDOWN, key.key.keysym.sym = sym;
    SDL_PushEvent(&key);
  }
  runUntilQuit();
  EXPECT_EQ(field->text(), "Song");
  EXPECT_FALSE(field->isEditing());
}

// The display's options take "--scale 3" and "--scale=3" alike, leave the
// rest for the program, and refuse a scale that is missing or out of range.
TEST(DisplayOptions, ScaleTakesBothSpellings) {
  for (const auto& [line, scale] : {std::pair{"piano --scale 3 --wav a.wav", 3.0}, {"piano --scale=1.5", 1.5},
                                    {"piano --scale", 0.0}, {"piano --scale 9", 0.0}, {"piano --scale=x", 0.0}}) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(words.size());
    DisplayOptions options;
    std::string error;
    EXPECT_EQ(DisplayOptions::fromArguments(&argc, argv.data(), &options, &error), scale > 0) << line;
    EXPECT_EQ(options.pixelScale, scale) << line;
    if (scale == 3.0) {
      EXPECT_EQ(std::string(argv[1]) + " " + argv[2] + " " + std::to_string(argc), "--wav a.wav 3");
    }
  }
}

TEST(SdlDisplay, WithNoDisplayAtAllTheWindowIsRefusedWithAClearMessage) {
  for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) ::unsetenv(name);
  RunLoop loop;
  std::string error;
  const auto display = Display::open(DisplayOptions{}, loop, &error);
  const std::string driver = display ? SDL_GetCurrentVideoDriver() : "";
  if (display && driver != "offscreen" && driver != "dummy") GTEST_SKIP() << "a display was found: " << driver;
  EXPECT_FALSE(display);
  EXPECT_NE(error.find("no display"), std::string::npos) << error;
}

}  // namespace
}  // namespace piano::platform
