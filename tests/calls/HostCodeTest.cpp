// Host code run by the component's own methods (event handlers, window procedures pumped by a
// sound operation) that destroys the component, opens or closes its device again, or throws:
// every such road ends without a hang, a touch of freed memory or anything left open.
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "simulator/Operation.h"
#include "tests/calls/CallsFixture.h"

namespace calls_test {
namespace {

using Lines = std::vector<std::string>;

const char *const kAfterClose = "In [TkwTAPI::~TkwTAPI] after CloseDevice.";

class HostCodeTest : public CallsTest {
 protected:
  ~HostCodeTest() override {
    if (window_ != 0) DeallocateHWnd(window_);
    if (fetched_ != 0) CloseHandle(fetched_);
  }

  bool Saw(const std::string &event) const {
    return std::find(host.events.begin(), host.events.end(), event) != host.events.end();
  }
  // Pumps until the event was raised or the component is gone.
  void Await(const std::string &event) {
    PumpUntil([&] { return !component || Saw(event); });
  }
  // Answers the call just offered on line 0 and waits until it is connected; its handle.
  DWORD AnswerOffered() {
    Await("offering 1 4");
    DWORD hCall = host.hLastCall;
    EXPECT_GT(component->AnswerTheLine(hCall, nullptr), 0);
    Await("connected N/A|1|4|0|N/A| call");
    return hCall;
  }

  // Makes thread #1 hold the next message it fetches in its hand-off until the main thread
  // serves it: the test then knows that CloseDevice's wait will run the handler. A ring is
  // one message (an offered call is two).
  void HoldNextHandOff() {
    fetched_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    sim::Faults().FailWhen(
        "lineGetMessage",
        [event = fetched_](const sim::Invocation &) {
          SetEvent(event);
          return false;
        },
        0);
  }
  void AwaitHandOff() const { ASSERT_EQ(WaitForSingleObject(fetched_, 10000), WAIT_OBJECT_0); }

  // Holds the sound thread at its first call of `operation` until Release(): the sound
  // operation is then certainly still running when its pump runs host code.
  void HoldSoundAt(const std::string &operation) {
    released_ = std::promise<void>();
    releasedOnce_ = false;
    sim::Faults().FailWhen(
        operation,
        [held = released_.get_future().share()](const sim::Invocation &) {
          held.wait_for(std::chrono::seconds(10));
          return false;
        },
        0);
  }
  void Release() {
    if (!std::exchange(releasedOnce_, true)) released_.set_value();
  }

  // A window of the test's thread whose message, posted now, runs `action` in the next pump.
  void PostToPump(std::function<void()> action) {
    window_ = AllocateHWnd([action](TMessage &message) {
      if (message.Msg == WM_APP) action();
    });
    PostMessageA(window_, WM_APP, 0, 0);
  }

  // The component is gone and left nothing behind: no line, instance or call handle, no
  // box, and its log ends with the destructor's own line.
  void ExpectDestroyedCleanly() {
    EXPECT_EQ(component, nullptr);
    ExpectNothingLeft();
    for (const auto &notice : boxes.Notices()) ADD_FAILURE() << notice.text;
    const Lines lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kAfterClose) << "nothing of the component ran after it went";
  }

  HANDLE fetched_ = 0;
  HWND window_ = 0;
  std::promise<void> released_;
  bool releasedOnce_ = true;
};

// The whole road of an answered call; a handler destroys the component at one of its events.
TEST_F(HostCodeTest, AHandlerThatDestroysTheComponentEndsTheDispatchThere) {
  const Lines triggers = {"offering 1 4",
                          "ring 1",
                          "callerid Alice|5551234|0 call",
                          "reply 0",
                          "connected N/A|1|4|0|N/A| call",
                          "digit 5 call",
                          "disconnected call"};
  for (const std::string &trigger : triggers) {
    SCOPED_TRACE(trigger);
    if (!component) {
      component = std::make_unique<TkwTAPI>(nullptr);
      component->DebugLogFile = AnsiString(folder.Path("debug.log").string().c_str());
      host = THost();
      host.Attach(*component);
    }
    host.after = [&](const std::string &event) {
      if (event == trigger) component.reset();
    };
    Open();
    const sim::CallId call = exchange.OfferCall(0);
    Await("offering 1 4");
    if (component) exchange.Ring(0, 1);
    Await("ring 1");
    if (component) exchange.SetCallerId(call, {"Alice", "5551234"});
    Await("callerid Alice|5551234|0 call");
    DWORD hCall = host.hLastCall;
    if (component) {
      EXPECT_GT(component->AnswerTheLine(hCall, nullptr), 0);
    }
    Await("connected N/A|1|4|0|N/A| call");
    if (component) {
      EXPECT_EQ(component->MonitorDigits(hCall, true), 0);
      exchange.DigitDetected(call, '5', LINEDIGITMODE_DTMF);
    }
    Await("digit 5 call");
    if (component) exchange.HangUp(call);
    Await("disconnected call");
    EXPECT_EQ(host.events.back(), trigger) << "no event after the handler that destroyed it";
    ExpectDestroyedCleanly();
    exchange.HangUp(call);
  }
}

TEST_F(HostCodeTest, AHandlerServedWhileCloseDeviceWaitsMayDestroyTheComponent) {
  Open();
  HoldNextHandOff();
  host.after = [&](const std::string &event) {
    if (event == "ring 1") component.reset();
  };
  exchange.Ring(0, 1);
  AwaitHandOff();
  EXPECT_FALSE(component->CloseDevice()) << "the close did not finish: the component went";
  ExpectDestroyedCleanly();
}

// The handler itself is inside PlayASound or RecordASound when host code run by their pump
// destroys the component. A playback is held before it can end, and let go once the
// component is gone; a recording's worker is let go first, since the component's end waits
// for it.
TEST_F(HostCodeTest, AHandlerDestroysTheComponentWhileItsOwnSoundOperationPumps) {
  for (const bool recording : {false, true}) {
    SCOPED_TRACE(recording ? "RecordASound" : "PlayASound");
    if (!component) {
      component = std::make_unique<TkwTAPI>(nullptr);
      component->DebugLogFile = AnsiString(folder.Path("debug.log").string().c_str());
      host.Attach(*component);
    }
    component_test::TFastClock fast;
    Open();
    HoldSoundAt(recording ? "waveInStart" : "waveOutWrite");
    bool result = true;
    bool returned = false;
    AnsiString status;
    host.after = [&](const std::string &event) {
      if (event != "offering 1 4") return;
      PostToPump([&] {
        if (recording) Release();
        component.reset();
        Release();
      });
      DWORD hCall = host.hLastCall;
      result = recording ? component->RecordASound(folder.Path("m.wav").string().c_str(), hCall, 30,
                                                   &status, nullptr)
                         : component->PlayASound(CORVAX_CALLS_GREETING, &status);
      returned = true;
    };
    exchange.OfferCall(0);
    PumpUntil([&] { return returned; });
    EXPECT_FALSE(result);
    if (recording) {
      EXPECT_EQ(std::string(status.c_str()), "Error: The recording was ended early.");
    }
    ExpectDestroyedCleanly();
    EXPECT_TRUE(component_test::WaveDevicesFree(*exchange.WaveOutId(0), *exchange.WaveInId(0)));
    DeallocateHWnd(window_);
    window_ = 0;
    sim::Faults().Clear();
  }
}

TEST_F(HostCodeTest, AnErrorHandlerThatDestroysTheComponentEndsTheOpen) {
  sim::Faults().FailNext("lineNegotiateAPIVersion", LINEERR_NODRIVER);
  host.after = [&](const std::string &event) {
    if (event.starts_with("error ")) component.reset();
  };
  DWORD dwDevice = 0;
  EXPECT_FALSE(component->OpenDevice(dwDevice, false, false));
  EXPECT_EQ(host.events, Lines{"error lineNegotiateAPIVersion failed | 2 1"});
  ExpectDestroyedCleanly();
}

// Both orders: a handler served by CloseDevice's wait, and one served by the close an open
// makes of the device it replaces, asks to open the device; the close around it would undo
// that open, so the open is refused and the outer call finishes as asked.
TEST_F(HostCodeTest, AHandlerCannotOpenTheDeviceWhileItIsBeingClosed) {
  const std::string refused = "error The device cannot be opened while it is being closed. | 0 1";
  for (const bool outerIsOpen : {false, true}) {
    SCOPED_TRACE(outerIsOpen ? "OpenDevice's close" : "CloseDevice");
    Open();
    HoldNextHandOff();
    bool innerOpened = true;
    host.after = [&](const std::string &event) {
      if (event != "ring 1") return;
      DWORD dwDevice = 0;
      innerOpened = component->OpenDevice(dwDevice, false, false);
    };
    exchange.Ring(0, 1);
    AwaitHandOff();
    DWORD dwDevice = 0;
    EXPECT_TRUE(outerIsOpen ? component->OpenDevice(dwDevice, false, false)
                            : component->CloseDevice());
    EXPECT_FALSE(innerOpened);
    EXPECT_TRUE(Saw(refused));
    EXPECT_EQ(exchange.OpenLineCount(0), outerIsOpen ? 1u : 0u);
    sim::Faults().Clear();
    host.after = nullptr;
    component->CloseDevice();
    ExpectNothingLeft();
    host.events.clear();
  }
}

TEST_F(HostCodeTest, AHandlerThatClosesDuringCloseLeavesOneClose) {
  Open();
  HoldNextHandOff();
  host.after = [&](const std::string &event) {
    if (event == "ring 1") {
      EXPECT_TRUE(component->CloseDevice());
    }
  };
  exchange.Ring(0, 1);
  AwaitHandOff();
  component->CloseDevice();
  EXPECT_EQ(sim::OperationJournal().Count("lineClose"), 1u);
  EXPECT_EQ(sim::OperationJournal().Count("lineShutdown"), 1u);
  EXPECT_TRUE(boxes.Notices().empty());
  ExpectNothingLeft();
}

// A window procedure run by the pump of a sound operation throws: the exception reaches the
// caller, the operation's device is released, and the component goes on working.
TEST_F(HostCodeTest, AnExceptionFromHostCodeLeavesTheSoundOperationReleased) {
  component_test::TFastClock fast;
  Open();
  const sim::CallId call = exchange.OfferCall(0);
  DWORD hCall = AnswerOffered();
  for (const bool recording : {false, true}) {
    SCOPED_TRACE(recording ? "RecordASound" : "PlayASound");
    sim::OperationJournal().Clear();
    HoldSoundAt(recording ? "waveInStart" : "waveOutWrite");
    PostToPump([&] {
      Release();
      throw Exception("from the host");
    });
    const std::string path = folder.Path(recording ? "m.wav" : "").string();
    EXPECT_THROW(recording ? component->RecordASound(path.c_str(), hCall, 30, nullptr, nullptr)
                           : component->PlayASound(CORVAX_CALLS_GREETING, nullptr),
                 Exception);
    DeallocateHWnd(window_);
    window_ = 0;
    sim::Faults().Clear();
    if (recording) {
      // The recording ended with the exception, keeping what it had.
      EXPECT_EQ(sim::OperationJournal().Count("waveInClose"), 1u);
      EXPECT_TRUE(std::filesystem::exists(path));
      AnsiString status;
      EXPECT_TRUE(component->RecordASound(path.c_str(), hCall, 1, &status, nullptr))
          << "no recording is left running: " << status.c_str();
    } else {
      EXPECT_EQ(sim::OperationJournal().Count("waveOutReset"), 1u);
      EXPECT_EQ(sim::OperationJournal().Count("waveOutClose"), 1u);
      EXPECT_EQ(sim::OperationJournal().Count("waveOutUnprepareHeader"),
                sim::OperationJournal().Count("waveOutPrepareHeader"));
      EXPECT_TRUE(component->PlayASound(CORVAX_CALLS_GREETING, nullptr));
    }
    EXPECT_TRUE(component_test::WaveDevicesFree(*exchange.WaveOutId(0), *exchange.WaveInId(0)));
  }
  exchange.HangUp(call);
  component.reset();
  ExpectNothingLeft();
  EXPECT_TRUE(boxes.Notices().empty());
}

// The caller hangs up during the greeting: the host's handler, run by PlayASound's pump, ends
// the playback, which gives its device back at once instead of playing into a dead call.
TEST_F(HostCodeTest, AHandlerStopsTheGreetingWhenTheCallerHangsUp) {
  component_test::TFastClock fast;
  Open();
  const sim::CallId call = exchange.OfferCall(0);
  AnswerOffered();
  sim::OperationJournal().Clear();
  // The first block is held until the handler has asked for the stop.
  HoldSoundAt("waveOutWrite");
  host.after = [&](const std::string &event) {
    if (event != "disconnected call") return;
    component->StopPlaying();
    Release();
  };
  PostToPump([&] { exchange.HangUp(call); });
  AnsiString status;
  EXPECT_FALSE(component->PlayASound(CORVAX_CALLS_GREETING, &status));
  EXPECT_EQ(std::string(status.c_str()), "Error: Playback stopped before its end.");
  const auto &journal = sim::OperationJournal();
  EXPECT_EQ(journal.Count("waveOutReset"), 1u);
  EXPECT_EQ(journal.Count("waveOutClose"), 1u);
  EXPECT_EQ(journal.Count("waveOutUnprepareHeader"), journal.Count("waveOutPrepareHeader"));
  EXPECT_TRUE(component_test::WaveDevicesFree(*exchange.WaveOutId(0), *exchange.WaveInId(0)));
}

}  // namespace
}  // namespace calls_test
