// libre and librem, with what their headers take for granted included first, and their text
// (a pointer and a length, the pointer null when empty) as a string.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstdio>
#include <string>

// Without it the headers define bool, true and false as macros, which break C++ headers.
#define HAVE_STDBOOL_H 1
#include <re.h>
#include <rem.h>

namespace sipnet {

inline std::string Text(const struct pl &text) {
  return std::string(text.p ? text.p : "", text.l);
}

}  // namespace sipnet
