// OfflineRenderer: plays a song (a state text) through the sound engine into
// buffers, faster than real time, with the same playback passes as the playback
// thread. A virtual media clock advances with the frames rendered; before each
// buffer one playback pass runs at the buffer's start time, which is what a
// device's output does too: every note that falls due while a buffer plays
// starts at the next buffer boundary.
//
// Threads: one thread owns the renderer and everything in it; no other thread
// runs (the recorder has no playback thread, the engine no output).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/audio_output.h"

namespace piano {

class SoundPlayer;
class NoteRecorder;
class Metronome;

class OfflineRenderer {
 public:
  struct Settings {
    // Folder of the .mav samples; empty: nothing loaded (tests fill the slots).
    std::string sampleDir;
    int bufferFrames = platform::kPreferredBufferFrames;
    // Longest render; a longer song is cut (a song may last up to
    // NoteRecorder::kMaxSongSeconds; the loader refuses anything later).
    double maxSeconds = 3600.0;
    // After the song ends, render until every voice is silent, at most this long.
    double maxTailSeconds = 30.0;
  };

  struct Result {
    std::uint64_t frames = 0;  // stereo frames handed to the sink
    int pressesPlayed = 0;     // presses that started a voice
    int releasesPlayed = 0;
    bool songEnded = false;    // false when cut short by maxSeconds or the sink
  };

  // Receives each rendered buffer, interleaved stereo; returns false to stop.
  using Sink = std::function<bool(const std::int16_t* interleaved, int frames)>;

  // `freshMainSection`: the settings section of a state text before one is
  // loaded (and after a damaged one), for stateText().
  explicit OfflineRenderer(Settings settings, std::string freshMainSection = {});
  ~OfflineRenderer();
  OfflineRenderer(const OfflineRenderer&) = delete;
  OfflineRenderer& operator=(const OfflineRenderer&) = delete;

  SoundPlayer& soundPlayer();
  NoteRecorder& noteRecorder();
  Metronome& metronome();
  // Virtual seconds since the renderer was made.
  double now() const { return time_; }

  // Applies a whole state text: the song and metronome settings, and the
  // engine's panning switch from the main section. A damaged text leaves the
  // defaults (an empty song) and returns false.
  bool loadStateText(std::string_view text);
  // The state text of what is loaded now: the settings section as loaded, the
  // song and metronome as they now are.
  std::string stateText() const;

  // Plays the loaded song from its start to its end and the release tail.
  Result render(const Sink& sink);

 private:
  struct Parts;
  Settings settings_;
  double time_ = 0.0;
  std::unique_ptr<Parts> parts_;
};

}  // namespace piano
