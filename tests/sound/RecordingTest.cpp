// Recording the line into a WAV file: what reaches the file, how a recording ends, and
// every way it fails.
#include <sndfile.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/Clock.h"
#include "platform/win32/FileFaults.h"
#include "platform/win32/MemoryFaults.h"
#include "platform/win32/Notice.h"
#include "tests/sound/SoundFixture.h"
#include "tests/support/AudioSignals.h"

namespace {

using sound_test::FileDword;
using sound_test::FileSize;
using sound_test::ReadWav;
using sound_test::SoundTest;

constexpr size_t kSecond = 8000;  // samples in a one-second buffer

// What the far end says: a sweep, so that no stretch of it repeats another and a buffer that
// is skipped, doubled or out of order shows in the file. It starts a sample into the sweep,
// away from its zero, so that no run of zero bytes begins it.
std::vector<int16_t> Speech(size_t count) {
  auto samples = audio_test::Sweep(300, 3400, static_cast<double>(count + 1) / kSecond);
  samples.erase(samples.begin());
  samples.resize(count);
  return samples;
}

std::vector<int16_t> Concat(const std::vector<int16_t> &first, const std::vector<int16_t> &second) {
  return audio_test::Concat({first, second});
}

class Recording : public SoundTest {
 protected:
  // Far-end sound from the start of the recording on.
  void Send(const std::vector<int16_t> &samples) { sim::Audio().Send(kWaveIn, samples); }

  // The file is a WAV file whose header counts exactly the samples it holds.
  void ExpectCompleteFile(const std::string &path) {
    const uint32_t dataBytes = FileDword(path, 42);
    EXPECT_EQ(FileSize(path), 46u + dataBytes);
    EXPECT_EQ(FileDword(path, 4), dataBytes + 38);
    const auto read = ReadWav(path);
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(read.channels, 1);
    EXPECT_EQ(read.rate, 8000);
    EXPECT_EQ(read.samples.size() * 2, dataBytes);
  }

  std::string path_ = folder_.Path("message.wav").string();
};

TEST_F(Recording, OneBufferAfterTheBeepIsACompleteWavFileOfWhatTheFarEndSaid) {
  std::ofstream(path_) << "an older message, longer than nothing";
  const auto spoken = Speech(2 * kSecond);
  Send(spoken);
  const std::vector<int16_t> said(spoken.begin(), spoken.begin() + kSecond);
  const auto thread = Record(path_, 1);
  EXPECT_TRUE(thread->Succeeded);
  EXPECT_EQ(thread->BuffersRecorded, 1);
  EXPECT_EQ(sound_test::Str(thread->StatusText), "");

  EXPECT_EQ(FileSize(path_), 46u + 16000);
  EXPECT_EQ(FileDword(path_, 4), 16038u);
  EXPECT_EQ(FileDword(path_, 16), 18u);
  EXPECT_EQ(FileDword(path_, 24), 8000u);
  EXPECT_EQ(FileDword(path_, 28), 16000u) << "bytes a second";
  EXPECT_EQ(FileDword(path_, 32) & 0xFFFF, 2u) << "block alignment";
  EXPECT_EQ(FileDword(path_, 42), 16000u);
  ExpectCompleteFile(path_);
  EXPECT_EQ(ReadWav(path_).samples, said);

  const auto tones = sim::TheExchange().GeneratedTones();
  ASSERT_EQ(tones.size(), 1u);
  EXPECT_EQ(tones[0].hCall, call_);
  EXPECT_EQ(tones[0].toneMode, static_cast<DWORD>(LINETONEMODE_BEEP));
  const int beep = sim::OperationJournal().Find("lineGenerateTone");
  ASSERT_GE(beep, 0);
  EXPECT_GT(sim::OperationJournal().Find("waveInStart"), beep) << "the beep comes first";
  EXPECT_TRUE(DevicesClosed());
  EXPECT_TRUE(NoticeTexts().empty());
}

TEST_F(Recording, SilenceEndsTheRecordingWithTheBufferWhereItIsFound) {
  const auto said = Concat(Speech(kSecond * 5 / 2), std::vector<int16_t>(kSecond * 5 / 2));
  Send(said);
  const auto thread = Record(path_, 10);
  EXPECT_TRUE(thread->Succeeded);
  EXPECT_EQ(thread->BuffersRecorded, 3);
  ExpectCompleteFile(path_);
  EXPECT_EQ(ReadWav(path_).samples, std::vector<int16_t>(said.begin(), said.begin() + 3 * kSecond));
}

// The level starts at 100000 and decays by 0.95 a byte plus the byte's magnitude: 135 zero
// bytes bring it below 100, bytes of magnitude 6 hold it at 120, of magnitude 4 at 80.
TEST_F(Recording, SilenceIsWhatTheLevelRuleSaysAndNoEarlier) {
  const struct {
    std::vector<int16_t> start;
    int buffers;
  } cases[] = {
      {std::vector<int16_t>(67), 3},               // 134 zero bytes, then the tone
      {std::vector<int16_t>(68), 1},               // 136 zero bytes
      {std::vector<int16_t>(kSecond, 0x0606), 3},  // magnitude 6 a byte
      {std::vector<int16_t>(kSecond, 0x0404), 1},  // magnitude 4 a byte
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.buffers);
    ForgetFarEndSound();
    Send(Concat(c.start, Speech(4 * kSecond)));
    const auto thread = Record(path_, 3);
    EXPECT_TRUE(thread->Succeeded);
    EXPECT_EQ(thread->BuffersRecorded, c.buffers);
  }
}

// Lines recording side by side in one process: one caller's silence ends only its own message.
TEST_F(Recording, EachRecordingJudgesSilenceByItsOwnSound) {
  kwTAPISoundThread quiet(true), talking(true);
  quiet.ResetSilenceLevel();
  talking.ResetSilenceLevel();
  bool quietEnded = false, talkingEnded = false;
  for (int i = 0; i < 1000; ++i) {
    quietEnded = quiet.CheckSilence(0) || quietEnded;
    talkingEnded = talking.CheckSilence(6) || talkingEnded;
  }
  EXPECT_TRUE(quietEnded);
  EXPECT_FALSE(talkingEnded);
}

// The far end talks in time: the file must hold what it said up to the moment of the stop,
// part of a buffer included, and nothing after it.
TEST_F(Recording, AStopKeepsWhatWasSaidUpToItAndNothingAfter) {
  win32::SetTimeScale(100);
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Live);
  const auto said = Speech(60 * kSecond);
  const double saidAt = sim::Audio().Send(kWaveIn, said);
  const auto started = sound_test::NoteWaveInStart();
  double stopFrom = 0, stopTo = 0;
  const auto thread = Record(path_, 600, [&](kwTAPISoundThread &t) {
    if (stopTo == 0 && t.BuffersRecorded >= 2) {
      stopFrom = win32::VirtualNow();
      t.StopWaveIn();
      stopTo = win32::VirtualNow();
    }
  });
  EXPECT_TRUE(thread->Succeeded);
  EXPECT_GE(thread->BuffersRecorded, 3);
  EXPECT_LT(thread->BuffersRecorded, 600);
  ExpectCompleteFile(path_);
  const auto read = ReadWav(path_);
  EXPECT_GT(read.samples.size(), 2 * kSecond);
  // Two whole buffers were in when the stop came.
  EXPECT_TRUE(audio_test::StretchSaidBetween(read.samples, said, saidAt,
                                             {*started, stopFrom - 2000}, {stopFrom, stopTo}));
  EXPECT_TRUE(DevicesClosed());
}

// The host's thread may be told of the stop (the call going idle, a message sent to it)
// before it has handled a buffer the device returned earlier: that buffer is kept, and the
// part-filled one after it ends the recording.
TEST_F(Recording, AStopBeforeAnEarlierBufferIsHandledKeepsItAndThePartAfterIt) {
  win32::SetTimeScale(100);
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Live);
  const auto said = Speech(60 * kSecond);
  const double saidAt = sim::Audio().Send(kWaveIn, said);
  const auto started = sound_test::NoteWaveInStart();
  double stopFrom = 0, stopTo = 0;
  const auto thread = Record(path_, 10, [&](kwTAPISoundThread &t) {
    if (*started == 0 || stopTo != 0) return;
    // The first buffer comes back while this thread does not pump.
    win32::SleepUntil(*started + 1500);
    stopFrom = win32::VirtualNow();
    t.StopWaveIn();
    stopTo = win32::VirtualNow();
  });
  EXPECT_TRUE(thread->Succeeded);
  // Two buffers, or more when this thread woke late.
  EXPECT_GE(thread->BuffersRecorded, 2);
  ExpectCompleteFile(path_);
  EXPECT_TRUE(audio_test::StretchSaidBetween(ReadWav(path_).samples, said, saidAt,
                                             {*started, stopFrom - 1000}, {stopFrom, stopTo}));
  EXPECT_TRUE(DevicesClosed());
}

TEST_F(Recording, TheFileIsCompleteAfterEveryBuffer) {
  Send(Speech(4 * kSecond));
  int checked = 0;
  const auto thread = Record(path_, 3, [&](kwTAPISoundThread &t) {
    if (t.BuffersRecorded > checked) {
      checked = t.BuffersRecorded;
      ExpectCompleteFile(path_);
    }
  });
  EXPECT_EQ(checked, 3);
  EXPECT_EQ(ReadWav(path_).samples.size(), 3 * kSecond);
}

TEST_F(Recording, AFileThatCannotBeWrittenLosesTheMessageAndSaysSo) {
  // A file that cannot be created is told for every buffer; a full disk only once.
  const struct {
    std::string path;
    std::string box;
    size_t boxes;
    std::string status;
  } cases[] = {
      {folder_.Path("missing/message.wav").string(), "Error opening file.", 2,
       "Error: The message was not saved: the file could not be created."},
      {"/dev/full", "Error writing file.", 1,
       "Error: The message was not saved: the file could not be written."},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    component_test::TNoticeCapture notices;
    ForgetFarEndSound();
    Send(Speech(3 * kSecond));
    const auto thread = Record(c.path, 2);
    EXPECT_FALSE(thread->Succeeded);
    EXPECT_EQ(thread->BuffersRecorded, 2);
    EXPECT_EQ(sound_test::Str(thread->StatusText), c.status);
    const auto shown = notices.Notices();
    ASSERT_EQ(shown.size(), c.boxes);
    EXPECT_EQ(shown[0].text, c.box);
    EXPECT_EQ(shown[0].caption, "");
    EXPECT_TRUE(DevicesClosed());
  }
}

// Writes of one buffer: the samples, then the header (the first buffer writes an empty
// header before both). After a failed write the file keeps the whole seconds before it and
// nothing after, so that no later second follows a hole.
TEST_F(Recording, AFailedWriteLeavesAFileOfTheSecondsBeforeItAndSaysWhatWasKept) {
  CORVAX_REQUIRE_FILE_WRITE_FAULTS();
  const auto said = Speech(3 * kSecond);
  const std::string notSaved = "Error: The message was not saved: the file could not be written.";
  const struct {
    unsigned failingWrite;
    size_t keptSeconds;
    std::string status;
  } cases[] = {
      {4, 1, "Error: The rest of the message could not be written: 1 s were saved."},
      {3, 0, notSaved},
      {2, 0, notSaved},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.failingWrite);
    component_test::TNoticeCapture notices;
    ForgetFarEndSound();
    Send(said);
    win32::FailNthFileWrite(c.failingWrite);
    const auto thread = Record(path_, 3);
    EXPECT_FALSE(thread->Succeeded);
    EXPECT_EQ(thread->BuffersRecorded, 3);
    EXPECT_EQ(sound_test::Str(thread->StatusText), c.status);
    EXPECT_EQ(NoticeTexts(), std::vector<std::string>{"Error writing file."});
    ExpectCompleteFile(path_);
    EXPECT_EQ(ReadWav(path_).samples,
              std::vector<int16_t>(said.begin(), said.begin() + c.keptSeconds * kSecond));
  }
}

TEST_F(Recording, AFileWhoseHeaderCannotBeWrittenIsLeftEmpty) {
  CORVAX_REQUIRE_FILE_WRITE_FAULTS();
  component_test::TNoticeCapture notices;
  Send(Speech(3 * kSecond));
  win32::FailNthFileWrite(1);
  const auto thread = Record(path_, 2);
  EXPECT_EQ(sound_test::Str(thread->StatusText),
            "Error: The message was not saved: the file could not be written.");
  EXPECT_EQ(NoticeTexts(), std::vector<std::string>{"Error writing file."});
  EXPECT_EQ(FileSize(path_), 0u);
}

// The stop keeps the buffers the device filled up to it (more than one on a busy machine) and
// ends the recording well before its ten seconds.
TEST_F(Recording, AStopAskedForWhileABufferIsWrittenIsKept) {
  win32::SetTimeScale(100);
  Send(Speech(20 * kSecond));
  kwTAPISoundThread *running = nullptr;
  std::vector<std::string> boxes;
  // The box of a failed write is shown while the buffer is being written.
  const auto previous =
      win32::SetNoticeHandler([&](const std::string &, const std::string &text, UINT) {
        boxes.push_back(text);
        if (running != nullptr) running->StopWaveIn();
      });
  auto thread = std::make_unique<kwTAPISoundThread>(true);
  running = thread.get();
  thread->SetupSound(folder_.Path("missing/message.wav").string().c_str(), line_, call_, 1, 10);
  RunToEnd(*thread);
  win32::SetNoticeHandler(previous);
  EXPECT_GE(thread->BuffersRecorded, 2);
  EXPECT_LT(thread->BuffersRecorded, 10);
  EXPECT_EQ(boxes, std::vector<std::string>(static_cast<size_t>(thread->BuffersRecorded),
                                            "Error opening file."));
  EXPECT_TRUE(DevicesClosed());
}

TEST_F(Recording, DeviceFailuresShowTheirBoxAndLeaveNothingOpen) {
  CORVAX_REQUIRE_ALLOCATION_FAULTS();
  const std::string openError = "Error calling waveInOpen for deviceID: 4";
  const struct {
    std::function<void()> inject;
    std::string box;
    std::string caption;
  } cases[] = {
      {[] { sim::Faults().FailNext("waveInOpen", WAVERR_BADFORMAT); }, "Unsupported format.", ""},
      {[] { sim::Faults().FailNth("waveInOpen", 2, MMSYSERR_BADDEVICEID); },
       openError + " msg : Specified device identifier is out of range.", "ERROR"},
      {[] { sim::Faults().FailNth("waveInOpen", 2, MMSYSERR_ALLOCATED); },
       openError + " msg : Specified resource is already allocated.", "ERROR"},
      {[] { sim::Faults().FailNth("waveInOpen", 2, MMSYSERR_NODRIVER); },
       openError + " msg : No device driver is present.", "ERROR"},
      {[] { sim::Faults().FailNth("waveInOpen", 2, MMSYSERR_NOMEM); },
       openError + " msg : Unable to allocate or lock memory.", "ERROR"},
      {[] { sim::Faults().FailNth("waveInOpen", 2, WAVERR_BADFORMAT); },
       openError + " msg : WAVERR_BADFORMAT", "ERROR"},
      {[] { sim::Faults().FailNth("waveInOpen", 2, MMSYSERR_ERROR); }, openError, "ERROR"},
      {[] { sim::Faults().FailNth("waveInPrepareHeader", 2, MMSYSERR_NOMEM); },
       "Error preparing message header.", ""},
      {[] { sim::Faults().FailNth("waveInAddBuffer", 3, MMSYSERR_ERROR); }, "Error adding buffer.",
       ""},
      {[] { sim::Faults().FailNext("waveInStart", MMSYSERR_ERROR); }, "Error calling waveInStart.",
       ""},
      {[] { win32::FailAllocationsOfSize(win32::Allocator::Global, 16000); }, "Not enough memory.",
       ""},
      // A header the heap refuses is told like its buffer, not left for the host to guess.
      {[] { win32::FailAllocationsOfSize(win32::Allocator::Heap, sizeof(WAVEHDR)); },
       "Not enough memory.", ""},
      {[] { sim::Faults().FailNth("lineGetIDA", 1, LINEERR_OPERATIONFAILED); },
       "Internal error in [kwTAPISoundThread::Execute] msg: Invalid deviceID: " +
           std::to_string(static_cast<LONG>(LINEERR_OPERATIONFAILED)) +
           " msg: LINEERR_OPERATIONFAILED",
       ""},
      // Success with nothing filled in: no device id is read from outside the answer.
      {[] { sim::Faults().FailNth("lineGetIDA", 1, 0); },
       "Internal error in [kwTAPISoundThread::Execute] msg: lineGetID gave no usable wave/in "
       "device id.",
       ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.box);
    component_test::TNoticeCapture notices;
    c.inject();
    const auto thread = Record(path_, 3);
    sim::Faults().Clear();
    win32::ClearAllocationFaults();
    EXPECT_FALSE(thread->Succeeded);
    const auto shown = notices.Notices();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.box);
    EXPECT_EQ(shown[0].caption, c.caption);
    EXPECT_TRUE(DevicesClosed());
    EXPECT_FALSE(std::filesystem::exists(path_)) << "no file before the first buffer";
  }
}

TEST_F(Recording, ABufferThatCannotBeUnpreparedIsLostButTheRecordingGoesOn) {
  const auto said = Speech(3 * kSecond);
  Send(said);
  sim::Faults().FailNext("waveInUnprepareHeader", WAVERR_STILLPLAYING);
  const auto thread = Record(path_, 2);
  EXPECT_TRUE(thread->Succeeded);
  EXPECT_EQ(thread->BuffersRecorded, 2);
  EXPECT_EQ(NoticeTexts(), std::vector<std::string>{
                               "Error calling waveInUnprepareHeader msg: The buffer pointed to "
                               "by the pwh parameter is still in the queue."});
  EXPECT_EQ(ReadWav(path_).samples,
            std::vector<int16_t>(said.begin() + kSecond, said.begin() + 2 * kSecond));
}

TEST_F(Recording, AFailedResetOrCloseAfterTheLastBufferStillEndsTheRecording) {
  for (const char *operation : {"waveInReset", "waveInClose"}) {
    SCOPED_TRACE(operation);
    component_test::TNoticeCapture notices;
    ForgetFarEndSound();
    const auto said = Speech(2 * kSecond);
    Send(said);
    sim::Faults().FailNext(operation, MMSYSERR_ERROR);
    auto thread = Record(path_, 1);
    EXPECT_TRUE(thread->Succeeded);
    EXPECT_EQ(NoticeTexts(),
              std::vector<std::string>{std::string("Error calling ") + operation + "."});
    EXPECT_EQ(ReadWav(path_).samples, std::vector<int16_t>(said.begin(), said.begin() + kSecond));
    thread.reset();
    EXPECT_TRUE(DevicesClosed()) << "released when the thread goes";
  }
}

TEST_F(Recording, ALengthOutsideOneToSixHundredBuffersIsRefused) {
  for (int buffers : {0, -1, 601}) {
    SCOPED_TRACE(buffers);
    component_test::TNoticeCapture notices;
    const auto thread = Record(path_, buffers);
    EXPECT_FALSE(thread->Succeeded);
    EXPECT_EQ(NoticeTexts(), std::vector<std::string>{
                                 "Internal error in [kwTAPISoundThread::Execute] msg: Invalid "
                                 "number of buffers: " +
                                 std::to_string(buffers) + " (1 to 600)."});
  }
  EXPECT_TRUE(sim::OperationJournal().Entries("waveInOpen").empty());
}

TEST_F(Recording, AFailedBeepDoesNotKeepTheRecordingFromStarting) {
  Send(Speech(2 * kSecond));
  call_ = 0;
  const auto thread = Record(path_, 1);
  EXPECT_TRUE(thread->Succeeded);
  const auto beeps = sim::OperationJournal().Entries("lineGenerateTone");
  ASSERT_EQ(beeps.size(), 1u);
  EXPECT_EQ(beeps[0].result, LINEERR_INVALCALLHANDLE);
}

TEST_F(Recording, DeletingTheThreadMidRecordingCompletesTheFileAndFreesTheDevice) {
  win32::SetTimeScale(100);
  sim::Audio().SetPacing(sim::FarEndAudio::Pacing::Live);
  const auto said = Speech(60 * kSecond);
  const double saidAt = sim::Audio().Send(kWaveIn, said);
  auto thread = std::make_unique<kwTAPISoundThread>(true);
  thread->SetupSound(path_.c_str(), line_, call_, 1, 600);
  const auto started = sound_test::NoteWaveInStart();
  thread->Resume();
  ASSERT_TRUE(PumpUntil([&] { return thread->BuffersRecorded >= 1; }, "the first buffer"));
  const double deletedFrom = win32::VirtualNow();
  thread.reset();
  const double deletedTo = win32::VirtualNow();
  ExpectCompleteFile(path_);
  const auto read = ReadWav(path_);
  EXPECT_GE(read.samples.size(), kSecond);
  EXPECT_TRUE(audio_test::StretchSaidBetween(
      read.samples, said, saidAt, {*started, deletedFrom - 1000}, {deletedFrom, deletedTo}));
  EXPECT_TRUE(DevicesClosed());
}

}  // namespace
