#include "rig/app_rig.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "audio/sound_player.h"
#include "platform/animation.h"
#include "platform/localized_strings.h"
#include "platform/screen.h"
#include "platform/touch_script.h"
#include "recording/note_recorder.h"

namespace piano::test {

namespace {

constexpr int kBufferFrames = 256;

std::filesystem::path freshFolder() {
  static int made = 0;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "rig";
  std::replace(name.begin(), name.end(), '/', '_');
  const auto path = std::filesystem::path(::testing::TempDir()) /
                    ("app-" + std::to_string(::getpid()) + "-" + std::to_string(++made) + "-" + name);
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}

bool setLayout(bool tall) {  // fixed before any screen is built
  const bool saved = platform::isTallScreen();
  platform::setTallScreen(tall);
  return saved;
}

}  // namespace

AppRig::AppRig(Options o) : documents(freshFolder()), options(std::move(o)), savedTall_(setLayout(options.tall)) {
  if (options.display) {
    platform::DisplayOptions display;
    display.offscreen = true;
    display.pixelScale = 2.0;
    display.layout = options.tall ? platform::DisplayOptions::Layout::Tall : platform::DisplayOptions::Layout::Normal;
    std::string error;
    display_ = platform::Display::open(display, loop, &error);
    if (!display_) ADD_FAILURE() << "no off-screen display: " << error;
  }
  if (!display_) ownWindow_ = std::make_unique<platform::Window>(platform::landscapeSize());
  window_ = display_ ? &display_->window() : ownWindow_.get();
  driver_ = std::make_unique<platform::HeadlessDriver>(*window_, &loop, clock);
  if (display_) driver_->setScreenshotHandler([this](const std::string& path) { return display_->saveScreenshot(path); });
  if (options.welcomeSeen) {
    std::ofstream(documents / MainView::kFirstLaunchFileName, std::ios::binary).write("\1\0\0\0", 4);
  }
  if (options.start) start();
}

AppRig::~AppRig() {
  if (view) {
    window_->setRootView(nullptr);
    view.reset();
  }
  driver_.reset();
  platform::Animator::shared().setClock({});
  platform::setTallScreen(savedTall_);
  std::filesystem::remove_all(documents);
}

MainView& AppRig::start() {
  if (view) quit();
  platform::localizedStrings().load(std::string(PIANO_RESOURCE_DIR) + "/strings", options.language);
  MainView::Options o;
  o.runLoop = &loop;
  o.sampleDir = options.sampleDir;
  o.documentsDirectory = documents.string();
  o.clock = clock.function();
  o.startPlaybackThread = false;  // the audio ticks run the playback passes
  o.language = options.language;
  o.playbackObserver = options.playbackObserver;
  o.midi = options.midi;
  o.openUrl = [this](const std::string& address, std::function<void(bool)> done) {
    opened.push_back(address);
    done(browserWorks);
  };
  view = MainView::create(o);
  if (options.sampleDir.empty()) {
    std::vector<std::int16_t> tone(static_cast<std::size_t>(options.toneFrames));
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 50) % 2 == 0 ? 8000 : -8000;
    for (int slot = 0; slot < kNumPianoKeys; ++slot) view->soundPlayer().setSampleData(slot, tone);
  }
  window_->setRootView(view);
  audio_.clear();
  audioStart_ = clock.now();
  const std::uint64_t generation = ++generation_;
  loop.performAfterDelay(0.0, [this, generation] {
    if (generation == generation_) audioTick();
  });
  settle();
  return *view;
}

void AppRig::quit() {
  if (!view) return;
  dismissWelcome();
  view->applicationWillTerminate();
  window_->setRootView(nullptr);
  view.reset();
  ++generation_;
}

void AppRig::down(int finger, platform::Point at) {
  fingers_[finger] = at;
  window_->fingerDown(finger, platform::portraitToLandscape(at), clock.now());
}

void AppRig::move(int finger, platform::Point at) {
  fingers_[finger] = at;
  window_->fingerMove(finger, platform::portraitToLandscape(at), clock.now());
}

void AppRig::up(int finger) { up(finger, fingers_[finger]); }

void AppRig::up(int finger, platform::Point at) {
  fingers_[finger] = at;
  window_->fingerUp(finger, platform::portraitToLandscape(at), clock.now());
}

void AppRig::tap(platform::Point at) {
  down(63, at);
  up(63);
  settle();
}

void AppRig::dismissWelcome() {
  while (window_->isShowingAlert()) {
    const platform::Rect button = window_->alertButtonRect();
    const platform::Point middle{button.x + button.width / 2, button.y + button.height / 2};
    window_->fingerDown(62, middle, clock.now());
    window_->fingerUp(62, middle, clock.now());
  }
}

void AppRig::advance(double seconds) { driver_->advance(seconds); }

bool AppRig::run(const std::string& text) {
  platform::TouchScript script;
  std::string error;
  if (!platform::TouchScript::parse("portrait\n" + text, &script, &error)) {
    ADD_FAILURE() << error;
    return false;
  }
  return driver_->run(script);
}

void AppRig::audioTick() {
  // Every buffer whose time has come, each after a playback pass at its time.
  auto due = [this] { return audioStart_ + static_cast<double>(audio_.size() / 2) / 44100.0; };
  std::int16_t buffer[2 * kBufferFrames];
  while (due() <= clock.now() + 1e-9) {
    view->noteRecorder().playbackPass();
    view->soundPlayer().render({buffer, kBufferFrames});
    audio_.insert(audio_.end(), buffer, buffer + 2 * kBufferFrames);
  }
  const std::uint64_t generation = generation_;
  loop.performAfterDelay(std::max(1e-6, due() - clock.now()), [this, generation] {
    if (generation == generation_) audioTick();
  });
}

long long AppRig::frameAt(double time) const { return std::llround((time - audioStart_) * 44100.0); }

int AppRig::peakBetween(double from, double to) const {
  const long long frames = static_cast<long long>(audio_.size() / 2);
  int peak = 0;
  for (long long f = std::max(0LL, frameAt(from)); f < std::min(frames, frameAt(to)); ++f) {
    for (int c = 0; c < 2; ++c) peak = std::max(peak, std::abs(static_cast<int>(audio_[static_cast<std::size_t>(2 * f + c)])));
  }
  return peak;
}

std::vector<int> AppRig::songPresses() const {
  std::vector<int> slots;
  for (const Note& note : view->noteRecorder().notesSnapshot()) note.keyDown ? slots.push_back(note.sampleNo) : void();
  return slots;
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<float> monoSlice(const std::vector<std::int16_t>& stereo, long long first, long long frames) {
  std::vector<float> mono;
  const long long end = std::min(static_cast<long long>(stereo.size() / 2), first + frames);
  for (long long i = std::max(0LL, first); i < end; ++i) {
    mono.push_back((stereo[static_cast<std::size_t>(2 * i)] + stereo[static_cast<std::size_t>(2 * i + 1)]) / 2.0f);
  }
  return mono;
}

double fundamentalFrequency(const std::vector<float>& x) {
  constexpr int kMinLag = 44100 / 2000, kMaxLag = 44100 / 40;
  const int window = static_cast<int>(x.size()) - kMaxLag - 2;
  if (window < 512) return 0.0;
  // Cumulative mean normalised difference; the first dip below 0.15, else the deepest.
  std::vector<double> nd(kMaxLag + 2, 1.0);
  double running = 0.0;
  for (int lag = 1; lag <= kMaxLag + 1; ++lag) {
    double d = 0.0;
    for (int i = 0; i < window; ++i) d += std::pow(x[static_cast<std::size_t>(i)] - x[static_cast<std::size_t>(i + lag)], 2);
    running += d;
    nd[static_cast<std::size_t>(lag)] = running > 0 ? d * lag / running : 1.0;
  }
  auto at = [&](int lag) { return nd[static_cast<std::size_t>(lag)]; };
  int best = kMinLag;
  for (int lag = kMinLag; lag <= kMaxLag; ++lag) {
    if (at(lag) < 0.15) {
      while (lag < kMaxLag && at(lag + 1) < at(lag)) ++lag;
      best = lag;
      break;
    }
    if (at(lag) < at(best)) best = lag;
  }
  const double a = at(best - 1), b = at(best), c = at(best + 1);
  const double shift = a - 2 * b + c != 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0.0;
  return 44100.0 / (best + shift);
}

double keyFrequency(int key) { return 440.0 * std::pow(2.0, (key - 49) / 12.0); }

}  // namespace piano::test
