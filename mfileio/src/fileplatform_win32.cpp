// Win32 file services. Win32 calls report through GetLastError, the C runtime's find, status and
// access calls through errno; the recorded error remembers which, so that its text fits.
#include "fileplatform.h"

#include <windows.h>

#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>

namespace fileplatform {
namespace {

struct SystemError {
  uint32_t code = 0;
  bool from_runtime = false;  // an errno value rather than a Win32 error code
};

thread_local SystemError last_error;

bool fail_win32() {
  last_error = {static_cast<uint32_t>(GetLastError()), false};
  return false;
}

bool fail_runtime() {
  last_error = {static_cast<uint32_t>(errno), true};
  return false;
}

HANDLE to_handle(MFileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

MFileHandle from_handle(HANDLE handle) { return reinterpret_cast<MFileHandle>(handle); }

}  // namespace

namespace native {

bool open_read(const char* name, MFileHandle& handle) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return fail_win32();
  handle = from_handle(file);
  return true;
}

MFileHandle open_write(const char* name, int mode) {
  DWORD access = GENERIC_WRITE;
  DWORD disposition = CREATE_ALWAYS;
  if (mode == kMFastFileCreateNew) {
    disposition = CREATE_NEW;
  } else if (mode == kMFastFileAppend) {
    access = FILE_APPEND_DATA;
    disposition = OPEN_ALWAYS;
  }
  const HANDLE file =
      CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) fail_win32();
  return from_handle(file);
}

bool read_file(MFileHandle handle, void* buffer, uint32_t size, uint32_t& count) {
  DWORD got = 0;
  if (!ReadFile(to_handle(handle), buffer, size, &got, nullptr)) return fail_win32();
  count = got;
  return true;
}

bool write_file(MFileHandle handle, const void* data, uint32_t size, uint32_t& count) {
  DWORD put = 0;
  if (!WriteFile(to_handle(handle), data, size, &put, nullptr)) return fail_win32();
  count = put;
  return true;
}

bool flush_file(MFileHandle handle) { return FlushFileBuffers(to_handle(handle)) || fail_win32(); }

bool close_file(MFileHandle handle) { return CloseHandle(to_handle(handle)) || fail_win32(); }

bool create_temp_file(const char* directory, std::string& path) {
  char name[MAX_PATH];
  if (GetTempFileNameA(*directory != '\0' ? directory : ".", "ffw", 0, name) == 0) return fail_win32();
  path = name;
  return true;
}

bool replace_file(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) || fail_win32();
}

bool remove_file(const char* path) { return DeleteFileA(path) || fail_win32(); }

FindResult find_first(const char* path) {
  struct _finddata64i32_t found {};
  const intptr_t search = _findfirst64i32(path, &found);
  if (search == -1) {
    fail_runtime();
    return FindResult::kNotFound;
  }
  _findclose(search);
  if (found.attrib & _A_SUBDIR) return FindResult::kDirectory;
  if (found.attrib & (_A_HIDDEN | _A_SYSTEM)) return FindResult::kHiddenOrSystem;
  return FindResult::kOther;
}

bool stat_size(const char* path, int64_t& size) {
  struct _stat64 status {};
  if (_stat64(path, &status) != 0) return fail_runtime();
  size = status.st_size;
  return true;
}

bool exists(const char* path) { return _access(path, 0) == 0 || fail_runtime(); }

uint32_t injected_error_code() { return ERROR_IO_DEVICE; }

void record_injected_error() { last_error = {ERROR_IO_DEVICE, false}; }

}  // namespace native

uint32_t last_error_code() { return last_error.code; }

std::string last_error_text() {
  if (last_error.from_runtime) return std::strerror(static_cast<int>(last_error.code));
  char text[256];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                last_error.code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) {
    --length;
  }
  if (length == 0) return "system error " + std::to_string(last_error.code);
  return std::string(text, length);
}

}  // namespace fileplatform
