// The sound card's choice among the ways to reach it, and its steps up when
// the output falls behind.
#include "platform/sound_card.h"

#include <gtest/gtest.h>

#include <vector>

#ifdef PIANO_HAVE_PIPEWIRE
#include "platform/pipewire_sound_device.h"
#endif

namespace piano::platform {
namespace {

// A way to the card that opens (or not) as told; the test is its audio thread.
struct FakeDevice final : SoundDevice {
  FakeDevice(bool opens, bool resizes) : opens(opens), resizes(resizes) {}
  bool open(int frames, Pull p, void* c) override {
    if (!opens) return false;
    ++openings;
    asked = frames;
    pull = p;
    card = c;
    return true;
  }
  bool resize(int frames) override {
    if (resizes) asked = frames;
    return resizes;
  }
  void close() override { pull = nullptr; }
  std::string describe() const override { return "fake " + std::to_string(asked); }
  long long missedCycles() const override { return missed; }
  void play(int frames) {
    std::vector<std::int16_t> buffer(2 * static_cast<std::size_t>(frames), 0);
    pull(card, {buffer.data(), frames});
  }

  const bool opens, resizes;
  int openings = 0, asked = 0;
  long long missed = 0;
  Pull pull = nullptr;
  void* card = nullptr;
};

int framesRendered = 0;
int countFrames(void*, StereoBuffer out) noexcept {
  framesRendered += out.frames;
  return 0;
}

TEST(SoundCard, PlaysThroughTheFirstWayThatOpensAndStepsUpWhenItMissesCycles) {
  for (const bool resizes : {false, true}) {
    std::vector<std::unique_ptr<SoundDevice>> devices;
    devices.push_back(std::make_unique<FakeDevice>(/*opens=*/false, false));
    devices.push_back(std::make_unique<FakeDevice>(/*opens=*/true, resizes));
    auto& device = static_cast<FakeDevice&>(*devices[1]);
    SoundCard card(std::move(devices), 0);
    framesRendered = 0;
    ASSERT_TRUE(card.start(&countFrames, nullptr));
    EXPECT_EQ(card.bufferFrames(), 128);
    EXPECT_STREQ(card.describe(), "fake 128");
    device.play(117);  // a cycle of a 48 kHz graph
    EXPECT_EQ(framesRendered, 117);

    // Three clicks within ten seconds: 256 frames, then 512, then no further.
    double now = 0.0;
    for (const int expected : {256, 512, 512}) {
      for (int i = 0; i < 3; ++i) {
        device.play(117);
        device.missed += 1;
        card.keepUp(now += 1.0);
      }
      EXPECT_EQ(card.bufferFrames(), expected) << resizes;
      EXPECT_EQ(device.asked, expected);
      ASSERT_NE(device.pull, nullptr) << "still playing";
      EXPECT_STREQ(card.describe(), ("fake " + std::to_string(expected)).c_str());
    }
    // A device that can take a new size keeps playing; another opens again.
    EXPECT_EQ(device.openings, resizes ? 1 : 3);
    card.stop();
    EXPECT_EQ(device.pull, nullptr);
    EXPECT_EQ(card.bufferFrames(), 0);
  }
}

TEST(SoundCard, ASizeSetByHandStaysAndNoWayToTheCardIsAFailure) {
  std::vector<std::unique_ptr<SoundDevice>> devices;
  devices.push_back(std::make_unique<FakeDevice>(true, true));
  auto& device = static_cast<FakeDevice&>(*devices[0]);
  SoundCard card(std::move(devices), 64);
  ASSERT_TRUE(card.start(&countFrames, nullptr));
  for (int i = 1; i <= 6; ++i) {
    device.play(64);
    device.missed += 1;
    card.keepUp(i);
  }
  EXPECT_EQ(device.asked, 64);
  EXPECT_EQ(card.bufferFrames(), 64);

  std::vector<std::unique_ptr<SoundDevice>> none;
  none.push_back(std::make_unique<FakeDevice>(false, false));
  SoundCard silent(std::move(none), 0);
  EXPECT_FALSE(silent.start(&countFrames, nullptr));
  EXPECT_EQ(silent.bufferFrames(), 0);
  silent.keepUp(1.0);  // nothing to look at
}

#ifdef PIANO_HAVE_PIPEWIRE
TEST(PipeWireSoundDevice, RendersWhatTheCycleTakesAndTellsAMissedCycleFromALargerOne) {
  EXPECT_EQ(PipeWireSoundDevice::framesForCycle(117, 2048, 128), 117);
  EXPECT_EQ(PipeWireSoundDevice::framesForCycle(0, 2048, 128), 128);      // the server did not say
  EXPECT_EQ(PipeWireSoundDevice::framesForCycle(4096, 2048, 128), 2048);  // never past the buffer
  EXPECT_EQ(PipeWireSoundDevice::framesForCycle(117, -4, 128), 0);

  // 117 frames at 44100 Hz are a 128-tick cycle of a 48000 Hz graph.
  EXPECT_FALSE(PipeWireSoundDevice::cycleWasMissed(0, 128, 117, 48000));  // the first cycle
  EXPECT_FALSE(PipeWireSoundDevice::cycleWasMissed(1000, 1128, 117, 48000));
  EXPECT_TRUE(PipeWireSoundDevice::cycleWasMissed(1000, 1256, 117, 48000));
  EXPECT_FALSE(PipeWireSoundDevice::cycleWasMissed(1000, 1256, 235, 48000));  // the quantum grew
  EXPECT_FALSE(PipeWireSoundDevice::cycleWasMissed(1000, 1000, 117, 48000));
}
#endif

}  // namespace
}  // namespace piano::platform
