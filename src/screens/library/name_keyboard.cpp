#include "screens/library/name_keyboard.h"

#include <cctype>
#include <numbers>

#include "platform/localized_strings.h"

namespace piano {

using platform::Colour;
using platform::Point;
using platform::Rect;

namespace {

constexpr const char* kShift = "SHIFT";
constexpr const char* kDelete = "DELETE";
constexpr const char* kDone = "DONE";
constexpr double kGap = 3.0;

struct KeySpec {
  std::string value;
  double units;  // width along the row; every row has 10
};

std::vector<std::vector<KeySpec>> layout() {
  std::vector<std::vector<KeySpec>> rows;
  for (const char* letters : {"1234567890", "qwertyuiop", "asdfghjkl-"}) {
    std::vector<KeySpec> row;
    for (const char* c = letters; *c != '\0'; ++c) row.push_back({std::string(1, *c), 1.0});
    rows.push_back(row);
  }
  std::vector<KeySpec> row{{kShift, 1.5}};
  for (const char* c = "zxcvbnm"; *c != '\0'; ++c) row.push_back({std::string(1, *c), 1.0});
  row.push_back({kDelete, 1.5});
  rows.push_back(row);
  rows.push_back({{" ", 7.0}, {kDone, 3.0}});
  return rows;
}

bool isLetter(const std::string& value) {
  return value.size() == 1 && std::islower(static_cast<unsigned char>(value[0])) != 0;
}

}  // namespace

NameKeyboard::NameKeyboard(const Rect& frame, Actions actions) : View(frame), actions_(std::move(actions)) {
  setBackgroundColour(Colour::rgb255(26, 25, 36));
  setMultipleTouchEnabled(false);
  const auto rows = layout();
  const double rowHeight = frame.width / static_cast<double>(rows.size());
  const double unit = frame.height / 10.0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    // Row 0 at the largest x: the top of the display.
    const double x = frame.width - rowHeight * static_cast<double>(r + 1);
    double y = 0.0;
    for (const KeySpec& keyDef : rows[r]) {
      Key key;
      key.value = keyDef.value;
      key.rect = {x, y, rowHeight, unit * keyDef.units};
      // The label reads along y once turned, so its width runs along y.
      const Rect inner{x + kGap / 2, y + kGap / 2, rowHeight - kGap, key.rect.height - kGap};
      key.label = std::make_shared<platform::Label>(
          Rect{inner.midX() - inner.height / 2, inner.midY() - inner.width / 2, inner.height, inner.width});
      key.label->setTransform(platform::AffineTransform::rotation(std::numbers::pi / 2.0));
      key.label->setAlignment(platform::TextAlignment::Centre);
      key.label->setFont("Helvetica", 17);
      key.label->setBackgroundColour(Colour::rgb255(238, 232, 218));
      key.label->setTextColour(Colour::black(0.9f));
      addSubview(key.label);
      keys_.push_back(std::move(key));
      y += unit * keyDef.units;
    }
  }
  relabel();
}

void NameKeyboard::relabel() {
  for (Key& key : keys_) {
    std::string text = key.value;
    if (key.value == kShift) {
      text = "Aa";  // capitals for the next letter; lit while on
      key.label->setBackgroundColour(shifted_ ? Colour::rgb255(76, 109, 128) : Colour::rgb255(200, 194, 180));
    } else if (key.value == kDelete) {
      text = "\xE2\x86\x90";  // leftwards arrow
      key.label->setBackgroundColour(Colour::rgb255(200, 194, 180));
    } else if (key.value == kDone) {
      text = platform::localized("OK");
      key.label->setBackgroundColour(Colour::rgb255(76, 109, 128));
    } else if (isLetter(key.value) && shifted_) {
      text = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(key.value[0]))));
    }
    key.label->setText(text);
  }
}

std::string NameKeyboard::keyAt(Point point) const {
  for (const Key& key : keys_) {
    if (key.rect.contains(point)) return key.value;
  }
  return {};
}

bool NameKeyboard::centreOfKey(const std::string& value, Point* centre) const {
  for (const Key& key : keys_) {
    if (key.value == value) {
      *centre = key.rect.centre();
      return true;
    }
  }
  return false;
}

void NameKeyboard::press(Point point) {
  const std::string value = keyAt(point);
  if (value.empty()) return;
  if (value == kShift) {
    shifted_ = !shifted_;
  } else if (value == kDelete) {
    if (actions_.deleteBackward) actions_.deleteBackward();
  } else if (value == kDone) {
    shifted_ = false;
    if (actions_.done) actions_.done();
  } else {
    std::string text = value;
    if (isLetter(value) && shifted_) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    shifted_ = false;
    if (actions_.insertText) actions_.insertText(text);
  }
  relabel();
}

void NameKeyboard::touchesBegan(const platform::TouchSet& touches) {
  for (const platform::Touch* touch : touches) {
    if (touch != nullptr) press(touch->locationInView(this));
  }
}

}  // namespace piano
