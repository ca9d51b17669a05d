#include "platform/paced_audio_output.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstring>

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
  pull(render_, context_, buffer_.data(), bufferFrames_, *this);
  consume(buffer_.data(), bufferFrames_);
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

namespace {

void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void wavHeader(std::uint8_t (&h)[44], std::uint32_t dataBytes) {
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, 36 + dataBytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);
  put16(h + 20, 1);  // PCM
  put16(h + 22, kChannels);
  put32(h + 24, kSampleRate);
  put32(h + 28, kSampleRate * kChannels * 2);
  put16(h + 32, kChannels * 2);
  put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, dataBytes);
}

}  // namespace

WavFileAudioOutput::WavFileAudioOutput(const std::string& path, bool paced)
    : PacedAudioOutput(paced) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return;
  std::uint8_t header[44];
  wavHeader(header, 0);
  writeFailed_ = std::fwrite(header, 1, sizeof header, file_) != sizeof header;
}

WavFileAudioOutput::~WavFileAudioOutput() { finish(); }

void WavFileAudioOutput::consume(const std::int16_t* interleaved, int frames) {
  if (!file_ || writeFailed_) return;
  const std::size_t values = static_cast<std::size_t>(frames) * kChannels;
  std::uint8_t bytes[2 * kChannels * kPreferredBufferFrames * 4];
  std::size_t done = 0;
  while (done < values) {
    const std::size_t n = std::min(values - done, sizeof bytes / 2);
    for (std::size_t i = 0; i < n; ++i) put16(bytes + 2 * i, static_cast<std::uint16_t>(interleaved[done + i]));
    if (std::fwrite(bytes, 2, n, file_) != n) writeFailed_ = true;
    done += n;
  }
  dataBytes_ += static_cast<std::uint32_t>(values * 2);
}

bool WavFileAudioOutput::finish() {
  stop();
  if (!file_) return false;
  std::uint8_t header[44];
  wavHeader(header, dataBytes_);
  if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header, 1, sizeof header, file_) != sizeof header) {
    writeFailed_ = true;
  }
  if (std::fclose(file_) != 0) writeFailed_ = true;
  file_ = nullptr;
  return !writeFailed_;
}

}  // namespace piano::platform
