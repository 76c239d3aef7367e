// POSIX file services with the behaviour of their Win32 counterparts: '\' separates like '/',
// a name that begins with '.' is hidden, error codes are errno values.
#include "fileplatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace fileplatform {
namespace {

thread_local int last_errno = 0;

bool fail() {
  last_errno = errno;
  return false;
}

std::string native_path(const char* path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

bool is_hidden_name(const std::string& native) {
  const size_t slash = native.find_last_of('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  return start < native.size() && native[start] == '.';
}

// A new file may be read and written by everyone, less the umask.
constexpr mode_t kNewFilePermissions = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;

int to_fd(MFileHandle handle) { return static_cast<int>(handle); }

int open_flags(int mode) {
  switch (mode) {
    case kMFastFileCreateNew:
      return O_WRONLY | O_CREAT | O_EXCL;
    case kMFastFileAppend:
      return O_WRONLY | O_CREAT | O_APPEND;
    default:
      return O_WRONLY | O_CREAT | O_TRUNC;
  }
}

}  // namespace

namespace native {

bool open_read(const char* name, MFileHandle& handle) {
  const int fd = ::open(native_path(name).c_str(), O_RDONLY);
  if (fd < 0) return fail();
  // A directory cannot be opened as a file on Windows; refuse it here as well.
  struct stat status {};
  const int stat_result = ::fstat(fd, &status);
  if (stat_result != 0 || S_ISDIR(status.st_mode)) {
    last_errno = stat_result != 0 ? errno : EISDIR;
    ::close(fd);
    return false;
  }
  handle = fd;
  return true;
}

MFileHandle open_write(const char* name, int mode) {
  const int fd = ::open(native_path(name).c_str(), open_flags(mode), kNewFilePermissions);
  if (fd < 0) {
    fail();
    return kMFileInvalidHandle;
  }
  return fd;
}

// A single read(2) may deliver less than asked before the end of the file; keep reading so that
// the result is the one call of Win32: short only at the end of the file.
bool read_file(MFileHandle handle, void* buffer, uint32_t size, uint32_t& count) {
  char* at = static_cast<char*>(buffer);
  count = 0;
  while (count < size) {
    const ssize_t got = ::read(to_fd(handle), at + count, size - count);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    if (got == 0) break;
    count += static_cast<uint32_t>(got);
  }
  return true;
}

bool write_file(MFileHandle handle, const void* data, uint32_t size, uint32_t& count) {
  const char* at = static_cast<const char*>(data);
  count = 0;
  do {
    const ssize_t put = ::write(to_fd(handle), at + count, size - count);
    if (put < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    if (put == 0) break;
    count += static_cast<uint32_t>(put);
  } while (count < size);
  return true;
}

bool flush_file(MFileHandle handle) { return ::fsync(to_fd(handle)) == 0 || fail(); }

bool close_file(MFileHandle handle) { return ::close(to_fd(handle)) == 0 || fail(); }

// Like GetTempFileName: numbers from a clock-derived start, the first free one is created.
bool create_temp_file(const char* directory, std::string& path) {
  const std::string native_dir = native_path(directory);
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  const unsigned start = static_cast<unsigned>(ticks ^ ::getpid()) & 0xFFFFu;
  for (unsigned attempt = 0; attempt < 0x10000u; ++attempt) {
    const unsigned number = (start + attempt) & 0xFFFFu;
    if (number == 0) continue;
    char file_name[16];
    std::snprintf(file_name, sizeof file_name, "ffw%X.tmp", number);
    const int fd = ::open((native_dir + file_name).c_str(), O_WRONLY | O_CREAT | O_EXCL, kNewFilePermissions);
    if (fd >= 0) {
      ::close(fd);
      path = std::string(directory) + file_name;
      return true;
    }
    if (errno != EEXIST) return fail();
  }
  last_errno = EEXIST;
  return false;
}

bool replace_file(const char* from, const char* to) {
  return ::rename(native_path(from).c_str(), native_path(to).c_str()) == 0 || fail();
}

bool remove_file(const char* path) { return ::unlink(native_path(path).c_str()) == 0 || fail(); }

FindResult find_first(const char* path) {
  const std::string native = native_path(path);
  struct stat status {};
  if (::stat(native.c_str(), &status) != 0) {
    fail();
    return FindResult::kNotFound;
  }
  if (S_ISDIR(status.st_mode)) return FindResult::kDirectory;
  return is_hidden_name(native) ? FindResult::kHiddenOrSystem : FindResult::kOther;
}

bool stat_size(const char* path, int64_t& size) {
  struct stat status {};
  if (::stat(native_path(path).c_str(), &status) != 0) return fail();
  size = status.st_size;
  return true;
}

bool exists(const char* path) { return ::access(native_path(path).c_str(), F_OK) == 0 || fail(); }

uint32_t injected_error_code() { return EIO; }

void record_injected_error() { last_errno = EIO; }

}  // namespace native

uint32_t last_error_code() { return static_cast<uint32_t>(last_errno); }

std::string last_error_text() { return std::strerror(last_errno); }

}  // namespace fileplatform
