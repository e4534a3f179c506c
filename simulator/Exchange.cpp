#include "simulator/Exchange.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "simulator/CommPort.h"
#include "simulator/Operation.h"

namespace sim {

// The far end's sound is made first so that it outlives the listener, which takes from it.
Exchange::Exchange()
    : listener_([this](CallId call, char digit, DWORD digitMode, DWORD tickCount) {
        DigitDetected(call, digit, digitMode, tickCount);
      }) {
  Audio();
  devices_.push_back(LineDevice::Default(0));
}

void Exchange::Reset(DWORD lineCount) {
  TheFarEndData().Clear();
  {
    Lock lock(mutex_);
    DropEverything();
    devices_.clear();
    for (DWORD id = 0; id < lineCount; ++id) devices_.push_back(LineDevice::Default(id));
    tapiVersion_ = kDefaultTapiVersion;
    requestRecipient_ = true;
    deferReplies_ = false;
    deferDigits_ = false;
  }
  replyFaults_.Clear();
  Faults().Clear();
  OperationJournal().Clear();
}

void Exchange::DropEverything() {
  listener_.StopAll();
  for (auto &[handle, app] : apps_) CloseHandle(app.event);
  apps_.clear();
  lines_.clear();
  calls_.clear();
  handles_.clear();
  pending_.clear();
  tones_.clear();
  digits_.clear();
  assisted_.clear();
}

DWORD Exchange::LineCount() const {
  Lock lock(mutex_);
  return static_cast<DWORD>(devices_.size());
}

LineSetup Exchange::AddLine() {
  Lock lock(mutex_);
  const auto id = static_cast<DWORD>(devices_.size());
  devices_.push_back(LineDevice::Default(id));
  return LineSetup(*this, id);
}

LineSetup Exchange::Line(DWORD deviceId) {
  return LineSetup(*this, deviceId);
}

void Exchange::Configure(DWORD deviceId, const std::function<void(LineDevice &)> &change) {
  Lock lock(mutex_);
  if (!DeviceExists(deviceId)) {
    throw std::out_of_range("no line device " + std::to_string(deviceId));
  }
  change(devices_[deviceId]);
}

void Exchange::SetTapiVersion(DWORD version) {
  Lock lock(mutex_);
  tapiVersion_ = version;
}

void Exchange::SetRequestRecipient(bool present) {
  Lock lock(mutex_);
  requestRecipient_ = present;
}

void Exchange::SetNetwork(NetworkFarEnd *network) {
  Lock lock(mutex_);
  network_ = network;
}

CallId Exchange::LatestCall(DWORD deviceId) const {
  Lock lock(mutex_);
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it) {
    if (it->second.deviceId == deviceId) return it->first;
  }
  return 0;
}

std::optional<CallId> Exchange::ActiveCall(DWORD deviceId) const {
  Lock lock(mutex_);
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it) {
    const Call &call = it->second;
    if (call.deviceId == deviceId && call.state != LINECALLSTATE_IDLE) return call.id;
  }
  return std::nullopt;
}

DWORD Exchange::CallState(CallId call) const {
  Lock lock(mutex_);
  const auto found = calls_.find(call);
  return found == calls_.end() ? 0 : found->second.state;
}

std::vector<GeneratedTone> Exchange::GeneratedTones() const {
  Lock lock(mutex_);
  return tones_;
}

std::vector<DigitRequest> Exchange::GeneratedDigits() const {
  Lock lock(mutex_);
  return digits_;
}

std::vector<AssistedRequest> Exchange::AssistedRequests() const {
  Lock lock(mutex_);
  return assisted_;
}

size_t Exchange::OpenLineCount(DWORD deviceId) const {
  Lock lock(mutex_);
  return std::count_if(lines_.begin(), lines_.end(),
                       [&](const auto &entry) { return entry.second.deviceId == deviceId; });
}

size_t Exchange::ApplicationCount() const {
  Lock lock(mutex_);
  return apps_.size();
}

size_t Exchange::CallHandleCount() const {
  Lock lock(mutex_);
  return handles_.size();
}

std::optional<UINT> Exchange::WaveOutId(DWORD deviceId) const {
  Lock lock(mutex_);
  return DeviceExists(deviceId) ? devices_[deviceId].waveOutId : std::nullopt;
}

std::optional<UINT> Exchange::WaveInId(DWORD deviceId) const {
  Lock lock(mutex_);
  return DeviceExists(deviceId) ? devices_[deviceId].waveInId : std::nullopt;
}

namespace {

std::vector<UINT> SortedIds(const std::vector<LineDevice> &devices,
                            std::optional<UINT> LineDevice::*wave) {
  std::vector<UINT> ids;
  for (const auto &device : devices) {
    if (device.*wave) ids.push_back(*(device.*wave));
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace

std::vector<UINT> Exchange::WaveOutIds() const {
  Lock lock(mutex_);
  return SortedIds(devices_, &LineDevice::waveOutId);
}

std::vector<UINT> Exchange::WaveInIds() const {
  Lock lock(mutex_);
  return SortedIds(devices_, &LineDevice::waveInId);
}

DWORD Exchange::NewHandle() {
  return nextHandle_++;
}

Exchange::Application *Exchange::FindApp(HLINEAPP app) {
  const auto found = apps_.find(app);
  return found == apps_.end() ? nullptr : &found->second;
}

Exchange::OpenLine *Exchange::FindLine(HLINE line) {
  const auto found = lines_.find(line);
  return found == lines_.end() ? nullptr : &found->second;
}

Exchange::CallHandle *Exchange::FindHandle(HCALL call) {
  const auto found = handles_.find(call);
  return found == handles_.end() ? nullptr : &found->second;
}

Call *Exchange::FindCall(CallId call) {
  const auto found = calls_.find(call);
  return found == calls_.end() ? nullptr : &found->second;
}

bool Exchange::DeviceExists(DWORD deviceId) const {
  return deviceId < devices_.size();
}

void Exchange::Post(HLINEAPP app, const LINEMESSAGE &message) {
  Application *target = FindApp(app);
  if (target == nullptr) return;
  target->queue.push_back(message);
  // The event stays signalled while messages wait; lineGetMessage resets it on the last one.
  if (target->queue.size() == 1) SetEvent(target->event);
}

void Exchange::PostToLine(HLINE line, DWORD messageId, DWORD device, DWORD param1, DWORD param2,
                          DWORD param3) {
  const OpenLine *open = FindLine(line);
  if (open == nullptr) return;
  // As wide as the record holds it: pointer-wide on 64-bit Windows, 32 bits in the Linux layout.
  const auto instance =
      static_cast<decltype(LINEMESSAGE::dwCallbackInstance)>(open->callbackInstance);
  Post(open->app, {device, messageId, instance, param1, param2, param3});
}

Exchange &TheExchange() {
  // Never destroyed: message threads may still reach it while the process exits.
  static Exchange &exchange = *new Exchange();
  return exchange;
}

}  // namespace sim
