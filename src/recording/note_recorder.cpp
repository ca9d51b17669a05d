#include "recording/note_recorder.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "audio/sound_player.h"
#include "platform/clock.h"
#include "recording/state_text.h"

namespace piano {

NoteRecorder::NoteRecorder(RecorderParent* parent, SoundPlayer& soundPlayer, Metronome& metronome,
                           platform::RunLoop& mainLoop, Options options)
    : parent_(parent),
      soundPlayer_(soundPlayer),
      metronome_(metronome),
      mainLoop_(mainLoop),
      clockIsMediaTime_(!options.clock),
      clock_(options.clock ? std::move(options.clock) : std::function<double()>(&platform::mediaTime)),
      wallClock_(options.wallClock ? std::move(options.wallClock) : std::function<double()>(&platform::wallTime)),
      playbackObserver_(std::move(options.playbackObserver)) {
  notes_.reserve(1000);
  currentOverdubNotesToAdd_.reserve(1000);
  pendingEffects_.reserve(64);
  if (options.startPlaybackThread) playbackThread_ = std::thread(&NoteRecorder::playbackThreadMain, this);
}

NoteRecorder::NoteRecorder(RecorderParent* parent, SoundPlayer& soundPlayer, Metronome& metronome,
                           platform::RunLoop& mainLoop)
    : NoteRecorder(parent, soundPlayer, metronome, mainLoop, Options()) {}

NoteRecorder::~NoteRecorder() {
  metronome_.endRecordingLoop();
  {
    std::lock_guard lock(songMutex_);
    stopThread_ = true;
    wakePlaybackThread();
  }
  if (playbackThread_.joinable()) playbackThread_.join();
}

// Presses are erased newest first by `created`; stamps that never repeat or go
// backwards (the wall clock can be set back) keep that order exact.
double NoteRecorder::stampCreated() {
  double stamp = wallClock_();
  if (!(stamp > lastCreated_)) stamp = std::nextafter(lastCreated_, std::numeric_limits<double>::infinity());
  lastCreated_ = stamp;
  return stamp;
}

// ------------------------------------------------------------------ recording

void NoteRecorder::record() {
  ++currentOverdubNo_;
  const double start = now();
  recordStartTimeStamp_ = start;
  {
    std::lock_guard lock(songMutex_);
    // A take stopped a moment ago and not merged yet joins the song now, so that
    // it plays back under the new take.
    if (wasRecording_) mergeTakeLocked();
    playbackStartTimeStamp_ = start;
    recording_ = true;
    playing_ = true;
    currentNoteNo_ = 0;
    resetPlaylistNumbersLocked();
    wakePlaybackThread();
  }
  metronome_.startRecordingLoop([this] { return recording_.load(); });
}

int NoteRecorder::addPlayNote(int sampleNo, float volume, float attackDelta, float releaseDelta) {
  if (!recording_) return -1;
  const std::size_t songSize = notes_.size();
  if (songSize + currentOverdubNotesToAdd_.size() > kMaxNotes - 1) return -1;
  if (currentNoteID_ >= kMaxNoteID) return -1;
  // Only what a saved song can hold is recorded, so a save reads back the same.
  if (sampleNo < 0 || sampleNo >= kNumPianoKeys) return -1;
  volume = static_cast<float>(state_text::holdVolume(volume));
  attackDelta = static_cast<float>(state_text::holdAttackRate(attackDelta));
  releaseDelta = static_cast<float>(state_text::holdReleaseRate(releaseDelta));
  const double pressTime = now();
  // Without the metronome a first take starts at its first press.
  if (!metronome_.metronome() && songSize == 0 && currentOverdubNotesToAdd_.empty()) recordStartTimeStamp_ = pressTime;
  if (pressTime - recordStartTimeStamp_ > kMaxSongSeconds) return -1;
  const int id = currentNoteID_++;
  currentOverdubNotesToAdd_.push_back(Note::down(sampleNo, volume, pressTime - recordStartTimeStamp_,
                                                 currentOverdubNo_, id, attackDelta, releaseDelta,
                                                 stampCreated()));
  return id;
}

void NoteRecorder::addStopNote(int noteID, int sampleNo) {
  if (!recording_) return;
  const std::size_t songSize = notes_.size();
  if (songSize + currentOverdubNotesToAdd_.size() > kMaxNotes - 1) return;
  const double time = std::min(now() - recordStartTimeStamp_, kMaxSongSeconds);
  currentOverdubNotesToAdd_.push_back(Note::up(time, noteID, sampleNo, stampCreated()));
}

void NoteRecorder::addOverdubNotes() {
  std::lock_guard lock(songMutex_);
  if (wasRecording_) mergeTakeLocked();
}

void NoteRecorder::mergeTakeLocked() {
  wasRecording_ = false;
  notes_.insert(notes_.end(), currentOverdubNotesToAdd_.begin(), currentOverdubNotesToAdd_.end());
  currentOverdubNotesToAdd_.clear();
  // Stable, so a press and a release at the same moment keep their order.
  std::stable_sort(notes_.begin(), notes_.end(), [](const Note& a, const Note& b) { return a.time < b.time; });
  if (playing_) {
    // Merged while the song plays (play was pressed before the merge came):
    // go on after what is already past instead of replaying it all at once.
    const double elapsed = now() - playbackStartTimeStamp_;
    currentNoteNo_ = static_cast<int>(
        std::upper_bound(notes_.begin(), notes_.end(), elapsed,
                         [](double t, const Note& note) { return t < note.time; }) -
        notes_.begin());
  }
  sanityCheckLocked();
}

int NoteRecorder::getSampleNoForNoteID(int noteID) const {
  for (const Note& note : currentOverdubNotesToAdd_) {
    if (note.keyDown && note.noteID == noteID) return note.sampleNo;
  }
  for (const Note& note : notes_) {
    if (note.keyDown && note.noteID == noteID) return note.sampleNo;
  }
  return -1;
}

RecorderState NoteRecorder::getNRState() const {
  return recording_ ? RecorderState::kRecording : playing_ ? RecorderState::kPlaying : RecorderState::kIdle;
}

int NoteRecorder::getNumNotes() const { return static_cast<int>(notes_.size()); }

int NoteRecorder::currentNoteNo() const {
  std::lock_guard lock(songMutex_);
  return currentNoteNo_;
}

std::vector<Note> NoteRecorder::notesSnapshot() const {
  std::lock_guard lock(songMutex_);
  return notes_;
}

// ------------------------------------------------------------------ repair and erasing

void NoteRecorder::removeMarkedLocked(const std::vector<char>& remove) {
  std::size_t kept = 0;
  int removedBeforePosition = 0;
  for (std::size_t i = 0; i < notes_.size(); ++i) {
    if (remove[i]) {
      if (static_cast<int>(i) < currentNoteNo_) ++removedBeforePosition;
      continue;
    }
    if (kept != i) notes_[kept] = notes_[i];
    ++kept;
  }
  notes_.resize(kept);
  currentNoteNo_ = std::min(currentNoteNo_ - removedBeforePosition, static_cast<int>(notes_.size()));
}

void NoteRecorder::sanityCheck() {
  std::lock_guard lock(songMutex_);
  sanityCheckLocked();
}

// A press stays only when a release with its note ID comes later in the song;
// releases whose press was not found (slot -1) go. In a song recorded here every
// ID stands on one press and one release, so this is exactly "a press without a
// later note of its ID goes"; a damaged file with repeated IDs cannot leave a
// press that nothing would ever release.
void NoteRecorder::sanityCheckLocked() {
  const std::size_t n = notes_.size();
  std::vector<char> remove(n, 0);
  std::unordered_map<int, std::size_t> lastRelease;
  lastRelease.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Note& note = notes_[i];
    if (note.sampleNo == -1) {
      remove[i] = 1;
    } else if (!note.keyDown) {
      lastRelease[note.noteID] = i;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const Note& note = notes_[i];
    if (!note.keyDown || remove[i]) continue;
    const auto found = lastRelease.find(note.noteID);
    if (found == lastRelease.end() || found->second < i) remove[i] = 1;
  }
  removeMarkedLocked(remove);
}

void NoteRecorder::replaceSong(std::vector<Note> notes) {
  if (notes.size() > static_cast<std::size_t>(kMaxNotes)) notes.resize(static_cast<std::size_t>(kMaxNotes));
  int highestID = -1;
  for (const Note& note : notes) highestID = std::max(highestID, note.noteID);
  currentNoteID_ = std::clamp(std::max(currentNoteID_, highestID + 1), 0, kMaxNoteID);
  std::lock_guard lock(songMutex_);
  stopLocked();
  notes_ = std::move(notes);
  currentNoteNo_ = static_cast<int>(notes_.size());
  sanityCheckLocked();
}

void NoteRecorder::eraseWholeSong() {
  std::lock_guard lock(songMutex_);
  notes_.clear();
  currentOverdubNo_ = 0;
  currentNoteNo_ = 0;
}

void NoteRecorder::eraseLastOverdub() {
  {
    std::lock_guard lock(songMutex_);
    const std::size_t n = notes_.size();
    std::vector<char> remove(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
      const Note& note = notes_[i];
      if (remove[i] || !note.keyDown || note.overdubNo != currentOverdubNo_) continue;
      remove[i] = 1;
      for (std::size_t j = i + 1; j < n; ++j) {
        if (!remove[j] && notes_[j].noteID == note.noteID) {
          remove[j] = 1;
          break;
        }
      }
    }
    removeMarkedLocked(remove);
  }
  --currentOverdubNo_;
}

void NoteRecorder::eraseLastXNotes(int count) {
  std::lock_guard lock(songMutex_);
  for (int pass = 0; pass < count && !notes_.empty(); ++pass) {
    std::size_t newest = notes_.size();
    for (std::size_t i = 0; i < notes_.size(); ++i) {
      if (notes_[i].keyDown && (newest == notes_.size() || notes_[i].created > notes_[newest].created)) newest = i;
    }
    if (newest == notes_.size()) break;  // no press left: later passes would find none either
    std::vector<char> remove(notes_.size(), 0);
    remove[newest] = 1;
    for (std::size_t j = newest + 1; j < notes_.size(); ++j) {
      if (notes_[j].noteID == notes_[newest].noteID) remove[j] = 1;
    }
    removeMarkedLocked(remove);
  }
}

}  // namespace piano
