#include "msharedmem.h"

#include <cstddef>
#include <map>
#include <string>

#include "errtrace.h"
#include "msharedmem_platform.h"

namespace {

// One mapped block of this process.
struct MSharedMemLinkInfo {
  std::string name;
  MSharedMemHandle handle;
  // The requested size of a block this process created, the mapped region's size otherwise.
  std::uint64_t size = 0;
  // Links of this process not yet undone by MSharedMem_Unlink.
  std::int32_t link_count = 0;
};

// Keyed by the start address of the block's mapping in this process.
using MSharedMemRegistry = std::map<const void*, MSharedMemLinkInfo>;

// Made on first use and never destroyed, so that links may outlive static destruction.
MSharedMemRegistry& registry() {
  static MSharedMemRegistry* const instance = new MSharedMemRegistry;
  return *instance;
}

class RegistryLock {
 public:
  RegistryLock() { msharedmem_platform::lock(); }
  ~RegistryLock() { msharedmem_platform::unlock(); }
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;
};

MSharedMemLinkInfo* find_by_address(const void* address) {
  const auto found = registry().find(address);
  return found == registry().end() ? nullptr : &found->second;
}

// The first block in address order with exactly this name.
MSharedMemRegistry::iterator find_by_name(const std::string& name) {
  MSharedMemRegistry::iterator it = registry().begin();
  while (it != registry().end() && it->second.name != name) ++it;
  return it;
}

MSharedMemLinkInfo& SetNewLinkInfo(const std::string& name, const void* address,
                                   const MSharedMemHandle& handle, std::uint64_t size) {
  MSharedMemLinkInfo& info = registry()[address];
  info = MSharedMemLinkInfo{name, handle, size, 0};
  return info;
}

bool DeleteLinkInfo(const void* address) { return registry().erase(address) == 1; }

void trace_too_small(const char* function, const std::string& name, std::uint64_t existing,
                     std::uint64_t requested) {
  MERRTRACE("%s(): existing size is too small for %s: %zu < %zu", function, name.c_str(),
            static_cast<std::size_t>(existing), static_cast<std::size_t>(requested));
}

// Opens or creates the block and registers it with one link. Runs under the registry lock.
void* MSharedMem_Create(const std::string& name, std::uint64_t size) {
  MSharedMemHandle handle;
  int error = 0;
  if (!msharedmem_platform::open_block(name, size, handle, error)) {
    MERRTRACE("MSharedMem_Create(): CreateFileMapping() failed (%d)", error);
    return nullptr;
  }
  void* const address = msharedmem_platform::map_block(handle, error);
  if (address == nullptr) {
    int ignored = 0;
    msharedmem_platform::close_block(name, handle, ignored);
    MERRTRACE("MSharedMem_Create(): MapViewOfFile() failed (%d)", error);
    return nullptr;
  }
  std::uint64_t block_size = size;
  if (!handle.created) {
    block_size = msharedmem_platform::region_size(address, handle);
    if (size > block_size) {
      int ignored = 0;
      msharedmem_platform::unmap_block(address, handle, ignored);
      msharedmem_platform::close_block(name, handle, ignored);
      trace_too_small("MSharedMem_Create", name, block_size, size);
      return nullptr;
    }
  }
  SetNewLinkInfo(name, address, handle, block_size).link_count = 1;
  return address;
}

// Drops the block from the registry and releases it in this process. Runs under the registry lock.
void MSharedMem_Destroy(void* address, const MSharedMemLinkInfo& info) {
  if (!DeleteLinkInfo(address)) MERRTRACE("MSharedMem_Destroy(): DeleteLinkInfo() failed");
  int error = 0;
  if (!msharedmem_platform::unmap_block(address, info.handle, error)) {
    MERRTRACE("MSharedMem_Unlink(): UnmapViewOfFile() failed (%d)", error);
  }
  if (!msharedmem_platform::close_block(info.name, info.handle, error)) {
    MERRTRACE("MSharedMem_Destroy(): CloseHandle() failed (%d)", error);
  }
}

}  // namespace

void* MSharedMem_LinkOrCreate(const char* name, std::uint64_t size) {
  if (name == nullptr || *name == '\0') {
    MERRTRACE("MSharedMem_LinkOrCreate(): name == \"\"");
    return nullptr;
  }
  if (size == 0) {
    MERRTRACE("MSharedMem_LinkOrCreate(): size <= 0");
    return nullptr;
  }
  const std::string block_name(name);
  RegistryLock lock;
  const auto found = find_by_name(block_name);
  if (found == registry().end()) return MSharedMem_Create(block_name, size);
  MSharedMemLinkInfo& info = found->second;
  if (size > info.size) {
    trace_too_small("MSharedMem_LinkOrCreate", block_name, info.size, size);
    return nullptr;
  }
  ++info.link_count;
  return const_cast<void*>(found->first);
}

bool MSharedMem_Unlink(void* address) {
  if (address == nullptr) {
    MERRTRACE("MSharedMem_Unlink(): NULL pointer for memory");
    return false;
  }
  RegistryLock lock;
  MSharedMemLinkInfo* const info = find_by_address(address);
  if (info == nullptr) {
    MERRTRACE("MSharedMem_Unlink(): no shared memory registered at %p", address);
    return false;
  }
  --info->link_count;
  if (info->link_count > 0) return true;
  if (info->link_count < 0) {
    MERRTRACE("MSharedMem_Unlink(): link_count < 0");
    return false;
  }
  const MSharedMemLinkInfo released = *info;  // the entry goes first
  MSharedMem_Destroy(address, released);
  return true;
}

std::int64_t MSharedMem_GetSize(const void* address) {
  if (address == nullptr) {
    MERRTRACE("MSharedMem_GetSize(): NULL pointer for memory");
    return -1;
  }
  RegistryLock lock;
  const MSharedMemLinkInfo* const info = find_by_address(address);
  if (info == nullptr) {
    MERRTRACE("MSharedMem_GetSize(): no shared memory registered at %p", address);
    return -1;
  }
  return static_cast<std::int64_t>(info->size);
}
