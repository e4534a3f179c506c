// Touch tones on the exchange's calls: applications monitor the digits the far end sends
// (lineMonitorDigits, LINE_MONITORDIGITS) and generate their own (lineGenerateDigitsA,
// LINE_GENERATE); the far end, or the network playing it, reports the one and plays the other.
#include <windows.h>

#include <algorithm>
#include <bit>

#include "platform/tapi32/DigitString.h"
#include "simulator/Exchange.h"
#include "simulator/Operation.h"

namespace sim {

namespace {

// TAPI's digit duration: 0 is the provider's default, the rest is held to its range.
DWORD DigitMilliseconds(DWORD duration) {
  return duration == 0 ? kDigitDefaultMs : std::clamp(duration, kDigitMinMs, kDigitMaxMs);
}

}  // namespace

DigitModes Exchange::DigitModesOf(const LineDevice &device) const {
  if (network_ == nullptr) return device.digitModes;
  const DigitModes carried = network_->Digits();
  return {device.digitModes.monitor & carried.monitor,
          device.digitModes.generate & carried.generate};
}

void Exchange::DeferDigits(bool defer) {
  Lock lock(mutex_);
  deferDigits_ = defer;
}

LONG Exchange::LineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
  Invocation call{"lineMonitorDigits", {}};
  call.With("hCall", hCall).With("dwDigitModes", dwDigitModes);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    CallHandle *handle = FindHandle(hCall);
    if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
    const Call &target = calls_.at(handle->call);
    const DigitModes modes = DigitModesOf(devices_[target.deviceId]);
    if ((dwDigitModes & ~modes.monitor) != 0) return LINEERR_INVALDIGITMODE;
    if (target.state == LINECALLSTATE_IDLE) return LINEERR_INVALCALLSTATE;
    handle->monitoredDigits = dwDigitModes;
    ListenForDigits(target);
    return 0;
  });
}

LONG Exchange::LineGenerateDigits(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits,
                                  DWORD dwDuration) {
  Invocation call{"lineGenerateDigitsA", {}};
  call.With("hCall", hCall).With("dwDigitMode", dwDigitMode);
  call.With("lpszDigits", lpszDigits ? lpszDigits : "(null)").With("dwDuration", dwDuration);
  return Perform(call, [&]() -> int64_t {
    Lock lock(mutex_);
    return GenerateDigitsChecked(hCall, dwDigitMode, lpszDigits, dwDuration);
  });
}

// A null string only cancels the digits in progress, as TAPI has it.
LONG Exchange::GenerateDigitsChecked(HCALL hCall, DWORD digitMode, LPCSTR digits, DWORD duration) {
  const CallHandle *handle = FindHandle(hCall);
  if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
  if (handle->privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
  Call &target = calls_.at(handle->call);
  const DigitModes modes = DigitModesOf(devices_[target.deviceId]);
  if (std::popcount(digitMode) != 1 || (digitMode & modes.generate & LINEDIGITMODE_DTMF) == 0) {
    return LINEERR_INVALDIGITMODE;
  }
  if (digits != nullptr && !IsDtmfDigitString(digits)) return LINEERR_INVALPARAM;
  if (!target.CarriesTones()) return LINEERR_INVALCALLSTATE;
  EndDigits(target, LINEGENERATETERM_CANCEL);
  if (digits == nullptr) return 0;
  const DWORD milliseconds = DigitMilliseconds(duration);
  digits_.push_back({target.id, hCall, digits, milliseconds});
  target.generatingDigits = hCall;
  if (network_ != nullptr) {
    network_->GeneratingDigits(target.id, digits, milliseconds);
    return 0;
  }
  // The far end hears them at once, as it hears a beep.
  if (const auto waveOut = devices_[target.deviceId].waveOutId) {
    Audio().Play(*waveOut, DigitSound(digits, milliseconds, milliseconds));
  }
  if (!deferDigits_) EndDigits(target, LINEGENERATETERM_DONE);
  return 0;
}

void Exchange::ListenForDigits(const Call &call) {
  const auto waveIn = SimulatedWaveIn(call);
  const bool monitored = std::any_of(handles_.begin(), handles_.end(), [&](const auto &entry) {
    return entry.second.call == call.id && entry.second.monitoredDigits != 0;
  });
  if (waveIn && monitored && !CallOver(call.state)) {
    listener_.Listen(call.id, *waveIn);
  } else {
    listener_.Stop(call.id);
  }
}

bool Exchange::PressKeys(CallId id, std::string_view keys, DWORD interDigitMs, DWORD toneMs) {
  Lock lock(mutex_);
  const Call *call = FindCall(id);
  const auto waveIn = call && !CallOver(call->state) ? SimulatedWaveIn(*call) : std::nullopt;
  if (!waveIn) return false;
  const auto sound = DigitSound(keys, toneMs, interDigitMs);
  if (sound.empty()) return false;
  Audio().Send(*waveIn, sound);
  return true;
}

void Exchange::EndDigits(Call &call, DWORD termination) {
  const HCALL requester = call.generatingDigits;
  if (requester == 0) return;
  call.generatingDigits = 0;
  if (termination == LINEGENERATETERM_CANCEL && network_ != nullptr) {
    network_->GeneratingDigits(call.id, {}, 0);
  }
  // The application may have let go of its handle since it asked.
  if (const CallHandle *handle = FindHandle(requester)) {
    PostToLine(handle->line, LINE_GENERATE, requester, termination, 0, GetTickCount());
  }
}

bool Exchange::DigitsPlayed(CallId id) {
  Lock lock(mutex_);
  Call *call = FindCall(id);
  if (call == nullptr || call->generatingDigits == 0) return false;
  EndDigits(*call, LINEGENERATETERM_DONE);
  return true;
}

bool Exchange::DigitDetected(CallId id, char digit, DWORD digitMode,
                             std::optional<DWORD> tickCount) {
  Lock lock(mutex_);
  const Call *call = FindCall(id);
  if (call == nullptr || call->state == LINECALLSTATE_IDLE || !IsDtmfDigit(digit)) return false;
  if (digitMode != LINEDIGITMODE_DTMF && digitMode != LINEDIGITMODE_DTMFEND) return false;
  const DWORD when = tickCount.value_or(GetTickCount());
  for (const auto &[value, handle] : handles_) {
    if (handle.call != id || (handle.monitoredDigits & digitMode) == 0) continue;
    PostToLine(handle.line, LINE_MONITORDIGITS, value, static_cast<unsigned char>(digit), digitMode,
               when);
  }
  return true;
}

}  // namespace sim
