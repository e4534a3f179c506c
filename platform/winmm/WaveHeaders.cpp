#include "WaveHeaders.h"

namespace winmm {

MMRESULT CheckHeader(const WAVEHDR *header, UINT size) {
  // A caller that passes a smaller size has a header of another layout.
  if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (header->lpData == nullptr && header->dwBufferLength > 0) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

MMRESULT PrepareHeader(WAVEHDR *header, UINT size) {
  if (const MMRESULT invalid = CheckHeader(header, size)) return invalid;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT UnprepareHeader(WAVEHDR *header, UINT size) {
  if (const MMRESULT invalid = CheckHeader(header, size)) return invalid;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~DWORD{WHDR_PREPARED};
  return MMSYSERR_NOERROR;
}

MMRESULT QueueHeader(WAVEHDR *header, UINT size) {
  if (const MMRESULT invalid = CheckHeader(header, size)) return invalid;
  const DWORD flags = header->dwFlags;
  if (!(flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags = (flags & ~DWORD{WHDR_DONE}) | WHDR_INQUEUE;
  return MMSYSERR_NOERROR;
}

void ReturnHeader(WAVEHDR *header) {
  header->dwFlags = (header->dwFlags & ~DWORD{WHDR_INQUEUE}) | WHDR_DONE;
}

}  // namespace winmm
