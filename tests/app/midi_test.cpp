// MIDI through a real server: a JACK server of the test's own (dummy driver,
// no sound card), the piano's ports and a test client made of the same port
// code under another name. The client's output reaches the piano's inputs
// and the piano's output the client's, found by the ports' own polling.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_player.h"
#include "keyboard/keyboard_view.h"
#include "keyboard/midi_keys.h"
#include "platform/midi_ports.h"
#include "recording/note_recorder.h"
#include "rig/app_rig.h"
#include "dummy_jack_server.h"

// The JACK client library passes MIDI between its threads through its own
// lock-free ring buffers, whose memory barriers ThreadSanitizer cannot see in
// an uninstrumented library: what it reports inside libjack is not ours.
extern "C" const char* __tsan_default_suppressions() { return "race:libjack.so\n"; }

namespace piano::test {
namespace {

using platform::MidiEvent;
using platform::MidiPorts;

struct MidiRig {
  tools::DummyJackServer jack{1024};  // 23 ms cycles: time enough for a sanitizer build
  std::unique_ptr<AppRig> rig;
  std::unique_ptr<MidiPorts> piano, tester;
  platform::RunLoop testerLoop;
  std::vector<MidiEvent> heard;  // what the tester received from the piano

  // The application lets go of the piano's ports before they close, and they
  // close before the run loop they post to.
  ~MidiRig() {
    if (rig) rig->quit();
    tester.reset();
    piano.reset();
    rig.reset();
  }

  // False when the server could not start; a failure to connect is a test failure.
  bool open() {
    if (!jack.waitUntilUp()) return false;
    rig = std::make_unique<AppRig>(AppRig::Options{.start = false});
    std::string error;
    piano = MidiPorts::open(rig->loop, {.clientName = "piano", .jack = true, .pollSeconds = 0.05}, &error);
    tester = MidiPorts::open(testerLoop, {.clientName = "tester", .jack = true, .pollSeconds = 0.05}, &error);
    EXPECT_TRUE(piano && tester) << error;
    if (!piano || !tester) return false;
    tester->setReceiver([this](const MidiEvent& e) { heard.push_back(e); });
    rig->options.midi = piano.get();
    rig->start();
    const bool found = pumpUntil([&] { return !piano->inputPortNames().empty() && !tester->inputPortNames().empty(); });
    EXPECT_TRUE(found) << "the two clients never found each other's ports";
    // A connection carries nothing for a cycle or two: the lowest A goes in
    // and comes back out (again until it does) before the test begins.
    for (int tries = 0; tries < 20 && heardOf(0x80) == 0; ++tries) {
      send(0x90, 21, 1);
      send(0x80, 21, 0);
      pumpUntil([&] { return heardOf(0x80) > 0; }, 100);
    }
    const bool connected = heardOf(0x80) > 0;
    EXPECT_TRUE(connected) << "no note came back through the piano";
    heard.clear();
    return connected;
  }
  // Runs both sides until `done` (or a generous while of real time passes).
  bool pumpUntil(const std::function<bool()>& done, int steps = 2000) {
    for (int i = 0; i < steps && !done(); ++i) {
      rig->advance(0.002);
      testerLoop.runDue();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  }
  void send(std::uint8_t status, std::uint8_t a, std::uint8_t b) {
    const std::uint8_t m[3] = {status, a, b};
    tester->send(m, 3);
  }
  int heardOf(std::uint8_t kind) const {
    int n = 0;
    for (const MidiEvent& e : heard) n += (e.status & 0xF0) == kind;
    return n;
  }
};

// Notes and pedals from an instrument sound, show, record and go out again:
// sustain down; C4 at velocity 127 and E4 at 64 (and a note off the piano);
// both released; sustain up, soft down; G4 at 127 struck and released. The
// take played back goes out as well.
TEST(Midi, NotesAndPedalsFromAnInstrumentSoundRecordAndGoOut) {
  MidiRig m;
  if (!m.open()) GTEST_SKIP() << "no JACK server (jackd -d dummy) could start";
  AppRig& rig = *m.rig;
  rig.run("0.1 down 9 300 160\n0.15 up 9\n0.2 end\n");  // record
  m.send(0xB0, 64, 127);
  m.send(0x90, 60, 127);
  m.send(0x91, 64, 64);
  m.send(0x90, 10, 100);  // below A0
  m.send(0x90, 84, 100);  // C6, out of view: marked on the radar
  ASSERT_TRUE(m.pumpUntil([&] { return m.heardOf(0x90) == 3; })) << m.heard.size() << " heard";
  KeyboardView& view = rig.app().activeKeyboardView();
  EXPECT_EQ(std::tuple(view.radarMark(63)->alpha(), view.radarMark(39)->alpha()), std::tuple(1.0f, 0.0f));
  m.send(0x80, 84, 0);
  KeyPressEngine& engine = rig.app().activeKeyboardView().engine();
  EXPECT_TRUE(engine.isKeyHeldBySource(KeySource::kMidi, 39) && engine.isKeyHeldBySource(KeySource::kMidi, 43));
  EXPECT_EQ(rig.app().soundPlayer().activeVoiceCount(), 3);
  EXPECT_TRUE(rig.app().keyboardSettings().sustainPedalPressed);
  EXPECT_EQ(view.whiteKey(0, 7).image(), view.images().whiteKeyPressedLeftShadowImage);  // C4 in view
  m.send(0x80, 60, 0);
  m.send(0x91, 64, 0);
  m.send(0xB0, 64, 0);
  m.send(0xB0, 67, 127);
  m.send(0x90, 67, 127);
  m.send(0x80, 67, 0);
  m.send(0xB0, 67, 0);
  ASSERT_TRUE(m.pumpUntil([&] { return m.heardOf(0x80) == 4; }));
  rig.run("0.1 down 9 300 160\n0.15 up 9\n0.2 end\n");  // stop recording
  const KeyboardSettings& settings = rig.app().keyboardSettings();
  EXPECT_FALSE(settings.sustainPedalPressed || settings.softPedalPressed);
  struct Press {
    int sampleNo;
    float volume;
    float release;
  };
  std::vector<Press> presses;
  for (const Note& n : rig.app().noteRecorder().notesSnapshot()) {
    if (n.keyDown) presses.push_back({n.sampleNo, n.volume, n.releaseDelta});
  }
  presses.erase(std::remove_if(presses.begin(), presses.end(), [](const Press& p) { return p.sampleNo == 63; }),
                presses.end());
  ASSERT_EQ(presses.size(), 3u);
  const float pedal = static_cast<float>(settings.sustainTimePedal), normal = static_cast<float>(settings.sustainTimeNormal);
  const float e4 = static_cast<float>(midi::volumeForVelocity(64)), g4 = static_cast<float>(0.6 * midi::volumeForVelocity(127));
  const std::vector<std::tuple<int, float, float>> expected = {{39, 1.0f, pedal}, {43, e4, pedal}, {46, g4, normal}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(presses[i].sampleNo, std::get<0>(expected[i])) << i;
    EXPECT_NEAR(presses[i].volume, std::get<1>(expected[i]), 1e-4) << i;
    EXPECT_FLOAT_EQ(presses[i].release, std::get<2>(expected[i])) << i;
  }
  // Out: each note on and off, the velocities by the same curve.
  std::vector<std::tuple<int, int, int>> out;
  for (const MidiEvent& e : m.heard) out.emplace_back(e.status, e.data1, e.data2);
  const std::vector<std::tuple<int, int, int>> sent = {{0x90, 60, 127}, {0x90, 64, 64}, {0x90, 84, 100}, {0x80, 84, 64},
                                                        {0x80, 60, 64}, {0x80, 64, 64}, {0x90, 67, 98}, {0x80, 67, 64}};
  EXPECT_EQ(out, sent);
  // Played back, the song goes out too, each note on and off.
  rig.run("0.1 down 9 300 120\n0.15 up 9\n0.2 end\n");
  EXPECT_TRUE(m.pumpUntil([&] { return m.heardOf(0x90) == 8 && m.heardOf(0x80) == 8; }));
}

// Ten thousand notes (twenty thousand events) a second for a second while the
// main thread takes none: the devices' threads never wait, the queue drops and
// counts what it cannot hold, and afterwards the main thread takes the rest in
// bounded turns; then the instrument goes away and its input with it.
TEST(Midi, AFloodIsDroppedAndCountedWithoutBlocking) {
  MidiRig m;
  if (!m.open()) GTEST_SKIP() << "no JACK server (jackd -d dummy) could start";
  for (int i = 0; i < 10000; ++i) {
    m.send(0x90, static_cast<std::uint8_t>(21 + i % 88), 1);
    m.send(0x80, static_cast<std::uint8_t>(21 + i % 88), 0);
    if (i % 100 == 99) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_GT(m.piano->droppedEvents(), 0u);
  const int ranBefore = m.rig->loop.runDue();
  EXPECT_GE(ranBefore, 1);
  // Drained, nothing stays held and the piano still plays.
  ASSERT_TRUE(m.pumpUntil([&] { return m.rig->loop.secondsUntilNextEvent() > 0.0; }));
  KeyPressEngine& engine = m.rig->app().activeKeyboardView().engine();
  for (int k = 0; k < kNumPianoKeys; ++k) EXPECT_FALSE(engine.isKeyHeldBySource(KeySource::kMidi, k)) << k;
  m.send(0x90, 60, 100);
  EXPECT_TRUE(m.pumpUntil([&] { return engine.isKeyHeldBySource(KeySource::kMidi, 39); }));
  // The instrument unplugged: its input closes.
  m.tester.reset();
  EXPECT_TRUE(m.pumpUntil([&] { return m.piano->inputPortNames().empty(); }));
}

}  // namespace
}  // namespace piano::test
