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
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/demo_phrase.h"
#include "app/main_view.h"
#include "app/song_commands.h"
#include "audio/sound_player.h"
#include "platform/documents.h"
#include "platform/localized_strings.h"
#include "platform/manual_clock.h"
#include "platform/midi_ports.h"
#include "platform/paced_audio_output.h"
#include "platform/resources.h"
#include "platform/run_loop.h"
#include "platform/sample_arrivals.h"
#include "platform/sdl_sound_card.h"
#include "platform/sdl_display.h"
#include "platform/test_probe.h"
#include "platform/touch_script.h"
#include "platform/url_opener.h"
#include "platform/volume_view.h"
#include "platform/window.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"

namespace {

struct Arguments {
  std::string sampleDir = PIANO_DEFAULT_SAMPLE_DIR;
  std::string wavPath;
  std::string scriptPath;
  std::string language;
  int bufferFrames = 0;  // 0: the smallest that plays cleanly
  bool noAudio = false;
  bool demo = false;
  // A job on song files that runs instead of the window (--render,
  // --export-midi, --import-midi) and its two arguments; a file named on its own
  // (as the desktop opens a MIDI file with the program) is imported at start.
  std::string songJob, jobFrom, jobTo, openFile;
  bool midi = true;
  bool jackMidi = false;
};

void usage() {
  std::printf(
      "usage: piano [options]\n"
      "  --samples DIR     folder of the .mav sample set (default: $PIANO_SAMPLE_DIR, else the\n"
      "                    installed set, else the built one)\n"
      "  --documents DIR   where songs and settings are kept (default: $PIANO_DOCUMENTS_DIR,\n"
      "                    else the XDG data folder, ~/.local/share/piano)\n"
      "  --language CODE   language of the texts: en or zh-Hans (default: from the locale)\n"
      "  --wav FILE        write the sound to a WAV file instead of the sound card\n"
      "  --no-audio        play into nothing (no sound card needed)\n"
      "  --buffer N        frames per buffer of the sound card, 32 to 8192 (default: 128, more\n"
      "                    by itself when the output falls behind)\n"
      "  --no-midi         leave MIDI devices alone (default: play from every MIDI input,\n"
      "                    send every note to the output port \"piano out\")\n"
      "  --jack-midi       MIDI through the JACK server (default: the ALSA sequencer)\n"
      "  --script FILE     run a script of timed touches off screen (see docs/headless.md)\n"
      "  --demo            only play a short phrase through the engine, without a window\n"
      "  --tall, --normal  the 568 x 320 or the 480 x 320 layout (default: from the display)\n"
      "  --offscreen       no window on the screen\n"
      "  --scale N         pixels per point of the picture (also --scale=N)\n"
      "  --render SONG.SAV OUT.wav         play a song into a WAV file, without a window\n"
      "  --export-midi SONG.SAV OUT.mid    write a song as a MIDI file\n"
      "  --import-midi IN.mid NAME         add a MIDI file to the song library as NAME\n"
      "  FILE.mid          start with the MIDI file added to the song library\n");
}

bool parseArguments(int argc, char** argv, Arguments& a) {
  // Installed, the sample set lies with the other data; built, in the build folder.
  if (const std::string installed = piano::platform::installedDataDirectory(); !installed.empty()) {
    a.sampleDir = installed + "/samples";
  }
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
    } else if (arg == "--buffer") {
      std::string frames;
      if (!value(frames)) return false;
      char* end = nullptr;
      const long n = std::strtol(frames.c_str(), &end, 10);
      if (frames.empty() || *end != '\0' || n < piano::platform::kMinimumBufferFrames ||
          n > piano::platform::kMaximumBufferFrames) {
        std::printf("--buffer needs a number of frames from %d to %d\n", piano::platform::kMinimumBufferFrames,
                    piano::platform::kMaximumBufferFrames);
        return false;
      }
      a.bufferFrames = static_cast<int>(n);
    } else if (arg == "--no-audio") {
      a.noAudio = true;
    } else if (arg == "--demo") {
      a.demo = true;
    } else if (arg == "--render" || arg == "--export-midi" || arg == "--import-midi") {
      a.songJob = arg;
      if (!value(a.jobFrom) || !value(a.jobTo)) return false;
    } else if (arg == "--no-midi") {
      a.midi = false;
    } else if (arg == "--jack-midi") {
      a.jackMidi = true;
    } else if (!arg.empty() && arg[0] != '-' && a.openFile.empty()) {
      a.openFile = arg;
    } else {
      std::printf("Unknown option %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

int runSongJob(const Arguments& a) {
  using namespace piano;
  if (a.songJob == "--render") return renderSongToWav(a.jobFrom, a.jobTo, a.sampleDir);
  if (a.songJob == "--export-midi") return exportSongToMidi(a.jobFrom, a.jobTo);
  // The song takes the player's settings, as a song saved in the program would.
  const std::string folder = platform::documentsDirectory().path;
  const auto state = FileManager::readStateFile(platform::documentsPath(folder, MainView::kStateFileName));
  const MidiImport result = importMidiToLibrary(a.jobFrom, a.jobTo, folder, state.text);
  std::fprintf(result.ok ? stdout : stderr, "%s\n", result.message.c_str());
  return result.ok ? 0 : 1;
}

// Files dropped on the window, and one named at start, are MIDI files to import.
void acceptFiles(piano::platform::Window& window, const std::shared_ptr<piano::MainView>& mainView,
                 const std::string& openFile) {
  window.setFileHandler([view = mainView.get()](const std::string& path) { view->importMidiFile(path); });
  if (!openFile.empty()) mainView->importMidiFile(openFile);
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
  const auto card = platform::makeSoundCard(a.bufferFrames);
  SoundPlayer engine({card.get(), a.sampleDir, {}});
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
  acceptFiles(display->window(), mainView, a.openFile);

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
  platform::clearProbes();
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
  if (!a.songJob.empty()) return runSongJob(a);

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
  std::function<void()> keepUp;
  if (!a.wavPath.empty()) {
    output = std::make_unique<platform::WavFileAudioOutput>(a.wavPath, /*paced=*/true);
  } else if (a.noAudio) {
    output = std::make_unique<platform::NullAudioOutput>(/*paced=*/true);
  } else {
    auto card = platform::makeSoundCard(a.bufferFrames);
    // Half a second between looks: soon enough to step up before a player
    // hears many clicks, rare enough to cost nothing when idle.
    keepUp = [&loop, &keepUp, card = card.get()] {
      card->keepUp(loop.now());
      loop.performAfterDelay(0.5, keepUp);
    };
    loop.performAfterDelay(0.5, keepUp);
    output = std::move(card);
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
  // Where the samples arrive while the program runs (the browser), the engine
  // starts empty and each key plays once its own sample is in, the keys on
  // the screen first.
  const bool samplesArrive = platform::samplesArriveWhileRunning();
  if (samplesArrive) o.sampleDir.clear();
  auto mainView = MainView::create(o);
  display->window().setRootView(mainView);
  acceptFiles(display->window(), mainView, a.openFile);
  platform::exposeProbe("voices started", [&mainView] {
    return static_cast<double>(mainView->soundPlayer().startedVoiceCount());
  });
  platform::exposeProbe("voices sounding", [&mainView] {
    return static_cast<double>(mainView->soundPlayer().activeVoiceCount());
  });
  if (samplesArrive) {
    std::vector<platform::SampleFile> files;
    for (const int slot : mainView->sampleLoadOrder()) files.push_back({slot, SoundPlayer::sampleFileName(slot)});
    platform::requestSamples(a.sampleDir, files, [engine = &mainView->soundPlayer()](int slot, const std::string& path) {
      engine->loadArrivedSample(slot, path);
    });
  }
  const int status =
      display->run([&] { mainView->applicationWillTerminate(); }, [&] { mainView->saveState(); });
  // The application goes before the output it plays into.
  platform::clearProbes();
  display->window().setRootView(nullptr);
  mainView.reset();
  output.reset();
  return status;
}
