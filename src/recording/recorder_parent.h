// What the recorder's owner (the root view) receives from playback. Every call
// arrives on the main thread: the playback thread posts them to the main run
// loop and never waits for them.
#pragma once

namespace piano {

class RecorderParent {
 public:
  // A press of the song started a voice: show key slot `sampleNo` going down.
  virtual void mechanicalKeyPressDownForTrigger(int sampleNo) = 0;
  // A release of the song was played: show the key going up.
  virtual void mechanicalKeyPressUpForTrigger(int sampleNo) = 0;
  // The song played to its end outside a take.
  virtual void playbackEnded() = 0;
  // The first playback pass after a stop: stop the voices of every finger and
  // merge the take (NoteRecorder::addOverdubNotes).
  virtual void liftAllKeysAndStopRecording() = 0;

 protected:
  ~RecorderParent() = default;
};

}  // namespace piano
