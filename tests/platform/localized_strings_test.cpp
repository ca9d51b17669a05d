#include <gtest/gtest.h>

#include "platform/localized_strings.h"

namespace piano::platform {
namespace {

TEST(Language, DesktopLocalesMapToTheLanguageCodes) {
  // A bare "zh" is not Simplified Chinese.
  for (const auto& [locale, code] : {std::pair{"zh_CN.UTF-8", "zh-Hans"}, {"zh_SG", "zh-Hans"},
                                     {"zh-Hans-CN", "zh-Hans"}, {"zh_TW.UTF-8", "zh-Hant"}, {"zh_HK", "zh-Hant"}, {"zh_MO", "zh-Hant"}, {"zh", "zh"},
                                     {"en_GB.UTF-8@euro", "en-GB"}, {"C.UTF-8", "en"}, {"", "en"}}) {
    EXPECT_EQ(languageCodeForLocale(locale), code) << locale;
  }
}

TEST(Language, TheFirstSetVariableWinsAndLanguageListsTakeTheirFirstEntry) {
  setenv("LANGUAGE", "zh_CN:en_US", 1);
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(preferredLanguage(), "zh-Hans");
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) unsetenv(name);
  EXPECT_EQ(preferredLanguage(), "de-DE");
  unsetenv("LANG");
  EXPECT_EQ(preferredLanguage(), "en");
}

TEST(Strings, DamagedLinesAreSkippedAndMissingTextsShowTheirKey) {
  LocalizedStrings strings;
  EXPECT_EQ(strings.addTable("// comment\n\"OK\" = \"Fine\";\n\"BROKEN\" = \"no end\n\"EMPTY\" = \"\";\n"
                             "garbage\n\"ESC\" = \"a \\\"b\\\"\\nc\";",
                             "test"),
            3);
  EXPECT_EQ(strings.text("OK"), "Fine");
  EXPECT_EQ(strings.text("ESC"), "a \"b\"\nc");
  EXPECT_EQ(strings.text("EMPTY"), "EMPTY");
  EXPECT_EQ(strings.text("NOWHERE"), "NOWHERE");
}

TEST(Strings, BothShippedTablesParseCleanlyAndCarryTheSameKeys) {
  auto keysOf = [](const std::string& language) {
    LocalizedStrings only;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(only.load(std::string(PIANO_RESOURCE_DIR) + "/strings", language));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << language;
    return only;
  };
  const LocalizedStrings english = keysOf("en");
  const LocalizedStrings chinese = keysOf("zh-Hans");
  // Every key has a Chinese text of its own (the table falls back to English).
  EXPECT_GT(english.keys().size(), 50u);
  for (const std::string& key : english.keys()) {
    EXPECT_NE(chinese.text(key), english.text(key)) << key << " has no Chinese text";
  }
}

}  // namespace
}  // namespace piano::platform
