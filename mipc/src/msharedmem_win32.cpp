// Blocks are named file mappings backed by the paging file; the system removes one when the
// last process closes it.
#include "msharedmem_platform.h"

#include <windows.h>

namespace {

HANDLE native_handle(const MSharedMemHandle& handle) {
  return reinterpret_cast<HANDLE>(handle.native);
}

int last_error() { return static_cast<int>(GetLastError()); }

CRITICAL_SECTION& registry_section() {
  static CRITICAL_SECTION* const instance = [] {
    auto* section = new CRITICAL_SECTION;
    InitializeCriticalSection(section);
    return section;
  }();
  return *instance;
}

}  // namespace

namespace msharedmem_platform {

bool open_block(const std::string& name, std::uint64_t size, MSharedMemHandle& handle,
                int& error) {
  const HANDLE mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                         static_cast<DWORD>(size >> 32), static_cast<DWORD>(size & 0xffffffffu),
                         name.c_str());
  if (mapping == nullptr) {
    error = last_error();
    return false;
  }
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  handle = MSharedMemHandle{reinterpret_cast<std::intptr_t>(mapping), existed ? 0 : size, !existed};
  return true;
}

void* map_block(const MSharedMemHandle& handle, int& error) {
  void* const address = MapViewOfFile(native_handle(handle), FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (address == nullptr) error = last_error();
  return address;
}

std::uint64_t region_size(const void* address, const MSharedMemHandle&) {
  MEMORY_BASIC_INFORMATION region{};
  if (VirtualQuery(address, &region, sizeof region) == 0) return 0;
  return region.RegionSize;
}

bool unmap_block(void* address, const MSharedMemHandle&, int& error) {
  if (UnmapViewOfFile(address)) return true;
  error = last_error();
  return false;
}

bool close_block(const std::string&, const MSharedMemHandle& handle, int& error) {
  if (CloseHandle(native_handle(handle))) return true;
  error = last_error();
  return false;
}

void lock() { EnterCriticalSection(&registry_section()); }
void unlock() { LeaveCriticalSection(&registry_section()); }

}  // namespace msharedmem_platform
