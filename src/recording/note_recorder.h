// NoteRecorder: records key events in takes, keeps the song, plays it back on a
// thread of its own, starts the metronome's clicks with a take, and owns the
// recorder section of the state text (the metronome's settings and the song).
//
// Threads:
//  - Everything public is for the main thread, except playbackPass(), which the
//    playback thread runs (or a tool or test, on a thread of its own, when the
//    recorder was made without a playback thread). The playback thread passes
//    about every millisecond while the song plays or a take runs, and sleeps
//    otherwise until play, record or stop wakes it.
//  - The song and the playback fields (`notes_`, `currentNoteNo_`, the time
//    stamps, `wasPlaying_`, `wasRecording_`, and writes of `playing_` and
//    `recording_`) are guarded by `songMutex_`, which only the main and playback
//    threads take. The playback thread holds it while it starts and stops voices
//    (the engine's own start mutex is taken inside; the audio thread takes
//    neither), so a merge or an erasure never changes a note that playback is
//    reading.
//  - The main thread is the only one that adds, removes or rewrites notes; the
//    playback thread writes nothing but the releases' `playlistNo`. So the main
//    thread reads the song without the mutex wherever it does not read
//    `playlistNo` (the number of notes, lookups, getState), and the state flags
//    are atomics: the frequent queries of the keyboard views never wait for a
//    playback pass, nor keep the playback thread waiting if the main thread is
//    descheduled.
//  - Effects on the user interface are posted to the main run loop after the
//    mutex is let go, and never waited for.
//  - The take in progress and the note-ID and take counters are main-thread
//    only, as is the metronome.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/run_loop.h"
#include "recording/metronome.h"
#include "recording/note.h"
#include "recording/recorder_parent.h"
#include "recording/state_section.h"

namespace piano {

class SoundPlayer;

// What the recorder is doing; a take plays the song back as it records.
enum class RecorderState { kIdle, kPlaying, kRecording };

class NoteRecorder final : public StateSection {
 public:
  // The song plus the take in progress hold at most this many notes.
  static constexpr int kMaxNotes = 3000;
  // The longest song: no note is recorded later than this into a take, and a
  // song file with a later note is refused as damaged.
  static constexpr double kMaxSongSeconds = 24.0 * 3600.0;
  // Note IDs stay below this, so that counting up can never overflow.
  static constexpr int kMaxNoteID = 1 << 30;

  struct Options {
    // The media clock in seconds; the platform's mediaTime() when empty.
    std::function<double()> clock;
    // The wall clock that stamps `Note::created`; the platform's wallTime() when empty.
    std::function<double()> wallClock;
    // Start the playback thread. Tools and tests that drive playbackPass()
    // themselves turn it off.
    bool startPlaybackThread = true;
    // Called on the playing thread for every note played, with the elapsed
    // playback time of the pass (timing measurements).
    std::function<void(const Note& note, double elapsed)> playbackObserver;
  };

  // `parent` may be null (nothing is told); `soundPlayer`, `metronome` and
  // `mainLoop` must outlive the recorder.
  NoteRecorder(RecorderParent* parent, SoundPlayer& soundPlayer, Metronome& metronome, platform::RunLoop& mainLoop,
               Options options);
  NoteRecorder(RecorderParent* parent, SoundPlayer& soundPlayer, Metronome& metronome, platform::RunLoop& mainLoop);
  // Stops and joins the playback thread. Effects still queued on the main run
  // loop become no-ops.
  ~NoteRecorder();
  NoteRecorder(const NoteRecorder&) = delete;
  NoteRecorder& operator=(const NoteRecorder&) = delete;

  // ---- recording
  // Starts a take; the song recorded so far plays back in time with it, and the
  // metronome clicks along when it is switched on.
  void record();
  // Records a press of slot `sampleNo` while a take runs. Returns its note ID,
  // or -1 when not recording, the song and take already hold kMaxNotes notes,
  // or the take has run for kMaxSongSeconds.
  int addPlayNote(int sampleNo, float volume, float attackDelta, float releaseDelta);
  // Records the release of the press with `noteID` (at kMaxSongSeconds at the latest).
  void addStopNote(int noteID, int sampleNo);
  // Merges the stopped take into the song, sorted by time and repaired.
  void addOverdubNotes();
  // The slot of the press with `noteID` in the take or the song, or -1.
  int getSampleNoForNoteID(int noteID) const;
  RecorderState getNRState() const;
  int getNumNotes() const;

  // ---- erasing
  void eraseWholeSong();
  void eraseLastOverdub();
  void eraseLastXNotes(int count);
  // Removes releases without a slot and presses without a later release.
  void sanityCheck();
  // Ends playback and puts `notes` (sorted by time, the first kMaxNotes kept)
  // in place of the song, repaired; new presses get IDs above the song's.
  void replaceSong(std::vector<Note> notes);

  // ---- playback
  // Plays the song from its start. Returns false, changing nothing, when it is empty.
  bool play();
  // Ends playback or the take; every sounding voice goes into its release.
  void stop();
  // One pass of the playback loop: plays every note that has fallen due. Returns
  // the media-clock time at which the next note falls due (infinity when none).
  double playbackPass();

  // ---- state text: the recorder section
  std::string getState() const override;
  bool setState(std::string_view section, int version) override;
  void resetState() override;

  // ---- inspection (main thread; tests and tools)
  std::vector<Note> notesSnapshot() const;
  const std::vector<Note>& currentTake() const { return currentOverdubNotesToAdd_; }
  int currentNoteID() const { return currentNoteID_; }
  int currentOverdubNo() const { return currentOverdubNo_; }
  int currentNoteNo() const;

 private:
  enum class Effect { kKeyDown, kKeyUp, kPlaybackEnded, kLiftAllKeys };
  struct PendingEffect {
    Effect effect;
    int sampleNo;
  };

  double now() const { return clock_(); }
  double stampCreated();

  // Under songMutex_.
  void stopLocked();
  void mergeTakeLocked();
  void sanityCheckLocked();
  // Removes every note whose `remove` flag is set, keeping the playback
  // position on the same next note.
  void removeMarkedLocked(const std::vector<char>& remove);
  void resetPlaylistNumbersLocked();

  void postEffects();
  void wakePlaybackThread();
  void playbackThreadMain();

  RecorderParent* parent_;
  SoundPlayer& soundPlayer_;
  Metronome& metronome_;
  platform::RunLoop& mainLoop_;
  bool clockIsMediaTime_;  // the playback thread may then sleep on the steady clock
  std::function<double()> clock_;
  std::function<double()> wallClock_;
  std::function<void(const Note&, double)> playbackObserver_;
  // Posted effects and timers hold a weak reference and do nothing once the
  // recorder is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  // Guarded by songMutex_.
  mutable std::mutex songMutex_;
  std::vector<Note> notes_;
  int currentNoteNo_ = 0;
  std::atomic<bool> recording_{false};  // written under the mutex, read anywhere
  std::atomic<bool> playing_{false};    // written under the mutex, read anywhere
  double playbackStartTimeStamp_ = 0.0;
  bool wasRecording_ = false;
  bool wasPlaying_ = false;

  // Playing thread only (the effects of one pass, posted after unlocking).
  std::vector<PendingEffect> pendingEffects_;

  // Main thread only.
  std::vector<Note> currentOverdubNotesToAdd_;
  double recordStartTimeStamp_ = 0.0;
  int currentNoteID_ = 0;
  int currentOverdubNo_ = 0;
  double lastCreated_ = -std::numeric_limits<double>::infinity();

  // The playback thread waits on this (with songMutex_) while it has nothing
  // to do; every change that gives it work wakes it.
  std::condition_variable playbackWork_;
  bool stopThread_ = false;  // guarded by songMutex_
  std::thread playbackThread_;
};

}  // namespace piano
