#include "keyboard/touchscreen.h"

#include <cstdint>
#include <cstdio>

#include "platform/screen.h"

namespace piano {

using platform::Point;
using platform::TouchPhase;

Touchscreen::Touchscreen(const platform::Rect& frame, bool dualKeyboard) : View(frame) {
  geometry_.dualKeyboard = dualKeyboard;
  geometry_.tallScreen = platform::isTallScreen();
  setMultipleTouchEnabled(true);
  setUserInteractionEnabled(true);
}

void Touchscreen::setKeyboardScaleFactor(float factor) {
  keyboardScaleFactor_ = factor;
  geometry_.keySize = 60 * factor;
  geometry_.blackKeyOffset = 30 * factor;
}

int Touchscreen::getKeyZoneNoForCoord(Point point) const {
  return zoneAt(static_cast<float>(point.x), static_cast<float>(point.y));
}

float Touchscreen::getExpressionForCoord(Point point) const {
  return geometry_.expressionAt(static_cast<float>(point.x), static_cast<float>(point.y));
}

void Touchscreen::resetSlots() {
  for (TouchSlot& slot : touchSlots_) slot.address = nullptr;
}

int Touchscreen::heldSlotCount() const {
  int held = 0;
  for (const TouchSlot& slot : touchSlots_) held += slot.address != nullptr ? 1 : 0;
  return held;
}

void Touchscreen::touchesBegan(const platform::TouchSet& touches) { processTouches(touches); }
void Touchscreen::touchesMoved(const platform::TouchSet& touches) { processTouches(touches); }
void Touchscreen::touchesEnded(const platform::TouchSet& touches) { processTouches(touches); }
void Touchscreen::touchesCancelled(const platform::TouchSet& touches) { processTouches(touches); }

void Touchscreen::processTouches(const platform::TouchSet& touches) {
  for (const platform::Touch* touch : touches) {
    // A slot's identity must never be null (null marks a free slot).
    if (touch == nullptr) continue;
    processTouch(touch, touch->phase(), touch->locationInView(this), touch->previousLocationInView(this));
  }
}

// The release is reported where the finger was last seen, not where the end
// event says: the platform may report the lift a little off the key.
void Touchscreen::release(int slot) {
  TouchSlot& held = touchSlots_[static_cast<std::size_t>(slot)];
  held.address = nullptr;
  if (parent_ != nullptr) {
    parent_->performFingerPressAction({held.x, held.y}, false, zoneAt(held.x, held.y), slot);
  }
}

void Touchscreen::processTouch(const void* identity, TouchPhase phase, Point location, Point previous) {
  if (identity == nullptr) return;
  const float x = static_cast<float>(location.x);
  const float y = static_cast<float>(location.y);

  auto slotOf = [this](const void* address) {
    for (int i = 0; i < kNumTouchSlots; ++i) {
      if (touchSlots_[static_cast<std::size_t>(i)].address == address) return i;
    }
    return -1;
  };

  switch (phase) {
    case TouchPhase::Began: {
      // A touch the platform reports as new cannot hold a slot already; if a
      // reused identity still does, its old finger is released first so that
      // its note cannot be left sounding.
      for (int held = slotOf(identity); held != -1; held = slotOf(identity)) release(held);
      const int slot = slotOf(nullptr);
      if (slot == -1) return;  // eleven fingers are down already
      TouchSlot& free = touchSlots_[static_cast<std::size_t>(slot)];
      free.address = identity;
      free.x = x;
      free.y = y;
      if (parent_ != nullptr) parent_->performFingerPressAction({x, y}, true, zoneAt(x, y), slot);
      return;
    }
    case TouchPhase::Moved: {
      const int slot = slotOf(identity);
      if (slot == -1) return;
      const float px = static_cast<float>(previous.x);
      const float py = static_cast<float>(previous.y);
      const int previousZone = zoneAt(px, py);
      const int currentZone = zoneAt(x, y);
      TouchSlot& held = touchSlots_[static_cast<std::size_t>(slot)];
      held.x = x;
      held.y = y;
      if (previousZone == currentZone && currentZone != zone::kRadar) return;
      if (parent_ == nullptr) return;
      parent_->performFingerPressAction({px, py}, false, previousZone, slot);
      parent_->performFingerPressAction({x, y}, true, currentZone, slot);
      return;
    }
    case TouchPhase::Stationary:
      return;
    case TouchPhase::Ended:
    case TouchPhase::Cancelled:
      for (int slot = 0; slot < kNumTouchSlots; ++slot) {
        if (touchSlots_[static_cast<std::size_t>(slot)].address == identity) release(slot);
      }
      return;
  }
}

void Touchscreen::dumpTouches(const platform::TouchSet& touches) const {
  std::printf("TOUCHES: \n");
  for (const platform::Touch* touch : touches) {
    if (touch == nullptr) continue;
    const Point at = touch->locationInView(this);
    std::printf("%d = (%f,%f). phase=%d. %d \n", static_cast<int>(reinterpret_cast<std::uintptr_t>(touch)), at.x,
                at.y, touch->phaseNumber(), touch->tapCount());
  }
  std::printf("\n");
}

}  // namespace piano
