// A thread's message queue and the windows it owns. The queue lives while its thread does;
// everything in it is guarded by the kernel lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/Kernel.h"
#include "platform/win32/WinUser.h"

namespace win32::detail {

struct MessageQueue;

// A message sent to another thread's window. It lives on the sender's stack: the sender waits
// until it is done, and whoever marks it done has taken it out of every queue first.
struct SentMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::shared_ptr<MessageQueue> sender;
  LRESULT result = 0;
  std::atomic<bool> done = false;  // set under the kernel lock; a sender may look without it
};

struct MessageQueue {
  explicit MessageQueue(DWORD owner) : threadId(owner) {}

  const DWORD threadId;
  bool alive = true;
  std::deque<MSG> posted;
  std::deque<SentMessage *> sent;
  bool quitPending = false;
  int quitCode = 0;
  std::vector<HWND> windows;
  // The queue's own thread waits here for its messages and for the answers to its sends, so
  // that a message wakes only the thread it is for.
  std::condition_variable changed;
  // Counts what arrived, so that the thread can look for news briefly without the lock.
  std::atomic<unsigned> arrivals = 0;
};

class Window : public KernelObject {
 public:
  Window(WNDPROC procedure, std::shared_ptr<MessageQueue> owner)
      : proc(procedure), queue(std::move(owner)) {}
  bool Closable() const override { return false; }
  bool OwnedByCallingThread() const { return queue->threadId == GetCurrentThreadId(); }

  const WNDPROC proc;
  const std::shared_ptr<MessageQueue> queue;
  LONG_PTR userData = 0;
  bool destroying = false;
};

// The calling thread's queue, made on first use and retired when the thread ends.
std::shared_ptr<MessageQueue> CurrentQueue();

// Runs the window procedure for every message other threads have sent to this queue. Holds
// the kernel lock on entry and return; lets go of it while a procedure runs.
void ServeSentMessages(MessageQueue &queue, std::unique_lock<std::mutex> &hold);

// Most answers and messages come within microseconds: a thread looks for them for a short
// while before it sleeps, and saves both its own sleep and the other thread's wake-up call.
// Called without the kernel lock; `ready` reads only atomics.
void AwaitBriefly(const std::function<bool()> &ready);

// Wakes the queue's thread after something arrived for it, wherever it waits: on its queue or,
// in MsgWaitForMultipleObjects, on the kernel.
void Wake(MessageQueue &queue);

// Marks a sent message answered; the caller wakes the sender it returns. Requires the kernel
// lock, and the message must be out of every queue.
[[nodiscard]] std::shared_ptr<MessageQueue> Complete(SentMessage &message, LRESULT result);

// Drops what is queued for a window that is going away. Requires the kernel lock.
void ForgetWindow(MessageQueue &queue, HWND hwnd);

}  // namespace win32::detail
