// An open wave input device: once started, fills its queued buffers one after the other,
// each in as long as its sound lasts on the platform clock, with what the driver captures.
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
  // Stops recording and returns every queued buffer as done, the one being filled with
  // what it holds so far.
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
  void Fill(size_t bytes);

  WaveDriver &driver_;
  const UINT id_;
  const WaveCallback callback_;
  DWORD handle_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<WAVEHDR *> queue_;
  bool recording_ = false;
  bool stopping_ = false;
  double head_start_ = -1;      // when the head buffer began to fill; unset (< 0) before
  double recorded_until_ = -1;  // the end of the last full buffer, while recording goes on
  std::thread worker_;
};

}  // namespace winmm
