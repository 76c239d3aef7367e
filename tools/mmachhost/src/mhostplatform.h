// The few services of the host that differ between platforms: loading a shared library and
// finding its exports, the file name of a plug-in, the folder of the running program, whether standard input is a terminal, and
// sending standard error (where every module's error log and trace go) to a file.
#pragma once

#include <cstdio>
#include <string>

// A loaded shared library, unloaded with the object. Move-only.
class MHostLibrary {
 public:
  MHostLibrary() = default;
  ~MHostLibrary();
  MHostLibrary(MHostLibrary&& other) noexcept;
  MHostLibrary& operator=(MHostLibrary&& other) noexcept;
  MHostLibrary(const MHostLibrary&) = delete;
  MHostLibrary& operator=(const MHostLibrary&) = delete;

  // Loads `path`; false (and the platform's reason in `error`) when it cannot be loaded.
  bool Load(const std::string& path, std::string& error);
  // The exported function `name` as a `Function` pointer; null when absent.
  template <class Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(find_symbol(name));
  }

 private:
  using AnyFunction = void (*)();
  AnyFunction find_symbol(const char* name) const;
  void unload();

  void* handle_ = nullptr;
};

// The file name of the plug-in called `name`: "lib<name>.so" or "<name>.dll".
std::string MHostPlatform_PluginFileName(const std::string& name);
// The folder that holds the running program, without a trailing separator; empty when the
// platform cannot tell.
std::string MHostPlatform_ProgramFolder();
// True when standard input is an interactive terminal.
bool MHostPlatform_InputIsTerminal();
// Appends standard error to `path` from now on, where every module's error log and trace go.
// Answers a stream onto the former standard error, for the messages meant for the user (the
// caller closes it); null when the file cannot be opened.
std::FILE* MHostPlatform_RedirectStandardError(const std::string& path);
// A second stream onto standard error as it is now; null when it cannot be made.
std::FILE* MHostPlatform_DuplicateStandardError();
