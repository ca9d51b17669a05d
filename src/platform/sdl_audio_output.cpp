#include "platform/sdl_audio_output.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace piano::platform {

namespace {
#ifdef __EMSCRIPTEN__
// The browser knows what its own output adds only once its audio runs (the
// first touch starts it): said then, a moment after, beside SDL's line.
EM_JS(void, sayBrowserLatency, (), {
  const context = Module['SDL2'] && Module['SDL2'].audioContext;
  if (!context) return;
  const say = () => setTimeout(() => console.log('Sound: browser output latency ' +
    (1000 * (context.outputLatency || 0)).toFixed(1) + ' ms, base latency ' + (1000 * (context.baseLatency || 0)).toFixed(1) + ' ms'), 500);
  if (context.state === 'running') return say();
  context.addEventListener('statechange', function running() {
    if (context.state !== 'running') return;
    context.removeEventListener('statechange', running);
    say();
  });
});
#else
void sayBrowserLatency() {}
#endif

// One line on stdout, at once even when stdout is a file or a pipe.
template <typename... Values>
void say(const char* format, Values... values) {
  std::printf("Sound: ");
  std::printf(format, values...);
  std::printf("\n");
  std::fflush(stdout);
}
}  // namespace

SdlAudioOutput::SdlAudioOutput(int bufferFrames)
    : sizeSetByHand_(bufferFrames > 0), requestedFrames_(bufferFrames > 0 ? bufferFrames : kBufferSteps[0]) {}

SdlAudioOutput::~SdlAudioOutput() { stop(); }

bool SdlAudioOutput::start(RenderCallback render, void* context) {
  stop();
  render_ = render;
  context_ = context;
  SDL_SetMainReady();  // the program's own main is its entry point, not SDL's
  if (!open()) return false;
  say("%s", description_.c_str());
  sayBrowserLatency();
  return true;
}

bool SdlAudioOutput::open() {
  std::vector<std::string> available;
  for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) available.emplace_back(SDL_GetAudioDriver(i));
  for (const auto& driver : audioDriverOrder(std::getenv("SDL_AUDIODRIVER"), available)) {
    if (openWith(driver.c_str())) return true;
  }
  if (openWith(nullptr)) return true;
  std::printf("Audio device could not be opened: %s\n", SDL_GetError());
  return false;
}

bool SdlAudioOutput::openWith(const char* driver) {
  // A hint of normal priority: SDL_AUDIODRIVER in the environment still wins.
  if (driver != nullptr) SDL_SetHint(SDL_HINT_AUDIODRIVER, driver);
  const int initialised = SDL_InitSubSystem(SDL_INIT_AUDIO);
  SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  if (initialised != 0) return false;
  SDL_AudioSpec want{};
  want.freq = kSampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = kChannels;
  want.samples = static_cast<Uint16>(requestedFrames_);
  want.callback = &SdlAudioOutput::callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to what the device takes, so the render
  // function always sees the format it was written for.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  bufferFrames_ = have.samples;
  pace_.reset(have.freq, have.samples);
  char text[160];
  std::snprintf(text, sizeof text, "SDL %s, %d Hz, %d frames per buffer (%.1f ms)",
                SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "?", have.freq, have.samples,
                1000.0 * have.samples / have.freq);
  description_ = text;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudioOutput::keepUp(double now) {
  if (device_ == 0 || !pace_.fellBehind(now)) return;
  const int next = sizeSetByHand_ ? requestedFrames_ : nextBufferStep(bufferFrames_);
  if (next == bufferFrames_) {
    if (!toldFallingBehind_) {
      say("the output falls behind at %d frames per buffer", bufferFrames_);
      toldFallingBehind_ = true;
    }
    pace_.reset(kSampleRate, bufferFrames_);
    return;
  }
  say("the output fell behind at %d frames per buffer; now %d", bufferFrames_, next);
  requestedFrames_ = next;
  stop();  // keeps the render function
  if (open()) say("%s", description_.c_str());
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
  output->pace_.framesPulled(frames);
}

}  // namespace piano::platform
