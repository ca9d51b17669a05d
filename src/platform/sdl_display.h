// The SDL adapter: a window on the screen (or off screen, for tests and
// tools) that shows the view tree, turns fingers, the mouse and the keyboard
// into the window's input, and runs the main loop. Implemented in
// sdl_display.cpp, which is in piano_platform_sdl; this header needs no SDL.
//
// Threads: main thread only, except that the wake handler it installs in the
// run loop may be called from any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window.h"

namespace piano::platform {

class RunLoop;
class ManualClock;
struct TouchScript;

struct DisplayOptions {
  enum class Layout { Auto, Normal, Tall };
  Layout layout = Layout::Auto;  // Auto: from the display's aspect ratio
  // No window on the screen: SDL's off-screen video driver and a software
  // renderer; the picture is only seen in screenshots.
  bool offscreen = false;
  // Off screen: pixels per point of the picture (2 gives 960 x 640).
  // On screen: the window's first size in points times this (0: as large as
  // fits in 80 % of the display).
  double pixelScale = 0.0;
  bool vsync = true;
  // A window taller than wide shows the picture turned a quarter (see
  // pictureToOutput in screen.h). On in the browser on a touch screen, where
  // a phone may keep the page portrait when it refuses the landscape lock; a
  // desktop window keeps the picture upright whatever its shape.
#ifdef __EMSCRIPTEN__
  bool turnWhenPortrait = true;
#else
  bool turnWhenPortrait = false;
#endif
  std::string title = "Piano";

  // Takes the options it knows out of argv: --tall, --normal, --offscreen,
  // --scale=N or --scale N. Unknown arguments stay. Returns false with a
  // message on a bad value.
  static bool fromArguments(int* argc, char** argv, DisplayOptions* options, std::string* error);
};

class Display {
 public:
  // Starts SDL's video, decides the tall-screen flag (setTallScreen) and opens
  // the window; null with a message when that fails, also when there is no
  // display and the window would run unseen (unless `offscreen`, or the
  // SDL_VIDEODRIVER setting, asks for that). A hang-up from here on ends run(). The run loop's wake
  // handler is set here, so call it before other threads post to the loop.
  // The animator's clock becomes the run loop's.
  static std::unique_ptr<Display> open(const DisplayOptions& options, RunLoop& loop,
                                       std::string* error);
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  Window& window();

  // The main loop: each turn runs the loop's due work, delivers the window's
  // events, ticks the animator, draws when something changed or moves, and
  // waits for the next event or timer. Ends on a window close, SIGINT, SIGTERM,
  // SIGHUP (the terminal closed; unless hang-ups were ignored when it started)
  // or requestQuit(); `onQuit` runs before it returns (for saving state).
  // Returns 0.
  // In the browser run() never returns and the page may be closed without
  // notice once it is hidden: when it is hidden (tab switched, screen locked,
  // page closed) the touches end at once and `onHide` runs (for saving state).
  int run(const std::function<void()>& onQuit = {}, const std::function<void()>& onHide = {});
  void requestQuit();
  // Keeps the screen on while the program runs: a player's hands are on the
  // keys, not on the mouse or the keyboard.
  void disableScreenSaver();

  // Draws the tree now and writes the picture as a PNG; false with a line on
  // the standard output when it cannot.
  bool saveScreenshot(const std::string& path);
  // Draws the tree now (also off screen).
  void drawFrame();
  // Reads back the last drawn picture as RGBA bytes (width * height * 4).
  bool readPixels(std::vector<unsigned char>* rgba, int* width, int* height);
  // Pixels per point of the picture as drawn now.
  double pixelScale() const;

  // Runs a script on the manual clock (on which the run loop must run), with
  // screenshots; see headless_driver.h. Returns false when a screenshot failed.
  bool runScript(const TouchScript& script, ManualClock& clock);

  // Window pixels (as SDL reports positions) to window points through the
  // letterbox (and the quarter turn, when the picture is shown turned); used
  // by the event loop, visible for tests.
  Point pointFromWindowPosition(double x, double y) const;

 private:
  struct Impl;
  explicit Display(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace piano::platform
