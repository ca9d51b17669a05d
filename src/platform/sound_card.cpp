#include "platform/sound_card.h"

#include <cstdio>
#include <string>

namespace piano::platform {

namespace {
// One line on stdout, at once even when stdout is a file or a pipe.
void say(const std::string& line) {
  std::printf("Sound: %s\n", line.c_str());
  std::fflush(stdout);
}
}  // namespace

SoundCard::SoundCard(std::vector<std::unique_ptr<SoundDevice>> devices, int bufferFrames)
    : devices_(std::move(devices)),
      sizeSetByHand_(bufferFrames > 0),
      requestedFrames_(bufferFrames > 0 ? bufferFrames : kBufferSteps[0]) {}

SoundCard::~SoundCard() { stop(); }

bool SoundCard::start(RenderCallback render, void* context) {
  stop();
  render_ = render;
  context_ = context;
  if (!open()) return false;
  say(description_);
  return true;
}

bool SoundCard::open() {
  for (const auto& device : devices_) {
    // The watch starts over before the device can pull into it.
    pace_.reset(kSampleRate, requestedFrames_);
    if (!device->open(requestedFrames_, &SoundCard::pullBuffer, this)) continue;
    open_ = device.get();
    description_ = open_->describe();
    return true;
  }
  std::printf("Audio device could not be opened\n");
  return false;
}

void SoundCard::stop() {
  if (open_ == nullptr) return;
  open_->close();
  open_ = nullptr;
  description_ = "no sound card";
}

void SoundCard::keepUp(double now) {
  if (open_ == nullptr) return;
  // A device may learn more once it runs (the server's cycle and latency).
  if (std::string latest = open_->describe(); latest != description_) {
    description_ = std::move(latest);
    say(description_);
  }
  if (!pace_.fellBehind(now, open_->missedCycles())) return;
  const int next = sizeSetByHand_ ? requestedFrames_ : nextBufferStep(requestedFrames_);
  if (next == requestedFrames_) {
    if (!toldFallingBehind_) {
      say("the output falls behind at " + std::to_string(requestedFrames_) + " frames per buffer");
      toldFallingBehind_ = true;
    }
    pace_.reset(kSampleRate, requestedFrames_);
    return;
  }
  say("the output fell behind at " + std::to_string(requestedFrames_) + " frames per buffer; now " +
      std::to_string(next));
  requestedFrames_ = next;
  pace_.reset(kSampleRate, requestedFrames_);
  if (open_->resize(requestedFrames_)) {
    description_ = open_->describe();
    say(description_);
    return;
  }
  stop();  // keeps the render function
  if (open()) say(description_);
}

void SoundCard::pullBuffer(void* self, StereoBuffer out) noexcept {
  auto& card = *static_cast<SoundCard*>(self);
  pull(card.render_, card.context_, out, card);
  card.pace_.framesPulled(out.frames);
}

}  // namespace piano::platform
