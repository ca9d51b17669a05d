// A short phrase that lets anyone hear the engine work without a screen: a C major
// scale from middle C, then the C major chord held.
//
// Threads: main thread only.
#pragma once

#include <functional>
#include <vector>

namespace piano {

class SoundPlayer;

struct DemoEvent {
  double time;  // seconds from the start
  int slot;     // sample slot (key number - 1)
  bool press;
  double volume;  // of a press
};

std::vector<DemoEvent> demoPhrase();
// Seconds from the start to the end of the last release's ring.
double demoPhraseLength();

// Plays the phrase: for each event, `waitUntil(time)` is called first (sleep on a
// device, render ahead on an offline output), then the key is pressed or released.
void playDemoPhrase(SoundPlayer& engine, const std::function<void(double)>& waitUntil);

}  // namespace piano
