// The SDL renderer behind the view tree's Canvas: textured and coloured
// triangles (SDL_RenderGeometry) under each view's full transform, SVG artwork
// rasterised at the size it is shown, text rendered with SDL_ttf at pixel size
// and laid out by SdlTextLayout.
// Internal to the SDL adapter; SDL's types are only named here.
//
// Threads: main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/canvas.h"
#include "platform/sdl_text_layout.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace piano::platform {

class SdlCanvas : public Canvas {
 public:
  explicit SdlCanvas(SDL_Renderer* renderer);
  ~SdlCanvas() override;
  SdlCanvas(const SdlCanvas&) = delete;
  SdlCanvas& operator=(const SdlCanvas&) = delete;

  // The transforms passed in map to window pixels. Call once per frame, with
  // the renderer's clip set to what the frame may cover (the window's
  // letterbox): textures and layouts unused for a while are freed.
  void beginFrame();

  void fillRect(const AffineTransform& toDisplay, const Rect& rect, Colour colour, float alpha) override;
  void strokeRect(const AffineTransform& toDisplay, const Rect& rect, Colour colour,
                  float alpha) override;
  void fillEllipse(const AffineTransform& toDisplay, const Rect& rect, Colour colour,
                   float alpha) override;
  void drawImage(const Image& image, const AffineTransform& toDisplay, const Rect& rect,
                 float alpha) override;
  void drawText(const TextBlock& text, const AffineTransform& toDisplay, float alpha) override;
  // A layer is a texture the size of the output, drawn back at the end.
  void beginLayer() override;
  void endLayer(float alpha) override;

  // Number of cached textures (for tests of the caches).
  std::size_t cachedTextures() const { return images_.size() + lines_.size(); }

 private:
  struct CachedTexture {
    SDL_Texture* texture = nullptr;  // null: could not be made (not tried again)
    int width = 0, height = 0;
    std::uint64_t lastUsed = 0;
  };

  void clipChanged() override;
  void quad(SDL_Texture* texture, const AffineTransform& m, const Rect& rect, Colour colour);
  CachedTexture* imageTexture(const Image& image, int width, int height);
  CachedTexture* lineTexture(const std::string& fontFile, int pixelSize, const std::string& text);

  SDL_Renderer* renderer_;
  // The renderer's clip at the start of the frame (the window's letterbox),
  // which holds every view clip.
  bool outerClipOn_ = false;
  Rect outerClip_;  // pixels
  bool nothingShows_ = false;  // the clip is empty
  struct OpenLayer {
    SDL_Texture* texture = nullptr;  // null: none could be made, drawn straight
    SDL_Texture* under = nullptr;    // the target to go back to
  };
  std::vector<OpenLayer> openLayers_;
  std::vector<SDL_Texture*> layerTextures_;  // one per depth, kept between frames
  std::uint64_t frame_ = 0;
  std::map<std::tuple<std::string, int, int>, CachedTexture> images_;
  std::map<std::tuple<std::string, int, std::string>, CachedTexture> lines_;
  SdlTextLayout text_;
  std::map<std::string, bool> reported_;  // images already reported as broken
};

}  // namespace piano::platform
