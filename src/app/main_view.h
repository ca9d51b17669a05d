// MainView: the root view. It creates and owns every subsystem for the life of
// the process (the sound engine, the recorder with its playback thread, the two
// keyboard screens, the state-file manager, the settings, song library and
// manual screens), holds the player's keyboard settings and hands them to the
// keyboards, switches screens through the transition container, restores
// "system.state" at start and saves it at the end, and greets a first launch.
//
// Coordinates: the view fills the landscape window (480 x 320, or 568 x 320);
// the transition container inside it is turned by -pi/2, so every screen is laid
// out in the portrait space of 320 x 480 (568) points.
//
// Threads: the main thread only. The playback thread reaches the RecorderParent
// calls through the main run loop.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/landscape_view_controller.h"
#include "app/transition_view.h"
#include "keyboard/keyboard_host.h"
#include "platform/view.h"
#include "recording/recorder_parent.h"
#include "recording/state_section.h"
#include "screens/library/library_host.h"
#include "screens/manual/manual_host.h"
#include "screens/settings/settings_host.h"

namespace piano {

namespace platform {
class AudioOutput;
class RunLoop;
}  // namespace platform

class SoundPlayer;
class Metronome;
class NoteRecorder;
struct Note;

// The release rate of a sustain slider position: r = -(1 - f) * 0.00016 per
// frame for f in 0..1 (held to that range; NaN reads as 0). Any thread.
double releaseRateForFraction(float fraction);
class FileManager;
class SingleKeyboardView;
class DualKeyboardView;
class AppSettingsView;
class RecorderView;
class ManualView;

class MainView : public platform::View,
                 public TransitionViewDelegate,
                 public RecorderParent,
                 public StateSection,
                 public LandscapeView,
                 public KeyboardParent,
                 public SettingsHost,
                 public LibraryHost,
                 public ManualHost {
 public:
  struct Options {
    platform::RunLoop* runLoop = nullptr;         // required: the main run loop
    platform::AudioOutput* output = nullptr;      // null: rendered by hand
    std::string sampleDir;                        // the .mav sample set
    std::string documentsDirectory;               // empty: the platform's folder
    std::function<double()> clock;                // media clock; the platform's when empty
    bool startPlaybackThread = true;              // off when a driver runs playback passes
    std::optional<std::string> language;          // preferred language; the desktop's when unset
    // Opens an address in the system browser and tells `done` whether it could.
    std::function<void(const std::string& address, std::function<void(bool opened)> done)> openUrl;
    std::function<void()> disableIdleTimer;           // keep the screen awake
    // Told of every note playback plays (tests and measurements).
    std::function<void(const Note&, double elapsed)> playbackObserver;
  };

  static constexpr const char* kStateFileName = "system.state";
  static constexpr const char* kFirstLaunchFileName = "SystemMessage.DAT";

  // initWithPiano:. Builds everything, restores the state and shows the piano.
  static std::shared_ptr<MainView> create(Options options);
  ~MainView() override;

  // ---- settings (SettingsHost and the state text)
  int numKeysToDisplay() const override { return numKeysToDisplay_; }
  void setNumKeysToDisplay(int keys) override;
  int expressionFunction() const override { return expressionFunction_; }
  void setExpressionFunction(int function) override;
  int displayNoteNames() const override { return displayNoteNames_; }
  void setDisplayNoteNames(int naming) override;
  bool dualKeyboard() const override { return dualKeyboard_; }
  void setDualKeyboard(bool dual) override { dualKeyboard_ = dual; }
  bool softPedalPressed() const { return softPedalPressed_; }
  void setSoftPedalPressed(bool pressed);
  bool sustainPedalPressed() const { return sustainPedalPressed_; }
  void setSustainPedalPressed(bool pressed);
  // Fractions 0..1 in, stored as release rates r = -(1 - f) * 0.00016.
  void setSustainTimeNormal(float fraction) override;
  void setSustainTimePedal(float fraction) override;
  float sustainTimeNormalAsFraction() const override;
  float sustainTimePedalAsFraction() const override;
  float sustainTimeNormal() const override { return static_cast<float>(sustainTimeNormal_); }
  float sustainTimePedal() const override { return static_cast<float>(sustainTimePedal_); }
  bool isChineseLanguage() const override { return chinese_; }
  // The screens' frame: the portrait screen space.
  platform::Rect frame() const override;

  // ---- screens
  void showPiano() override;
  void showSetup() override;
  void showNoteRecorder() override;
  void showManual(platform::View* sender) override;
  // Opens the manual's web page in the language of the texts; when the browser
  // cannot, the manual screen says so.
  void visitWebsite() override;
  void testDisplayFirstTimeMessage();
  // Saves the state file, then stops the sound engine. A state file that was
  // there at start but could not be read is left as it is.
  void applicationWillTerminate();

  // ---- playback's calls (RecorderParent), forwarded to the keyboards
  void mechanicalKeyPressDownForTrigger(int sampleNo) override;
  void mechanicalKeyPressUpForTrigger(int sampleNo) override;
  void playbackEnded() override;
  void liftAllKeysAndStopRecording() override;

  // ---- the main section of the state text
  std::string getState() const override;
  bool setState(std::string_view section, int version) override;
  void resetState() override;

  void orientationChanged(int) override {}

  // ---- parts, for the application and tests
  SoundPlayer& soundPlayer() { return *soundPlayer_; }
  Metronome& metronome() { return *metronome_; }
  NoteRecorder& noteRecorder() { return *noteRecorder_; }
  FileManager& fileManager() { return *fileManager_; }
  SingleKeyboardView& singleKeyboardView() { return *singleKeyboardView_; }
  DualKeyboardView& dualKeyboardView() { return *dualKeyboardView_; }
  AppSettingsView& appSettingsView() { return *appSettingsView_; }
  RecorderView& recorderView() { return *recorderView_; }
  ManualView* manualView() { return manualView_.get(); }
  TransitionView& transitionView() { return *transitionView_; }
  platform::View* currentScreen() const { return currentScreen_; }
  // The keyboard screen in use: the dual one when the setting is on.
  platform::View& activeKeyboardView();
  const std::string& documentsDirectory() const { return documentsDirectory_; }

 private:
  explicit MainView(Options options);
  void build();
  // Restores "system.state". A damaged one is set aside under a name that
  // says so; one that could not be read (or set aside) is not replaced at exit.
  void loadStateFile();
  void switchTo(const std::shared_ptr<platform::View>& screen, platform::TransitionType type,
                platform::TransitionDirection direction);
  template <typename F>
  void forBothKeyboards(F&& f);

  Options options_;
  std::string documentsDirectory_;
  bool chinese_ = false;
  bool appJustStarted_ = true;
  bool saveStateAtExit_ = true;
  platform::View* currentScreen_ = nullptr;

  int numKeysToDisplay_ = 8;
  bool dualKeyboard_ = false;
  bool softPedalPressed_ = false;
  bool sustainPedalPressed_ = false;
  double sustainTimeNormal_ = -0.00008;
  double sustainTimePedal_ = -0.000016;
  int expressionFunction_ = 1;
  int displayNoteNames_ = 1;

  std::shared_ptr<TransitionView> transitionView_;
  std::unique_ptr<SoundPlayer> soundPlayer_;
  std::unique_ptr<Metronome> metronome_;
  std::unique_ptr<NoteRecorder> noteRecorder_;
  std::shared_ptr<SingleKeyboardView> singleKeyboardView_;
  std::shared_ptr<DualKeyboardView> dualKeyboardView_;
  std::unique_ptr<FileManager> fileManager_;
  std::shared_ptr<AppSettingsView> appSettingsView_;
  std::shared_ptr<RecorderView> recorderView_;
  std::shared_ptr<ManualView> manualView_;
};

}  // namespace piano
