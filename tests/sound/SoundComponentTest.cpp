// The component's line-audio entry points.
#include "component/Kwtapi.h"
#include "tests/sound/SoundFixture.h"
#include "tests/winmm/Fixtures.h"

namespace {

using sound_test::SoundTest;

class SoundComponent : public SoundTest {
 protected:
  TkwTAPI component_{nullptr};
};

TEST_F(SoundComponent, WithoutAnOpenLineNothingPlaysOrRecords) {
  const std::string invalid =
      "Internal error in [kwTAPISoundThread::Execute] msg: Invalid deviceID: " +
      std::to_string(static_cast<LONG>(LINEERR_INVALLINEHANDLE)) + " msg: LINEERR_INVALLINEHANDLE";
  AnsiString status = "stale";
  EXPECT_FALSE(component_.PlayASound(fixtures::Sox("tone_8000_1ch_16.wav").c_str(), &status));
  EXPECT_EQ(status, "");
  EXPECT_FALSE(component_.PlayASound(fixtures::Sox("tone_8000_1ch_16.wav").c_str(), nullptr));
  DWORD call = call_;
  int buffers = -1;
  status = "stale";
  EXPECT_FALSE(component_.RecordASound(folder_.Path("m.wav").c_str(), call, 5, &status, &buffers));
  EXPECT_EQ(status, "");
  EXPECT_EQ(buffers, 0);
  EXPECT_EQ(NoticeTexts(), std::vector<std::string>(3, invalid));
}

TEST_F(SoundComponent, ARecordingLengthOutsideOneToSixHundredSecondsIsRefused) {
  DWORD call = call_;
  for (int seconds : {0, -5, 601}) {
    SCOPED_TRACE(seconds);
    AnsiString status;
    int buffers = -1;
    EXPECT_FALSE(
        component_.RecordASound(folder_.Path("m.wav").c_str(), call, seconds, &status, &buffers));
    EXPECT_EQ(sound_test::Str(status), "Error: Invalid recording length: " +
                                           std::to_string(seconds) + " seconds (1 to 600).");
    EXPECT_EQ(buffers, -1) << "nothing was recorded";
  }
  EXPECT_TRUE(NoticeTexts().empty());
  EXPECT_TRUE(sim::OperationJournal().Entries("lineGenerateTone").empty());
}

TEST_F(SoundComponent, StopRecordingWithoutARunningRecordingDoesNothing) {
  component_.StopRecording();
  DWORD call = call_;
  component_.RecordASound(folder_.Path("m.wav").c_str(), call, 1, nullptr, nullptr);
  const size_t journalled = sim::OperationJournal().Entries().size();
  component_.StopRecording();
  EXPECT_EQ(sim::OperationJournal().Entries().size(), journalled);
}

}  // namespace
