// Variable-size TAPI records live in blocks of the process heap: zero-filled, with dwTotalSize
// set before TAPI sees them, and released only through FreeTapiRecord.
#pragma once

#include <memory>

#include <windows.h>

// Raises Exception when the heap refuses the block.
void *AllocTapiRecord(DWORD dwSize);
// Keeps the bytes already there and zero-fills the rest. When the heap refuses, raises
// Exception and leaves the old block valid and owned by the caller.
void *GrowTapiRecord(void *pRecord, DWORD dwSize);
void FreeTapiRecord(void *pRecord);

// Releases the record an owner field holds and clears the field.
template <class Record>
void ReleaseTapiRecord(Record *&pRecord) {
  FreeTapiRecord(pRecord);
  pRecord = nullptr;
}

struct TTapiRecordRelease {
  void operator()(void *pRecord) const { FreeTapiRecord(pRecord); }
};

// A record in flight, released on every way out unless released to an owner.
template <class Record>
using TTapiRecordPtr = std::unique_ptr<Record, TTapiRecordRelease>;

template <class Record>
TTapiRecordPtr<Record> NewTapiRecord(DWORD dwSize) {
  return TTapiRecordPtr<Record>(static_cast<Record *>(AllocTapiRecord(dwSize)));
}

template <class Record>
void GrowTapiRecord(TTapiRecordPtr<Record> &record, DWORD dwSize) {
  void *pGrown = GrowTapiRecord(record.get(), dwSize);
  static_cast<void>(record.release());
  record.reset(static_cast<Record *>(pGrown));
}
