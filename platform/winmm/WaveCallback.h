// How a device tells its owner about opening, finished buffers and closing.
#pragma once

#include "MmRecords.h"

namespace winmm {

class WaveCallback {
 public:
  // MMSYSERR_INVALFLAG for a kind of callback this platform does not deliver.
  static MMRESULT Check(DWORD open_flags);
  WaveCallback(DWORD open_flags, DWORD_PTR callback);

  // Posts `message` to the callback window, if there is one, with the device's handle as
  // wParam and the header as lParam; sets the callback event, if there is one.
  void Notify(UINT message, DWORD device, const WAVEHDR *header = nullptr) const;

 private:
  HWND window_ = 0;
  HANDLE event_ = 0;
};

}  // namespace winmm
