#include "dual_keyboard_rig.h"

#include "platform/screen.h"

namespace piano::test {

PortraitScreen::PortraitScreen(std::shared_ptr<platform::View> screen)
    : window_(platform::landscapeSize()),
      root_(std::make_shared<platform::View>()),
      container_(std::make_shared<platform::View>()) {
  const platform::Size size = platform::landscapeSize();
  window_.setRootView(root_);
  container_->setBounds({0, 0, size.height, size.width});
  container_->setCentre({size.width / 2, size.height / 2});
  container_->setTransform(platform::AffineTransform::rotation(-1.5707964f));
  root_->addSubview(container_);
  container_->addSubview(std::move(screen));
}

void PortraitScreen::down(std::int64_t finger, platform::Point portrait) {
  window_.fingerDown(finger, platform::portraitToLandscape(portrait), time += 0.01);
}

void PortraitScreen::move(std::int64_t finger, platform::Point portrait) {
  window_.fingerMove(finger, platform::portraitToLandscape(portrait), time += 0.01);
}

void PortraitScreen::up(std::int64_t finger, platform::Point portrait) {
  window_.fingerUp(finger, platform::portraitToLandscape(portrait), time += 0.01);
}


namespace {

NoteRecorder::Options recorderOptions(platform::ManualClock& clock, double& wall) {
  NoteRecorder::Options options;
  options.clock = clock.function();
  options.wallClock = [&wall] { return wall += 0.001; };
  options.startPlaybackThread = false;
  return options;
}

}  // namespace

TallScreenScope::TallScreenScope(bool tall) : saved_(platform::isTallScreen()) { platform::setTallScreen(tall); }
TallScreenScope::~TallScreenScope() { platform::setTallScreen(saved_); }

DualViewRig::DualViewRig(int toneFrames)
    : sound(SoundPlayer::Options{nullptr, "", clock.function()}),
      recorder(nullptr, sound, metronome, loop, recorderOptions(clock, wall)),
      view(std::make_shared<DualKeyboardView>(&parent, sound, recorder)),
      screen(view) {
  fillTones(sound, toneFrames);
}

void fillTones(SoundPlayer& sound, int toneFrames) {
  // A square wave, loud enough to hear and long enough to outlast a test.
  for (int slot = 0; slot < kNumPianoKeys; ++slot) {
    std::vector<std::int16_t> tone(static_cast<std::size_t>(toneFrames));
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 50) % 2 == 0 ? 8000 : -8000;
    sound.setSampleData(slot, std::move(tone));
  }
}

void DualViewRig::render(int frames) {
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(frames) * 2);
  sound.render({buffer.data(), frames});
  clock.advance(static_cast<double>(frames) / 44100.0);
  renderedFrames += frames;
}

int DualViewRig::soundingSampleOfSlot(int slot) const {
  const int v = view->engine().playlistNoForSlot(slot);
  if (v < 0) return -1;
  return sound.voiceForTest(v).sampleNo;
}

}  // namespace piano::test
