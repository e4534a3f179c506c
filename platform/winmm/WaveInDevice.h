// An open wave input device: once started, fills its queued buffers one after the other, each
// with the stretch of the line's sound its length covers on the platform clock, as a sound
// card does: nothing of what the line carried before the start is heard.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "MmRecords.h"
#include "WaveCallback.h"
#include "WaveDriver.h"

namespace winmm {

class WaveInDevice {
 public:
  WaveInDevice(WaveDriver &driver, UINT id, WaveCallback callback);
  ~WaveInDevice();
  WaveInDevice(const WaveInDevice &) = delete;
  WaveInDevice &operator=(const WaveInDevice &) = delete;

  // Starts the device's thread; `handle` is what the callback messages carry.
  void Start(DWORD handle);
  MMRESULT AddBuffer(WAVEHDR *header, UINT size);
  void Record();
  // Stops recording and returns every queued buffer as done: those whose time has passed
  // filled, the one being filled with what the line carried into it so far.
  void Reset();
  bool Holding();
  UINT Id() const { return id_; }

  // Stops the device's thread and tells the owner the device is closed.
  void Close();

 private:
  void StopWorker();
  void Run();
  // Puts the head buffer on the clock once it can fill: it follows the previous buffer
  // without a gap, or starts now.
  void BeginHead();
  double HeadEnd();
  // Returns the head buffer with `samples` of the line's sound from its start; with
  // `trim`, only as many of them as the line carried.
  void Fill(size_t samples, bool trim);

  WaveDriver &driver_;
  const UINT id_;
  const WaveCallback callback_;
  DWORD handle_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<WAVEHDR *> queue_;
  bool recording_ = false;
  bool stopping_ = false;
  // When the head buffer began to fill, on a whole sample; unset (< 0) before.
  double head_start_ = -1;
  double recorded_until_ = -1;  // the end of the last full buffer, while recording goes on
  std::thread worker_;
};

}  // namespace winmm
