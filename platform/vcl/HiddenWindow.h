// Hidden windows whose messages go to a method: the way a thread object receives window
// messages (for instance the wave input device's) on the thread that created the window.
#pragma once

#include <windows.h>

#include <functional>

// The package's module instance (SysInit's HInstance); hidden windows are registered under it.
extern const HINSTANCE HInstance;

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

using TWndMethod = std::function<void(TMessage &)>;

// The window belongs to the calling thread; Result starts at 0 for every message.
HWND AllocateHWnd(TWndMethod Method);

template <class T>
HWND AllocateHWnd(T *object, void (T::*method)(TMessage &)) {
  return AllocateHWnd([object, method](TMessage &message) { (object->*method)(message); });
}

// Must be called on the thread that allocated the window.
void DeallocateHWnd(HWND Wnd);
