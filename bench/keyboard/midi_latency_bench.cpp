// MIDI event to sound: from a note-on's arrival in the program (stamped on
// the device's thread as it comes in) to the end of the render call that
// first mixes its voice, over many notes. The notes come from a second
// client through a JACK server with its dummy driver, which the bench starts
// and stops itself; the output is pulled like a device (one 256-frame buffer
// every 5.8 ms on a thread of its own), as in keyboard_latency_bench. The
// server's own delivery (send to arrival) is shown apart.
//
//   build/bench/keyboard/midi_latency_bench [notes]
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "dummy_jack_server.h"
#include "keyboard/midi_keys.h"
#include "keyboard_screen.h"
#include "platform/midi_ports.h"

int main(int argc, char** argv) {
  using namespace piano;
  using bench::nowNs;
  using bench::percentile;
  const int notes = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
  const std::string dir = bench::builtSampleDir();
  if (dir.empty()) {
    std::printf("No sample set at %s: build the target piano_samples first.\n", PIANO_SAMPLE_DIR);
    return 1;
  }
  tools::DummyJackServer jack;
  if (!jack.waitUntilUp()) {
    std::printf("No JACK server could start (is jackd installed?).\n");
    return 1;
  }
  int status = 1;
  {
    platform::RunLoop loop, testerLoop;
    platform::Window window(platform::landscapeSize());
    bench::ListeningOutput output;
    bench::KeyboardScreen screen(loop, &output, dir, window);
    screen.settings.sustainTimeNormal = -1.0;  // each note ends at once: the next begins on silence
    std::string error;
    const auto clock = [] { return static_cast<double>(nowNs()) / 1e9; };
    auto piano = platform::MidiPorts::open(loop, {"piano", true, 0.05, clock}, &error);
    auto tester = platform::MidiPorts::open(testerLoop, {"tester", true, 0.05, clock}, &error);
    if (!piano || !tester) {
      std::printf("No JACK MIDI: %s\n", error.c_str());
    } else {
      MidiKeys keys([&]() -> KeyPressEngine& { return screen.view->engine(); }, {});
      double arrival = 0.0;
      piano->setReceiver([&](const platform::MidiEvent& e) {
        arrival = e.arrival;
        keys.receive(e);
      });
      auto pumpFor = [&](std::int64_t ns, const std::function<bool()>& done) {
        const std::int64_t until = nowNs() + ns;
        while (!done() && nowNs() < until) {
          loop.waitForEvents(0.0005);
          loop.runDue();
          testerLoop.runDue();
        }
      };
      pumpFor(5'000'000'000, [&] { return !piano->inputPortNames().empty(); });
      std::mt19937 random(7);
      std::uniform_int_distribution<int> pause(12000, 24000);  // microseconds
      std::vector<double> toSound, transport;
      int lost = 0;
      for (int i = 0; i < notes; ++i) {
        pumpFor(pause(random) * 1000LL, [] { return false; });
        const auto note = static_cast<std::uint8_t>(60 + i % 8);
        const std::uint8_t on[3] = {0x90, note, 100}, off[3] = {0x80, note, 0};
        arrival = 0.0;
        output.arm();
        const std::int64_t sent = nowNs();
        tester->send(on, 3);
        pumpFor(200'000'000, [&] { return output.heardAt() != 0; });
        const std::int64_t heard = output.heardAt();
        tester->send(off, 3);
        if (heard == 0 || arrival == 0.0) {
          ++lost;
          continue;
        }
        toSound.push_back(static_cast<double>(heard) / 1e6 - arrival * 1e3);
        transport.push_back(arrival * 1e3 - static_cast<double>(sent) / 1e6);
      }
      if (!toSound.empty()) {
        std::printf("MIDI note to sound over %zu notes (%d unheard), output of 256 frames (%.2f ms):\n",
                    toSound.size(), lost, 256.0 / 44100.0 * 1000.0);
        std::printf("  arrival to the end of the first render that mixes the voice: median %.2f ms, 90%% %.2f ms, worst %.2f ms\n",
                    percentile(toSound, 0.5), percentile(toSound, 0.9), percentile(toSound, 1.0));
        std::printf("  the JACK server's delivery (send to arrival, not counted above): median %.2f ms, worst %.2f ms\n",
                    percentile(transport, 0.5), percentile(transport, 1.0));
        status = 0;
      }
    }
    screen.sound.stop();
  }
  return status;
}
