#include "keyboard/key_art.h"

#include <algorithm>

#include "keyboard/key_press_engine.h"

namespace piano {

namespace {

constexpr double kQuarterTurn = 1.5707964;  // pi / 2 as a float, as the label layouts were made

// Where the artwork draws a button's cap in its touch area (generate_images.py:
// bar_button and left_border_dual). Caps tile along the bar (y) and along the
// borders (x) with a gap, wider at the artwork's ends.
platform::Rect capRect(const ButtonArea& area, const platform::Rect& artwork) {
  const auto inset = [](double from, double to, double artFrom, double artTo, double gap, double end) {
    from = std::max(from, artFrom);
    to = std::min(to, artTo);
    return std::make_pair(from + (from <= artFrom ? end : gap), to - (to >= artTo ? end : gap));
  };
  if (area.onBar) {
    const auto [y0, y1] = inset(area.rect.minY(), area.rect.maxY(), artwork.minY(), artwork.maxY(), 2.2, 4.2);
    return {276, y0, 42, y1 - y0};
  }
  const auto [x0, x1] = inset(area.rect.minX(), area.rect.maxX(), artwork.minX(), artwork.maxX(), 2.2, 3.0);
  return {x0, artwork.minY() + 2.4, x1 - x0, artwork.height - 4.8};
}

}  // namespace

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

void HeldButtonPictures::add(platform::View& parent, const ButtonArea& area, const platform::Rect& artwork) {
  auto picture = std::make_shared<platform::ImageView>("ButtonPressed", "png");
  picture->setFrame(capRect(area, artwork));
  picture->setAlpha(0.0f);
  parent.addSubview(picture);
  pictures_.emplace_back(area, std::move(picture));
}

void HeldButtonPictures::redraw(const KeyPressEngine& engine, const std::function<bool(const ButtonArea&)>& shown) {
  for (const auto& [area, picture] : pictures_) {
    const bool held = engine.isButtonHeld(area.zone, area.rect) && (!shown || shown(area));
    picture->setAlpha(held ? 1.0f : 0.0f);
  }
}

std::vector<int> HeldButtonPictures::zonesShown() const {
  std::vector<int> zones;
  for (const auto& [area, picture] : pictures_) {
    if (picture->alpha() > 0.0f) zones.push_back(area.zone);
  }
  return zones;
}

}  // namespace piano
