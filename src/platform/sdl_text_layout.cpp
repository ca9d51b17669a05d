#include "platform/sdl_text_layout.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace piano::platform {

namespace {

constexpr const char* kRegularFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kBoldFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";
constexpr const char* kCjkFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
constexpr const char* kEllipsis = "\xE2\x80\xA6";
constexpr int kMaxPixelSize = 512;

// Decodes the code point at `i` and moves past it; a malformed byte counts as
// one character of its own.
char32_t nextCodePoint(const std::string& s, std::size_t* i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(*i);
  int length = 1;
  char32_t cp = b0;
  if (b0 >= 0xF0 && b0 < 0xF8) {
    length = 4;
    cp = b0 & 0x07;
  } else if (b0 >= 0xE0) {
    length = 3;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xC0) {
    length = 2;
    cp = b0 & 0x1F;
  }
  if (length > 1) {
    if (*i + static_cast<std::size_t>(length) > s.size()) {
      ++*i;
      return 0xFFFD;
    }
    for (int k = 1; k < length; ++k) {
      const unsigned char b = byte(*i + static_cast<std::size_t>(k));
      if ((b & 0xC0) != 0x80) {
        ++*i;
        return 0xFFFD;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
  }
  *i += static_cast<std::size_t>(length);
  return cp;
}

// Ideographs, kana, hangul, CJK symbols and punctuation, full-width forms:
// lines may break before and after each of them.
bool isCjk(char32_t cp) {
  return (cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xAC00 && cp <= 0xD7AF) ||
         (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x2FA1F);
}

// Closing brackets and quotes and the marks that end a clause or a sentence.
constexpr char32_t kClosing[] = {
    U')', U']', U'}', U',', U'.', U';', U':', U'?', U'!', U'%', U'\u00BB', U'\u2019', U'\u201D',
    U'\u203A', U'\u2026', U'\u3001', U'\u3002', U'\u3009', U'\u300B', U'\u300D', U'\u300F', U'\u3011',
    U'\u3015', U'\u3017', U'\u3019', U'\u301B', U'\u301E', U'\uFF01', U'\uFF09', U'\uFF0C', U'\uFF0E',
    U'\uFF1A', U'\uFF1B', U'\uFF1F', U'\uFF3D', U'\uFF5D', U'\uFF61', U'\uFF63', U'\uFF64'};
// Opening brackets and quotes.
constexpr char32_t kOpening[] = {U'(', U'[', U'{', U'\u00AB', U'\u2018', U'\u201C', U'\u2039',
                                 U'\u3008', U'\u300A', U'\u300C', U'\u300E', U'\u3010', U'\u3014',
                                 U'\u3016', U'\u3018', U'\u301A', U'\u301D', U'\uFF08', U'\uFF3B',
                                 U'\uFF5B', U'\uFF62'};

template <std::size_t N>
bool among(const char32_t (&set)[N], char32_t cp) {
  return std::find(std::begin(set), std::end(set), cp) != std::end(set);
}

// Whether a line may break between two characters that no space parts: next
// to a CJK character, unless that would strand punctuation.
bool mayBreakBetween(char32_t before, char32_t after) {
  return (isCjk(before) || isCjk(after)) && mayEndLine(before) && mayBeginLine(after);
}

// Byte offsets of the code-point boundaries of `s` (0 and s.size() included).
std::vector<std::size_t> boundaries(const std::string& s) {
  std::vector<std::size_t> out{0};
  for (std::size_t i = 0; i < s.size();) {
    nextCodePoint(s, &i);
    out.push_back(i);
  }
  return out;
}

int textWidth(TTF_Font* font, const std::string& text) {
  if (text.empty() || font == nullptr) return 0;
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0) return 0;
  return w;
}

struct Token {
  std::string text;
  bool spaceBefore = false;
};

// The pieces that a line holds whole: words, and CJK characters each with the
// punctuation that may not be parted from it.
std::vector<Token> tokens(const std::string& paragraph) {
  std::vector<Token> out;
  bool space = false;
  Token current;
  char32_t previous = 0;
  auto flush = [&] {
    if (!current.text.empty()) out.push_back(current);
    current = Token{};
  };
  for (std::size_t i = 0; i < paragraph.size();) {
    const std::size_t start = i;
    const char32_t cp = nextCodePoint(paragraph, &i);
    if (cp == ' ' || cp == '\t') {
      flush();
      space = true;
      continue;
    }
    if (!current.text.empty() && mayBreakBetween(previous, cp)) flush();
    if (current.text.empty()) {
      current.spaceBefore = space;
      space = false;
    }
    current.text += paragraph.substr(start, i - start);
    previous = cp;
  }
  flush();
  return out;
}

// The longest head of `text` (whole characters, at least one) that fits in `width`.
std::size_t fittingBytes(TTF_Font* font, const std::string& text, double width,
                         const std::string& suffix = "") {
  const std::vector<std::size_t> cuts = boundaries(text);
  std::size_t lo = 1, hi = cuts.size() - 1;  // number of characters
  if (hi == 0) return 0;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (textWidth(font, text.substr(0, cuts[mid]) + suffix) <= width) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return cuts[lo];
}

// Appends the lines of `paragraph`; returns false when a piece longer than a
// line had to be broken between its characters.
bool wrap(TTF_Font* font, const std::string& paragraph, double width, std::vector<std::string>* lines) {
  bool whole = true;
  std::string current;
  for (const Token& token : tokens(paragraph)) {
    std::string candidate =
        current.empty() ? token.text : current + (token.spaceBefore ? " " : "") + token.text;
    if (textWidth(font, candidate) <= width) {
      current = std::move(candidate);
      continue;
    }
    if (!current.empty()) lines->push_back(current);
    current = token.text;
    while (textWidth(font, current) > width) {
      const std::size_t cut = fittingBytes(font, current, width);
      if (cut == 0 || cut >= current.size()) break;
      whole = false;
      lines->push_back(current.substr(0, cut));
      current = current.substr(cut);
    }
  }
  lines->push_back(current);
  return whole;
}

std::string truncateTail(TTF_Font* font, const std::string& line, double width) {
  if (textWidth(font, line) <= width) return line;
  if (textWidth(font, kEllipsis) > width) return "";
  const std::size_t cut = fittingBytes(font, line, width, kEllipsis);
  std::string head = line.substr(0, cut);
  while (!head.empty() && head.back() == ' ') head.pop_back();
  return head + kEllipsis;
}

// Paragraphs; a newline at the very end ends its line and starts none.
std::vector<std::string> paragraphs(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      if (start < text.size() || out.empty()) out.push_back(text.substr(start));
      return out;
    }
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
}

int pixels(double points, double scale) {
  return std::clamp(static_cast<int>(std::lround(points * scale)), 1, kMaxPixelSize);
}

}  // namespace

bool mayBeginLine(char32_t cp) { return !among(kClosing, cp); }
bool mayEndLine(char32_t cp) { return !among(kOpening, cp); }

char32_t firstCodePoint(const std::string& utf8) {
  std::size_t i = 0;
  return utf8.empty() ? 0 : nextCodePoint(utf8, &i);
}

char32_t lastCodePoint(const std::string& utf8) {
  char32_t last = 0;
  for (std::size_t i = 0; i < utf8.size();) last = nextCodePoint(utf8, &i);
  return last;
}

bool containsCjk(const std::string& utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    if (isCjk(nextCodePoint(utf8, &i))) return true;
  }
  return false;
}

std::string fontFileFor(const std::string& fontName, const std::string& text) {
  if (containsCjk(text)) return kCjkFont;
  return fontName.find("Bold") != std::string::npos ? kBoldFont : kRegularFont;
}

SdlTextLayout::SdlTextLayout() {
  if (TTF_WasInit() == 0 && TTF_Init() != 0) std::printf("Text: %s\n", TTF_GetError());
}

SdlTextLayout::~SdlTextLayout() {
  for (auto& [key, f] : fonts_) {
    if (f != nullptr) TTF_CloseFont(f);
  }
}

void SdlTextLayout::beginFrame(std::uint64_t frame, std::uint64_t maxAge) {
  frame_ = frame;
  for (auto it = layouts_.begin(); it != layouts_.end();) {
    it = it->second.lastUsed + maxAge < frame_ ? layouts_.erase(it) : std::next(it);
  }
}

TTF_Font* SdlTextLayout::font(const std::string& file, int pixelSize) {
  const auto key = std::make_pair(file, pixelSize);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  TTF_Font* f = TTF_OpenFontIndex(file.c_str(), pixelSize, 0);
  if (f == nullptr && !reported_[file]) {
    reported_[file] = true;
    std::printf("Font %s: %s\n", file.c_str(), TTF_GetError());
  }
  // A font that cannot be opened is tried again at the next layout: in the
  // browser the Chinese font arrives after the start where the page is not in
  // Chinese.
  if (f != nullptr) fonts_[key] = f;
  return f;
}

TextLayout SdlTextLayout::setAt(const TextBlock& text, const std::string& fontFile, int pixelSize, double width,
                                double height) {
  TextLayout result;
  result.fontFile = fontFile;
  result.pixelSize = pixelSize;
  TTF_Font* f = font(fontFile, pixelSize);
  if (f == nullptr) return result;
  result.lineSkip = std::max(1, TTF_FontLineSkip(f));
  bool whole = true;
  std::vector<std::string> lines;
  for (const std::string& p : paragraphs(text.text)) {
    if (text.lineBreak == LineBreak::WordWrap && text.numberOfLines != 1) {
      whole = wrap(f, p, width, &lines) && whole;
    } else {
      lines.push_back(p);
    }
  }
  // No more lines than allowed and than fit (at least one).
  std::size_t limit = static_cast<std::size_t>(std::max(1.0, std::floor(height / result.lineSkip + 1e-6)));
  if (text.numberOfLines > 0) limit = std::min(limit, static_cast<std::size_t>(text.numberOfLines));
  std::size_t used = lines.size();
  while (used > 0 && lines[used - 1].empty()) --used;
  whole = whole && used <= limit;
  if (lines.size() > limit) lines.resize(limit);  // wrapped text beyond is cut off
  for (std::string& line : lines) {
    int w = textWidth(f, line);
    if (w > width) {
      whole = false;
      if (text.lineBreak == LineBreak::TruncateTail) {
        line = truncateTail(f, line, width);
        w = textWidth(f, line);
      }
    }
    result.widths.push_back(w);
  }
  result.lines = std::move(lines);
  result.complete = whole;
  return result;
}

const TextLayout& SdlTextLayout::layout(const TextBlock& text, double scaleX, double scaleY) {
  const std::string fontFile = fontFileFor(text.fontName, text.text);
  const double width = text.rect.width * scaleX, height = text.rect.height * scaleY;
  std::string key = fontFile;
  for (double v : {text.fontSize, text.minimumFontSize, scaleX, scaleY, width, height}) {
    key += '\x1f' + std::to_string(std::lround(v * 1000.0));
  }
  key += '\x1f' + std::to_string(text.numberOfLines) + '\x1f' + std::to_string(static_cast<int>(text.lineBreak)) +
         '\x1f' + text.text;
  auto it = layouts_.find(key);
  // A text laid out while its font could not be opened (no line height) is
  // laid out again: the font may have come since.
  if (it != layouts_.end() && it->second.lineSkip > 0) {
    it->second.lastUsed = frame_;
    return it->second;
  }

  // Glyphs at the scale of the line height; smaller only where the text then
  // fits where it did not: down to the block's minimum size, and, squeezed
  // along its lines, down to the size that squeeze gives.
  const int nominal = pixels(text.fontSize, scaleY);
  int least = nominal;
  if (text.minimumFontSize > 0.0) least = std::min(least, pixels(text.minimumFontSize, scaleY));
  if (scaleX < scaleY) least = std::min(least, pixels(text.fontSize, scaleX));
  TextLayout result = setAt(text, fontFile, nominal, width, height);
  if (!result.complete && least < nominal) {
    // The largest size that fits, or the least (fitting is taken to grow as
    // the size falls).
    result = setAt(text, fontFile, least, width, height);
    int lo = least, hi = nominal - 1;
    while (result.complete && lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      TextLayout candidate = setAt(text, fontFile, mid, width, height);
      if (candidate.complete) {
        lo = mid;
        result = std::move(candidate);
      } else {
        hi = mid - 1;
      }
    }
  }
  result.lastUsed = frame_;
  if (layouts_.size() > 4000) layouts_.clear();  // a flood of distinct texts
  return layouts_.insert_or_assign(key, std::move(result)).first->second;
}

}  // namespace piano::platform
