// Makes the memory allocators fail on purpose, so that every out-of-memory branch can be tested.
// A failing allocation returns NULL with ERROR_NOT_ENOUGH_MEMORY, as an exhausted system does.
#pragma once

#include <cstddef>

namespace win32 {

// LocalAlloc; GlobalAlloc; HeapAlloc and HeapReAlloc.
enum class Allocator { Local, Global, Heap };

// The nth call of the allocator from now fails once (1 = the next call).
void FailNthAllocation(Allocator allocator, unsigned nth);
// Every call of the allocator asking for exactly this many bytes fails until cleared.
void FailAllocationsOfSize(Allocator allocator, size_t bytes);
// Removes every planned failure of every allocator and restarts their call counts.
void ClearAllocationFaults();
// The calls of the allocator since the last clear: a sweep that plans the nth failure knows
// from it whether the run reached that call at all.
unsigned AllocationCalls(Allocator allocator);
// Whether the allocators consult these plans: the Linux layer's do; on Windows the system's
// own allocators stand in their place and nothing fails on purpose.
bool AllocationFaultsApply();

namespace detail {
// Counts one call of the allocator; true when it must fail.
bool AllocationShouldFail(Allocator allocator, size_t bytes);
}  // namespace detail

}  // namespace win32
