#include "platform/sdl_canvas.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/file_io.h"
#include "platform/image.h"

namespace piano::platform {

namespace {

constexpr const char* kRegularFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kBoldFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";
constexpr const char* kCjkFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
constexpr const char* kEllipsis = "\xE2\x80\xA6";
constexpr int kMaxTextureSide = 4096;
constexpr std::uint64_t kEvictAfterFrames = 600;

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

bool isCjk(char32_t cp) {
  return (cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xAC00 && cp <= 0xD7AF) ||
         (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x2FA1F);
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

// Words, and each CJK character as a word of its own (lines may break
// between any two of them).
std::vector<Token> tokens(const std::string& paragraph) {
  std::vector<Token> out;
  bool space = false;
  Token current;
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
    if (isCjk(cp)) {
      flush();
      out.push_back({paragraph.substr(start, i - start), space});
      space = false;
      continue;
    }
    if (current.text.empty()) {
      current.spaceBefore = space;
      space = false;
    }
    current.text += paragraph.substr(start, i - start);
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

void wrap(TTF_Font* font, const std::string& paragraph, double width, std::vector<std::string>* lines) {
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
    // A word longer than the line is broken between characters.
    while (textWidth(font, current) > width) {
      const std::size_t cut = fittingBytes(font, current, width);
      if (cut == 0 || cut >= current.size()) break;
      lines->push_back(current.substr(0, cut));
      current = current.substr(cut);
    }
  }
  lines->push_back(current);
}

std::string truncateTail(TTF_Font* font, const std::string& line, double width) {
  if (textWidth(font, line) <= width) return line;
  if (textWidth(font, kEllipsis) > width) return "";
  const std::size_t cut = fittingBytes(font, line, width, kEllipsis);
  std::string head = line.substr(0, cut);
  while (!head.empty() && head.back() == ' ') head.pop_back();
  return head + kEllipsis;
}

SDL_Color toSdl(Colour c, float alpha) {
  auto channel = [](float v) {
    return static_cast<Uint8>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  };
  return {channel(c.r), channel(c.g), channel(c.b), channel(c.a * alpha)};
}

double axisLength(const AffineTransform& m, double x, double y) {
  const Point v = m.applyToVector({x, y});
  return std::hypot(v.x, v.y);
}

}  // namespace

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

SdlCanvas::SdlCanvas(SDL_Renderer* renderer) : renderer_(renderer) {
  if (TTF_WasInit() == 0 && TTF_Init() != 0) std::printf("Text: %s\n", TTF_GetError());
}

SdlCanvas::~SdlCanvas() {
  for (auto& [key, t] : images_) {
    if (t.texture != nullptr) SDL_DestroyTexture(t.texture);
  }
  for (auto& [key, t] : lines_) {
    if (t.texture != nullptr) SDL_DestroyTexture(t.texture);
  }
  for (auto& [key, f] : fonts_) {
    if (f != nullptr) TTF_CloseFont(f);
  }
}

void SdlCanvas::beginFrame() {
  ++frame_;
  if (frame_ % 120 != 0) return;
  auto evict = [this](auto& cache) {
    for (auto it = cache.begin(); it != cache.end();) {
      if (it->second.lastUsed + kEvictAfterFrames < frame_) {
        if (it->second.texture != nullptr) SDL_DestroyTexture(it->second.texture);
        it = cache.erase(it);
      } else {
        ++it;
      }
    }
  };
  evict(images_);
  evict(lines_);
  for (auto it = layouts_.begin(); it != layouts_.end();) {
    it = it->second.lastUsed + kEvictAfterFrames < frame_ ? layouts_.erase(it) : std::next(it);
  }
}

void SdlCanvas::quad(SDL_Texture* texture, const AffineTransform& m, const Rect& r, Colour colour) {
  const SDL_Color c = toSdl(colour, 1.0f);
  if (c.a == 0) return;
  const Point corners[4] = {m.apply(Point{r.minX(), r.minY()}), m.apply(Point{r.maxX(), r.minY()}),
                            m.apply(Point{r.minX(), r.maxY()}), m.apply(Point{r.maxX(), r.maxY()})};
  static const float u[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  static const float v[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  SDL_Vertex vertices[5];
  for (int i = 0; i < 4; ++i) {
    vertices[i].position = {static_cast<float>(corners[i].x), static_cast<float>(corners[i].y)};
    vertices[i].color = c;
    vertices[i].tex_coord = {u[i], v[i]};
  }
  if (texture == nullptr || (m.b == 0.0 && m.c == 0.0 && m.a > 0.0 && m.d > 0.0)) {
    static const int indices[6] = {0, 1, 2, 2, 1, 3};
    SDL_RenderGeometry(renderer_, texture, vertices, 4, indices, 6);
    return;
  }
  // A turned or mirrored texture goes as four triangles around its centre:
  // SDL's software renderer copies a two-triangle rectangle as a plain blit
  // and loses the turn.
  const Point mid = m.apply(r.centre());
  vertices[4].position = {static_cast<float>(mid.x), static_cast<float>(mid.y)};
  vertices[4].color = c;
  vertices[4].tex_coord = {0.5f, 0.5f};
  static const int fan[12] = {4, 0, 1, 4, 1, 3, 4, 3, 2, 4, 2, 0};
  SDL_RenderGeometry(renderer_, texture, vertices, 5, fan, 12);
}

void SdlCanvas::fillRect(const AffineTransform& m, const Rect& rect, Colour colour, float alpha) {
  if (rect.width <= 0.0 || rect.height <= 0.0) return;
  colour.a *= alpha;
  quad(nullptr, m, rect, colour);
}

void SdlCanvas::strokeRect(const AffineTransform& m, const Rect& r, Colour colour, float alpha) {
  const double w = std::min({1.0, r.width / 2.0, r.height / 2.0});
  fillRect(m, {r.x, r.y, r.width, w}, colour, alpha);
  fillRect(m, {r.x, r.maxY() - w, r.width, w}, colour, alpha);
  fillRect(m, {r.x, r.y + w, w, r.height - 2 * w}, colour, alpha);
  fillRect(m, {r.maxX() - w, r.y + w, w, r.height - 2 * w}, colour, alpha);
}

void SdlCanvas::fillEllipse(const AffineTransform& m, const Rect& r, Colour colour, float alpha) {
  constexpr int kSegments = 40;
  const SDL_Color c = toSdl(colour, alpha);
  if (c.a == 0 || r.width <= 0.0 || r.height <= 0.0) return;
  SDL_Vertex vertices[kSegments + 1];
  int indices[kSegments * 3];
  const Point centre = m.apply(r.centre());
  vertices[0] = {{static_cast<float>(centre.x), static_cast<float>(centre.y)}, c, {0.0f, 0.0f}};
  for (int i = 0; i < kSegments; ++i) {
    const double angle = 2.0 * M_PI * i / kSegments;
    const Point p = m.apply(Point{r.midX() + r.width / 2.0 * std::cos(angle),
                                  r.midY() + r.height / 2.0 * std::sin(angle)});
    vertices[i + 1] = {{static_cast<float>(p.x), static_cast<float>(p.y)}, c, {0.0f, 0.0f}};
    indices[i * 3] = 0;
    indices[i * 3 + 1] = i + 1;
    indices[i * 3 + 2] = (i + 1) % kSegments + 1;
  }
  SDL_RenderGeometry(renderer_, nullptr, vertices, kSegments + 1, indices, kSegments * 3);
}

SdlCanvas::CachedTexture* SdlCanvas::imageTexture(const Image& image, int width, int height) {
  // Bitmaps are uploaded once at their own size; SVG is drawn at the size shown.
  if (image.format() != Image::Format::Svg) width = height = 0;
  const auto key = std::make_tuple(image.path(), width, height);
  auto it = images_.find(key);
  if (it == images_.end()) {
    // An image is shown at one size at a time: sizes it had before (a window
    // being resized) go as soon as a new one is made, unless drawn this frame.
    for (auto old = images_.lower_bound(std::make_tuple(image.path(), 0, 0));
         old != images_.end() && std::get<0>(old->first) == image.path();) {
      if (old->second.lastUsed < frame_ && old->second.texture != nullptr) {
        SDL_DestroyTexture(old->second.texture);
        old = images_.erase(old);
      } else {
        ++old;
      }
    }
    CachedTexture entry;
    SDL_Surface* surface = nullptr;
    // Read like every other file (bounded, never waiting on a pipe), then decoded from memory.
    const FileContents file = readFileLimited(image.path(), Image::kMaxFileBytes);
    SDL_RWops* rw = file.status == ReadStatus::kOk
                        ? SDL_RWFromConstMem(file.bytes.data(), static_cast<int>(file.bytes.size()))
                        : nullptr;
    if (rw != nullptr) {
      surface = image.format() == Image::Format::Svg ? IMG_LoadSizedSVG_RW(rw, width, height) : IMG_Load_RW(rw, 0);
      SDL_RWclose(rw);
    } else {
      SDL_SetError("cannot read the file");
    }
    if (surface != nullptr) {
      entry.texture = SDL_CreateTextureFromSurface(renderer_, surface);
      entry.width = surface->w;
      entry.height = surface->h;
      SDL_FreeSurface(surface);
    }
    if (entry.texture != nullptr) {
      SDL_SetTextureBlendMode(entry.texture, SDL_BLENDMODE_BLEND);
      SDL_SetTextureScaleMode(entry.texture, SDL_ScaleModeLinear);
    } else if (!reported_[image.path()]) {
      reported_[image.path()] = true;
      std::printf("Image %s: cannot draw %s: %s\n", image.name().c_str(), image.path().c_str(),
                  IMG_GetError());
    }
    it = images_.emplace(key, entry).first;
  }
  it->second.lastUsed = frame_;
  return &it->second;
}

void SdlCanvas::drawImage(const Image& image, const AffineTransform& m, const Rect& rect, float alpha) {
  if (!image.isValid() || rect.width <= 0.0 || rect.height <= 0.0) return;
  const Size size = image.size();
  // Rasterise so that one texture pixel covers about one screen pixel along
  // the image's more magnified axis.
  const double k = std::max(axisLength(m, rect.width, 0.0) / size.width,
                            axisLength(m, 0.0, rect.height) / size.height);
  if (!(k > 0.0)) return;
  const int w = std::clamp(static_cast<int>(std::ceil(size.width * k - 1e-6)), 1, kMaxTextureSide);
  const int h = std::clamp(static_cast<int>(std::ceil(size.height * k - 1e-6)), 1, kMaxTextureSide);
  CachedTexture* t = imageTexture(image, w, h);
  if (t->texture == nullptr) return;
  quad(t->texture, m, rect, Colour{1.0f, 1.0f, 1.0f, alpha});
}

TTF_Font* SdlCanvas::font(const std::string& file, int pixelSize) {
  const auto key = std::make_pair(file, pixelSize);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  TTF_Font* f = TTF_OpenFontIndex(file.c_str(), pixelSize, 0);
  if (f == nullptr && !reported_[file]) {
    reported_[file] = true;
    std::printf("Font %s: %s\n", file.c_str(), TTF_GetError());
  }
  fonts_[key] = f;
  return f;
}

SdlCanvas::CachedTexture* SdlCanvas::lineTexture(const std::string& fontFile, int pixelSize,
                                                  const std::string& text) {
  const auto key = std::make_tuple(fontFile, pixelSize, text);
  auto it = lines_.find(key);
  if (it == lines_.end()) {
    if (lines_.size() > 4000) {  // a flood of texts or sizes: keep this frame's
      for (auto old = lines_.begin(); old != lines_.end();) {
        if (old->second.lastUsed < frame_) {
          if (old->second.texture != nullptr) SDL_DestroyTexture(old->second.texture);
          old = lines_.erase(old);
        } else {
          ++old;
        }
      }
    }
    CachedTexture entry;
    if (TTF_Font* f = font(fontFile, pixelSize)) {
      // White glyphs, tinted by the vertex colour: one texture serves every colour.
      if (SDL_Surface* s = TTF_RenderUTF8_Blended(f, text.c_str(), SDL_Color{255, 255, 255, 255})) {
        entry.texture = SDL_CreateTextureFromSurface(renderer_, s);
        entry.width = s->w;
        entry.height = s->h;
        SDL_FreeSurface(s);
        if (entry.texture != nullptr) {
          SDL_SetTextureBlendMode(entry.texture, SDL_BLENDMODE_BLEND);
          SDL_SetTextureScaleMode(entry.texture, SDL_ScaleModeLinear);
        }
      }
    }
    it = lines_.emplace(key, entry).first;
  }
  it->second.lastUsed = frame_;
  return &it->second;
}

const SdlCanvas::Layout& SdlCanvas::layout(const TextBlock& text, const std::string& fontFile,
                                           int pixelSize, double width, double height) {
  std::string key = fontFile;
  key += '\x1f' + std::to_string(pixelSize) + '\x1f' + std::to_string(std::lround(width)) + '\x1f' +
         std::to_string(std::lround(height)) + '\x1f' + std::to_string(text.numberOfLines) + '\x1f' +
         std::to_string(static_cast<int>(text.lineBreak)) + '\x1f' + text.text;
  auto it = layouts_.find(key);
  if (it != layouts_.end()) {
    it->second.lastUsed = frame_;
    return it->second;
  }
  Layout result;
  result.lastUsed = frame_;
  TTF_Font* f = font(fontFile, pixelSize);
  if (f != nullptr) {
    result.lineSkip = std::max(1, TTF_FontLineSkip(f));
    result.ascent = TTF_FontAscent(f);
    // Paragraphs; a newline at the very end ends its line and starts none.
    std::vector<std::string> paragraphs;
    std::size_t start = 0;
    for (;;) {
      const std::size_t nl = text.text.find('\n', start);
      if (nl == std::string::npos) {
        if (start < text.text.size() || paragraphs.empty()) paragraphs.push_back(text.text.substr(start));
        break;
      }
      paragraphs.push_back(text.text.substr(start, nl - start));
      start = nl + 1;
    }
    std::vector<std::string> lines;
    for (const std::string& p : paragraphs) {
      if (text.lineBreak == LineBreak::WordWrap && text.numberOfLines != 1) {
        wrap(f, p, width, &lines);
      } else {
        lines.push_back(p);
      }
    }
    // No more lines than allowed and than fit (at least one).
    std::size_t limit = static_cast<std::size_t>(std::max(1.0, std::floor(height / result.lineSkip + 1e-6)));
    if (text.numberOfLines > 0) limit = std::min(limit, static_cast<std::size_t>(text.numberOfLines));
    if (lines.size() > limit) lines.resize(limit);  // wrapped text beyond is cut off
    for (std::string& line : lines) {
      if (text.lineBreak == LineBreak::TruncateTail) line = truncateTail(f, line, width);
      result.widths.push_back(textWidth(f, line));
    }
    result.lines = std::move(lines);
  }
  if (layouts_.size() > 4000) layouts_.clear();  // a flood of distinct texts
  return layouts_.emplace(key, std::move(result)).first->second;
}

void SdlCanvas::drawText(const TextBlock& text, const AffineTransform& m, float alpha) {
  const Rect r = text.rect;
  if (r.width <= 0.0 || r.height <= 0.0) return;
  if (text.text.empty() && !text.caret) return;
  // Glyphs are rendered at the pixel size they are shown at.
  const double scale = std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
  if (!(scale > 0.0)) return;
  const int pixelSize = std::clamp(static_cast<int>(std::lround(text.fontSize * scale)), 1, 512);
  const std::string fontFile = fontFileFor(text.fontName, text.text);
  const double width = r.width * scale, height = r.height * scale;
  const Layout& lay = layout(text, fontFile, pixelSize, width, height);
  if (lay.lineSkip == 0) return;

  const double blockHeight = static_cast<double>(lay.lines.size()) * lay.lineSkip;
  const double top = (height - blockHeight) / 2.0;
  Colour colour = text.colour;
  colour.a *= alpha;
  double caretX = 0.0, caretY = top;
  for (std::size_t i = 0; i < lay.lines.size(); ++i) {
    const double w = lay.widths[i];
    double x = 0.0;
    if (text.alignment == TextAlignment::Centre) x = (width - w) / 2.0;
    if (text.alignment == TextAlignment::Right) x = width - w;
    const double y = top + static_cast<double>(i) * lay.lineSkip;
    caretX = x + w;
    caretY = y;
    if (lay.lines[i].empty()) continue;
    const CachedTexture* t = lineTexture(fontFile, pixelSize, lay.lines[i]);
    if (t->texture == nullptr) continue;
    quad(t->texture, m,
         {r.x + x / scale, r.y + y / scale, t->width / scale, t->height / scale}, colour);
  }
  if (text.caret) {
    const double caretWidth = std::max(1.0, pixelSize / 12.0);
    fillRect(m, {r.x + std::min(caretX + 1.0, width - caretWidth) / scale, r.y + caretY / scale,
                 caretWidth / scale, lay.lineSkip / scale},
             Colour{0.26f, 0.42f, 0.95f, 1.0f}, alpha);
  }
}

}  // namespace piano::platform
