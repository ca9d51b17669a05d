#include "platform/pipewire_sound_device.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace piano::platform {

struct PipeWireSoundDevice::Listener {
  spa_hook hook{};
  pw_stream_events events{};
};

namespace {
constexpr int kBytesPerFrame = kChannels * static_cast<int>(sizeof(std::int16_t));
// How long open() waits for the server to take the stream.
constexpr auto kConnectTimeout = std::chrono::seconds(2);

void initialiseLibrary() {
  static const bool initialised = [] {
    pw_init(nullptr, nullptr);
    return true;
  }();
  (void)initialised;
}

// The quantum asked of the server, as its "node.latency" property: the graph
// runs at the smallest any of its streams asks for (in a power of two of its
// own rate's frames).
std::string nodeLatency(int frames) { return std::to_string(frames) + "/" + std::to_string(kSampleRate); }

double milliseconds(double frames, double rate) { return rate > 0.0 ? 1000.0 * frames / rate : 0.0; }
}  // namespace

PipeWireSoundDevice::PipeWireSoundDevice() = default;

PipeWireSoundDevice::~PipeWireSoundDevice() { close(); }

int PipeWireSoundDevice::framesForCycle(unsigned long long requested, int capacity, int frames) {
  const unsigned long long wanted = requested > 0 ? requested : static_cast<unsigned long long>(std::max(frames, 0));
  return static_cast<int>(std::min(wanted, static_cast<unsigned long long>(std::max(capacity, 0))));
}

bool PipeWireSoundDevice::cycleWasMissed(unsigned long long lastTicks, unsigned long long ticks, int frames,
                                         double graphRate) {
  const double cycleTicks = frames * graphRate / kSampleRate;
  return lastTicks != 0 && ticks > lastTicks && static_cast<double>(ticks - lastTicks) > 1.5 * cycleTicks;
}

bool PipeWireSoundDevice::open(int frames, Pull pull, void* card) {
  close();
  initialiseLibrary();
  pull_ = pull;
  card_ = card;
  frames_.store(frames, std::memory_order_relaxed);
  cycleFrames_.store(0, std::memory_order_relaxed);
  missedCycles_.store(0, std::memory_order_relaxed);
  lastTicks_ = 0;
  state_.store(PW_STREAM_STATE_UNCONNECTED, std::memory_order_relaxed);
  settled_.clear();
  settleAfter_ = {};

  loop_ = pw_thread_loop_new("piano-sound", nullptr);
  if (loop_ == nullptr) return false;
  // The real-time client configuration: the data thread that renders gets
  // the priority the server's own threads have, where the system allows it.
  context_ = pw_context_new(pw_thread_loop_get_loop(loop_),
                            pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
  if (context_ == nullptr || pw_thread_loop_start(loop_) != 0) {
    close();
    return false;
  }
  pw_thread_loop_lock(loop_);
  core_ = pw_context_connect(context_, nullptr, 0);  // null where no server runs
  if (core_ != nullptr) {
    stream_ = pw_stream_new(core_, "Piano",
                            pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback",
                                              PW_KEY_MEDIA_ROLE, "Music", PW_KEY_APP_NAME, "Piano", PW_KEY_NODE_NAME,
                                              "piano", PW_KEY_NODE_LATENCY, nodeLatency(frames).c_str(), nullptr));
  }
  if (stream_ != nullptr) {
    listener_ = new Listener;
    listener_->events.version = PW_VERSION_STREAM_EVENTS;
    listener_->events.process = &PipeWireSoundDevice::onProcess;
    listener_->events.state_changed = [](void* self, pw_stream_state old, pw_stream_state state, const char* error) {
      onStateChanged(self, old, state, error);
    };
    pw_stream_add_listener(stream_, &listener_->hook, &listener_->events, this);
    std::uint8_t podBuffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(podBuffer, sizeof podBuffer);
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_S16;  // the machine's own byte order
    info.channels = kChannels;
    info.rate = kSampleRate;
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
    const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                                    PW_STREAM_FLAG_RT_PROCESS);
    if (pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) == 0) {
      // The server answers on the loop's thread, which signals each change.
      const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
      for (;;) {
        const int state = state_.load(std::memory_order_relaxed);
        if (state == PW_STREAM_STATE_PAUSED || state == PW_STREAM_STATE_STREAMING || state == PW_STREAM_STATE_ERROR ||
            std::chrono::steady_clock::now() >= deadline) {
          break;
        }
        pw_thread_loop_timed_wait(loop_, 1);
      }
    }
  }
  const int state = state_.load(std::memory_order_relaxed);
  pw_thread_loop_unlock(loop_);
  if (state != PW_STREAM_STATE_PAUSED && state != PW_STREAM_STATE_STREAMING) {
    close();
    return false;
  }
  return true;
}

bool PipeWireSoundDevice::resize(int frames) {
  // A stream the server dropped (it stopped, or failed) is opened again instead.
  const int state = state_.load(std::memory_order_relaxed);
  if (stream_ == nullptr || (state != PW_STREAM_STATE_PAUSED && state != PW_STREAM_STATE_STREAMING)) return false;
  const std::string latency = nodeLatency(frames);
  const spa_dict_item item = SPA_DICT_ITEM_INIT(PW_KEY_NODE_LATENCY, latency.c_str());
  const spa_dict properties = SPA_DICT_INIT(&item, 1);
  pw_thread_loop_lock(loop_);
  const int result = pw_stream_update_properties(stream_, &properties);
  pw_thread_loop_unlock(loop_);
  if (result < 0) return false;
  frames_.store(frames, std::memory_order_relaxed);
  // Said again once the graph runs at the new size, which takes it a few cycles.
  settled_.clear();
  settleAfter_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  return true;
}

void PipeWireSoundDevice::close() {
  if (loop_ == nullptr) return;
  pw_thread_loop_lock(loop_);
  if (stream_ != nullptr) pw_stream_destroy(stream_);  // takes the node off the data thread first
  stream_ = nullptr;
  if (core_ != nullptr) pw_core_disconnect(core_);
  core_ = nullptr;
  pw_thread_loop_unlock(loop_);
  pw_thread_loop_stop(loop_);
  // Destroying the context ends its data thread: nothing pulls after this.
  if (context_ != nullptr) pw_context_destroy(context_);
  context_ = nullptr;
  pw_thread_loop_destroy(loop_);
  loop_ = nullptr;
  delete listener_;
  listener_ = nullptr;
}

std::string PipeWireSoundDevice::describe() const {
  if (!settled_.empty()) return settled_;
  char text[240];
  const int written = std::snprintf(text, sizeof text, "PipeWire, %d Hz, %d frames per buffer (%.1f ms)", kSampleRate,
                                    frames_.load(std::memory_order_relaxed),
                                    milliseconds(frames_.load(std::memory_order_relaxed), kSampleRate));
  const int cycle = cycleFrames_.load(std::memory_order_relaxed);
  pw_time time{};
  if (cycle <= 0 || stream_ == nullptr || std::chrono::steady_clock::now() < settleAfter_ ||
      pw_stream_get_time_n(stream_, &time, sizeof time) != 0 || time.rate.num == 0 || time.rate.denom == 0) {
    return text;
  }
  // Once the graph runs: its rate, the cycle this stream renders, and what the
  // server says lies between the stream and its device. Said once.
  const double graphRate = static_cast<double>(time.rate.denom) / time.rate.num;
  std::snprintf(text + written, sizeof text - static_cast<std::size_t>(written),
                "; graph %.0f Hz, %.1f ms cycles, %.1f ms to the device",
                graphRate, milliseconds(cycle, kSampleRate), milliseconds(static_cast<double>(time.delay), graphRate));
  settled_ = text;
  return settled_;
}

void PipeWireSoundDevice::onStateChanged(void* self, int, int state, const char* error) {
  auto& device = *static_cast<PipeWireSoundDevice*>(self);
  if (state == PW_STREAM_STATE_ERROR) std::printf("Sound: PipeWire: %s\n", error != nullptr ? error : "error");
  device.state_.store(state, std::memory_order_relaxed);
  pw_thread_loop_signal(device.loop_, false);
}

// The data thread, once per cycle: no allocation, lock or system call.
void PipeWireSoundDevice::onProcess(void* self) {
  auto& device = *static_cast<PipeWireSoundDevice*>(self);
  pw_buffer* buffer = pw_stream_dequeue_buffer(device.stream_);
  if (buffer == nullptr) return;
  spa_data& data = buffer->buffer->datas[0];
  if (data.data != nullptr) {
    const int frames = framesForCycle(buffer->requested, static_cast<int>(data.maxsize) / kBytesPerFrame,
                                      device.frames_.load(std::memory_order_relaxed));
    // The graph's clock (a copy under a sequence count: no lock) tells a cycle
    // that went by without this stream from the one it plays now.
    pw_time time{};
    if (pw_stream_get_time_n(device.stream_, &time, sizeof time) == 0 && time.rate.num != 0) {
      const double graphRate = static_cast<double>(time.rate.denom) / time.rate.num;
      if (buffer->requested > 0 && cycleWasMissed(device.lastTicks_, time.ticks, frames, graphRate)) {
        device.missedCycles_.fetch_add(1, std::memory_order_relaxed);
      }
      device.lastTicks_ = time.ticks;
    }
    device.pull_(device.card_, {static_cast<std::int16_t*>(data.data), frames});
    device.cycleFrames_.store(frames, std::memory_order_relaxed);
    data.chunk->offset = 0;
    data.chunk->stride = kBytesPerFrame;
    data.chunk->size = static_cast<std::uint32_t>(frames * kBytesPerFrame);
  }
  pw_stream_queue_buffer(device.stream_, buffer);
}

}  // namespace piano::platform
