// The one layer through which the file module reaches the operating system: every file call of
// fastfile.cpp and fileops.cpp goes through here (fileplatform.cpp, which adds the test hook of
// mfilefaults.h), implemented per platform in fileplatform_win32.cpp and fileplatform_posix.cpp.
// A failing call records the system error of this thread at once, so that tracing afterwards
// cannot overwrite it.
#pragma once

#include <cstdint>
#include <string>

#include "fastfile.h"

// The platform calls of the file layer, listed once: FILEPLATFORM_CALLS(X) applies
// X(result, name, parameters) to each. They are declared twice from this list: in namespace
// native, the platform's own calls (one file per platform), and in fileplatform, the same calls
// with the test hook of mfilefaults.h in front (fileplatform.cpp).
#define FILEPLATFORM_CALLS(X)                                                                        \
  /* Opens an existing file for reading, shared for read and write, inheritable. */                  \
  X(bool, open_read, (const char* name, MFileHandle& handle))                                        \
  /* Opens for writing, shared for reading only, with kMFastFileCreateNew, kMFastFileAppend or       \
     kMFastFileTruncate (fastfile.h). Any other mode is the caller's error. */                       \
  X(MFileHandle, open_write, (const char* name, int mode))                                           \
  /* One read as the platform's read call delivers it (fewer bytes only at the end of the file). */  \
  X(bool, read_file, (MFileHandle handle, void* buffer, uint32_t size, uint32_t& count))             \
  /* One write of the whole block (fewer bytes only when the system accepts no more). */             \
  X(bool, write_file, (MFileHandle handle, const void* data, uint32_t size, uint32_t& count))        \
  X(bool, flush_file, (MFileHandle handle))                                                          \
  X(bool, close_file, (MFileHandle handle))                                                          \
  /* Creates a new empty file "ffw<hex>.tmp" in `directory` ("" is the current directory, else it    \
     ends with a separator) and answers its path in `path`. */                                       \
  X(bool, create_temp_file, (const char* directory, std::string& path))                              \
  /* Moves `from` to `to`, replacing an existing file `to`. */                                       \
  X(bool, replace_file, (const char* from, const char* to))                                          \
  X(bool, remove_file, (const char* path))                                                           \
  /* Looks the path up as a directory listing would see it. */                                       \
  X(FindResult, find_first, (const char* path))                                                      \
  X(bool, stat_size, (const char* path, int64_t& size))                                              \
  X(bool, exists, (const char* path))

namespace fileplatform {

enum class FindResult { kDirectory, kHiddenOrSystem, kOther, kNotFound };

#define FILEPLATFORM_DECLARE(result, name, parameters) result name parameters;

FILEPLATFORM_CALLS(FILEPLATFORM_DECLARE)

// The system error of this thread's last failed call above, and its text.
uint32_t last_error_code();
std::string last_error_text();

namespace native {

FILEPLATFORM_CALLS(FILEPLATFORM_DECLARE)

// The code of an injected failure, and recording it as this thread's last error.
uint32_t injected_error_code();
void record_injected_error();

}  // namespace native

#undef FILEPLATFORM_DECLARE

}  // namespace fileplatform
