// Localised texts by key ("WELCOME", "SONG SAVED", ...), read from the tables in
// the resources folder (strings/en.strings, strings/zh-Hans.strings), and the
// player's preferred language as the desktop sets it.
//
// Table format, one entry a line:   "KEY" = "text";
// with \n, \" and \\ as escapes; lines starting with // are comments. A damaged
// line is skipped with one message; a key without text shows the key itself.
//
// Threads: load and setLanguage on the main thread at start-up; lookups on the
// main thread.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace piano::platform {

class LocalizedStrings {
 public:
  // Reads `folder`/<language>.strings, falling back to English for keys the
  // language's table lacks. Returns false when no table could be read.
  bool load(const std::string& folder, const std::string& language);
  // Parses one table's text into the lookup (later entries win). Returns the
  // number of entries read.
  int addTable(std::string_view text, const std::string& nameForMessages);

  // The text for `key`, or the key itself when there is none (never empty for a
  // non-empty key).
  const std::string& text(const std::string& key) const;
  const std::string& language() const { return language_; }
  std::vector<std::string> keys() const;

 private:
  std::map<std::string, std::string, std::less<>> texts_;
  std::string language_ = "en";
};

// The first preferred language of the user as a language code: "zh-Hans" for
// Simplified Chinese locales (zh_CN, zh_SG, zh-Hans...), "zh-Hant" for
// Traditional (zh_TW, zh_HK, zh_MO, zh-Hant), else the language and region as
// given ("en", "de-DE"), taken from LANGUAGE, LC_ALL, LC_MESSAGES, LANG in that
// order; "en" when none is set or it is "C"/"POSIX".
std::string preferredLanguage();
// The same for one locale or language string (testable without the environment).
std::string languageCodeForLocale(std::string_view locale);

// The process-wide table used by the screens.
LocalizedStrings& localizedStrings();
// Shorthand for localizedStrings().text(key).
const std::string& localized(const std::string& key);

}  // namespace piano::platform
