// The keyboard screen wired as the application wires it (sound engine with
// the built samples, recorder with its playback thread, the portrait container
// turned onto the landscape window), for the keyboard benchmarks.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "audio/sound_player.h"
#include "keyboard/keyboard_view.h"
#include "platform/run_loop.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "recording/note_recorder.h"
#include "recording/recorder_parent.h"

namespace piano::bench {

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
