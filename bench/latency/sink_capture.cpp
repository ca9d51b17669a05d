// Records what a PipeWire sink plays (its monitor) and prints, as they happen:
//   onset NS   the CLOCK_MONOTONIC time at which the sink played the first loud
//              sample (above -30 dBFS) after at least 150 ms below half of that;
//   gap N at NS  a run of N frames (up to 50 ms) of exact silence inside sound (an
//              output that missed its cycle: the sink had nothing of it to play),
//              and the time the sound came back;
// and, at SIGINT/SIGTERM, "frames N gaps N peak LEVEL". The time of a sample is the
// graph's time for the cycle that played it plus its place in the cycle.
//
//   sink_capture SINK_NAME
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <csignal>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr float kLoud = 0.03f;
constexpr int kRate = 48000;
constexpr int kQuietFrames = kRate * 150 / 1000;
constexpr int kShortestGap = 16;
constexpr int kLongestGap = kRate / 20;  // longer is a pause in the playing

struct Capture {
  pw_main_loop* loop = nullptr;
  pw_stream* stream = nullptr;
  long long frames = 0;
  int quietFrames = 0;  // frames since the signal was last above kLoud / 2
  bool armed = true;    // quiet long enough for the next loud sample to be an onset
  int zeroRun = 0;
  bool heardSound = false;
  long long gaps = 0;
  float peak = 0.0f;
};

void onProcess(void* data) {
  auto& c = *static_cast<Capture*>(data);
  pw_buffer* b = pw_stream_dequeue_buffer(c.stream);
  if (b == nullptr) return;
  pw_time time{};
  pw_stream_get_time_n(c.stream, &time, sizeof time);
  const spa_buffer* buffer = b->buffer;
  const auto* samples = static_cast<const float*>(buffer->datas[0].data);
  if (samples != nullptr) {
    const unsigned bytes = buffer->datas[0].chunk->size;
    const int n = static_cast<int>(bytes / (2 * sizeof(float)));
    for (int i = 0; i < n; ++i) {
      const float level = std::max(std::fabs(samples[2 * i]), std::fabs(samples[2 * i + 1]));
      c.peak = std::max(c.peak, level);
      if (level == 0.0f) {
        ++c.zeroRun;
      } else {
        if (c.heardSound && c.zeroRun >= kShortestGap && c.zeroRun < kLongestGap) {
          std::printf("gap %d at %lld\n", c.zeroRun, static_cast<long long>(time.now) + 1000000000LL * i / kRate);
          ++c.gaps;
        }
        c.zeroRun = 0;
        c.heardSound = true;
      }
      c.quietFrames = level > kLoud / 2 ? 0 : c.quietFrames + 1;
      if (c.quietFrames >= kQuietFrames) c.armed = true;
      if (level > kLoud && c.armed) {
        std::printf("onset %lld\n", static_cast<long long>(time.now) + 1000000000LL * i / kRate);
        c.armed = false;
      }
    }
    c.frames += n;
  }
  std::fflush(stdout);
  pw_stream_queue_buffer(c.stream, b);
}

Capture* running = nullptr;

void onSignal(int) {
  if (running != nullptr) pw_main_loop_quit(running->loop);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sink_capture SINK_NAME\n");
    return 2;
  }
  pw_init(&argc, &argv);
  Capture c;
  c.loop = pw_main_loop_new(nullptr);
  running = &c;
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  static const pw_stream_events events = [] {
    pw_stream_events e{};
    e.version = PW_VERSION_STREAM_EVENTS;
    e.process = onProcess;
    return e;
  }();
  pw_properties* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture",
                                           PW_KEY_MEDIA_ROLE, "Production", PW_KEY_STREAM_CAPTURE_SINK, "true",
                                           PW_KEY_TARGET_OBJECT, argv[1], PW_KEY_NODE_NAME, "latency-capture", nullptr);
  c.stream = pw_stream_new_simple(pw_main_loop_get_loop(c.loop), "latency-capture", props, &events, &c);
  std::uint8_t storage[1024];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof storage);
  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32;
  info.channels = 2;
  info.rate = kRate;
  const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
  if (pw_stream_connect(c.stream, PW_DIRECTION_INPUT, PW_ID_ANY,
                        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                                     PW_STREAM_FLAG_RT_PROCESS),
                        params, 1) < 0) {
    std::fprintf(stderr, "cannot connect to %s\n", argv[1]);
    return 1;
  }
  std::printf("capturing %s\n", argv[1]);
  std::fflush(stdout);
  pw_main_loop_run(c.loop);
  std::printf("frames %lld gaps %lld peak %.3f\n", c.frames, c.gaps, c.peak);
  pw_stream_destroy(c.stream);
  pw_main_loop_destroy(c.loop);
  pw_deinit();
  return 0;
}
