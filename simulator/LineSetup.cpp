#include "simulator/LineSetup.h"

#include "simulator/Exchange.h"

namespace sim {

LineSetup::LineSetup(Exchange &exchange, DWORD deviceId)
    : exchange_(&exchange), deviceId_(deviceId) {}

LineSetup &LineSetup::Change(const std::function<void(LineDevice &)> &change) {
  exchange_->Configure(deviceId_, change);
  return *this;
}

LineSetup &LineSetup::Name(std::string name) {
  return Change([&](LineDevice &d) {
    d.name = std::move(name);
    d.nameCountsNul = true;
  });
}

LineSetup &LineSetup::NameWithoutNul(std::string name) {
  return Change([&](LineDevice &d) {
    d.name = std::move(name);
    d.nameCountsNul = false;
  });
}

LineSetup &LineSetup::NoName() {
  return Change([](LineDevice &d) { d.name.reset(); });
}

LineSetup &LineSetup::StringFormat(DWORD format) {
  return Change([=](LineDevice &d) { d.stringFormat = format; });
}

LineSetup &LineSetup::MediaModes(DWORD modes) {
  return Change([=](LineDevice &d) { d.mediaModes = modes; });
}

LineSetup &LineSetup::BearerModes(DWORD modes) {
  return Change([=](LineDevice &d) { d.bearerModes = modes; });
}

LineSetup &LineSetup::LineStates(DWORD states) {
  return Change([=](LineDevice &d) { d.lineStates = states; });
}

LineSetup &LineSetup::AddressModes(DWORD modes) {
  return Change([=](LineDevice &d) { d.addressModes = modes; });
}

LineSetup &LineSetup::AddressStates(DWORD states) {
  return Change([=](LineDevice &d) { d.addressStates = states; });
}

LineSetup &LineSetup::Address(std::string number) {
  return Change([&](LineDevice &d) { d.address = std::move(number); });
}

LineSetup &LineSetup::ProviderInfo(std::string info) {
  return Change([&](LineDevice &d) { d.providerInfo = std::move(info); });
}

LineSetup &LineSetup::MaxRate(DWORD bitsPerSecond) {
  return Change([&](LineDevice &d) { d.maxRate = bitsPerSecond; });
}

LineSetup &LineSetup::Digits(DigitModes modes) {
  return Change([=](LineDevice &d) { d.digitModes = modes; });
}

LineSetup &LineSetup::NoDigits() {
  return Digits({});
}

LineSetup &LineSetup::ApiVersions(DWORD low, DWORD high) {
  return Change([=](LineDevice &d) {
    d.apiLowVersion = low;
    d.apiHighVersion = high;
  });
}

LineSetup &LineSetup::DevCapsExtraBytes(DWORD bytes) {
  return Change([=](LineDevice &d) { d.devCapsExtraBytes = bytes; });
}

LineSetup &LineSetup::AddressCapsExtraBytes(DWORD bytes) {
  return Change([=](LineDevice &d) { d.addressCapsExtraBytes = bytes; });
}

LineSetup &LineSetup::CallInfoClaimedSize(DWORD bytes) {
  return Change([=](LineDevice &d) { d.callInfoClaimedSize = bytes; });
}

LineSetup &LineSetup::CallInfoExtraBytes(DWORD bytes) {
  return Change([=](LineDevice &d) { d.callInfoExtraBytes = bytes; });
}

LineSetup &LineSetup::CallStatusExtraBytes(DWORD bytes) {
  return Change([=](LineDevice &d) { d.callStatusExtraBytes = bytes; });
}

LineSetup &LineSetup::WaveOut(UINT waveId) {
  return Change([=](LineDevice &d) { d.waveOutId = waveId; });
}

LineSetup &LineSetup::NoWaveOut() {
  return Change([](LineDevice &d) { d.waveOutId.reset(); });
}

LineSetup &LineSetup::WaveIn(UINT waveId) {
  return Change([=](LineDevice &d) { d.waveInId = waveId; });
}

LineSetup &LineSetup::NoWaveIn() {
  return Change([](LineDevice &d) { d.waveInId.reset(); });
}

LineSetup &LineSetup::CommPortName(std::string name) {
  return Change([&](LineDevice &d) { d.commPortName = std::move(name); });
}

LineSetup &LineSetup::OpenAnswer(std::function<LONG(DWORD, DWORD)> answer) {
  return Change([&](LineDevice &d) { d.openAnswer = std::move(answer); });
}

}  // namespace sim
