#include "mtestlibrary.h"

#include <windows.h>

MTestLibrary::MTestLibrary(const std::string& file) : handle_(LoadLibraryA(file.c_str())) {
  if (!handle_) error_ = "LoadLibraryA failed with " + std::to_string(GetLastError());
}

MTestLibrary::~MTestLibrary() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

MTestLibrary::AnyFunction MTestLibrary::find_symbol(const char* name) {
  if (!handle_) return nullptr;
  return reinterpret_cast<AnyFunction>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
