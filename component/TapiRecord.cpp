#include "component/TapiRecord.h"

#include <vcl.h>

namespace {

// Every variable-size record begins with its total size.
void SetTotalSize(void *pRecord, DWORD dwSize) {
  *static_cast<DWORD *>(pRecord) = dwSize;
}

[[noreturn]] void RaiseOutOfMemory(DWORD dwSize) {
  throw Exception("Not enough memory for a TAPI record of " + IntToStr(static_cast<int>(dwSize)) +
                  " bytes");
}

}  // namespace

void *AllocTapiRecord(DWORD dwSize) {
  void *pRecord = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, dwSize);
  if (pRecord == nullptr) RaiseOutOfMemory(dwSize);
  SetTotalSize(pRecord, dwSize);
  return pRecord;
}

void *GrowTapiRecord(void *pRecord, DWORD dwSize) {
  void *pGrown = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, pRecord, dwSize);
  if (pGrown == nullptr) RaiseOutOfMemory(dwSize);
  SetTotalSize(pGrown, dwSize);
  return pGrown;
}

void FreeTapiRecord(void *pRecord) {
  if (pRecord != nullptr) HeapFree(GetProcessHeap(), 0, pRecord);
}
