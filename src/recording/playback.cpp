// Playback: the song is played by comparing each note's time with the time
// elapsed since one start time, so the delay of a single pass never adds up.
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "audio/sound_player.h"
#include "recording/note_recorder.h"

namespace piano {

namespace {
constexpr double kPollSeconds = 0.001;
}

bool NoteRecorder::play() {
  std::lock_guard lock(songMutex_);
  // A take stopped a moment ago belongs to the song that is about to play.
  if (wasRecording_) mergeTakeLocked();
  if (notes_.empty()) return false;
  playbackStartTimeStamp_ = now();
  recording_ = false;
  playing_ = true;
  currentNoteNo_ = 0;
  resetPlaylistNumbersLocked();
  wakePlaybackThread();
  return true;
}

void NoteRecorder::stop() {
  std::lock_guard lock(songMutex_);
  stopLocked();
  wakePlaybackThread();
}

// Called with songMutex_ held, right after the change that gives the thread
// work, so the thread either sees the change before it waits or is woken.
void NoteRecorder::wakePlaybackThread() { playbackWork_.notify_one(); }

void NoteRecorder::stopLocked() {
  playing_ = false;
  wasPlaying_ = true;
  // A second stop before the merge must not forget that a take waits.
  wasRecording_ = wasRecording_ || recording_;
  recording_ = false;
  soundPlayer_.stopAllSounds();
}

// A release stops the voice its press got in this playback; a press that got no
// voice leaves -1, which stops nothing, instead of a number that may by now
// belong to another note.
void NoteRecorder::resetPlaylistNumbersLocked() {
  for (Note& note : notes_) {
    if (!note.keyDown) note.playlistNo = -1;
  }
}

double NoteRecorder::playbackPass() {
  double nextDue = std::numeric_limits<double>::infinity();
  pendingEffects_.clear();
  {
    std::lock_guard lock(songMutex_);
    if (playing_) {
      const int numNotes = static_cast<int>(notes_.size());
      if (currentNoteNo_ < numNotes) {
        const double elapsed = now() - playbackStartTimeStamp_;
        int i = currentNoteNo_;
        for (; i < numNotes; ++i) {
          Note& note = notes_[static_cast<std::size_t>(i)];
          if (note.time > elapsed) break;
          if (note.keyDown) {
            const int voice = soundPlayer_.playSampleWithSampleNo(note.sampleNo, static_cast<double>(note.volume),
                                                                  note.attackDelta, note.releaseDelta);
            for (int j = i + 1; j < numNotes; ++j) {
              Note& later = notes_[static_cast<std::size_t>(j)];
              if (later.noteID == note.noteID) {
                later.playlistNo = voice;
                break;
              }
            }
            if (voice != -1) pendingEffects_.push_back({Effect::kKeyDown, note.sampleNo});
          } else {
            soundPlayer_.stopSample(note.playlistNo);
            pendingEffects_.push_back({Effect::kKeyUp, note.sampleNo});
          }
          if (playbackObserver_) playbackObserver_(note, elapsed);
        }
        currentNoteNo_ = i;
        if (i < numNotes) nextDue = playbackStartTimeStamp_ + notes_[static_cast<std::size_t>(i)].time;
      }
      // The end of the song; during a take the recording goes on past it. (An
      // erasure or a load during playback can also leave nothing to play.)
      if (currentNoteNo_ >= numNotes && !recording_) {
        stopLocked();
        pendingEffects_.push_back({Effect::kPlaybackEnded, 0});
      }
    } else if (wasPlaying_) {
      wasPlaying_ = false;
      pendingEffects_.push_back({Effect::kLiftAllKeys, 0});
    }
  }
  postEffects();
  return nextDue;
}

void NoteRecorder::postEffects() {
  if (parent_ == nullptr) return;
  for (const PendingEffect& pending : pendingEffects_) {
    std::weak_ptr<int> alive = alive_;
    RecorderParent* parent = parent_;
    const int sampleNo = pending.sampleNo;
    switch (pending.effect) {
      case Effect::kKeyDown:
        mainLoop_.post([alive, parent, sampleNo] {
          if (alive.lock()) parent->mechanicalKeyPressDownForTrigger(sampleNo);
        });
        break;
      case Effect::kKeyUp:
        mainLoop_.post([alive, parent, sampleNo] {
          if (alive.lock()) parent->mechanicalKeyPressUpForTrigger(sampleNo);
        });
        break;
      case Effect::kPlaybackEnded:
        mainLoop_.post([alive, parent] {
          if (alive.lock()) parent->playbackEnded();
        });
        break;
      case Effect::kLiftAllKeys:
        mainLoop_.post([alive, parent] {
          if (alive.lock()) parent->liftAllKeysAndStopRecording();
        });
        break;
    }
  }
}

void NoteRecorder::playbackThreadMain() {
  using Clock = std::chrono::steady_clock;
  pthread_setname_np(pthread_self(), "playback");
  // Notes start on time only if this thread runs soon after it wakes, also when
  // other programs keep the cores busy. The lowest real-time priority is enough
  // and harmless here (the thread sleeps between passes); where the system does
  // not grant it, the thread stays at normal priority.
  sched_param priority{};
  priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
  for (;;) {
    {
      // With nothing playing, recording or left to report, sleep until play,
      // record, stop or the recorder's end: an idle piano costs no wake-ups.
      std::unique_lock lock(songMutex_);
      playbackWork_.wait(lock, [this] { return stopThread_ || playing_ || wasPlaying_; });
      if (stopThread_) return;
    }
    const double nextDue = playbackPass();
    if (!clockIsMediaTime_) {
      std::this_thread::sleep_for(std::chrono::duration<double>(kPollSeconds));
      continue;
    }
    // Poll about every millisecond, but wake exactly when a note falls due
    // inside that millisecond, so notes start close to their song time.
    const double wake = std::min(now() + kPollSeconds, nextDue);
    std::this_thread::sleep_until(
        Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(wake))));
  }
}

}  // namespace piano
