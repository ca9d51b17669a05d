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

constexpr int kMaxTextureSide = 4096;
constexpr std::uint64_t kEvictAfterFrames = 600;

SDL_Color toSdl(Colour c, float alpha) {
  auto channel = [](float v) {
    return static_cast<Uint8>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  };
  return {channel(c.r), channel(c.g), channel(c.b), channel(c.a * alpha)};
}

// A display coordinate as a whole pixel, held to a range SDL can take.
int wholePixel(double v) { return v == v ? static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6))) : 0; }

double axisLength(const AffineTransform& m, double x, double y) {
  const Point v = m.applyToVector({x, y});
  return std::hypot(v.x, v.y);
}

}  // namespace

SdlCanvas::SdlCanvas(SDL_Renderer* renderer) : renderer_(renderer) {}

SdlCanvas::~SdlCanvas() {
  for (auto& [key, t] : images_) {
    if (t.texture != nullptr) SDL_DestroyTexture(t.texture);
  }
  for (auto& [key, t] : lines_) {
    if (t.texture != nullptr) SDL_DestroyTexture(t.texture);
  }
  for (SDL_Texture* t : layerTextures_) {
    if (t != nullptr) SDL_DestroyTexture(t);
  }
}

void SdlCanvas::beginFrame() {
  ++frame_;
  SDL_Rect outer{};
  SDL_RenderGetClipRect(renderer_, &outer);
  outerClipOn_ = SDL_RenderIsClipEnabled(renderer_) == SDL_TRUE;
  outerClip_ = {static_cast<double>(outer.x), static_cast<double>(outer.y), static_cast<double>(outer.w),
                static_cast<double>(outer.h)};
  nothingShows_ = false;
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
  text_.beginFrame(frame_, kEvictAfterFrames);
}

void SdlCanvas::clipChanged() {
  const Rect* c = clip();
  if (c == nullptr && !outerClipOn_) {
    SDL_RenderSetClipRect(renderer_, nullptr);
    nothingShows_ = false;
    return;
  }
  const Rect shown = c == nullptr ? outerClip_ : outerClipOn_ ? c->intersection(outerClip_) : *c;
  const int x0 = wholePixel(shown.minX()), y0 = wholePixel(shown.minY());
  const SDL_Rect r{x0, y0, wholePixel(shown.maxX()) - x0, wholePixel(shown.maxY()) - y0};
  // SDL takes an empty rectangle for "no clip": an empty clip draws nothing instead.
  nothingShows_ = r.w <= 0 || r.h <= 0;
  if (!nothingShows_) SDL_RenderSetClipRect(renderer_, &r);
}

void SdlCanvas::beginLayer() {
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(renderer_, &w, &h);
  const std::size_t depth = openLayers_.size();
  if (layerTextures_.size() <= depth) layerTextures_.resize(depth + 1, nullptr);
  SDL_Texture*& texture = layerTextures_[depth];
  int tw = 0, th = 0;
  if (texture != nullptr && (SDL_QueryTexture(texture, nullptr, nullptr, &tw, &th) != 0 || tw != w || th != h)) {
    SDL_DestroyTexture(texture);
    texture = nullptr;
  }
  if (texture == nullptr && w > 0 && h > 0) {
    texture = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    if (texture != nullptr) SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  }
  SDL_Texture* under = SDL_GetRenderTarget(renderer_);
  if (texture == nullptr || SDL_SetRenderTarget(renderer_, texture) != 0) {
    openLayers_.push_back({nullptr, under});
    return;
  }
  openLayers_.push_back({texture, under});
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 0);
  SDL_RenderClear(renderer_);
  clipChanged();  // a new target starts without a clip
}

void SdlCanvas::endLayer(float alpha) {
  if (openLayers_.empty()) return;
  const OpenLayer layer = openLayers_.back();
  openLayers_.pop_back();
  if (layer.texture == nullptr) return;
  SDL_SetRenderTarget(renderer_, layer.under);
  clipChanged();
  if (nothingShows_) return;
  SDL_SetTextureAlphaMod(layer.texture, toSdl(Colour::white(), alpha).a);
  SDL_RenderCopy(renderer_, layer.texture, nullptr, nullptr);
}

void SdlCanvas::quad(SDL_Texture* texture, const AffineTransform& m, const Rect& r, Colour colour) {
  const SDL_Color c = toSdl(colour, 1.0f);
  if (c.a == 0 || nothingShows_) return;
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
  if (c.a == 0 || nothingShows_ || r.width <= 0.0 || r.height <= 0.0) return;
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
    if (TTF_Font* f = text_.font(fontFile, pixelSize)) {
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

void SdlCanvas::drawText(const TextBlock& text, const AffineTransform& m, float alpha) {
  const Rect r = text.rect;
  if (r.width <= 0.0 || r.height <= 0.0) return;
  if (text.text.empty() && !text.caret) return;
  // Pixels per point along the lines and across them; glyphs are rendered at
  // the pixel size they are shown at, in their own aspect.
  const double sx = axisLength(m, 1.0, 0.0), sy = axisLength(m, 0.0, 1.0);
  if (!(sx > 0.0) || !(sy > 0.0)) return;
  const TextLayout& lay = text_.layout(text, sx, sy);
  if (lay.lineSkip == 0) return;

  const double width = r.width * sx, height = r.height * sy;
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
    const CachedTexture* t = lineTexture(lay.fontFile, lay.pixelSize, lay.lines[i]);
    if (t->texture == nullptr) continue;
    quad(t->texture, m, {r.x + x / sx, r.y + y / sy, t->width / sx, t->height / sy}, colour);
  }
  if (text.caret) {
    const double caretWidth = std::max(1.0, lay.pixelSize / 12.0);
    fillRect(m, {r.x + std::min(caretX + 1.0, width - caretWidth) / sx, r.y + caretY / sy, caretWidth / sx,
                 lay.lineSkip / sy},
             Colour{0.26f, 0.42f, 0.95f, 1.0f}, alpha);
  }
}

}  // namespace piano::platform
