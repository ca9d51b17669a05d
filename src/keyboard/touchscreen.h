// Touchscreen: the transparent multi-touch layer laid over a keyboard view's
// keys. It keeps up to 11 fingers in numbered touch slots, turns each finger
// position into a key zone, and tells its parent about every press and
// release through performFingerPressAction. A finger that slides into another
// zone is a release of the old zone and a press of the new one in the same
// slot; on the radar strip every move is such a pair, so the keyboard follows
// the finger continuously.
//
// Threads: main thread only (touches, layout and the slot table).
#pragma once

#include <array>

#include "keyboard/key_zones.h"
#include "platform/touch.h"
#include "platform/view.h"

namespace piano {

// Receives the touch layer's presses and releases (the key press engine).
class FingerPressTarget {
 public:
  // `slot` is 0..10 and names the finger from its press to its release.
  virtual void performFingerPressAction(platform::Point point, bool press, int keyZoneNo, int slot) = 0;

 protected:
  ~FingerPressTarget() = default;
};

class Touchscreen : public platform::View {
 public:
  static constexpr int kNumTouchSlots = 11;

  struct TouchSlot {
    // Identity of the touch holding the slot; compared, never dereferenced.
    const void* address = nullptr;
    // Last position recorded for the finger (its release is reported here).
    float x = 0.0f;
    float y = 0.0f;
  };

  // A touch layer over the keys of one keyboard or two. Reads the tall-screen
  // flag, which is fixed before the first screen is built.
  Touchscreen(const platform::Rect& frame, bool dualKeyboard);

  void setupParent(FingerPressTarget* parent) { parent_ = parent; }
  // Scale of the keyboard along y; a white key is 60 x factor points long.
  void setKeyboardScaleFactor(float factor);

  int getKeyZoneNoForCoord(platform::Point point) const;
  float getExpressionForCoord(platform::Point point) const;

  // Forgets every finger without releasing it (the keyboard view has already
  // stopped its notes when its screen was left). Positions are kept.
  void resetSlots();

  void touchesBegan(const platform::TouchSet& touches) override;
  void touchesMoved(const platform::TouchSet& touches) override;
  void touchesEnded(const platform::TouchSet& touches) override;
  void touchesCancelled(const platform::TouchSet& touches) override;
  void processTouches(const platform::TouchSet& touches);
  // One touch of a set: `identity` names the finger for its whole life;
  // `location` and `previous` are in this view's coordinates. A touch that
  // begins while all 11 slots are held, and a moved or ended touch that holds
  // no slot (it began before resetSlots), are ignored.
  void processTouch(const void* identity, platform::TouchPhase phase, platform::Point location,
                    platform::Point previous);

  // Debug listing on the standard output; nothing calls it in normal use.
  void dumpTouches(const platform::TouchSet& touches) const;

  // ---- inspection
  const TouchSlot& touchSlot(int slot) const { return touchSlots_[static_cast<std::size_t>(slot)]; }
  int heldSlotCount() const;
  bool dualKeyboard() const { return geometry_.dualKeyboard; }
  float keyboardScaleFactor() const { return keyboardScaleFactor_; }
  float keySize() const { return geometry_.keySize; }
  float blackKeyOffset() const { return geometry_.blackKeyOffset; }

 private:
  int zoneAt(float x, float y) const { return geometry_.zoneAt(x, y); }
  void release(int slot);

  FingerPressTarget* parent_ = nullptr;
  std::array<TouchSlot, kNumTouchSlots> touchSlots_{};
  float keyboardScaleFactor_ = 0.0f;
  KeyZoneGeometry geometry_;
};

}  // namespace piano
