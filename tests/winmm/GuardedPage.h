// A readable page followed by an unreadable one, so that a read past bytes placed at the very
// end of the first faults; one small file per system.
#pragma once

#include <cstddef>
#include <cstdint>

class GuardedPage {
 public:
  GuardedPage();
  ~GuardedPage();
  GuardedPage(const GuardedPage &) = delete;
  GuardedPage &operator=(const GuardedPage &) = delete;

  // False when the system refused the pages or the protection.
  bool Ready() const { return ready_; }
  // Where `size` bytes must start to end with the readable page.
  uint8_t *EndFor(size_t size) const { return static_cast<uint8_t *>(pages_) + page_ - size; }

 private:
  void *pages_ = nullptr;
  size_t page_ = 0;
  bool ready_ = false;
};
