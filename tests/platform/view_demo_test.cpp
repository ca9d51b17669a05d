// Builds a small screen the way the application does (a portrait container
// turned onto the landscape display, artwork, labels in Latin and Chinese
// text, a text field, the volume slider, a transition and the alert) and
// writes screenshots of it, for a person to look at. The checks are light.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/manual_clock.h"
#include "platform/run_loop.h"
#include "platform/sdl_display.h"
#include "platform/text_field.h"
#include "platform/touch_script.h"
#include "platform/volume_view.h"

namespace piano::platform {
namespace {

// A label that reads along the portrait y axis, centred at `centre`.
std::shared_ptr<Label> turnedLabel(Point centre, Size size, const std::string& text, double fontSize,
                                   Colour colour) {
  auto label = std::make_shared<Label>(Rect{0, 0, size.width, size.height});
  label->setCentre(centre);
  label->setText(text);
  label->setFont("Helvetica", fontSize);
  label->setTextColour(colour);
  label->setAlignment(TextAlignment::Centre);
  label->setTransform(AffineTransform::rotation(M_PI / 2));
  return label;
}

std::shared_ptr<View> demoScreen(const std::shared_ptr<const Image>& key) {
  auto screen = std::make_shared<View>(Rect{0, 0, 320, 480});
  screen->setBackgroundColour(Colour::rgb255(38, 44, 60));

  auto keyboard = std::make_shared<View>(Rect{0, 240, 1, 900});
  keyboard->setTransform(AffineTransform::scale(1.0, 0.8));
  keyboard->setCentre({60, 900 * 0.8 / 2});
  for (int i = 0; i < 8; ++i) {
    auto k = std::make_shared<ImageView>(key);
    k->setCentre({0, 30.0 + 60 * i});
    keyboard->addSubview(k);
    auto name = std::make_shared<Label>(Rect{-50, 15.0 + 60 * i, 47, 30});
    name->setText(std::string(1, static_cast<char>('A' + i % 7)) + "4");
    name->setFont("Helvetica", 20);
    name->setAlignment(TextAlignment::Centre);
    name->setBackgroundColour(Colour::hsb(i / 9.0f, 1.0f, 1.0f, 0.3f));
    name->setTransform(AffineTransform::rotation(M_PI / 2));
    keyboard->addSubview(name);
  }
  screen->addSubview(keyboard);

  screen->addSubview(turnedLabel({295, 240}, {440, 36}, "Piano \xE2\x80\x93 Instruction Manual", 25, Colour::white()));
  screen->addSubview(turnedLabel({260, 240}, {440, 34},
                                 "\xE9\x92\xA2\xE7\x90\xB4 \xE4\xBD\xBF\xE7\x94\xA8\xE8\xAF\xB4\xE6\x98\x8E (Chinese)",
                                 22, Colour{1.0f, 0.85f, 0.4f, 1.0f}));
  auto wrapped = turnedLabel({185, 150}, {280, 100},
                             "Word wrap: the manual's pages lay out many lines centred in their frame, "
                             "and the last line that does not fit is cut off here.\n\n\n",
                             13, Colour::white(0.9f));
  wrapped->setNumberOfLines(0);
  wrapped->setLineBreak(LineBreak::WordWrap);
  wrapped->setBackgroundColour(Colour::white(0.1f));
  screen->addSubview(wrapped);

  auto field = std::make_shared<TextField>(Rect{10, 200, 250, 26});
  field->setTransform(AffineTransform::rotation(M_PI / 2));
  field->setCentre({180, 345});
  field->setBorderStyle(BorderStyle::Line);
  field->setBackgroundColour(Colour::white());
  field->setFont("Helvetica", 16);
  field->setPlaceholder("Enter file name");
  field->setClearButtonMode(ClearButtonMode::WhileEditing);
  screen->addSubview(field);

  auto volume = std::make_shared<VolumeView>(Rect{0, 0, 250, 50});
  volume->setTransform(AffineTransform::rotation(M_PI / 2));
  volume->setCentre({220, 345});
  volume->setAlpha(0.8f);
  screen->addSubview(volume);
  return screen;
}

TEST(ViewDemo, WritesScreenshotsOfATurnedScreen) {
  setConfigDirectory(::testing::TempDir() + "piano-demo-config");
  setSystemVolume(0.65f, false);
  ManualClock clock{0.0};
  RunLoop loop{clock.function()};
  DisplayOptions options;
  options.offscreen = true;
  options.pixelScale = 2.0;
  std::string error;
  auto display = Display::open(options, loop, &error);
  ASSERT_TRUE(display) << error;
  auto root = std::make_shared<View>();
  root->setBackgroundColour(Colour::black());
  display->window().setRootView(root);

  auto container = std::make_shared<View>(Rect{0, 0, 320, 480});
  container->setCentre({240, 160});
  container->setTransform(AffineTransform::rotation(-M_PI / 2));
  root->addSubview(container);
  auto key = Image::fromFile(std::string(PIANO_TEST_DATA_DIR) + "/platform/DemoKey.svg");
  auto first = demoScreen(key);
  container->addSubview(first);

  const std::string dir = ::testing::TempDir();
  // Tap the text field (portrait (180, 345) shows at (345, 140)), type, then shoot.
  TouchScript script;
  ASSERT_TRUE(TouchScript::parse("0.1 down 1 345 140\n0.2 up 1\n0.3 text My Song\n0.5 shot " + dir +
                                     "view_demo.png\n",
                                 &script, &error))
      << error;
  EXPECT_TRUE(display->runScript(script, clock));

  // Half way through a push to a second screen, then the alert on top.
  auto second = demoScreen(key);
  second->setBackgroundColour(Colour::rgb255(90, 30, 40));
  auto before = container->subviews();
  container->removeAllSubviews();
  container->addSubview(second);
  container->addTransition(TransitionType::Push, TransitionDirection::FromBottom, 0.3, std::move(before));
  ASSERT_TRUE(TouchScript::parse("0.15 shot " + dir + "view_demo_push.png\n0.5 end\n", &script, &error));
  EXPECT_TRUE(display->runScript(script, clock));
  showAlert("Welcome", "Play with up to eleven fingers. Record takes, play them back, save songs.", "OK");
  EXPECT_TRUE(display->saveScreenshot(dir + "view_demo_alert.png"));
  std::printf("Screenshots: %sview_demo.png, view_demo_push.png, view_demo_alert.png\n", dir.c_str());
}

}  // namespace
}  // namespace piano::platform
