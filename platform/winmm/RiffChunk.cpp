#include "RiffChunk.h"

#include <cstring>
#include <limits>

namespace winmm {
namespace {

int64_t ChunkEnd(const MMCKINFO &chunk) {
  return int64_t{chunk.dwDataOffset} + chunk.cksize + (chunk.cksize & 1);
}

bool ReadFourcc(MmioFile &file, FOURCC &value) {
  char bytes[4];
  if (file.Read(bytes, 4) != 4) return false;
  std::memcpy(&value, bytes, 4);  // RIFF is little-endian, like the host
  return true;
}

bool Wanted(const MMCKINFO &found, const MMCKINFO &asked, UINT flags) {
  if (flags & MMIO_FINDCHUNK) return found.ckid == asked.ckid;
  if (flags & MMIO_FINDRIFF) return found.ckid == FOURCC_RIFF && found.fccType == asked.fccType;
  if (flags & MMIO_FINDLIST) return found.ckid == FOURCC_LIST && found.fccType == asked.fccType;
  return true;
}

}  // namespace

MMRESULT DescendChunk(MmioFile &file, MMCKINFO &chunk, const MMCKINFO *parent, UINT flags) {
  const int64_t limit =
      parent ? int64_t{parent->dwDataOffset} + parent->cksize : std::numeric_limits<int64_t>::max();
  for (;;) {
    if (file.Position() + 8 > limit) return MMIOERR_CHUNKNOTFOUND;
    MMCKINFO found{};
    if (!ReadFourcc(file, found.ckid) || !ReadFourcc(file, found.cksize)) {
      return MMIOERR_CHUNKNOTFOUND;
    }
    found.dwDataOffset = static_cast<DWORD>(file.Position());
    const bool has_form = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
    if (has_form && !ReadFourcc(file, found.fccType)) return MMIOERR_CHUNKNOTFOUND;
    if (Wanted(found, chunk, flags)) {
      chunk = found;
      return MMSYSERR_NOERROR;
    }
    file.Seek(ChunkEnd(found));
  }
}

MMRESULT AscendChunk(MmioFile &file, const MMCKINFO &chunk) {
  file.Seek(ChunkEnd(chunk));
  return MMSYSERR_NOERROR;
}

}  // namespace winmm
