// Threads of the framework: a body in Execute, started suspended or not, stopped cooperatively
// through Terminated, and Synchronize to run a method on the main thread (or on the thread
// that created the thread object inside a TSynchronizeHere scope).
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TThread {
 public:
  // A base constructor cannot start a thread that calls the derived Execute safely, so a
  // thread created with CreateSuspended false starts when the derived constructor calls
  // Resume() (or the creator does).
  explicit TThread(bool CreateSuspended);
  TThread(const TThread &) = delete;
  TThread &operator=(const TThread &) = delete;
  // Terminates and waits for a running thread; a thread never resumed is not started.
  virtual ~TThread();

  // Starts the thread and returns once it is about to run Execute; later calls do nothing.
  void Resume();
  void Terminate() { Terminated = true; }
  // Waits until Execute has returned and yields ReturnValue. On the thread its Synchronize
  // calls run on it keeps serving them meanwhile, so the thread waited for cannot block on one.
  int WaitFor();

  // Signalled once the thread has ended, for waits on several things at once; valid while the
  // object lives.
  HANDLE Handle() const { return ended_; }
  bool Suspended() const { return !started_; }
  bool Finished() const { return finished_; }
  // The exception that escaped Execute, if any; read once the thread has finished.
  std::exception_ptr FatalException() const { return fatal_; }
  bool CreateSuspended() const { return createSuspended_; }

  // Set while the thread cannot end (for example during its hand-off to the main thread): it
  // then deletes itself once Execute has returned, and nobody else may wait for or delete it.
  std::atomic<bool> FreeOnTerminate{false};

 protected:
  virtual void Execute() = 0;
  // Runs in the thread after Execute.
  virtual void DoTerminate() {}

  // Runs method on the main thread and returns when it has; an exception it raises is raised
  // again here. Called on the main thread, runs it at once. A thread object created inside a
  // TSynchronizeHere scope has the scope's thread for its main thread.
  void Synchronize(const std::function<void()> &method);
  template <class T>
  void Synchronize(void (T::*method)()) {
    T *self = static_cast<T *>(this);
    Synchronize(std::function<void()>([self, method] { (self->*method)(); }));
  }

  std::atomic<bool> Terminated{false};
  int ReturnValue = 0;

 private:
  void Run();
  void WaitForEnd();
  bool OnSynchronizeThread() const;

  // The scope's window and thread when created inside a TSynchronizeHere; 0: the application.
  const HWND synchronizeWindow_;
  const DWORD synchronizeThread_;
  const bool createSuspended_;
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<DWORD> threadId_{0};
  const HANDLE running_;
  const HANDLE ended_;
  std::exception_ptr fatal_;
  std::mutex lifecycle_;
  std::thread thread_;
};
