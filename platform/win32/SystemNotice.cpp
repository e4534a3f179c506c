#include "platform/win32/Notice.h"

#include <cstdio>

namespace win32::detail {

void SystemNotice(const std::string &caption, const std::string &text, UINT) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
}

}  // namespace win32::detail
