// The settings screen's texts: every key it shows has an English and a
// Simplified Chinese text, and the Chinese layout takes its larger fonts and
// moved labels.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/localized_strings.h"
#include "settings_rig.h"

namespace piano::settings_test {
namespace {

using platform::Label;

void collectLabels(const platform::View& view, std::vector<const Label*>& out) {
  if (const auto* label = dynamic_cast<const Label*>(&view)) out.push_back(label);
  for (const auto& child : view.subviews()) collectLabels(*child, out);
}

const Label* labelWithText(const platform::View& root, const std::string& text) {
  std::vector<const Label*> labels;
  collectLabels(root, labels);
  for (const Label* label : labels) {
    if (label->text() == text) return label;
  }
  return nullptr;
}

TEST(SettingsLabelsTest, EveryTextHasEnglishAndChinese) {
  const char* keys[] = {"APP", "PIANO", "METRO", "TEST", "NORMAL LABEL", "SUSTAIN LABEL", "NOTE SUSTAIN TIMING",
                        "VOLUME LABEL", "NUMBER OF KEYS", "EXPRESSION", "NOTE NAMING", "DUAL KEYBOARD",
                        "AUDIO PANNING", "ON", "TAP TIME", "TEMPO", "METRONOME", "BEATS PER BAR", "NO", "YES",
                        "VOLUME", "SUSTAIN", "SOFT", "LEFT KEY", "ALL KEYS", "COLOURED"};
  for (const char* language : {"en", "zh-Hans"}) {
    const std::string path = std::string(PIANO_RESOURCE_DIR) + "/strings/" + language + ".strings";
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    platform::LocalizedStrings table;  // this language's table alone, without the English fallback
    table.addTable(text.str(), path);
    const std::vector<std::string> present = table.keys();
    for (const char* key : keys) {
      EXPECT_NE(std::find(present.begin(), present.end(), key), present.end()) << language << ": " << key;
    }
  }
}

TEST(SettingsLabelsTest, ChineseLayoutUsesItsFontsAndPlaces) {
  SettingsRig rig(/*tall=*/true, /*chinese=*/true);
  const platform::View& root = *rig.view;
  EXPECT_EQ(rig.view->navigationLabel(2).text(), "节拍器");
  EXPECT_EQ(rig.view->navigationLabel(2).fontSize(), 22.0);
  const Label* on = labelWithText(rig.view->pageImage(2), "开");  // the switch, not a value
  ASSERT_NE(on, nullptr);
  EXPECT_EQ(on->centre(), (platform::Point{196, 135}));
  EXPECT_EQ(on->fontSize(), 18.0);
  const Label* beats = labelWithText(root, "每小节拍数");
  ASSERT_NE(beats, nullptr);
  EXPECT_EQ(beats->centre(), (platform::Point{181, 287}));
  EXPECT_EQ(rig.view->labelExpression().text(), "音量");
  EXPECT_EQ(rig.view->labelAudioPanning().text(), "开");  // on
}

}  // namespace
}  // namespace piano::settings_test
