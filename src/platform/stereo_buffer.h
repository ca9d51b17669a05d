// StereoBuffer: frames of interleaved stereo signed 16-bit sound (left, right,
// left, ...) as the render function fills them and the outputs pass them on:
// where the first sample is and how many frames follow. It owns nothing; the
// one who hands it over keeps the memory alive for the call.
//
// Threads: a plain value; real-time safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace piano::platform {

struct StereoBuffer {
  std::int16_t* samples = nullptr;
  int frames = 0;

  // Left and right samples together.
  std::size_t sampleCount() const { return frames > 0 ? static_cast<std::size_t>(frames) * 2 : 0; }
};

}  // namespace piano::platform
