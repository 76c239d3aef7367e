#include "mhostplatform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

bool MHostLibrary::Load(const std::string& path, std::string& error) {
  unload();
  // RTLD_LOCAL: every plug-in keeps its own copy of the modules it was linked with.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "dlopen failed";
    return false;
  }
  return true;
}

MHostLibrary::AnyFunction MHostLibrary::find_symbol(const char* name) const {
  void* symbol = handle_ != nullptr ? dlsym(handle_, name) : nullptr;
  AnyFunction function = nullptr;
  std::memcpy(&function, &symbol, sizeof function);
  return function;
}

void MHostLibrary::unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

std::string MHostPlatform_PluginFileName(const std::string& name) { return "lib" + name + ".so"; }

std::string MHostPlatform_ProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return "";
  path.resize(static_cast<size_t>(length));
  return path.substr(0, path.find_last_of('/'));
}

std::FILE* MHostPlatform_DuplicateStandardError() {
  const int fd = dup(STDERR_FILENO);
  std::FILE* stream = fd >= 0 ? fdopen(fd, "w") : nullptr;
  if (stream == nullptr && fd >= 0) close(fd);
  return stream;
}

bool MHostPlatform_InputIsTerminal() { return isatty(STDIN_FILENO) != 0; }
