// The whole application without a display: built, used, closed and built again
// on the same documents folder, as a player would start it twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/main_view.h"
#include "audio/sound_player.h"
#include "keyboard/dual_keyboard_view.h"
#include "keyboard/single_keyboard_view.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "screens/library/recorder_view.h"
#include "screens/manual/manual_view.h"
#include "screens/settings/app_settings_view.h"

namespace piano {
namespace {

namespace fs = std::filesystem;

class Application : public ::testing::Test {
 protected:
  Application() {
    documents = fs::path(::testing::TempDir()) / ("app-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(documents);
    fs::create_directories(documents);
    platform::Animator::shared().setClock(clock.function());
  }
  ~Application() override {
    view.reset();
    platform::Animator::shared().setClock({});
    fs::remove_all(documents);
  }
  // Starts the application; the previous one, if any, is closed first as the
  // window's close would close it.
  MainView& start() {
    if (view) quit();
    MainView::Options o;
    o.runLoop = &loop;
    o.documentsDirectory = documents.string();
    o.clock = clock.function();
    o.startPlaybackThread = false;
    o.language = "en";
    view = MainView::create(o);
    window.setRootView(view);
    settle();
    return *view;
  }
  void quit() {
    dismissWelcome();
    view->applicationWillTerminate();
    window.setRootView(nullptr);
    view.reset();
  }
  // The welcome, if it came, is tapped away as a player would.
  void dismissWelcome() {
    while (window.isShowingAlert()) {
      const platform::Rect button = window.alertButtonRect();
      const platform::Point middle{button.x + button.width / 2, button.y + button.height / 2};
      window.fingerDown(9, middle, clock.now());
      window.fingerUp(9, middle, clock.now());
    }
  }
  // Fingers at points of the screens' portrait space.
  void down(int finger, platform::Point at) { window.fingerDown(finger, landscape(at), clock.now()); }
  void move(int finger, platform::Point at) { window.fingerMove(finger, landscape(at), clock.now()); }
  void up(int finger, platform::Point at) { window.fingerUp(finger, landscape(at), clock.now()); }
  void tap(platform::Point at) {
    down(1, at);
    up(1, at);
    settle();
  }
  static platform::Point landscape(platform::Point portrait) { return platform::portraitToLandscape(portrait); }
  // Lets the screen changes finish.
  void settle() {
    for (int i = 0; i < 40; ++i) {
      clock.advance(0.02);
      loop.runDue();
      platform::Animator::shared().tick();
    }
  }

  fs::path documents;
  platform::ManualClock clock{50.0};
  platform::RunLoop loop{clock.function()};
  platform::Window window{{480, 320}};
  std::shared_ptr<MainView> view;
};

TEST_F(Application, SettingsStartKeysAndTheSongSurviveARestart) {
  MainView& first = start();
  first.setNumKeysToDisplay(12);
  first.setExpressionFunction(3);
  first.setDisplayNoteNames(2);
  first.setSustainTimeNormal(0.25f);
  first.setSustainTimePedal(1.0f);
  first.setDualKeyboard(true);
  first.soundPlayer().setPianoNotePanning(false);
  first.singleKeyboardView().setStartKey(40);
  first.dualKeyboardView().setStartKey(0, 16);
  first.dualKeyboardView().setStartKey(1, 64);
  NoteRecorder& r = first.noteRecorder();
  r.record();
  const int id = r.addPlayNote(39, 0.7f, 1.0f, -0.00008f);
  clock.advance(0.5);
  r.addStopNote(id, 39);
  r.stop();
  r.addOverdubNotes();
  ASSERT_EQ(r.getNumNotes(), 2);

  MainView& second = start();
  EXPECT_EQ(second.numKeysToDisplay(), 12);
  EXPECT_EQ(second.expressionFunction(), 3);
  EXPECT_EQ(second.displayNoteNames(), 2);
  EXPECT_NEAR(second.sustainTimeNormalAsFraction(), 0.25f, 1e-4);
  EXPECT_EQ(second.sustainTimePedal(), 0.0f);
  EXPECT_TRUE(second.dualKeyboard());
  EXPECT_FALSE(second.soundPlayer().pianoNotePanning());
  EXPECT_EQ(second.singleKeyboardView().getStartKey(), 40);
  EXPECT_EQ(second.dualKeyboardView().getStartKey(0), 16);
  EXPECT_EQ(second.dualKeyboardView().getStartKey(1), 64);
  EXPECT_EQ(second.noteRecorder().getNumNotes(), 2);
  EXPECT_EQ(second.currentScreen(), &second.dualKeyboardView()) << "the dual screen is the piano screen";
}

TEST_F(Application, ASettingChangedOnTheSettingsScreenReachesTheKeyboardsAndSurvivesARestart) {
  MainView& v = start();
  dismissWelcome();
  tap({300, 260});  // the settings button of the keyboard's bar
  ASSERT_EQ(v.currentScreen(), &v.appSettingsView());
  tap({290, 170});  // APP in the navigation bar
  tap({200, 200});  // NUMBER OF KEYS: 8 -> 9
  tap({300, 20});   // back to the piano
  EXPECT_EQ(v.numKeysToDisplay(), 9);
  EXPECT_EQ(v.singleKeyboardView().numKeysToDisplay(), 9);
  MainView& again = start();
  EXPECT_EQ(again.numKeysToDisplay(), 9);
  EXPECT_EQ(again.singleKeyboardView().numKeysToDisplay(), 9);
}

TEST_F(Application, SustainFractionsConvertToReleaseRatesAndBack) {
  MainView& v = start();
  v.setSustainTimeNormal(0.5f);
  EXPECT_FLOAT_EQ(v.sustainTimeNormal(), -0.00008f);
  EXPECT_FLOAT_EQ(v.sustainTimeNormalAsFraction(), 0.5f);
  v.setSustainTimeNormal(1.0f);
  EXPECT_EQ(v.sustainTimeNormal(), 0.0f);
  v.setSustainTimeNormal(0.0f);
  EXPECT_FLOAT_EQ(v.sustainTimeNormal(), -0.00016f);
  EXPECT_EQ(v.getState().substr(0, 9), "-0.00016|");
}

TEST_F(Application, ADamagedStateFileStartsInTheDefaultStateAndSaysSo) {
  {
    std::ofstream(documents / "system.state") << "Version 2@-0.5|0|1|";  // cut short
  }
  testing::internal::CaptureStdout();
  MainView& v = start();
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("system.state could not be read"), std::string::npos);
  EXPECT_EQ(v.getState(), "-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|");

  // Hostile values are held to what the program is built for.
  quit();
  { std::ofstream(documents / "system.state") << "Version 2@-7|nan|1|1|9|-3|1|99|1|29|0|200|@0|120|0.5|4|0|0|@"; }
  MainView& held = start();
  EXPECT_EQ(held.sustainTimeNormal(), -1.0f);
  EXPECT_EQ(held.numKeysToDisplay(), 8);
  EXPECT_EQ(held.expressionFunction(), 1);
  EXPECT_EQ(held.displayNoteNames(), 1);
  EXPECT_EQ(held.singleKeyboardView().getStartKey(), 28) << "29 is a black key";
  EXPECT_EQ(held.dualKeyboardView().getStartKey(1), 52);
}

TEST_F(Application, TheWelcomeShowsOnTheFirstStartOnly) {
  start();
  EXPECT_TRUE(window.isShowingAlert());
  EXPECT_EQ(fs::file_size(documents / "SystemMessage.DAT"), 4u);
  quit();
  start();
  EXPECT_FALSE(window.isShowingAlert());
  quit();
  // A file of another length, or holding 0, brings it back.
  for (const std::string& content : {std::string(8, '\1'), std::string(4, '\0')}) {
    std::ofstream(documents / "SystemMessage.DAT", std::ios::binary) << content;
    start();
    EXPECT_TRUE(window.isShowingAlert());
    EXPECT_EQ(fs::file_size(documents / "SystemMessage.DAT"), 4u);
    quit();
  }
}

TEST_F(Application, ScreensChangeWithTheirTransitionsAndComeBack) {
  MainView& v = start();
  EXPECT_EQ(v.currentScreen(), &v.singleKeyboardView());
  v.showSetup();
  settle();
  EXPECT_EQ(v.currentScreen(), &v.appSettingsView());
  v.showManual(&v.appSettingsView());
  settle();
  ASSERT_NE(v.manualView(), nullptr);
  EXPECT_EQ(v.currentScreen(), v.manualView());
  v.showSetup();  // back from the manual
  settle();
  v.showPiano();
  settle();
  EXPECT_EQ(v.currentScreen(), &v.singleKeyboardView());
  EXPECT_EQ(v.transitionView().subviews().size(), 1u);
  // A request while a change runs is dropped.
  v.showNoteRecorder();
  clock.advance(0.02);
  platform::Animator::shared().tick();
  v.showSetup();
  settle();
  EXPECT_EQ(v.transitionView().subviews().front().get(), &v.recorderView());
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
    v.noteRecorder().playbackPass();
    settle();
    ASSERT_NE(v.currentScreen(), &v.singleKeyboardView());
    const int voices = v.soundPlayer().activeVoiceCount();
    move(2, {50, 150});
    move(2, {50, 210});
    EXPECT_EQ(v.soundPlayer().activeVoiceCount(), voices);
    up(2, {50, 210});
    quit();
  }
}

TEST_F(Application, PlaybackKeysGoToTheKeyboardInUseAndTheEndToBoth) {
  MainView& v = start();
  v.setDualKeyboard(true);
  v.mechanicalKeyPressDownForTrigger(39);
  EXPECT_TRUE(v.dualKeyboardView().engine().keyboard(0).mechanicalKeys[39]);
  EXPECT_FALSE(v.singleKeyboardView().engine().keyboard(0).mechanicalKeys[39]);
  v.setDualKeyboard(false);
  v.mechanicalKeyPressDownForTrigger(40);
  EXPECT_TRUE(v.singleKeyboardView().engine().keyboard(0).mechanicalKeys[40]);
  v.playbackEnded();
  EXPECT_FALSE(v.singleKeyboardView().engine().keyboard(0).mechanicalKeys[40]);
  EXPECT_FALSE(v.dualKeyboardView().engine().keyboard(0).mechanicalKeys[39]);
}

TEST_F(Application, AFolderThatCannotBeWrittenStillPlays) {
  fs::permissions(documents, fs::perms::owner_read | fs::perms::owner_exec);
  if (std::ofstream(documents / "probe")) GTEST_SKIP() << "running as a user who can write anywhere";
  MainView& v = start();
  testing::internal::CaptureStdout();
  v.applicationWillTerminate();
  EXPECT_NE(testing::internal::GetCapturedStdout().find("could not be written"), std::string::npos);
  fs::permissions(documents, fs::perms::owner_all);
}

}  // namespace
}  // namespace piano
