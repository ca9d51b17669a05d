// The metronome: clicks on one-shot timers of the main run loop, during a take
// (when switched on) and as a preview on the settings screen.
#include <memory>

#include "audio/sound_player.h"
#include "recording/note_recorder.h"
#include "recording/state_text.h"

namespace piano {

void NoteRecorder::setupMetronome() {
  metronome_ = false;
  metronomeLoSampleNo_ = kMetronomeLowSlot;
  metronomeHiSampleNo_ = kMetronomeHiSlot;
  metronomeVolume_ = 0.5f;
  setMetronomeTempo(120);
  metronomeBeatsPerBar_ = 4;
}

void NoteRecorder::setMetronomeTempo(int bpm) {
  // Held to the range, so the interval is never zero, negative or endless.
  metronomeBPM_ = state_text::holdMetronomeBPM(bpm);
  metronomeTimeBetweenBeats_ = static_cast<double>(60.0f / static_cast<float>(metronomeBPM_));
}

void NoteRecorder::setMetronomeVolume(float volume) {
  metronomeVolume_ = static_cast<float>(state_text::holdVolume(volume));
}

void NoteRecorder::setMetronomeBeatsPerBar(int beats) {
  metronomeBeatsPerBar_ = state_text::holdMetronomeBeatsPerBar(beats);
}

// Full volume for exactly one render buffer: instant attack, stopped at once,
// released within the first frame of the next buffer.
void NoteRecorder::click(int sampleNo) {
  const int voice = soundPlayer_.playSampleWithSampleNo(sampleNo, static_cast<double>(metronomeVolume_), 1.0f, -1.0f);
  if (voice != -1) soundPlayer_.stopSample(voice);
}

void NoteRecorder::tick() {
  click(metronomeBeatCount_ != 0 ? metronomeLoSampleNo_ : metronomeHiSampleNo_);
  metronomeBeatCount_ = metronomeBeatCount_ < metronomeBeatsPerBar_ - 1 ? metronomeBeatCount_ + 1 : 0;
}

// The next click is due one interval after the previous one was due, not after
// the moment its timer ran, so timer delays never add up and every take's clicks
// stay on the grid that starts at its record time. Beats that a stalled main
// thread missed entirely are skipped (the bar still counts them), not played in
// a burst.
void NoteRecorder::scheduleMetronome(double& nextBeat, void (NoteRecorder::*loop)(),
                                     platform::RunLoop::TimerId& timer) {
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

void NoteRecorder::metronomeLoop() {
  if (getNRState() != 2) return;
  tick();
  if (metronome_ && getNRState() == 2) scheduleMetronome(recordingBeatTime_, &NoteRecorder::metronomeLoop, recordingTimer_);
}

void NoteRecorder::startMetronome() {
  metronomeSetup_ = true;
  if (metronomePlaying_) return;
  metronomePlaying_ = true;
  metronomeBeatCount_ = 0;
  previewBeatTime_ = mainLoop_.now();
  metronomeSetupLoop();
}

void NoteRecorder::stopMetronome() { metronomeSetup_ = false; }

// A preview stopped since the last tick ends here, silently: the player left
// its page and hears nothing more from it. A start before this tick keeps the
// loop (and its beat count) going.
void NoteRecorder::metronomeSetupLoop() {
  if (!metronomeSetup_) {
    metronomePlaying_ = false;
    return;
  }
  tick();
  platform::RunLoop::TimerId timer = 0;
  scheduleMetronome(previewBeatTime_, &NoteRecorder::metronomeSetupLoop, timer);
}

}  // namespace piano
