#include "WaveMapper.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "Fixtures.h"
#include "tests/support/AudioSignals.h"

namespace {

struct SoxSound {
  WAVEFORMATEX format{};
  std::vector<char> data;
};

SoxSound Load(const std::string &name) {
  SoxSound sound;
  const HMMIO file = mmioOpenA(std::string(fixtures::Sox(name)).data(), nullptr, MMIO_ALLOCBUF);
  EXPECT_NE(file, HMMIO{});
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  EXPECT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  mmioRead(file, reinterpret_cast<HPSTR>(&sound.format), std::min<LONG>(chunk.cksize, 18));
  mmioAscend(file, &chunk, 0);
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  sound.data.resize(chunk.cksize);
  EXPECT_EQ(mmioRead(file, sound.data.data(), chunk.cksize), static_cast<LONG>(chunk.cksize));
  mmioClose(file, 0);
  return sound;
}

// The RMS of a PCM sound's samples, every channel, on the 16-bit scale.
double SourceRms(const SoxSound &sound) {
  std::vector<int16_t> samples;
  if (sound.format.wBitsPerSample == 8) {
    for (const char byte : sound.data)
      samples.push_back(static_cast<int16_t>((static_cast<uint8_t>(byte) - 128) * 256));
  } else {
    samples.resize(sound.data.size() / 2);
    std::memcpy(samples.data(), sound.data.data(), samples.size() * 2);
  }
  return audio_test::Rms(samples);
}

// Converts in uneven pieces, as a device sees a file cut into blocks.
std::vector<int16_t> ConvertInPieces(const SoxSound &sound, size_t piece) {
  winmm::FormatConverter converter(sound.format);
  std::vector<int16_t> out;
  for (size_t at = 0; at < sound.data.size(); at += piece) {
    const size_t size = std::min(piece, sound.data.size() - at);
    const auto samples = converter.Convert({sound.data.data() + at, size});
    out.insert(out.end(), samples.begin(), samples.end());
  }
  const auto rest = converter.Flush();
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

TEST(WaveMapper, ConvertsCommonPcmFormatsToEightKilohertzKeepingTheTone) {
  const struct {
    const char *file;
    double frequency;
    double seconds;
  } cases[] = {{"tone1000_44100_stereo16.wav", 1000, 1},
               {"tone1000_22050_mono8.wav", 1000, 1},
               {"tone440_48000_stereo8.wav", 440, 1},
               {"tone1000_16000_mono16.wav", 1000, 0.5},
               {"tone1000_8000_mono16.wav", 1000, 1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.file);
    const auto sound = Load(c.file);
    ASSERT_TRUE(winmm::IsConvertible(sound.format));
    // 4097 bytes: pieces that split frames and samples.
    const auto samples = ConvertInPieces(sound, 4097);
    EXPECT_NEAR(static_cast<double>(samples.size()), 8000 * c.seconds, 8000 * c.seconds * 0.01);
    // Away from the edges, where the rate converter settles.
    const std::span<const int16_t> middle(samples.data() + 400, samples.size() - 800);
    EXPECT_TRUE(audio_test::Dominant(middle, c.frequency));
    EXPECT_TRUE(audio_test::LevelWithin(middle, SourceRms(sound)));
    EXPECT_TRUE(audio_test::PureTone(middle, c.frequency));
  }
}

TEST(WaveMapper, KnowsWhichFormatsItCanConvert) {
  EXPECT_TRUE(winmm::IsNativeFormat(winmm::NativeFormat()));
  EXPECT_FALSE(winmm::IsConvertible(Load("tone1000_8000_alaw.wav").format)) << "not PCM";
  EXPECT_FALSE(winmm::IsConvertible(Load("tone1000_96000_mono16.wav").format)) << "rate too high";
  WAVEFORMATEX odd = winmm::NativeFormat();
  odd.wBitsPerSample = 24;
  EXPECT_FALSE(winmm::IsConvertible(odd));
  odd = winmm::NativeFormat();
  odd.nChannels = 6;
  EXPECT_FALSE(winmm::IsConvertible(odd));
  // The derived fields do not decide: a native record that states 8000 bytes a second and
  // a block alignment of 1 is still the native format.
  WAVEFORMATEX loose = winmm::NativeFormat();
  loose.nAvgBytesPerSec = 8000;
  loose.nBlockAlign = 1;
  EXPECT_TRUE(winmm::IsNativeFormat(loose));
}

TEST(WaveMapper, FlushGivesUpEverySampleTheRateConverterHeldBack) {
  const struct {
    DWORD rate;
    size_t frames;
  } cases[] = {{32000, 4000}, {44100, 1323}, {11025, 11025}, {48000, 600}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.rate);
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, c.rate, c.rate * 2, 2, 16, 0};
    winmm::FormatConverter converter(format);
    const std::vector<char> bytes(c.frames * 2, 1);
    const auto converted = converter.Convert(bytes);
    const auto rest = converter.Flush();
    EXPECT_EQ(converted.size() + rest.size(), c.frames * winmm::kNativeRate / c.rate);
    // The stream starts again after a flush and loses nothing the second time either.
    const auto again = converter.Convert(bytes).size() + converter.Flush().size();
    EXPECT_EQ(again, c.frames * winmm::kNativeRate / c.rate);
  }
}

TEST(WaveMapper, NativeSoundPassesThroughUnchanged) {
  const auto sound = Load("tone1000_8000_mono16.wav");
  const auto samples = ConvertInPieces(sound, 333);
  ASSERT_EQ(samples.size() * 2, sound.data.size());
  EXPECT_EQ(std::memcmp(samples.data(), sound.data.data(), sound.data.size()), 0);
}

}  // namespace
