#include "keyboard/key_art.h"

#include <algorithm>

namespace piano {

namespace {
constexpr double kQuarterTurn = 1.5707964;  // pi / 2 as a float, as the label layouts were made
}

KeyImages KeyImages::load() {
  using platform::Image;
  return {Image::named("WhiteKeyUp", "png"), Image::named("WhiteKeyDown", "png"),
          Image::named("WhiteKeyDownLeftShadow", "png"), Image::named("BlackKeyUp", "png"),
          Image::named("BlackKeyDown", "png")};
}

const std::shared_ptr<const platform::Image>& KeyImages::white(WhiteKeyPicture picture) const {
  switch (picture) {
    case WhiteKeyPicture::Down: return whiteKeyPressedImage;
    case WhiteKeyPicture::DownLeftShadow: return whiteKeyPressedLeftShadowImage;
    default: return whiteKeyImage;
  }
}

const std::shared_ptr<const platform::Image>& KeyImages::black(BlackKeyPicture picture) const {
  return picture == BlackKeyPicture::Down ? blackKeyPressedImage : blackKeyImage;
}

std::string screenImageName(const std::string& name, bool tallScreen) {
  return tallScreen ? name + "-568h@2x" : name;
}

platform::Colour labelColour(int octave) {
  const int index = std::clamp(octave, 0, 9);
  if (index == 9) return platform::Colour::black();
  return platform::Colour::hsb(static_cast<float>(index) / 9.0f, 1.0f, 1.0f, 0.3f);
}

platform::AffineTransform noteNameUpTransform() { return platform::AffineTransform::rotation(kQuarterTurn); }

platform::AffineTransform noteNameDownTransform(double downShift) {
  return platform::AffineTransform::rotation(kQuarterTurn).translated(0, downShift);
}

std::shared_ptr<platform::Label> makeNoteNameLabel(int position, double fontSize) {
  auto label = std::make_shared<platform::Label>(platform::Rect{-114.5, 15.0 + 60.0 * position, 56, 30});
  label->setAlpha(0.0f);
  label->setFont("Helvetica", fontSize);
  label->setBackgroundColour(platform::Colour::clear());
  label->setTextColour(platform::Colour::black());
  label->setAlignment(platform::TextAlignment::Centre);
  label->setTransform(noteNameUpTransform());
  return label;
}

}  // namespace piano
