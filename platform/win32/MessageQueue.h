// A thread's message queue and the windows it owns. The queue lives while its thread does;
// everything in it is guarded by the kernel lock.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "platform/win32/Kernel.h"
#include "platform/win32/WinUser.h"

namespace win32::detail {

struct SentMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

struct MessageQueue {
  explicit MessageQueue(DWORD owner) : threadId(owner) {}

  const DWORD threadId;
  bool alive = true;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  bool quitPending = false;
  int quitCode = 0;
  std::vector<HWND> windows;
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

// Runs the window procedure for every message other threads have sent to this queue.
void ServeSentMessages(MessageQueue &queue);

// Marks a sent message answered and wakes its sender. Requires the kernel lock.
void Complete(SentMessage &message, LRESULT result);

// Drops what is queued for a window that is going away. Requires the kernel lock.
void ForgetWindow(MessageQueue &queue, HWND hwnd);

}  // namespace win32::detail
