// Window classes and windows. A window belongs to the thread that created it; only that thread
// runs its procedure, through DispatchMessageA, a same-thread SendMessageA or its pump serving
// messages other threads sent.
#include <map>
#include <string>

#include "platform/win32/MessageQueue.h"

using win32::detail::Kernel;
using win32::detail::Window;

namespace {

std::map<std::string, WNDPROC> &WindowClasses() {
  static auto *classes = new std::map<std::string, WNDPROC>;
  return *classes;
}

std::shared_ptr<Window> FindWindow(HWND hWnd) {
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  return Kernel::Get().FindAs<Window>(hWnd);
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA *lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  auto &classes = WindowClasses();
  if (!classes.emplace(lpWndClass->lpszClassName, lpWndClass->lpfnWndProc).second) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  return static_cast<ATOM>(0xC000 + classes.size());
}

HWND CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR, DWORD, int, int, int, int, HWND, HMENU,
                     HINSTANCE, LPVOID) {
  auto queue = win32::detail::CurrentQueue();
  Kernel &kernel = Kernel::Get();
  std::lock_guard<std::mutex> hold(kernel.lock);
  auto found = lpClassName ? WindowClasses().find(lpClassName) : WindowClasses().end();
  if (found == WindowClasses().end()) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return 0;
  }
  HWND hwnd = kernel.Insert(std::make_shared<Window>(found->second, queue));
  queue->windows.push_back(hwnd);
  return hwnd;
}

BOOL DestroyWindow(HWND hWnd) {
  Kernel &kernel = Kernel::Get();
  std::shared_ptr<Window> window;
  {
    std::lock_guard<std::mutex> hold(kernel.lock);
    window = kernel.FindAs<Window>(hWnd);
    if (!window || window->destroying) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (!window->OwnedByCallingThread()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    window->destroying = true;
  }
  window->proc(hWnd, WM_DESTROY, 0, 0);
  window->proc(hWnd, WM_NCDESTROY, 0, 0);
  {
    std::lock_guard<std::mutex> hold(kernel.lock);
    kernel.Remove(hWnd);
    win32::detail::ForgetWindow(*window->queue, hWnd);
    kernel.Announce(window->queue.get());
  }
  return TRUE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  auto window = Kernel::Get().FindAs<Window>(hWnd);
  if (!window || nIndex != GWLP_USERDATA) {
    SetLastError(window ? ERROR_INVALID_INDEX : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR previous = window->userData;
  window->userData = dwNewLong;
  return previous;
}

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex) {
  std::lock_guard<std::mutex> hold(Kernel::Get().lock);
  auto window = Kernel::Get().FindAs<Window>(hWnd);
  if (!window || nIndex != GWLP_USERDATA) {
    SetLastError(window ? ERROR_INVALID_INDEX : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return window->userData;
}

LRESULT DispatchMessageA(const MSG *lpMsg) {
  if (!lpMsg || lpMsg->hwnd == 0) return 0;
  auto window = FindWindow(lpMsg->hwnd);
  if (!window || !window->OwnedByCallingThread()) return 0;
  return window->proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto window = FindWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (window->OwnedByCallingThread()) return window->proc(hWnd, Msg, wParam, lParam);

  auto own = win32::detail::CurrentQueue();
  win32::detail::SentMessage message{hWnd, Msg, wParam, lParam, own};
  Kernel &kernel = Kernel::Get();
  std::unique_lock<std::mutex> hold(kernel.lock);
  if (!window->queue->alive || window->destroying) return 0;
  window->queue->sent.push_back(&message);
  // Woken after the lock is let go, the window's thread finds it free.
  hold.unlock();
  win32::detail::Wake(*window->queue);
  win32::detail::AwaitBriefly([&message] { return message.done.load(std::memory_order_acquire); });
  hold.lock();
  while (!message.done) {
    // Serving what others send to us meanwhile keeps two threads that send to each other from
    // blocking each other.
    win32::detail::ServeSentMessages(*own, hold);
    if (!message.done) own->changed.wait(hold);
  }
  return message.result;
}
