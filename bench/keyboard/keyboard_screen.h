// The keyboard screen wired as the application wires it (sound engine with
// the built samples, recorder with its playback thread, the portrait container
// turned onto the landscape window), for the keyboard benchmarks, and an
// output that notes when the first sound comes.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>
#include <memory>
#include <string>

#include "audio/sound_player.h"
#include "keyboard/keyboard_view.h"
#include "platform/paced_audio_output.h"
#include "platform/run_loop.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "recording/note_recorder.h"
#include "recording/recorder_parent.h"

namespace piano::bench {

using Clock = std::chrono::steady_clock;

inline std::int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// A paced null output that notes when the first sound comes after being armed.
class ListeningOutput final : public platform::PacedAudioOutput {
 public:
  ListeningOutput() : PacedAudioOutput(true) {}
  ~ListeningOutput() override { stop(); }
  const char* describe() const override { return "paced null output"; }

  void arm() {
    heardAt_.store(0, std::memory_order_relaxed);
    armed_.store(true, std::memory_order_release);
  }
  std::int64_t heardAt() const { return heardAt_.load(std::memory_order_acquire); }
  // How late the pulling thread was, against its schedule, at the heard buffer.
  std::int64_t lateNs() const { return lateNs_.load(std::memory_order_acquire); }

 protected:
  void consume(platform::StereoBuffer sound) override {
    // The output pulls buffer n at first + n periods (an absolute schedule).
    const std::int64_t now = nowNs();
    if (buffers_ == 0) firstNs_ = now;
    const std::int64_t scheduled = firstNs_ + static_cast<std::int64_t>(static_cast<double>(buffers_) * kPeriodNs);
    ++buffers_;
    if (!armed_.load(std::memory_order_acquire)) return;
    for (std::size_t i = 0; i < sound.sampleCount(); ++i) {
      if (sound.samples[i] != 0) {
        armed_.store(false, std::memory_order_relaxed);
        lateNs_.store(now - scheduled, std::memory_order_relaxed);
        heardAt_.store(now, std::memory_order_release);
        return;
      }
    }
  }

 private:
  static constexpr double kPeriodNs = 256.0 / 44100.0 * 1e9;
  std::atomic<bool> armed_{false};
  std::atomic<std::int64_t> heardAt_{0};
  std::atomic<std::int64_t> lateNs_{0};
  std::int64_t firstNs_ = 0;  // output thread only
  std::int64_t buffers_ = 0;
};

inline double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

inline std::string builtSampleDir() {
  const std::string dir = PIANO_SAMPLE_DIR;
  return std::filesystem::exists(dir + "/88.mav") ? dir : "";
}

class KeyboardScreen : public RecorderParent, public KeyboardParent {
 public:
  KeyboardScreen(platform::RunLoop& loop, platform::AudioOutput* output, const std::string& sampleDir,
                 platform::Window& window)
      : sound(SoundPlayer::Options{output, sampleDir, {}}),
        metronome(sound, loop),
        recorder(this, sound, metronome, loop),
        view(std::make_shared<KeyboardView>(1, this, sound, recorder, settings)),
        root_(std::make_shared<platform::View>()),
        container_(std::make_shared<platform::View>()) {
    settings.displayNoteNames = NoteNaming::kColoured;
    view->showing();
    view->redraw();
    const platform::Size size = platform::landscapeSize();
    root_->setBackgroundColour(platform::Colour::black());
    window.setRootView(root_);
    container_->setBounds({0, 0, size.height, size.width});
    container_->setCentre({size.width / 2, size.height / 2});
    container_->setTransform(platform::AffineTransform::rotation(-1.5707964));
    root_->addSubview(container_);
    container_->addSubview(view);
  }

  void mechanicalKeyPressDownForTrigger(int s) override { view->engine().mechanicalKeyPressDownForTrigger(s); }
  void mechanicalKeyPressUpForTrigger(int s) override { view->engine().mechanicalKeyPressUpForTrigger(s); }
  void playbackEnded() override { view->engine().playbackEnded(); }
  void liftAllKeysAndStopRecording() override { view->engine().liftAllKeysAndStopRecording(); }
  void showSetup() override {}
  void showNoteRecorder() override {}

  SoundPlayer sound;
  Metronome metronome;
  NoteRecorder recorder;
  KeyboardSettings settings;  // 8 keys
  std::shared_ptr<KeyboardView> view;

 private:
  std::shared_ptr<platform::View> root_;
  std::shared_ptr<platform::View> container_;
};

// Where eleven fingers go: the eight white keys near their near ends and three
// black keys, in landscape window points.
inline platform::Point fingerPoint(int finger) {
  if (finger < 8) return platform::portraitToLandscape({10, 30.0 + 60 * finger});
  const int boundaries[] = {1, 4, 5};
  return platform::portraitToLandscape({150, 60.0 * boundaries[finger - 8]});
}

}  // namespace piano::bench
