#include <gtest/gtest.h>

#include <random>

#include "audio/mav_codec.h"

namespace piano {
namespace {

std::vector<std::int16_t> roundTrip(const std::vector<std::int16_t>& in) {
  const auto file = mav::pack(in.data(), in.size());
  auto out = mav::unpack(file.data(), file.size());
  out.resize(in.size());  // the last block is padded to 8
  return out;
}

TEST(MavCodec, RoundTripsHostileSignalsExactlyAndStoresNoisePlain) {
  std::mt19937 rng(7);
  std::vector<std::vector<std::int16_t>> signals = {
      {32767, -32768, 32767, -32768, 0, -1, 1, -32768, 32767}, {-128, 0, 127, 0, -127, 128, 255, 127}, {}};
  std::vector<std::int16_t> noise(10007), ramp(1000), quiet(4096);
  for (auto& s : noise) s = static_cast<std::int16_t>(rng());
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::int16_t>(i * 131);
  for (std::size_t i = 0; i < quiet.size(); ++i) quiet[i] = static_cast<std::int16_t>(std::lround(100 * std::sin(i * 0.05)));
  for (const auto& s : {noise, ramp, quiet}) signals.push_back(s);
  for (const auto& s : signals) EXPECT_EQ(roundTrip(s), s);
  mav::PackReport report;  // noise packs larger than it is: stored plain
  const auto plain = mav::pack(noise.data(), noise.size(), &report);
  EXPECT_TRUE(report.storedPlain && report.packedBytes > report.plainBytes);
  EXPECT_EQ(std::pair(plain.size(), int{plain[0]}), std::pair(2 * noise.size() + 1, int{mav::kFormatPlain}));
}

TEST(MavCodec, DecodesHandWrittenFiles) {
  // Plain: little-endian samples after the format byte; an odd last byte is dropped.
  const std::uint8_t plain[] = {2, 0x01, 0x00, 0xff, 0xff, 0x00, 0x80, 0x7f};
  EXPECT_EQ(mav::unpack(plain, sizeof plain), (std::vector<std::int16_t>{1, -1, -32768}));
  // Packed: deltas from 0, two bytes where the header's bit k is set; sums wrap.
  const std::uint8_t packed[] = {1, 0b101, 0x34, 0x12, 0xff, 0xcc, 0xed, 0x7f, 0x81, 0, 0, 0,
                                 1, 0x00, 0x80, 0x01, 0x80, 0, 0, 0, 0, 0};
  const std::vector<std::int16_t> expected = {4660, 4659, -1, 126, -1, -1, -1, -1,
                                              32767, -32768, 32640, 32640, 32640, 32640, 32640, 32640};
  EXPECT_EQ(mav::unpack(packed, sizeof packed), expected);
  EXPECT_EQ(mav::decodedLength(packed, sizeof packed), 16u);
}

TEST(MavCodec, ChoosesOneOrTwoBytesBySignedDelta) {
  // Deltas 127 and -127 take one byte, 128 and -128 two; 32767 to -32768 wraps to 1.
  const std::vector<std::int16_t> oneByte = {127, 0, -127, 0, 127, 0, -127, 0};
  EXPECT_EQ(mav::pack(oneByte.data(), 8).size(), 1u + 1 + 8);
  const std::vector<std::int16_t> twoBytes = {-128, 0, 128, 0, 0, 0, 0, 0}, wrap = {32767, -32768, 0, 0, 0, 0, 0, 0};
  const auto file = mav::pack(twoBytes.data(), 8);
  ASSERT_EQ(file.size(), 1u + 1 + 8 + 4);
  EXPECT_EQ(std::pair(file[1], mav::pack(wrap.data(), 8)[1]), (std::pair<std::uint8_t, std::uint8_t>(0b1111, 0b101)));
}

TEST(MavCodec, DamagedFilesNeverReadPastTheirEnd) {
  std::mt19937 rng(11);
  std::vector<std::int16_t> noise(300);
  for (auto& s : noise) s = static_cast<std::int16_t>(rng() % 2000);
  const auto good = mav::pack(noise.data(), noise.size());
  // Every truncation, and random corruption: the decoder's reads stay inside the
  // bytes it was given (AddressSanitizer watches), and its output is bounded.
  for (std::size_t cut = 0; cut <= good.size(); ++cut) {
    std::vector<std::uint8_t> bytes(good.begin(), good.begin() + static_cast<long>(cut));
    const auto out = mav::unpack(bytes.data(), bytes.size());
    EXPECT_LE(out.size(), 8 * bytes.size());
  }
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<std::uint8_t> bytes(rng() % 64);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    if (!bytes.empty() && trial % 2) bytes[0] = mav::kFormatPacked;
    const auto out = mav::unpack(bytes.data(), bytes.size());
    EXPECT_LE(out.size(), 8 * bytes.size());
  }
}

}  // namespace
}  // namespace piano
