// The pictures and label styles both keyboard layouts share: the five key
// pictures, the lamp, the octave colours of the note-name labels, and the
// label transforms for a key up or down.
//
// Threads: main thread only (images are loaded on it).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "keyboard/key_zones.h"
#include "keyboard/keyboard_host.h"
#include "platform/geometry.h"
#include "platform/image.h"
#include "platform/image_view.h"
#include "platform/label.h"

namespace piano {

class KeyPressEngine;

struct KeyImages {
  std::shared_ptr<const platform::Image> whiteKeyImage;
  std::shared_ptr<const platform::Image> whiteKeyPressedImage;
  std::shared_ptr<const platform::Image> whiteKeyPressedLeftShadowImage;
  std::shared_ptr<const platform::Image> blackKeyImage;
  std::shared_ptr<const platform::Image> blackKeyPressedImage;

  // "WhiteKeyUp", "WhiteKeyDown", "WhiteKeyDownLeftShadow", "BlackKeyUp", "BlackKeyDown".
  static KeyImages load();
  const std::shared_ptr<const platform::Image>& white(WhiteKeyPicture picture) const;
  const std::shared_ptr<const platform::Image>& black(BlackKeyPicture picture) const;
};

inline constexpr const char* kLampImage = "LEDButtonLit";

// The name of a bar picture for this screen: "-568h@2x" appended on the tall one.
std::string screenImageName(const std::string& name, bool tallScreen);

// Label backgrounds by octave: nine hues at alpha 0.3, and black for octave 9
// (past key 88). Octaves outside 0..9 take the nearest entry.
platform::Colour labelColour(int octave);

// Labels read along the keyboard; a pressed key's label moves `downShift`
// points with the key (5 on the single keyboard, 10 on the dual one).
platform::AffineTransform noteNameUpTransform();
platform::AffineTransform noteNameDownTransform(double downShift);

// The note-name label of white key `position`, in the key container: nearly
// as wide as the key (coloured labels stay apart) and centred on it, black
// centred text, hidden. The container's scale along the keyboard does not
// stretch the text: it keeps its aspect and shrinks only where the name would
// not fit the key.
std::shared_ptr<platform::Label> makeNoteNameLabel(int position, double fontSize);

// The pressed look of the buttons of the bar and of the end borders: the
// picture "ButtonPressed" over a button's cap while a finger holds it.
class HeldButtonPictures {
 public:
  // Adds a hidden picture for `area` on top of `parent`'s children, over the
  // cap that the artwork in `artwork` (the bar's or the border's frame in
  // `parent`) draws there.
  void add(platform::View& parent, const ButtonArea& area, const platform::Rect& artwork);
  // Shows the pictures of the buttons `engine` reports held, of those for
  // which `shown` (when given) is true.
  void redraw(const KeyPressEngine& engine, const std::function<bool(const ButtonArea&)>& shown = {});
  // The zones of the pictures shown, in the order added.
  std::vector<int> zonesShown() const;

 private:
  std::vector<std::pair<ButtonArea, std::shared_ptr<platform::ImageView>>> pictures_;
};

}  // namespace piano
