// Components on threads of their own, each opened inside a TSynchronizeHere scope: every
// component's events arrive on the thread that opened its line, while that thread pumps, and a
// line busy in a blocking method holds up no other line. The main thread never pumps here.
#include <gtest/gtest.h>
#include <vcl.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Clock.h"
#include "component/Kwtapi.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Selection.h"
#include "tests/component/TestSupport.h"

namespace {

using namespace std::chrono_literals;

// Pumps the calling thread until `done`, for at most a real minute.
bool ServeUntil(const std::function<bool()> &done) {
  const auto giveUp = std::chrono::steady_clock::now() + 1min;
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return true;
}

// What one line's thread saw.
struct TLineSeen {
  std::atomic<DWORD> threadId{0};
  std::atomic<bool> opened{false};
  std::atomic<bool> eventsOnOwnThread{true};
  std::atomic<int> events{0};
  std::atomic<HCALL> offered{0};
  std::atomic<bool> connected{false};
  std::atomic<bool> playing{false};
  std::atomic<bool> playReturned{false};
  std::atomic<bool> failed{false};
  // Posting kStopPlaying to it stops the line's greeting, from the line's own thread.
  std::atomic<HWND> control{0};
};

constexpr UINT kStopPlaying = WM_APP + 7;

// Opens `device` on the calling thread, answers the call offered on it and, when `greeting`
// is given, plays it into the call; ends when the call is over or `stop` is set.
void ServeLine(DWORD device, const char *greeting, TLineSeen &seen, std::atomic<bool> &stop) {
  seen.threadId = GetCurrentThreadId();
  TSynchronizeHere here;
  TEventHandlers handlers;
  TkwTAPI tapi(nullptr);
  const HWND control = AllocateHWnd([&tapi](TMessage &message) {
    if (message.Msg == kStopPlaying) tapi.StopPlaying();
  });
  seen.control = control;
  struct TRelease {
    HWND window;
    ~TRelease() { DeallocateHWnd(window); }
  } release{control};
  auto note = [&seen] {
    ++seen.events;
    if (GetCurrentThreadId() != seen.threadId) seen.eventsOnOwnThread = false;
  };
  handlers.Set(tapi.OnCallOfferingEvent, [&](HCALL hCall, int, int) {
    note();
    seen.offered = hCall;
  });
  handlers.Set(tapi.OnCallConnectedEvent,
               [&](AnsiString, DWORD, DWORD, DWORD, AnsiString, AnsiString, HCALL) {
                 note();
                 seen.connected = true;
               });
  handlers.Set(tapi.OnCallInfoEvent, [&](LINEMESSAGE *, LINECALLINFO *) { note(); });
  DWORD dwDevice = device;
  if (!tapi.OpenDevice(dwDevice, false, true)) {
    seen.failed = true;
    return;
  }
  seen.opened = true;
  if (!ServeUntil([&] { return stop || seen.offered != 0; }) || stop) return;
  DWORD hCall = seen.offered;
  if (tapi.AnswerTheLine(hCall, nullptr) <= 0 ||
      !ServeUntil([&] { return stop || seen.connected; })) {
    seen.failed = true;
    return;
  }
  if (greeting != nullptr) {
    seen.playing = true;
    tapi.PlayASound(greeting, nullptr);
    seen.playing = false;
    seen.playReturned = true;
  }
  tapi.CloseCall(hCall);
  ServeUntil([&] { return stop.load(); });
  tapi.CloseDevice();
}

bool AwaitReal(const std::function<bool()> &holds) {
  const auto giveUp = std::chrono::steady_clock::now() + 1min;
  while (!holds()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::yield();
  }
  return true;
}

class LineThreads : public ::testing::Test {
 protected:
  LineThreads() {
    Application->Initialize();
    sim::UseSimulatedExchange();
    sim::TheExchange().Reset(2);
  }

  ~LineThreads() override { win32::SetTimeScale(1.0); }

  component_test::TNoticeCapture boxes;
};

TEST_F(LineThreads, EachLineIsServedOnItsOwnThreadAndABlockedOneHoldsUpNoOther) {
  // The two-second greeting lasts eight real ones: line 0 is still inside PlayASound when
  // line 1 has been answered, however busy the machine; the test then stops it.
  win32::SetTimeScale(0.25);
  sim::Exchange &exchange = sim::TheExchange();
  TLineSeen first, second;
  std::atomic<bool> stop{false};
  std::thread line0([&] { ServeLine(0, CORVAX_CALLS_GREETING, first, stop); });
  std::thread line1([&] { ServeLine(1, nullptr, second, stop); });
  const bool bothOpen =
      AwaitReal([&] { return (first.opened || first.failed) && (second.opened || second.failed); });
  ASSERT_TRUE(bothOpen && first.opened && second.opened) << "both lines open";

  // Line 0 answers and plays its greeting; its thread stays inside PlayASound meanwhile.
  const sim::CallId call0 = exchange.OfferCall(0);
  EXPECT_TRUE(AwaitReal([&] { return first.playing || first.failed; })) << "line 0 playing";
  // Line 1's whole call, from offering to connected, happens while line 0 still plays.
  const sim::CallId call1 = exchange.OfferCall(1);
  EXPECT_TRUE(AwaitReal([&] { return second.connected || second.failed; })) << "line 1 answered";
  const bool line0StillPlaying = first.playing;
  PostMessageA(first.control, kStopPlaying, 0, 0);
  EXPECT_TRUE(AwaitReal([&] { return first.playReturned || first.failed; })) << "greeting ended";
  stop = true;
  line0.join();
  line1.join();

  EXPECT_TRUE(second.connected);
  EXPECT_TRUE(line0StillPlaying) << "line 1 was answered during line 0's greeting";
  EXPECT_GT(first.events, 0);
  EXPECT_GT(second.events, 0);
  EXPECT_TRUE(first.eventsOnOwnThread);
  EXPECT_TRUE(second.eventsOnOwnThread);
  EXPECT_EQ(exchange.CallState(call0), LINECALLSTATE_IDLE);
  EXPECT_EQ(exchange.CallState(call1), LINECALLSTATE_IDLE);
  EXPECT_EQ(exchange.ApplicationCount(), 0u);
  EXPECT_TRUE(boxes.Notices().empty());
}

}  // namespace
