#include "WaveCallback.h"

#include <windows.h>

#include "HandleNumber.h"

namespace winmm {

MMRESULT WaveCallback::Check(DWORD open_flags) {
  const DWORD kind = open_flags & CALLBACK_TYPEMASK;
  // Only window messages, events and polling are asked for; functions and threads are not.
  return kind == CALLBACK_NULL || kind == CALLBACK_WINDOW || kind == CALLBACK_EVENT
             ? MMSYSERR_NOERROR
             : MMSYSERR_INVALFLAG;
}

WaveCallback::WaveCallback(DWORD open_flags, DWORD_PTR callback) {
  if ((open_flags & CALLBACK_TYPEMASK) == CALLBACK_WINDOW)
    window_ = HandleFromParameter<HWND>(callback);
  if ((open_flags & CALLBACK_TYPEMASK) == CALLBACK_EVENT)
    event_ = HandleFromParameter<HANDLE>(callback);
}

void WaveCallback::Notify(UINT message, DWORD device, const WAVEHDR *header) const {
  if (event_ != 0) SetEvent(event_);
  if (window_ == 0) return;
  // A window that is gone no longer wants to hear from the device.
  PostMessageA(window_, message, device, reinterpret_cast<LPARAM>(header));
}

}  // namespace winmm
