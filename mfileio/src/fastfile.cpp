#include "fastfile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>

#include "errlog.h"
#include "errtrace.h"
#include "fileops.h"
#include "fileplatform.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint64_t kMaxChunk = 4294967295u;  // the largest count of one platform read or write
constexpr const char* kWriteAtOnce = "MFastFile_WriteAtOnce";

using SignedSize = std::make_signed_t<size_t>;

struct FreeDeleter {
  void operator()(void* block) const { std::free(block); }
};
using MallocBuffer = std::unique_ptr<char, FreeDeleter>;

// The chunking shared by read64 and write64: a size up to kMaxChunk takes exactly one platform
// call; a larger one loops over chunks until all is moved or a call moves nothing.
template <typename Byte, typename Call>
bool transfer64(Byte* data, uint64_t size, uint64_t& count, Call call, const char* who, const char* call_name) {
  count = 0;
  do {
    const uint32_t chunk = static_cast<uint32_t>(std::min(size - count, kMaxChunk));
    uint32_t moved = 0;
    if (!call(data + count, chunk, moved)) {
      MERRTRACE("%s(): %s() failed: %u", who, call_name, fileplatform::last_error_code());
      return false;
    }
    count += moved;
    if (moved == 0) break;
  } while (size > kMaxChunk && count < size);
  return true;
}

// Writes `data` to `name` with open mode 0, 1 or 2, flushes when asked and always closes.
// Every failure is traced; any of them makes the result false.
bool write_whole_file(const char* name, const void* data, uint64_t size, int open_mode, bool flush) {
  const MFileHandle handle = openwritefile(name, open_mode);
  if (handle == kMFileInvalidHandle) {
    MERRTRACE("%s(): openwritefile(%s, %d) failed", kWriteAtOnce, name, open_mode);
    return false;
  }
  uint64_t count = 0;
  // A write that stops short counts as failed: a partial file must never pass for a whole one.
  bool ok = write64(handle, data, size, count) && count == size;
  if (!ok) MERRTRACE("%s(): write64() failed", kWriteAtOnce);
  if (ok && flush && !fileplatform::flush_file(handle)) {
    MERRTRACE("%s(): FlushFileBuffers() failed: %u", kWriteAtOnce, fileplatform::last_error_code());
    ok = false;
  }
  if (!fileplatform::close_file(handle)) {
    MERRTRACE("%s(): CloseHandle() failed: %u", kWriteAtOnce, fileplatform::last_error_code());
    ok = false;
  }
  return ok;
}

// Open mode 10: the data goes to a new temporary file beside the target, which is flushed,
// closed and then renamed over the target. If writing, flushing, closing or the rename fails,
// the temporary file is removed and the target stays as it was.
int64_t replace_whole_file(const char* name, const void* data, uint64_t size) {
  MallocBuffer directory(static_cast<char*>(std::malloc(std::strlen(name) + 12)));
  if (!directory) {
    MERRTRACE("MFastFile_WriteAtOnce(): malloc() failed");
    return -1;
  }
  if (file_dirname(name, directory.get()) == nullptr) directory.get()[0] = '\0';
  std::string temp;
  if (!fileplatform::create_temp_file(directory.get(), temp)) {
    MERRTRACE("MFastFile_WriteAtOnce(): GetTempFileName() failed:%u", fileplatform::last_error_code());
    return -1;
  }
  if (!write_whole_file(temp.c_str(), data, size, kMFastFileTruncate, true)) {
    fileplatform::remove_file(temp.c_str());
    return -1;
  }
  if (!file_rename(temp.c_str(), name)) {
    MERRTRACE("MFastFile_WriteAtOnce(): file_rename(%s,%s) failed: %s", temp.c_str(), name,
              fileplatform::last_error_text().c_str());
    fileplatform::remove_file(temp.c_str());
    return -1;
  }
  return static_cast<int64_t>(size);
}

// The first CR or LF in [from, end), or end. Lines are short, so the bytes are tested in one pass
// for both, sixteen at a time with SSE2 (every x86-64 has it), else eight at a time in a word: a
// byte equals `c` where the word XOR c-in-every-byte has a zero byte, and the lowest flagged byte
// is always a true one (a borrow only runs upwards).
char* find_line_end(char* from, char* end) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; end - from >= 16; from += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)));
    if (found != 0) return from + std::countr_zero(static_cast<unsigned>(found));
  }
#endif
  constexpr uint64_t kOnes = 0x0101010101010101u;
  constexpr uint64_t kHighs = 0x8080808080808080u;
  if constexpr (std::endian::native == std::endian::little) {
    for (; end - from >= 8; from += 8) {
      uint64_t word;
      std::memcpy(&word, from, sizeof word);
      const uint64_t lf_zero = word ^ (kOnes * '\n');
      const uint64_t cr_zero = word ^ (kOnes * '\r');
      const uint64_t found = ((lf_zero - kOnes) & ~lf_zero & kHighs) | ((cr_zero - kOnes) & ~cr_zero & kHighs);
      if (found != 0) return from + std::countr_zero(found) / 8;
    }
  }
  while (from != end && *from != '\r' && *from != '\n') ++from;
  return from;
}

}  // namespace

bool openfile(const char* name, MFileHandle& handle) {
  if (fileplatform::open_read(name, handle)) return true;
  handle = kMFileInvalidHandle;
  MERRTRACE("openfile(): CreateFile(\"%s\") failed: %d", name, static_cast<int>(fileplatform::last_error_code()));
  return false;
}

MFileHandle openwritefile(const char* name, int mode) {
  if (mode < kMFastFileCreateNew || mode > kMFastFileTruncate) {
    MERRTRACE("openwritefile(): unknown mode %d for %s", mode, name);
    return kMFileInvalidHandle;
  }
  const MFileHandle handle = fileplatform::open_write(name, mode);
  if (handle == kMFileInvalidHandle) {
    MERRTRACE("%s(): CreateFile(%s, ...) failed: %u", "openwritefile", name, fileplatform::last_error_code());
  }
  return handle;
}

bool read64(MFileHandle handle, void* buffer, uint64_t size, uint64_t& count) {
  const auto read = [handle](char* at, uint32_t chunk, uint32_t& moved) {
    return fileplatform::read_file(handle, at, chunk, moved);
  };
  return transfer64(static_cast<char*>(buffer), size, count, read, "read64", "ReadFile");
}

bool write64(MFileHandle handle, const void* data, uint64_t size, uint64_t& count) {
  const auto write = [handle](const char* at, uint32_t chunk, uint32_t& moved) {
    return fileplatform::write_file(handle, at, chunk, moved);
  };
  return transfer64(static_cast<const char*>(data), size, count, write, "write64", "WriteFile");
}

MFastFileReader::~MFastFileReader() {
  if (!Close()) MERRTRACE("MFastFileReader::~MFastFileReader(): Close() failed");
}

bool MFastFileReader::Open(const char* name) {
  if (mode_ != -1 && !Close()) {
    MERRTRACE("MFastFileReader::Open(): Close() failed");
    return false;
  }
  if (!openfile(name, handle_)) {
    MERRTRACE("MFastFileReader::Open(): openfile(\"%s\") failed: %d", name,
              static_cast<int>(fileplatform::last_error_code()));
    return false;
  }
  mode_ = 0;
  current_ = end_ = buffer_;
  name_ = name;
  read_failed_ = false;
  return true;
}

bool MFastFileReader::Close() {
  if (mode_ == -1) return true;
  name_.clear();
  bool ok = true;
  if (!fileplatform::close_file(handle_)) {
    MERRTRACE("MFastFileReader::Close(): CloseHandle() failed: %d", static_cast<int>(fileplatform::last_error_code()));
    ok = false;
  }
  handle_ = kMFileInvalidHandle;
  mode_ = -1;
  return ok;
}

bool MFastFileReader::fill_buffer() {
  uint64_t count = 0;
  if (!read64(handle_, buffer_, kBufferSize, count)) {
    MERRTRACE("MFastFileReader::fill_buffer(): read64() failed");
    return false;
  }
  if (count > 0) {
    current_ = buffer_;
    end_ = buffer_ + count;
  }
  return true;
}

bool MFastFileReader::ReadLine(std::string& line) {
  // Most lines lie whole in the block, with their terminator.
  if (char* stop = find_line_end(current_, end_); stop != end_ && (*stop == '\n' || stop + 1 != end_)) {
    line.assign(current_, static_cast<size_t>(stop - current_));
    current_ = stop + (*stop == '\r' && stop[1] == '\n' ? 2 : 1);
    return true;
  }
  line.clear();
  for (;;) {
    if (current_ == end_) {
      if (!fill_buffer()) {
        MERRTRACE("MFastFileReader::ReadLine(STL): fill_buffer() failed");
        return false;
      }
      if (current_ == end_) return true;  // end of file ends the line
    }
    char* stop = find_line_end(current_, end_);
    line.append(current_, static_cast<size_t>(stop - current_));
    current_ = stop;
    if (current_ != end_) break;
  }
  const char terminator = *current_++;
  if (terminator == '\r') {
    if (current_ == end_ && !fill_buffer()) {
      MERRTRACE("MFastFileReader::ReadLine(STL):fill_buffer() failed");
      return false;
    }
    if (current_ != end_ && *current_ == '\n') ++current_;
  }
  return true;
}

bool MFastFileReader::IsEOF() {
  if (mode_ == -1) {
    MERRLOG("MFastFileReader::IsEOF(): no open file");
    return true;
  }
  if (current_ == end_) {
    MErrTraceContext context;
    if (!fill_buffer()) {
      MERRDUMP(context, "MFastFileReader::IsEOF(): fill_buffer() failed");
      context.Clear();
      read_failed_ = true;
    }
  }
  return current_ == end_;
}

int64_t MFastFile_ReadAtOnce(const char* name, void* buffer, uint64_t size) {
  MFileHandle handle = kMFileInvalidHandle;
  if (!openfile(name, handle)) {
    MERRTRACE("MFastFile_ReadAtOnce(): openfile(\"%s\") failed.", name);
    return -1;
  }
  uint64_t count = 0;
  bool ok = read64(handle, buffer, size, count);
  if (!ok) MERRTRACE("MFastFile_ReadAtOnce(): ReadFile(..,%zu,..) failed for \"%s\"", static_cast<size_t>(size), name);
  if (!fileplatform::close_file(handle)) {
    MERRTRACE("MFastFile_ReadAtOnce(): CloseHandle() failed for \"%s\": %d", name,
              static_cast<int>(fileplatform::last_error_code()));
    ok = false;
  }
  return ok ? static_cast<int64_t>(count) : -1;
}

int64_t MFastFile_ReadAtOnce(const char* name, std::string& text) {
  text.clear();
  const int64_t size = file_size(name);
  if (size < 0) {
    MERRTRACE("MFastFile_ReadAtOnce(): file_size(\"%s\") returned %zd", name, static_cast<SignedSize>(size));
    return -1;
  }
  text.resize(static_cast<size_t>(size));
  const int64_t count = MFastFile_ReadAtOnce(name, text.data(), static_cast<uint64_t>(size));
  if (count < 0) {
    text.clear();
    MERRTRACE("MFastFile_ReadAtOnce(): MFastFile_ReadAtOnce(\"%s\",..,%zd) failed", name, static_cast<SignedSize>(size));
    return -1;
  }
  return count;
}

int64_t MFastFile_WriteAtOnce(const char* name, const void* data, uint64_t size, int mode) {
  const bool flush = (mode & kMFastFileFlush) != 0;
  const int open_mode = mode & ~kMFastFileFlush;
  if (open_mode == kMFastFileReplace) return replace_whole_file(name, data, size);
  return write_whole_file(name, data, size, open_mode, flush) ? static_cast<int64_t>(size) : -1;
}

int64_t MFastFile_WriteLinesAtOnce(const char* name, const char* text, uint64_t size, int mode) {
  // Every byte becomes at most two; one byte at least, so that an empty text allocates too.
  MallocBuffer converted(size <= SIZE_MAX / 2 ? static_cast<char*>(std::malloc(std::max<uint64_t>(2 * size, 1)))
                                               : nullptr);
  if (!converted) {
    const int error = size > SIZE_MAX / 2 ? ENOMEM : errno;
    MERRTRACE("MFastFile_WriteLinesAtOnce(): malloc(%zu) failed: %.50s", static_cast<size_t>(size), std::strerror(error));
    return -1;
  }
  char* out = converted.get();
  for (uint64_t i = 0; i < size; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      *out++ = c;
      continue;
    }
    *out++ = '\r';
    *out++ = '\n';
    if (c == '\r' && i + 1 < size && text[i + 1] == '\n') ++i;
  }
  const uint64_t converted_size = static_cast<uint64_t>(out - converted.get());
  const int64_t result = MFastFile_WriteAtOnce(name, converted.get(), converted_size, mode);
  if (result < 0) {
    MERRTRACE("MFastFile_WriteLinesAtOnce(): MFastFile_WriteAtOnce(\"%s\",..,%zu,%d) failed", name,
              static_cast<size_t>(converted_size), mode);
  }
  return result;
}
