// What the wave device tests share: a clean exchange, a sped-up clock, a window to receive
// device messages and buffers with their headers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "Clock.h"
#include "platform/vcl/HiddenWindow.h"
#include "WaveMapper.h"
#include "simulator/Exchange.h"
#include "simulator/FarEndAudio.h"
#include "simulator/Operation.h"

namespace devices {

class Test : public ::testing::Test {
 protected:
  // Two lines: wave devices 0 and 1 in each direction.
  void SetUp() override {
    sim::TheExchange().Reset(2);
    sim::Faults().Clear();
    sim::OperationJournal().Clear();
    sim::Audio().Reset();
  }
  void TearDown() override {
    sim::Faults().Clear();
    win32::SetTimeScale(1.0);
  }
};

// A window of the calling thread whose messages the test takes one by one.
class Window {
 public:
  Window() {
    static const bool registered = [] {
      WNDCLASSA type{};
      type.lpfnWndProc = DefWindowProcA;
      type.hInstance = HInstance;
      type.lpszClassName = "CorvaxWaveTestWindow";
      return RegisterClassA(&type) != 0;
    }();
    EXPECT_TRUE(registered);
    handle_ =
        CreateWindowExA(0, "CorvaxWaveTestWindow", "", 0, 0, 0, 0, 0, 0, 0, HInstance, nullptr);
  }
  ~Window() { DestroyWindow(handle_); }
  HWND Handle() const { return handle_; }

  // The next message for the window; waits for it.
  MSG Next() {
    MSG msg{};
    EXPECT_GT(GetMessageA(&msg, handle_, 0, 0), 0);
    return msg;
  }
  bool Empty() {
    MSG msg{};
    return !PeekMessageA(&msg, handle_, 0, 0, PM_NOREMOVE);
  }

 private:
  HWND handle_ = 0;
};

// A wave operation made to fail once with `code`, and how to call it.
struct InjectedFailure {
  const char *operation;
  MMRESULT code;
  std::function<MMRESULT()> call;
};

// Each operation, failed once, returns its code and the journal records that result.
inline void ExpectEachFailsWithItsCode(std::span<const InjectedFailure> failures) {
  for (const auto &failure : failures) {
    SCOPED_TRACE(failure.operation);
    sim::Faults().FailNext(failure.operation, failure.code);
    EXPECT_EQ(failure.call(), failure.code);
    EXPECT_EQ(sim::OperationJournal().Entries(failure.operation).back().result, failure.code);
  }
}

// One buffer with its header, sized in bytes.
struct Buffer {
  explicit Buffer(size_t bytes, char fill = 0) : data(bytes, fill) {
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(bytes);
  }
  explicit Buffer(std::vector<char> bytes) : data(std::move(bytes)) {
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
  }
  bool Done() const { return (header.dwFlags & WHDR_DONE) != 0; }

  std::vector<char> data;
  WAVEHDR header{};
};

inline WAVEFORMATEX Native() {
  return winmm::NativeFormat();
}

inline std::vector<char> NativeBytes(const std::vector<int16_t> &samples) {
  const auto *begin = reinterpret_cast<const char *>(samples.data());
  return {begin, begin + samples.size() * 2};
}

inline std::vector<int16_t> Ramp(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i * 7 - 20000);
  return samples;
}

}  // namespace devices
