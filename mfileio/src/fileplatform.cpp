// The platform calls of the file layer with the test hook of mfilefaults.h in front: each call is
// counted, and the armed one fails without reaching the system (a close still closes).
#include "fileplatform.h"

#include <atomic>

#include "mfilefaults.h"

namespace {

// Test-only state, see mfilefaults.h. Atomic, as files may be used from several threads.
std::atomic<uint64_t> calls{0};
std::atomic<uint64_t> fail_at{0};  // 0: disarmed
std::atomic<bool> fired{false};
std::atomic<int64_t> open_handles{0};

// Counts one platform call; true when it is the armed one, whose error is then recorded.
bool fault_injected() {
  const uint64_t call = calls.fetch_add(1, std::memory_order_relaxed) + 1;
  if (fail_at.load(std::memory_order_relaxed) != call) return false;
  fired.store(true, std::memory_order_relaxed);
  fileplatform::native::record_injected_error();
  return true;
}

MFileHandle count_open(MFileHandle handle) {
  if (handle != kMFileInvalidHandle) open_handles.fetch_add(1, std::memory_order_relaxed);
  return handle;
}

}  // namespace

void MFileFaults_FailCall(uint64_t n) {
  calls.store(0);
  fired.store(false);
  fail_at.store(n);
}

uint64_t MFileFaults_CallCount() { return calls.load(); }

bool MFileFaults_Fired() { return fired.load(); }

int64_t MFileFaults_OpenHandles() { return open_handles.load(); }

void MFileFaults_Reset() { MFileFaults_FailCall(0); }

uint32_t MFileFaults_ErrorCode() { return fileplatform::native::injected_error_code(); }

namespace fileplatform {

bool open_read(const char* name, MFileHandle& handle) {
  if (fault_injected() || !native::open_read(name, handle)) return false;
  count_open(handle);
  return true;
}

MFileHandle open_write(const char* name, int mode) {
  return fault_injected() ? kMFileInvalidHandle : count_open(native::open_write(name, mode));
}

bool read_file(MFileHandle handle, void* buffer, uint32_t size, uint32_t& count) {
  count = 0;
  return !fault_injected() && native::read_file(handle, buffer, size, count);
}

bool write_file(MFileHandle handle, const void* data, uint32_t size, uint32_t& count) {
  count = 0;
  return !fault_injected() && native::write_file(handle, data, size, count);
}

bool flush_file(MFileHandle handle) { return !fault_injected() && native::flush_file(handle); }

// A failed close releases the handle all the same, as close(2) and CloseHandle do.
bool close_file(MFileHandle handle) {
  const bool injected = fault_injected();
  const bool closed = native::close_file(handle);
  open_handles.fetch_sub(1, std::memory_order_relaxed);
  return closed && !injected;
}

bool create_temp_file(const char* directory, std::string& path) {
  return !fault_injected() && native::create_temp_file(directory, path);
}

bool replace_file(const char* from, const char* to) { return !fault_injected() && native::replace_file(from, to); }

bool remove_file(const char* path) { return !fault_injected() && native::remove_file(path); }

FindResult find_first(const char* path) {
  return fault_injected() ? FindResult::kNotFound : native::find_first(path);
}

bool stat_size(const char* path, int64_t& size) { return !fault_injected() && native::stat_size(path, size); }

bool exists(const char* path) { return native::exists(path); }

}  // namespace fileplatform
