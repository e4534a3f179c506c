// The multimedia-file functions: handles over buffered RIFF readers. Each call passes
// through the wave driver, which may fail it with a code of its choosing.
#include <string>

#include "HandleTable.h"
#include "MmioApi.h"
#include "MmioFile.h"
#include "RiffChunk.h"
#include "WaveDriver.h"

namespace winmm {
namespace {

HandleTable<MmioFile, HMMIO> &OpenFiles() {
  static HandleTable<MmioFile, HMMIO> files;
  return files;
}

std::string FourccText(FOURCC code) {
  return std::string(reinterpret_cast<char *>(&code), 4);
}

bool SupportedOpenFlags(DWORD flags) {
  // Reading is all the system asks of multimedia files.
  return (flags & ~(MMIO_ALLOCBUF | MMIO_SHAREMODE)) == MMIO_READ;
}

}  // namespace
}  // namespace winmm

using namespace winmm;

HMMIO mmioOpenA(LPSTR pszFileName, LPMMIOINFO pmmioinfo, DWORD fdwOpen) {
  HMMIO opened = 0;
  const MMRESULT result = Intercepted(
      "mmioOpenA",
      {{"szFilename", pszFileName ? pszFileName : ""}, {"dwOpenFlags", std::to_string(fdwOpen)}},
      [&]() -> int64_t {
        if (pszFileName == nullptr) return MMIOERR_FILENOTFOUND;
        if (!SupportedOpenFlags(fdwOpen)) return MMSYSERR_INVALFLAG;
        if (pmmioinfo && (pmmioinfo->pIOProc || pmmioinfo->fccIOProc)) return MMSYSERR_NOTSUPPORTED;
        LONG buffer_size = 0;
        if (fdwOpen & MMIO_ALLOCBUF) {
          const LONG asked = pmmioinfo ? pmmioinfo->cchBuffer : 0;
          buffer_size = asked > 0 ? asked : MMIO_DEFAULTBUFFER;
        }
        MMRESULT error = MMSYSERR_NOERROR;
        auto file = MmioFile::Open(pszFileName, buffer_size, error);
        if (file) opened = OpenFiles().Add(std::move(file));
        return error;
      });
  if (result != MMSYSERR_NOERROR) opened = 0;
  if (pmmioinfo) {
    pmmioinfo->wErrorRet = result;
    pmmioinfo->hmmio = opened;
  }
  return opened;
}

MMRESULT mmioClose(HMMIO hmmio, UINT fuClose) {
  return Intercepted(
      "mmioClose",
      {{"hmmio", std::to_string(HandleNumber(hmmio))}, {"fuClose", std::to_string(fuClose)}},
      [&]() -> int64_t {
        const auto file = OpenFiles().Remove(hmmio);
        return file ? file->Close() : MMSYSERR_INVALHANDLE;
      });
}

LONG mmioRead(HMMIO hmmio, HPSTR pch, LONG cch) {
  return static_cast<LONG>(CurrentWaveDriver().Intercept(
      "mmioRead", {{"hmmio", std::to_string(HandleNumber(hmmio))}, {"cch", std::to_string(cch)}},
      [&]() -> int64_t {
        const auto file = OpenFiles().Find(hmmio);
        return file ? file->Read(pch, cch) : -1;
      }));
}

MMRESULT mmioDescend(HMMIO hmmio, LPMMCKINFO pmmcki, const MMCKINFO *pmmckiParent, UINT fuDescend) {
  Arguments args{{"hmmio", std::to_string(HandleNumber(hmmio))},
                 {"ckid", pmmcki ? FourccText(pmmcki->ckid) : ""},
                 {"fccType", pmmcki ? FourccText(pmmcki->fccType) : ""},
                 {"parent", pmmckiParent ? FourccText(pmmckiParent->ckid) : ""},
                 {"fuDescend", std::to_string(fuDescend)}};
  return Intercepted("mmioDescend", std::move(args), [&]() -> int64_t {
    const auto file = OpenFiles().Find(hmmio);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (pmmcki == nullptr || pmmcki == pmmckiParent) return MMSYSERR_INVALPARAM;
    return DescendChunk(*file, *pmmcki, pmmckiParent, fuDescend);
  });
}

MMRESULT mmioAscend(HMMIO hmmio, LPMMCKINFO pmmcki, UINT fuAscend) {
  Arguments args{{"hmmio", std::to_string(HandleNumber(hmmio))},
                 {"ckid", pmmcki ? FourccText(pmmcki->ckid) : ""},
                 {"fuAscend", std::to_string(fuAscend)}};
  return Intercepted("mmioAscend", std::move(args), [&]() -> int64_t {
    const auto file = OpenFiles().Find(hmmio);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (pmmcki == nullptr) return MMSYSERR_INVALPARAM;
    return AscendChunk(*file, *pmmcki);
  });
}
