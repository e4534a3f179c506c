#include "WaveCallback.h"

#include <windows.h>

#include "HandleNumber.h"

namespace winmm {

MMRESULT WaveCallback::Check(DWORD open_flags) {
  const DWORD kind = open_flags & CALLBACK_TYPEMASK;
  // Only window messages and polling are asked for; functions, threads and events are not.
  return kind == CALLBACK_NULL || kind == CALLBACK_WINDOW ? MMSYSERR_NOERROR : MMSYSERR_INVALFLAG;
}

WaveCallback::WaveCallback(DWORD open_flags, DWORD_PTR callback) {
  if ((open_flags & CALLBACK_TYPEMASK) == CALLBACK_WINDOW)
    window_ = HandleFromParameter<HWND>(callback);
}

void WaveCallback::Notify(UINT message, DWORD device, const WAVEHDR *header) const {
  if (window_ == 0) return;
  // A window that is gone no longer wants to hear from the device.
  PostMessageA(window_, message, device, reinterpret_cast<LPARAM>(header));
}

}  // namespace winmm
