#include <windows.h>

#include "tests/winmm/GuardedPage.h"

GuardedPage::GuardedPage() {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  page_ = system.dwPageSize;
  pages_ = VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (pages_ == nullptr) return;
  DWORD previous = 0;
  ready_ = VirtualProtect(static_cast<char *>(pages_) + page_, page_, PAGE_NOACCESS, &previous);
}

GuardedPage::~GuardedPage() {
  if (pages_ != nullptr) VirtualFree(pages_, 0, MEM_RELEASE);
}
