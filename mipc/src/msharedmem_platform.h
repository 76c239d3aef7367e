// Platform services under the shared-memory link registry: a named block that other processes
// open by the same name, its mapping into this process, and the registry lock. The block
// functions are called with the registry lock held.
#pragma once

#include <cstdint>
#include <string>

// What this process needs to map, measure and release one block.
struct MSharedMemHandle {
  std::intptr_t native = -1;  // the file-mapping handle, or the shared-memory descriptor
  std::uint64_t length = 0;   // bytes to map: the whole block
  bool created = false;       // this process created the block; false when it existed before
};

namespace msharedmem_platform {

// Creates the block `name` with `size` bytes, or opens it when some process has it already.
// False with the system error code in `error`; nothing is left open then.
bool open_block(const std::string& name, std::uint64_t size, MSharedMemHandle& handle, int& error);
// Maps the whole block read-write; null with the system error code in `error`.
void* map_block(const MSharedMemHandle& handle, int& error);
// The size of the region mapped at `address`: a whole number of pages.
std::uint64_t region_size(const void* address, const MSharedMemHandle& handle);
bool unmap_block(void* address, const MSharedMemHandle& handle, int& error);
// Closes the handle. A block that this process created is also removed from the names that other
// processes can open where the system would otherwise keep it after its last user.
bool close_block(const std::string& name, const MSharedMemHandle& handle, int& error);

// The registry lock: made on first use (safe against concurrent first use), never destroyed.
void lock();
void unlock();

}  // namespace msharedmem_platform
