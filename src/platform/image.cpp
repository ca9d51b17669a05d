#include "platform/image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>
#include <utility>

#include "platform/file_io.h"
#include "platform/resources.h"

namespace piano::platform {

namespace {

constexpr std::size_t kHeaderBytes = 64 * 1024;  // an SVG's root element is near its start

bool readHead(const std::string& path, std::string* out) {
  FileContents file = readFileLimited(path, Image::kMaxFileBytes);
  if (file.status != ReadStatus::kOk) return false;
  file.bytes.resize(std::min(file.bytes.size(), kHeaderBytes));
  *out = std::move(file.bytes);
  return true;
}

// Looked at without opening it: opening a pipe could wait for ever.
bool fileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Value of attribute `name` inside the tag text, or nothing.
bool attribute(const std::string& tag, const std::string& name, std::string* value) {
  std::size_t pos = 0;
  while ((pos = tag.find(name, pos)) != std::string::npos) {
    const bool startsWord = pos > 0 && std::isspace(static_cast<unsigned char>(tag[pos - 1]));
    std::size_t p = pos + name.size();
    while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p]))) ++p;
    if (startsWord && p < tag.size() && tag[p] == '=') {
      ++p;
      while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p]))) ++p;
      if (p >= tag.size() || (tag[p] != '"' && tag[p] != '\'')) return false;
      const char quote = tag[p++];
      const std::size_t end = tag.find(quote, p);
      if (end == std::string::npos) return false;
      *value = tag.substr(p, end - p);
      return true;
    }
    pos += name.size();
  }
  return false;
}

// A length in points: a number with no unit or "px"; "pt" is 4/3 px. Anything
// else (percentages, em) is not a size of its own.
bool length(const std::string& text, double* out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin || !(v > 0.0) || v > 1e6) return false;
  std::string unit(end);
  while (!unit.empty() && std::isspace(static_cast<unsigned char>(unit.back()))) unit.pop_back();
  if (unit.empty() || unit == "px") {
    *out = v;
    return true;
  }
  if (unit == "pt") {
    *out = v * 4.0 / 3.0;
    return true;
  }
  return false;
}

bool pngSize(const std::string& head, Size* size) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (head.size() < 24) return false;
  for (int i = 0; i < 8; ++i) {
    if (static_cast<unsigned char>(head[i]) != kSignature[i]) return false;
  }
  if (head.compare(12, 4, "IHDR") != 0) return false;
  auto be32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(head[at + i]);
    return v;
  };
  const std::uint32_t w = be32(16), h = be32(20);
  if (w == 0 || h == 0 || w > 100000 || h > 100000) return false;
  *size = {static_cast<double>(w), static_cast<double>(h)};
  return true;
}

bool jpegSize(const std::string& head, Size* size) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(head[i]); };
  if (head.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return false;
  std::size_t p = 2;
  while (p + 9 < head.size()) {
    if (byte(p) != 0xFF) return false;
    const unsigned char marker = byte(p + 1);
    const std::size_t segment = (static_cast<std::size_t>(byte(p + 2)) << 8) | byte(p + 3);
    const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                              marker != 0xC8 && marker != 0xCC;
    if (startOfFrame) {
      const double h = (byte(p + 5) << 8) | byte(p + 6);
      const double w = (byte(p + 7) << 8) | byte(p + 8);
      if (w <= 0 || h <= 0) return false;
      *size = {w, h};
      return true;
    }
    if (segment < 2) return false;
    p += 2 + segment;
  }
  return false;
}

Image::Format formatOf(const std::string& path) {
  const std::string p = lower(path);
  if (endsWith(p, ".svg")) return Image::Format::Svg;
  if (endsWith(p, ".png")) return Image::Format::Png;
  if (endsWith(p, ".jpg") || endsWith(p, ".jpeg")) return Image::Format::Jpeg;
  return Image::Format::None;
}

std::shared_ptr<const Image> load(const std::string& name, const std::string& path) {
  std::string head;
  if (!readHead(path, &head)) {
    std::printf("Image %s: cannot read %s\n", name.c_str(), path.c_str());
    return std::make_shared<Image>(name, "", Image::Format::None, Size{});
  }
  const Image::Format format = formatOf(path);
  Size size;
  bool ok = false;
  switch (format) {
    case Image::Format::Svg: ok = svgSizeFromText(head, &size); break;
    case Image::Format::Png: ok = pngSize(head, &size); break;
    case Image::Format::Jpeg: ok = jpegSize(head, &size); break;
    case Image::Format::None: break;
  }
  if (!ok) {
    std::printf("Image %s: %s is not an image of known size\n", name.c_str(), path.c_str());
    return std::make_shared<Image>(name, "", Image::Format::None, Size{});
  }
  // Bitmaps named "@2x" hold two pixels per point.
  if (format != Image::Format::Svg) {
    std::string stem = path.substr(0, path.rfind('.'));
    if (endsWith(stem, "@2x")) size = {size.width / 2.0, size.height / 2.0};
  }
  return std::make_shared<Image>(name, path, format, size);
}

std::map<std::pair<std::string, std::string>, std::shared_ptr<const Image>>& cache() {
  static std::map<std::pair<std::string, std::string>, std::shared_ptr<const Image>> images;
  return images;
}

}  // namespace

Image::Image(std::string name, std::string path, Format format, Size size)
    : name_(std::move(name)), path_(std::move(path)), format_(format), size_(size) {}

std::shared_ptr<const Image> Image::named(const std::string& name, const std::string& type) {
  const auto key = std::make_pair(name, type);
  if (auto it = cache().find(key); it != cache().end()) return it->second;

  std::shared_ptr<const Image> image;
  const bool safeName = !name.empty() && name.find('/') == std::string::npos &&
                        name.find("..") == std::string::npos;
  if (safeName) {
    std::string path = imagePath(name + ".svg");
    if (!fileExists(path) && !type.empty()) path = imagePath(name + "." + type);
    if (!fileExists(path)) path = imagePath(name + ".png");
    if (fileExists(path)) {
      image = load(name, path);
    } else {
      std::printf("Image %s: no file %s\n", name.c_str(), imagePath(name + ".svg").c_str());
    }
  } else {
    std::printf("Image \"%s\": not a valid image name\n", name.c_str());
  }
  if (!image) image = std::make_shared<Image>(name, "", Format::None, Size{});
  cache()[key] = image;
  return image;
}

std::shared_ptr<const Image> Image::fromFile(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return load(name, path);
}

void Image::clearCache() { cache().clear(); }

bool svgSizeFromText(const std::string& text, Size* size) {
  // The root element: the first "<svg" followed by a space or the tag's end.
  std::size_t pos = 0;
  while ((pos = text.find("<svg", pos)) != std::string::npos) {
    const std::size_t next = pos + 4;
    if (next < text.size() &&
        (std::isspace(static_cast<unsigned char>(text[next])) || text[next] == '>')) {
      break;
    }
    pos = next;
  }
  if (pos == std::string::npos) return false;
  const std::size_t end = text.find('>', pos);
  if (end == std::string::npos) return false;
  const std::string tag = text.substr(pos, end - pos);

  std::string w, h;
  double width = 0.0, height = 0.0;
  if (attribute(tag, "width", &w) && attribute(tag, "height", &h) && length(w, &width) &&
      length(h, &height)) {
    *size = {width, height};
    return true;
  }
  std::string box;
  if (attribute(tag, "viewBox", &box)) {
    for (char& c : box) {
      if (c == ',') c = ' ';
    }
    double values[4];
    const char* p = box.c_str();
    for (double& v : values) {
      char* e = nullptr;
      v = std::strtod(p, &e);
      if (e == p) return false;
      p = e;
    }
    if (values[2] > 0.0 && values[3] > 0.0 && values[2] <= 1e6 && values[3] <= 1e6) {
      *size = {values[2], values[3]};
      return true;
    }
  }
  return false;
}

}  // namespace piano::platform
