// Shared set-up for the song library and manual tests: a documents folder of
// the test's own, a window that shows one portrait screen turned to landscape
// as the root view does, stand-ins for the root view, and a recorder with a
// file manager around a song library screen.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/sound_player.h"
#include "platform/run_loop.h"
#include "platform/window.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "screens/library/recorder_view.h"
#include "screens/manual/manual_view.h"

namespace piano::testing {

// Loads the shipped English (or Chinese) texts into the process-wide table.
void useLanguage(const std::string& language);

class TempFolder {
 public:
  explicit TempFolder(const std::string& tag);
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;
  bool has(const std::string& name) const;
  // File names, sorted.
  std::vector<std::string> listing() const;

 private:
  std::filesystem::path path_;
};

// A window showing one screen of the portrait space, turned by -pi/2 into the
// landscape window, so touches go through the real hit test and transforms.
class ScreenStage {
 public:
  explicit ScreenStage(bool tall = false);
  ~ScreenStage();
  void show(platform::View::Ptr screen);
  // Portrait screen points.
  void press(int finger, platform::Point point);
  void drag(int finger, platform::Point point);
  void lift(int finger, platform::Point point);
  void tap(platform::Point point);
  platform::Window& window() { return *window_; }

 private:
  std::unique_ptr<platform::Window> window_;
  std::shared_ptr<platform::View> container_;
  double time_ = 10.0;
};

class FakeLibraryHost : public LibraryHost {
 public:
  void showPiano() override { ++pianoShown; }
  void showManual(platform::View* sender) override { manualSenders.push_back(sender); }
  bool isChineseLanguage() const override { return chinese; }
  platform::Rect frame() const override { return {0, 0, 320, tall ? 568.0 : 480.0}; }
  int pianoShown = 0;
  std::vector<platform::View*> manualSenders;
  bool chinese = false;
  bool tall = false;
};

// The root view's settings section: twelve fields, seven in version 1.
class MainSectionStub : public StateSection {
 public:
  std::string getState() const override { return fields; }
  bool setState(std::string_view section, int version) override;
  void resetState() override { fields = kDefaults; }
  static constexpr const char* kDefaults = "-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|";
  std::string fields = kDefaults;
};

struct LibraryRig {
  // `demoSongs`: the demo-song folder (none when empty).
  explicit LibraryRig(const std::string& documents, const std::string& demoSongs = {}, bool chinese = false,
                      bool tall = false);
  ~LibraryRig();
  // Builds the screen (start-up maintenance included) and shows it.
  void build();
  // Lets time pass on the main run loop.
  void advance(double seconds);
  // Records one take in which each slot is pressed and released in turn.
  void recordTake(const std::vector<int>& slots);
  // The song's presses, as slots in song order.
  std::vector<int> pressedSlots() const;
  void tap(platform::Point point) { stage.tap(point); }

  double clock = 100.0;
  platform::RunLoop loop;
  std::unique_ptr<SoundPlayer> player;
  std::unique_ptr<Metronome> metronome;
  std::unique_ptr<NoteRecorder> recorder;
  MainSectionStub main;
  std::unique_ptr<FileManager> files;
  FakeLibraryHost host;
  std::string demoSongs;
  ScreenStage stage;
  std::shared_ptr<RecorderView> view;
};

// Where to tap on the song library screen (normal screen).
namespace at {
inline platform::Point row(int i) { return {178.0 - 27.0 * i, 196.0}; }
inline constexpr platform::Point kLoad{170, 430};
inline constexpr platform::Point kErase{50, 430};
inline constexpr platform::Point kSave{225, 430};
inline constexpr platform::Point kUp{178, 380};
inline constexpr platform::Point kDown{43, 380};
inline constexpr platform::Point kOK{90, 150};
inline constexpr platform::Point kCancel{90, 300};
inline constexpr platform::Point kBack{300, 20};
inline constexpr platform::Point kHelp{300, 460};
inline constexpr platform::Point kSongsMode{299, 200};
inline constexpr platform::Point kModifyMode{299, 280};
inline constexpr platform::Point kNameField{225, 213};
inline constexpr platform::Point kLastNote{120, 90};
inline constexpr platform::Point kLastTrack{120, 200};
inline constexpr platform::Point kWholeSong{120, 350};
}  // namespace at

}  // namespace piano::testing
