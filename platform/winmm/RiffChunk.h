// Moving into and out of the chunks of a RIFF file.
#pragma once

#include "MmRecords.h"
#include "MmioFile.h"

namespace winmm {

// Finds the chunk `flags` asks for (MMIO_FINDCHUNK, MMIO_FINDRIFF, MMIO_FINDLIST, or 0 for
// the next one) from the current position, within `parent` when given, and stops inside
// it: after its header, and after the form type of a RIFF or LIST chunk.
MMRESULT DescendChunk(MmioFile &file, MMCKINFO &chunk, const MMCKINFO *parent, UINT flags);

// Moves past the end of the chunk, including the pad byte that follows an odd size.
MMRESULT AscendChunk(MmioFile &file, const MMCKINFO &chunk);

}  // namespace winmm
