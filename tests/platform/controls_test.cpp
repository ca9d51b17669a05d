#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/paced_audio_output.h"
#include "platform/text_field.h"
#include "platform/volume_view.h"
#include "platform/window.h"

namespace piano::platform {
namespace {

class Delegate : public TextFieldDelegate {
 public:
  std::vector<std::string> calls;
  void textFieldDidBeginEditing(TextField& f) override { calls.push_back("begin " + f.text()); }
  bool textFieldShouldReturn(TextField& f) override {
    calls.push_back("return " + f.text());
    f.resignFirstResponder();
    return true;
  }
  void textFieldDidEndEditing(TextField& f) override { calls.push_back("end " + f.text()); }
};

struct FieldScreen {
  Window window{Size{480, 320}};
  std::shared_ptr<View> root = std::make_shared<View>();
  std::shared_ptr<TextField> field = std::make_shared<TextField>(Rect{100, 100, 200, 26});
  Delegate delegate;
  FieldScreen() {
    window.setRootView(root);
    root->addSubview(field);
    field->setDelegate(&delegate);
    field->setClearButtonMode(ClearButtonMode::WhileEditing);
  }
  void tap(Point p, double t) {
    window.fingerDown(1, p, t);
    window.fingerUp(1, p, t + 0.05);
  }
};

TEST(TextField, ATapStartsEditingTheKeyboardTypesUntilReturnAndTheClearButtonEmpties) {
  FieldScreen s;
  s.window.textInput("ignored");
  EXPECT_EQ(s.field->text(), "");
  s.tap({150, 110}, 0.0);
  ASSERT_TRUE(s.field->isEditing());
  EXPECT_TRUE(s.window.wantsTextInput());
  s.window.textInput("My ");
  s.window.textInput("So\x01ng\n");  // control characters are not text
  s.window.textInput("\xE9\x92\xA2");  // one CJK character, three bytes
  s.window.keyDown(Key::Backspace);   // removes it whole
  s.window.keyDown(Key::Backspace);
  EXPECT_EQ(s.field->text(), "My Son");
  s.window.keyDown(Key::Return);
  EXPECT_FALSE(s.field->isEditing());
  EXPECT_FALSE(s.window.wantsTextInput());
  EXPECT_EQ(s.delegate.calls, (std::vector<std::string>{"begin ", "return My Son", "end My Son"}));

  // The clear button empties; the length is bounded.
  s.field->setText("");
  s.field->setMaxLength(5);
  s.tap({150, 110}, 1.0);
  s.window.textInput("abcd\xE9\x92\xA2");  // the CJK character would not fit whole
  EXPECT_EQ(s.field->text(), "abcd");
  const Point clear = s.field->convertPointToView(s.field->clearButtonRect().centre(), nullptr);
  s.tap(clear, 2.0);
  EXPECT_EQ(s.field->text(), "");
  EXPECT_TRUE(s.field->isEditing());

  // Another field taking the keyboard ends this one's editing.
  auto other = std::make_shared<TextField>(Rect{100, 200, 200, 26});
  s.root->addSubview(other);
  s.tap({150, 210}, 3.0);
  EXPECT_TRUE(other->isEditing());
  EXPECT_FALSE(s.field->isEditing());
  other.reset();  // a field that dies while editing leaves no dangling focus
  s.root->removeAllSubviews();
  s.window.textInput("x");
  EXPECT_FALSE(s.window.wantsTextInput());
}

TEST(VolumeView, SetsTheOutputAndRemembersTheVolumeBetweenRuns) {
  const std::string dir = ::testing::TempDir() + "piano-volume-test";
  std::remove((dir + "/output-volume").c_str());
  setConfigDirectory(dir);
  WavFileAudioOutput output(dir + "/unplayed.wav", /*paced=*/false);
  setSystemAudioOutput(&output);
  EXPECT_FLOAT_EQ(systemVolume(), 0.8f);  // nothing saved yet
  EXPECT_NEAR(output.volume(), 0.8f, 1e-4) << "the output follows";

  Window window(Size{480, 320});
  auto root = std::make_shared<View>();
  window.setRootView(root);
  // Turned like the settings screen's, so its track runs up the display.
  auto slider = std::make_shared<VolumeView>(Rect{0, 0, 250, 50});
  slider->setCentre({240, 160});
  slider->setTransform(AffineTransform::rotation(M_PI / 2));
  root->addSubview(slider);
  // The track runs 14 points in from each end.
  const auto at = [&](double value) { return slider->convertPointToView({14.0 + 222.0 * value, 25.0}, nullptr); };
  window.fingerDown(1, at(0.5), 0.0);
  window.fingerMove(1, at(0.25), 0.1);
  EXPECT_NEAR(output.volume(), 0.25f, 1e-3);
  window.fingerMove(1, at(-3.0), 0.2);  // held to the track
  EXPECT_EQ(output.volume(), 0.0f);
  window.fingerUp(1, at(0.75), 0.3);
  EXPECT_NEAR(systemVolume(), 0.75f, 1e-3);

  setConfigDirectory(dir);  // as at the next start
  EXPECT_NEAR(systemVolume(), 0.75f, 1e-3);
  for (const char* damaged : {"loud\n", "7\n"}) {
    std::ofstream(dir + "/output-volume") << damaged;
    setConfigDirectory(dir);
    EXPECT_FLOAT_EQ(systemVolume(), 0.8f) << damaged;
  }
  std::remove((dir + "/output-volume").c_str());
  ::mkfifo((dir + "/output-volume").c_str(), 0600);  // never waited on
  setConfigDirectory(dir);
  EXPECT_FLOAT_EQ(systemVolume(), 0.8f);
  setSystemAudioOutput(nullptr);
}

}  // namespace
}  // namespace piano::platform
