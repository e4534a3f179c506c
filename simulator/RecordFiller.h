// Fills a caller's variable-size TAPI record the way TAPI does: the fixed part always, then each
// variable field after it while the announced dwTotalSize has room, and dwNeededSize for all.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/tapi32/LineErrors.h"
#include "platform/tapi32/LineRecordSizes.h"
#include "platform/tapi32/LineRecords.h"

namespace sim {

class RecordFiller {
 public:
  RecordFiller(DWORD totalSize, DWORD fixedSize);

  // Adds one variable field. A field that does not fit keeps size and offset 0 but counts
  // towards dwNeededSize. Empty fields are left out.
  void Place(DWORD &size, DWORD &offset, std::string_view bytes);

  // Writes the fixed part of `fixed` (its dwTotalSize as the caller announced it) and the
  // placed fields into `block`, which has room for dwTotalSize bytes. Fields a later version
  // declares after the fixed part are not written: the caller did not ask for them. A block below the fixed size gets
  // LINEERR_STRUCTURETOOSMALL and, when it can hold them, the size fields only.
  template <class Record>
  LONG Write(Record &fixed, void *block) const {
    static_assert(sizeof(Record) >= kSizeFields);
    if (total_ < fixedSize_) {
      WriteSizeFields(block);
      return LINEERR_STRUCTURETOOSMALL;
    }
    fixed.dwTotalSize = total_;
    fixed.dwNeededSize = needed_;
    fixed.dwUsedSize = Used();
    WriteBytes(&fixed, std::min<size_t>(sizeof(Record), fixedSize_), block);
    return 0;
  }

 private:
  static constexpr DWORD kSizeFields = 3 * sizeof(DWORD);

  DWORD Used() const;
  void WriteSizeFields(void *block) const;
  void WriteBytes(const void *fixed, size_t fixedSize, void *block) const;

  DWORD total_;
  DWORD fixedSize_;
  DWORD needed_;
  std::string tail_;
};

// A TAPI ASCII string: the text and its terminating NUL.
std::string Sz(std::string_view text);

}  // namespace sim
