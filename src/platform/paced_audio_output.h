// Audio outputs without a sound card: they pull buffers from the render function
// on a thread of their own, paced like a device (one buffer every 256/44100 s),
// or, when not paced, only when their owner asks (offline rendering).
//
// Threads: start/stop/renderFrames from one controlling thread; the render
// function runs on the output's thread (paced) or the caller's (renderFrames).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_output.h"
#include "platform/wav_file.h"

namespace piano::platform {

class PacedAudioOutput : public AudioOutput {
 public:
  // paced: pull in real time on a thread; otherwise only through renderFrames().
  explicit PacedAudioOutput(bool paced, int bufferFrames = kPreferredBufferFrames);
  ~PacedAudioOutput() override;

  bool start(RenderCallback render, void* context) override;
  void stop() override;
  int bufferFrames() const override { return bufferFrames_; }

  // Unpaced outputs: renders `frames` frames now, in buffers of bufferFrames().
  void renderFrames(long long frames);
  long long framesRendered() const { return framesRendered_.load(std::memory_order_relaxed); }

 protected:
  // Receives each finished buffer (after the volume), on the pulling thread.
  // Subclasses must stop() in their destructor, before they are gone.
  virtual void consume(StereoBuffer sound) = 0;

 private:
  void pullOne();
  void run();

  const bool paced_;
  const int bufferFrames_;
  RenderCallback render_ = nullptr;
  void* context_ = nullptr;
  std::vector<std::int16_t> buffer_;
  std::atomic<bool> running_{false};
  std::atomic<long long> framesRendered_{0};
  static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<long long>::is_always_lock_free,
                "the pulling thread never waits");
  std::thread thread_;
};

// Plays into nothing.
class NullAudioOutput final : public PacedAudioOutput {
 public:
  explicit NullAudioOutput(bool paced = true) : PacedAudioOutput(paced) {}
  // The pulling thread calls consume(): it must end before this object does.
  ~NullAudioOutput() override { stop(); }
  const char* describe() const override { return "null output"; }

 protected:
  void consume(StereoBuffer) override {}
};

// Writes what it plays to a 16-bit stereo 44100 Hz WAV file. The header's sizes
// are filled in when the output stops (or is destroyed). Writing ends, and
// finish() reports the failure, at the 4 GiB a WAV header can describe.
class WavFileAudioOutput final : public PacedAudioOutput {
 public:
  WavFileAudioOutput(const std::string& path, bool paced);
  ~WavFileAudioOutput() override;
  bool isOpen() const { return writer_.isOpen(); }
  const char* describe() const override { return "WAV file output"; }
  // Stops pulling and completes the file. Returns false when writing failed.
  bool finish();

 protected:
  void consume(StereoBuffer sound) override;

 private:
  WavWriter writer_;
};

}  // namespace piano::platform
