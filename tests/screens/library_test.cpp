// The song library screen in the running application, driven by touches: the
// list and its scrolling, saving, loading through the loading box, erasing,
// the modify mode, failures, and where its controls answer on both layouts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/localized_strings.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"
#include "screens/library/song_library_view.h"

namespace piano {
namespace {

namespace fs = std::filesystem;
using platform::localized;
using platform::Point;

// Portrait points of the normal layout.
Point row(int i) { return {178.0 - 27.0 * i, 196.0}; }
constexpr Point kLoad{170, 430}, kErase{50, 430}, kSave{225, 430}, kUp{178, 380}, kDown{43, 380}, kOK{90, 150},
    kCancel{90, 300}, kBack{300, 20}, kHelp{300, 460}, kSongsMode{299, 200}, kModifyMode{299, 280},
    kNameField{225, 213}, kLastNote{120, 90}, kLastTrack{120, 200}, kWholeSong{120, 350};

std::string song(int slot) {  // one press and its release
  return "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1|2|1|" + std::to_string(slot) +
         "|0.000000|0|0.7|1|-8e-05|0|0.500000|0|@";
}

class Library : public ::testing::Test, public test::AppRig {
 protected:
  explicit Library(Options o = {}) : AppRig(o), screen(app().songLibraryView()) {}
  // Shows the library holding "Song 1".."Song <count>" in place of the demo songs.
  void show(int count) {
    for (const auto& entry : fs::directory_iterator(documents)) {
      if (entry.path().extension() == ".SAV") fs::remove(entry.path());
    }
    for (int i = 1; i <= count; ++i) write("Song " + std::to_string(i) + ".SAV", song(20 + i));
    app().showNoteRecorder();
    settle();
  }
  void taps(std::initializer_list<Point> points) {
    for (const Point p : points) tap(p);
  }
  void write(const std::string& name, const std::string& bytes) { std::ofstream(documents / name) << bytes; }
  std::string read(const std::string& name) const { return test::fileText(documents / name); }
  std::string selected() const {
    const int index = screen.displayListStartIndex() + screen.currentlySelected();
    return screen.currentlySelected() < 0 ? "" : screen.songNames().at(static_cast<std::size_t>(index));
  }
  void recordTake(const std::vector<int>& slots) {
    NoteRecorder& r = app().noteRecorder();
    r.record();
    for (const int slot : slots) {
      clock.advance(0.1);
      const int id = r.addPlayNote(slot, 0.7f, 1.0f, -8e-05f);
      clock.advance(0.2);
      r.addStopNote(id, slot);
    }
    r.stop();
    r.addOverdubNotes();
  }

  SongLibraryView& screen;
};

TEST_F(Library, SongsScrollAndShowKeepingTheSelectedSongInView) {
  show(8);
  EXPECT_EQ(screen.rowLabel(5).text(), "Song 6");
  EXPECT_GT(screen.downArrow().alpha(), 0.5f);
  taps({row(2), kDown});
  EXPECT_EQ(screen.displayListStartIndex(), 1);
  EXPECT_EQ(selected(), "Song 3");  // the same song, one row higher
  taps({kDown, kDown});  // at the end: nothing
  EXPECT_EQ(std::pair(screen.displayListStartIndex(), screen.currentlySelected()), std::pair(2, 0));
  EXPECT_EQ(screen.selectionBar().centre().x, row(0).x);  // the bar follows the selected row
  EXPECT_EQ(screen.rowLabel(5).text(), "Song 8");
  EXPECT_EQ(screen.downArrow().alpha(), 0.0f);
  // Scrolling up pushes the selection off the bottom row onto its neighbour.
  tap(row(5));
  for (int i = 0; i < 3; ++i) tap(kUp);
  EXPECT_EQ(std::pair(screen.displayListStartIndex(), selected()), std::pair(0, std::string("Song 6")));
  // A drag selects the row under the finger; a tap past the end of a short list its last song.
  down(2, row(0));
  move(2, row(3));
  EXPECT_EQ(selected(), "Song 4");
  up(2);
  show(3);
  taps({row(0), row(5)});
  EXPECT_EQ(selected(), "Song 3");
  // Each showing reads the folder again, keeping the selected song, or its row when it is gone.
  write("A song.SAV", song(40));
  app().showNoteRecorder();
  EXPECT_EQ(screen.rowLabel(0).text(), "A song");
  EXPECT_EQ(selected(), "Song 3");
  fs::remove(documents / "Song 3.SAV");
  app().showNoteRecorder();
  EXPECT_EQ(selected(), "Song 2");
}

TEST_F(Library, SavingMakesTheNameFileSafeAsksBeforeReplacingAndSelectsTheSong) {
  show(8);
  recordTake({39, 43});
  screen.saveTextField().setText("a/b.c");
  tap(kSave);
  EXPECT_EQ(screen.saveTextField().text() + screen.messageText(), "a_b_c" + localized("SONG SAVED"));
  EXPECT_EQ(read("a_b_c.SAV"), app().fileManager().stateText());
  EXPECT_EQ(selected(), "a_b_c");
  tap(kOK);
  EXPECT_FALSE(screen.showingMessageBox());
  // The name that start-up removes is saved with a number.
  screen.saveTextField().setText("temporary");
  tap(kSave);
  EXPECT_TRUE(fs::exists(documents / "temporary 2.SAV") && screen.saveTextField().text() == "temporary 2");
  tap(kOK);
  // An unnamed save asks, then takes the default name; a taken name asks first.
  screen.saveTextField().setText("  ");  // shows as nothing
  tap(kSave);
  EXPECT_EQ(screen.messageText(), localized("NOT NAMED SONG"));
  tap(kOK);
  const std::string file = localized("MY SONG") + ".SAV";
  const std::string first = read(file);
  tap(kOK);
  recordTake({50});
  taps({kSave, kOK});
  EXPECT_EQ(screen.messageText(), localized("OVERWRITE SONG"));
  tap(kCancel);
  EXPECT_TRUE(!screen.showingMessageBox() && read(file) == first);
  screen.saveTextField().setText(localized("MY SONG"));
  tap(kSave);
  EXPECT_EQ(screen.optionChosen(), SongLibraryView::kOverwrite);
  tap(kOK);  // replace it
  EXPECT_EQ(screen.messageText(), localized("SONG SAVED"));
  EXPECT_EQ(read(file), app().fileManager().stateText());
}

TEST_F(Library, LoadingShowsTheLoadingBoxIgnoresTouchesAndThenReports) {
  show(3);
  recordTake({10, 11, 12});
  taps({row(1), kLoad});
  EXPECT_EQ(screen.messageText(), localized("REALLY LOAD") + " 'Song 2'?");
  for (const Point p : {kOK, kCancel, kBack, kOK}) down(1, p), up(1);  // the question's OK, then ignored
  EXPECT_TRUE(screen.showingPleaseWaitMessage());
  EXPECT_EQ(screen.okLabel().alpha() + screen.cancelLabel().alpha(), 0.0f);
  advance(0.002);  // the load itself
  EXPECT_EQ(songPresses(), std::vector<int>{22});
  EXPECT_TRUE(screen.showingPleaseWaitMessage());
  advance(0.2);
  EXPECT_EQ(screen.messageText() + "|" + screen.saveTextField().text(), localized("SONG LOADED") + "|Song 2");
  EXPECT_EQ(app().currentScreen(), &screen);
}

TEST_F(Library, DamagedSongsFailedSavesAndErasesSayTheyFailedAndKeepWhatWasThere) {
  show(1);
  write("Broken.SAV", "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|9|3|1|40|0.1");
  write("Binary.SAV", std::string("\xff\xfe\x00\x01", 4));
  app().showNoteRecorder();
  recordTake({30, 31});
  app().setNumKeysToDisplay(11);
  for (const int r : {0, 1}) {
    taps({row(r), kLoad, kOK});
    EXPECT_EQ(screen.messageText(), localized("LOAD FAILED")) << r;
    EXPECT_EQ(std::pair(songPresses(), app().numKeysToDisplay()), std::pair(std::vector<int>{30, 31}, 11));
    tap(kOK);
  }
  screen.saveTextField().setText(std::string(300, 'x'));  // longer than a file name may be
  tap(kSave);
  EXPECT_EQ(screen.messageText(), localized("SAVE FAILED"));
  tap(kOK);
  fs::remove(documents / "Song 1.SAV");  // a folder with something in it cannot go
  fs::create_directories(documents / "Song 1.SAV" / "inside");
  taps({row(2), kErase});
  EXPECT_EQ(screen.messageText(), localized("REALLY ERASE") + " 'Song 1'?");
  tap(kOK);
  EXPECT_EQ(screen.messageText(), localized("ERASE FAILED"));
}

TEST_F(Library, ErasingAtTheEdgesOfTheListToTheEndAndDragsDuringTheQuestion) {
  show(8);
  taps({kDown, kDown, row(0), kErase});
  down(3, row(5));  // a drag while the question is up: OK still erases Song 3
  move(3, row(4));
  up(3);
  tap(kOK);
  EXPECT_EQ(screen.messageText(), localized("SONG ERASED"));
  EXPECT_FALSE(fs::exists(documents / "Song 3.SAV"));
  EXPECT_EQ(std::pair(screen.displayListStartIndex(), selected()), std::pair(1, std::string("Song 2")));
  taps({kOK, row(5), kErase, kOK});  // the last song
  EXPECT_EQ(selected(), "Song 7");
  tap(kOK);
  for (int left = 6; left > 0; --left) taps({kErase, kOK, kOK});
  EXPECT_TRUE(screen.songNames().empty());
  EXPECT_EQ(screen.displayListStartIndex(), 0);
  taps({kLoad, kErase, row(0)});  // with no song these do nothing
  EXPECT_FALSE(screen.showingMessageBox());
  EXPECT_EQ(screen.currentlySelected(), -1);
  EXPECT_EQ(screen.selectionBar().alpha() + screen.upArrow().alpha() + screen.downArrow().alpha(), 0.0f);
}

TEST_F(Library, ModifyModeErasesTheLastNoteTheLastTakeAndTheWholeSong) {
  show(0);
  for (const int first : {10, 20, 30}) recordTake({first, first + 1});
  tap(kModifyMode);
  EXPECT_EQ(screen.modifyLit().alpha() + screen.modifyView().alpha() - screen.loadSaveLit().alpha(), 2.0f);
  tap(kLastNote);
  EXPECT_EQ(screen.messageText(), localized("REALLY ERASE NOTE"));
  tap(kCancel);
  EXPECT_EQ(songPresses().size(), 6u);
  taps({kLastNote, kOK});
  EXPECT_EQ(songPresses(), (std::vector<int>{10, 20, 30, 11, 21}));
  taps({kLastTrack, kOK});
  EXPECT_EQ(songPresses(), (std::vector<int>{10, 20, 11, 21}));
  taps({kWholeSong, kOK});
  EXPECT_TRUE(songPresses().empty());
  tap(kModifyMode);  // the lamp of the mode shown: nothing
  EXPECT_FALSE(screen.loadSaveMode());
  tap(kSongsMode);
  EXPECT_TRUE(screen.loadSaveMode() && screen.optionChosen() == SongLibraryView::kNothing);
}

TEST_F(Library, TheOnScreenKeyboardTypesANameAndLeavingEndsTyping) {
  show(3);
  NameKeyboard& keys = screen.nameKeyboard();
  tap(kNameField);
  EXPECT_EQ(keys.alpha(), 1.0f);
  const auto tapKey = [&](const std::string& key) {
    Point centre;
    ASSERT_TRUE(keys.centreOfKey(key, &centre)) << key;
    tap({25 + centre.x, 30 + centre.y});  // the keyboard lies over the list panel
  };
  for (const char* key : {"SHIFT", "w", "a", "l", "t", "z", "z", "DELETE", " ", "2"}) tapKey(key);
  EXPECT_EQ(screen.saveTextField().text(), "Waltz 2");
  EXPECT_EQ(screen.currentlySelected(), 0);  // the list under the keys was not touched
  window().textInput("!");  // a computer keyboard types too
  tapKey("DONE");
  EXPECT_EQ(keys.alpha(), 0.0f);
  tap(kSave);
  EXPECT_TRUE(fs::exists(documents / "Waltz 2!.SAV"));
  taps({kOK, kNameField});
  window().textInput("half");
  tap(kHelp);
  EXPECT_TRUE(!screen.saveTextField().isEditing() && screen.saveTextField().text() == "Waltz 2!half");
  EXPECT_EQ(app().currentScreen(), app().manualView());
}

// Each kind of zone at one of its bounds: the list's rows and its ends, a
// button, an arrow, the mode buttons, the modify targets and the message box;
// on the tall screen the modes' views lie 44 points further along y, the
// message box 40.
class LibraryZones : public Library, public ::testing::WithParamInterface<bool> {
 protected:
  LibraryZones() : Library({.tall = GetParam()}) {}
};

TEST_P(LibraryZones, AnswerWithinTheirBounds) {
  show(8);
  const double d = GetParam() ? 44 : 0, m = GetParam() ? 40 : 0;
  auto effect = [&](Point p) {
    const int selected = screen.currentlySelected(), top = screen.displayListStartIndex();
    const bool mode = screen.loadSaveMode();
    screen.fingerDown({p.x, p.y + d});
    const std::string what = screen.showingMessageBox()               ? "box " + std::to_string(screen.optionChosen())
                             : mode != screen.loadSaveMode()            ? "mode"
                             : screen.displayListStartIndex() != top    ? "scroll"
                             : screen.currentlySelected() != selected ? "row " + std::to_string(screen.currentlySelected())
                                                                      : "-";
    if (screen.showingMessageBox()) screen.fingerDown({90, 300 + m});  // CANCEL
    return what;
  };
  const struct {
    Point at;  // on the normal screen
    const char* effect;
  } cases[] = {{{110, 196}, "row 2"}, {{109.9, 196}, "row 3"}, {{178, 35}, "-"}, {{178, 35.5}, "row 0"},
               {{147, 450}, "-"},     {{147.5, 450}, "box 2"}, {{62.9, 380}, "scroll"}, {{63, 380}, "-"},
               {{299, 239.9}, "-"},   {{299, 240.1}, "mode"},  {{272, 300}, "-"},       {{120, 152.9}, "box 8"},
               {{120, 153.1}, "box 7"}, {{175, 200}, "-"}};
  for (const auto& c : cases) EXPECT_EQ(effect(c.at), c.effect) << c.at.x << ", " << c.at.y;
  // The message box: OK above y 240, CANCEL below, nothing beside them.
  tap(kSongsMode);
  screen.fingerDown({150, 450 + d});  // LOAD's question
  screen.fingerDown({118, 200 + m});
  EXPECT_TRUE(screen.showingMessageBox());
  screen.fingerDown({90, 239.9 + m});
  EXPECT_TRUE(screen.showingPleaseWaitMessage());
  settle();
  screen.fingerDown({90, 240.1 + m});  // CANCEL closes the result as OK does
  EXPECT_FALSE(screen.showingMessageBox());
  screen.fingerDown({276, 20});
  EXPECT_EQ(app().currentScreen(), &screen);
  screen.fingerDown({276.5, 20});
  EXPECT_NE(app().currentScreen(), &screen);
}

INSTANTIATE_TEST_SUITE_P(Layouts, LibraryZones, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Tall" : "Normal"; });

}  // namespace
}  // namespace piano
