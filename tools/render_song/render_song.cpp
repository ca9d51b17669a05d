// piano_render_song: plays a song file (a state text: a ".SAV" song or
// "system.state") through the sound engine and the output stage into a 16-bit
// stereo 44100 Hz WAV file, faster than real time, with the note timing of live
// playback. It reads songs as the application does: what the application refuses
// (damaged, not UTF-8 text, a note beyond the longest song) is refused here with
// the reason.
//
//   piano_render_song <song-file> <out.wav> [--samples DIR] [--buffer FRAMES]
//                     [--max-seconds S]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/sample_level.h"
#include "audio/sound_player.h"
#include "platform/output_limiter.h"
#include "platform/wav_file.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "recording/offline_renderer.h"

#ifndef PIANO_DEFAULT_SAMPLE_DIR
#define PIANO_DEFAULT_SAMPLE_DIR ""
#endif

namespace {

int usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s <song-file> <out.wav> [--samples DIR] [--buffer FRAMES] [--max-seconds S]\n"
               "Renders a saved song (state text) into a WAV file.\n"
               "  --samples DIR      folder of 1.mav ... 88.mav (default %s)\n"
               "  --buffer FRAMES    output buffer size to imitate (default %d)\n"
               "  --max-seconds S    longest song to render (default 3600)\n",
               program, PIANO_DEFAULT_SAMPLE_DIR, piano::platform::kPreferredBufferFrames);
  return 2;
}

bool parseNumber(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0' && value > 0.0 && value < 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  std::string songPath;
  std::string wavPath;
  piano::OfflineRenderer::Settings settings;
  settings.sampleDir = PIANO_DEFAULT_SAMPLE_DIR;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    double number = 0.0;
    if (arg == "--help" || arg == "-h") {
      usage(argv[0]);
      return 0;
    } else if (arg == "--samples" && i + 1 < argc) {
      settings.sampleDir = argv[++i];
    } else if (arg == "--buffer" && i + 1 < argc && parseNumber(argv[i + 1], number) && number <= 65536) {
      settings.bufferFrames = static_cast<int>(number);
      ++i;
    } else if (arg == "--max-seconds" && i + 1 < argc && parseNumber(argv[i + 1], number)) {
      settings.maxSeconds = number;
      ++i;
    } else if (!arg.empty() && arg[0] != '-' && songPath.empty()) {
      songPath = arg;
    } else if (!arg.empty() && arg[0] != '-' && wavPath.empty()) {
      wavPath = arg;
    } else {
      return usage(argv[0]);
    }
  }
  if (songPath.empty() || wavPath.empty()) return usage(argv[0]);

  // The application's own reader: the songs it refuses are refused here too.
  const auto file = piano::FileManager::readStateFile(songPath);
  if (file.status != piano::FileManager::StateFile::Status::kOk) {
    std::fprintf(stderr, "%s: not a readable song: %s\n", songPath.c_str(), file.problem.c_str());
    return 1;
  }

  piano::OfflineRenderer renderer(settings);
  if (renderer.soundPlayer().sampleSlot(39).rawDataSize < 1) {
    std::fprintf(stderr, "No piano samples in \"%s\" (try --samples DIR).\n", settings.sampleDir.c_str());
    return 1;
  }
  if (!renderer.loadStateText(file.text)) {
    std::fprintf(stderr, "%s: not a readable song\n", songPath.c_str());
    return 1;
  }
  const int notes = renderer.noteRecorder().getNumNotes();

  piano::platform::WavWriter wav;
  if (!wav.open(wavPath, piano::platform::kSampleRate, piano::platform::kChannels)) {
    std::fprintf(stderr, "%s: cannot write\n", wavPath.c_str());
    return 1;
  }
  const auto began = std::chrono::steady_clock::now();
  // The same output stage as the application's, at full volume.
  piano::platform::OutputLimiter limiter;
  std::vector<std::int16_t> buffer;
  const auto result = renderer.render([&](const std::int16_t* frames, int count) {
    buffer.assign(frames, frames + 2 * count);
    limiter.process({buffer.data(), count}, piano::kSampleSetMakeUpGain);
    return wav.write(buffer.data(), static_cast<std::size_t>(count));
  });
  const bool written = wav.close();
  const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  if (!written) {
    std::fprintf(stderr, "%s: writing failed\n", wavPath.c_str());
    return 1;
  }
  const double audioSeconds = static_cast<double>(result.frames) / piano::platform::kSampleRate;
  std::printf("%s: %d notes, %d presses played, %.2f s of audio in %.3f s (%.0fx real time)%s -> %s\n",
              songPath.c_str(), notes, result.pressesPlayed, audioSeconds, wallSeconds,
              wallSeconds > 0 ? audioSeconds / wallSeconds : 0.0, result.songEnded ? "" : " [cut short]",
              wavPath.c_str());
  return 0;
}
