#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/MemoryFaults.h"

namespace {

using win32::Allocator;

class Memory : public ::testing::Test {
 protected:
  void TearDown() override { win32::ClearAllocationFaults(); }

  static bool AllZero(const void *block, size_t size) {
    const auto *bytes = static_cast<const unsigned char *>(block);
    for (size_t i = 0; i < size; ++i) {
      if (bytes[i] != 0) return false;
    }
    return true;
  }
};

TEST_F(Memory, LocalBlocksAreZeroFilledOnRequest) {
  auto *block = static_cast<char *>(LocalAlloc(LPTR, 64));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(AllZero(block, 64));
  std::memset(block, 0x5A, 64);
  EXPECT_EQ(LocalFree(block), nullptr);
  EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST_F(Memory, MoveableGlobalBlocksAreReachedThroughTheirLock) {
  HGLOBAL handle = GlobalAlloc(GHND, 16000);
  ASSERT_NE(handle, nullptr);
  auto *data = static_cast<char *>(GlobalLock(handle));
  ASSERT_NE(data, nullptr);
  EXPECT_NE(static_cast<void *>(data), handle);
  EXPECT_TRUE(AllZero(data, 16000));
  data[15999] = 1;
  EXPECT_EQ(GlobalLock(handle), data);
  EXPECT_TRUE(GlobalUnlock(handle));
  EXPECT_FALSE(GlobalUnlock(handle));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(GlobalFree(handle), nullptr);
  EXPECT_EQ(GlobalLock(handle), nullptr);
  EXPECT_EQ(GlobalFree(handle), handle);
}

TEST_F(Memory, HeapReAllocKeepsTheContentAndZeroesTheGrowth) {
  HANDLE heap = GetProcessHeap();
  ASSERT_NE(heap, 0u);
  auto *block = static_cast<char *>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 8));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(AllZero(block, 8));
  std::memcpy(block, "abcdefg", 8);
  auto *grown = static_cast<char *>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 4096));
  ASSERT_NE(grown, nullptr);
  EXPECT_STREQ(grown, "abcdefg");
  EXPECT_TRUE(AllZero(grown + 8, 4096 - 8));
  EXPECT_TRUE(HeapFree(heap, 0, grown));
  EXPECT_EQ(HeapAlloc(heap + 1, 0, 8), nullptr);
}

TEST_F(Memory, TheNthCallFailsOnceForEachAllocator) {
  win32::FailNthAllocation(Allocator::Local, 2);
  void *first = LocalAlloc(LPTR, 10);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(LocalAlloc(LPTR, 10), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  void *third = LocalAlloc(LPTR, 10);
  EXPECT_NE(third, nullptr);
  LocalFree(first);
  LocalFree(third);

  win32::FailNthAllocation(Allocator::Global, 1);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 16000), nullptr);
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, 16000);
  EXPECT_NE(global, nullptr);
  GlobalFree(global);

  HANDLE heap = GetProcessHeap();
  void *block = HeapAlloc(heap, 0, 32);
  win32::FailNthAllocation(Allocator::Heap, 1);
  EXPECT_EQ(HeapReAlloc(heap, 0, block, 64), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_TRUE(HeapFree(heap, 0, block));
}

TEST_F(Memory, CallsOfAGivenSizeFailUntilCleared) {
  win32::FailAllocationsOfSize(Allocator::Heap, 1024);
  HANDLE heap = GetProcessHeap();
  EXPECT_EQ(HeapAlloc(heap, 0, 1024), nullptr);
  EXPECT_EQ(HeapAlloc(heap, 0, 1024), nullptr);
  void *other = HeapAlloc(heap, 0, 1023);
  EXPECT_NE(other, nullptr);
  HeapFree(heap, 0, other);
  // Other allocators are not affected.
  void *local = LocalAlloc(LMEM_FIXED, 1024);
  EXPECT_NE(local, nullptr);
  LocalFree(local);

  win32::ClearAllocationFaults();
  void *block = HeapAlloc(heap, 0, 1024);
  EXPECT_NE(block, nullptr);
  HeapFree(heap, 0, block);
}

TEST_F(Memory, GlobalAndLocalSizeFaults) {
  win32::FailAllocationsOfSize(Allocator::Global, 16000);
  win32::FailAllocationsOfSize(Allocator::Local, 46);
  EXPECT_EQ(GlobalAlloc(GHND, 16000), nullptr);
  EXPECT_EQ(LocalAlloc(LPTR, 46), nullptr);
  HGLOBAL global = GlobalAlloc(GHND, 8000);
  EXPECT_NE(global, nullptr);
  GlobalFree(global);
}

}  // namespace
