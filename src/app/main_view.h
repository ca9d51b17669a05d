// MainView: the root view. It creates and owns every subsystem for the life of
// the process (the sound engine, the recorder with its playback thread, the two
// keyboard screens, the state-file manager, the settings, song library and
// manual screens), keeps the player's keyboard settings, which both keyboards
// read, switches screens through the transition container, restores
// "system.state" at start and saves it at the end, and greets a first launch.
//
// Coordinates: the view fills the landscape window (480 x 320, or 568 x 320);
// the transition container inside it is turned by -pi/2, so every screen is laid
// out in the portrait space of 320 x 480 (568) points. The display adapter
// chooses the layout (platform/screen.h) before the view is built, and the
// platform shows the landscape picture whichever way up the device is held, so
// nothing here follows the device's turns.
//
// Threads: the main thread only. The playback thread reaches the RecorderParent
// calls through the main run loop.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/transition_view.h"
#include "keyboard/keyboard_host.h"
#include "keyboard/keyboard_settings.h"
#include "platform/view.h"
#include "recording/recorder_parent.h"
#include "recording/state_section.h"
#include "screens/manual/manual_host.h"
#include "screens/settings/settings_host.h"

namespace piano {

namespace platform {
class AudioOutput;
class MidiConnection;
class RunLoop;
}  // namespace platform

class SoundPlayer;
class Metronome;
class NoteRecorder;
struct Note;

class FileManager;
class KeyboardView;
class ComputerKeyboard;
class MidiKeys;
class AppSettingsView;
class SongLibraryView;
class ManualView;

class MainView : public platform::View,
                 public TransitionViewDelegate,
                 public RecorderParent,
                 public StateSection,
                 public KeyboardParent,
                 public SettingsHost,
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
    // MIDI instruments play the keyboard in use and hear every note; may be
    // null. Must outlive the view.
    platform::MidiConnection* midi = nullptr;
    // Told of every note playback plays (tests and measurements).
    std::function<void(const Note&, double elapsed)> playbackObserver;
  };

  static constexpr const char* kStateFileName = "system.state";
  static constexpr const char* kFirstLaunchFileName = "SystemMessage.DAT";

  // Builds everything, restores the state, shows the piano and greets a first start.
  static std::shared_ptr<MainView> create(Options options);
  ~MainView() override;

  // ---- settings (SettingsHost and the state text). The setters write the
  // keyboard settings and have both keyboards apply them; the modes are the
  // stored numbers 0..3, anything else reads as a fresh start's.
  const KeyboardSettings& keyboardSettings() const { return keyboardSettings_; }
  int numKeysToDisplay() const override { return keyboardSettings_.numKeysToDisplay; }
  void setNumKeysToDisplay(int keys) override;
  int expressionFunction() const override { return static_cast<int>(keyboardSettings_.expressionFunction); }
  void setExpressionFunction(int function) override;
  int displayNoteNames() const override { return static_cast<int>(keyboardSettings_.displayNoteNames); }
  void setDisplayNoteNames(int naming) override;
  bool dualKeyboard() const override { return dualKeyboard_; }
  void setDualKeyboard(bool dual) override { dualKeyboard_ = dual; }
  // Fractions 0..1 in, stored as release rates r = -(1 - f) * 0.00016.
  void setSustainTimeNormal(float fraction) override;
  void setSustainTimePedal(float fraction) override;
  float sustainTimeNormalAsFraction() const override;
  float sustainTimePedalAsFraction() const override;
  float sustainTimeNormal() const override { return static_cast<float>(keyboardSettings_.sustainTimeNormal); }
  float sustainTimePedal() const override { return static_cast<float>(keyboardSettings_.sustainTimePedal); }
  bool isChineseLanguage() const override { return chinese_; }
  // The screens' frame: the portrait screen space.
  platform::Rect frame() const override;

  // ---- screens
  void showPiano() override;
  void showSetup() override;
  void showNoteRecorder() override;
  void showManual(ManualView::FromScreen from) override;
  // Opens the manual's web page in the language of the texts; when the browser
  // cannot, the manual screen says so.
  void visitWebsite() override;
  // Adds a MIDI file to the song library under the file's name, carrying the
  // player's settings; an alert says what came in, or why nothing did.
  void importMidiFile(const std::string& path);
  // Saves the state file (the song and the settings). A state file that was
  // there at start but could not be read is left as it is.
  void saveState();
  // Saves the state file, then stops the sound engine.
  void applicationWillTerminate();

  // ---- playback's calls (RecorderParent): the keys to the keyboard in use,
  // the end to both
  void mechanicalKeyPressDownForTrigger(int sampleNo) override;
  void mechanicalKeyPressUpForTrigger(int sampleNo) override;
  void playbackEnded() override;
  void liftAllKeysAndStopRecording() override;

  // ---- the computer keyboard, played on the piano screen
  void keyPositionChanged(int position, bool down) override;

  // ---- the main section of the state text
  std::string getState() const override;
  bool setState(std::string_view section, int version) override;
  void resetState() override;
  // The main section of a fresh start: a song made outside the program carries
  // it when no player's settings are at hand.
  static std::string freshMainSection();

  // ---- parts, for the application and tests
  SoundPlayer& soundPlayer() { return *soundPlayer_; }
  Metronome& metronome() { return *metronome_; }
  NoteRecorder& noteRecorder() { return *noteRecorder_; }
  FileManager& fileManager() { return *fileManager_; }
  KeyboardView& singleKeyboardView() { return *singleKeyboardView_; }
  KeyboardView& dualKeyboardView() { return *dualKeyboardView_; }
  AppSettingsView& appSettingsView() { return *appSettingsView_; }
  SongLibraryView& songLibraryView() { return *songLibraryView_; }
  ManualView* manualView() { return manualView_.get(); }
  TransitionView& transitionView() { return *transitionView_; }
  platform::View* currentScreen() const { return currentScreen_; }
  // The keyboard screen in use: the dual one when the setting is on.
  KeyboardView& activeKeyboardView() { return *activeKeyboard(); }
  const std::string& documentsDirectory() const { return documentsDirectory_; }
  // The sample slots in the order to load them when they arrive one by one:
  // the keys of the keyboard screen in use first (keys::sampleSlotsNearestFirst).
  std::vector<int> sampleLoadOrder() const;

 private:
  explicit MainView(Options options);
  void build();
  // Restores "system.state". A damaged one is set aside under a name that
  // says so; one that could not be read (or set aside) is not replaced at exit.
  void loadStateFile();
  // The welcome message, unless the first-launch file says it was shown before.
  void showWelcomeOnFirstStart();
  void switchTo(const std::shared_ptr<platform::View>& screen, platform::TransitionType type,
                platform::TransitionDirection direction);
  const std::shared_ptr<KeyboardView>& activeKeyboard() const;
  // Both keyboards take up the settings record as it now is.
  void applyKeyboardSettings();
  static std::string mainSection(const KeyboardSettings& k, bool panning, bool dual, int single, int lower,
                                 int upper);

  Options options_;
  std::string documentsDirectory_;
  bool chinese_ = false;
  bool appJustStarted_ = true;
  bool saveStateAtExit_ = true;
  platform::View* currentScreen_ = nullptr;

  KeyboardSettings keyboardSettings_;
  bool dualKeyboard_ = false;

  std::shared_ptr<TransitionView> transitionView_;
  std::unique_ptr<SoundPlayer> soundPlayer_;
  std::unique_ptr<Metronome> metronome_;
  std::unique_ptr<NoteRecorder> noteRecorder_;
  std::shared_ptr<KeyboardView> singleKeyboardView_;
  std::shared_ptr<KeyboardView> dualKeyboardView_;
  std::unique_ptr<ComputerKeyboard> computerKeyboard_;
  std::unique_ptr<MidiKeys> midiKeys_;
  std::unique_ptr<FileManager> fileManager_;
  std::shared_ptr<AppSettingsView> appSettingsView_;
  std::shared_ptr<SongLibraryView> songLibraryView_;
  std::shared_ptr<ManualView> manualView_;
};

}  // namespace piano
