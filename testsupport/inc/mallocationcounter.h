// Test and benchmark helper: counts what operator new hands out while a counter object lives: the
// bytes of the blocks (as the allocator sizes them), their peak and the number of blocks. The
// library replaces the global operator new and delete for this, so only the binaries that measure
// allocations link it; without a live counter they only test a flag. One counter at a time, on one
// thread.
#pragma once

#include <cstdint>

class MAllocationCounter {
 public:
  struct Usage {
    int64_t held = 0;    // allocated and not yet freed since the counter started
    int64_t peak = 0;    // the highest `held`
    int64_t blocks = 0;  // blocks allocated since the counter started
  };

  MAllocationCounter();
  ~MAllocationCounter();
  MAllocationCounter(const MAllocationCounter&) = delete;
  MAllocationCounter& operator=(const MAllocationCounter&) = delete;

  Usage Now() const;
};
