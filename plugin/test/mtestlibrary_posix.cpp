#include "mtestlibrary.h"

#include <dlfcn.h>

#include <cstring>

MTestLibrary::MTestLibrary(const std::string& file) : handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!handle_) error_ = dlerror();
}

MTestLibrary::~MTestLibrary() {
  if (handle_) dlclose(handle_);
}

MTestLibrary::AnyFunction MTestLibrary::find_symbol(const char* name) {
  void* symbol = handle_ ? dlsym(handle_, name) : nullptr;
  AnyFunction function = nullptr;
  std::memcpy(&function, &symbol, sizeof function);
  return function;
}
