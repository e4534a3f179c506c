// The bookkeeping every wave header goes through, for output and input alike.
#pragma once

#include "MmRecords.h"

namespace winmm {

// MMSYSERR_INVALPARAM for a missing header, a size below the record's, or no buffer.
MMRESULT CheckHeader(const WAVEHDR *header, UINT size);
MMRESULT PrepareHeader(WAVEHDR *header, UINT size);
// WAVERR_STILLPLAYING while the device holds the header.
MMRESULT UnprepareHeader(WAVEHDR *header, UINT size);
// Hands the header to the device: WAVERR_UNPREPARED or WAVERR_STILLPLAYING when it cannot.
MMRESULT QueueHeader(WAVEHDR *header, UINT size);
// Gives the header back to its owner; nothing may touch it afterwards.
void ReturnHeader(WAVEHDR *header);

}  // namespace winmm
