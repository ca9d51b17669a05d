// SongLibraryView: the song library screen. Two modes, chosen by the two buttons
// at its right edge:
//  - load/save: the saved songs six rows at a time with two scroll arrows, a
//    name field, and SAVE, LOAD and ERASE;
//  - modify: three targets that erase the last note, the last take or the whole
//    song in the recorder.
// Every destructive or long action asks first in a message box (OK, CANCEL) and
// reports its result in the same box (OK alone); a failed save, load or erase
// says so. A load that fails leaves the song in the recorder as it was.
//
// Laid out in the portrait screen space of the transition container (320 x 480,
// 320 x 568 on the tall screen); texts are turned a quarter turn to read along y.
//
// Threads: main thread only. The loading box's two steps run as delayed calls
// on the main run loop.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/run_loop.h"
#include "platform/text_field.h"
#include "screens/screen_host.h"
#include "screens/library/name_keyboard.h"
#include "screens/library/song_files.h"

namespace piano {

class FileManager;
class NoteRecorder;

class SongLibraryView : public platform::ImageView, private platform::TextFieldDelegate {
 public:
  // What OK does in the message box.
  enum Option : int {
    kNothing = 0,
    kSaveUnnamed = 1,
    kLoad = 2,
    kErase = 3,
    kCloseResult = 4,
    kOverwrite = 5,
    kEraseWholeSong = 6,
    kEraseLastTrack = 7,
    kEraseLastNote = 8,
  };

  struct Options {
    // Where the songs are; empty: the file manager's folder.
    std::string documentsDirectory;
    // Folder of the demo songs; unset: "songs" in the resources folder.
    std::optional<std::string> demoSongDirectory;
  };

  // Builds the screen, installs the demo songs, converts old saves and lists
  // the songs. `parent`, `fileManager`, `recorder` and `runLoop` must outlive it.
  // Create with std::make_shared.
  SongLibraryView(ScreenHost& parent, FileManager& fileManager, NoteRecorder& recorder, platform::RunLoop& runLoop,
               Options options);
  ~SongLibraryView() override;

  void redraw();
  // The root view calls it before the screen is shown: the songs folder is read
  // again (songs may have been copied in or removed meanwhile), keeping the
  // selected song selected where it is still there.
  void showing();

  // The file steps and what the screen shows after them.
  void save(const std::string& fileName);
  void load();
  void erase(int index);
  void stopShowingPleaseWait();

  // Touches, in this view's coordinates.
  void fingerDown(platform::Point point);
  void fingerMove(platform::Point point, platform::Point oldClick);
  void fingerUp(platform::Point point);
  void processTouches(const platform::TouchSet& touches);
  void touchesBegan(const platform::TouchSet& touches) override;
  void touchesMoved(const platform::TouchSet& touches) override;
  void touchesEnded(const platform::TouchSet& touches) override;
  void touchesCancelled(const platform::TouchSet& touches) override;

  // Ends typing in the name field (leaving the screen).
  void endEditing();
  // Whether the on-screen keyboard comes up while the name is edited (on by
  // default; a computer keyboard types into the field either way).
  void setOnScreenKeyboardEnabled(bool enabled) { onScreenKeyboardEnabled_ = enabled; }

  // ---- inspection (tests, the root view)
  const std::vector<std::string>& songNames() const { return songNames_; }
  int displayListStartIndex() const { return displayListStartIndex_; }
  int currentlySelected() const { return currentlySelected_; }
  bool loadSaveMode() const { return loadSaveMode_; }
  bool showingMessageBox() const { return showingMessageBox_; }
  bool showingPleaseWaitMessage() const { return showingPleaseWaitMessage_; }
  int optionChosen() const { return optionChosen_; }
  std::string messageText() const { return messageBoxText_->text(); }
  const SongFiles& songFiles() const { return files_; }
  platform::TextField& saveTextField() { return *saveTextField_; }
  const platform::Label& rowLabel(int row) const { return *loadLabel_.at(static_cast<std::size_t>(row)); }
  const platform::View& selectionBar() const { return *selectionBar_; }
  const platform::View& upArrow() const { return *upArrow_; }
  const platform::View& downArrow() const { return *downArrow_; }
  const platform::View& loadSaveView() const { return *loadSaveView_; }
  const platform::View& modifyView() const { return *modifyView_; }
  const platform::View& messageBox() const { return *messageBoxBackground_; }
  const platform::View& okLabel() const { return *OKLabel_; }
  const platform::View& cancelLabel() const { return *cancelLabel_; }
  const platform::View& loadSaveLit() const { return *loadSaveLit_; }
  const platform::View& modifyLit() const { return *modifyLit_; }
  NameKeyboard& nameKeyboard() { return *nameKeyboard_; }

 private:
  void build();
  std::shared_ptr<platform::Label> makeLabel(const platform::Rect& frame, const std::string& text,
                                             const std::string& font, double size);
  std::shared_ptr<platform::ImageView> makeImage(const std::string& name, platform::Point centre, float alpha);
  void placeCaps();

  void loadSongNames();
  int selectedIndex() const { return displayListStartIndex_ + currentlySelected_; }
  bool selectionValid() const;
  void showMessage(const std::string& key, int option);
  void showQuestionAboutSelected(const std::string& key, int option);
  void switchMode();
  void selectRow(platform::Point point);
  void saveRequest();
  void okAction();
  // A name the program must not use as it is ("temporary" is removed at every
  // start) becomes a numbered one.
  std::string usableName(const std::string& name) const;
  void selectSong(const std::string& name);

  // TextFieldDelegate
  void textFieldDidBeginEditing(platform::TextField& field) override;
  bool textFieldShouldReturn(platform::TextField& field) override;
  void textFieldDidEndEditing(platform::TextField& field) override;

  ScreenHost& parent_;
  FileManager& fileManager_;
  NoteRecorder& recorder_;
  platform::RunLoop& runLoop_;
  SongFiles files_;
  bool tall_ = false;
  bool chinese_ = false;

  std::shared_ptr<platform::ImageView> backIcon_, helpIcon_, modifyIcons_;
  std::shared_ptr<platform::Label> eraseLabel_;
  std::shared_ptr<platform::TextField> saveTextField_;
  std::array<std::shared_ptr<platform::Label>, 6> loadLabel_;
  std::shared_ptr<platform::ImageView> upArrow_, downArrow_;
  std::shared_ptr<platform::ImageView> saveButton_, loadButton_, deleteButton_;
  std::shared_ptr<platform::ImageView> loadSaveLit_, modifyLit_;
  std::shared_ptr<platform::View> saveBox_, loadBox_;
  std::shared_ptr<platform::View> loadSaveView_, modifyView_;
  std::shared_ptr<platform::View> messageBoxBackground_;
  std::shared_ptr<platform::Label> messageBoxText_, OKLabel_, cancelLabel_;
  std::shared_ptr<platform::ImageView> okCap_, cancelCap_, selectionBar_;
  std::shared_ptr<NameKeyboard> nameKeyboard_;
  bool onScreenKeyboardEnabled_ = true;

  int displayListStartIndex_ = 0;
  int currentlySelected_ = -1;
  bool loadSaveMode_ = true;
  std::vector<std::string> songNames_;
  bool showingMessageBox_ = false;
  bool showingPleaseWaitMessage_ = false;
  int optionChosen_ = kNothing;
  int songNumberToLoad_ = -1;
  // The result the loading box turns into.
  std::string loadResultKey_;
  // Delayed calls do nothing once the screen is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace piano
