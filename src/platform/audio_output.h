// The audio output unit: pulls interleaved stereo signed 16-bit frames at 44100 Hz
// from a render function on a thread of its own, then scales them by the make-up
// gain the renderer asks for and by the output volume, and limits the result to
// full scale (platform/output_limiter.h). The volume comes before the limiter, as
// a device's own volume control would, so a turned-down piano is not limited for
// peaks it no longer plays.
//
// Threads: start/stop/setVolume/setMakeUpGain from the main thread; the render
// function runs on the output's thread (real time for a device) and must not block.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/output_limiter.h"
#include "platform/stereo_buffer.h"

namespace piano::platform {

inline constexpr int kSampleRate = 44100;
inline constexpr int kChannels = 2;
// Outputs without a sound card (files, offline rendering); the sound card's
// sizes are in platform/output_pace.h.
inline constexpr int kPreferredBufferFrames = 256;  // about 5.8 ms

// Fills the frames of `out`. Returns 0, or -1 when the engine is stopped and has
// left the buffer untouched (the output then plays silence).
using RenderCallback = int (*)(void* context, StereoBuffer out) noexcept;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Begins pulling buffers. Returns false when the output could not be opened.
  virtual bool start(RenderCallback render, void* context) = 0;
  // After stop returns, the render function is never called again.
  virtual void stop() = 0;
  // Frames per buffer that the output actually pulls (0 before start).
  virtual int bufferFrames() const = 0;
  // A short description for diagnostics ("SDL pulseaudio, 256 frames", "null").
  virtual const char* describe() const = 0;

  // Output volume, 0.0 to 1.0 (other values are held to that range).
  void setVolume(float volume);
  float volume() const;
  // Gain for a renderer whose mix keeps headroom below full scale, 1 to 100
  // (other values are held to that range); 1 until set.
  void setMakeUpGain(float gain);

 protected:
  // Renders one buffer through the callback (silence when the engine reports
  // that it is stopped), applies the gains and the limiter. Real-time safe.
  static void pull(RenderCallback render, void* context, StereoBuffer out, AudioOutput& self) noexcept;

 private:
  static_assert(std::atomic<std::int32_t>::is_always_lock_free && std::atomic<float>::is_always_lock_free,
                "the output thread reads the gains without waiting");
  // The volume as a 16.16 fixed-point gain, read on the output thread.
  std::atomic<std::int32_t> gain_{65536};
  std::atomic<float> makeUpGain_{1.0f};
  OutputLimiter limiter_;  // the output thread's
};

}  // namespace piano::platform
