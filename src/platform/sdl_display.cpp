#include "platform/sdl_display.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <signal.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#include <emscripten/html5.h>
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

#ifdef __EMSCRIPTEN__
// A phone or tablet: a page held portrait there is a device held portrait. A
// desktop browser's tall window (or a screen stood on its side) is not.
EM_JS(int, hasTouchScreen, (), { return navigator.maxTouchPoints > 0 ? 1 : 0; });
#endif

// The area the picture may fill, in pixels (or points: only its aspect and
// size matter): the desktop's screen; in the browser the page's viewport,
// which the canvas fills (shell.html), as what the browser's own bars leave.
bool displayArea(int* width, int* height) {
#ifdef __EMSCRIPTEN__
  double w = 0.0, h = 0.0;
  if (emscripten_get_element_css_size("#canvas", &w, &h) == EMSCRIPTEN_RESULT_SUCCESS && w >= 1.0 && h >= 1.0) {
    *width = static_cast<int>(std::lround(w));
    *height = static_cast<int>(std::lround(h));
    return true;
  }
#endif
  SDL_DisplayMode mode{};
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return false;
  *width = mode.w;
  *height = mode.h;
  return true;
}

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
  bool turned = false;  // the picture shown turned a quarter (portrait output)
  bool catchingHangUp = false;
  struct sigaction previousHangUp {};
  std::function<void()> onQuit;  // the browser's loop: kept for the turn that ends it
  std::function<void()> onHide;  // the browser: when the page is hidden
  bool inputPending = false;     // the browser: a turn for touches is on its way

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

  // The one transform from window points to the renderer's pixels, for
  // drawing and (inverted) for input: letterboxed, turned in a portrait
  // output where the options ask for that.
  AffineTransform toOutput() const {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    return pictureToOutput(window->size(), {static_cast<double>(w), static_cast<double>(h)},
                           options.turnWhenPortrait);
  }

  void draw() {
    const AffineTransform transform = toOutput();
    SDL_RenderSetClipRect(renderer, nullptr);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    const Size size = window->size();
    const Rect shown = transform.apply(Rect{0.0, 0.0, size.width, size.height});
    const SDL_Rect clip{static_cast<int>(std::lround(shown.x)), static_cast<int>(std::lround(shown.y)),
                        static_cast<int>(std::lround(shown.width)), static_cast<int>(std::lround(shown.height))};
    SDL_RenderSetClipRect(renderer, &clip);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    canvas->beginFrame();
    window->draw(*canvas, transform);
    window->clearNeedsDisplay();
  }

  Point fromWindow(double x, double y) const {
    int ww = 0, wh = 0, pw = 0, ph = 0;
    SDL_GetWindowSize(sdlWindow, &ww, &wh);
    SDL_GetRendererOutputSize(renderer, &pw, &ph);
    const double px = ww > 0 ? x * pw / ww : x;
    const double py = wh > 0 ? y * ph / wh : y;
    return toOutput().inverted().apply(Point{px, py});
  }

  // A finger held while the picture turns would land on another key when it
  // moves: the touches end when the picture turns (a phone turned in play).
  void noticeTurn() {
    const bool nowTurned = toOutput().b != 0.0;  // x runs down the output
    if (nowTurned != turned) cancelAll();
    turned = nowTurned;
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
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            noticeTurn();
            markDisplayChanged();
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
      case SDL_DROPFILE:
        if (e.drop.file != nullptr) {
          const std::string path = e.drop.file;
          SDL_free(e.drop.file);
          window->fileDropped(path);
        }
        break;
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
#ifdef __EMSCRIPTEN__
  impl->options.turnWhenPortrait = options.turnWhenPortrait && hasTouchScreen() != 0;
#endif
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

  int areaWidth = 0, areaHeight = 0;
  const bool haveArea = displayArea(&areaWidth, &areaHeight);
  bool tall = false;
  switch (options.layout) {
    case DisplayOptions::Layout::Tall: tall = true; break;
    case DisplayOptions::Layout::Normal: tall = false; break;
    case DisplayOptions::Layout::Auto: tall = !options.offscreen && haveArea && tallLayoutSuits(areaWidth, areaHeight); break;
  }
  setTallScreen(tall);
  const Size size = landscapeSize(tall);

  double scale = options.pixelScale;
  if (!(scale > 0.0)) {
    scale = options.offscreen ? 2.0
                              : (haveArea ? std::max(1.0, std::min(areaWidth * 0.8 / size.width,
                                                                   areaHeight * 0.8 / size.height))
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
  impl->noticeTurn();
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
  const AffineTransform transform = impl_->toOutput();
  return std::hypot(transform.a, transform.b);
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
  // Touches and clicks are handled as soon as the browser's event has run, not
  // at the next animation frame: a finger's note starts up to a frame (16.7 ms)
  // sooner. SDL calls the watch inside that event; the handling waits for it
  // to end. Drawing stays with the frames.
  SDL_EventFilter watchInput = [](void* data, SDL_Event* e) {
    Impl& d = *static_cast<Impl*>(data);
    const bool input = e->type == SDL_FINGERDOWN || e->type == SDL_FINGERUP || e->type == SDL_FINGERMOTION ||
                       e->type == SDL_MOUSEBUTTONDOWN || e->type == SDL_MOUSEBUTTONUP;
    if (!input || d.inputPending) return 0;
    d.inputPending = true;
    emscripten_async_call(
        [](void* pending) {
          Impl& p = *static_cast<Impl*>(pending);
          p.inputPending = false;
          SDL_Event queued;
          while (!p.quit && SDL_PollEvent(&queued) != 0) p.handle(queued);
        },
        data, 0);
    return 0;
  };
  SDL_AddEventWatch(watchInput, impl_.get());
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
