// The sound card through PipeWire's own client library: a playback stream at
// 44100 Hz that fills, every cycle of the server's graph, exactly the frames
// that cycle takes. A client with a fixed buffer (SDL's) gives the server more
// than a cycle takes when the graph runs at another rate (48000 Hz, a desktop's
// usual): the surplus waits in the server's resampler, up to a whole buffer
// more latency, and every so often a cycle skips the client. Here the stream
// asks for a quantum of the buffer's length (node.latency) and renders what
// the server requests, so a note is one cycle from the graph.
//
// Threads: open/close/describe on the main thread; the pull runs on the
// library's real-time data thread, once per cycle.
#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "platform/sound_card.h"

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

namespace piano::platform {

class PipeWireSoundDevice final : public SoundDevice {
 public:
  PipeWireSoundDevice();
  ~PipeWireSoundDevice() override;
  PipeWireSoundDevice(const PipeWireSoundDevice&) = delete;
  PipeWireSoundDevice& operator=(const PipeWireSoundDevice&) = delete;

  bool open(int frames, Pull pull, void* card) override;
  // The server takes a new latency while the stream plays: no gap.
  bool resize(int frames) override;
  void close() override;
  // "PipeWire, 44100 Hz, 128 frames per buffer (2.9 ms)"; once the graph runs,
  // "...; graph 48000 Hz, 2.7 ms cycles, 0.0 ms to the device": its
  // rate, its cycle and the delay the server reports to its device.
  std::string describe() const override;
  long long missedCycles() const override { return missedCycles_.load(std::memory_order_relaxed); }

  // The frames to render for a cycle that requests `requested` (0: the server
  // did not say) into a buffer that holds `capacity`, with `frames` asked for.
  static int framesForCycle(unsigned long long requested, int capacity, int frames);
  // Whether the graph's clock went from `lastTicks` to `ticks` (at `graphRate`)
  // over more than the one cycle it takes to play `frames` at 44100 Hz: the
  // server played a cycle without this stream.
  static bool cycleWasMissed(unsigned long long lastTicks, unsigned long long ticks, int frames, double graphRate);

 private:
  static void onProcess(void* self);
  static void onStateChanged(void* self, int old, int state, const char* error);

  Pull pull_ = nullptr;
  void* card_ = nullptr;
  std::atomic<int> frames_{0};  // asked for; the data thread reads it
  pw_thread_loop* loop_ = nullptr;
  pw_context* context_ = nullptr;
  pw_core* core_ = nullptr;
  pw_stream* stream_ = nullptr;
  struct Listener;
  Listener* listener_ = nullptr;
  // Written by the data thread, read by the main thread for describe().
  std::atomic<int> cycleFrames_{0};
  std::atomic<int> state_{0};
  std::atomic<long long> missedCycles_{0};
  unsigned long long lastTicks_ = 0;  // the data thread's
  mutable std::string settled_;       // the description once the graph ran
  std::chrono::steady_clock::time_point settleAfter_{};
};

}  // namespace piano::platform
