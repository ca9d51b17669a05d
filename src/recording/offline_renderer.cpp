#include "recording/offline_renderer.h"

#include <algorithm>
#include <vector>

#include "audio/sound_player.h"
#include "platform/run_loop.h"
#include "recording/file_manager.h"
#include "recording/note_recorder.h"
#include "recording/state_text.h"

namespace piano {

namespace {

// Counts what playback shows on the keys, and merges like the root view would.
class CountingParent final : public RecorderParent {
 public:
  void mechanicalKeyPressDownForTrigger(int) override { ++presses; }
  void mechanicalKeyPressUpForTrigger(int) override { ++releases; }
  void playbackEnded() override {}
  void liftAllKeysAndStopRecording() override {
    if (recorder != nullptr) recorder->addOverdubNotes();
  }
  NoteRecorder* recorder = nullptr;
  int presses = 0;
  int releases = 0;
};

// Of the main section only the panning switch (field 6) changes the sound; the
// section is kept whole to be written back.
class PanningSection final : public StateSection {
 public:
  PanningSection(SoundPlayer& player, std::string fresh) : player_(player), fresh_(std::move(fresh)), text_(fresh_) {}
  std::string getState() const override { return text_; }
  bool setState(std::string_view section, int version) override {
    text_ = section;
    state_text::FieldReader fields(section);
    if (fields.remaining() < (version == 2 ? 12u : 7u)) return false;
    std::string_view skipped;
    for (int i = 0; i < 6; ++i) fields.nextField(skipped);
    int panning = 0;
    fields.nextInt(panning);
    player_.setPianoNotePanning(panning == 1);
    return true;
  }
  void resetState() override {
    player_.setPianoNotePanning(true);
    text_ = fresh_;
  }

 private:
  SoundPlayer& player_;
  std::string fresh_;
  std::string text_;
};

}  // namespace

struct OfflineRenderer::Parts {
  Parts(OfflineRenderer& owner, const Settings& settings, std::string fresh)
      : loop([&owner] { return owner.time_; }),
        player(SoundPlayer::Options{nullptr, settings.sampleDir, [&owner] { return owner.time_; }}),
        metronome(player, loop),
        recorder(&parent, player, metronome, loop,
                 NoteRecorder::Options{[&owner] { return owner.time_; }, {}, /*startPlaybackThread=*/false, {}}),
        panning(player, std::move(fresh)),
        files(panning, recorder, "/nonexistent") {
    parent.recorder = &recorder;
  }
  platform::RunLoop loop;
  CountingParent parent;
  SoundPlayer player;
  Metronome metronome;
  NoteRecorder recorder;
  PanningSection panning;
  FileManager files;
};

OfflineRenderer::OfflineRenderer(Settings settings, std::string freshMainSection)
    : settings_(std::move(settings)), parts_(std::make_unique<Parts>(*this, settings_, std::move(freshMainSection))) {
  settings_.bufferFrames = std::clamp(settings_.bufferFrames, 1, 1 << 16);
}

OfflineRenderer::~OfflineRenderer() = default;

SoundPlayer& OfflineRenderer::soundPlayer() { return parts_->player; }
NoteRecorder& OfflineRenderer::noteRecorder() { return parts_->recorder; }
Metronome& OfflineRenderer::metronome() { return parts_->metronome; }

bool OfflineRenderer::loadStateText(std::string_view text) { return parts_->files.applyStateText(text); }
std::string OfflineRenderer::stateText() const { return parts_->files.stateText(); }

OfflineRenderer::Result OfflineRenderer::render(const Sink& sink) {
  Result result;
  Parts& p = *parts_;
  const int pressesBefore = p.parent.presses;
  const int releasesBefore = p.parent.releases;
  const double start = time_;
  if (!p.recorder.play()) {
    result.songEnded = true;
    return result;
  }
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(settings_.bufferFrames) * platform::kChannels);
  bool ended = false;
  double tailStart = 0.0;
  for (;;) {
    time_ = start + static_cast<double>(result.frames) / platform::kSampleRate;
    p.recorder.playbackPass();
    p.loop.runDue();
    if (!ended && p.recorder.getNRState() == RecorderState::kIdle) {
      ended = true;
      result.songEnded = true;
      tailStart = time_;
    }
    if (!ended && time_ - start >= settings_.maxSeconds) {
      p.recorder.stop();
      ended = true;
      tailStart = time_;
    }
    if (ended && (p.player.activeVoiceCount() == 0 || time_ - tailStart >= settings_.maxTailSeconds)) break;
    p.player.render({buffer.data(), settings_.bufferFrames});
    if (!sink(buffer.data(), settings_.bufferFrames)) {
      result.songEnded = false;
      p.recorder.stop();
      break;
    }
    result.frames += static_cast<std::uint64_t>(settings_.bufferFrames);
  }
  // Let the stop reach the main-loop side, as it would in the application.
  p.recorder.playbackPass();
  p.loop.runDue();
  result.pressesPlayed = p.parent.presses - pressesBefore;
  result.releasesPlayed = p.parent.releases - releasesBefore;
  return result;
}

}  // namespace piano
