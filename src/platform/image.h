// Images from the application's resources, by name.
//
// Threads: main thread only.
//
// Artwork is kept as SVG sources: an image named N is resources/images/N.svg,
// whatever type the caller names ("png", "jpg"); a file N.<type> is taken
// when there is no SVG. The size in points is the SVG's width and height (a
// viewBox when they are missing or relative), or a PNG's pixel size, halved
// when the name ends in "@2x". Renderers rasterise the file at their own pixel
// scale. A missing or unreadable image gives an empty image (size 0 x 0, drawn
// as nothing) and one line on the standard output naming the file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/geometry.h"

namespace piano::platform {

class Image {
 public:
  enum class Format { None, Svg, Png, Jpeg };
  // Larger files are not read (the piano's own artwork is a few kB each).
  static constexpr std::size_t kMaxFileBytes = 16u * 1024u * 1024u;

  // Cached by name and type: the same object for the same request.
  static std::shared_ptr<const Image> named(const std::string& name, const std::string& type = "png");
  // Any file; not cached.
  static std::shared_ptr<const Image> fromFile(const std::string& path);
  // Forgets the cache (tests that write images).
  static void clearCache();

  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }  // empty when nothing was found
  Format format() const { return format_; }
  Size size() const { return size_; }
  bool isValid() const { return format_ != Format::None; }

  Image(std::string name, std::string path, Format format, Size size);

 private:
  std::string name_;
  std::string path_;
  Format format_;
  Size size_;
};

// Reads the size in points from the start of an SVG document: the root
// element's width and height ("px" or no unit; "pt" counts 4/3), else its
// viewBox. Returns false for anything else (never reads past `text`).
bool svgSizeFromText(const std::string& text, Size* size);

}  // namespace piano::platform
