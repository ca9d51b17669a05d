// The sound card, through SDL2's pull callback: stereo signed 16-bit at 44100 Hz
// in buffers of 256 frames (about 5.8 ms), or what the driver grants.
//
// Threads: start/stop/setVolume on the main thread; the render function runs on
// SDL's audio thread.
#pragma once

#include <string>

#include "platform/audio_output.h"

namespace piano::platform {

class SdlAudioOutput final : public AudioOutput {
 public:
  SdlAudioOutput() = default;
  ~SdlAudioOutput() override;

  bool start(RenderCallback render, void* context) override;
  void stop() override;
  int bufferFrames() const override { return bufferFrames_; }
  const char* describe() const override { return description_.c_str(); }

 private:
  static void callback(void* self, unsigned char* stream, int bytes) noexcept;

  RenderCallback render_ = nullptr;
  void* context_ = nullptr;
  unsigned device_ = 0;
  int bufferFrames_ = 0;
  std::string description_ = "SDL audio (closed)";
};

}  // namespace piano::platform
