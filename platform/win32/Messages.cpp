// Posting to and taking from the per-thread queues.
#include "platform/win32/EventWait.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/Sleep.h"

using win32::detail::Kernel;
using win32::detail::MessageQueue;
using win32::detail::Window;

namespace {

struct Filter {
  HWND hwnd;
  UINT first;
  UINT last;

  bool Accepts(UINT message) const {
    return (first == 0 && last == 0) || (first <= message && message <= last);
  }
  bool Accepts(const MSG &msg) const {
    return (hwnd == 0 || msg.hwnd == hwnd) && Accepts(msg.message);
  }
};

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return MSG{hwnd, message, wParam, lParam, GetTickCount(), POINT{0, 0}};
}

// Requires the kernel lock. The quit request is reported only when no posted message matches.
bool TakeQueued(MessageQueue &queue, const Filter &filter, bool remove, MSG &out) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!filter.Accepts(*it)) continue;
    out = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  if (queue.quitPending && filter.Accepts(WM_QUIT)) {
    out = MakeMessage(0, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if (remove) queue.quitPending = false;
    return true;
  }
  return false;
}

bool FilterWindowValid(HWND hWnd) {
  if (hWnd == 0) return true;
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  return Kernel::Get().FindAs<Window>(hWnd) != nullptr;
}

// Serves sent messages and then takes a posted one, waiting for one when asked to.
bool TakeMessage(const Filter &filter, bool remove, bool wait, MSG &out) {
  auto queue = win32::detail::CurrentQueue();
  Kernel &kernel = Kernel::Get();
  std::unique_lock<std::mutex> hold(kernel.lock);
  bool looked = false;
  for (;;) {
    win32::detail::ServeSentMessages(*queue, hold);
    if (TakeQueued(*queue, filter, remove, out)) return true;
    if (!wait) return false;
    if (!looked) {
      looked = true;
      const unsigned seen = queue->arrivals.load(std::memory_order_relaxed);
      hold.unlock();
      win32::detail::AwaitBriefly(
          [&] { return queue->arrivals.load(std::memory_order_acquire) != seen; });
      hold.lock();
      continue;
    }
    looked = false;
    queue->changed.wait(hold);
  }
}

}  // namespace

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<MessageQueue> target = hWnd == 0 ? win32::detail::CurrentQueue() : nullptr;
  Kernel &kernel = Kernel::Get();
  {
    std::lock_guard<std::mutex> hold(kernel.lock);
    if (!target) {
      auto window = kernel.FindAs<Window>(hWnd);
      if (!window || window->destroying || !window->queue->alive) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      }
      target = window->queue;
    }
    target->posted.push_back(MakeMessage(hWnd, Msg, wParam, lParam));
  }
  win32::detail::Wake(*target);
  return TRUE;
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg || !FilterWindowValid(hWnd)) return FALSE;
  return TakeMessage(Filter{hWnd, wMsgFilterMin, wMsgFilterMax}, (wRemoveMsg & PM_REMOVE) != 0,
                     false, *lpMsg);
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg || !FilterWindowValid(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  TakeMessage(Filter{hWnd, wMsgFilterMin, wMsgFilterMax}, true, true, *lpMsg);
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

// There is no keyboard input to translate.
BOOL TranslateMessage(const MSG *) {
  return FALSE;
}

void PostQuitMessage(int nExitCode) {
  auto queue = win32::detail::CurrentQueue();
  {
    std::lock_guard<std::mutex> hold(Kernel::Get().lock);
    queue->quitPending = true;
    queue->quitCode = nExitCode;
  }
  win32::detail::Wake(*queue);
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE *pHandles, BOOL fWaitAll,
                                DWORD dwMilliseconds, DWORD dwWakeMask) {
  if (fWaitAll) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  auto queue = win32::detail::CurrentQueue();
  auto queueReady = [&queue, dwWakeMask] {
    return ((dwWakeMask & QS_SENDMESSAGE) && !queue->sent.empty()) ||
           ((dwWakeMask & QS_POSTMESSAGE) && (!queue->posted.empty() || queue->quitPending));
  };
  return win32::detail::WaitForEvents(nCount, pHandles, false, dwMilliseconds, queue.get(),
                                      queueReady);
}
