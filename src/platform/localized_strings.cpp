#include "platform/localized_strings.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/file_io.h"

namespace piano::platform {

namespace {

constexpr std::size_t kMaxTableBytes = 1u << 20;  // far more than any real table

// Reads a quoted string starting at text[pos] == '"'; moves pos past it.
bool readQuoted(std::string_view line, std::size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < line.size()) {
      const char e = line[pos++];
      out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
    } else {
      out += c;
    }
  }
  return false;  // no closing quote
}

void skipSpaces(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r')) ++pos;
}

bool readFile(const std::string& path, std::string& out) {
  FileContents file = readFileLimited(path, kMaxTableBytes);
  if (file.status != ReadStatus::kOk) return false;
  out = std::move(file.bytes);
  return true;
}

}  // namespace

int LocalizedStrings::addTable(std::string_view text, const std::string& nameForMessages) {
  int entries = 0;
  int lineNumber = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    std::size_t pos = 0;
    skipSpaces(line, pos);
    if (pos >= line.size() || line.substr(pos, 2) == "//") continue;
    std::string key, value;
    bool ok = readQuoted(line, pos, key);
    skipSpaces(line, pos);
    ok = ok && pos < line.size() && line[pos++] == '=';
    skipSpaces(line, pos);
    ok = ok && readQuoted(line, pos, value);
    if (!ok || key.empty()) {
      std::printf("%s line %d is not a \"KEY\" = \"text\"; entry and was skipped.\n",
                  nameForMessages.c_str(), lineNumber);
      continue;
    }
    texts_[key] = value;
    ++entries;
  }
  return entries;
}

bool LocalizedStrings::load(const std::string& folder, const std::string& language) {
  texts_.clear();
  language_ = language;
  bool any = false;
  std::string text;
  // English first, so a key that a translation lacks still reads in English.
  if (readFile(folder + "/en.strings", text)) {
    addTable(text, folder + "/en.strings");
    any = true;
  }
  if (language != "en" && readFile(folder + "/" + language + ".strings", text)) {
    addTable(text, folder + "/" + language + ".strings");
    any = true;
  }
  if (!any) std::printf("No text tables in %s; screens show their text keys.\n", folder.c_str());
  return any;
}

const std::string& LocalizedStrings::text(const std::string& key) const {
  const auto it = texts_.find(key);
  if (it == texts_.end() || it->second.empty()) return key;
  return it->second;
}

std::vector<std::string> LocalizedStrings::keys() const {
  std::vector<std::string> out;
  for (const auto& entry : texts_) out.push_back(entry.first);
  return out;
}

std::string languageCodeForLocale(std::string_view locale) {
  // "zh_CN.UTF-8@variant" -> language "zh", region "CN"
  const std::size_t cut = locale.find_first_of(".@");
  std::string base(locale.substr(0, cut));
  for (char& c : base) {
    if (c == '_') c = '-';
  }
  if (base.empty() || base == "C" || base == "POSIX") return "en";
  const std::string language = base.substr(0, base.find('-'));
  const std::string rest = base.size() > language.size() ? base.substr(language.size() + 1) : "";
  if (language == "zh") {
    if (rest.rfind("Hans", 0) == 0 || rest == "CN" || rest == "SG") return "zh-Hans";
    if (rest.rfind("Hant", 0) == 0 || rest == "TW" || rest == "HK" || rest == "MO") return "zh-Hant";
  }
  return base;
}

std::string preferredLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    // LANGUAGE is a list of preferences separated by colons; the first counts.
    std::string_view v(value);
    v = v.substr(0, v.find(':'));
    if (v.empty()) continue;
    return languageCodeForLocale(v);
  }
  return "en";
}

LocalizedStrings& localizedStrings() {
  static LocalizedStrings strings;
  return strings;
}

const std::string& localized(const std::string& key) { return localizedStrings().text(key); }

}  // namespace piano::platform
