// Blocks are POSIX shared-memory objects. The name of a block that this process created is
// unlinked when this process releases it, so no object outlives its creator's last link.
#include "msharedmem_platform.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <mutex>
#include <thread>

namespace {

// Only the owner may open a block.
constexpr mode_t kBlockPermissions = S_IRUSR | S_IWUSR;

// shm_open takes "/name" with no further '/'.
std::string object_name(const std::string& name) {
  std::string object = "/" + name;
  std::replace(object.begin() + 1, object.end(), '/', '_');
  return object;
}

std::uint64_t page_size() {
  static const long size = sysconf(_SC_PAGESIZE);
  return size > 0 ? static_cast<std::uint64_t>(size) : 4096;
}

// The size of an object that another process opened. Its creator sizes it right after creating
// it, so an empty object is given a moment to grow.
bool existing_size(int descriptor, std::uint64_t& size, int& error) {
  struct stat status {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (fstat(descriptor, &status) != 0) {
      error = errno;
      return false;
    }
    if (status.st_size > 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

std::mutex& registry_mutex() {
  static std::mutex* const instance = new std::mutex;
  return *instance;
}

}  // namespace

namespace msharedmem_platform {

bool open_block(const std::string& name, std::uint64_t size, MSharedMemHandle& handle,
                int& error) {
  if (size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
    error = EFBIG;
    return false;
  }
  const std::string object = object_name(name);
  // Exclusive creation tells whether the block existed; one that vanishes between the two
  // opens is created in the next round.
  for (int round = 0; round < 8; ++round) {
    int descriptor = shm_open(object.c_str(), O_RDWR | O_CREAT | O_EXCL, kBlockPermissions);
    if (descriptor >= 0) {
      if (ftruncate(descriptor, static_cast<off_t>(size)) != 0) {
        error = errno;
        close(descriptor);
        shm_unlink(object.c_str());
        return false;
      }
      handle = MSharedMemHandle{descriptor, size, true};
      return true;
    }
    if (errno != EEXIST) break;
    descriptor = shm_open(object.c_str(), O_RDWR, kBlockPermissions);
    if (descriptor >= 0) {
      std::uint64_t existing = 0;
      if (!existing_size(descriptor, existing, error)) {
        close(descriptor);
        return false;
      }
      handle = MSharedMemHandle{descriptor, existing, false};
      return true;
    }
    if (errno != ENOENT) break;
  }
  error = errno;
  return false;
}

void* map_block(const MSharedMemHandle& handle, int& error) {
  void* const address = mmap(nullptr, static_cast<std::size_t>(handle.length),
                             PROT_READ | PROT_WRITE, MAP_SHARED, static_cast<int>(handle.native), 0);
  if (address == MAP_FAILED) {
    error = errno;
    return nullptr;
  }
  return address;
}

std::uint64_t region_size(const void*, const MSharedMemHandle& handle) {
  const std::uint64_t page = page_size();
  return (handle.length + page - 1) / page * page;
}

bool unmap_block(void* address, const MSharedMemHandle& handle, int& error) {
  if (munmap(address, static_cast<std::size_t>(handle.length)) != 0) {
    error = errno;
    return false;
  }
  return true;
}

bool close_block(const std::string& name, const MSharedMemHandle& handle, int& error) {
  bool ok = true;
  if (close(static_cast<int>(handle.native)) != 0) {
    error = errno;
    ok = false;
  }
  if (handle.created && shm_unlink(object_name(name).c_str()) != 0) {
    error = errno;
    ok = false;
  }
  return ok;
}

void lock() { registry_mutex().lock(); }
void unlock() { registry_mutex().unlock(); }

}  // namespace msharedmem_platform
