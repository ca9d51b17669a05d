#include "app/song_commands.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "app/main_view.h"
#include "audio/sample_level.h"
#include "audio/sound_player.h"
#include "keyboard/keyboard_settings.h"
#include "platform/documents.h"
#include "platform/file_io.h"
#include "platform/output_limiter.h"
#include "platform/wav_file.h"
#include "recording/file_manager.h"
#include "recording/metronome.h"
#include "recording/midi_file.h"
#include "recording/midi_song.h"
#include "recording/note_recorder.h"
#include "recording/offline_renderer.h"
#include "screens/library/song_files.h"

namespace piano {

namespace {

// The song file read as the application reads it, or a line on the standard
// error saying why not.
bool readSong(const std::string& path, std::string& text) {
  auto file = FileManager::readStateFile(path);
  if (file.status != FileManager::StateFile::Status::kOk) {
    std::fprintf(stderr, "%s: not a readable song: %s\n", path.c_str(), file.problem.c_str());
    return false;
  }
  text = std::move(file.text);
  return true;
}

// A song engine without output; before a song is loaded it holds a fresh start's settings.
struct SongEngine : OfflineRenderer {
  explicit SongEngine(const std::string& sampleDir = {}) : OfflineRenderer(samples(sampleDir), MainView::freshMainSection()) {}
  static Settings samples(const std::string& sampleDir) {
    Settings settings;
    settings.sampleDir = sampleDir;
    return settings;
  }
};

}  // namespace

int renderSongToWav(const std::string& songPath, const std::string& wavPath, const std::string& sampleDir) {
  std::string text;
  if (!readSong(songPath, text)) return 1;
  SongEngine renderer(sampleDir);
  if (renderer.soundPlayer().sampleSlot(39).rawDataSize < 1) {
    std::fprintf(stderr, "No piano samples in \"%s\" (try --samples DIR).\n", sampleDir.c_str());
    return 1;
  }
  renderer.loadStateText(text);
  platform::WavWriter wav;
  if (!wav.open(wavPath, platform::kSampleRate, platform::kChannels)) {
    std::fprintf(stderr, "%s: cannot write\n", wavPath.c_str());
    return 1;
  }
  const auto began = std::chrono::steady_clock::now();
  // The same output stage as the application's, at full volume.
  platform::OutputLimiter limiter;
  std::vector<std::int16_t> buffer;
  const auto result = renderer.render([&](const std::int16_t* frames, int count) {
    buffer.assign(frames, frames + 2 * count);
    limiter.process({buffer.data(), count}, kSampleSetMakeUpGain);
    return wav.write(buffer.data(), static_cast<std::size_t>(count));
  });
  const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  if (!wav.close()) {
    std::fprintf(stderr, "%s: writing failed\n", wavPath.c_str());
    return 1;
  }
  const double audioSeconds = static_cast<double>(result.frames) / platform::kSampleRate;
  std::printf("%s: %d notes, %d presses played, %.2f s of audio in %.3f s%s -> %s\n", songPath.c_str(),
              renderer.noteRecorder().getNumNotes(), result.pressesPlayed, audioSeconds, wallSeconds,
              result.songEnded ? "" : " [cut short]", wavPath.c_str());
  return 0;
}

int exportSongToMidi(const std::string& songPath, const std::string& midiPath) {
  std::string text;
  if (!readSong(songPath, text)) return 1;
  SongEngine song;
  song.loadStateText(text);
  const std::vector<Note> notes = song.noteRecorder().notesSnapshot();
  const std::string bytes =
      midi::songToFile(notes, song.metronome().getMetronomeTempo(), song.metronome().getMetronomeBeatsPerBar());
  if (!platform::writeFileAtomically(midiPath, bytes)) {
    std::fprintf(stderr, "%s: cannot write\n", midiPath.c_str());
    return 1;
  }
  std::printf("%s: %zu notes at %d beats a minute -> %s\n", songPath.c_str(), notes.size() / 2,
              song.metronome().getMetronomeTempo(), midiPath.c_str());
  return 0;
}

MidiImport importMidiToLibrary(const std::string& midiPath, const std::string& name,
                               const std::string& documentsDirectory, std::string_view baseStateText) {
  MidiImport result;
  const auto failed = [&](const std::string& why) {
    result.message = midiPath + ": " + why;
    return result;
  };
  const platform::FileContents file = platform::readFileLimited(midiPath, midi::kMaxFileBytes);
  switch (file.status) {
    case platform::ReadStatus::kOk: break;
    case platform::ReadStatus::kMissing: return failed("no such file");
    case platform::ReadStatus::kTooLarge: return failed("larger than any MIDI file of music");
    case platform::ReadStatus::kNotAFile: return failed("not a regular file");
    case platform::ReadStatus::kError: return failed("cannot be read");
  }
  const KeyboardSettings fresh;
  const midi::ImportedSong imported = midi::fileToSong(
      file.bytes, {static_cast<float>(fresh.sustainTimeNormal), static_cast<float>(fresh.sustainTimePedal)});
  if (!imported.problem.empty()) return failed("not a usable MIDI file: " + imported.problem);

  std::string songName = SongFiles::makeFileSafe(name);
  if (songName.empty() || songName.size() > SongFiles::kMaxNameBytes) return failed("no usable song name");
  const SongFiles library(documentsDirectory, {});
  if (library.exists(SongFiles::fileNameForSong(songName))) songName = library.freeNumberedName(songName);

  SongEngine song;
  if (!baseStateText.empty()) song.loadStateText(baseStateText);
  song.noteRecorder().replaceSong(imported.notes);
  if (imported.beatsPerMinute > 0) song.metronome().setMetronomeTempo(imported.beatsPerMinute);
  if (imported.beatsPerBar > 0) song.metronome().setMetronomeBeatsPerBar(imported.beatsPerBar);
  if (documentsDirectory.empty() ||
      !platform::writeFileAtomically(library.pathOf(SongFiles::fileNameForSong(songName)), song.stateText())) {
    return failed("the song could not be saved in \"" + documentsDirectory + "\"");
  }
  result.ok = true;
  result.songName = songName;
  result.message = "\"" + songName + "\": " + std::to_string(imported.notes.size() / 2) + " notes";
  if (imported.notesLeftOut > 0) {
    result.message += "; " + std::to_string(imported.notesLeftOut) + " more were left out (a song holds " +
                      std::to_string(midi::maxImportedNotes()) + ")";
  }
  if (imported.notesOutsideRange > 0) {
    result.message +=
        "; " + std::to_string(imported.notesOutsideRange) + " drum notes or notes beyond the piano's keys were dropped";
  }
  return result;
}

std::string songNameForFile(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace piano
