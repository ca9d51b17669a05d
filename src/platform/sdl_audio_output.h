// The sound card, through SDL2's pull callback: stereo signed 16-bit at 44100 Hz.
// It asks for PipeWire's own driver where PipeWire runs, then PulseAudio, then
// whatever SDL has (SDL_AUDIODRIVER, when set, chooses instead), and for
// buffers of 128 frames (2.9 ms); when the output falls behind at that size it
// opens again at 256, then 512 frames, and says so. A size set by hand stays.
//
// Threads: start/stop/keepUp/setVolume on the main thread; the render function
// runs on SDL's audio thread.
#pragma once

#include <string>

#include "platform/audio_output.h"
#include "platform/output_pace.h"

namespace piano::platform {

class SdlAudioOutput final : public AudioOutput {
 public:
  // bufferFrames: frames per buffer to ask for, or 0 for the smallest that
  // plays cleanly (from kBufferSteps).
  explicit SdlAudioOutput(int bufferFrames = 0);
  ~SdlAudioOutput() override;

  bool start(RenderCallback render, void* context) override;
  void stop() override;
  int bufferFrames() const override { return bufferFrames_; }
  const char* describe() const override { return description_.c_str(); }

  // Main thread, every half second or so, with the time in seconds: when the
  // output has fallen behind, says so once and, unless the size was set by
  // hand, opens it again at the next buffer size.
  void keepUp(double now);

 private:
  bool open();
  bool openWith(const char* driver);
  static void callback(void* self, unsigned char* stream, int bytes) noexcept;

  const bool sizeSetByHand_;
  int requestedFrames_;
  RenderCallback render_ = nullptr;
  void* context_ = nullptr;
  unsigned device_ = 0;
  int bufferFrames_ = 0;
  bool toldFallingBehind_ = false;
  OutputPaceWatch pace_;
  std::string description_ = "SDL audio (closed)";
};

}  // namespace piano::platform
