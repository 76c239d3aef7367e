// Test helper: a shared library loaded at run time (dlopen / LoadLibraryA) and unloaded with the
// object, so that a test can use a plug-in the way the host does.
#pragma once

#include <string>

class MTestLibrary {
 public:
  explicit MTestLibrary(const std::string& file);
  ~MTestLibrary();
  MTestLibrary(const MTestLibrary&) = delete;
  MTestLibrary& operator=(const MTestLibrary&) = delete;

  bool IsLoaded() const { return handle_ != nullptr; }
  // The platform's reason for the last failure.
  const std::string& Error() const { return error_; }
  // The exported function `name` as a `Function` pointer; null when absent.
  template <class Function>
  Function Find(const char* name) {
    return reinterpret_cast<Function>(find_symbol(name));
  }

 private:
  using AnyFunction = void (*)();
  AnyFunction find_symbol(const char* name);

  void* handle_ = nullptr;
  std::string error_;
};
