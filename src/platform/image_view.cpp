#include "platform/image_view.h"

#include <utility>

namespace piano::platform {

ImageView::ImageView() { setDefaultUserInteraction(false); }

ImageView::ImageView(std::shared_ptr<const Image> image) : image_(std::move(image)) {
  setDefaultUserInteraction(false);
  const Size size = image_ ? image_->size() : Size{};
  setFrame({0.0, 0.0, size.width, size.height});
}

ImageView::ImageView(const std::string& name, const std::string& type)
    : ImageView(Image::named(name, type)) {}

void ImageView::setImage(std::shared_ptr<const Image> image) {
  if (image == image_) return;
  image_ = std::move(image);
  setNeedsDisplay();
}

void ImageView::draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const {
  View::draw(canvas, toDisplay, alpha);
  if (image_ && image_->isValid()) canvas.drawImage(*image_, toDisplay, bounds(), alpha);
}

}  // namespace piano::platform
