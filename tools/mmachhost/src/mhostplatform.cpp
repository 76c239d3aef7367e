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

bool MHostPlatform_RedirectStandardError(const std::string& path) {
  return std::freopen(path.c_str(), "a", stderr) != nullptr;
}
