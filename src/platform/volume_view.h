// The output-volume control: a slider drawn by the platform, the stand-in for
// a phone's system volume view. It sets the volume of the audio output that
// the application registered, and the volume is kept in a small file of the
// platform's configuration folder, so it is the same at the next start.
//
// Threads: main thread only.
#pragma once

#include <string>

#include "platform/view.h"

namespace piano::platform {

class AudioOutput;

// The output that volume controls act on (null: none). The saved volume is
// applied at once. Register before the settings screen is built.
void setSystemAudioOutput(AudioOutput* output);
// The registered output (null: none).
AudioOutput* systemAudioOutput();
// 0..1; the saved value (or 0.8 when nothing is saved), until changed.
float systemVolume();
// Held to 0..1; applies it to the output; `save` writes the file.
void setSystemVolume(float volume, bool save = true);

// $XDG_CONFIG_HOME/piano (else ~/.config/piano); overridable for tests.
std::string configDirectory();
void setConfigDirectory(const std::string& path);

class VolumeView : public View {
 public:
  VolumeView();
  explicit VolumeView(const Rect& frame);

  // The slider runs along the view's x axis (turn the view to run it along y):
  // 0 at the left end of the track, 1 at the right end.
  float value() const { return systemVolume(); }

  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void touchesCancelled(const TouchSet& touches) override;
  void draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const override;

 private:
  void follow(const Touch& touch);
  Rect trackRect() const;
  const Touch* tracking_ = nullptr;
};

}  // namespace piano::platform
