// Fuzz target for the state-text reader, in the libFuzzer form. Whatever the
// bytes, reading must not crash, and what it leaves must be a well-formed song
// and settings in range that save and read back to the same text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "../recorder_support.h"
#include "recording/file_manager.h"
#include "recording/state_text.h"

namespace {

using piano::Note;
using piano::NoteRecorder;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "state text fuzz: %s\n", what);
  std::abort();
}

struct Target {
  double clock = 0.0;
  piano::platform::RunLoop loop{[this] { return clock; }};
  piano::SoundPlayer player{piano::SoundPlayer::Options{nullptr, {}, [this] { return clock; }}};
  piano::Metronome metronome{player, loop};
  NoteRecorder recorder{nullptr, player, metronome, loop,
                        NoteRecorder::Options{[this] { return clock; }, {}, false, {}}};
  piano::testing::FakeMainSection main;
  piano::FileManager files{main, recorder, "/nonexistent"};
  std::vector<std::int16_t> buffer = std::vector<std::int16_t>(512);

  Target() { piano::testing::fillSlots(player, 0.01); }

  void checkSong() {
    const auto song = recorder.notesSnapshot();
    if (song.size() > NoteRecorder::kMaxNotes) fail("too many notes");
    std::unordered_map<int, std::size_t> lastRelease;
    for (std::size_t i = 0; i < song.size(); ++i) {
      const Note& note = song[i];
      if (note.sampleNo < 0 || note.sampleNo >= piano::kNumPianoKeys) fail("slot out of range");
      if (!std::isfinite(note.time) || note.time < 0) fail("bad time");
      if (note.noteID < 0 || note.noteID >= recorder.currentNoteID()) fail("note ID not below the next ID");
      if (!(note.volume >= 0 && note.volume <= 1)) fail("volume out of range");
      if (!(note.attackDelta >= 0 && note.attackDelta <= 1)) fail("attack out of range");
      if (!(note.releaseDelta >= -1 && note.releaseDelta <= 0)) fail("release out of range");
      if (!note.keyDown) lastRelease[note.noteID] = i;
    }
    for (std::size_t i = 0; i < song.size(); ++i) {
      if (!song[i].keyDown) continue;
      const auto found = lastRelease.find(song[i].noteID);
      if (found == lastRelease.end() || found->second < i) fail("press without a later release");
    }
    const int bpm = metronome.getMetronomeTempo();
    const int beats = metronome.getMetronomeBeatsPerBar();
    const float volume = metronome.getMetronomeVolume();
    if (bpm < 50 || bpm > 250 || beats < 1 || beats > 6 || !(volume >= 0 && volume <= 1)) {
      fail("metronome setting out of range");
    }
  }

  void run(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    files.applyStateText(text);
    checkSong();

    const std::string saved = files.stateText();
    if (!files.applyStateText(saved)) fail("a saved text does not read back");
    if (files.stateText() != saved) fail("a saved text reads back differently");

    // Play whatever was read, in a few big steps, with erasures in between.
    if (recorder.play()) {
      for (int step = 0; step < 4; ++step) {
        clock += 0.7 + step * 50.0;
        recorder.playbackPass();
        player.render({buffer.data(), 256});
        if (step == 1) recorder.eraseLastXNotes(2);
        if (step == 2) recorder.eraseLastOverdub();
      }
      recorder.stop();
      recorder.playbackPass();
    }
    loop.runDue();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Target target;
  target.run(data, size);
  return 0;
}
