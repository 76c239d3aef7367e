// Named shared memory backed by the system paging file, shared with other processes. A block is
// known in this process by the start address of its mapping; a process-wide registry counts how
// often this process linked each block. All functions are safe to call from several threads.
#pragma once

#include <cstdint>

// Links to the block `name`, creating it with `size` bytes if no process has it yet. Answers its
// start address, or null (with an error-trace entry) on failure or when the block is too small.
void* MSharedMem_LinkOrCreate(const char* name, uint64_t size);
// Undoes one link; the last one unmaps the block in this process.
bool MSharedMem_Unlink(void* address);
// The registered size of the block starting at `address`, or -1.
int64_t MSharedMem_GetSize(const void* address);
