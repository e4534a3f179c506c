#include "component/VarStringValue.h"

#include <cstring>

#include "platform/tapi32/LineRecordSizes.h"

std::optional<DWORD> LeadingDword(const VARSTRING &answer) {
  const DWORD dwOffset = answer.dwStringOffset;
  if (answer.dwStringSize < sizeof(DWORD) || dwOffset < kVarStringSize ||
      dwOffset > answer.dwTotalSize || answer.dwTotalSize - dwOffset < sizeof(DWORD))
    return std::nullopt;
  DWORD dwValue = 0;
  std::memcpy(&dwValue, reinterpret_cast<const char *>(&answer) + dwOffset, sizeof dwValue);
  return dwValue;
}
