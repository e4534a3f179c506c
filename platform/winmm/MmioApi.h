// Multimedia-file input: a buffered reader of RIFF files.
#pragma once

#ifdef _WIN32
// On Windows the system's own headers declare all of this.
#include <windows.h>
#include <mmsystem.h>
#else

#include "MmRecords.h"

HMMIO mmioOpenA(LPSTR pszFileName, LPMMIOINFO pmmioinfo, DWORD fdwOpen);
MMRESULT mmioClose(HMMIO hmmio, UINT fuClose);
LONG mmioRead(HMMIO hmmio, HPSTR pch, LONG cch);
MMRESULT mmioDescend(HMMIO hmmio, LPMMCKINFO pmmcki, const MMCKINFO *pmmckiParent, UINT fuDescend);
MMRESULT mmioAscend(HMMIO hmmio, LPMMCKINFO pmmcki, UINT fuAscend);

#define mmioOpen mmioOpenA

#endif  // _WIN32
