// The component's line-audio entry points.
#include <atomic>
#include <thread>

#include "component/Kwtapi.h"
#include "tests/sound/SoundFixture.h"
#include "tests/winmm/Fixtures.h"

namespace {

using sound_test::SoundTest;

class SoundComponent : public SoundTest {
 protected:
  void TearDown() override {
    if (window_) DeallocateHWnd(window_);
    SoundTest::TearDown();
  }

  // The sound thread's device lookup waits until `release` is set, so the operation stays
  // busy while the component's pump runs `whileBusy`, posted to a window of the test's
  // thread before the operation starts.
  void WhileBusy(std::atomic<bool> &release, std::function<void()> whileBusy) {
    sim::Faults().FailWhen(
        "lineGetIDA",
        [&release](const sim::Invocation &) {
          while (!release) std::this_thread::yield();
          return false;
        },
        0);
    window_ = AllocateHWnd([whileBusy](TMessage &message) {
      if (message.Msg == WM_APP) whileBusy();
    });
    PostMessageA(window_, WM_APP, 0, 0);
  }

  TkwTAPI component_{nullptr};
  HWND window_ = 0;
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
  EXPECT_FALSE(
      component_.RecordASound(folder_.Path("m.wav").string().c_str(), call, 5, &status, &buffers));
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
    EXPECT_FALSE(component_.RecordASound(folder_.Path("m.wav").string().c_str(), call, seconds,
                                         &status, &buffers));
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
  component_.RecordASound(folder_.Path("m.wav").string().c_str(), call, 1, nullptr, nullptr);
  const size_t journalled = sim::OperationJournal().Entries().size();
  component_.StopRecording();
  EXPECT_EQ(sim::OperationJournal().Entries().size(), journalled);
}

TEST_F(SoundComponent, ASecondRecordingWhileOneRunsIsRefused) {
  std::atomic<bool> release{false};
  DWORD call = call_;
  AnsiString innerStatus;
  bool innerResult = true;
  WhileBusy(release, [&] {
    innerResult = component_.RecordASound(folder_.Path("b.wav").string().c_str(), call, 5,
                                          &innerStatus, nullptr);
    release = true;
  });
  component_.RecordASound(folder_.Path("a.wav").string().c_str(), call, 5, nullptr, nullptr);
  EXPECT_FALSE(innerResult);
  EXPECT_EQ(sound_test::Str(innerStatus), "Error: A recording is already running on this line.");
  EXPECT_EQ(sim::OperationJournal().Count("lineGenerateTone"), 0u) << "neither reached the beep";
}

// A handler run by the pump of a waiting operation destroys the component: the operation
// ends, and its method returns without touching the component again.
TEST_F(SoundComponent, DestroyingTheComponentEndsTheOperationItIsWaitingFor) {
  for (bool recording : {true, false}) {
    SCOPED_TRACE(recording);
    std::atomic<bool> release{false};
    auto *component = new TkwTAPI(nullptr);
    WhileBusy(release, [&] {
      release = true;
      delete component;
    });
    AnsiString status = "stale";
    DWORD call = call_;
    const bool result =
        recording ? component->RecordASound(folder_.Path("a.wav").string().c_str(), call, 5,
                                            &status, nullptr)
                  : component->PlayASound(fixtures::Sox("tone_8000_1ch_16.wav").c_str(), &status);
    EXPECT_FALSE(result);
    if (recording) {
      EXPECT_EQ(sound_test::Str(status), "Error: The recording was ended early.");
    }
    DeallocateHWnd(window_);
    window_ = 0;
    sim::Faults().Clear();
  }
}

}  // namespace
