// The desktop's (and the browser's) sound card: PipeWire's own client where the
// program was built with it and a PipeWire server runs, then SDL's pipewire and
// pulseaudio drivers, then whatever SDL has. SDL_AUDIODRIVER, when set, leaves
// the choice to SDL alone.
//
// Threads: the main thread.
#pragma once

#include <memory>

#include "platform/sound_card.h"

namespace piano::platform {

// bufferFrames: frames per buffer to ask for, or 0 for the smallest that plays
// cleanly.
std::unique_ptr<SoundCard> makeSoundCard(int bufferFrames);

}  // namespace piano::platform
