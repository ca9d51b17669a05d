#include "platform/sdl_sound_card.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif
#ifdef PIANO_HAVE_PIPEWIRE
#include "platform/pipewire_sound_device.h"
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

// SDL's pull callback through one of its drivers (`driver`; empty: the one SDL
// picks, SDL_AUDIODRIVER included). Main thread, but for the callback.
class SdlSoundDevice final : public SoundDevice {
 public:
  explicit SdlSoundDevice(std::string driver) : driver_(std::move(driver)) {}
  ~SdlSoundDevice() override { close(); }

  bool open(int frames, Pull pull, void* card) override {
    close();
    pull_ = pull;
    card_ = card;
    SDL_SetMainReady();  // the program's own main is its entry point, not SDL's
    // A hint of normal priority: SDL_AUDIODRIVER in the environment still wins.
    if (!driver_.empty()) SDL_SetHint(SDL_HINT_AUDIODRIVER, driver_.c_str());
    const int initialised = SDL_InitSubSystem(SDL_INIT_AUDIO);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (initialised != 0) return false;
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = kChannels;
    want.samples = static_cast<Uint16>(frames);
    want.callback = &SdlSoundDevice::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to what the device takes, so the render
    // function always sees the format it was written for.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    char text[160];
    std::snprintf(text, sizeof text, "SDL %s, %d Hz, %d frames per buffer (%.1f ms)",
                  SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "?", have.freq, have.samples,
                  1000.0 * have.samples / have.freq);
    description_ = text;
    SDL_PauseAudioDevice(device_, 0);
    sayBrowserLatency();
    return true;
  }

  void close() override {
    if (device_ == 0) return;
    // Closing waits for a running callback to return.
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  std::string describe() const override { return description_; }

 private:
  static void callback(void* self, unsigned char* stream, int bytes) noexcept {
    auto* device = static_cast<SdlSoundDevice*>(self);
    const int frames = bytes / static_cast<int>(kChannels * sizeof(std::int16_t));
    device->pull_(device->card_, {reinterpret_cast<std::int16_t*>(stream), frames});
  }

  const std::string driver_;
  Pull pull_ = nullptr;
  void* card_ = nullptr;
  SDL_AudioDeviceID device_ = 0;
  std::string description_;
};

std::vector<std::string> sdlDrivers() {
  std::vector<std::string> drivers;
  for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) drivers.emplace_back(SDL_GetAudioDriver(i));
  return drivers;
}
}  // namespace

std::unique_ptr<SoundCard> makeSoundCard(int bufferFrames) {
  const char* userChoice = std::getenv("SDL_AUDIODRIVER");
  std::vector<std::unique_ptr<SoundDevice>> devices;
#ifdef PIANO_HAVE_PIPEWIRE
  if (userChoice == nullptr || userChoice[0] == '\0') devices.push_back(std::make_unique<PipeWireSoundDevice>());
#endif
  for (const auto& driver : audioDriverOrder(userChoice, sdlDrivers())) {
    devices.push_back(std::make_unique<SdlSoundDevice>(driver));
  }
  devices.push_back(std::make_unique<SdlSoundDevice>(""));
  return std::make_unique<SoundCard>(std::move(devices), bufferFrames);
}

}  // namespace piano::platform
