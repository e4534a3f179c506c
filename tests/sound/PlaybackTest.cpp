// Playing WAV files into the line: what the far end hears, and every way a playback fails.
#include <array>

#include "platform/win32/Clock.h"
#include "platform/win32/MemoryFaults.h"
#include "platform/winmm/HandleNumber.h"
#include "tests/sound/SoundFixture.h"
#include "tests/winmm/Fixtures.h"
#include "tests/support/AudioSignals.h"

namespace {

using sound_test::SoundTest;
using sound_test::WaveOutErrorText;

class Playback : public SoundTest {};

std::vector<uint8_t> Bytes(size_t count, uint8_t value = 0x11) {
  return std::vector<uint8_t>(count, value);
}

TEST_F(Playback, EveryFileLayoutReachesTheFarEndAsAOneKilohertzToneOfItsLength) {
  for (const char *rate : {"8000", "11025", "22050", "44100", "48000"}) {
    for (const char *layout : {"1ch_16", "2ch_16", "1ch_8", "2ch_8"}) {
      const std::string name = std::string("tone_") + rate + "_" + layout + ".wav";
      SCOPED_TRACE(name);
      sim::Audio().Reset();
      const auto thread = Play(fixtures::Sox(name));
      EXPECT_TRUE(thread->Succeeded);
      EXPECT_EQ(sound_test::Str(thread->StatusText), "");
      const auto played = sim::Audio().Played(kWaveOut);
      EXPECT_NEAR(static_cast<double>(played.size()), 4000, 40) << "half a second";
      ASSERT_GT(played.size(), 800u);
      const std::span<const int16_t> middle(played.data() + 400, played.size() - 800);
      EXPECT_TRUE(audio_test::Dominant(middle, 1000));
      // The level of the file (either channel; they are alike). Its purity is the mapper's
      // test: here a device that runs dry on a busy machine restarts its rate converter.
      EXPECT_TRUE(audio_test::LevelWithin(
          middle, audio_test::Rms(sound_test::ReadWav(fixtures::Sox(name)).samples)));
    }
  }
  EXPECT_TRUE(DevicesClosed());
}

TEST_F(Playback, FilesThatCannotBePlayedGiveTheirStatusText) {
  const auto pcm = fixtures::PcmFormat(1, 8000, 16);
  auto noAlign = pcm;
  noAlign[12] = noAlign[13] = 0;
  const auto valid = fixtures::Riff().Chunk("fmt ", pcm).Chunk("data", Bytes(100));
  std::vector<uint8_t> truncated = valid.Bytes();
  truncated.resize(truncated.size() - 40);
  const std::string truncatedPath = fixtures::TempPath("truncated.wav");
  {
    FILE *file = std::fopen(truncatedPath.c_str(), "wb");
    std::fwrite(truncated.data(), 1, truncated.size(), file);
    std::fclose(file);
  }
  const struct {
    std::string path;
    std::string status;
  } cases[] = {
      {"", "Error: Invalid SoundFile property value (empty)."},
      {folder_.Path("missing.wav").string(), "Error: SoundFile NOT found."},
      {fixtures::Riff("AVI ").Chunk("data", Bytes(10)).Write("avi.wav"),
       "Error: mmioDescend RIFF WAVE returned : " + WaveOutErrorText(MMIOERR_CHUNKNOTFOUND)},
      {fixtures::Riff().Chunk("data", Bytes(10)).Write("nofmt.wav"), "Error: Wave file corrupt."},
      {fixtures::Riff().Chunk("data", Bytes(10)).Chunk("fmt ", pcm).Write("datafirst.wav"),
       "Error: mmioDescend: No DATA chunk."},
      {fixtures::Riff().Chunk("fmt ", pcm).Chunk("data", {}).Write("empty.wav"),
       "Error: Data chunk actually has no data."},
      {fixtures::Sox("tone_8000_alaw.wav"),
       "Error: waveOutOpen while QUERY returned: " + WaveOutErrorText(WAVERR_BADFORMAT)},
      {fixtures::Riff()
           .Chunk("fmt ", Bytes(70000, 1))
           .Chunk("data", Bytes(10))
           .Write("hugefmt.wav"),
       "Error: Wave format chunk of 70000 bytes is larger than 65535 bytes."},
      {fixtures::Riff().Chunk("fmt ", noAlign).Chunk("data", Bytes(10)).Write("noalign.wav"),
       "Error: Wave format has a block alignment of 0."},
      {truncatedPath, "Failed to read waveform data subchunk."},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    const auto thread = Play(c.path);
    EXPECT_FALSE(thread->Succeeded);
    EXPECT_EQ(sound_test::Str(thread->StatusText), c.status);
    EXPECT_TRUE(DevicesClosed());
  }
  EXPECT_TRUE(NoticeTexts().empty());
  EXPECT_EQ(sim::OperationJournal().Count("mmioOpenA"), sim::OperationJournal().Count("mmioClose"));
}

TEST_F(Playback, BlocksAreAboutFourKilobytesInWholeFrames) {
  const struct {
    uint8_t blockAlign;
    size_t dataBytes;
    std::vector<std::string> lengths;
  } cases[] = {{2, 10000, {"4096", "4096", "1808"}},
               {1, 8192, {"4096", "4096"}},
               {3, 5000, {"4098", "902"}},
               {65, 4200, {"4160", "40"}}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.dataBytes);
    sim::OperationJournal().Clear();
    // The device judges a format by its rate, channels and sample size, not by the block
    // alignment it states, which only sizes the blocks.
    auto format = fixtures::PcmFormat(1, 8000, 16);
    format[12] = c.blockAlign;
    const auto path = fixtures::Riff()
                          .Chunk("fmt ", format)
                          .Chunk("data", Bytes(c.dataBytes))
                          .Write("blocks.wav");
    const auto thread = Play(path);
    EXPECT_TRUE(thread->Succeeded) << thread->StatusText.c_str();
    std::vector<std::string> lengths;
    for (const auto &entry : sim::OperationJournal().Entries("waveOutPrepareHeader"))
      lengths.push_back(entry.call.Arg("dwBufferLength"));
    EXPECT_EQ(lengths, c.lengths);
  }
}

// The device and the memory fail where the simulator and the allocators are told to; the
// device is reset before any block is released and closed on every path.
TEST_F(Playback, DeviceAndMemoryFailuresEndWithTheirStatusAndReleaseEverything) {
  CORVAX_REQUIRE_ALLOCATION_FAULTS();
  const auto path = fixtures::Sox("tone_8000_1ch_16.wav");  // 8000 bytes of data: two blocks
  const struct {
    std::function<void()> inject;
    std::string status;
    bool succeeded;
  } cases[] = {
      {[] { sim::Faults().FailNth("lineGetIDA", 2, LINEERR_OPERATIONFAILED); },
       "Error: lineGetID failed: LINEERR_OPERATIONFAILED", false},
      // Success with nothing filled in is not a TAPI failure, and no id is read from outside.
      {[] { sim::Faults().FailNth("lineGetIDA", 2, 0); },
       "Error: lineGetID gave no usable wave/out device id.", false},
      {[] { sim::Faults().FailNext("mmioOpenA", MMIOERR_CANNOTOPEN); },
       "Error: mmioOpen failed to open file.", false},
      {[] { sim::Faults().FailNth("waveOutOpen", 2, MMSYSERR_ALLOCATED); },
       "Error: waveOutOpen returned: " + WaveOutErrorText(MMSYSERR_ALLOCATED), false},
      // The 16-byte format chunk is copied into a whole 18-byte record.
      {[] { win32::FailAllocationsOfSize(win32::Allocator::Local, sizeof(WAVEFORMATEX)); },
       "Error: Memory Error.", false},
      {[] { win32::FailAllocationsOfSize(win32::Allocator::Local, 8000); },
       "Error: Memory problems.", false},
      {[] { win32::FailAllocationsOfSize(win32::Allocator::Local, sizeof(WAVEHDR)); },
       "Error: Memory issues.", false},
      {[] { win32::FailAllocationsOfSize(win32::Allocator::Local, 2 * sizeof(WAVEHDR *)); },
       "Error: Memory issues.", false},
      {[] { sim::Faults().FailNth("waveOutPrepareHeader", 2, MMSYSERR_NOMEM); },
       "Error: waveOutPrepareHeader returned: " + WaveOutErrorText(MMSYSERR_NOMEM), false},
      {[] { sim::Faults().FailNth("waveOutWrite", 2, MMSYSERR_ERROR); },
       "Error: waveOutWrite returned: " + WaveOutErrorText(MMSYSERR_ERROR), false},
      {[] { sim::Faults().FailNext("waveOutUnprepareHeader", MMSYSERR_ERROR); },
       "Error: waveOutUnprepareHeader returned: " + WaveOutErrorText(MMSYSERR_ERROR), true},
      {[] { sim::Faults().FailNext("waveOutReset", MMSYSERR_HANDLEBUSY); },
       "Error: waveOutReset returned: " + WaveOutErrorText(MMSYSERR_HANDLEBUSY), true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.status);
    c.inject();
    const auto thread = Play(path);
    sim::Faults().Clear();
    win32::ClearAllocationFaults();
    EXPECT_EQ(thread->Succeeded, c.succeeded);
    EXPECT_EQ(sound_test::Str(thread->StatusText), c.status);
    EXPECT_TRUE(DevicesClosed());
  }
  const auto journal = sim::OperationJournal().Entries();
  // Wherever blocks were released, the device had been reset first.
  for (size_t i = 0; i < journal.size(); ++i) {
    if (journal[i].call.operation != "waveOutUnprepareHeader") continue;
    int reset = -1;
    for (size_t j = i; j-- > 0 && journal[j].call.operation != "waveOutOpen";)
      if (journal[j].call.operation == "waveOutReset") reset = static_cast<int>(j);
    EXPECT_GE(reset, 0) << "block released at " << i << " before any reset";
  }
}

TEST_F(Playback, ACompletedPlaybackResetsAndClosesItsDeviceOnce) {
  const auto thread = Play(fixtures::Sox("tone_8000_1ch_16.wav"));
  EXPECT_TRUE(thread->Succeeded);
  const auto &journal = sim::OperationJournal();
  EXPECT_EQ(journal.Count("waveOutReset"), 1u);
  EXPECT_EQ(journal.Count("waveOutClose"), 1u);
  EXPECT_EQ(journal.Count("waveOutUnprepareHeader"), 2u);
  EXPECT_LT(journal.Find("waveOutReset"), journal.Find("waveOutUnprepareHeader"));
  EXPECT_LT(journal.Find("waveOutUnprepareHeader"), journal.Find("waveOutClose"));
}

TEST_F(Playback, AFailedCloseIsReportedButThePlaybackCompleted) {
  sim::Faults().FailNext("waveOutClose", MMSYSERR_HANDLEBUSY);
  const auto thread = Play(fixtures::Sox("tone_8000_1ch_16.wav"));
  EXPECT_TRUE(thread->Succeeded);
  EXPECT_EQ(sound_test::Str(thread->StatusText),
            "Error: waveOutClose returned: " + WaveOutErrorText(MMSYSERR_HANDLEBUSY));
  // Closed at the second attempt, so the next playback on the line finds its device free.
  EXPECT_EQ(sim::OperationJournal().Count("waveOutClose"), 2u);
  EXPECT_TRUE(DevicesClosed());
}

TEST_F(Playback, ALineWithoutAUsableWaveOutputDeviceShowsABox) {
  const struct {
    std::function<void()> inject;
    std::string box;
  } cases[] = {
      {[] { sim::TheExchange().Line(0).NoWaveOut(); },
       "Internal error in [kwTAPISoundThread::Execute] msg: Invalid deviceID: " +
           std::to_string(static_cast<LONG>(LINEERR_NODEVICE)) + " msg: LINEERR_NODEVICE"},
      {[] { sim::Faults().FailNext("lineGetIDA", 0); },
       "Internal error in [kwTAPISoundThread::Execute] msg: lineGetID gave no usable wave/out "
       "device id."},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.box);
    component_test::TNoticeCapture notices;
    c.inject();
    const auto thread = Play(fixtures::Sox("tone_8000_1ch_16.wav"));
    EXPECT_FALSE(thread->Succeeded);
    EXPECT_EQ(sound_test::Str(thread->StatusText), "");
    const auto shown = notices.Notices();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "");
    EXPECT_EQ(shown[0].text, c.box);
  }
}

TEST_F(Playback, DeletingThePlayingThreadAbandonsThePlaybackAndFreesTheDevice) {
  // Ten seconds of sound, stopped once the far end has heard some of it.
  const auto path = fixtures::Riff()
                        .Chunk("fmt ", fixtures::PcmFormat(1, 8000, 16))
                        .Chunk("data", Bytes(160000, 0x20))
                        .Write("long.wav");
  win32::SetTimeScale(20);
  auto thread = std::make_unique<kwTAPISoundThread>(true);
  thread->SetupSound(path.c_str(), line_);
  thread->Resume();
  ASSERT_TRUE(sim::Audio().WaitPlayed(kWaveOut, 2048));
  thread.reset();
  EXPECT_LT(sim::Audio().Played(kWaveOut).size(), 80000u);
  EXPECT_TRUE(DevicesClosed());
}

TEST(SoundThread, MustBeCreatedSuspended) {
  try {
    kwTAPISoundThread thread(false);
    FAIL() << "constructed";
  } catch (Exception &e) {
    EXPECT_EQ(sound_test::Str(e.Message),
              "YOU MUST create this thread suspended and Call one of the SetupSound() methods!");
  }
}

}  // namespace
