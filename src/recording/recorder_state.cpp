// The recorder section of the state text: metronome settings, the next note
// ID, and the song.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "recording/note_recorder.h"
#include "recording/state_text.h"

namespace piano {

std::string NoteRecorder::getState() const {
  std::string out;
  out.reserve(64 + notes_.size() * 40);
  state_text::appendBool(out, metronome_.metronome());
  state_text::appendInt(out, metronome_.getMetronomeTempo());
  state_text::appendSqueezed(out, metronome_.getMetronomeVolume());
  state_text::appendInt(out, metronome_.getMetronomeBeatsPerBar());
  state_text::appendInt(out, currentNoteID_);
  state_text::appendInt(out, static_cast<long long>(notes_.size()));
  for (const Note& note : notes_) {
    if (note.keyDown) {
      out += "1|";
      state_text::appendInt(out, note.sampleNo);
      state_text::appendFixed(out, note.time);
      state_text::appendInt(out, note.noteID);
      state_text::appendSqueezed(out, note.volume);
      state_text::appendSqueezed(out, note.attackDelta);
      state_text::appendSqueezed(out, note.releaseDelta);
    } else {
      out += "0|";
      state_text::appendFixed(out, note.time);
      state_text::appendInt(out, note.noteID);
    }
  }
  return out;
}

// Every value is checked before it reaches the song or the engine: a press of a
// slot outside the 88 keys, a time that is negative or not a finite number, or a
// note ID outside 0..kMaxNoteID is dropped like a note the repair removes, and
// levels and rates are held to their ranges. The text is read whole before the
// song changes, so a text that fails leaves the song as it was (the caller then
// resets everything anyway).
bool NoteRecorder::setState(std::string_view section, int /*version: same in both*/) {
  state_text::FieldReader fields(section);
  bool metronomeOn = false;
  int bpm = 0;
  double volume = 0.0;
  int beatsPerBar = 0;
  int noteID = 0;
  int count = 0;
  if (!fields.nextBool(metronomeOn) || !fields.nextInt(bpm) || !fields.nextDouble(volume) ||
      !fields.nextInt(beatsPerBar) || !fields.nextInt(noteID) || !fields.nextInt(count)) {
    return false;
  }

  const int toRead = std::clamp(count, 0, kMaxNotes);
  std::vector<Note> song;
  song.reserve(static_cast<std::size_t>(toRead));
  // The slot of the first press read with each ID, for the releases that follow.
  std::unordered_map<int, int> pressSlot;
  pressSlot.reserve(static_cast<std::size_t>(toRead));
  // A take in progress keeps its IDs too.
  int highestID = -1;
  for (const Note& note : currentOverdubNotesToAdd_) highestID = std::max(highestID, note.noteID);
  const auto usableTime = [](double t) { return std::isfinite(t) && t >= 0.0; };
  const auto usableID = [](int id) { return id >= 0 && id < kMaxNoteID; };

  for (int k = 0; k < toRead; ++k) {
    int kind = 0;
    if (!fields.nextInt(kind)) return false;
    if (kind != 0) {
      int sampleNo = 0;
      double time = 0.0;
      int id = 0;
      double noteVolume = 0.0;
      double attack = 0.0;
      double release = 0.0;
      if (!fields.nextInt(sampleNo) || !fields.nextDouble(time) || !fields.nextInt(id) ||
          !fields.nextDouble(noteVolume) || !fields.nextDouble(attack) || !fields.nextDouble(release)) {
        return false;
      }
      if (sampleNo < 0 || sampleNo >= kNumPianoKeys || !usableTime(time) || !usableID(id)) continue;
      song.push_back(Note::down(sampleNo, static_cast<float>(state_text::holdVolume(noteVolume)), time, 0, id,
                                static_cast<float>(state_text::holdAttackRate(attack)),
                                static_cast<float>(state_text::holdReleaseRate(release)), stampCreated()));
      pressSlot.emplace(id, sampleNo);
      highestID = std::max(highestID, id);
    } else {
      double time = 0.0;
      int id = 0;
      if (!fields.nextDouble(time) || !fields.nextInt(id)) return false;
      if (!usableTime(time) || !usableID(id)) continue;
      const auto found = pressSlot.find(id);
      song.push_back(Note::up(time, id, found != pressSlot.end() ? found->second : -1, stampCreated()));
      highestID = std::max(highestID, id);
    }
  }

  if (metronomeOn) {
    metronome_.metronomeOn();
  } else {
    metronome_.metronomeOff();
  }
  metronome_.setMetronomeTempo(bpm);
  metronome_.setMetronomeVolume(static_cast<float>(volume));
  metronome_.setMetronomeBeatsPerBar(beatsPerBar);
  // New presses must never reuse an ID that the song already holds.
  currentNoteID_ = std::clamp(std::max(noteID, highestID + 1), 0, kMaxNoteID);
  currentOverdubNo_ = 0;
  std::lock_guard lock(songMutex_);
  notes_ = std::move(song);
  // The song is not sorted again; playback stands at its end, so a song loaded
  // during playback does not burst out at once.
  currentNoteNo_ = static_cast<int>(notes_.size());
  sanityCheckLocked();
  return true;
}

void NoteRecorder::resetState() {
  metronome_.setupMetronome();
  currentNoteID_ = 0;
  for (const Note& note : currentOverdubNotesToAdd_) currentNoteID_ = std::max(currentNoteID_, note.noteID + 1);
  eraseWholeSong();
}

}  // namespace piano
