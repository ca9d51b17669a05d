#include "platform/volume_view.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/audio_output.h"
#include "platform/file_io.h"

namespace piano::platform {

namespace {

constexpr float kDefaultVolume = 0.8f;
constexpr const char* kVolumeFile = "output-volume";
constexpr std::size_t kMaxVolumeFileBytes = 32;  // one number

struct VolumeState {
  AudioOutput* output = nullptr;
  std::optional<float> volume;  // loaded on first use
  std::string configDirectory;
};

VolumeState& state() {
  static VolumeState s;
  return s;
}

float clampVolume(float v) {
  if (!(v >= 0.0f)) return 0.0f;  // also NaN
  return std::min(v, 1.0f);
}

std::string volumePath() { return configDirectory() + "/" + kVolumeFile; }

float loadVolume() {
  removeStaleSaveFiles(configDirectory());
  const FileContents file = readFileLimited(volumePath(), kMaxVolumeFileBytes);
  if (file.status != ReadStatus::kOk) return kDefaultVolume;
  const char* text = file.bytes.c_str();
  char* end = nullptr;
  const float v = std::strtof(text, &end);
  if (end == text || !(v >= 0.0f && v <= 1.0f)) return kDefaultVolume;
  return v;
}

void saveVolume(float v) {
  std::error_code error;
  std::filesystem::create_directories(configDirectory(), error);
  const std::string path = volumePath();
  char text[kMaxVolumeFileBytes] = {};
  const int length = std::snprintf(text, sizeof text, "%g\n", static_cast<double>(v));
  if (length <= 0 || !writeFileAtomically(path, std::string_view(text, static_cast<std::size_t>(length)))) {
    std::printf("Cannot save the output volume to %s\n", path.c_str());
  }
}

}  // namespace

std::string configDirectory() {
  if (!state().configDirectory.empty()) return state().configDirectory;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    return std::string(xdg) + "/piano";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    return std::string(home) + "/.config/piano";
  }
  return ".piano";
}

void setConfigDirectory(const std::string& path) {
  state().configDirectory = path;
  state().volume.reset();  // read again from there
}

void setSystemAudioOutput(AudioOutput* output) {
  state().output = output;
  if (output != nullptr) output->setVolume(systemVolume());
}

AudioOutput* systemAudioOutput() { return state().output; }

float systemVolume() {
  if (!state().volume) state().volume = loadVolume();
  return *state().volume;
}

void setSystemVolume(float volume, bool save) {
  const float v = clampVolume(volume);
  state().volume = v;
  if (state().output != nullptr) state().output->setVolume(v);
  if (save) saveVolume(v);
}

// --- The slider ---

VolumeView::VolumeView() = default;

VolumeView::VolumeView(const Rect& frame) : View(frame) {}

Rect VolumeView::trackRect() const {
  const Rect b = bounds();
  const double inset = std::min(b.height / 2.0, 14.0);
  return {b.x + inset, b.midY() - 2.0, std::max(0.0, b.width - 2.0 * inset), 4.0};
}

void VolumeView::follow(const Touch& touch) {
  const Rect track = trackRect();
  if (track.width <= 0.0) return;
  const double x = touch.locationInView(this).x;
  setSystemVolume(static_cast<float>((x - track.x) / track.width), false);
  setNeedsDisplay();
}

void VolumeView::touchesBegan(const TouchSet& touches) {
  if (tracking_ != nullptr || touches.empty()) return;
  tracking_ = touches.front();
  follow(*tracking_);
}

void VolumeView::touchesMoved(const TouchSet& touches) {
  for (const Touch* t : touches) {
    if (t == tracking_) follow(*t);
  }
}

void VolumeView::touchesEnded(const TouchSet& touches) {
  for (const Touch* t : touches) {
    if (t != tracking_) continue;
    follow(*t);
    tracking_ = nullptr;
    setSystemVolume(systemVolume(), true);
  }
}

void VolumeView::touchesCancelled(const TouchSet& touches) {
  for (const Touch* t : touches) {
    if (t != tracking_) continue;
    tracking_ = nullptr;
    setSystemVolume(systemVolume(), true);
  }
}

void VolumeView::draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const {
  View::draw(canvas, toDisplay, alpha);
  const Rect track = trackRect();
  const double x = track.x + track.width * systemVolume();
  canvas.fillRect(toDisplay, {track.x, track.y, x - track.x, track.height},
                  Colour{0.2f, 0.55f, 1.0f, 1.0f}, alpha);
  canvas.fillRect(toDisplay, {x, track.y, track.maxX() - x, track.height},
                  Colour{0.75f, 0.75f, 0.78f, 1.0f}, alpha);
  const double knob = std::min(bounds().height, 24.0);
  const Rect k{x - knob / 2.0, track.y + track.height / 2.0 - knob / 2.0, knob, knob};
  canvas.fillEllipse(toDisplay, {k.x - 0.5, k.y + 1.0, k.width + 1.0, k.height + 1.0},
                     Colour::black(0.25f), alpha);
  canvas.fillEllipse(toDisplay, k, Colour{0.97f, 0.97f, 0.97f, 1.0f}, alpha);
}

}  // namespace piano::platform
