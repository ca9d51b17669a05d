// The whole application without a display: built, used, closed and built again
// on the same documents folder, as a player would start it twice.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "app/main_view.h"
#include "audio/sound_player.h"
#include "keyboard/keyboard_view.h"
#include "platform/label.h"
#include "platform/url_opener.h"
#include "recording/file_manager.h"
#include "recording/metronome.h"
#include "recording/midi_song.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"
#include "screens/library/song_library_view.h"
#include "screens/manual/manual_view.h"
#include "screens/settings/app_settings_view.h"

namespace piano {
namespace {

namespace fs = std::filesystem;

// The application started and restarted on one documents folder, from a
// first start on (the welcome shows).
class Application : public ::testing::Test, public test::AppRig {
 protected:
  Application() : AppRig({.welcomeSeen = false, .start = false}) {}
};

void collectLabels(const platform::View& view, std::set<std::string>& out) {
  if (const auto* label = dynamic_cast<const platform::Label*>(&view)) out.insert(label->text());
  for (const auto& child : view.subviews()) collectLabels(*child, out);
}

TEST_F(Application, SettingsStartKeysAndTheSongSurviveARestart) {
  MainView& first = start();
  EXPECT_EQ(first.keyboardSettings(), KeyboardSettings{}) << "a fresh start";
  ASSERT_TRUE(first.fileManager().applyStateText(  // a song of one note
      "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|@0|120|0.5|4|1|2|1|39|0.0|0|0.7|1|-8e-05|0|0.5|0|@"));
  dismissWelcome();
  tap({300, 360});  // the sustain pedal, one for both keyboards
  first.setNumKeysToDisplay(12), first.setExpressionFunction(3), first.setDisplayNoteNames(2);
  first.setSustainTimeNormal(0.25f), first.setSustainTimePedal(1.0f), first.setDualKeyboard(true);
  first.soundPlayer().setPianoNotePanning(false);
  first.singleKeyboardView().setStartKey(0, 40);
  first.dualKeyboardView().setStartKey(0, 16), first.dualKeyboardView().setStartKey(1, 64);
  MainView& second = start();
  EXPECT_EQ(std::tuple(second.numKeysToDisplay(), second.expressionFunction(), second.displayNoteNames(),
                       second.sustainTimePedal(), second.dualKeyboard(), second.soundPlayer().pianoNotePanning()),
            std::tuple(12, 3, 2, 0.0f, true, false));
  EXPECT_NEAR(second.sustainTimeNormalAsFraction(), 0.25f, 1e-4);
  EXPECT_EQ(second.dualKeyboardView().lamp(KeyboardView::Lamp::kSustainPedal)->alpha(), 1.0f);
  EXPECT_EQ(std::tuple(second.singleKeyboardView().getStartKey(), second.dualKeyboardView().getStartKey(0),
                       second.dualKeyboardView().getStartKey(1), second.noteRecorder().getNumNotes()),
            std::tuple(40, 16, 64, 2));
  EXPECT_EQ(second.currentScreen(), &second.dualKeyboardView()) << "the dual screen is the piano screen";
}

TEST_F(Application, SettingsChangedOnTheSettingsScreenReachTheKeyboards) {
  MainView& v = start();
  dismissWelcome();
  tap({300, 260});  // the settings button of the keyboard's bar
  ASSERT_EQ(v.currentScreen(), &v.appSettingsView());
  tap({290, 170});  // APP in the navigation bar
  tap({200, 200});  // NUMBER OF KEYS: 8 -> 9
  tap({300, 20});   // back to the piano
  EXPECT_EQ(std::tuple(v.numKeysToDisplay(), v.singleKeyboardView().numKeysToDisplay(),
                       v.dualKeyboardView().numKeysToDisplay()),
            std::tuple(9, 9, 9));
}

TEST_F(Application, ADamagedStateFileStartsInTheDefaultStateAndIsKeptBeside) {
  // Each start on it starts from the defaults and sets the file (the player's song may be in it) aside; three are kept.
  const std::string damaged = "Version 2@-0.5|0|1|";  // cut short
  for (const char* next : {"0", "1", "2", "3", "4"}) {
    std::ofstream(documents / "system.state") << damaged + next;
    EXPECT_EQ(start().getState(), "-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|");
    quit();
  }
  std::vector<std::string> copies;  // the oldest first
  for (const auto& entry : fs::directory_iterator(documents)) {
    if (entry.path().filename().string().starts_with("system.state.damaged-")) copies.push_back(test::fileText(entry));
  }
  std::sort(copies.begin(), copies.end());
  EXPECT_EQ(copies, (std::vector<std::string>{damaged + "2", damaged + "3", damaged + "4"}));

  // Hostile values are held to what the program is built for.
  { std::ofstream(documents / "system.state") << "Version 2@-7|nan|1|1|9|-3|1|99|1|29|0|200|@0|120|0.5|4|0|0|@"; }
  MainView& held = start();
  const int choices = held.expressionFunction() + held.displayNoteNames();
  EXPECT_EQ(std::tuple(held.sustainTimeNormal(), held.numKeysToDisplay(), choices), std::tuple(-1.0f, 8, 2));
  EXPECT_EQ(held.singleKeyboardView().getStartKey(), 28) << "29 is a black key";
  EXPECT_EQ(held.dualKeyboardView().getStartKey(1), 52);
}

TEST_F(Application, AVersionOneStateFileLoadsAsAPlayerUpgradingMeetsIt) {
  // The first version's settings (no key count, dual screen or start keys) and a song.
  std::ofstream(documents / "system.state")
      << "-0.0001|0|1|0|3|2|0|@1|90|0.25|3|2|2|1|39|1.500000|0|0.7|1|-8e-05|0|2.250000|0|@";
  EXPECT_EQ(start().noteRecorder().getNumNotes(), 2);
  quit();  // saved in the current version, with nothing lost
  EXPECT_EQ(test::fileText(documents / "system.state"), "Version 2@-0.0001|0|1|0|3|2|0|8|0|28|28|52|@"
                                                  "1|90|0.25|3|2|2|1|39|1.500000|0|0.7|1|-8e-05|0|2.250000|0|@");
}

// Links, pipes and folders under the program's own file names: start-up never
// waits on them or writes through a link, and a state file it could not read
// is never replaced.
TEST_F(Application, ItsOwnFileNamesAreNeverFollowedWaitedOnOrReplacedUnread) {
  const fs::path outside = documents.string() + "-outside";
  const fs::path flag = documents / "SystemMessage.DAT";
  const fs::path stateFile = documents / "system.state";
  const std::string state = "Version 2@-8e-05|-1.6e-05|0|0|1|1|1|12|0|28|28|52|@0|120|0.5|4|0|0|@";
  std::ofstream(outside) << state;
  fs::create_symlink(outside, flag);
  ::mkfifo(stateFile.c_str(), 0600);
  start(), quit();
  EXPECT_TRUE(fs::is_fifo(stateFile));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(flag)));

  fs::remove(flag), fs::remove(stateFile);
  ::mkfifo(flag.c_str(), 0600);
  fs::create_symlink(outside, stateFile);
  EXPECT_EQ(start().numKeysToDisplay(), 12);
  quit();
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(stateFile)));
  EXPECT_EQ(test::fileText(outside), state);
  fs::remove(outside);

  fs::remove(stateFile);
  fs::create_directories(stateFile / "inside");
  start(), quit();
  EXPECT_TRUE(fs::is_directory(stateFile / "inside"));
  if (::geteuid() == 0) return;  // permissions stop neither reads nor writes of root
  fs::remove_all(stateFile);
  std::ofstream(stateFile) << state;
  fs::permissions(stateFile, fs::perms::none);
  start(), quit();
  fs::permissions(stateFile, fs::perms::owner_all);
  EXPECT_EQ(test::fileText(stateFile), state);
  // A folder that cannot be written still plays, and says what is not kept.
  fs::permissions(documents, fs::perms::owner_read | fs::perms::owner_exec);
  start();
  testing::internal::CaptureStdout();
  quit();
  EXPECT_FALSE(testing::internal::GetCapturedStdout().empty());
  fs::permissions(documents, fs::perms::owner_all);
}

// The welcome shows on a first start only; a flag file of another length, or
// holding 0, brings it back.
TEST_F(Application, TheWelcomeShowsOnTheFirstStartOnly) {
  for (const std::string& flag : {std::string(), std::string(4, '\1'), std::string(8, '\1'), std::string(4, '\0')}) {
    if (!flag.empty()) std::ofstream(documents / "SystemMessage.DAT", std::ios::binary) << flag;
    start();
    EXPECT_EQ(window().isShowingAlert(), flag != std::string(4, '\1')) << flag.size();
    EXPECT_EQ(test::fileText(documents / "SystemMessage.DAT"), std::string("\1\0\0\0", 4));
    quit();
  }
}

// A dropped MIDI file is a new song each time, with the player's settings; a damaged one is refused.
TEST_F(Application, DroppedMidiFilesJoinTheLibraryAsNewSongs) {
  MainView& app = start();
  dismissWelcome();
  app.setNumKeysToDisplay(12);
  std::ofstream(documents / "Tune.mid", std::ios::binary)
      << midi::songToFile({Note::down(39, 1, 0, 0, 0, 1, 0), Note::up(0.5, 0, 39)}, 100, 4);
  std::ofstream(documents / "Bad.mid", std::ios::binary) << "MThd";
  window().setFileHandler([&app](const std::string& path) { app.importMidiFile(path); });
  for (const char* file : {"Tune.mid", "Tune.mid", "Bad.mid"}) window().fileDropped(documents / file);
  std::string titles;
  for (; window().isShowingAlert(); window().keyDown(platform::Key::Escape)) titles += window().alertTitle() + ";";
  EXPECT_EQ(titles, "MIDI file added to the song library;MIDI file added to the song library;MIDI file not imported;");
  EXPECT_FALSE(std::filesystem::exists(documents / "Bad.SAV"));
  app.setNumKeysToDisplay(8);
  ASSERT_TRUE(app.fileManager().applyStateText(test::fileText(documents / "Tune 2.SAV")));
  EXPECT_EQ(std::tuple(app.noteRecorder().getNumNotes(), app.numKeysToDisplay(), app.metronome().getMetronomeTempo()),
            std::tuple(2, 12, 100));
}

// Every way between the screens, by touch, on both layouts. Half way through
// its transition, the picture is made of the two screens, each where the
// transition has carried it: no other settings page, no keys beyond the
// keyboard's edge. The manual goes back where it was opened from, and says so
// until the next touch when the browser could not show its web page.
TEST(ScreenChanges, EachHasItsTransitionAndHalfWayShowsOnlyItsTwoScreens) {
  using T = platform::TransitionType;
  using D = platform::TransitionDirection;
  using platform::Point;
  enum Screen { kPiano, kSettings, kLibrary, kManual };
  for (const bool tall : {false, true}) {
    test::AppRig rig({.tall = tall, .display = true});
    MainView& v = rig.app();
    EXPECT_EQ(v.transitionView().lastType(), T::Fade);  // the start
    const Point settingsButton{300, tall ? 305.0 : 260.0}, libraryButton{300, tall ? 255.0 : 210.0},
        help{300, tall ? 545.0 : 460.0}, back{300, 20}, manualBack{20, 240}, webPage{20, 400};
    const struct {
      Point via;
      Screen to;
      T type;
      D direction;
    } changes[] = {{settingsButton, kSettings, T::Push, D::FromBottom}, {help, kManual, T::MoveIn, D::FromTop},
                   {manualBack, kSettings, T::Reveal, D::FromBottom},  {back, kPiano, T::Push, D::FromTop},
                   {libraryButton, kLibrary, T::Push, D::FromBottom},  {help, kManual, T::MoveIn, D::FromTop},
                   {manualBack, kLibrary, T::Reveal, D::FromBottom},   {back, kPiano, T::Push, D::FromTop}};
    int w = 0, h = 0;
    auto picture = [&] {
      std::vector<unsigned char> rgba;
      rig.display()->drawFrame();
      EXPECT_TRUE(rig.display()->readPixels(&rgba, &w, &h));
      return rgba;
    };
    std::vector<unsigned char> before = picture();
    for (const auto& c : changes) {
      if (c.via == manualBack) {
        rig.browserWorks = c.to == kSettings;
        rig.tap(webPage);
        EXPECT_EQ(v.manualView()->openFailureBox().alpha(), rig.browserWorks ? 0.0f : 1.0f);
      }
      rig.down(1, c.via), rig.up(1);
      const TransitionView& transition = v.transitionView();
      EXPECT_EQ(std::pair(transition.lastType(), transition.lastDirection()), std::pair(c.type, c.direction));
      rig.advance(0.15);
      const std::vector<unsigned char> halfway = picture();
      rig.advance(0.5);
      const std::vector<unsigned char> after = picture();
      const platform::View* screens[] = {&v.singleKeyboardView(), &v.appSettingsView(), &v.songLibraryView(),
                                         v.manualView()};
      ASSERT_EQ(v.currentScreen(), screens[c.to]);
      // Where the old and the new picture lie half way, in pixels along the
      // display: a change from the bottom comes in from the right.
      const int from = c.direction == D::FromBottom ? w / 2 : -w / 2;
      const int shiftOld = c.type == T::MoveIn ? 0 : -from;
      const int shiftNew = c.type == T::Reveal ? 0 : from;
      int wrong = 0;
      for (int i = 0; i < w * h * 4; ++i) {
        const int x = i / 4 % w;
        auto at = [&](const std::vector<unsigned char>& p, int shift) {
          return x - shift >= 0 && x - shift < w ? p[i - shift * 4] : -1;
        };
        const int o = at(before, shiftOld), n = at(after, shiftNew);
        const int expected = c.type == T::Reveal ? (o >= 0 ? o : n) : (n >= 0 ? n : o);
        wrong += i % 4 != 3 && std::abs(halfway[i] - std::max(0, expected)) > 24;
      }
      EXPECT_LT(wrong, w * h / 200) << "change " << (&c - changes) << (tall ? " tall" : "");
      before = after;
    }
    EXPECT_EQ(v.manualView()->openFailureBox().alpha(), 0.0f);
  }
}

// A finger held on the keyboard while another leaves it during a take: the
// take's stop, handed over by the playback thread, redraws the keyboard that
// is no longer shown, and a slide of the held finger must still start nothing.
TEST_F(Application, AKeyboardLeftForAnotherScreenStartsNoVoice) {
  for (const platform::Point leave : {platform::Point{300, 260}, platform::Point{300, 210}}) {
    MainView& v = start();
    dismissWelcome();
    for (int slot = 0; slot < 88; ++slot) v.soundPlayer().setSampleData(slot, std::vector<std::int16_t>(4410, 1000));
    tap({300, 170});  // record
    down(2, {50, 90});
    ASSERT_EQ(v.soundPlayer().activeVoiceCount(), 1) << "the held finger sounds";
    tap(leave);
    v.noteRecorder().playbackPass(), settle();
    ASSERT_NE(v.currentScreen(), &v.singleKeyboardView());
    const int voices = v.soundPlayer().activeVoiceCount();
    move(2, {50, 150}), move(2, {50, 210});
    EXPECT_EQ(v.soundPlayer().activeVoiceCount(), voices);
    up(2, {50, 210});
    quit();
  }
}

// Every control word that the manual quotes (“...”) is a label that the
// screens show in the same language, whatever the settings' values; the
// manual's web page opens in that language too.
TEST_F(Application, TheManualQuotesTheLabelsTheScreensShow) {
  for (const char* lang : {"en", "zh-Hans"}) {
    options.language = lang;
    MainView& v = start();
    v.showManual(ManualView::FromScreen::kLibrary);
    std::set<std::string> labels;
    for (int value = 0; value < 4; ++value) {
      v.setExpressionFunction(value);
      v.setDisplayNoteNames(value);
      v.setDualKeyboard(value % 2 == 1);
      v.soundPlayer().setPianoNotePanning(value % 2 == 1);
      v.appSettingsView().redraw();
      collectLabels(v.appSettingsView(), labels);
      collectLabels(v.songLibraryView(), labels);
      collectLabels(*v.manualView(), labels);
    }
    std::string pages;
    for (const std::string& page : v.manualView()->pages()) pages += page;
    int quoted = 0;
    for (std::size_t at = pages.find("“"), end; at != std::string::npos; at = pages.find("“", end), ++quoted) {
      end = pages.find("”", at);
      ASSERT_NE(end, std::string::npos) << lang << ": " << pages.substr(at, 40);
      const std::string word = pages.substr(at + 3, end - at - 3);  // the quotes are 3 bytes long
      EXPECT_TRUE(labels.count(word)) << lang << ": “" << word << "” is on no screen";
    }
    EXPECT_GT(quoted, 30) << lang;
    v.visitWebsite();
    const fs::path page = fs::absolute(std::string(PIANO_RESOURCE_DIR) + "/manual/" + lang + ".html");
    EXPECT_EQ(opened.back(), platform::pageUrl(page.string()));
  }
}

TEST_F(Application, PlaybackKeysGoToTheKeyboardInUseAndTheEndToBoth) {
  MainView& v = start();
  auto held = [&](KeyboardView& keyboard, int slot) { return keyboard.engine().keyboard(0).mechanicalKeys[slot]; };
  v.setDualKeyboard(true), v.mechanicalKeyPressDownForTrigger(39);
  EXPECT_TRUE(held(v.dualKeyboardView(), 39) && !held(v.singleKeyboardView(), 39));
  v.setDualKeyboard(false), v.mechanicalKeyPressDownForTrigger(40);
  EXPECT_TRUE(held(v.singleKeyboardView(), 40));
  v.playbackEnded();
  EXPECT_FALSE(held(v.singleKeyboardView(), 40) || held(v.dualKeyboardView(), 39));
}

}  // namespace
}  // namespace piano
