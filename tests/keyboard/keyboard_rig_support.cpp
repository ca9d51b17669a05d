#include "keyboard_rig.h"

#include <algorithm>
#include <cmath>

#include "keyboard/key_zones.h"
#include "platform/screen.h"

namespace piano::test {

namespace {

NoteRecorder::Options recorderOptions(platform::ManualClock& clock, double& wall) {
  NoteRecorder::Options options;
  options.clock = clock.function();
  options.wallClock = [&wall] { return wall += 0.001; };
  options.startPlaybackThread = false;
  return options;
}

}  // namespace

FakeHost::FakeHost(bool dualLayout)
    : dual(dualLayout), touchscreen(std::make_shared<Touchscreen>(platform::Rect{0, 0, 320, 480}, dualLayout)) {
  touchscreen->setKeyboardScaleFactor(1.0f);
  touchscreen->setupParent(this);
}

void FakeHost::showWhiteKey(int keyboard, int position, WhiteKeyPicture picture) {
  pictures.at(static_cast<std::size_t>(keyboard)).white.at(static_cast<std::size_t>(position)) = picture;
}

void FakeHost::showBlackKey(int keyboard, int boundary, BlackKeyPicture picture) {
  pictures.at(static_cast<std::size_t>(keyboard)).black.at(static_cast<std::size_t>(boundary)) = picture;
}

void FakeHost::setNoteNameDown(int keyboard, int position, bool down) {
  pictures.at(static_cast<std::size_t>(keyboard)).labelDown.at(static_cast<std::size_t>(position)) = down;
}

bool FakeHost::isLayoutButton(int zone) const {
  if (zone == zone::kRadar) return true;
  if (zone >= zone::kOctaveDown && zone <= zone::kOctaveUp) return true;
  return dual && ((zone >= zone::kUpperOctaveDown && zone <= zone::kUpperOctaveUp) || zone == zone::kScrollLock);
}

void FakeHost::layoutButtonPress(int zone, platform::Point) {
  layoutPresses.push_back(zone);
  if (zone < zone::kOctaveDown || zone > zone::kUpperOctaveUp) return;
  const int kb = zone >= zone::kUpperOctaveDown ? 1 : 0;
  int& start = engine->keyboard(kb).keyboardStartKey;
  switch ((zone - zone::kOctaveDown) % 4) {
    case 0: start = keys::octaveDown(start); break;
    case 1: start = keys::keyDown(start); break;
    case 2: start = std::min(keys::keyUp(start), keys::upperLimitForNumKeys(8)); break;
    default: start = std::min(keys::octaveUp(start), keys::upperLimitForNumKeys(8)); break;
  }
  engine->liftAllKeys(false);
}

int FakeHost::keyboardForZone(int zone, int* zoneOnKeyboard) const {
  if (dual && zone > zone::kUpperKeyboard) {
    *zoneOnKeyboard = zone - zone::kUpperKeyboard;
    return 1;
  }
  *zoneOnKeyboard = zone;
  return 0;
}

float FakeHost::expressionForPoint(platform::Point point) const { return touchscreen->getExpressionForCoord(point); }

void FakeHost::redraw() {
  ++redraws;
  engine->setFadingToSettings(false);
}

void FakeHost::performFingerPressAction(platform::Point point, bool press, int zone, int slot) {
  engine->performFingerPressAction(point, press, zone, slot);
}

EngineRig::EngineRig(bool dual, std::vector<int> emptySlots)
    : sound(SoundPlayer::Options{nullptr, "", clock.function()}),
      recorder(nullptr, sound, loop, recorderOptions(clock, wall)),
      host(dual),
      engine(host, &parent, sound, recorder, dual ? 2 : 1) {
  host.engine = &engine;
  fillTones(sound, emptySlots);
}

void fillTones(SoundPlayer& sound, const std::vector<int>& emptySlots) {
  for (int slot = 0; slot < keys::kNumKeys; ++slot) {
    if (std::find(emptySlots.begin(), emptySlots.end(), slot) != emptySlots.end()) continue;
    std::vector<std::int16_t> tone(22050);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 50) % 2 == 0 ? 8000 : -8000;
    sound.setSampleData(slot, std::move(tone));
  }
}

void EngineRig::down(int finger, double x, double y) {
  FingerState& f = fingers_.at(static_cast<std::size_t>(finger));
  f.down = true;
  f.at = {x, y};
  host.touchscreen->processTouch(&identities_[finger], platform::TouchPhase::Began, f.at, f.at);
}

void EngineRig::move(int finger, double x, double y) {
  FingerState& f = fingers_.at(static_cast<std::size_t>(finger));
  const platform::Point from = f.at;
  f.at = {x, y};
  host.touchscreen->processTouch(&identities_[finger], platform::TouchPhase::Moved, f.at, from);
}

void EngineRig::up(int finger) {
  FingerState& f = fingers_.at(static_cast<std::size_t>(finger));
  f.down = false;
  host.touchscreen->processTouch(&identities_[finger], platform::TouchPhase::Ended, f.at, f.at);
}

void EngineRig::render(int frames) {
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(frames) * 2);
  sound.render(buffer.data(), frames);
  clock.advance(static_cast<double>(frames) / 44100.0);
}

void EngineRig::recordOneNote(int sampleNo) {
  recorder.record();
  const int id = recorder.addPlayNote(sampleNo, 1.0f, 1.0f, -0.00008f);
  clock.advance(0.1);
  recorder.addStopNote(id, sampleNo);
  recorder.stop();
  recorder.addOverdubNotes();
  sound.stopAllSounds();
  render();
}

PortraitScreen::PortraitScreen(std::shared_ptr<platform::View> screen)
    : window_(platform::landscapeSize()),
      root_(std::make_shared<platform::View>()),
      container_(std::make_shared<platform::View>()) {
  const platform::Size size = platform::landscapeSize();
  window_.setRootView(root_);
  container_->setBounds({0, 0, size.height, size.width});
  container_->setCentre({size.width / 2, size.height / 2});
  container_->setTransform(platform::AffineTransform::rotation(-1.5707964));
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

ViewRig::ViewRig()
    : sound(SoundPlayer::Options{nullptr, "", clock.function()}),
      recorder(nullptr, sound, loop, recorderOptions(clock, wall)),
      view(std::make_shared<SingleKeyboardView>(&parent, sound, recorder)),
      screen(view) {
  fillTones(sound);
}

void ViewRig::render(int frames) {
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(frames) * 2);
  sound.render(buffer.data(), frames);
  clock.advance(static_cast<double>(frames) / 44100.0);
}

}  // namespace piano::test
