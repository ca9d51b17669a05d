// Shared set-up for the settings screen tests: the screen in a window, turned
// into the landscape picture as the root view turns it, with an engine and a
// metronome on a fake media clock, and a fake root view that keeps the settings
// the way the real one converts them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/sound_player.h"
#include "platform/geometry.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/window.h"
#include "recording/metronome.h"
#include "screens/settings/app_settings_view.h"
#include "screens/settings/settings_host.h"

namespace piano::settings_test {

class FakeSettingsHost : public SettingsHost {
 public:
  int numKeysToDisplay() const override { return numKeys; }
  void setNumKeysToDisplay(int keys) override { numKeys = keys; }
  int expressionFunction() const override { return expression; }
  void setExpressionFunction(int function) override { expression = function; }
  int displayNoteNames() const override { return noteNames; }
  void setDisplayNoteNames(int naming) override { noteNames = naming; }
  bool dualKeyboard() const override { return dual; }
  void setDualKeyboard(bool on) override { dual = on; }
  // Stored as release rates: r = -(1 - f) x 0.00016.
  void setSustainTimeNormal(float fraction) override { normalRate = -static_cast<double>(1.0f - fraction) * 0.00016; }
  void setSustainTimePedal(float fraction) override { pedalRate = -static_cast<double>(1.0f - fraction) * 0.00016; }
  float sustainTimeNormalAsFraction() const override { return static_cast<float>(normalRate / 0.00016 + 1.0); }
  float sustainTimePedalAsFraction() const override { return static_cast<float>(pedalRate / 0.00016 + 1.0); }
  float sustainTimeNormal() const override { return static_cast<float>(normalRate); }
  float sustainTimePedal() const override { return static_cast<float>(pedalRate); }
  void showPiano() override { ++pianoShown; }
  void showManual(platform::View* sender) override { manualAskedBy.push_back(sender); }
  bool isChineseLanguage() const override { return chinese; }
  platform::Rect frame() const override { return {}; }

  int numKeys = 8;
  int expression = 1;
  int noteNames = 1;
  bool dual = false;
  double normalRate = -0.00008;
  double pedalRate = -0.000016;
  bool chinese = false;
  int pianoShown = 0;
  std::vector<platform::View*> manualAskedBy;
};

struct SettingsRig {
  // `window`: show the screen in this one (a display's) rather than a window of its own.
  explicit SettingsRig(bool tall = false, bool chinese = false, platform::Window* window = nullptr);
  ~SettingsRig();
  SettingsRig(const SettingsRig&) = delete;
  SettingsRig& operator=(const SettingsRig&) = delete;

  // One finger through the window, at points of the screen's portrait space.
  void press(platform::Point point);
  void moveTo(platform::Point point);
  void release(platform::Point point);
  void tap(platform::Point point);
  // Lets time pass: timers run, animations step, the engine renders.
  void advance(double seconds);
  void renderBuffer();
  // The voice is sounding and its stop has reached the mixer.
  bool isReleasing(int voice) const;
  bool isHeld(int voice) const;
  // Clicks the metronome started while `seconds` passed (in 10 ms steps).
  int clicksDuring(double seconds);

  bool tall;
  platform::ManualClock clock{100.0};
  platform::RunLoop loop{clock.function()};
  std::unique_ptr<SoundPlayer> player;
  std::unique_ptr<Metronome> metronome;
  FakeSettingsHost host;
  std::unique_ptr<platform::Window> ownWindow;
  platform::Window* window = nullptr;
  std::shared_ptr<platform::View> container;
  std::shared_ptr<AppSettingsView> view;
  std::vector<std::int16_t> buffer;
  std::string configDir;
};

}  // namespace piano::settings_test
