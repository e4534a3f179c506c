// The wave output functions: handles over the output devices of the current driver.
#include "HandleTable.h"
#include "SystemWave.h"
#include "WaveApi.h"
#include "WaveArguments.h"
#include "WaveHeaders.h"
#include "WaveOpen.h"
#include "WaveOutDevice.h"

namespace winmm {
namespace {

HandleTable<WaveOutDevice, HWAVEOUT> &OpenOutputs() {
  static HandleTable<WaveOutDevice, HWAVEOUT> outputs;
  return outputs;
}

DeviceClaims &OutputClaims() {
  static DeviceClaims claims;
  return claims;
}

MMRESULT OpenOutput(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                    DWORD fdwOpen) {
  const bool query = (fdwOpen & WAVE_FORMAT_QUERY) != 0;
  if (!query && phwo == nullptr) return MMSYSERR_INVALPARAM;
  WaveDriver &driver = CurrentWaveDriver();
  const auto decision = DecideOpen({uDeviceID, pwfx, fdwOpen}, driver.OutputIds(), true);
  if (decision.result != MMSYSERR_NOERROR || query) return decision.result;
  if (!OutputClaims().Claim(decision.device)) return MMSYSERR_ALLOCATED;
  const WaveCallback callback(fdwOpen, dwCallback);
  auto device =
      std::make_shared<WaveOutDevice>(driver, decision.device, CopyFormat(*pwfx), callback);
  *phwo = OpenOutputs().Add(device);
  device->Start(HandleNumber(*phwo));
  callback.Notify(MM_WOM_OPEN, HandleNumber(*phwo));
  return MMSYSERR_NOERROR;
}

// Runs `act` on the open device, or answers MMSYSERR_INVALHANDLE.
template <class Act>
int64_t WithOutput(HWAVEOUT hwo, Act act) {
  const auto device = OpenOutputs().Find(hwo);
  return device ? act(*device) : MMSYSERR_INVALHANDLE;
}

}  // namespace
}  // namespace winmm

using namespace winmm;

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen) {
  CORVAX_SYSTEM_WAVE(waveOutOpen, phwo, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
  return Intercepted(
      "waveOutOpen", OpenArguments(uDeviceID, pwfx, dwCallback, fdwOpen),
      [&]() -> int64_t { return OpenOutput(phwo, uDeviceID, pwfx, dwCallback, fdwOpen); });
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
  CORVAX_SYSTEM_WAVE(waveOutClose, hwo);
  return Intercepted("waveOutClose", HandleArguments(HandleNumber(hwo)), [&]() -> int64_t {
    return WithOutput(hwo, [&](WaveOutDevice &device) -> int64_t {
      if (device.Playing()) return WAVERR_STILLPLAYING;
      OpenOutputs().Remove(hwo);
      OutputClaims().Release(device.Id());
      device.Close();
      return MMSYSERR_NOERROR;
    });
  });
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  CORVAX_SYSTEM_WAVE(waveOutPrepareHeader, hwo, pwh, cbwh);
  return Intercepted(
      "waveOutPrepareHeader", HeaderArguments(HandleNumber(hwo), pwh), [&]() -> int64_t {
        return WithOutput(hwo,
                          [&](WaveOutDevice &) -> int64_t { return PrepareHeader(pwh, cbwh); });
      });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  CORVAX_SYSTEM_WAVE(waveOutUnprepareHeader, hwo, pwh, cbwh);
  return Intercepted(
      "waveOutUnprepareHeader", HeaderArguments(HandleNumber(hwo), pwh), [&]() -> int64_t {
        return WithOutput(hwo,
                          [&](WaveOutDevice &) -> int64_t { return UnprepareHeader(pwh, cbwh); });
      });
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  CORVAX_SYSTEM_WAVE(waveOutWrite, hwo, pwh, cbwh);
  return Intercepted("waveOutWrite", HeaderArguments(HandleNumber(hwo), pwh), [&]() -> int64_t {
    return WithOutput(hwo,
                      [&](WaveOutDevice &device) -> int64_t { return device.Write(pwh, cbwh); });
  });
}

MMRESULT waveOutReset(HWAVEOUT hwo) {
  CORVAX_SYSTEM_WAVE(waveOutReset, hwo);
  return Intercepted("waveOutReset", HandleArguments(HandleNumber(hwo)), [&]() -> int64_t {
    return WithOutput(hwo, [](WaveOutDevice &device) -> int64_t {
      device.Reset();
      return MMSYSERR_NOERROR;
    });
  });
}
