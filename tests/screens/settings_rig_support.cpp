#include "settings_rig.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "platform/animation.h"
#include "platform/localized_strings.h"
#include "platform/screen.h"
#include "platform/volume_view.h"

namespace piano::settings_test {

namespace {
constexpr std::int64_t kFinger = 1;
constexpr int kFrames = 256;
}  // namespace

SettingsRig::SettingsRig(bool tallScreen, bool chinese, platform::Window* shownIn)
    : tall(tallScreen), window(shownIn), buffer(kFrames * 2) {
  platform::setTallScreen(tall);
  platform::localizedStrings().load(std::string(PIANO_RESOURCE_DIR) + "/strings", chinese ? "zh-Hans" : "en");
  platform::Animator::shared().setClock(clock.function());
  // The output volume is kept in the platform's configuration folder; keep the
  // player's own out of reach.
  configDir = (std::filesystem::temp_directory_path() / ("settings_test_" + std::to_string(getpid()))).string();
  platform::setConfigDirectory(configDir);

  SoundPlayer::Options engine;
  engine.clock = clock.function();
  player = std::make_unique<SoundPlayer>(std::move(engine));
  for (int slot = 0; slot < kNumSampleSlots; ++slot) {
    player->setSampleData(slot, std::vector<std::int16_t>(44100, 10000));
  }
  metronome = std::make_unique<Metronome>(*player, loop);

  host.chinese = chinese;
  const double length = tall ? 568.0 : 480.0;
  if (window == nullptr) {
    ownWindow = std::make_unique<platform::Window>(platform::landscapeSize(tall));
    window = ownWindow.get();
  }
  auto root = std::make_shared<platform::View>();
  window->setRootView(root);
  // The transition container: portrait screens turned into the landscape picture.
  container = std::make_shared<platform::View>(platform::Rect{0.0, 0.0, 320.0, length});
  container->setCentre({length / 2.0, 160.0});
  container->setTransform(platform::AffineTransform::rotation(-M_PI / 2.0));
  root->addSubview(container);
  AppSettingsView::Options viewOptions;
  viewOptions.clock = clock.function();
  view = std::make_shared<AppSettingsView>(host, *player, *metronome, viewOptions);
  container->addSubview(view);
}

SettingsRig::~SettingsRig() {
  window->cancelAllTouches(clock.now());
  window->setRootView(std::make_shared<platform::View>());
  view.reset();
  container.reset();
  ownWindow.reset();
  metronome.reset();
  player.reset();
  platform::Animator::shared().setClock({});
  platform::setTallScreen(false);
  platform::localizedStrings().load(std::string(PIANO_RESOURCE_DIR) + "/strings", "en");
  std::error_code error;
  std::filesystem::remove_all(configDir, error);
}

// Each event is followed by a frame, which starts the animations it asked for.
void SettingsRig::press(platform::Point point) {
  window->fingerDown(kFinger, platform::portraitToLandscape(point), clock.now());
  platform::Animator::shared().tick();
}
void SettingsRig::moveTo(platform::Point point) {
  window->fingerMove(kFinger, platform::portraitToLandscape(point), clock.now());
  platform::Animator::shared().tick();
}
void SettingsRig::release(platform::Point point) {
  window->fingerUp(kFinger, platform::portraitToLandscape(point), clock.now());
  platform::Animator::shared().tick();
}
void SettingsRig::tap(platform::Point point) {
  press(point);
  release(point);
}

void SettingsRig::advance(double seconds) {
  clock.advance(seconds);
  loop.runDue();
  platform::Animator::shared().tick();
  renderBuffer();
}

void SettingsRig::renderBuffer() { player->render({buffer.data(), kFrames}); }

bool SettingsRig::isReleasing(int voice) const {
  if (voice < 0 || voice >= kNumVoices) return false;
  const Voice& v = player->voiceForTest(voice);
  return v.playing && v.phase == VoicePhase::kRelease;
}

bool SettingsRig::isHeld(int voice) const {
  if (voice < 0 || voice >= kNumVoices) return false;
  const Voice& v = player->voiceForTest(voice);
  return v.playing && v.phase != VoicePhase::kRelease;
}

int SettingsRig::clicksDuring(double seconds) {
  int clicks = 0;
  const int steps = static_cast<int>(std::lround(seconds / 0.01));
  for (int i = 0; i < steps; ++i) {
    const int before = player->activeVoiceCount();
    clock.advance(0.01);
    loop.runDue();
    if (player->activeVoiceCount() > before) ++clicks;
    // A click lasts one buffer; let it end so the next one counts again.
    renderBuffer();
    renderBuffer();
  }
  return clicks;
}

}  // namespace piano::settings_test
