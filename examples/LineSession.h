// The open line of a command: opened with the component when the command starts and closed
// on every way out, however the command ends.
#pragma once

#include <string>

#include "component/Kwtapi.h"
#include "examples/CallEvents.h"

class TLineSession {
 public:
  // Opens the device, or the one the user chooses in the component's device dialog. Throws
  // TUsageError for a device that does not exist, std::runtime_error for another failure.
  TLineSession(TkwTAPI &tapi, const TCallEvents &events, DWORD dwDevice, bool bChoose);
  ~TLineSession();
  TLineSession(const TLineSession &) = delete;
  TLineSession &operator=(const TLineSession &) = delete;

  DWORD Device() const { return dwDevice_; }
  const std::string &Name() const { return name_; }

 private:
  TkwTAPI &tapi_;
  DWORD dwDevice_;
  std::string name_;
};
