#include "recording/metronome.h"

#include "audio/sound_player.h"
#include "recording/state_text.h"

namespace piano {

Metronome::Metronome(SoundPlayer& soundPlayer, platform::RunLoop& mainLoop)
    : soundPlayer_(soundPlayer), mainLoop_(mainLoop) {
  setupMetronome();
}

void Metronome::setupMetronome() {
  metronome_ = false;
  metronomeVolume_ = 0.5f;
  setMetronomeTempo(120);
  metronomeBeatsPerBar_ = 4;
}

void Metronome::setMetronomeTempo(int bpm) {
  // Held to the range, so the interval is never zero, negative or endless.
  metronomeBPM_ = state_text::holdMetronomeBPM(bpm);
  metronomeTimeBetweenBeats_ = static_cast<double>(60.0f / static_cast<float>(metronomeBPM_));
}

void Metronome::setMetronomeVolume(float volume) {
  metronomeVolume_ = static_cast<float>(state_text::holdVolume(volume));
}

void Metronome::setMetronomeBeatsPerBar(int beats) {
  metronomeBeatsPerBar_ = state_text::holdMetronomeBeatsPerBar(beats);
}

void Metronome::click(int sampleNo) {
  const int voice = soundPlayer_.playSampleWithSampleNo(sampleNo, static_cast<double>(metronomeVolume_), 1.0f, -1.0f);
  if (voice != -1) soundPlayer_.stopSample(voice);
}

void Metronome::tick() {
  click(metronomeBeatCount_ != 0 ? kMetronomeLowSlot : kMetronomeHiSlot);
  metronomeBeatCount_ = metronomeBeatCount_ < metronomeBeatsPerBar_ - 1 ? metronomeBeatCount_ + 1 : 0;
}

// The next click is due one interval after the previous one was due, not after
// the moment its timer ran, so timer delays never add up and every take's clicks
// stay on the grid that starts at its record time. Beats that a stalled main
// thread missed entirely are skipped (the bar still counts them), not played in
// a burst.
void Metronome::schedule(double& nextBeat, void (Metronome::*loop)(), platform::RunLoop::TimerId& timer) {
  nextBeat += metronomeTimeBetweenBeats_;
  const double current = mainLoop_.now();
  while (nextBeat < current) {
    nextBeat += metronomeTimeBetweenBeats_;
    metronomeBeatCount_ = metronomeBeatCount_ < metronomeBeatsPerBar_ - 1 ? metronomeBeatCount_ + 1 : 0;
  }
  std::weak_ptr<int> alive = alive_;
  timer = mainLoop_.performAfterDelay(nextBeat - current, [this, alive, loop] {
    if (alive.lock()) (this->*loop)();
  });
}

void Metronome::startRecordingLoop(std::function<bool()> recording) {
  if (!metronome_) return;
  metronomeBeatCount_ = 0;
  // One recording loop at a time: a tick still pending from an earlier take
  // would click beside this take's own.
  mainLoop_.cancel(recordingTimer_);
  recording_ = std::move(recording);
  recordingBeatTime_ = mainLoop_.now();
  metronomeLoop();
}

void Metronome::endRecordingLoop() {
  mainLoop_.cancel(recordingTimer_);
  recording_ = nullptr;
}

void Metronome::metronomeLoop() {
  if (!recording_ || !recording_()) return;
  tick();
  if (metronome_ && recording_()) schedule(recordingBeatTime_, &Metronome::metronomeLoop, recordingTimer_);
}

void Metronome::startMetronome() {
  metronomeSetup_ = true;
  if (metronomePlaying_) return;
  metronomePlaying_ = true;
  metronomeBeatCount_ = 0;
  previewBeatTime_ = mainLoop_.now();
  metronomeSetupLoop();
}

// A preview stopped since the last tick ends here, silently: the player left
// its page and hears nothing more from it. A start before this tick keeps the
// loop (and its beat count) going.
void Metronome::metronomeSetupLoop() {
  if (!metronomeSetup_) {
    metronomePlaying_ = false;
    return;
  }
  tick();
  platform::RunLoop::TimerId timer = 0;
  schedule(previewBeatTime_, &Metronome::metronomeSetupLoop, timer);
}

}  // namespace piano
