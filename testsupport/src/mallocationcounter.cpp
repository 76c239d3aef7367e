#include "mallocationcounter.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "mallocationcounter_platform.h"

namespace {

bool counting = false;
MAllocationCounter::Usage usage;

int64_t block_size(void* block) {
  return static_cast<int64_t>(mallocationcounter_platform::block_size(block));
}

void* allocate(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  if (counting) {
    usage.held += block_size(block);
    usage.peak = std::max(usage.peak, usage.held);
    ++usage.blocks;
  }
  return block;
}

// A block allocated before the counter started and freed while it runs lowers `held`: the
// figures are what the counted code added, less what it released of older memory.
void release(void* block) {
  if (block == nullptr) return;
  if (counting) usage.held -= block_size(block);
  std::free(block);
}

}  // namespace

MAllocationCounter::MAllocationCounter() {
  usage = {};
  counting = true;
}

MAllocationCounter::~MAllocationCounter() { counting = false; }

MAllocationCounter::Usage MAllocationCounter::Now() const { return usage; }

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
