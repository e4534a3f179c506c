#include "simulator/DeviceRecords.h"

#include <string>

#include "simulator/RecordFiller.h"

namespace sim {

namespace {

constexpr DWORD kPartyIdFlags = LINECALLPARTYID_BLOCKED | LINECALLPARTYID_OUTOFAREA |
                                LINECALLPARTYID_NAME | LINECALLPARTYID_ADDRESS |
                                LINECALLPARTYID_UNKNOWN | LINECALLPARTYID_UNAVAIL;
constexpr DWORD kCallInfoStates =
    LINECALLINFOSTATE_OTHER | LINECALLINFOSTATE_MEDIAMODE | LINECALLINFOSTATE_CALLID |
    LINECALLINFOSTATE_ORIGIN | LINECALLINFOSTATE_NUMOWNERINCR | LINECALLINFOSTATE_NUMOWNERDECR |
    LINECALLINFOSTATE_NUMMONITORS | LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLEDID;

// The name's bytes in the device's string format; ASCII text widens to UTF-16 for UNICODE.
std::string LineName(const LineDevice &device) {
  if (!device.name) return {};
  std::string text = *device.name;
  if (device.nameCountsNul) text.push_back('\0');
  if (device.stringFormat != STRINGFORMAT_UNICODE) return text;
  std::string wide;
  for (char c : text) {
    wide.push_back(c);
    wide.push_back('\0');
  }
  return wide;
}

std::string DeviceClasses(const LineDevice &device) {
  std::string classes = Sz("tapi/line");
  if (device.waveInId) classes += Sz("wave/in");
  if (device.waveOutId) classes += Sz("wave/out");
  classes += Sz("comm") + Sz("comm/datamodem");
  return classes + '\0';
}

std::string DeviceSpecific(DWORD bytes) {
  return std::string(bytes, '\x5A');
}

// A dial parameter set with this digit duration and inter-digit gap.
LINEDIALPARAMS DigitTiming(DWORD milliseconds) {
  return {kDigitPauseMs, milliseconds, milliseconds, 0};
}

}  // namespace

DWORD ConnectedCallFeatures(DigitModes digits) {
  DWORD features = LINECALLFEATURE_DROP | LINECALLFEATURE_GENERATETONE;
  if (digits.monitor != 0) features |= LINECALLFEATURE_MONITORDIGITS;
  if (digits.generate != 0) features |= LINECALLFEATURE_GENERATEDIGITS;
  return features;
}

LONG FillDevCaps(const LineDevice &device, DigitModes digits, LPLINEDEVCAPS caps) {
  LINEDEVCAPS fixed{};
  fixed.dwPermanentLineID = device.permanentLineId;
  fixed.dwStringFormat = device.stringFormat;
  fixed.dwAddressModes = device.addressModes;
  fixed.dwNumAddresses = 1;
  fixed.dwBearerModes = device.bearerModes;
  fixed.dwMaxRate = device.maxRate;
  fixed.dwMediaModes = device.mediaModes;
  fixed.dwGenerateToneModes = LINETONEMODE_BEEP;
  fixed.dwGenerateDigitModes = digits.generate;
  fixed.dwMonitorDigitModes = digits.monitor;
  if (digits.generate != 0) {
    fixed.MinDialParams = DigitTiming(kDigitMinMs);
    fixed.MaxDialParams = DigitTiming(kDigitMaxMs);
    fixed.DefaultDialParams = DigitTiming(kDigitDefaultMs);
  }
  fixed.dwMaxNumActiveCalls = 1;
  fixed.dwAnswerMode = LINEANSWERMODE_NONE;
  fixed.dwRingModes = 1;
  fixed.dwLineStates = device.lineStates;
  fixed.dwLineFeatures = LINEFEATURE_MAKECALL;

  RecordFiller filler(caps->dwTotalSize, kLineDevCapsSize);
  filler.Place(fixed.dwProviderInfoSize, fixed.dwProviderInfoOffset, Sz(device.providerInfo));
  filler.Place(fixed.dwLineNameSize, fixed.dwLineNameOffset, LineName(device));
  filler.Place(fixed.dwDevSpecificSize, fixed.dwDevSpecificOffset,
               DeviceSpecific(device.devCapsExtraBytes));
  filler.Place(fixed.dwDeviceClassesSize, fixed.dwDeviceClassesOffset, DeviceClasses(device));
  return filler.Write(fixed, caps);
}

LONG FillAddressCaps(const LineDevice &device, DWORD deviceId, DigitModes digits,
                     LPLINEADDRESSCAPS caps) {
  LINEADDRESSCAPS fixed{};
  fixed.dwLineDeviceID = deviceId;
  fixed.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
  fixed.dwAddressStates = device.addressStates;
  fixed.dwCallInfoStates = kCallInfoStates;
  fixed.dwCallerIDFlags = kPartyIdFlags;
  fixed.dwCalledIDFlags = kPartyIdFlags;
  fixed.dwCallStates = kCallStates;
  fixed.dwDialToneModes = LINEDIALTONEMODE_NORMAL;
  fixed.dwBusyModes = LINEBUSYMODE_STATION;
  fixed.dwDisconnectModes = LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_BUSY;
  fixed.dwMaxNumActiveCalls = 1;
  fixed.dwCallFeatures = LINECALLFEATURE_ANSWER | ConnectedCallFeatures(digits);
  fixed.dwAddressFeatures = LINEADDRFEATURE_MAKECALL;
  fixed.dwConnectedModes = LINECONNECTEDMODE_ACTIVE;
  fixed.dwOfferingModes = LINEOFFERINGMODE_ACTIVE;
  fixed.dwAvailableMediaModes = device.mediaModes;

  RecordFiller filler(caps->dwTotalSize, kLineAddressCapsSize);
  filler.Place(fixed.dwAddressSize, fixed.dwAddressOffset,
               device.address.empty() ? std::string() : Sz(device.address));
  filler.Place(fixed.dwDevSpecificSize, fixed.dwDevSpecificOffset,
               DeviceSpecific(device.addressCapsExtraBytes));
  filler.Place(fixed.dwDeviceClassesSize, fixed.dwDeviceClassesOffset, DeviceClasses(device));
  return filler.Write(fixed, caps);
}

LONG FillDeviceId(std::string_view bytes, LPVARSTRING deviceId) {
  VARSTRING fixed{};
  fixed.dwStringFormat = STRINGFORMAT_BINARY;
  RecordFiller filler(deviceId->dwTotalSize, kVarStringSize);
  filler.Place(fixed.dwStringSize, fixed.dwStringOffset, bytes);
  return filler.Write(fixed, deviceId);
}

}  // namespace sim
