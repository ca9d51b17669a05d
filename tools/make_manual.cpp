// Makes the instruction manual's web pages, one per language, from the text
// tables that the manual screen shows, so that the browser and the screen read
// the same words:
//
//   piano_make_manual RESOURCES          writes RESOURCES/manual/<language>.html
//                                        for every RESOURCES/strings/<language>.strings,
//                                        and their style sheet manual.css
//   piano_make_manual --check RESOURCES  writes nothing; exits 1 when a page is
//                                        missing or differs from what the tables give
//
// The pages are kept in the resources (the program opens them from there); the
// check runs with the tests, so a changed text cannot leave its page behind.
//
// A page text is laid out as the screen shows it: its first line is the heading,
// blank lines part paragraphs, and lines starting with "- " make a list. The
// contents page links every "N  Title" line to page N.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/localized_strings.h"
#include "screens/manual/manual_view.h"

namespace {

namespace fs = std::filesystem;

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The lines after the heading: paragraphs, and lists of "- " lines.
void appendBody(std::string& html, const std::vector<std::string>& lines) {
  std::string paragraph;
  bool inList = false;
  auto endParagraph = [&] {
    if (!paragraph.empty()) html += "<p>" + paragraph + "</p>\n";
    paragraph.clear();
  };
  auto endList = [&] {
    if (inList) html += "</ul>\n";
    inList = false;
  };
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) {
      endParagraph();
      endList();
    } else if (line.rfind("- ", 0) == 0) {
      endParagraph();
      if (!inList) html += "<ul>\n";
      inList = true;
      html += "<li>" + escaped(line.substr(2)) + "</li>\n";
    } else {
      endList();
      paragraph += (paragraph.empty() ? "" : "<br>\n") + escaped(line);
    }
  }
  endParagraph();
  endList();
}

// The contents: "N  Title" lines become links to page N.
void appendContents(std::string& html, const std::vector<std::string>& lines) {
  html += "<ul class=\"contents\">\n";
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t digits = line.find_first_not_of("0123456789");
    if (line.empty()) continue;
    if (digits == 0 || digits == std::string::npos) {
      html += "<li>" + escaped(line) + "</li>\n";
    } else {
      html += "<li><a href=\"#page-" + line.substr(0, digits) + "\">" + escaped(line) + "</a></li>\n";
    }
  }
  html += "</ul>\n";
}

// The look of every language's page, in a file of its own beside them.
constexpr const char* kStyleSheetName = "manual.css";
constexpr const char* kStyleSheet =
    "/* Made by piano_make_manual; the look of the manual's web pages. */\n"
    "body { font-family: \"Liberation Sans\", Arial, Helvetica, sans-serif; line-height: 1.5; color: #222;\n"
    "       background: #f7f3e8; max-width: 42em; margin: 0 auto; padding: 1em 1.5em 3em; }\n"
    "h1 { font-weight: normal; }\n"
    "h2 { font-size: 1.1em; border-top: 1px solid #c8bfa8; padding-top: 1em; margin-top: 2em; }\n"
    "ul.contents { list-style: none; padding-left: 0; }\n"
    "nav { text-align: right; }\n";

struct Language {
  std::string code;
  std::string name;  // in its own language
};

std::string manualPage(const piano::platform::LocalizedStrings& texts, const std::string& code,
                       const std::vector<Language>& languages) {
  const std::string title = texts.text("APP TITLE") + " – " + texts.text("INSTRUCTION MANUAL");
  std::string html =
      "<!DOCTYPE html>\n"
      "<!-- Made by piano_make_manual from the text tables; edit those, not this page. -->\n"
      "<html lang=\"" + code + "\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>" + escaped(title) + "</title>\n"
      "<link rel=\"stylesheet\" href=\"" + std::string(kStyleSheetName) + "\">\n"
      "</head>\n<body>\n";
  html += "<nav>";
  for (const Language& other : languages) {
    if (other.code == code) continue;
    html += " <a href=\"" + other.code + ".html\" hreflang=\"" + other.code + "\">" + escaped(other.name) + "</a>";
  }
  html += "</nav>\n<h1>" + escaped(texts.text("APP TITLE")) + "<br>" + escaped(texts.text("INSTRUCTION MANUAL")) +
          "</h1>\n";
  for (int page = 1; page < piano::ManualView::kPageCount; ++page) {
    const std::vector<std::string> lines = linesOf(texts.text(piano::ManualView::pageTextKey(page)));
    html += "<section id=\"page-" + std::to_string(page) + "\">\n<h2>" +
            escaped(lines.empty() ? std::string() : lines.front()) + "</h2>\n";
    if (page == 1) {
      appendContents(html, lines);
    } else {
      appendBody(html, lines);
    }
    html += "</section>\n";
  }
  html += "</body>\n</html>\n";
  return html;
}

bool readFile(const fs::path& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  *out = text.str();
  return static_cast<bool>(in);
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: piano_make_manual [--check] RESOURCES\n");
    return 2;
  }
  const fs::path resources = argv[argc - 1];
  std::vector<Language> languages;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(resources / "strings", error)) {
    if (entry.path().extension() != ".strings") continue;
    const std::string code = entry.path().stem().string();
    piano::platform::LocalizedStrings texts;
    texts.load((resources / "strings").string(), code);
    languages.push_back({code, texts.text("LANGUAGE NAME")});
  }
  if (languages.empty()) {
    std::fprintf(stderr, "No text tables in %s\n", (resources / "strings").c_str());
    return 2;
  }
  std::sort(languages.begin(), languages.end(), [](const Language& a, const Language& b) { return a.code < b.code; });

  std::vector<std::pair<fs::path, std::string>> files{{resources / "manual" / kStyleSheetName, kStyleSheet}};
  for (const Language& language : languages) {
    piano::platform::LocalizedStrings texts;
    texts.load((resources / "strings").string(), language.code);
    files.emplace_back(resources / "manual" / (language.code + ".html"), manualPage(texts, language.code, languages));
  }

  int stale = 0;
  for (const auto& [path, content] : files) {
    std::string present;
    if (check) {
      if (!readFile(path, &present) || present != content) {
        std::printf("%s is not what the text tables give; run piano_make_manual %s\n", path.c_str(),
                    resources.c_str());
        ++stale;
      }
      continue;
    }
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) {
      std::fprintf(stderr, "Cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return stale == 0 ? 0 : 1;
}
