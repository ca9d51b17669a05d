#include "platform/sdl_display.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <signal.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "platform/animation.h"
#include "platform/headless_driver.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/screen.h"
#include "platform/sdl_canvas.h"

namespace piano::platform {

namespace {

// The mouse is one more finger, with an id no touch screen finger gets.
constexpr std::int64_t kMouseFinger = 0;
constexpr double kFrameSeconds = 1.0 / 60.0;
// The longest sleep of the main loop: how soon a quit request that arrives as a
// signal (Ctrl+C, SIGTERM) is seen where nothing else wakes the loop.
constexpr double kLongestWaitSeconds = 0.5;

// SDL sleeps in SDL_WaitEventTimeout only where its video driver can wait on
// the window system; elsewhere it polls every millisecond. The off-screen and
// dummy drivers deliver no input of their own, so there the main loop sleeps on
// the run loop, which a hand-over from another thread wakes.
bool driverDeliversInput() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver == nullptr || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0);
}

// Set when the terminal the program runs in closes (SIGHUP). SDL itself turns
// SIGINT and SIGTERM into a quit event; a hang-up would otherwise end the
// process at once, without saving.
// The signal may arrive on any thread: a lock-free atomic is safe to set there.
std::atomic<bool> hungUp{false};
static_assert(std::atomic<bool>::is_always_lock_free);
void onHangUp(int) { hungUp.store(true, std::memory_order_relaxed); }

bool parseScale(const char* text, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(v > 0.0) || v > 8.0) return false;
  *out = v;
  return true;
}

}  // namespace

bool DisplayOptions::fromArguments(int* argc, char** argv, DisplayOptions* options, std::string* error) {
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--tall") == 0) {
      options->layout = Layout::Tall;
    } else if (std::strcmp(a, "--normal") == 0) {
      options->layout = Layout::Normal;
    } else if (std::strcmp(a, "--offscreen") == 0) {
      options->offscreen = true;
    } else if (std::strcmp(a, "--scale") == 0 || std::strncmp(a, "--scale=", 8) == 0) {
      // "--scale=2" or "--scale 2", as the other options take their values.
      const char* value = a[7] == '=' ? a + 8 : (i + 1 < *argc ? argv[++i] : "");
      if (!parseScale(value, &options->pixelScale)) {
        if (error != nullptr) {
          *error = std::string("bad scale \"") + value + "\": give --scale a number above 0, at most 8";
        }
        return false;
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  *argc = kept;
  argv[kept] = nullptr;
  return true;
}

struct Display::Impl {
  DisplayOptions options;
  RunLoop& loop;
  SDL_Window* sdlWindow = nullptr;
  SDL_Renderer* renderer = nullptr;
  std::unique_ptr<SdlCanvas> canvas;
  std::unique_ptr<Window> window;
  bool waitForSdlEvents = true;  // else the run loop's own wait (see driverDeliversInput)
  bool quit = false;
  bool mouseDown = false;
  bool textInputOn = false;
  std::map<std::pair<SDL_TouchID, SDL_FingerID>, std::int64_t> fingers;
  std::int64_t nextFinger = 1;
  double lastDraw = -1.0;
  bool catchingHangUp = false;
  struct sigaction previousHangUp {};
  std::function<void()> onQuit;  // the browser's loop: kept for the turn that ends it
  std::function<void()> onHide;  // the browser: when the page is hidden

  double turn();

  explicit Impl(RunLoop& l) : loop(l) {}
  ~Impl() {
    if (catchingHangUp) ::sigaction(SIGHUP, &previousHangUp, nullptr);
    window.reset();
    canvas.reset();
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (sdlWindow != nullptr) SDL_DestroyWindow(sdlWindow);
    loop.setWakeHandler({});
    Animator::shared().setClock({});
    IMG_Quit();
    if (TTF_WasInit() != 0) TTF_Quit();
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  }

  // Letterbox: the picture scaled to fit the output with its aspect kept.
  void letterbox(double* scale, double* ox, double* oy) const {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    const Size size = window->size();
    *scale = std::max(1e-6, std::min(w / size.width, h / size.height));
    *ox = (w - size.width * *scale) / 2.0;
    *oy = (h - size.height * *scale) / 2.0;
  }

  void draw() {
    double scale = 1.0, ox = 0.0, oy = 0.0;
    letterbox(&scale, &ox, &oy);
    SDL_RenderSetClipRect(renderer, nullptr);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    const Size size = window->size();
    const SDL_Rect clip{static_cast<int>(std::lround(ox)), static_cast<int>(std::lround(oy)),
                        static_cast<int>(std::lround(size.width * scale)),
                        static_cast<int>(std::lround(size.height * scale))};
    SDL_RenderSetClipRect(renderer, &clip);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    canvas->beginFrame();
    window->draw(*canvas, AffineTransform::scale(scale, scale).concat(AffineTransform::translation(ox, oy)));
    window->clearNeedsDisplay();
  }

  Point fromWindow(double x, double y) const {
    int ww = 0, wh = 0, pw = 0, ph = 0;
    SDL_GetWindowSize(sdlWindow, &ww, &wh);
    SDL_GetRendererOutputSize(renderer, &pw, &ph);
    const double px = ww > 0 ? x * pw / ww : x;
    const double py = wh > 0 ? y * ph / wh : y;
    double scale = 1.0, ox = 0.0, oy = 0.0;
    letterbox(&scale, &ox, &oy);
    return {(px - ox) / scale, (py - oy) / scale};
  }

  std::int64_t fingerFor(const SDL_TouchFingerEvent& e, bool create) {
    const auto key = std::make_pair(e.touchId, e.fingerId);
    auto it = fingers.find(key);
    if (it != fingers.end()) return it->second;
    if (!create) return -1;
    const std::int64_t id = nextFinger++;
    fingers[key] = id;
    return id;
  }

  void cancelAll() {
    mouseDown = false;
    fingers.clear();
    window->cancelAllTouches(loop.now());
  }

  void handle(const SDL_Event& e) {
    const double now = loop.now();
    switch (e.type) {
      case SDL_QUIT: quit = true; break;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_FOCUS_LOST:
          case SDL_WINDOWEVENT_HIDDEN:
          case SDL_WINDOWEVENT_MINIMIZED:
            cancelAll();
            window->focusLost(now);
            break;
          case SDL_WINDOWEVENT_LEAVE:
            if (mouseDown) cancelAll();
            break;
          default: markDisplayChanged(); break;
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT) break;
        mouseDown = true;
        window->fingerDown(kMouseFinger, fromWindow(e.button.x, e.button.y), now);
        break;
      case SDL_MOUSEMOTION:
        if (e.motion.which == SDL_TOUCH_MOUSEID || !mouseDown) break;
        window->fingerMove(kMouseFinger, fromWindow(e.motion.x, e.motion.y), now);
        break;
      case SDL_MOUSEBUTTONUP:
        if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT || !mouseDown) break;
        mouseDown = false;
        window->fingerUp(kMouseFinger, fromWindow(e.button.x, e.button.y), now);
        break;
      case SDL_FINGERDOWN: {
        int ww = 0, wh = 0;
        SDL_GetWindowSize(sdlWindow, &ww, &wh);
        const std::int64_t id = fingerFor(e.tfinger, true);
        window->fingerDown(id, fromWindow(e.tfinger.x * ww, e.tfinger.y * wh), now);
        break;
      }
      case SDL_FINGERMOTION: {
        const std::int64_t id = fingerFor(e.tfinger, false);
        if (id < 0) break;
        int ww = 0, wh = 0;
        SDL_GetWindowSize(sdlWindow, &ww, &wh);
        window->fingerMove(id, fromWindow(e.tfinger.x * ww, e.tfinger.y * wh), now);
        break;
      }
      case SDL_FINGERUP: {
        const std::int64_t id = fingerFor(e.tfinger, false);
        if (id < 0) break;
        fingers.erase(std::make_pair(e.tfinger.touchId, e.tfinger.fingerId));
        int ww = 0, wh = 0;
        SDL_GetWindowSize(sdlWindow, &ww, &wh);
        window->fingerUp(id, fromWindow(e.tfinger.x * ww, e.tfinger.y * wh), now);
        break;
      }
      case SDL_TEXTINPUT: window->textInput(e.text.text); break;
      case SDL_KEYUP: window->keyPositionUp(static_cast<int>(e.key.keysym.scancode)); break;
      case SDL_KEYDOWN:
        // Scancodes are the keys' positions; a held key's repeats play nothing.
        if (e.key.repeat == 0) window->keyPositionDown(static_cast<int>(e.key.keysym.scancode));
        switch (e.key.keysym.sym) {
          case SDLK_RETURN:
          case SDLK_KP_ENTER: window->keyDown(Key::Return); break;
          case SDLK_BACKSPACE: window->keyDown(Key::Backspace); break;
          case SDLK_DELETE: window->keyDown(Key::Delete); break;
          case SDLK_ESCAPE: window->keyDown(Key::Escape); break;
          default: break;
        }
        break;
      default: break;
    }
    // Text input (and an on-screen keyboard, where there is one) only while a
    // field is being edited.
    if (window->wantsTextInput() != textInputOn) {
      textInputOn = window->wantsTextInput();
      if (textInputOn) {
        SDL_StartTextInput();
      } else {
        SDL_StopTextInput();
      }
    }
  }
};

Display::Display(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Display::~Display() = default;

std::unique_ptr<Display> Display::open(const DisplayOptions& options, RunLoop& loop, std::string* error) {
  auto fail = [&](const std::string& why) -> std::unique_ptr<Display> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  if (options.offscreen) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // A plain memory picture: no GPU driver is loaded behind the window.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  }
  // One finger is one touch: no mouse events made from fingers, no touches
  // made from the mouse; and the mouse leaving the window is noticed.
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetMainReady();  // the program's own main is its entry point, not SDL's
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    return fail(std::string("cannot start the display: ") + SDL_GetError());
  }
  auto impl = std::make_unique<Impl>(loop);
  impl->options = options;
  // From here on Impl's destructor undoes what was done.
  // With no display at all SDL falls back to a driver without a screen, where
  // the window would run unseen; only asked for (offscreen, or by the
  // SDL_VIDEODRIVER setting) is that what the caller wants.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  const bool screenless = options.offscreen || (driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                                                      std::strcmp(driver, "dummy") == 0));
  if (screenless && !options.offscreen && (requested == nullptr || *requested == '\0')) {
    return fail("no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                "--script FILE --offscreen runs without one");
  }
  IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
  // From the window's opening: a terminal closed during start-up also ends
  // the first run of the loop. Left alone when the program was started with
  // hang-ups ignored (nohup).
  hungUp.store(false, std::memory_order_relaxed);
  ::sigaction(SIGHUP, nullptr, &impl->previousHangUp);
  if (impl->previousHangUp.sa_handler != SIG_IGN) {
    struct sigaction hangUp {};
    hangUp.sa_handler = onHangUp;
    sigemptyset(&hangUp.sa_mask);
    impl->catchingHangUp = ::sigaction(SIGHUP, &hangUp, nullptr) == 0;
  }

  SDL_DisplayMode mode{};
  const bool haveMode = SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0;
  bool tall = false;
  switch (options.layout) {
    case DisplayOptions::Layout::Tall: tall = true; break;
    case DisplayOptions::Layout::Normal: tall = false; break;
    case DisplayOptions::Layout::Auto: tall = !options.offscreen && haveMode && tallLayoutSuits(mode.w, mode.h); break;
  }
  setTallScreen(tall);
  const Size size = landscapeSize(tall);

  double scale = options.pixelScale;
  if (!(scale > 0.0)) {
    scale = options.offscreen ? 2.0
                              : (haveMode ? std::max(1.0, std::min(mode.w * 0.8 / size.width,
                                                                   mode.h * 0.8 / size.height))
                                          : 2.0);
  }
  const int w = static_cast<int>(std::lround(size.width * scale));
  const int h = static_cast<int>(std::lround(size.height * scale));
  Uint32 flags = options.offscreen ? SDL_WINDOW_HIDDEN : (SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  impl->sdlWindow = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                     w, h, flags);
  if (impl->sdlWindow == nullptr) return fail(std::string("cannot open a window: ") + SDL_GetError());
  if (!screenless) {  // without a screen a plain memory picture does
    Uint32 rflags = SDL_RENDERER_ACCELERATED | (options.vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
    impl->renderer = SDL_CreateRenderer(impl->sdlWindow, -1, rflags);
  }
  if (impl->renderer == nullptr) impl->renderer = SDL_CreateRenderer(impl->sdlWindow, -1, SDL_RENDERER_SOFTWARE);
  if (impl->renderer == nullptr) return fail(std::string("cannot draw in the window: ") + SDL_GetError());
  if (!options.offscreen) SDL_SetWindowMinimumSize(impl->sdlWindow, static_cast<int>(size.width / 2), static_cast<int>(size.height / 2));
  SDL_StopTextInput();

  impl->waitForSdlEvents = driverDeliversInput();
  impl->canvas = std::make_unique<SdlCanvas>(impl->renderer);
  impl->window = std::make_unique<Window>(size);
  // A hand-over wakes SDL's wait with an event of our own (the run loop's own
  // wait needs none).
  const Uint32 wakeEvent = impl->waitForSdlEvents ? SDL_RegisterEvents(1) : static_cast<Uint32>(-1);
  if (wakeEvent != static_cast<Uint32>(-1)) {
    loop.setWakeHandler([wakeEvent] {
      SDL_Event e{};
      e.type = wakeEvent;
      SDL_PushEvent(&e);
    });
  }
  Animator::shared().setClock([&loop] { return loop.now(); });
  return std::unique_ptr<Display>(new Display(std::move(impl)));
}

Window& Display::window() { return *impl_->window; }

void Display::requestQuit() { impl_->quit = true; }

void Display::disableScreenSaver() { SDL_DisableScreenSaver(); }

double Display::pixelScale() const {
  double scale = 1.0, ox = 0.0, oy = 0.0;
  impl_->letterbox(&scale, &ox, &oy);
  return scale;
}

Point Display::pointFromWindowPosition(double x, double y) const { return impl_->fromWindow(x, y); }

void Display::drawFrame() {
  impl_->draw();
  SDL_RenderPresent(impl_->renderer);
}

bool Display::readPixels(std::vector<unsigned char>* rgba, int* width, int* height) {
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(impl_->renderer, &w, &h) != 0 || w <= 0 || h <= 0) return false;
  rgba->assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 0);
  SDL_RenderSetClipRect(impl_->renderer, nullptr);
  if (SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, rgba->data(), w * 4) != 0) {
    return false;
  }
  *width = w;
  *height = h;
  return true;
}

bool Display::saveScreenshot(const std::string& path) {
  impl_->draw();
  std::vector<unsigned char> pixels;
  int w = 0, h = 0;
  bool ok = readPixels(&pixels, &w, &h);
  SDL_RenderPresent(impl_->renderer);
  if (ok) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ABGR8888);
    ok = surface != nullptr && IMG_SavePNG(surface, path.c_str()) == 0;
    if (surface != nullptr) SDL_FreeSurface(surface);
  }
  if (!ok) std::printf("Screenshot %s: %s\n", path.c_str(), SDL_GetError());
  return ok;
}

// One turn of the main loop: the loop's due work, the window's events, the
// animator, a frame when one is due. Returns how long the loop may sleep, or a
// negative number when it is to end.
double Display::Impl::turn() {
  if (hungUp.load(std::memory_order_relaxed)) quit = true;
  if (quit) return -1.0;
  loop.runDue();
  SDL_Event e;
  while (!quit && SDL_PollEvent(&e) != 0) handle(e);
  if (quit) return -1.0;
  const bool animating = Animator::shared().tick();
  const double now = loop.now();
  if (window->needsDisplay() && now - lastDraw >= kFrameSeconds * 0.5) {
    lastDraw = now;
    draw();
    SDL_RenderPresent(renderer);
  }
  // Sleep until an event, the next timer, or the next frame while things move.
  double wait = loop.secondsUntilNextEvent();
  if (animating || window->needsDisplay()) wait = std::min(wait, std::max(0.0, lastDraw + kFrameSeconds - loop.now()));
  return std::clamp(wait, 0.0, kLongestWaitSeconds);
}

#ifdef __EMSCRIPTEN__
// A hidden page gets no animation frames, so the events SDL queued and the
// touches still down would wait for the page to come back, sounding: they are
// handled at once, from the browser's own event. A closing page may be
// hidden without a visibilitychange (some browsers send pagehide only).
EM_JS(void, watchPageHidden, (void* callback, void* data), {
  const hidden = () => dynCall('vi', callback, [data]);
  document.addEventListener('visibilitychange', () => { if (document.visibilityState === 'hidden') hidden(); });
  window.addEventListener('pagehide', hidden);
});

// In the browser the page's own loop calls a turn at every animation frame;
// the program never waits, and run() does not return (the page ends it).
int Display::run(const std::function<void()>& onQuit, const std::function<void()>& onHide) {
  impl_->onQuit = onQuit;
  impl_->onHide = onHide;
  void (*hidden)(void*) = [](void* data) {
    Impl& d = *static_cast<Impl*>(data);
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) d.handle(e);
    d.cancelAll();
    if (d.onHide) d.onHide();
  };
  watchPageHidden(reinterpret_cast<void*>(hidden), impl_.get());
  emscripten_set_main_loop_arg(
      [](void* data) {
        Impl& d = *static_cast<Impl*>(data);
        if (d.turn() >= 0.0) return;
        emscripten_cancel_main_loop();
        d.cancelAll();
        if (d.onQuit) d.onQuit();
      },
      impl_.get(), 0, /*simulate_infinite_loop=*/1);
  return 0;
}
#else
int Display::run(const std::function<void()>& onQuit, const std::function<void()>&) {
  Impl& d = *impl_;
  for (;;) {
    const double wait = d.turn();
    if (wait < 0.0) break;
    if (wait <= 0.0) continue;
    SDL_Event e;
    if (d.waitForSdlEvents) {
      if (SDL_WaitEventTimeout(&e, static_cast<int>(std::ceil(wait * 1000.0))) != 0) d.handle(e);
    } else {
      d.loop.waitForEvents(wait);
    }
  }
  d.cancelAll();
  if (onQuit) onQuit();
  return 0;
}
#endif

bool Display::runScript(const TouchScript& script, ManualClock& clock) {
  HeadlessDriver driver(*impl_->window, &impl_->loop, clock);
  driver.setScreenshotHandler([this](const std::string& path) { return saveScreenshot(path); });
  const bool ok = driver.run(script);
  Animator::shared().setClock([this] { return impl_->loop.now(); });
  return ok;
}

}  // namespace piano::platform
