#include "keyboard_app.h"

#include <algorithm>
#include <cmath>

#include "keyboard_rig.h"
#include "platform/animation.h"
#include "platform/screen.h"
#include "platform/touch_script.h"

namespace piano::test {

namespace {

constexpr int kBufferFrames = 256;

// The layout flag must be fixed before the screen is built.
bool setLayout(bool tall) {
  const bool saved = platform::isTallScreen();
  platform::setTallScreen(tall);
  return saved;
}

NoteRecorder::Options recorderOptions(platform::ManualClock& clock, double& wall) {
  NoteRecorder::Options options;
  options.clock = clock.function();
  options.wallClock = [&wall] { return wall += 0.001; };
  options.startPlaybackThread = false;  // the audio tick runs the playback passes
  return options;
}

std::unique_ptr<platform::Display> openDisplay(const KeyboardApp::Options& options, platform::RunLoop& loop) {
  if (!options.display) return nullptr;
  platform::DisplayOptions display;
  display.offscreen = true;
  display.pixelScale = 2.0;
  display.layout = options.tall ? platform::DisplayOptions::Layout::Tall : platform::DisplayOptions::Layout::Normal;
  std::string error;
  auto opened = platform::Display::open(display, loop, &error);
  if (!opened) std::printf("No display: %s\n", error.c_str());
  return opened;
}

}  // namespace

KeyboardApp::KeyboardApp(Options options)
    : savedTall_(setLayout(options.tall)),
      display_(openDisplay(options, loop)),
      window_(display_ ? nullptr : std::make_unique<platform::Window>(platform::landscapeSize())),
      sound(SoundPlayer::Options{nullptr, options.sampleDir, clock.function()}),
      recorder(this, sound, loop, recorderOptions(clock, wall_)),
      root_(std::make_shared<platform::View>()),
      container_(std::make_shared<platform::View>()) {
  if (options.sampleDir.empty()) fillTones(sound);
  view = std::make_shared<SingleKeyboardView>(this, sound, recorder);
  view->setNumKeysToDisplay(options.numKeysToDisplay);
  view->setDisplayNoteNames(options.displayNoteNames);
  view->showing();
  view->redraw();

  platform::Window& window = display_ ? display_->window() : *window_;
  const platform::Size size = platform::landscapeSize();
  root_->setBackgroundColour(platform::Colour::black());
  window.setRootView(root_);
  container_->setBounds({0, 0, size.height, size.width});
  container_->setCentre({size.width / 2, size.height / 2});
  container_->setTransform(platform::AffineTransform::rotation(-1.5707964));
  root_->addSubview(container_);
  container_->addSubview(view);

  driver_ = std::make_unique<platform::HeadlessDriver>(window, &loop, clock);
  if (display_) driver_->setScreenshotHandler([this](const std::string& path) { return screenshot(path); });
  buffer_.resize(kBufferFrames * 2);
  audio_.reserve(44100 * 2 * 10);
  audioStart_ = clock.now();
  loop.performAfterDelay(0.0, [this] { audioTick(); });
}

KeyboardApp::~KeyboardApp() {
  platform::Animator::shared().setClock({});
  platform::setTallScreen(savedTall_);
}

void KeyboardApp::audioTick() {
  // Every buffer whose time has come, each after a playback pass at its time.
  auto due = [this] { return audioStart_ + static_cast<double>(audio_.size() / 2) / 44100.0; };
  while (due() <= clock.now() + 1e-9) {
    recorder.playbackPass();
    sound.render(buffer_.data(), kBufferFrames);
    audio_.insert(audio_.end(), buffer_.begin(), buffer_.end());
  }
  // Never "now": the driver moves on to the next scripted event without
  // stepping again for work that is due at once.
  loop.performAfterDelay(std::max(1e-6, due() - clock.now()), [this] { audioTick(); });
}

long long KeyboardApp::frameAt(double time) const {
  return static_cast<long long>(std::llround((time - audioStart_) * 44100.0));
}

bool KeyboardApp::run(const std::string& text) {
  platform::TouchScript script;
  std::string error;
  if (!platform::TouchScript::parse("portrait\n" + text, &script, &error)) {
    std::printf("%s\n", error.c_str());
    return false;
  }
  return driver_->run(script);
}

bool KeyboardApp::screenshot(const std::string& path) {
  if (!display_) return false;
  return display_->saveScreenshot(path);
}

// ------------------------------------------------------------------ pitch

std::vector<float> monoSlice(const std::vector<std::int16_t>& stereo, long long first, long long frames) {
  std::vector<float> mono;
  const long long total = static_cast<long long>(stereo.size() / 2);
  for (long long i = std::max(0LL, first); i < std::min(total, first + frames); ++i) {
    const auto at = static_cast<std::size_t>(2 * i);
    mono.push_back((static_cast<float>(stereo[at]) + static_cast<float>(stereo[at + 1])) / 2.0f);
  }
  return mono;
}

double fundamentalFrequency(const std::vector<float>& x, int sampleRate) {
  const int maxLag = sampleRate / 40;
  const int minLag = sampleRate / 2000;
  const int window = static_cast<int>(x.size()) - maxLag - 2;
  if (window < 512) return 0.0;
  // Cumulative mean normalised difference.
  std::vector<double> d(static_cast<std::size_t>(maxLag + 2), 0.0);
  for (int lag = 1; lag <= maxLag + 1; ++lag) {
    double sum = 0.0;
    for (int i = 0; i < window; ++i) {
      const double diff = x[static_cast<std::size_t>(i)] - x[static_cast<std::size_t>(i + lag)];
      sum += diff * diff;
    }
    d[static_cast<std::size_t>(lag)] = sum;
  }
  std::vector<double> nd(d.size(), 1.0);
  double running = 0.0;
  for (int lag = 1; lag <= maxLag + 1; ++lag) {
    running += d[static_cast<std::size_t>(lag)];
    nd[static_cast<std::size_t>(lag)] = running > 0 ? d[static_cast<std::size_t>(lag)] * lag / running : 1.0;
  }
  int best = -1;
  for (int lag = minLag; lag <= maxLag; ++lag) {
    if (nd[static_cast<std::size_t>(lag)] < 0.15) {
      while (lag + 1 <= maxLag && nd[static_cast<std::size_t>(lag + 1)] < nd[static_cast<std::size_t>(lag)]) ++lag;
      best = lag;
      break;
    }
  }
  if (best < 0) {
    best = minLag;
    for (int lag = minLag; lag <= maxLag; ++lag) {
      if (nd[static_cast<std::size_t>(lag)] < nd[static_cast<std::size_t>(best)]) best = lag;
    }
  }
  // Parabolic interpolation around the minimum.
  const double a = nd[static_cast<std::size_t>(best - 1)], b = nd[static_cast<std::size_t>(best)],
               c = nd[static_cast<std::size_t>(best + 1)];
  const double denominator = a - 2 * b + c;
  const double shift = denominator != 0 ? 0.5 * (a - c) / denominator : 0.0;
  return sampleRate / (best + shift);
}

double keyFrequency(int key) { return 440.0 * std::pow(2.0, (key - 49) / 12.0); }

}  // namespace piano::test
