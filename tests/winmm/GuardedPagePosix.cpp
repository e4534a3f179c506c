#include "tests/winmm/GuardedPage.h"

#include <sys/mman.h>
#include <unistd.h>

GuardedPage::GuardedPage() : page_(static_cast<size_t>(::sysconf(_SC_PAGESIZE))) {
  pages_ = ::mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages_ == MAP_FAILED) {
    pages_ = nullptr;
    return;
  }
  ready_ = ::mprotect(static_cast<char *>(pages_) + page_, page_, PROT_NONE) == 0;
}

GuardedPage::~GuardedPage() {
  if (pages_ != nullptr) ::munmap(pages_, 2 * page_);
}
