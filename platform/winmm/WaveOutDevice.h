// An open wave output device: plays its queue of buffers one after the other, each for as
// long as its sound lasts on the platform clock, and hands the sound to the driver as it
// sounds, a short stretch at a time.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "MmRecords.h"
#include "WaveCallback.h"
#include "WaveDriver.h"
#include "WaveMapper.h"

namespace winmm {

class WaveOutDevice {
 public:
  WaveOutDevice(WaveDriver &driver, UINT id, const WAVEFORMATEX &format, WaveCallback callback);
  ~WaveOutDevice();
  WaveOutDevice(const WaveOutDevice &) = delete;
  WaveOutDevice &operator=(const WaveOutDevice &) = delete;

  // Starts the device's thread; `handle` is what the callback messages carry.
  void Start(DWORD handle);
  MMRESULT Write(WAVEHDR *header, UINT size);
  // Returns every queued buffer at once, as done.
  void Reset();
  bool Playing();
  UINT Id() const { return id_; }

  // Stops the device's thread and tells the owner the device is closed.
  void Close();

 private:
  void StopWorker();
  void Run();
  // Puts the head buffer on the clock: it follows the previous buffer without a gap, or,
  // after a pause, starts now.
  void BeginHead();
  // The virtual time at which the buffer at the head of the queue ends.
  double HeadEnd();
  // Whole frames of the head buffer that have sounded by now.
  size_t SoundedBytes();
  // Hands the driver the head buffer's sound up to `played_bytes` and returns the buffer.
  void Finish(size_t played_bytes);
  void HandOver(size_t up_to_bytes);
  void Pause();

  WaveDriver &driver_;
  const UINT id_;
  const WAVEFORMATEX format_;
  const WaveCallback callback_;
  DWORD handle_ = 0;
  FormatConverter converter_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<WAVEHDR *> queue_;
  bool stopping_ = false;
  // The head buffer's place on the clock; unset (< 0) until it starts playing.
  double head_start_ = -1;
  // The end of what was played so far: the next buffer follows on without a gap.
  double played_until_ = -1;
  // How much of the head buffer the driver has been given.
  size_t head_handed_ = 0;
  std::thread worker_;
};

}  // namespace winmm
