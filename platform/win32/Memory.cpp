#include "platform/win32/Memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <sys/mman.h>
#include <unistd.h>

#include "platform/win32/Kernel.h"
#include "platform/win32/MemoryFaults.h"

using win32::Allocator;

namespace {

constexpr DWORD kErrorNotLocked = 158;

// Windows commits a block's memory when it is allocated. Large blocks are committed here too,
// in large pages where the system has them, so that filling one (a whole sound file read
// into memory) does not fault in page after page.
constexpr size_t kLargeBlock = size_t{1} << 20;

void Commit(void *block, size_t bytes) {
  const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
  if (end <= start) return;
  void *range = reinterpret_cast<void *>(start);
  ::madvise(range, end - start, MADV_HUGEPAGE);
  // Only advice: a system that cannot populate leaves the pages to be faulted in later.
  ::madvise(range, end - start, MADV_POPULATE_WRITE);
}

// A block of at least one byte plus room for a header of the allocator's own, zero-filled when
// asked; NULL with the last error set when the allocator is told to fail or memory runs out.
void *Allocate(Allocator allocator, size_t bytes, bool zeroed, size_t header = 0) {
  void *block = nullptr;
  if (!win32::detail::AllocationShouldFail(allocator, bytes)) {
    size_t total = header + (bytes ? bytes : 1);
    block = zeroed ? std::calloc(1, total) : std::malloc(total);
    if (block && total >= kLargeBlock) Commit(block, total);
  }
  if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

// Global blocks: a fixed block's handle is its address; a moveable block's handle is the
// address of its bookkeeping, and GlobalLock hands out the data.
struct GlobalBlock {
  void *data;
  bool moveable;
  unsigned locks = 0;
};

class GlobalBlocks {
 public:
  HGLOBAL Add(void *data, bool moveable) {
    auto block = std::make_unique<GlobalBlock>(GlobalBlock{data, moveable});
    HGLOBAL handle = moveable ? static_cast<HGLOBAL>(block.get()) : data;
    std::lock_guard<std::mutex> hold(lock_);
    blocks_.emplace(handle, std::move(block));
    return handle;
  }
  // Runs action on the block under the lock; false for an unknown handle.
  template <class Action>
  bool With(HGLOBAL handle, Action action) {
    std::lock_guard<std::mutex> hold(lock_);
    auto found = blocks_.find(handle);
    if (found == blocks_.end()) return false;
    action(*found->second);
    return true;
  }
  void *Remove(HGLOBAL handle) {
    std::lock_guard<std::mutex> hold(lock_);
    auto found = blocks_.find(handle);
    if (found == blocks_.end()) return nullptr;
    void *data = found->second->data;
    blocks_.erase(found);
    return data;
  }

 private:
  std::mutex lock_;
  std::unordered_map<HGLOBAL, std::unique_ptr<GlobalBlock>> blocks_;
};

GlobalBlocks &TheGlobalBlocks() {
  static auto *blocks = new GlobalBlocks;
  return *blocks;
}

// Heap blocks carry their size in front, so that HeapReAlloc can zero what it adds.
constexpr size_t kHeapHeader = alignof(std::max_align_t);

size_t &HeapBlockSize(void *data) {
  return *reinterpret_cast<size_t *>(static_cast<char *>(data) - kHeapHeader);
}

void *AllocateHeapBlock(size_t bytes, bool zeroed) {
  auto *raw = static_cast<char *>(Allocate(Allocator::Heap, bytes, zeroed, kHeapHeader));
  if (!raw) return nullptr;
  void *data = raw + kHeapHeader;
  HeapBlockSize(data) = bytes;
  return data;
}

void FreeHeapBlock(void *data) {
  std::free(static_cast<char *>(data) - kHeapHeader);
}

class ProcessHeap : public win32::detail::KernelObject {
 public:
  bool Closable() const override { return false; }
};

bool IsProcessHeap(HANDLE hHeap) {
  if (hHeap == GetProcessHeap()) return true;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

}  // namespace

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  if (uFlags & ~static_cast<UINT>(LMEM_ZEROINIT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Allocate(Allocator::Local, uBytes, (uFlags & LMEM_ZEROINIT) != 0);
}

HLOCAL LocalFree(HLOCAL hMem) {
  std::free(hMem);
  return nullptr;
}

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  void *data = Allocate(Allocator::Global, dwBytes, (uFlags & GMEM_ZEROINIT) != 0);
  if (!data) return nullptr;
  return TheGlobalBlocks().Add(data, (uFlags & GMEM_MOVEABLE) != 0);
}

LPVOID GlobalLock(HGLOBAL hMem) {
  void *data = nullptr;
  bool known = TheGlobalBlocks().With(hMem, [&data](GlobalBlock &block) {
    if (block.moveable) ++block.locks;
    data = block.data;
  });
  if (!known) SetLastError(ERROR_INVALID_HANDLE);
  return data;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  BOOL stillLocked = FALSE;
  DWORD error = NO_ERROR;
  bool known = TheGlobalBlocks().With(hMem, [&](GlobalBlock &block) {
    if (block.locks == 0) {
      error = block.moveable ? kErrorNotLocked : NO_ERROR;
      return;
    }
    stillLocked = --block.locks > 0;
  });
  SetLastError(known ? error : ERROR_INVALID_HANDLE);
  return stillLocked;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  if (!hMem) return nullptr;
  void *data = TheGlobalBlocks().Remove(hMem);
  if (!data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
  }
  std::free(data);
  return nullptr;
}

HANDLE GetProcessHeap() {
  static const HANDLE heap = [] {
    auto &kernel = win32::detail::Kernel::Get();
    std::lock_guard<std::mutex> hold(kernel.lock);
    return kernel.Insert(std::make_shared<ProcessHeap>());
  }();
  return heap;
}

LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  if (!IsProcessHeap(hHeap)) return nullptr;
  return AllocateHeapBlock(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
}

LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
  if (!IsProcessHeap(hHeap)) return nullptr;
  if (!lpMem) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void *grown = AllocateHeapBlock(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
  if (!grown) return nullptr;
  std::memcpy(grown, lpMem, std::min(HeapBlockSize(lpMem), dwBytes));
  FreeHeapBlock(lpMem);
  return grown;
}

BOOL HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
  if (!IsProcessHeap(hHeap)) return FALSE;
  if (lpMem) FreeHeapBlock(lpMem);
  return TRUE;
}

namespace win32 {
bool AllocationFaultsApply() {
  return true;
}
}  // namespace win32
