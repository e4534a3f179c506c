// The texts winmm gives for its result codes.
#include <algorithm>
#include <cstring>

#include "WaveApi.h"

namespace {

const char *KnownText(MMRESULT code) {
  switch (code) {
    case MMSYSERR_NOERROR:
      return "The specified command was carried out.";
    case MMSYSERR_ERROR:
      return "Undefined external error.";
    case MMSYSERR_BADDEVICEID:
      return "A device ID has been used that is out of range for your system.";
    case MMSYSERR_NOTENABLED:
      return "The driver was not enabled.";
    case MMSYSERR_ALLOCATED:
      return "The specified device is already in use. Wait until it is free, and then try again.";
    case MMSYSERR_INVALHANDLE:
      return "The specified device handle is invalid.";
    case MMSYSERR_NODRIVER:
      return "There is no driver installed on your system.";
    case MMSYSERR_NOMEM:
      return "Not enough memory available for this task. Quit one or more applications to increase "
             "available memory, and then try again.";
    case MMSYSERR_NOTSUPPORTED:
      return "This function is not supported. Use the Capabilities function to determine which "
             "functions and messages the driver supports.";
    case MMSYSERR_BADERRNUM:
      return "An error number was specified that is not defined in the system.";
    case MMSYSERR_INVALFLAG:
      return "An invalid flag was passed to a system function.";
    case MMSYSERR_INVALPARAM:
      return "An invalid parameter was passed to a system function.";
    case MMSYSERR_HANDLEBUSY:
      return "Handle being used simultaneously on another thread (eg callback).";
    case MMSYSERR_INVALIDALIAS:
      return "Specified alias not found in WIN.INI.";
    case MMSYSERR_BADDB:
      return "Bad registry database.";
    case MMSYSERR_KEYNOTFOUND:
      return "Registry key not found.";
    case MMSYSERR_READERROR:
      return "Registry read error.";
    case MMSYSERR_WRITEERROR:
      return "Registry write error.";
    case MMSYSERR_DELETEERROR:
      return "Registry delete error.";
    case MMSYSERR_VALNOTFOUND:
      return "Registry value not found.";
    case MMSYSERR_NODRIVERCB:
      return "Driver does not call DriverCallback.";
    case MMSYSERR_MOREDATA:
      return "More data to be returned.";
    case WAVERR_BADFORMAT:
      return "The specified format is not supported or cannot be translated. Use the Capabilities "
             "function to determine the supported formats.";
    case WAVERR_STILLPLAYING:
      return "Cannot perform this operation while media data is still playing. Reset the device, "
             "or wait until the data is finished playing.";
    case WAVERR_UNPREPARED:
      return "The wave header was not prepared. Use the Prepare function to prepare the header, "
             "and then try again.";
    case WAVERR_SYNC:
      return "Cannot open the device without using the WAVE_ALLOWSYNC flag. Use the flag, and then "
             "try again.";
    // Multimedia-file codes reach this function too (callers report mmio results with it).
    case MMIOERR_FILENOTFOUND:
      return "The file was not found.";
    case MMIOERR_OUTOFMEMORY:
      return "Not enough memory to open the file.";
    case MMIOERR_CANNOTOPEN:
      return "The file could not be opened.";
    case MMIOERR_CANNOTCLOSE:
      return "The file could not be closed.";
    case MMIOERR_CANNOTREAD:
      return "The file could not be read.";
    case MMIOERR_CANNOTWRITE:
      return "The file could not be written.";
    case MMIOERR_CANNOTSEEK:
      return "The file position could not be moved.";
    case MMIOERR_CANNOTEXPAND:
      return "The file could not be expanded.";
    case MMIOERR_CHUNKNOTFOUND:
      return "The chunk was not found.";
    case MMIOERR_UNBUFFERED:
      return "The file is not buffered.";
    case MMIOERR_PATHNOTFOUND:
      return "The path was not found.";
    case MMIOERR_ACCESSDENIED:
      return "Access to the file was denied.";
    case MMIOERR_SHARINGVIOLATION:
      return "The file is in use by another application.";
    case MMIOERR_NETWORKERROR:
      return "A network error occurred.";
    case MMIOERR_TOOMANYOPENFILES:
      return "Too many files are open.";
    case MMIOERR_INVALIDFILE:
      return "The file is not valid.";
    default:
      return nullptr;
  }
}

}  // namespace

MMRESULT waveOutGetErrorTextA(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
  if (pszText == nullptr) return MMSYSERR_INVALPARAM;
  if (cchText == 0) return MMSYSERR_NOERROR;
  const char *known = KnownText(mmrError);
  // An unknown code still gets a text, so a caller never shows what its buffer held before.
  const char *text = known ? known : KnownText(MMSYSERR_BADERRNUM);
  const size_t length = std::min<size_t>(std::strlen(text), cchText - 1);
  std::memcpy(pszText, text, length);
  pszText[length] = '\0';
  return known ? MMSYSERR_NOERROR : MMSYSERR_BADERRNUM;
}
