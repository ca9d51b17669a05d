#include "keyboard/key_press_engine.h"

#include <algorithm>

#include "audio/sound_player.h"
#include "keyboard/key_zones.h"
#include "recording/note_recorder.h"

namespace piano {

namespace {

constexpr float kSoftVolume = 0.6f;
constexpr float kSoftAttack = 0.0008f;

bool validSlot(int slot) { return slot >= 0 && slot < KeyPressEngine::kNumTouchSlots; }
bool validSampleNo(int sampleNo) { return sampleNo >= 0 && sampleNo < kNumPianoKeys; }

}  // namespace

KeyPressEngine::KeyPressEngine(KeyboardHost& host, KeyboardParent* parent, SoundPlayer& soundPlayer,
                               NoteRecorder& noteRecorder, KeyboardSettings& settings, int numKeyboards)
    : host_(host),
      parent_(parent),
      soundPlayer_(soundPlayer),
      noteRecorder_(noteRecorder),
      settings_(settings),
      numKeyboards_(std::clamp(numKeyboards, 1, kMaxKeyboards)) {
  playlistNoForSlot_.fill(-1);
  noteIDForSlot_.fill(-1);
  sampleNoForSlot_.fill(-1);
  if (numKeyboards_ > 1) keyboards_[1].keyboardStartKey = keys::kDefaultUpperStartKey;
}

// ------------------------------------------------------------------ finger events

void KeyPressEngine::performFingerPressAction(platform::Point point, bool press, int keyZoneNo, int slot) {
  if (!validSlot(slot)) return;
  // A keyboard that is not shown plays nothing and runs no button, whatever
  // has redrawn it (and so cleared the fading flag) since it was left; a
  // release still ends what its finger holds.
  if (press && !host_.isOnScreen()) return;
  // A release always lets go of a button, also while the screen is leaving.
  holdButton(slot, press && !fadingToSettings_ && zone::isButtonZone(keyZoneNo) ? keyZoneNo : 0, point);
  if (fadingToSettings_) return;

  switch (keyZoneNo) {
    case zone::kRecord:
    case zone::kPlay:
    case zone::kSettings:
    case zone::kSongLibrary:
    case zone::kSoftPedal:
    case zone::kSustainPedal:
      // A release on a button does nothing at all.
      if (!press) return;
      switch (keyZoneNo) {
        case zone::kRecord: recordButton(); break;
        case zone::kPlay: playButton(); break;
        case zone::kSettings: leaveForScreen(false); break;
        case zone::kSongLibrary: leaveForScreen(true); break;
        case zone::kSoftPedal:
          settings_.softPedalPressed = !settings_.softPedalPressed;
          host_.redrawOnButtonPress();
          break;
        default:
          settings_.sustainPedalPressed = !settings_.sustainPedalPressed;
          host_.redrawOnButtonPress();
          break;
      }
      return;
    default:
      break;
  }
  if (host_.isLayoutButton(keyZoneNo)) {
    if (press) host_.layoutButtonPress(keyZoneNo, point);
    return;
  }

  // Every other zone is a key zone, with a key or without one.
  const float expression =
      settings_.expressionFunction != ExpressionFunction::kNone ? host_.expressionForPoint(point) : 1.0f;
  int zoneOnKeyboard = 0;
  const int kb = clampKeyboard(host_.keyboardForZone(keyZoneNo, &zoneOnKeyboard));
  const int keyOffset = keys::keyOffsetForZone(keyboards_[static_cast<std::size_t>(kb)].keyboardStartKey,
                                               zoneOnKeyboard);
  playPianoKey(keyOffset, press ? 1 : 0, slot, expression, kb);
  if (keyOffset != keys::kNoKey) showFingerOnKey(kb, zoneOnKeyboard, keyOffset, press);
}

void KeyPressEngine::showFingerOnKey(int kb, int zoneOnKeyboard, int keyOffset, bool press) {
  Keyboard& board = keyboards_[static_cast<std::size_t>(kb)];
  const int k = board.keyboardStartKey + keyOffset - 1;
  if (!validSampleNo(k)) return;
  const std::size_t index = static_cast<std::size_t>(k);
  if (zone::isBlackZone(zoneOnKeyboard)) {
    const int boundary = zoneOnKeyboard - zone::kFirstBlack;
    board.humanKeys[index] = press;
    // Playback or another source still holds the key down: it stays pictured down.
    if (!press && (board.mechanicalKeys[index] || isKeyHeldByAnySource(k))) return;
    host_.showBlackKey(kb, boundary, press ? BlackKeyPicture::Down : BlackKeyPicture::Up);
    return;
  }
  if (!zone::isWhiteZone(zoneOnKeyboard)) return;
  const int position = zoneOnKeyboard - zone::kFirstWhite;
  if (press) {
    pressWhitePicture(kb, position);
    board.humanKeys[index] = true;
    return;
  }
  board.humanKeys[index] = false;
  if (board.mechanicalKeys[index] || isKeyHeldByAnySource(k)) return;
  releaseWhitePicture(kb, position);
}

// A pressed white key lies in the shadow of a raised lower neighbour; pressing
// or raising a key therefore also changes the picture of a pressed upper one.
void KeyPressEngine::pressWhitePicture(int kb, int position) {
  Keyboard& board = keyboards_[static_cast<std::size_t>(kb)];
  const auto p = static_cast<std::size_t>(position);
  board.whiteKeyPressed[p] = true;
  const bool lowerPressed = position == 0 || board.whiteKeyPressed[p - 1];
  host_.showWhiteKey(kb, position, lowerPressed ? WhiteKeyPicture::Down : WhiteKeyPicture::DownLeftShadow);
  host_.setNoteNameDown(kb, position, true);
  if (position + 1 < keys::kNumWhiteKeyViews && board.whiteKeyPressed[p + 1]) {
    host_.showWhiteKey(kb, position + 1, WhiteKeyPicture::Down);
  }
}

void KeyPressEngine::releaseWhitePicture(int kb, int position) {
  Keyboard& board = keyboards_[static_cast<std::size_t>(kb)];
  const auto p = static_cast<std::size_t>(position);
  board.whiteKeyPressed[p] = false;
  host_.showWhiteKey(kb, position, WhiteKeyPicture::Up);
  host_.setNoteNameDown(kb, position, false);
  if (position + 1 < keys::kNumWhiteKeyViews && board.whiteKeyPressed[p + 1]) {
    host_.showWhiteKey(kb, position + 1, WhiteKeyPicture::DownLeftShadow);
  }
}

void KeyPressEngine::holdButton(int slot, int zone, platform::Point point) {
  const auto s = static_cast<std::size_t>(slot);
  if (buttonForSlot_[s] == zone && (zone == 0 || buttonPointForSlot_[s] == point)) return;
  buttonForSlot_[s] = zone;
  buttonPointForSlot_[s] = point;
  host_.redrawHeldButtons();
}

bool KeyPressEngine::isButtonHeld(int zone, const platform::Rect& area) const {
  for (int slot = 0; slot < kNumTouchSlots; ++slot) {
    const auto s = static_cast<std::size_t>(slot);
    if (zone != 0 && buttonForSlot_[s] == zone && area.contains(buttonPointForSlot_[s])) return true;
  }
  return false;
}

void KeyPressEngine::releaseButtons() {
  buttonForSlot_.fill(0);
  host_.redrawHeldButtons();
}

// ------------------------------------------------------------------ notes

void KeyPressEngine::endSlotNote(int slot) {
  const auto s = static_cast<std::size_t>(slot);
  if (playlistNoForSlot_[s] != -1) {
    soundPlayer_.stopSample(playlistNoForSlot_[s]);
    playlistNoForSlot_[s] = -1;
    if (noteListener_ != nullptr) noteListener_->noteEnded(sampleNoForSlot_[s]);
  }
  sampleNoForSlot_[s] = -1;
  if (noteIDForSlot_[s] != -1) {
    const int id = noteIDForSlot_[s];
    noteIDForSlot_[s] = -1;
    noteRecorder_.addStopNote(id, noteRecorder_.getSampleNoForNoteID(id));
  }
}

KeyPressEngine::Strike KeyPressEngine::strikeFor(float expression, double volume) const {
  const float e = std::min(1.0f, expression);
  const bool light = static_cast<double>(e) < 0.9;
  Strike strike{1.0, 1.0f, settings_.sustainTimeNormal};
  switch (settings_.expressionFunction) {
    case ExpressionFunction::kVolume:
      strike.volume = e;
      break;
    case ExpressionFunction::kSustain:
      if (light) strike.release = settings_.sustainTimePedal;
      break;
    case ExpressionFunction::kSoft:
      if (light) {
        strike.volume = kSoftVolume;
        strike.attack = kSoftAttack;
      }
      break;
    default:
      break;
  }
  // An instrument's own loudness takes the place of the finger's; the soft
  // pedal then softens it rather than setting it.
  const bool ownVolume = volume >= 0.0;
  if (ownVolume) strike.volume = std::min(1.0, volume);
  // The pedals act when a key is struck: the values travel with the voice and
  // the recorded note, so a pedal changes no note that already sounds.
  if (settings_.sustainPedalPressed) strike.release = settings_.sustainTimePedal;
  if (settings_.softPedalPressed) {
    strike.volume = ownVolume ? strike.volume * kSoftVolume : kSoftVolume;
    strike.attack = kSoftAttack;
  }
  return strike;
}

void KeyPressEngine::startSlotNote(int slot, int sampleNo, const Strike& strike) {
  // A slot holds one sounding voice at most: a note still held by the slot
  // ends first, so that nothing can be left sounding without a finger.
  endSlotNote(slot);
  const auto s = static_cast<std::size_t>(slot);
  const int voice = soundPlayer_.playSampleWithSampleNo(sampleNo, strike.volume, strike.attack,
                                                        static_cast<float>(strike.release));
  playlistNoForSlot_[s] = voice;
  if (voice == -1) {
    noteIDForSlot_[s] = -1;
    return;
  }
  sampleNoForSlot_[s] = sampleNo;
  noteIDForSlot_[s] = noteRecorder_.addPlayNote(sampleNo, static_cast<float>(strike.volume), strike.attack,
                                                static_cast<float>(strike.release));
  if (noteListener_ != nullptr) noteListener_->noteStarted(sampleNo, strike.volume);
}

void KeyPressEngine::playPianoKey(int keyOffset, int press, int slot, float expression, int keyboard) {
  if (!validSlot(slot)) return;
  if (press == 0) {
    endSlotNote(slot);
    return;
  }
  if (keyOffset == keys::kNoKey) return;
  Keyboard& board = keyboards_[static_cast<std::size_t>(clampKeyboard(keyboard))];
  const int sampleNo = board.keyboardStartKey + keyOffset - 1;
  if (!validSampleNo(sampleNo)) return;
  startSlotNote(slot, sampleNo, strikeFor(expression, -1.0));
  board.humanKeys[static_cast<std::size_t>(sampleNo)] = true;
}

void KeyPressEngine::playKeyFromSource(KeySource source, int sampleNo, bool press, double volume) {
  if (!validSampleNo(sampleNo)) return;
  const int slot = sourceSlot(source, sampleNo);
  if (press) {
    startSlotNote(slot, sampleNo, strikeFor(kFrontEdgeExpression, volume));
  } else {
    endSlotNote(slot);
  }
  sourceHeld_[static_cast<std::size_t>(slot - kNumTouchSlots)] = press;
  if (press || !isKeyHeldByAnySource(sampleNo)) showKeyOnBoards(sampleNo, press);
  host_.redrawSourceKeys();
}

bool KeyPressEngine::isKeyHeldBySource(KeySource source, int sampleNo) const {
  return validSampleNo(sampleNo) && sourceHeld_[static_cast<std::size_t>(sourceSlot(source, sampleNo) - kNumTouchSlots)];
}

void KeyPressEngine::setPedal(Pedal pedal, bool down) {
  bool& pressed = pedal == Pedal::kSustain ? settings_.sustainPedalPressed : settings_.softPedalPressed;
  if (pressed == down) return;
  pressed = down;
  host_.redrawOnButtonPress();
}

bool KeyPressEngine::isKeyHeldByAnySource(int sampleNo) const {
  for (int source = 0; source < kNumKeySources; ++source) {
    if (isKeyHeldBySource(static_cast<KeySource>(source), sampleNo)) return true;
  }
  return false;
}

void KeyPressEngine::endFingerNotes() {
  for (int slot = 0; slot < kNumNoteSlots; ++slot) endSlotNote(slot);
  sourceHeld_.fill(false);
  host_.redrawSourceKeys();
}

// ------------------------------------------------------------------ playback

int KeyPressEngine::getKeyFromKeyOffset(int keyOffset, bool* white, int keyboard) const {
  return keys::displayPositionForKeyOffset(keyboards_[static_cast<std::size_t>(clampKeyboard(keyboard))].keyboardStartKey,
                                           keyOffset, white);
}

void KeyPressEngine::mechanicalKeyPressDownForTrigger(int sampleNo) {
  if (!validSampleNo(sampleNo)) return;
  const auto s = static_cast<std::size_t>(sampleNo);
  for (Keyboard& board : keyboards_) board.mechanicalKeys[s] = true;
  showKeyOnBoards(sampleNo, true);
  if (noteListener_ == nullptr) return;
  if (playbackNoteHeard_[s]) noteListener_->noteEnded(sampleNo);
  playbackNoteHeard_[s] = true;
  noteListener_->noteStarted(sampleNo, 1.0);
}

void KeyPressEngine::mechanicalKeyPressUpForTrigger(int sampleNo) {
  if (!validSampleNo(sampleNo)) return;
  const auto s = static_cast<std::size_t>(sampleNo);
  for (Keyboard& board : keyboards_) board.mechanicalKeys[s] = false;
  if (playbackNoteHeard_[s] && noteListener_ != nullptr) noteListener_->noteEnded(sampleNo);
  playbackNoteHeard_[s] = false;
  if (!isKeyHeldByAnySource(sampleNo)) showKeyOnBoards(sampleNo, false);
}

void KeyPressEngine::endPlaybackNotesHeard() {
  for (int k = 0; k < kNumPianoKeys; ++k) {
    if (playbackNoteHeard_[static_cast<std::size_t>(k)] && noteListener_ != nullptr) noteListener_->noteEnded(k);
  }
  playbackNoteHeard_.fill(false);
}

void KeyPressEngine::showKeyOnBoards(int sampleNo, bool down) {
  const auto s = static_cast<std::size_t>(sampleNo);
  for (int kb = 0; kb < numKeyboards_; ++kb) {
    const Keyboard& board = keyboards_[static_cast<std::size_t>(kb)];
    // Whatever else holds the key keeps it down.
    if (!down && (board.humanKeys[s] || board.mechanicalKeys[s])) continue;
    bool white = true;
    const int position = getKeyFromKeyOffset(sampleNo + 1 - board.keyboardStartKey, &white, kb);
    if (position == keys::kNotDisplayed) continue;
    if (!white) {
      host_.showBlackKey(kb, position, down ? BlackKeyPicture::Down : BlackKeyPicture::Up);
    } else if (down) {
      pressWhitePicture(kb, position);
    } else {
      releaseWhitePicture(kb, position);
    }
  }
}

// ------------------------------------------------------------------ lifting

void KeyPressEngine::liftPictures() {
  for (int kb = 0; kb < numKeyboards_; ++kb) {
    for (int p = 0; p < keys::kNumWhiteKeyViews; ++p) {
      host_.showWhiteKey(kb, p, WhiteKeyPicture::Up);
      host_.setNoteNameDown(kb, p, false);
    }
    for (int j = 0; j < keys::kNumBlackKeyViews; ++j) host_.showBlackKey(kb, j, BlackKeyPicture::Up);
    Keyboard& board = keyboards_[static_cast<std::size_t>(kb)];
    board.humanKeys.fill(false);
    board.mechanicalKeys.fill(false);
    board.whiteKeyPressed.fill(false);
  }
  // Keys that other sources still hold show down where they now are.
  for (int k = 0; k < kNumPianoKeys; ++k) {
    if (isKeyHeldByAnySource(k)) showKeyOnBoards(k, true);
  }
}

void KeyPressEngine::liftAllKeys(bool stopNotes) {
  if (stopNotes) {
    endFingerNotes();
    endPlaybackNotesHeard();
  }
  liftPictures();
}

void KeyPressEngine::liftAllKeysAndStopRecording() {
  endFingerNotes();
  endPlaybackNotesHeard();
  noteRecorder_.addOverdubNotes();
  liftPictures();
  const RecorderState state = noteRecorder_.getNRState();
  recordLit_ = state == RecorderState::kRecording;
  playLit_ = state == RecorderState::kPlaying;
  host_.redraw();
}

void KeyPressEngine::playbackEnded() {
  liftAllKeys(true);
  playLit_ = false;
  host_.redraw();
}

// ------------------------------------------------------------------ buttons

// Stopping the recorder silences every voice. The fingers still down end
// their notes first, as their releases would, so that a take keeps the notes
// held at its end and no slot keeps a voice number that may be reused.
// Returns false when the recorder was idle (nothing to stop).
bool KeyPressEngine::stopRecorderIfRunning() {
  const RecorderState state = noteRecorder_.getNRState();
  if (state == RecorderState::kIdle) return false;
  endFingerNotes();
  if (state == RecorderState::kRecording) {
    recordLit_ = false;
  } else {
    playLit_ = false;
  }
  noteRecorder_.stop();
  return true;
}

void KeyPressEngine::recordButton() {
  if (!stopRecorderIfRunning()) {
    recordLit_ = true;
    noteRecorder_.record();
  }
  host_.redrawOnButtonPress();
}

void KeyPressEngine::playButton() {
  if (!stopRecorderIfRunning()) playLit_ = noteRecorder_.play();
  host_.redrawOnButtonPress();
}

void KeyPressEngine::leaveForScreen(bool library) {
  if (noteRecorder_.getNRState() != RecorderState::kIdle) {
    endFingerNotes();
    recordLit_ = false;
    playLit_ = false;
    noteRecorder_.stop();
    host_.redraw();
  } else {
    liftAllKeys(true);
  }
  soundPlayer_.stopAllSounds();
  if (parent_ != nullptr) {
    if (library) {
      parent_->showNoteRecorder();
    } else {
      parent_->showSetup();
    }
  }
  fadingToSettings_ = true;
}

}  // namespace piano
