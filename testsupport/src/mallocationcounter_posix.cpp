#include "mallocationcounter_platform.h"

#include <malloc.h>

std::size_t mallocationcounter_platform::block_size(void* block) { return malloc_usable_size(block); }
