#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SynchronizeHere.h"
#include "platform/vcl/Thread.h"
#include "tests/PumpMessages.h"
#include "tests/support/Waits.h"

namespace {

// A thread whose body is given by the test.
class BodyThread : public TThread {
 public:
  explicit BodyThread(std::function<void(BodyThread &)> body, bool createSuspended = true)
      : TThread(createSuspended), body_(std::move(body)) {}
  ~BodyThread() override { WaitFor(); }

  using TThread::ReturnValue;
  using TThread::Synchronize;
  bool Stopping() const { return Terminated; }

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(BodyThread &)> body_;
};

class Threads : public ::testing::Test {
 protected:
  void SetUp() override { Application->Initialize(); }

  // Returns once some thread is blocked in a Synchronize call waiting for this thread.
  static void AwaitSynchronizeRequest() {
    EXPECT_TRUE(test_support::Waited(
        WAIT_OBJECT_0,
        MsgWaitForMultipleObjects(0, nullptr, FALSE, test_support::kLongWaitMs, QS_SENDMESSAGE),
        "a Synchronize call"));
  }
};

TEST_F(Threads, TheInitializingThreadIsTheMainThread) {
  EXPECT_EQ(Application->MainThreadID(), GetCurrentThreadId());
  EXPECT_NE(Application->Handle(), 0u);
  HWND first = Application->Handle();
  Application->Initialize();
  EXPECT_EQ(Application->Handle(), first);
}

TEST_F(Threads, SynchronizeOnTheMainThreadRunsAtOnce) {
  BodyThread thread([](BodyThread &) {});
  DWORD ranOn = 0;
  thread.Synchronize([&ranOn] { ranOn = GetCurrentThreadId(); });
  EXPECT_EQ(ranOn, GetCurrentThreadId());
}

TEST_F(Threads, SynchronizeRunsOnlyWhenTheMainThreadPumpsAndBlocksTheCaller) {
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> callerReturned{false};
  std::atomic<bool> callerWasBlocked{false};
  BodyThread thread([&](BodyThread &self) {
    self.Synchronize([&] {
      ranOn = GetCurrentThreadId();
      callerWasBlocked = !callerReturned;
    });
    callerReturned = true;
  });
  thread.Resume();
  AwaitSynchronizeRequest();
  // The caller stays blocked for as long as the main thread does not pump.
  Sleep(test_support::kStillWaitingMs);
  EXPECT_EQ(ranOn, 0u);
  EXPECT_FALSE(callerReturned);
  EXPECT_FALSE(thread.Finished());
  Application->ProcessMessages();
  EXPECT_EQ(ranOn, GetCurrentThreadId());
  thread.WaitFor();
  EXPECT_TRUE(callerWasBlocked);
  EXPECT_TRUE(callerReturned);
}

TEST_F(Threads, AnyPumpServesSynchronize) {
  std::atomic<int> served{0};
  auto count = [&served] { ++served; };
  MSG msg;

  BodyThread peeking([&](BodyThread &self) { self.Synchronize(count); });
  peeking.Resume();
  AwaitSynchronizeRequest();
  EXPECT_FALSE(PeekMessageA(&msg, 0, WM_APP, WM_APP, PM_NOREMOVE));
  EXPECT_EQ(served, 1);

  BodyThread dispatching([&](BodyThread &self) { self.Synchronize(count); });
  dispatching.Resume();
  AwaitSynchronizeRequest();
  while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_EQ(served, 2);

  // This one also ends the main thread's GetMessageA loop.
  BodyThread getting([&](BodyThread &self) {
    self.Synchronize([&] {
      count();
      PostQuitMessage(0);
    });
  });
  getting.Resume();
  while (GetMessageA(&msg, 0, 0, 0) > 0) DispatchMessageA(&msg);
  EXPECT_EQ(served, 3);
}

TEST_F(Threads, SynchronizeCarriesTheExceptionBackToTheCaller) {
  std::string caught;
  BodyThread thread([&](BodyThread &self) {
    try {
      self.Synchronize([] { throw std::runtime_error("raised on the main thread"); });
    } catch (const std::runtime_error &error) {
      caught = error.what();
    }
  });
  thread.Resume();
  AwaitSynchronizeRequest();
  Application->ProcessMessages();
  thread.WaitFor();
  EXPECT_EQ(caught, "raised on the main thread");
}

TEST_F(Threads, AnExceptionEscapingExecuteIsKept) {
  BodyThread thread([](BodyThread &) { throw std::runtime_error("escaped"); });
  thread.Resume();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

TEST_F(Threads, WaitForOnTheMainThreadServesSynchronizeOfTheAwaitedThread) {
  std::atomic<DWORD> ranOn{0};
  BodyThread thread([&](BodyThread &self) {
    self.Synchronize([&] { ranOn = GetCurrentThreadId(); });
    self.ReturnValue = 7;
  });
  thread.Resume();
  EXPECT_EQ(thread.WaitFor(), 7);
  EXPECT_EQ(ranOn, GetCurrentThreadId());
}

class CountingThread : public TThread {
 public:
  CountingThread(std::atomic<int> &runs, std::atomic<bool> &ended)
      : TThread(true), runs_(runs), ended_(ended) {}
  // Set as the body's last act. A destructor that stops the thread has already destroyed the
  // members, so the body reads them only before it is told to stop.
  std::atomic<bool> *bodyFinished = nullptr;
  ~CountingThread() override { CloseHandle(started); }

  const HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);

 protected:
  void Execute() override {
    ++runs_;
    std::atomic<bool> *finished = bodyFinished;
    SetEvent(started);
    while (!Terminated) Sleep(0);
    if (finished) *finished = true;
  }
  void DoTerminate() override { ended_ = true; }

 private:
  std::atomic<int> &runs_;
  std::atomic<bool> &ended_;
};

// Synchronizes once it is told to stop: the destructor that stops it must serve that call.
// Its body uses its own members, so its destructor stops it before they go.
class StopSynchronizingThread : public TThread {
 public:
  explicit StopSynchronizingThread(std::atomic<int> &served) : TThread(true), served_(served) {}
  ~StopSynchronizingThread() override {
    Terminate();
    WaitFor();
    CloseHandle(started);
  }

  const HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);

 protected:
  void Execute() override {
    SetEvent(started);
    while (!Terminated) Sleep(0);
    Synchronize(&StopSynchronizingThread::Count);
  }

 private:
  void Count() { ++served_; }
  std::atomic<int> &served_;
};

TEST_F(Threads, DestructorServesSynchronizeWhileItWaits) {
  std::atomic<int> served{0};
  auto thread = std::make_unique<StopSynchronizingThread>(served);
  thread->Resume();
  EXPECT_TRUE(test_support::Waited(WAIT_OBJECT_0,
                                   WaitForSingleObject(thread->started, test_support::kLongWaitMs),
                                   "the thread to start"));
  thread.reset();
  EXPECT_EQ(served, 1);
}

TEST_F(Threads, DestructorTerminatesAndWaitsForARunningThread) {
  std::atomic<int> runs{0};
  std::atomic<bool> ended{false};
  std::atomic<bool> bodyFinished{false};
  auto thread = std::make_unique<CountingThread>(runs, ended);
  thread->bodyFinished = &bodyFinished;
  thread->Resume();
  thread->Resume();
  EXPECT_TRUE(test_support::Waited(WAIT_OBJECT_0,
                                   WaitForSingleObject(thread->started, test_support::kLongWaitMs),
                                   "the thread to start"));
  thread.reset();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(bodyFinished);
}

TEST_F(Threads, TerminateEndsTheLoopAndDoTerminateRunsAfterExecute) {
  std::atomic<int> runs{0};
  std::atomic<bool> ended{false};
  CountingThread thread(runs, ended);
  thread.Resume();
  thread.Terminate();
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(ended);
}

TEST_F(Threads, ANeverResumedThreadIsDestroyedWithoutRunning) {
  std::atomic<int> runs{0};
  std::atomic<bool> ended{false};
  {
    CountingThread thread(runs, ended);
    EXPECT_TRUE(thread.Suspended());
    EXPECT_EQ(thread.WaitFor(), 0);
  }
  EXPECT_EQ(runs, 0);
  EXPECT_FALSE(ended);
}

TEST_F(Threads, SynchronizeWithoutAnApplicationSaysWhatIsMissing) {
  TApplication *previous = Application;
  TApplication none;
  Application = &none;
  std::string caught;
  BodyThread thread([&](BodyThread &self) {
    try {
      self.Synchronize([] {});
    } catch (const Exception &error) {
      caught = error.Message.c_str();
    }
  });
  thread.Resume();
  thread.WaitFor();
  Application = previous;
  EXPECT_EQ(caught,
            "Synchronize has no main thread to run on: call Application->Initialize() on the "
            "program's main thread first");
}

TEST_F(Threads, SynchronizeFailsWhenTheMainThreadIsGone) {
  TApplication *previous = Application;
  TApplication other;
  std::thread([&other] { other.Initialize(); }).join();
  Application = &other;
  std::string caught;
  BodyThread thread([&](BodyThread &self) {
    try {
      self.Synchronize([] {});
    } catch (const std::runtime_error &error) {
      caught = error.what();
    }
  });
  thread.Resume();
  thread.WaitFor();
  Application = previous;
  EXPECT_EQ(caught, "the main thread ended before it ran a Synchronize call");
}

TEST_F(Threads, AThreadCreatedInASynchronizeHereScopeSynchronizesWithItsCreator) {
  std::atomic<DWORD> creator{0}, ranOn{0}, ranOnAfterScope{0};
  std::atomic<bool> servedByPump{false};
  std::thread host([&] {
    creator = GetCurrentThreadId();
    {
      TSynchronizeHere here;
      EXPECT_NE(TSynchronizeHere::OfThisThread(), 0u);
      // Served by this thread's pump...
      BodyThread pumped([&](BodyThread &self) {
        self.Synchronize([&] { servedByPump = GetCurrentThreadId() == creator; });
      });
      pumped.Resume();
      AwaitSynchronizeRequest();
      Application->ProcessMessages();
      pumped.WaitFor();
      // ...and by its wait for the thread, as the main thread's wait serves its own.
      BodyThread waited(
          [&](BodyThread &self) { self.Synchronize([&] { ranOn = GetCurrentThreadId(); }); });
      waited.Resume();
      waited.WaitFor();
    }
    EXPECT_EQ(TSynchronizeHere::OfThisThread(), 0u);
    // Outside the scope the application's main thread runs the calls again.
    BodyThread later([&](BodyThread &self) {
      self.Synchronize([&] { ranOnAfterScope = GetCurrentThreadId(); });
    });
    later.Resume();
    later.WaitFor();
  });
  // The main thread serves only the call made outside the scope.
  test_support::PumpMessagesUntil([&] { return ranOnAfterScope != 0; });
  host.join();
  EXPECT_TRUE(servedByPump);
  EXPECT_EQ(ranOn, creator);
  EXPECT_EQ(ranOnAfterScope, GetCurrentThreadId());
}

TEST_F(Threads, SynchronizeHereScopesNestAndTheInnermostCounts) {
  std::thread host([] {
    TSynchronizeHere outer;
    const HWND outerWindow = TSynchronizeHere::OfThisThread();
    {
      TSynchronizeHere inner;
      EXPECT_NE(TSynchronizeHere::OfThisThread(), outerWindow);
    }
    EXPECT_EQ(TSynchronizeHere::OfThisThread(), outerWindow);
  });
  host.join();
  EXPECT_EQ(TSynchronizeHere::OfThisThread(), 0u) << "scopes belong to their thread";
}

TEST_F(Threads, SynchronizeAfterItsScopeEndedRaisesInsteadOfHanging) {
  std::string caught;
  std::unique_ptr<BodyThread> orphan;
  const HANDLE scopeEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread host([&] {
    TSynchronizeHere here;
    orphan = std::make_unique<BodyThread>([&](BodyThread &self) {
      EXPECT_TRUE(test_support::Waited(
          WAIT_OBJECT_0, WaitForSingleObject(scopeEnded, test_support::kLongWaitMs),
          "the scope to end"));
      try {
        self.Synchronize([] {});
      } catch (const std::exception &error) {
        caught = error.what();
      }
    });
    orphan->Resume();
  });
  host.join();
  SetEvent(scopeEnded);
  orphan->WaitFor();
  CloseHandle(scopeEnded);
  EXPECT_EQ(caught, "the main thread ended before it ran a Synchronize call");
}

}  // namespace
