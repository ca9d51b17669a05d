// Fuzz target for the state-text reader, in the libFuzzer form. Whatever the
// bytes, reading must not crash, and what it leaves must be a well-formed song
// and settings in range that save and read back to the same text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "audio/sound_player.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"

namespace {

using piano::Note;
using piano::NoteRecorder;

void check(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "state text fuzz: %s\n", what), std::abort();
}

// The settings section is the root view's; it is read whole and written back
// unchanged, so the recorder's section is what this target reads.
struct KeptSection : piano::StateSection {
  std::string getState() const override { return "-8e-05|-1.6e-05|0|0|1|1|1|8|0|28|28|52|"; }
  bool setState(std::string_view, int) override { return true; }
  void resetState() override {}
};

struct Target {
  double clock = 0.0;
  piano::platform::RunLoop loop{[this] { return clock; }};
  piano::SoundPlayer player{{nullptr, {}, [this] { return clock; }}};
  piano::Metronome metronome{player, loop};
  NoteRecorder recorder{nullptr, player, metronome, loop, {[this] { return clock; }, {}, false, {}}};
  KeptSection main;
  piano::FileManager files{main, recorder, "/nonexistent"};
  std::vector<std::int16_t> buffer = std::vector<std::int16_t>(512);

  Target() {
    for (int s = 0; s < piano::kNumSampleSlots; ++s) player.setSampleData(s, std::vector<std::int16_t>(441, 9000));
  }

  void checkSong() {
    const auto song = recorder.notesSnapshot();
    check(song.size() <= NoteRecorder::kMaxNotes, "too many notes");
    std::unordered_map<int, std::size_t> lastRelease;
    for (std::size_t i = 0; i < song.size(); ++i) song[i].keyDown ? void() : void(lastRelease[song[i].noteID] = i);
    const auto in = [](auto value, auto low, auto high) { return value >= low && value <= high; };
    for (std::size_t i = 0; i < song.size(); ++i) {
      const Note& n = song[i];
      check(in(n.sampleNo, 0, piano::kNumPianoKeys - 1) && std::isfinite(n.time) && n.time >= 0 &&
                in(n.noteID, 0, recorder.currentNoteID() - 1), "a slot, time or note ID out of range");
      check(in(n.volume, 0, 1) && in(n.attackDelta, 0, 1) && in(n.releaseDelta, -1, 0), "a level or rate out of range");
      check(!n.keyDown || lastRelease[n.noteID] > i, "a press without a later release");
    }
    check(in(metronome.getMetronomeTempo(), 50, 250) && in(metronome.getMetronomeBeatsPerBar(), 1, 6) &&
              in(metronome.getMetronomeVolume(), 0, 1), "a metronome setting out of range");
  }

  void run(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    check(files.applyStateText(text) == piano::FileManager::checkStateText(text).empty(),
          "the check of a text and its loading disagree");
    checkSong();
    const std::string saved = files.stateText();
    check(files.applyStateText(saved), "a saved text does not read back");
    check(files.stateText() == saved, "a saved text reads back differently");

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
