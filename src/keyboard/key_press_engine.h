// KeyPressEngine: turns the touch layer's presses and releases into notes and
// button actions. It maps a key zone to a piano key, starts and stops voices in
// the sound engine with the volume and envelope that the expression setting
// and the pedals give, reports every struck and released note to the recorder,
// shows keys pressed and released (also those that playback presses), and runs
// the buttons that both keyboard layouts share.
//
// One engine serves a keyboard view with one keyboard or two. Per keyboard it
// keeps the start key and which keys fingers and playback hold down; the
// finger slot tables, lamps and the fading flag belong to the view and are
// shared (a finger is on one keyboard at a time). Expression, sustain times
// and pedals it reads from the player's settings record when a key is struck.
//
// A finger's note lives from the press that got a voice to the release in the
// same touch slot; a release always ends what the slot's press started, even
// after the keyboard was scrolled in between.
//
// Threads: main thread only. The playback thread reaches it only through
// calls posted to the main thread; the sound engine's render thread reads the
// voices that playSampleWithSampleNo and stopSample hand over.
#pragma once

#include <array>

#include "keyboard/key_numbers.h"
#include "keyboard/keyboard_host.h"
#include "keyboard/keyboard_settings.h"
#include "keyboard/touchscreen.h"
#include "platform/geometry.h"

namespace piano {

class SoundPlayer;
class NoteRecorder;

class KeyPressEngine : public FingerPressTarget {
 public:
  static constexpr int kNumTouchSlots = 11;
  static constexpr int kMaxKeyboards = 2;

  struct Keyboard {
    int keyboardStartKey = keys::kDefaultStartKey;
    // By sample slot (key number - 1): held down by playback, by a finger.
    std::array<bool, kNumPianoKeys> mechanicalKeys{};
    std::array<bool, kNumPianoKeys> humanKeys{};
    // By white display position: the picture shows the key pressed.
    std::array<bool, keys::kNumWhiteKeyViews> whiteKeyPressed{};
  };

  // `parent` may be null (nothing is shown). The others must outlive the
  // engine; the pedal buttons toggle the pedals of `settings`.
  KeyPressEngine(KeyboardHost& host, KeyboardParent* parent, SoundPlayer& soundPlayer, NoteRecorder& noteRecorder,
                 KeyboardSettings& settings, int numKeyboards);

  // ---- from the touch layer
  void performFingerPressAction(platform::Point point, bool press, int keyZoneNo, int slot) override;
  // Starts (press) or ends (release) the note of touch slot `slot`; `keyOffset`
  // is from the keyboard's start key, kNoKey for none (a release still ends
  // the slot's note).
  void playPianoKey(int keyOffset, int press, int slot, float expression, int keyboard = 0);

  // ---- from playback (sample slot 0..87); shown on every keyboard that displays the key
  void mechanicalKeyPressDownForTrigger(int sampleNo);
  void mechanicalKeyPressUpForTrigger(int sampleNo);

  int getKeyFromKeyOffset(int keyOffset, bool* white, int keyboard = 0) const;

  // Lifts every key of every keyboard; with `stopNotes`, first ends every
  // finger's note as its release would (stopped voice, recorded release).
  void liftAllKeys(bool stopNotes);
  // The recorder has stopped: finger notes end, the take joins the song, keys
  // lift, the lamps follow the recorder, and the view redraws.
  void liftAllKeysAndStopRecording();
  // Playback reached the end of the song.
  void playbackEnded();
  // Ends every finger's note as its release would; the pictures stay.
  void endFingerNotes();

  // ---- buttons under fingers (shown pressed while held)
  // Whether a finger holds button `zone` at a point inside `area` (the two
  // keyboards' scroll lock lies at both ends of the bar).
  bool isButtonHeld(int zone, const platform::Rect& area) const;
  // Forgets them all: the touch layer forgot its fingers.
  void releaseButtons();

  void setFadingToSettings(bool fading) { fadingToSettings_ = fading; }

  // ---- state
  int numKeyboards() const { return numKeyboards_; }
  Keyboard& keyboard(int index) { return keyboards_[static_cast<std::size_t>(clampKeyboard(index))]; }
  const Keyboard& keyboard(int index) const { return keyboards_[static_cast<std::size_t>(clampKeyboard(index))]; }
  int playlistNoForSlot(int slot) const { return playlistNoForSlot_[static_cast<std::size_t>(slot)]; }
  int noteIDForSlot(int slot) const { return noteIDForSlot_[static_cast<std::size_t>(slot)]; }
  bool playLit() const { return playLit_; }
  bool recordLit() const { return recordLit_; }
  bool fadingToSettings() const { return fadingToSettings_; }

 private:
  int clampKeyboard(int index) const { return index < 0 || index >= numKeyboards_ ? 0 : index; }
  void endSlotNote(int slot);
  // Slot `slot` now holds button `zone` at `point` (0: none).
  void holdButton(int slot, int zone, platform::Point point);
  // The buttons both layouts share.
  bool stopRecorderIfRunning();
  void recordButton();
  void playButton();
  void leaveForScreen(bool library);
  // Pictures.
  void showFingerOnKey(int keyboard, int zone, int keyOffset, bool press);
  void pressWhitePicture(int keyboard, int position);
  void releaseWhitePicture(int keyboard, int position);
  void liftPictures();

  KeyboardHost& host_;
  KeyboardParent* parent_;
  SoundPlayer& soundPlayer_;
  NoteRecorder& noteRecorder_;
  KeyboardSettings& settings_;
  int numKeyboards_;
  std::array<Keyboard, kMaxKeyboards> keyboards_{};

  std::array<int, kNumTouchSlots> playlistNoForSlot_{};
  std::array<int, kNumTouchSlots> noteIDForSlot_{};
  std::array<int, kNumTouchSlots> buttonForSlot_{};
  std::array<platform::Point, kNumTouchSlots> buttonPointForSlot_{};
  bool playLit_ = false;
  bool recordLit_ = false;
  bool fadingToSettings_ = false;
};

}  // namespace piano
