#include "platform/sdl_audio_output.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace piano::platform {

SdlAudioOutput::~SdlAudioOutput() { stop(); }

bool SdlAudioOutput::start(RenderCallback render, void* context) {
  stop();
  render_ = render;
  context_ = context;
  SDL_SetMainReady();  // the program's own main is its entry point, not SDL's
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::printf("Audio could not be initialised: %s\n", SDL_GetError());
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = kSampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = kChannels;
  want.samples = kPreferredBufferFrames;
  want.callback = &SdlAudioOutput::callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to what the device takes, so the render
  // function always sees the format it was written for.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    std::printf("Audio device could not be opened: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  bufferFrames_ = have.samples;
  char text[160];
  std::snprintf(text, sizeof text, "SDL %s, %d Hz, %d frames per buffer (%.1f ms)",
                SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "?", have.freq,
                have.samples, 1000.0 * have.samples / have.freq);
  description_ = text;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudioOutput::stop() {
  if (device_ == 0) return;
  // Closing waits for a running callback to return, so the render function is
  // never called once this returns.
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  description_ = "SDL audio (closed)";
}

void SdlAudioOutput::callback(void* self, unsigned char* stream, int bytes) noexcept {
  auto* output = static_cast<SdlAudioOutput*>(self);
  const int frames = bytes / static_cast<int>(kChannels * sizeof(std::int16_t));
  pull(output->render_, output->context_, {reinterpret_cast<std::int16_t*>(stream), frames}, *output);
}

}  // namespace piano::platform
