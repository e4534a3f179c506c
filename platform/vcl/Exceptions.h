// The framework's exceptions: every one carries a message text.
#pragma once

#include <exception>

#include "AnsiString.h"

class Exception : public std::exception {
 public:
  explicit Exception(const AnsiString &message) : Message(message) {}

  const char *what() const noexcept override { return Message.c_str(); }

  AnsiString Message;
};

// The quiet failure: raised to leave a method, carrying the reason as its message.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};

class ERangeError : public Exception {
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};
