#include "platform/vcl/HiddenWindow.h"

namespace {

constexpr const char *kClassName = "TPUtilWindow";

TWndMethod *MethodOf(HWND hwnd) {
  return reinterpret_cast<TWndMethod *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK UtilWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TWndMethod *method = MethodOf(hwnd);
  if (!method) return DefWindowProcA(hwnd, message, wParam, lParam);
  // The method's object may already be on its way out while its window is destroyed.
  if (message == WM_DESTROY) return 0;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    delete method;
    return 0;
  }
  TMessage forwarded{message, wParam, lParam, 0};
  (*method)(forwarded);
  return forwarded.Result;
}

void RegisterUtilWindowClass() {
  static const ATOM registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = UtilWindowProc;
    windowClass.hInstance = HInstance;
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass);
  }();
  (void)registered;
}

}  // namespace

HWND AllocateHWnd(TWndMethod Method) {
  RegisterUtilWindowClass();
  // Message-only: it is never shown, and a host without a desktop (a service, a headless
  // machine) still gets its Synchronize calls and timers through it.
  HWND hwnd =
      CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, HInstance, nullptr);
  if (hwnd == 0) return 0;
  if (Method)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(Method))));
  return hwnd;
}

void DeallocateHWnd(HWND Wnd) {
  DestroyWindow(Wnd);
}
