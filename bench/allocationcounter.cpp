#include "allocationcounter.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

bool counting = false;
AllocationCounter::Usage usage;

void* allocate(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  if (counting) {
    usage.held += static_cast<int64_t>(malloc_usable_size(block));
    usage.peak = std::max(usage.peak, usage.held);
    ++usage.blocks;
  }
  return block;
}

// A block allocated before the counter started and freed while it runs lowers `held`: the
// figures are what the counted code added, less what it released of older memory.
void release(void* block) {
  if (block == nullptr) return;
  if (counting) usage.held -= static_cast<int64_t>(malloc_usable_size(block));
  std::free(block);
}

}  // namespace

AllocationCounter::AllocationCounter() {
  usage = {};
  counting = true;
}

AllocationCounter::~AllocationCounter() { counting = false; }

AllocationCounter::Usage AllocationCounter::Now() const { return usage; }

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
