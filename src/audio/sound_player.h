// SoundPlayer: the sound engine. 90 sample slots (88 piano keys, two metronome
// clicks; audio/sample_slots.h) and 40 voices, mixed by the render function
// into the audio output.
//
// Threads:
//  - construction, loading, stop(), setPianoNotePanning(): the main thread.
//    loadArrivedSample() may run while the other threads play: a slot is
//    published to them only once it is complete, and never refilled after.
//  - playSampleWithSampleNo, stopSample, stopAllSounds: the main thread and the
//    playback thread (any number of non-real-time threads). They take a mutex
//    among themselves, never shared with the audio thread.
//  - render(): the audio thread only. No allocation, lock, system call or logging.
//
// Hand-over: each voice has a mailbox. A start writes the request under a sequence
// counter and publishes a new generation number; a stop publishes the generation
// it ends. The render function picks both up at the start of each buffer, so a
// voice is never mixed half-written, and a start or stop is never lost. The audio
// thread reports a finished voice by publishing its generation, which is how the
// starting threads know which voices are free.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "audio/voice.h"
#include "platform/stereo_buffer.h"

namespace piano {

namespace platform {
class AudioOutput;
}

class SoundPlayer {
 public:
  struct Options {
    // Output to start; null for an engine that is rendered by hand (tests, tools).
    platform::AudioOutput* output = nullptr;
    // Folder of "1.mav" ... "88.mav", "metronomeHi.mav", "metronomeLo.mav"; empty:
    // load nothing (tests fill slots with loadSampleAtSlot).
    std::string sampleDir;
    // Media clock in seconds; the platform's monotonic clock when empty.
    std::function<double()> clock;
  };

  explicit SoundPlayer(Options options);
  ~SoundPlayer();
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  // ---- lifecycle (main thread)
  void start();
  // The engine stops for good: render() produces nothing from now on.
  void stop();
  bool isStopped() const { return done_.load(std::memory_order_acquire); }

  // ---- sample store (main thread, before voices use the slots)
  void loadPianoSounds();
  void loadMetronomeSounds();
  // Loads a .mav file into `slot` (0..89). When the file is missing but a .wav of
  // the same name lies beside it, that is packed first (a development path).
  // A missing or unreadable file leaves the slot empty and prints one line.
  bool loadSampleAtSlot(int slot, const std::string& path);
  // A sample that arrives while the engine plays (the browser fetches them one by
  // one after the start): loads it as loadSampleAtSlot does, into a slot that has
  // never been filled. Until then the key's starts return -1; a slot that has
  // been filled already, which a voice may be playing, is left as it is (false).
  bool loadArrivedSample(int slot, const std::string& path);
  // The file of a slot in a sample folder: "1.mav" ... "88.mav", then the
  // metronome's "metronomeHi.mav" and "metronomeLo.mav"; empty out of range.
  static std::string sampleFileName(int slot);
  // Puts decoded samples into a slot directly (tests and tools).
  void setSampleData(int slot, std::vector<std::int16_t> samples);
  void setCannotBeCulledOnTooManyNotes(int slot, bool value);
  const SampleSlot& sampleSlot(int slot) const { return sampleList_[static_cast<std::size_t>(slot)]; }
  int numSampleListEntries() const { return numSampleListEntries_; }
  int metronomeHiSampleNo() const { return kMetronomeHiSlot; }
  int metronomeLowSampleNo() const { return kMetronomeLowSlot; }

  // ---- voices (main and playback threads)
  // Starts slot `sampleNo` (0..89) with a level 0..1, an attack rate 0..1 and a
  // release rate -1..0 per frame (values outside are held to those ranges; NaN
  // gives 0 volume, instant attack, instant release). Returns the voice number
  // 0..39, or -1 when the slot is out of range or empty, or no voice could be had.
  // When all 40 sound, the voice started first (by the clock, then by the order
  // of the starts) whose slot may be culled is taken for the new note.
  int playSampleWithSampleNo(int sampleNo, double volume, float attackDelta, float releaseDelta);
  // Releases voice 0..39 at the next buffer boundary; other numbers do nothing.
  void stopSample(int voice);
  void stopAllSounds();

  void setPianoNotePanning(bool on) { pianoNotePanning_.store(on, std::memory_order_relaxed); }
  bool pianoNotePanning() const { return pianoNotePanning_.load(std::memory_order_relaxed); }

  // Voices sounding as the starting threads see them (a voice counts until the
  // audio thread reports its end). For tests and diagnostics.
  int activeVoiceCount() const;
  // Voices started since the engine was made. For tests and diagnostics.
  std::uint64_t startedVoiceCount() const;
  // Buffers rendered so far and frames of the latest one. Any thread.
  std::uint64_t renderedBuffers() const { return renderedBuffers_.load(std::memory_order_acquire); }
  int numFramesPerBuffer() const { return numFramesPerBuffer_.load(std::memory_order_relaxed); }

  // ---- audio thread
  // Mixes all playing voices into the frames of `out`. Returns 0, or -1 without
  // touching the buffer when the engine is stopped.
  int render(platform::StereoBuffer out) noexcept;
  static int renderCallback(void* context, platform::StereoBuffer out) noexcept;

  // The pan factors of a slot as the render function applies them.
  float panLeft(int slot) const;
  float panRight(int slot) const;

  // The audio thread's own copy of a voice; read only while nothing renders (tests).
  const Voice& voiceForTest(int voice) const { return playlist_[static_cast<std::size_t>(voice)]; }

 private:
  struct Mailbox {
    // Start request, written under `sequence` (odd while being written).
    std::atomic<std::uint32_t> sequence{0};
    std::atomic<std::uint32_t> generation{0};
    std::atomic<std::int32_t> sampleNo{0};
    std::atomic<double> volume{0.0};
    std::atomic<float> attackDelta{0.0f};
    std::atomic<float> releaseDelta{0.0f};
    std::atomic<double> created{0.0};
    // The generation a stop was asked for.
    std::atomic<std::uint32_t> stopGeneration{0};
    // The generation whose sound has ended, written by the audio thread.
    std::atomic<std::uint32_t> finishedGeneration{0};
  };
  // The audio thread never waits, so no atomic it reads or writes may hide a lock.
  static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
                std::atomic<std::int32_t>::is_always_lock_free && std::atomic<std::uint32_t>::is_always_lock_free &&
                std::atomic<std::uint64_t>::is_always_lock_free && std::atomic<float>::is_always_lock_free &&
                std::atomic<double>::is_always_lock_free);
  // What the starting threads know of a voice; guarded by startMutex_.
  struct VoiceBooking {
    std::uint32_t generation = 0;
    double created = 0.0;
    std::uint64_t startNumber = 0;  // orders starts that share one clock reading
    int sampleNo = 0;
  };

  bool isBusy(int voice) const;  // under startMutex_
  void loadSamples(const std::vector<std::pair<int, std::string>>& files);
  bool claimSlot(int slot);
  void takeRequests() noexcept;  // audio thread
  double now() const;

  Options options_;
  std::atomic<bool> done_{false};
  std::atomic<bool> pianoNotePanning_{true};
  std::atomic<int> numFramesPerBuffer_{0};
  std::atomic<std::uint64_t> renderedBuffers_{0};
  int numSampleListEntries_ = 0;
  std::array<SampleSlot, kNumSampleSlots> sampleList_{};
  // Set (release) once a slot holds a playable sample; a start reads it
  // (acquire) before the slot, so a slot filled while others play is seen whole.
  std::array<std::atomic<bool>, kNumSampleSlots> slotReady_{};
  // Per piano key: the lower half of the keyboard leans left, the upper right.
  std::array<float, kNumPianoKeys> panLookupLeft_{};
  std::array<float, kNumPianoKeys> panLookupRight_{};

  std::mutex startMutex_;
  std::array<VoiceBooking, kNumVoices> bookings_{};
  std::uint64_t startsSoFar_ = 0;
  std::array<Mailbox, kNumVoices> mailboxes_{};

  // Audio thread only.
  std::array<Voice, kNumVoices> playlist_{};
  std::array<std::uint32_t, kNumVoices> activeGeneration_{};
  std::array<std::uint32_t, kNumVoices> stopTakenGeneration_{};
};

}  // namespace piano
