// AppSettingsView: the settings screen. Three pages slide along the long side
// of the display: APP (number of keys, expression, note naming, two keyboards,
// stereo panning), PIANO (normal and pedal sustain with their test notes, and
// the output volume) and METRO (metronome switch, tempo, beats per bar, tap
// tempo, click volume). It changes the settings the root view holds, the sound
// engine's panning switch and the metronome.
//
// Layout: the transition container's portrait space, x 0..320 across the
// device, y 0..L along it (L = 480, or 568 on the tall screen, where most
// things move 45 points along y). Texts are turned a quarter turn to read
// along y.
//
// The metronome preview sounds only while the METRO page is shown and the
// switch is on: leaving the page, or the screen by its back or help icon,
// stops it; the root view calls startMetronome() when it shows the screen again.
//
// Threads: main thread only. The metronome runs on the main run loop's timers.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/geometry.h"
#include "platform/view.h"
#include "screens/settings/slider.h"
#include "screens/settings/tap_tempo.h"
#include "screens/touch_zone.h"

namespace piano {

class Metronome;
class SettingsHost;
class SoundPlayer;

namespace platform {
class ImageView;
class Label;
class VolumeView;
}  // namespace platform

class AppSettingsView : public platform::View {
 public:
  enum Page { kAppPage = 0, kPianoPage = 1, kMetroPage = 2 };

  struct Options {
    // The media clock in seconds (tap tempo); the platform's mediaTime() when empty.
    std::function<double()> clock;
  };

  // Builds the screen on the PIANO page, showing the current settings. The
  // tall-screen flag must be set before. `parent`, `soundPlayer` and
  // `metronome` must outlive the view.
  AppSettingsView(SettingsHost& parent, SoundPlayer& soundPlayer, Metronome& metronome,
                  Options options);
  AppSettingsView(SettingsHost& parent, SoundPlayer& soundPlayer, Metronome& metronome);
  ~AppSettingsView() override;

  // Copies every current value into the controls.
  void redraw();
  // Animates the pages (0.4 s) to the page in `screen()`, with the arrows and
  // page names that go with it.
  void redrawOnScreenChange();
  // Shows page 0..2 (others are ignored), stopping the metronome preview when
  // it leaves the METRO page and starting it when it arrives there with the
  // switch on.
  void changeSettingsScreen(int page);
  // The preview starts only on the METRO page with the switch on.
  void startMetronome();
  void stopMetronome();
  void toggleMetronome();

  // Touches: one finger at a time; a point is in this view's coordinates.
  void touchesBegan(const platform::TouchSet& touches) override;
  void touchesMoved(const platform::TouchSet& touches) override;
  void touchesEnded(const platform::TouchSet& touches) override;
  void touchesCancelled(const platform::TouchSet& touches) override;
  void processTouch(const platform::Touch& touch);
  void fingerDown(platform::Point point);
  void fingerMove(platform::Point point, platform::Point oldPoint);
  void fingerUp(platform::Point point);

  // --- What is shown (for tests and the root view) ---
  int screen() const { return screen_; }
  // The APP page's rows, nearest the player last: where the page's picture
  // draws each one (page shown), its name and value lie on it, and a tap
  // anywhere on it steps its setting.
  enum AppRow { kNumberOfKeysRow, kExpressionRow, kNoteNamingRow, kDualKeyboardRow, kAudioPanningRow, kAppRows };
  platform::Rect appRowRect(int row) const;
  // Where the name of `page` answers a touch: across the navigation band, along
  // the label that shows the name.
  TouchZone pageNameZone(int page) const;
  // Centre y of a page image when `shown` is the page on screen.
  double pageCentreY(int page, int shown) const;
  const platform::ImageView& pageImage(int page) const;
  const platform::VolumeView& volumeControl() const { return *volumeControl_; }
  const platform::ImageView& leftArrow() const { return *leftArrow_; }
  const platform::ImageView& rightArrow() const { return *rightArrow_; }
  const platform::Label& navigationLabel(int page) const;
  const platform::ImageView& metronomeLamp() const { return *onLit_; }
  const platform::Label& labelNumberOfKeys() const { return *labelNumberOfKeys_; }
  const platform::Label& labelExpression() const { return *labelExpression_; }
  const platform::Label& labelNoteNaming() const { return *labelNoteNaming_; }
  const platform::Label& labelDualKeyboard() const { return *labelDualKeyboard_; }
  const platform::Label& labelAudioPanning() const { return *labelAudioPanning_; }
  // What the sound output got (driver, rate, buffer), under the rows.
  const platform::Label& labelSoundOutput() const { return *labelSoundOutput_; }
  const platform::Label& tempoLabel() const { return *tempoLabel_; }
  const platform::Label& beatsPerBarLabel() const { return *beatsPerBarLabel_; }
  const Slider& normalSustain() const { return *normalSustain_; }
  const Slider& pedalSustain() const { return *pedalSustain_; }
  const Slider& metronomeVolume() const { return *volume_; }
  const Slider& tempo() const { return *tempo_; }
  // Voices of the test notes (-1 when none is sounding).
  int pedalTestVoice() const { return playlistNoPedal_; }
  int normalTestVoice() const { return playlistNoNormal_; }

 private:
  void buildNavigation();
  void buildAppPage();
  void buildPianoPage();
  void buildMetroPage();
  std::shared_ptr<platform::Label> addLabel(platform::View& page, const std::string& text,
                                            platform::Point centre, platform::Size size,
                                            const std::string& font, double fontSize);
  // A caption on a page: localised text, white, clear background.
  std::shared_ptr<platform::Label> addCaption(platform::View& page, const std::string& key,
                                              platform::Point centre, platform::Size size,
                                              const std::string& font, double fontSize, platform::TextAlignment alignment,
                                              float alpha);
  void placePages();

  // Page handlers.
  void fingerDownApp(platform::Point point);
  void fingerDownPiano(platform::Point point);
  void fingerUpPiano(platform::Point point);
  void fingerMovePiano(platform::Point point, platform::Point oldPoint);
  bool fingerOnSustainSlider(platform::Point point);
  void fingerDownMetronome(platform::Point point);
  bool fingerOnMetronomeSlider(platform::Point point);
  void tapTempo();

  void stopTestNote(int& voice);

  SettingsHost& parent_;
  SoundPlayer& soundPlayer_;
  Metronome& metronome_;
  std::function<double()> clock_;
  const bool tall_;
  const double length_;  // L: 480, or 568 on the tall screen
  const int s_;          // 0, or 45 on the tall screen
  int screen_ = kPianoPage;

  std::shared_ptr<platform::ImageView> backIcon_, helpIcon_, leftArrow_, rightArrow_;
  std::shared_ptr<platform::VolumeView> volumeControl_;
  std::shared_ptr<platform::Label> navBarApp_, navBarPiano_, navBarMetro_;

  std::shared_ptr<platform::ImageView> appBackground_;
  std::shared_ptr<platform::Label> labelExpression_, labelNoteNaming_, labelNumberOfKeys_,
      labelDualKeyboard_, labelAudioPanning_, labelSoundOutput_;

  std::shared_ptr<platform::ImageView> metronomeBackground_;
  std::unique_ptr<Slider> volume_, tempo_;
  std::shared_ptr<platform::ImageView> onLit_;
  std::shared_ptr<platform::Label> tempoLabel_, beatsPerBarLabel_;
  TapTempo tapTempo_;

  std::shared_ptr<platform::ImageView> pianoBackground_;
  int playlistNoPedal_ = -1;
  int playlistNoNormal_ = -1;
  std::unique_ptr<Slider> normalSustain_, pedalSustain_;
};

}  // namespace piano
