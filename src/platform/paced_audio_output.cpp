#include "platform/paced_audio_output.h"

#include <pthread.h>

#include <chrono>

namespace piano::platform {

PacedAudioOutput::PacedAudioOutput(bool paced, int bufferFrames)
    : paced_(paced), bufferFrames_(bufferFrames > 0 ? bufferFrames : kPreferredBufferFrames) {
  buffer_.resize(static_cast<std::size_t>(bufferFrames_) * kChannels);
}

PacedAudioOutput::~PacedAudioOutput() { PacedAudioOutput::stop(); }

bool PacedAudioOutput::start(RenderCallback render, void* context) {
  stop();
  render_ = render;
  context_ = context;
  running_.store(true);
  if (paced_) thread_ = std::thread([this] { run(); });
  return true;
}

void PacedAudioOutput::stop() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
}

void PacedAudioOutput::pullOne() {
  const StereoBuffer sound{buffer_.data(), bufferFrames_};
  pull(render_, context_, sound, *this);
  consume(sound);
  framesRendered_.fetch_add(bufferFrames_, std::memory_order_relaxed);
}

void PacedAudioOutput::renderFrames(long long frames) {
  if (paced_ || !running_.load()) return;
  for (long long done = 0; done < frames; done += bufferFrames_) pullOne();
}

void PacedAudioOutput::run() {
  using clock = std::chrono::steady_clock;
  pthread_setname_np(pthread_self(), "audio out");
  const auto period = std::chrono::duration_cast<clock::duration>(
      std::chrono::duration<double>(static_cast<double>(bufferFrames_) / kSampleRate));
  auto next = clock::now();
  while (running_.load(std::memory_order_relaxed)) {
    pullOne();
    next += period;
    std::this_thread::sleep_until(next);
  }
}

// ---------------------------------------------------------------- WAV file

WavFileAudioOutput::WavFileAudioOutput(const std::string& path, bool paced) : PacedAudioOutput(paced) {
  writer_.open(path, kSampleRate, kChannels);
}

WavFileAudioOutput::~WavFileAudioOutput() { finish(); }

void WavFileAudioOutput::consume(StereoBuffer sound) {
  writer_.write(sound.samples, static_cast<std::size_t>(sound.frames));
}

bool WavFileAudioOutput::finish() {
  stop();
  return writer_.close();
}

}  // namespace piano::platform
