// The sound card: the output that a player hears. It tries the ways of reaching
// the card it was given (a SoundDevice each: PipeWire's own client, SDL's
// drivers) in order and plays through the first that opens, asking for 128
// frames per buffer (2.9 ms); when the output falls behind at that size it
// opens again at 256, then 512 frames, and says so. A size set by hand stays.
//
// Threads: start/stop/keepUp/setVolume and a device's open/close on the main
// thread; the render function runs on the device's audio thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/audio_output.h"
#include "platform/output_pace.h"

namespace piano::platform {

// One way of reaching the sound card: stereo signed 16-bit at 44100 Hz, pulled
// buffer by buffer from the device's own audio thread.
class SoundDevice {
 public:
  // Called on the audio thread for every buffer; fills all of `out`.
  using Pull = void (*)(void* card, StereoBuffer out) noexcept;

  virtual ~SoundDevice() = default;
  // Opens the device for buffers of about `frames` frames and starts pulling.
  // False when this way to the card is not there (no server, no driver).
  virtual bool open(int frames, Pull pull, void* card) = 0;
  // Asks for buffers of about `frames` frames without stopping the sound;
  // false where the device must be opened again for that.
  virtual bool resize(int frames) {
    (void)frames;
    return false;
  }
  // Stops pulling: once it returns, `pull` is never called again.
  virtual void close() = 0;
  // What the device was granted, in one line ("SDL pulseaudio, 44100 Hz, ...").
  // It may say more once the device runs (what the server reports).
  virtual std::string describe() const = 0;
  // Cycles the server went without this device's sound since it opened, where
  // the device can tell (0 where it cannot).
  virtual long long missedCycles() const { return 0; }
};

class SoundCard final : public AudioOutput {
 public:
  // bufferFrames: frames per buffer to ask for, or 0 for the smallest that
  // plays cleanly (from kBufferSteps).
  SoundCard(std::vector<std::unique_ptr<SoundDevice>> devices, int bufferFrames);
  ~SoundCard() override;

  bool start(RenderCallback render, void* context) override;
  void stop() override;
  // The frames per buffer asked of the device (the device may pull a few
  // more or fewer per call, as its server's cycle takes).
  int bufferFrames() const override { return open_ != nullptr ? requestedFrames_ : 0; }
  const char* describe() const override { return description_.c_str(); }

  // Main thread, every half second or so, with the time in seconds: says
  // what the device reports once it runs; when the output has fallen behind,
  // says so once and, unless the size was set by hand, opens it again at the
  // next buffer size.
  void keepUp(double now);

 private:
  bool open();
  static void pullBuffer(void* self, StereoBuffer out) noexcept;

  std::vector<std::unique_ptr<SoundDevice>> devices_;
  const bool sizeSetByHand_;
  int requestedFrames_;
  RenderCallback render_ = nullptr;
  void* context_ = nullptr;
  SoundDevice* open_ = nullptr;  // the device playing, or none
  bool toldFallingBehind_ = false;
  OutputPaceWatch pace_;
  std::string description_ = "no sound card";
};

}  // namespace piano::platform
