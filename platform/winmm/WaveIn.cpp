// The wave input functions: handles over the input devices of the current driver.
#include "HandleTable.h"
#include "SystemWave.h"
#include "WaveApi.h"
#include "WaveArguments.h"
#include "WaveHeaders.h"
#include "WaveInDevice.h"
#include "WaveOpen.h"

namespace winmm {
namespace {

HandleTable<WaveInDevice, HWAVEIN> &OpenInputs() {
  static HandleTable<WaveInDevice, HWAVEIN> inputs;
  return inputs;
}

DeviceClaims &InputClaims() {
  static DeviceClaims claims;
  return claims;
}

MMRESULT OpenInput(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                   DWORD fdwOpen) {
  const bool query = (fdwOpen & WAVE_FORMAT_QUERY) != 0;
  if (!query && phwi == nullptr) return MMSYSERR_INVALPARAM;
  WaveDriver &driver = CurrentWaveDriver();
  // Recording needs no conversion: input devices take their native format only.
  const auto decision = DecideOpen({uDeviceID, pwfx, fdwOpen}, driver.InputIds(), false);
  if (decision.result != MMSYSERR_NOERROR || query) return decision.result;
  if (!InputClaims().Claim(decision.device)) return MMSYSERR_ALLOCATED;
  const WaveCallback callback(fdwOpen, dwCallback);
  auto device = std::make_shared<WaveInDevice>(driver, decision.device, callback);
  *phwi = OpenInputs().Add(device);
  device->Start(HandleNumber(*phwi));
  callback.Notify(MM_WIM_OPEN, HandleNumber(*phwi));
  return MMSYSERR_NOERROR;
}

// Runs `act` on the open device, or answers MMSYSERR_INVALHANDLE.
template <class Act>
int64_t WithInput(HWAVEIN hwi, Act act) {
  const auto device = OpenInputs().Find(hwi);
  return device ? act(*device) : MMSYSERR_INVALHANDLE;
}

}  // namespace
}  // namespace winmm

using namespace winmm;

MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen) {
  CORVAX_SYSTEM_WAVE(waveInOpen, phwi, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
  return Intercepted(
      "waveInOpen", OpenArguments(uDeviceID, pwfx, dwCallback, fdwOpen),
      [&]() -> int64_t { return OpenInput(phwi, uDeviceID, pwfx, dwCallback, fdwOpen); });
}

MMRESULT waveInClose(HWAVEIN hwi) {
  CORVAX_SYSTEM_WAVE(waveInClose, hwi);
  return Intercepted("waveInClose", HandleArguments(HandleNumber(hwi)), [&]() -> int64_t {
    return WithInput(hwi, [&](WaveInDevice &device) -> int64_t {
      if (device.Holding()) return WAVERR_STILLPLAYING;
      OpenInputs().Remove(hwi);
      InputClaims().Release(device.Id());
      device.Close();
      return MMSYSERR_NOERROR;
    });
  });
}

MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  CORVAX_SYSTEM_WAVE(waveInPrepareHeader, hwi, pwh, cbwh);
  return Intercepted(
      "waveInPrepareHeader", HeaderArguments(HandleNumber(hwi), pwh), [&]() -> int64_t {
        return WithInput(hwi, [&](WaveInDevice &) -> int64_t { return PrepareHeader(pwh, cbwh); });
      });
}

MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  CORVAX_SYSTEM_WAVE(waveInUnprepareHeader, hwi, pwh, cbwh);
  return Intercepted(
      "waveInUnprepareHeader", HeaderArguments(HandleNumber(hwi), pwh), [&]() -> int64_t {
        return WithInput(hwi,
                         [&](WaveInDevice &) -> int64_t { return UnprepareHeader(pwh, cbwh); });
      });
}

MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  CORVAX_SYSTEM_WAVE(waveInAddBuffer, hwi, pwh, cbwh);
  return Intercepted("waveInAddBuffer", HeaderArguments(HandleNumber(hwi), pwh), [&]() -> int64_t {
    return WithInput(hwi,
                     [&](WaveInDevice &device) -> int64_t { return device.AddBuffer(pwh, cbwh); });
  });
}

MMRESULT waveInStart(HWAVEIN hwi) {
  CORVAX_SYSTEM_WAVE(waveInStart, hwi);
  return Intercepted("waveInStart", HandleArguments(HandleNumber(hwi)), [&]() -> int64_t {
    return WithInput(hwi, [](WaveInDevice &device) -> int64_t {
      device.Record();
      return MMSYSERR_NOERROR;
    });
  });
}

MMRESULT waveInReset(HWAVEIN hwi) {
  CORVAX_SYSTEM_WAVE(waveInReset, hwi);
  return Intercepted("waveInReset", HandleArguments(HandleNumber(hwi)), [&]() -> int64_t {
    return WithInput(hwi, [](WaveInDevice &device) -> int64_t {
      device.Reset();
      return MMSYSERR_NOERROR;
    });
  });
}
