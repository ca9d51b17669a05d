// A view that shows an image stretched over its bounds.
// Threads: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/image.h"
#include "platform/view.h"

namespace piano::platform {

class ImageView : public View {
 public:
  // No image, empty frame.
  ImageView();
  // Frame (0, 0, image size); user interaction off, as for every image view.
  explicit ImageView(std::shared_ptr<const Image> image);
  // Image::named(name, type).
  explicit ImageView(const std::string& name, const std::string& type = "png");

  const std::shared_ptr<const Image>& image() const { return image_; }
  // Keeps the frame (the new image is stretched over it).
  void setImage(std::shared_ptr<const Image> image);

  void draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const override;

 private:
  std::shared_ptr<const Image> image_;
};

}  // namespace piano::platform
