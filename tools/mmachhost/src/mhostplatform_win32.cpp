#include "mhostplatform.h"

#include <io.h>
#include <windows.h>

#include <cstdio>

bool MHostLibrary::Load(const std::string& path, std::string& error) {
  unload();
  handle_ = LoadLibraryA(path.c_str());
  if (handle_ == nullptr) {
    error = "LoadLibraryA failed with system error " + std::to_string(GetLastError());
    return false;
  }
  return true;
}

MHostLibrary::AnyFunction MHostLibrary::find_symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<AnyFunction>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void MHostLibrary::unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

std::string MHostPlatform_PluginFileName(const std::string& name) { return name + ".dll"; }

std::string MHostPlatform_ProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return "";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? "" : path.substr(0, separator);
}

std::FILE* MHostPlatform_DuplicateStandardError() {
  const int fd = _dup(_fileno(stderr));
  std::FILE* stream = fd >= 0 ? _fdopen(fd, "w") : nullptr;
  if (stream == nullptr && fd >= 0) _close(fd);
  return stream;
}

bool MHostPlatform_InputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }
