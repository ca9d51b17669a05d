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
// Keys played from elsewhere (the computer keyboard, a MIDI instrument) take
// the same road with a note slot of their own per source and piano key, after
// the finger slots: the same volume and envelope rules, the same recording,
// the pressed picture wherever the key is in view, and the note listener.
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

// Hears every note that starts and ends on the keyboard, from any source and
// from playback (sample slot 0..87, volume 0..1). Main thread.
class NoteListener {
 public:
  virtual void noteStarted(int sampleNo, double volume) = 0;
  virtual void noteEnded(int sampleNo) = 0;

 protected:
  ~NoteListener() = default;
};

// Where a key is played from, other than a finger on the screen.
enum class KeySource { kComputerKeyboard, kMidi };
enum class Pedal { kSustain, kSoft };

class KeyPressEngine : public FingerPressTarget {
 public:
  static constexpr int kNumTouchSlots = 11;
  static constexpr int kNumKeySources = 2;
  // Touch slots first, then one slot per source and piano key.
  static constexpr int kNumNoteSlots = kNumTouchSlots + kNumKeySources * kNumPianoKeys;
  static constexpr int kMaxKeyboards = 2;
  // The level of a key struck at its front edge: what the computer keyboard plays.
  static constexpr float kFrontEdgeExpression = 1.0f;

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

  // ---- from other sources (sample slot 0..87; others are ignored)
  // Starts or ends the source's note on the key. `volume` 0..1 is the
  // instrument's own (a MIDI velocity); below 0 the key sounds as a finger at
  // its front edge would. Pedals and recording are as for a finger; the key
  // shows pressed on every keyboard that displays it.
  void playKeyFromSource(KeySource source, int sampleNo, bool press, double volume = -1.0);
  bool isKeyHeldBySource(KeySource source, int sampleNo) const;
  bool isKeyHeldByAnySource(int sampleNo) const;
  // A pedal held down or let up (a key, a MIDI controller): the same pedal
  // the bar's button toggles, acting on the keys struck from now on.
  void setPedal(Pedal pedal, bool down);
  void setNoteListener(NoteListener* listener) { noteListener_ = listener; }

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
  // Ends every note of fingers and other sources as its release would; the
  // pictures stay.
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
  struct Strike {
    double volume;
    float attack;
    double release;
  };
  int clampKeyboard(int index) const { return index < 0 || index >= numKeyboards_ ? 0 : index; }
  // Volume and envelope from the expression setting and the pedals;
  // `volume` >= 0 overrides what the expression gives.
  Strike strikeFor(float expression, double volume) const;
  // Starts sample `sampleNo` for note slot `slot` (ending what it held) and records it.
  void startSlotNote(int slot, int sampleNo, const Strike& strike);
  void endSlotNote(int slot);
  static int sourceSlot(KeySource source, int sampleNo) {
    return kNumTouchSlots + static_cast<int>(source) * kNumPianoKeys + sampleNo;
  }
  // Shows key `sampleNo` down or up on every keyboard that displays it.
  void showKeyOnBoards(int sampleNo, bool down);
  // The listener hears the end of every playback note it heard start.
  void endPlaybackNotesHeard();
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

  std::array<int, kNumNoteSlots> playlistNoForSlot_{};
  std::array<int, kNumNoteSlots> noteIDForSlot_{};
  std::array<int, kNumNoteSlots> sampleNoForSlot_{};  // for the listener
  // By source and sample slot: the key is held down (with a voice or without).
  std::array<bool, kNumKeySources * kNumPianoKeys> sourceHeld_{};
  std::array<bool, kNumPianoKeys> playbackNoteHeard_{};
  NoteListener* noteListener_ = nullptr;
  std::array<int, kNumTouchSlots> buttonForSlot_{};
  std::array<platform::Point, kNumTouchSlots> buttonPointForSlot_{};
  bool playLit_ = false;
  bool recordLit_ = false;
  bool fadingToSettings_ = false;
};

}  // namespace piano
