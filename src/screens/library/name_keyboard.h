// NameKeyboard: an on-screen keyboard for typing a song name with the fingers,
// for touch screens without a keyboard of their own. Digits, letters with a
// one-shot shift, "-", space, delete and Done. It lies over the song list while
// the name field is being edited; a computer keyboard types into the field as
// well.
//
// Laid out in the portrait screen space like the library screen: its rows run
// along y and are stacked in x, the digit row at the largest x (the top of the
// display).
//
// Threads: main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/label.h"
#include "platform/view.h"

namespace piano {

class NameKeyboard : public platform::View {
 public:
  struct Actions {
    std::function<void(const std::string& utf8)> insertText;
    std::function<void()> deleteBackward;
    std::function<void()> done;
  };

  // `frame` in the parent's portrait coordinates.
  NameKeyboard(const platform::Rect& frame, Actions actions);

  // What a key at `point` (own coordinates) types: a character, or one of
  // "SHIFT", "DELETE", "DONE"; empty between keys.
  std::string keyAt(platform::Point point) const;
  // Presses the key at `point`.
  void press(platform::Point point);
  bool shifted() const { return shifted_; }
  // The key's centre in own coordinates (tests); false when there is none.
  bool centreOfKey(const std::string& key, platform::Point* centre) const;

  void touchesBegan(const platform::TouchSet& touches) override;
  void touchesMoved(const platform::TouchSet&) override {}
  void touchesEnded(const platform::TouchSet&) override {}
  void touchesCancelled(const platform::TouchSet&) override {}

 private:
  struct Key {
    std::string value;  // lower-case letter, character, or a command
    platform::Rect rect;
    std::shared_ptr<platform::Label> label;
  };
  void relabel();

  Actions actions_;
  std::vector<Key> keys_;
  bool shifted_ = false;
};

}  // namespace piano
