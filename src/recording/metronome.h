// Metronome: clicks at a set tempo through the sound engine, accenting the
// first beat of every bar. It sounds during a take when switched on (the
// recorder starts it at record), and as a preview on the settings screen. Its
// settings travel with the song: the recorder writes and reads them in its
// section of the state text.
//
// A click is the engine's shortest sound: full volume for exactly one render
// buffer (instant attack, stopped at once), released within the first frame of
// the next buffer.
//
// Threads: main thread only; the clicks run on one-shot timers of the main run
// loop.
#pragma once

#include <functional>
#include <memory>

#include "platform/run_loop.h"

namespace piano {

class SoundPlayer;

class Metronome {
 public:
  // `soundPlayer` and `mainLoop` must outlive the metronome. Timers still
  // pending when it is gone do nothing.
  Metronome(SoundPlayer& soundPlayer, platform::RunLoop& mainLoop);
  Metronome(const Metronome&) = delete;
  Metronome& operator=(const Metronome&) = delete;

  // ---- settings
  // The switch: whether clicks sound during takes.
  void metronomeOn() { metronome_ = true; }
  void metronomeOff() { metronome_ = false; }
  bool metronome() const { return metronome_; }
  // Tempo 50..250 beats per minute; values outside are held to that range.
  void setMetronomeTempo(int bpm);
  int getMetronomeTempo() const { return metronomeBPM_; }
  void setMetronomeVolume(float volume);  // 0..1
  float getMetronomeVolume() const { return metronomeVolume_; }
  void setMetronomeBeatsPerBar(int beats);  // 1..6
  int getMetronomeBeatsPerBar() const { return metronomeBeatsPerBar_; }
  double metronomeTimeBetweenBeats() const { return metronomeTimeBetweenBeats_; }
  // The defaults: switched off, 120 beats per minute, volume 0.5, 4 beats per bar.
  void setupMetronome();

  // ---- during a take
  // With the switch on: clicks the first beat of a bar now and goes on, on the
  // grid that starts now, for as long as `recording` answers true and the
  // switch stays on. A loop of an earlier take that is still pending ends here.
  void startRecordingLoop(std::function<bool()> recording);
  // Ends the recording loop at once (its owner is going away).
  void endRecordingLoop();

  // ---- the preview on the settings screen
  // After a stop it clicks no more; its pending tick only ends the loop, unless
  // a start came before it.
  void startMetronome();
  void stopMetronome() { metronomeSetup_ = false; }
  bool metronomePlaying() const { return metronomePlaying_; }

 private:
  void click(int sampleNo);
  void tick();
  void metronomeLoop();
  void metronomeSetupLoop();
  void schedule(double& nextBeat, void (Metronome::*loop)(), platform::RunLoop::TimerId& timer);

  SoundPlayer& soundPlayer_;
  platform::RunLoop& mainLoop_;
  // Timers hold a weak reference and do nothing once the metronome is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  bool metronome_ = false;
  bool metronomePlaying_ = false;
  bool metronomeSetup_ = false;
  double metronomeTimeBetweenBeats_ = 0.5;
  float metronomeVolume_ = 0.5f;
  int metronomeBeatCount_ = 0;
  int metronomeBeatsPerBar_ = 4;
  int metronomeBPM_ = 120;
  std::function<bool()> recording_;  // whether the take of the recording loop goes on
  double recordingBeatTime_ = 0.0;   // when the recording loop's next click is due
  double previewBeatTime_ = 0.0;     // when the preview's next click is due
  platform::RunLoop::TimerId recordingTimer_ = 0;
};

}  // namespace piano
