// The piano program: opens the window, starts the sound, builds the application
// (MainView) and runs the main loop until the window closes, Ctrl+C, SIGTERM or
// a hang-up (the terminal closed); then the song and settings are saved for the
// next start.
//
// Headless: `--script FILE` plays a script of timed touches on an off-screen
// window with a clock that moves only as the script does (docs/headless.md),
// writing the sound to `--wav FILE` and screenshots where the script asks.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/demo_phrase.h"
#include "app/main_view.h"
#include "audio/sound_player.h"
#include "platform/documents.h"
#include "platform/localized_strings.h"
#include "platform/manual_clock.h"
#include "platform/paced_audio_output.h"
#include "platform/resources.h"
#include "platform/run_loop.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_display.h"
#include "platform/touch_script.h"
#include "platform/url_opener.h"
#include "platform/volume_view.h"
#include "platform/midi_ports.h"
#include "recording/note_recorder.h"

namespace {

struct Arguments {
  std::string sampleDir = PIANO_DEFAULT_SAMPLE_DIR;
  std::string wavPath;
  std::string scriptPath;
  std::string language;
  bool noAudio = false;
  bool demo = false;
  bool midi = true;
  bool jackMidi = false;
};

void usage() {
  std::printf(
      "usage: piano [options]\n"
      "  --samples DIR     folder of the .mav sample set (default: the built set, or $PIANO_SAMPLE_DIR)\n"
      "  --documents DIR   where songs and settings are kept (default: $PIANO_DOCUMENTS_DIR,\n"
      "                    else the XDG data folder, ~/.local/share/piano)\n"
      "  --language CODE   language of the texts: en or zh-Hans (default: from the locale)\n"
      "  --wav FILE        write the sound to a WAV file instead of the sound card\n"
      "  --no-audio        play into nothing (no sound card needed)\n"
      "  --no-midi         leave MIDI devices alone (default: play from every MIDI input,\n"
      "                    send every note to the output port \"piano out\")\n"
      "  --jack-midi       MIDI through the JACK server (default: the ALSA sequencer)\n"
      "  --script FILE     run a script of timed touches off screen (see docs/headless.md)\n"
      "  --demo            only play a short phrase through the engine, without a window\n"
      "  --tall, --normal  the 568 x 320 or the 480 x 320 layout (default: from the display)\n"
      "  --offscreen       no window on the screen\n"
      "  --scale N         pixels per point of the picture (also --scale=N)\n");
}

bool parseArguments(int argc, char** argv, Arguments& a) {
  if (const char* env = std::getenv("PIANO_SAMPLE_DIR")) a.sampleDir = env;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string documents;
    if (arg == "--samples") {
      if (!value(a.sampleDir)) return false;
    } else if (arg == "--documents") {
      if (!value(documents)) return false;
      // Never the default folder in place of the one asked for.
      if (documents.empty()) {
        std::printf("--documents needs the name of a folder\n");
        return false;
      }
      piano::platform::setDocumentsDirectoryOverride(documents);
      if (const auto folder = piano::platform::documentsDirectory(); !folder.ok()) {
        std::printf("--documents %s: %s\n", documents.c_str(), folder.error.c_str());
        return false;
      }
    } else if (arg == "--language") {
      if (!value(a.language)) return false;
    } else if (arg == "--wav") {
      if (!value(a.wavPath)) return false;
    } else if (arg == "--script") {
      if (!value(a.scriptPath)) return false;
    } else if (arg == "--no-audio") {
      a.noAudio = true;
    } else if (arg == "--demo") {
      a.demo = true;
    } else if (arg == "--no-midi") {
      a.midi = false;
    } else if (arg == "--jack-midi") {
      a.jackMidi = true;
    } else {
      std::printf("Unknown option %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

int playDemo(const Arguments& a) {
  using namespace piano;
  if (!a.wavPath.empty()) {
    platform::WavFileAudioOutput output(a.wavPath, /*paced=*/false);
    SoundPlayer engine({&output, a.sampleDir, {}});
    double rendered = 0.0;
    playDemoPhrase(engine, [&](double t) {
      output.renderFrames(static_cast<long long>((t - rendered) * platform::kSampleRate));
      rendered = static_cast<double>(output.framesRendered()) / platform::kSampleRate;
    });
    engine.stop();
    return output.finish() ? 0 : 1;
  }
  platform::SdlAudioOutput output;
  SoundPlayer engine({&output, a.sampleDir, {}});
  const auto start = std::chrono::steady_clock::now();
  playDemoPhrase(engine, [&](double t) {
    std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                              std::chrono::duration<double>(t)));
  });
  engine.stop();
  return 0;
}

// The headless run: everything moves with the script's clock. Playback passes
// and the sound are stepped every millisecond of that clock, so the result is
// the same on every run, however busy the machine.
int runScript(const Arguments& a, const piano::platform::DisplayOptions& displayOptions) {
  using namespace piano;
  platform::TouchScript script;
  std::string error;
  if (!platform::TouchScript::load(a.scriptPath, &script, &error)) {
    std::printf("Cannot run the script: %s\n", error.c_str());
    return 2;
  }
  platform::ManualClock clock(1000.0);
  platform::RunLoop loop(clock.function());
  platform::DisplayOptions options = displayOptions;
  options.offscreen = true;
  auto display = platform::Display::open(options, loop, &error);
  if (!display) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  std::unique_ptr<platform::PacedAudioOutput> output;
  if (!a.wavPath.empty()) {
    auto wav = std::make_unique<platform::WavFileAudioOutput>(a.wavPath, /*paced=*/false);
    if (!wav->isOpen()) {
      std::printf("Cannot write %s\n", a.wavPath.c_str());
      return 1;
    }
    output = std::move(wav);
  } else {
    output = std::make_unique<platform::NullAudioOutput>(/*paced=*/false);
  }

  platform::setSystemAudioOutput(output.get());
  MainView::Options o;
  o.runLoop = &loop;
  o.output = output.get();
  o.sampleDir = a.sampleDir;
  o.clock = clock.function();
  o.startPlaybackThread = false;
  if (!a.language.empty()) o.language = a.language;
  auto mainView = MainView::create(o);
  display->window().setRootView(mainView);

  const double start = clock.now();
  std::function<void()> everyMillisecond = [&] {
    mainView->noteRecorder().playbackPass();
    const auto due = static_cast<long long>((clock.now() - start) * platform::kSampleRate);
    output->renderFrames(due - output->framesRendered());
    loop.performAfterDelay(0.001, everyMillisecond);
  };
  loop.performAfterDelay(0.0, everyMillisecond);
  const bool ok = display->runScript(script, clock);
  mainView->applicationWillTerminate();
  // The application goes before the output it plays into.
  display->window().setRootView(nullptr);
  mainView.reset();
  if (auto* wav = dynamic_cast<platform::WavFileAudioOutput*>(output.get()); wav && !wav->finish()) {
    std::printf("Writing %s failed\n", a.wavPath.c_str());
    return 1;
  }
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace piano;
  platform::DisplayOptions displayOptions;
  std::string error;
  if (!platform::DisplayOptions::fromArguments(&argc, argv, &displayOptions, &error)) {
    std::printf("%s\n", error.c_str());
    usage();
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
      usage();
      return 0;
    }
  }
  Arguments a;
  if (!parseArguments(argc, argv, a)) {
    usage();
    return 2;
  }
  if (a.demo) return playDemo(a);

  const std::string language = a.language.empty() ? platform::preferredLanguage() : a.language;
  platform::localizedStrings().load(platform::resourceDirectory() + "/strings", language);
  if (!a.scriptPath.empty()) return runScript(a, displayOptions);

  platform::RunLoop loop;
  auto display = platform::Display::open(displayOptions, loop, &error);
  if (!display) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  std::unique_ptr<platform::AudioOutput> output;
  if (!a.wavPath.empty()) {
    output = std::make_unique<platform::WavFileAudioOutput>(a.wavPath, /*paced=*/true);
  } else if (a.noAudio) {
    output = std::make_unique<platform::NullAudioOutput>(/*paced=*/true);
  } else {
    output = std::make_unique<platform::SdlAudioOutput>();
  }
  platform::setSystemAudioOutput(output.get());
  std::unique_ptr<platform::MidiConnection> midi;
#ifdef PIANO_HAVE_MIDI
  if (a.midi) {
    platform::MidiPorts::Options midiOptions;
    midiOptions.jack = a.jackMidi;
    midi = platform::MidiPorts::open(loop, midiOptions, &error);
    if (!midi) std::printf("No MIDI: %s\n", error.c_str());
  }
#endif
  MainView::Options o;
  o.runLoop = &loop;
  o.output = output.get();
  o.midi = midi.get();
  o.sampleDir = a.sampleDir;
  o.language = language;
  o.openUrl = [&loop](const std::string& address, std::function<void(bool)> done) {
    platform::openUrl(address, loop, std::move(done));
  };
  o.disableIdleTimer = [&display] { display->disableScreenSaver(); };
  auto mainView = MainView::create(o);
  display->window().setRootView(mainView);
  const int status =
      display->run([&] { mainView->applicationWillTerminate(); }, [&] { mainView->saveState(); });
  // The application goes before the output it plays into.
  display->window().setRootView(nullptr);
  mainView.reset();
  output.reset();
  return status;
}
