// Kernel objects other than files that ReadFile and WriteFile reach: a device's data line,
// such as a modem's communications port.
#pragma once

#include "platform/win32/Kernel.h"

namespace win32::detail {

class ByteStream : public KernelObject {
 public:
  // Each answers how many bytes moved. A read takes what is waiting and does not block.
  virtual DWORD Read(void *buffer, DWORD size) = 0;
  virtual DWORD Write(const void *bytes, DWORD size) = 0;
};

}  // namespace win32::detail
