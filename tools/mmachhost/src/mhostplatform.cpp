// The platform-neutral part of the host's platform services; the rest is in
// mhostplatform_posix.cpp and mhostplatform_win32.cpp.
#include "mhostplatform.h"

#include <cstdio>
#include <utility>

MHostLibrary::~MHostLibrary() { unload(); }

MHostLibrary::MHostLibrary(MHostLibrary&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

MHostLibrary& MHostLibrary::operator=(MHostLibrary&& other) noexcept {
  if (this != &other) {
    unload();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

std::FILE* MHostPlatform_RedirectStandardError(const std::string& path) {
  std::FILE* former = MHostPlatform_DuplicateStandardError();
  if (former != nullptr && std::freopen(path.c_str(), "a", stderr) != nullptr) return former;
  if (former != nullptr) std::fclose(former);
  return nullptr;
}
