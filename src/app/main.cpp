// The piano program. Until the screens exist it plays a short phrase through the
// sound engine, on the sound card or into a WAV file.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/demo_phrase.h"
#include "audio/sound_player.h"
#include "platform/paced_audio_output.h"
#include "platform/sdl_audio_output.h"

namespace {

void usage() {
  std::printf(
      "usage: piano [--samples DIR] [--wav FILE]\n"
      "  --samples DIR  folder of the .mav sample set (default: the built set,\n"
      "                 or $PIANO_SAMPLE_DIR)\n"
      "  --wav FILE     write the sound to a WAV file instead of the sound card\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string sampleDir = PIANO_DEFAULT_SAMPLE_DIR;
  if (const char* env = std::getenv("PIANO_SAMPLE_DIR")) sampleDir = env;
  std::string wavPath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--samples" && i + 1 < argc) {
      sampleDir = argv[++i];
    } else if (arg == "--wav" && i + 1 < argc) {
      wavPath = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else {
      std::printf("Unknown option %s\n", arg.c_str());
      usage();
      return 2;
    }
  }

  using namespace piano;
  if (!wavPath.empty()) {
    platform::WavFileAudioOutput output(wavPath, /*paced=*/false);
    if (!output.isOpen()) {
      std::printf("Cannot write %s\n", wavPath.c_str());
      return 1;
    }
    SoundPlayer engine({&output, sampleDir, {}});
    double renderedSeconds = 0.0;
    playDemoPhrase(engine, [&](double t) {
      const auto frames = static_cast<long long>((t - renderedSeconds) * platform::kSampleRate);
      if (frames > 0) {
        output.renderFrames(frames);
        renderedSeconds = static_cast<double>(output.framesRendered()) / platform::kSampleRate;
      }
    });
    engine.stop();
    if (!output.finish()) {
      std::printf("Writing %s failed\n", wavPath.c_str());
      return 1;
    }
    std::printf("Wrote %.1f s to %s\n", renderedSeconds, wavPath.c_str());
    return 0;
  }

  SDL_SetMainReady();
  platform::SdlAudioOutput output;
  SoundPlayer engine({&output, sampleDir, {}});
  std::printf("Playing through %s\n", output.describe());
  const auto start = std::chrono::steady_clock::now();
  playDemoPhrase(engine, [&](double t) {
    std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                              std::chrono::duration<double>(t)));
  });
  engine.stop();
  SDL_Quit();
  return 0;
}
