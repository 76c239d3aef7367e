// The one platform service of the allocation counter.
#pragma once

#include <cstddef>

namespace mallocationcounter_platform {

// The size the allocator gave a block from std::malloc: at least the size asked for.
std::size_t block_size(void* block);

}  // namespace mallocationcounter_platform
