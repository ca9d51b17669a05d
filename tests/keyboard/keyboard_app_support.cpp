#include <algorithm>
#include <cmath>
#include <cstdio>

#include "keyboard_app.h"
#include "platform/animation.h"
#include "platform/screen.h"
#include "platform/touch_script.h"

namespace piano::test {

namespace {

constexpr int kBufferFrames = 256;

bool setLayout(bool tall) {  // fixed before the screen is built
  const bool saved = platform::isTallScreen();
  platform::setTallScreen(tall);
  return saved;
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

NoteRecorder::Options recorderOptions(platform::ManualClock& clock, double& wall) {
  NoteRecorder::Options options;
  options.clock = clock.function();
  options.wallClock = [&wall] { return wall += 0.001; };
  options.startPlaybackThread = false;  // the audio tick runs the playback passes
  return options;
}

}  // namespace

KeyboardApp::KeyboardApp(Options options)
    : savedTall_(setLayout(options.tall)),
      display_(openDisplay(options, loop)),
      ownWindow_(display_ ? nullptr : std::make_unique<platform::Window>(platform::landscapeSize())),
      window_(display_ ? display_->window() : *ownWindow_),
      sound(SoundPlayer::Options{nullptr, options.sampleDir, clock.function()}),
      recorder(this, sound, metronome, loop, recorderOptions(clock, wall_)),
      view(std::make_shared<SingleKeyboardView>(this, sound, recorder)) {
  if (options.sampleDir.empty()) {
    std::vector<std::int16_t> tone(22050);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 50) % 2 == 0 ? 8000 : -8000;
    for (int slot = 0; slot < 88; ++slot) {
      if (std::count(options.emptySlots.begin(), options.emptySlots.end(), slot) == 0) sound.setSampleData(slot, tone);
    }
  }
  view->setNumKeysToDisplay(options.numKeysToDisplay);
  view->setDisplayNoteNames(options.displayNoteNames);
  view->showing();
  view->redraw();

  const platform::Size size = platform::landscapeSize();
  root_->setBackgroundColour(platform::Colour::black());
  window_.setRootView(root_);
  container_->setBounds({0, 0, size.height, size.width});
  container_->setCentre({size.width / 2, size.height / 2});
  container_->setTransform(platform::AffineTransform::rotation(-1.5707964));
  root_->addSubview(container_);
  container_->addSubview(view);

  driver_ = std::make_unique<platform::HeadlessDriver>(window_, &loop, clock);
  if (display_) driver_->setScreenshotHandler([this](const std::string& path) { return display_->saveScreenshot(path); });
  buffer_.resize(kBufferFrames * 2);
  audioStart_ = clock.now();
  loop.performAfterDelay(0.0, [this] { audioTick(); });
}

KeyboardApp::~KeyboardApp() {
  platform::Animator::shared().setClock({});
  platform::setTallScreen(savedTall_);
}

void KeyboardApp::down(int finger, double x, double y) {
  fingers_[finger] = {x, y};
  window_.fingerDown(finger, platform::portraitToLandscape({x, y}), clock.now());
}

void KeyboardApp::move(int finger, double x, double y) {
  fingers_[finger] = {x, y};
  window_.fingerMove(finger, platform::portraitToLandscape({x, y}), clock.now());
}

void KeyboardApp::up(int finger) {
  window_.fingerUp(finger, platform::portraitToLandscape(fingers_[finger]), clock.now());
}

void KeyboardApp::render(int frames) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(std::max(1, frames)) * 2);
  sound.render({out.data(), frames});
  clock.advance(frames / 44100.0);
}

bool KeyboardApp::released(int v) const {
  return !voice(v).playing || voice(v).wantToStop || voice(v).phase == VoicePhase::kRelease;
}

WhiteKeyPicture KeyboardApp::whiteShown(int position) {
  const auto& image = view->whiteKey(position).image();
  if (image == view->images().whiteKeyPressedImage) return WhiteKeyPicture::Down;
  return image == view->images().whiteKeyImage ? WhiteKeyPicture::Up : WhiteKeyPicture::DownLeftShadow;
}

BlackKeyPicture KeyboardApp::blackShown(int boundary) {
  return view->blackKey(boundary).image() == view->images().blackKeyImage ? BlackKeyPicture::Up : BlackKeyPicture::Down;
}

void KeyboardApp::audioTick() {
  // Every buffer whose time has come, each after a playback pass at its time.
  auto due = [this] { return audioStart_ + static_cast<double>(audio_.size() / 2) / 44100.0; };
  while (due() <= clock.now() + 1e-9) {
    recorder.playbackPass();
    sound.render({buffer_.data(), kBufferFrames});
    audio_.insert(audio_.end(), buffer_.begin(), buffer_.end());
  }
  loop.performAfterDelay(std::max(1e-6, due() - clock.now()), [this] { audioTick(); });
}

long long KeyboardApp::frameAt(double time) const { return std::llround((time - audioStart_) * 44100.0); }

bool KeyboardApp::run(const std::string& text) {
  platform::TouchScript script;
  std::string error;
  if (!platform::TouchScript::parse("portrait\n" + text, &script, &error)) {
    std::printf("%s\n", error.c_str());
    return false;
  }
  return driver_->run(script);
}

}  // namespace piano::test
