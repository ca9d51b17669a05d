// The song library screen driven by touches through a window: the list and its
// scrolling, saving, loading through the loading box, erasing, the modify mode
// and the way out to the piano and the manual.
#include <gtest/gtest.h>

#include <filesystem>

#include "library_support.h"
#include "platform/localized_strings.h"
#include "recording/offline_renderer.h"

namespace piano::testing {
namespace {

using platform::localized;

class LibraryScreenTest : public ::testing::Test {
 protected:
  void SetUp() override { useLanguage("en"); }

  // `count` songs "Song 1".."Song <count>", each with a different one-note song.
  void makeSongs(int count) {
    for (int i = 1; i <= count; ++i) {
      docs.write("Song " + std::to_string(i) + ".SAV",
                 "Version 2@" + std::string(MainSectionStub::kDefaults) + "@0|120|0.5|4|1|2|1|" +
                     std::to_string(20 + i) + "|0.000000|0|0.7|1|-8e-05|0|0.500000|0|@");
    }
  }
  std::string selectedName() const {
    const RecorderView& v = *rig.view;
    const int index = v.displayListStartIndex() + v.currentlySelected();
    return v.currentlySelected() < 0 ? std::string() : v.songNames().at(static_cast<std::size_t>(index));
  }
  void typeName(const std::string& text) {
    rig.tap(at::kNameField);
    ASSERT_TRUE(rig.view->saveTextField().isEditing());
    rig.stage.window().textInput(text);
    rig.stage.window().keyDown(platform::Key::Return);
  }

  TempFolder docs{"docs"};
  LibraryRig rig{docs.str()};
};

TEST_F(LibraryScreenTest, AnEmptyListSelectsNothingAndLoadAndEraseDoNothing) {
  rig.build();
  const RecorderView& v = *rig.view;
  EXPECT_TRUE(v.songNames().empty());
  EXPECT_EQ(v.currentlySelected(), -1);
  EXPECT_EQ(v.selectionBar().alpha(), 0.0f);
  EXPECT_EQ(v.upArrow().alpha(), 0.0f);
  EXPECT_EQ(v.downArrow().alpha(), 0.0f);
  rig.tap(at::kLoad);
  rig.tap(at::kErase);
  rig.tap(at::row(0));
  EXPECT_FALSE(v.showingMessageBox());
  EXPECT_EQ(v.currentlySelected(), -1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(v.rowLabel(i).text(), "");
}

TEST_F(LibraryScreenTest, EightSongsScrollKeepingTheSelectedSongInView) {
  makeSongs(8);
  rig.build();
  const RecorderView& v = *rig.view;
  ASSERT_EQ(v.songNames().size(), 8u);
  EXPECT_EQ(v.rowLabel(0).text(), "Song 1");
  EXPECT_EQ(v.rowLabel(5).text(), "Song 6");
  EXPECT_EQ(v.upArrow().alpha(), 0.0f);
  EXPECT_GT(v.downArrow().alpha(), 0.5f);

  rig.tap(at::row(2));
  EXPECT_EQ(selectedName(), "Song 3");
  rig.tap(at::kDown);
  EXPECT_EQ(v.displayListStartIndex(), 1);
  EXPECT_EQ(selectedName(), "Song 3");  // same song, one row higher
  rig.tap(at::kDown);
  EXPECT_EQ(v.displayListStartIndex(), 2);
  EXPECT_EQ(v.currentlySelected(), 0);
  EXPECT_EQ(v.selectionBar().centre().x, at::row(0).x);  // the bar follows the selected row
  EXPECT_EQ(v.rowLabel(5).text(), "Song 8");
  EXPECT_EQ(v.downArrow().alpha(), 0.0f);
  EXPECT_GT(v.upArrow().alpha(), 0.5f);
  rig.tap(at::kDown);  // at the end: nothing
  EXPECT_EQ(v.displayListStartIndex(), 2);
  EXPECT_EQ(selectedName(), "Song 3");

  // Scrolling up pushes the selection off the bottom row onto its neighbour.
  rig.tap(at::row(5));
  rig.tap(at::kUp);
  EXPECT_EQ(v.currentlySelected(), 5);
  EXPECT_EQ(v.selectionBar().centre().x, at::row(5).x);
  EXPECT_EQ(selectedName(), "Song 7");
  rig.tap(at::kUp);
  rig.tap(at::kUp);  // at the start: nothing
  EXPECT_EQ(v.displayListStartIndex(), 0);
  EXPECT_EQ(selectedName(), "Song 6");

  // Dragging over the list selects the row under the finger.
  rig.stage.press(2, at::row(0));
  rig.stage.drag(2, at::row(3));
  EXPECT_EQ(selectedName(), "Song 4");
  rig.stage.lift(2, at::row(3));
}

TEST_F(LibraryScreenTest, ATapPastTheEndOfAShortListSelectsItsLastSong) {
  makeSongs(3);
  rig.build();
  const RecorderView& v = *rig.view;
  EXPECT_EQ(v.currentlySelected(), 0);
  rig.tap(at::row(5));
  EXPECT_EQ(v.currentlySelected(), 2);
  rig.tap({164, 196});  // between rows 0 and 1: nothing changes
  EXPECT_EQ(v.currentlySelected(), 2);
  EXPECT_EQ(v.rowLabel(3).text(), "");

  // Each showing reads the folder again: the selected song stays selected
  // while it is there, its row is kept when it is gone.
  docs.write("A song.SAV", "x");
  rig.view->showing();
  EXPECT_EQ(v.rowLabel(0).text(), "A song");
  EXPECT_EQ(selectedName(), "Song 3");
  std::filesystem::remove(docs.path() / "Song 3.SAV");
  rig.view->showing();
  EXPECT_EQ(v.songNames().size(), 3u);
  EXPECT_EQ(selectedName(), "Song 2");
}

TEST_F(LibraryScreenTest, SavingUnderATypedNameMakesItFileSafeAndSelectsTheSong) {
  makeSongs(8);
  rig.build();
  rig.recordTake({39, 43});
  typeName("a/b.c");
  EXPECT_EQ(rig.view->saveTextField().text(), "a_b_c");
  rig.tap(at::kSave);
  EXPECT_TRUE(rig.view->showingMessageBox());
  EXPECT_EQ(rig.view->messageText(), localized("SONG SAVED"));
  EXPECT_EQ(rig.view->optionChosen(), RecorderView::kCloseResult);
  EXPECT_EQ(docs.read("a_b_c.SAV"), rig.files->stateText());
  EXPECT_EQ(selectedName(), "a_b_c");
  rig.tap(at::kOK);
  EXPECT_FALSE(rig.view->showingMessageBox());
  EXPECT_EQ(rig.view->rowLabel(rig.view->currentlySelected()).text(), "a_b_c");
}

TEST_F(LibraryScreenTest, AnUnnamedSaveAsksAndUsesTheDefaultNameThenAsksBeforeReplacingIt) {
  rig.build();
  rig.recordTake({39});
  typeName("  ");  // shows as nothing: no hidden ".SAV"
  rig.tap(at::kSave);
  EXPECT_EQ(rig.view->messageText(), localized("NOT NAMED SONG"));
  rig.tap(at::kOK);
  const std::string file = localized("MY SONG") + ".SAV";
  ASSERT_TRUE(docs.has(file));
  EXPECT_FALSE(docs.has(".SAV"));
  const std::string first = docs.read(file);
  rig.tap(at::kOK);

  rig.recordTake({50});
  rig.tap(at::kSave);
  rig.tap(at::kOK);
  EXPECT_EQ(rig.view->messageText(), localized("OVERWRITE SONG"));
  rig.tap(at::kCancel);
  EXPECT_FALSE(rig.view->showingMessageBox());
  EXPECT_EQ(docs.read(file), first);

  rig.tap(at::kSave);
  rig.tap(at::kOK);
  rig.tap(at::kOK);  // replace it
  EXPECT_EQ(rig.view->messageText(), localized("SONG SAVED"));
  EXPECT_EQ(docs.read(file), rig.files->stateText());
  EXPECT_EQ(docs.listing(), std::vector<std::string>{file});
}

TEST_F(LibraryScreenTest, SavingUnderATakenNameAsksFirstAndCancelKeepsTheFile) {
  makeSongs(2);
  rig.build();
  rig.recordTake({60});
  const std::string before = docs.read("Song 1.SAV");
  typeName("Song 1");
  rig.tap(at::kSave);
  EXPECT_EQ(rig.view->messageText(), localized("OVERWRITE SONG"));
  EXPECT_EQ(rig.view->optionChosen(), RecorderView::kOverwrite);
  rig.tap(at::kCancel);
  EXPECT_EQ(docs.read("Song 1.SAV"), before);
  rig.tap(at::kSave);
  rig.tap(at::kOK);
  EXPECT_EQ(docs.read("Song 1.SAV"), rig.files->stateText());
}

TEST_F(LibraryScreenTest, TheNameThatStartUpRemovesIsSavedWithANumber) {
  rig.build();
  typeName("temporary");
  rig.tap(at::kSave);
  EXPECT_TRUE(docs.has("temporary 2.SAV"));
  EXPECT_FALSE(docs.has("temporary.SAV"));
  EXPECT_EQ(rig.view->saveTextField().text(), "temporary 2");
}

TEST_F(LibraryScreenTest, LoadingShowsTheLoadingBoxIgnoresTouchesAndThenReports) {
  makeSongs(3);
  rig.build();
  rig.recordTake({10, 11, 12});
  rig.tap(at::row(1));
  rig.tap(at::kLoad);
  EXPECT_EQ(rig.view->messageText(), localized("REALLY LOAD") + " 'Song 2'?");
  rig.tap(at::kOK);
  EXPECT_TRUE(rig.view->showingPleaseWaitMessage());
  EXPECT_EQ(rig.view->okLabel().alpha(), 0.0f);
  EXPECT_EQ(rig.view->cancelLabel().alpha(), 0.0f);
  EXPECT_EQ(rig.view->messageText(), localized("LOADING SAMPLES"));

  rig.tap(at::kCancel);
  rig.tap(at::kBack);
  rig.advance(0.002);  // the load itself
  EXPECT_EQ(rig.pressedSlots(), std::vector<int>{22});
  rig.tap(at::kOK);
  EXPECT_TRUE(rig.view->showingPleaseWaitMessage());
  rig.advance(0.1);
  EXPECT_FALSE(rig.view->showingPleaseWaitMessage());
  EXPECT_EQ(rig.view->messageText(), localized("SONG LOADED"));
  EXPECT_EQ(rig.host.pianoShown, 0);
  EXPECT_EQ(rig.view->saveTextField().text(), "Song 2");
  rig.tap(at::kOK);
  EXPECT_FALSE(rig.view->showingMessageBox());
}

TEST_F(LibraryScreenTest, ADamagedSongReportsLoadFailedAndKeepsTheSongInTheRecorder) {
  makeSongs(1);
  docs.write("Broken.SAV", "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|9|3|1|40|0.1");
  docs.write("Binary.SAV", std::string("\xff\xfe\x00\x01", 4));
  rig.build();
  rig.recordTake({30, 31});
  rig.main.fields = "-8e-05|-1.6e-05|1|1|1|1|1|11|0|28|28|52|";
  for (int row : {0, 1}) {
    rig.tap(at::row(row));
    rig.tap(at::kLoad);
    rig.tap(at::kOK);
    rig.advance(0.2);
    rig.advance(0.2);
    EXPECT_EQ(rig.view->messageText(), localized("LOAD FAILED")) << row;
    EXPECT_EQ(rig.pressedSlots(), (std::vector<int>{30, 31}));
    EXPECT_EQ(rig.main.fields, "-8e-05|-1.6e-05|1|1|1|1|1|11|0|28|28|52|");
    EXPECT_EQ(rig.view->saveTextField().text(), "");
    rig.tap(at::kOK);
  }
}

TEST_F(LibraryScreenTest, FailedSavesAndErasesSayTheyFailed) {
  makeSongs(2);
  rig.build();
  rig.recordTake({40});
  // A name the file system refuses: longer than a file name may be.
  rig.view->saveTextField().setText(std::string(300, 'x'));
  rig.tap(at::kSave);
  EXPECT_EQ(rig.view->messageText(), localized("SAVE FAILED"));
  EXPECT_EQ(docs.listing().size(), 2u);
  rig.tap(at::kOK);

  // The song's file turned into a folder with something in it: it cannot go.
  std::filesystem::remove(docs.path() / "Song 1.SAV");
  std::filesystem::create_directories(docs.path() / "Song 1.SAV" / "inside");
  rig.tap(at::row(0));
  rig.tap(at::kErase);
  EXPECT_EQ(rig.view->messageText(), localized("REALLY ERASE") + " 'Song 1'?");
  rig.tap(at::kOK);
  EXPECT_EQ(rig.view->messageText(), localized("ERASE FAILED"));
  rig.tap(at::kOK);

  // The documents folder is gone.
  std::filesystem::remove_all(docs.path());
  rig.view->saveTextField().setText("Fine");
  rig.tap(at::kSave);
  EXPECT_EQ(rig.view->messageText(), localized("SAVE FAILED"));
}

TEST_F(LibraryScreenTest, ErasingAtTheEdgesOfTheList) {
  makeSongs(8);
  rig.build();
  const RecorderView& v = *rig.view;
  rig.tap(at::kDown);
  rig.tap(at::kDown);
  rig.tap(at::row(0));
  ASSERT_EQ(selectedName(), "Song 3");
  rig.tap(at::kErase);
  rig.tap(at::kOK);
  EXPECT_EQ(v.messageText(), localized("SONG ERASED"));
  EXPECT_FALSE(docs.has("Song 3.SAV"));
  EXPECT_EQ(v.displayListStartIndex(), 1);
  EXPECT_EQ(v.currentlySelected(), 0);
  EXPECT_EQ(selectedName(), "Song 2");
  rig.tap(at::kOK);

  rig.tap(at::row(5));
  ASSERT_EQ(selectedName(), "Song 8");  // the last song
  rig.tap(at::kErase);
  rig.tap(at::kOK);
  EXPECT_EQ(selectedName(), "Song 7");
  rig.tap(at::kOK);

  for (int left = 6; left > 0; --left) {
    rig.tap(at::kErase);
    rig.tap(at::kOK);
    rig.tap(at::kOK);
  }
  EXPECT_TRUE(v.songNames().empty());
  EXPECT_EQ(v.currentlySelected(), -1);
  EXPECT_EQ(v.displayListStartIndex(), 0);
  EXPECT_TRUE(docs.listing().empty());
}

TEST_F(LibraryScreenTest, ADragWhileAQuestionIsUpDoesNotChangeTheSongOKActsOn) {
  makeSongs(4);
  rig.build();
  rig.tap(at::row(0));
  rig.tap(at::kErase);
  rig.stage.press(3, at::row(3));
  rig.stage.drag(3, at::row(2));
  rig.stage.lift(3, at::row(2));
  rig.tap(at::kOK);
  EXPECT_FALSE(docs.has("Song 1.SAV"));
  EXPECT_TRUE(docs.has("Song 3.SAV"));
  EXPECT_TRUE(docs.has("Song 4.SAV"));
}

TEST_F(LibraryScreenTest, ModifyModeErasesTheLastNoteTheLastTakeAndTheWholeSong) {
  rig.build();
  rig.recordTake({10, 11});
  rig.recordTake({20, 21});
  rig.recordTake({30, 31});
  const RecorderView& v = *rig.view;
  rig.tap(at::kModifyMode);
  EXPECT_FALSE(v.loadSaveMode());
  EXPECT_EQ(v.modifyLit().alpha(), 1.0f);
  EXPECT_EQ(v.loadSaveLit().alpha(), 0.0f);
  EXPECT_EQ(v.modifyView().alpha(), 1.0f);
  EXPECT_EQ(v.loadSaveView().alpha(), 0.0f);

  rig.tap(at::kLastNote);
  EXPECT_EQ(v.messageText(), localized("REALLY ERASE NOTE"));
  rig.tap(at::kCancel);
  EXPECT_EQ(rig.pressedSlots().size(), 6u);
  rig.tap(at::kLastNote);
  rig.tap(at::kOK);
  EXPECT_FALSE(v.showingMessageBox());
  EXPECT_EQ(rig.pressedSlots(), (std::vector<int>{10, 20, 30, 11, 21}));

  rig.tap(at::kLastTrack);
  EXPECT_EQ(v.messageText(), localized("REALLY ERASE TRACK"));
  rig.tap(at::kOK);
  EXPECT_EQ(rig.pressedSlots(), (std::vector<int>{10, 20, 11, 21}));
  rig.tap(at::kLastTrack);
  rig.tap(at::kOK);
  EXPECT_EQ(rig.pressedSlots(), (std::vector<int>{10, 11}));

  rig.tap(at::kWholeSong);
  EXPECT_EQ(v.messageText(), localized("REALLY ERASE SONG"));
  rig.tap(at::kOK);
  EXPECT_TRUE(rig.pressedSlots().empty());

  rig.tap(at::kModifyMode);  // the lamp of the mode shown: nothing
  EXPECT_FALSE(v.loadSaveMode());
  rig.tap(at::kSongsMode);
  EXPECT_TRUE(v.loadSaveMode());
  EXPECT_EQ(v.optionChosen(), RecorderView::kNothing);
}

TEST_F(LibraryScreenTest, BackAndHelpLeaveTheScreenAndEndTyping) {
  rig.build();
  rig.tap(at::kNameField);
  rig.stage.window().textInput("half");
  rig.tap(at::kHelp);
  ASSERT_EQ(rig.host.manualSenders.size(), 1u);
  EXPECT_EQ(rig.host.manualSenders[0], ManualView::FromScreen::kLibrary);
  EXPECT_FALSE(rig.view->saveTextField().isEditing());
  EXPECT_EQ(rig.view->saveTextField().text(), "half");
  rig.tap(at::kBack);
  EXPECT_EQ(rig.host.pianoShown, 1);
}

TEST_F(LibraryScreenTest, TheOnScreenKeyboardTypesANameOverTheList) {
  makeSongs(3);
  rig.build();
  NameKeyboard& keys = rig.view->nameKeyboard();
  EXPECT_EQ(keys.alpha(), 0.0f);
  rig.tap(at::kNameField);
  EXPECT_EQ(keys.alpha(), 1.0f);
  const auto tapKey = [&](const std::string& key) {
    platform::Point centre;
    ASSERT_TRUE(keys.centreOfKey(key, &centre)) << key;
    rig.tap({25 + centre.x, 30 + centre.y});  // the keyboard lies over the list panel
  };
  for (const char* key : {"SHIFT", "w", "a", "l", "t", "z", "z", "DELETE", " ", "2"}) tapKey(key);
  EXPECT_EQ(rig.view->saveTextField().text(), "Waltz 2");
  EXPECT_EQ(rig.view->currentlySelected(), 0);  // the list under the keys was not touched
  rig.stage.window().textInput("!");  // a computer keyboard types too
  tapKey("DONE");
  EXPECT_FALSE(rig.view->saveTextField().isEditing());
  EXPECT_EQ(keys.alpha(), 0.0f);
  rig.tap(at::kSave);
  EXPECT_TRUE(docs.has("Waltz 2!.SAV"));
}

// Two takes saved, the song erased, then loaded again: the same notes come
// back and play through the sound engine.
TEST_F(LibraryScreenTest, ASavedSongComesBackAfterTheSongIsErased) {
  rig.build();
  rig.recordTake({39, 43, 46});
  rig.recordTake({27, 34});
  const std::vector<Note> recorded = rig.recorder->notesSnapshot();
  typeName("Two takes");
  rig.tap(at::kSave);
  rig.tap(at::kOK);
  rig.tap(at::kModifyMode);
  rig.tap(at::kWholeSong);
  rig.tap(at::kOK);
  ASSERT_EQ(rig.recorder->getNumNotes(), 0);
  rig.tap(at::kSongsMode);
  rig.tap(at::kLoad);
  rig.tap(at::kOK);
  rig.advance(0.01);
  rig.advance(0.1);
  ASSERT_EQ(rig.view->messageText(), localized("SONG LOADED"));

  const std::vector<Note> loaded = rig.recorder->notesSnapshot();
  ASSERT_EQ(loaded.size(), recorded.size());
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    EXPECT_EQ(loaded[i].keyDown, recorded[i].keyDown) << i;
    EXPECT_EQ(loaded[i].sampleNo, recorded[i].sampleNo) << i;
    EXPECT_NEAR(loaded[i].time, recorded[i].time, 1e-6) << i;
    EXPECT_FLOAT_EQ(loaded[i].volume, recorded[i].volume) << i;
  }

  OfflineRenderer::Settings settings;
  settings.sampleDir = PIANO_SAMPLE_DIR;
  OfflineRenderer renderer(settings);
  ASSERT_TRUE(renderer.loadStateText(docs.read("Two takes.SAV")));
  long long loudFrames = 0;
  const auto result = renderer.render([&](const std::int16_t* samples, int frames) {
    for (int i = 0; i < frames * 2; ++i) loudFrames += std::abs(samples[i]) > 300 ? 1 : 0;
    return true;
  });
  EXPECT_EQ(result.pressesPlayed, 5);
  EXPECT_TRUE(result.songEnded);
  EXPECT_GT(loudFrames, 44100);
}

TEST(LibraryScreenTall, ZonesFollowTheTallLayout) {
  useLanguage("en");
  TempFolder docs("docs");
  docs.write("One.SAV", "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|0|0|@");
  LibraryRig rig(docs.str(), {}, false, true);
  rig.build();
  const RecorderView& v = *rig.view;
  EXPECT_EQ(v.frame().height, 568.0);
  rig.tap({299, 330});  // the modify button sits lower on the tall screen
  EXPECT_FALSE(v.loadSaveMode());
  rig.tap({299, 240});
  EXPECT_TRUE(v.loadSaveMode());
  rig.tap({50, 470});  // ERASE, 40 points further along
  EXPECT_TRUE(v.showingMessageBox());
  rig.tap({90, 300});  // CANCEL at y' 260
  EXPECT_FALSE(v.showingMessageBox());
  rig.tap({300, 540});
  EXPECT_EQ(rig.host.manualSenders.size(), 1u);
}

}  // namespace
}  // namespace piano::testing
