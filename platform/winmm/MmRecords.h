// Multimedia types, constants and records with the layouts Windows publishes.
#pragma once

#ifdef _WIN32
// On Windows the system's own headers declare all of this.
#include <windows.h>
#include <mmsystem.h>
#else

#include <atomic>
#include <cstddef>

#include "wintypes.h"

typedef UINT MMRESULT;
typedef DWORD FOURCC;
typedef char *HPSTR;

// Wave and multimedia-file objects are 32-bit values, like every other handle here.
typedef DWORD HWAVEOUT;
typedef DWORD HWAVEIN;
typedef DWORD HMMIO;
typedef HWAVEOUT *LPHWAVEOUT;
typedef HWAVEIN *LPHWAVEIN;

#define mmioFOURCC(ch0, ch1, ch2, ch3)                                              \
  ((FOURCC)(BYTE)(ch0) | ((FOURCC)(BYTE)(ch1) << 8) | ((FOURCC)(BYTE)(ch2) << 16) | \
   ((FOURCC)(BYTE)(ch3) << 24))
#define FOURCC_RIFF mmioFOURCC('R', 'I', 'F', 'F')
#define FOURCC_LIST mmioFOURCC('L', 'I', 'S', 'T')

// Result codes.
#define MMSYSERR_BASE 0
#define WAVERR_BASE 32
#define MMIOERR_BASE 256

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR (MMSYSERR_BASE + 1)
#define MMSYSERR_BADDEVICEID (MMSYSERR_BASE + 2)
#define MMSYSERR_NOTENABLED (MMSYSERR_BASE + 3)
#define MMSYSERR_ALLOCATED (MMSYSERR_BASE + 4)
#define MMSYSERR_INVALHANDLE (MMSYSERR_BASE + 5)
#define MMSYSERR_NODRIVER (MMSYSERR_BASE + 6)
#define MMSYSERR_NOMEM (MMSYSERR_BASE + 7)
#define MMSYSERR_NOTSUPPORTED (MMSYSERR_BASE + 8)
#define MMSYSERR_BADERRNUM (MMSYSERR_BASE + 9)
#define MMSYSERR_INVALFLAG (MMSYSERR_BASE + 10)
#define MMSYSERR_INVALPARAM (MMSYSERR_BASE + 11)
#define MMSYSERR_HANDLEBUSY (MMSYSERR_BASE + 12)
#define MMSYSERR_INVALIDALIAS (MMSYSERR_BASE + 13)
#define MMSYSERR_BADDB (MMSYSERR_BASE + 14)
#define MMSYSERR_KEYNOTFOUND (MMSYSERR_BASE + 15)
#define MMSYSERR_READERROR (MMSYSERR_BASE + 16)
#define MMSYSERR_WRITEERROR (MMSYSERR_BASE + 17)
#define MMSYSERR_DELETEERROR (MMSYSERR_BASE + 18)
#define MMSYSERR_VALNOTFOUND (MMSYSERR_BASE + 19)
#define MMSYSERR_NODRIVERCB (MMSYSERR_BASE + 20)
#define MMSYSERR_MOREDATA (MMSYSERR_BASE + 21)
#define MMSYSERR_LASTERROR (MMSYSERR_BASE + 21)

#define WAVERR_BADFORMAT (WAVERR_BASE + 0)
#define WAVERR_STILLPLAYING (WAVERR_BASE + 1)
#define WAVERR_UNPREPARED (WAVERR_BASE + 2)
#define WAVERR_SYNC (WAVERR_BASE + 3)
#define WAVERR_LASTERROR (WAVERR_BASE + 3)

#define MMIOERR_FILENOTFOUND (MMIOERR_BASE + 1)
#define MMIOERR_OUTOFMEMORY (MMIOERR_BASE + 2)
#define MMIOERR_CANNOTOPEN (MMIOERR_BASE + 3)
#define MMIOERR_CANNOTCLOSE (MMIOERR_BASE + 4)
#define MMIOERR_CANNOTREAD (MMIOERR_BASE + 5)
#define MMIOERR_CANNOTWRITE (MMIOERR_BASE + 6)
#define MMIOERR_CANNOTSEEK (MMIOERR_BASE + 7)
#define MMIOERR_CANNOTEXPAND (MMIOERR_BASE + 8)
#define MMIOERR_CHUNKNOTFOUND (MMIOERR_BASE + 9)
#define MMIOERR_UNBUFFERED (MMIOERR_BASE + 10)
#define MMIOERR_PATHNOTFOUND (MMIOERR_BASE + 11)
#define MMIOERR_ACCESSDENIED (MMIOERR_BASE + 12)
#define MMIOERR_SHARINGVIOLATION (MMIOERR_BASE + 13)
#define MMIOERR_NETWORKERROR (MMIOERR_BASE + 14)
#define MMIOERR_TOOMANYOPENFILES (MMIOERR_BASE + 15)
#define MMIOERR_INVALIDFILE (MMIOERR_BASE + 16)

#define MAXERRORLENGTH 256

// Device selection and open flags.
#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_QUERY 0x0001
#define WAVE_ALLOWSYNC 0x0002
#define WAVE_MAPPED 0x0004
#define WAVE_FORMAT_DIRECT 0x0008

#define CALLBACK_TYPEMASK 0x00070000l
#define CALLBACK_NULL 0x00000000l
#define CALLBACK_WINDOW 0x00010000l
#define CALLBACK_TASK 0x00020000l
#define CALLBACK_THREAD CALLBACK_TASK
#define CALLBACK_FUNCTION 0x00030000l
#define CALLBACK_EVENT 0x00050000l

// Device notifications: wParam is the device handle; lParam the header for the _DONE/_DATA ones.
#define MM_WOM_OPEN 0x3BB
#define MM_WOM_CLOSE 0x3BC
#define MM_WOM_DONE 0x3BD
#define MM_WIM_OPEN 0x3BE
#define MM_WIM_CLOSE 0x3BF
#define MM_WIM_DATA 0x3C0

#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_BEGINLOOP 0x00000004
#define WHDR_ENDLOOP 0x00000008
#define WHDR_INQUEUE 0x00000010

#define WAVE_FORMAT_PCM 1

// Multimedia-file flags.
#define MMIO_RWMODE 0x00000003
#define MMIO_SHAREMODE 0x00000070
#define MMIO_READ 0x00000000
#define MMIO_WRITE 0x00000001
#define MMIO_READWRITE 0x00000002
#define MMIO_COMPAT 0x00000000
#define MMIO_EXCLUSIVE 0x00000010
#define MMIO_DENYWRITE 0x00000020
#define MMIO_DENYREAD 0x00000030
#define MMIO_DENYNONE 0x00000040
#define MMIO_CREATE 0x00001000
#define MMIO_ALLOCBUF 0x00010000
#define MMIO_DIRTY 0x10000000
#define MMIO_FINDCHUNK 0x0010
#define MMIO_FINDRIFF 0x0020
#define MMIO_FINDLIST 0x0040
#define MMIO_DEFAULTBUFFER 8192

// The multimedia records are byte-packed, as Windows declares them.
#pragma pack(push, 1)

typedef struct waveformat_tag {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
} WAVEFORMAT;

typedef struct pcmwaveformat_tag {
  WAVEFORMAT wf;
  WORD wBitsPerSample;
} PCMWAVEFORMAT;

typedef struct tWAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
} WAVEFORMATEX;
typedef WAVEFORMATEX *LPWAVEFORMATEX;
typedef const WAVEFORMATEX *LPCWAVEFORMATEX;

typedef struct _MMCKINFO {
  FOURCC ckid;
  DWORD cksize;
  FOURCC fccType;
  DWORD dwDataOffset;
  DWORD dwFlags;
} MMCKINFO;
typedef MMCKINFO *LPMMCKINFO;

typedef LRESULT (*LPMMIOPROC)(LPSTR lpmmioinfo, UINT uMsg, LPARAM lParam1, LPARAM lParam2);
typedef HANDLE HTASK;

typedef struct _MMIOINFO {
  DWORD dwFlags;
  FOURCC fccIOProc;
  LPMMIOPROC pIOProc;
  UINT wErrorRet;
  HTASK htask;
  LONG cchBuffer;
  HPSTR pchBuffer;
  HPSTR pchNext;
  HPSTR pchEndRead;
  HPSTR pchEndWrite;
  LONG lBufOffset;
  LONG lDiskOffset;
  DWORD adwInfo[3];
  DWORD dwReserved1;
  DWORD dwReserved2;
  HMMIO hmmio;
} MMIOINFO;
typedef MMIOINFO *LPMMIOINFO;

#pragma pack(pop)

namespace winmm {

// A header's flags are set by the device's thread while the caller polls them for
// WHDR_DONE, so they are atomic; they keep the size and place of the published DWORD.
class HeaderFlags {
 public:
  operator DWORD() const { return Shared().load(); }
  HeaderFlags &operator=(DWORD value) {
    Shared().store(value);
    return *this;
  }
  HeaderFlags &operator|=(DWORD bits) {
    Shared().fetch_or(bits);
    return *this;
  }
  HeaderFlags &operator&=(DWORD bits) {
    Shared().fetch_and(bits);
    return *this;
  }

 private:
  std::atomic_ref<DWORD> Shared() const { return std::atomic_ref<DWORD>(value_); }

  // Plain storage keeps the record trivial, so zero-filled memory is a valid header.
  alignas(std::atomic_ref<DWORD>::required_alignment) mutable DWORD value_;
};
static_assert(sizeof(HeaderFlags) == sizeof(DWORD) && std::atomic_ref<DWORD>::is_always_lock_free);

}  // namespace winmm

// Pointer-sized fields keep their native width, as on 64-bit Windows: 32 bytes on a
// 32-bit build, 48 on a 64-bit one. Callers pass sizeof(WAVEHDR), never a literal size.
typedef struct wavehdr_tag {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  winmm::HeaderFlags dwFlags;
  DWORD dwLoops;
  struct wavehdr_tag *lpNext;
  DWORD_PTR reserved;
} WAVEHDR;
typedef WAVEHDR *PWAVEHDR;
typedef WAVEHDR *LPWAVEHDR;

static_assert(sizeof(WAVEFORMAT) == 14 && sizeof(PCMWAVEFORMAT) == 16);
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4 &&
              offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8 &&
              offsetof(WAVEFORMATEX, nBlockAlign) == 12 &&
              offsetof(WAVEFORMATEX, wBitsPerSample) == 14 && offsetof(WAVEFORMATEX, cbSize) == 16);
static_assert(sizeof(MMCKINFO) == 20 && offsetof(MMCKINFO, cksize) == 4 &&
              offsetof(MMCKINFO, fccType) == 8 && offsetof(MMCKINFO, dwDataOffset) == 12 &&
              offsetof(MMCKINFO, dwFlags) == 16);
static_assert(sizeof(WAVEHDR) == 4 * sizeof(void *) + 16);
static_assert(offsetof(WAVEHDR, dwBufferLength) == sizeof(void *) &&
              offsetof(WAVEHDR, dwBytesRecorded) == sizeof(void *) + 4 &&
              offsetof(WAVEHDR, dwUser) == sizeof(void *) + 8 &&
              offsetof(WAVEHDR, dwFlags) == 2 * sizeof(void *) + 8 &&
              offsetof(WAVEHDR, dwLoops) == 2 * sizeof(void *) + 12 &&
              offsetof(WAVEHDR, lpNext) == 2 * sizeof(void *) + 16);

#endif  // _WIN32
