#include "platform/wav_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/output_limiter.h"
#include "platform/paced_audio_output.h"

namespace piano::platform {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The RIFF and data sizes of the header against the file's length.
void expectSizesMatchTheFile(const std::vector<std::uint8_t>& bytes, std::uint32_t dataBytes) {
  ASSERT_EQ(bytes.size(), 44u + dataBytes);
  auto u32 = [&](std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
  };
  EXPECT_EQ(u32(4), bytes.size() - 8);
  EXPECT_EQ(u32(40), dataBytes);
}

TEST(WavFileTest, StreamedWriteReadsBackWithAStandardHeader) {
  const fs::path path = fs::temp_directory_path() / ("piano-wav-" + std::to_string(::getpid()) + ".wav");
  std::vector<std::int16_t> samples;
  for (int i = 0; i < 1000; ++i) samples.push_back(static_cast<std::int16_t>(i * 37 - 20000));
  samples.insert(samples.end(), {-32768, 32767});
  {
    WavWriter writer;
    ASSERT_TRUE(writer.open(path, 22050, 2));
    ASSERT_TRUE(writer.write(samples.data(), 300));
    ASSERT_TRUE(writer.write(samples.data() + 600, 201));
    EXPECT_EQ(writer.framesWritten(), 501u);
  }  // the destructor finishes the header
  const auto bytes = fileBytes(path);
  expectSizesMatchTheFile(bytes, 501 * 4);
  EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
  EXPECT_EQ(std::tuple(bytes[28] | bytes[29] << 8 | bytes[30] << 16, bytes[32]), std::tuple(22050 * 4, 4));  // per s, frame

  auto audio = readWavFile(path);
  ASSERT_TRUE(audio);
  EXPECT_EQ(std::pair(audio->sampleRate, audio->channels), std::pair(22050, 2));
  EXPECT_EQ(audio->samples, samples);
  fs::remove(path);
}

TEST(WavFileTest, TheFileOutputWritesWhatItPlayedWithMatchingSizes) {
  const fs::path path = fs::temp_directory_path() / ("piano-output-" + std::to_string(::getpid()) + ".wav");
  WavFileAudioOutput output(path, /*paced=*/false);
  output.start([](void*, StereoBuffer out) noexcept {
    for (std::size_t i = 0; i < out.sampleCount(); ++i) out.samples[i] = static_cast<std::int16_t>(i - 300);
    return 0;
  }, nullptr);
  output.renderFrames(1000);  // four buffers of 256 frames
  ASSERT_TRUE(output.finish());
  expectSizesMatchTheFile(fileBytes(path), 1024 * 4);
  const auto audio = readWavFile(path);
  ASSERT_TRUE(audio && audio->frames() == 1024u);
  // The output stage's look-ahead delays what was rendered by a few frames.
  EXPECT_EQ(audio->samples[511], 511 - 2 * OutputLimiter::kLatencyFrames - 300);
  fs::remove(path);
}

std::vector<std::uint8_t> monoFile(std::vector<std::int16_t> samples) {
  const fs::path path = fs::temp_directory_path() / ("piano-wav-mono-" + std::to_string(::getpid()) + ".wav");
  EXPECT_TRUE(writeWavFile(path, WavAudio{44100, 1, std::move(samples)}));
  auto bytes = fileBytes(path);
  fs::remove(path);
  return bytes;
}

TEST(WavFileTest, ReaderSkipsUnknownChunksAndCutsATruncatedDataChunk) {
  auto bytes = monoFile({1, 2, 3, 4});
  // Insert an odd-sized "LIST" chunk (with its pad byte) before "data".
  const std::uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  bytes.insert(bytes.begin() + 36, std::begin(list), std::end(list));
  auto audio = parseWav(bytes.data(), bytes.size());
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->samples, (std::vector<std::int16_t>{1, 2, 3, 4}));
  bytes.resize(bytes.size() - 3);  // the last byte and a half lost: only whole samples remain
  audio = parseWav(bytes.data(), bytes.size());
  EXPECT_EQ(audio.value_or(WavAudio{}).samples, (std::vector<std::int16_t>{1, 2}));
}

TEST(WavFileTest, BadFilesAndParametersFailAsValuesAndRandomDamageIsSurvived) {
  const auto good = monoFile({5, 6, 7});
  for (const auto& [at, value] : {std::pair{34, 8}, {20, 3}}) {  // 8-bit samples, float format
    auto changed = good;
    changed[at] = static_cast<std::uint8_t>(value);
    EXPECT_FALSE(parseWav(changed.data(), changed.size())) << at;
  }
  EXPECT_FALSE(parseWav(good.data(), 11));
  EXPECT_FALSE(parseWav(nullptr, 0));
  EXPECT_FALSE(readWavFile("/nonexistent/piano.wav"));
  WavWriter writer;
  EXPECT_FALSE(writer.open("/nonexistent/dir/x.wav", 44100, 2));
  EXPECT_FALSE(writer.write(nullptr, 0));
  EXPECT_FALSE(writer.open(fs::temp_directory_path() / "x.wav", 44100, 0));

  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    auto damaged = good;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
    damaged.resize(random() % (damaged.size() + 1));
    const auto audio = parseWav(damaged.data(), damaged.size());
    EXPECT_TRUE(!audio || audio->samples.size() * 2 <= damaged.size());
  }
}

}  // namespace
}  // namespace piano::platform
