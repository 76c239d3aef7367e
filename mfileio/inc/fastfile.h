// Buffered line reading and whole-file reading and writing over the platform's file services.
// Every failure adds one error-trace entry and answers false, -1 or an invalid handle.
// Paths are narrow strings passed to the platform as they are; '\' and '/' both separate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A platform file handle (a Win32 HANDLE or a POSIX descriptor); all bits set when none.
using MFileHandle = std::intptr_t;
inline constexpr MFileHandle kMFileInvalidHandle = -1;

// Open modes of MFastFile_WriteAtOnce; kMFastFileFlush may be added to any of them.
inline constexpr int kMFastFileCreateNew = 0;  // fails when the file exists
inline constexpr int kMFastFileAppend = 1;     // opens or creates, writes at the end
inline constexpr int kMFastFileTruncate = 2;   // creates or truncates
inline constexpr int kMFastFileFlush = 4;      // flush to disk before closing
inline constexpr int kMFastFileReplace = 10;   // writes a temporary file, then renames it over the target

// Opens an existing file for reading, shared for read and write.
bool openfile(const char* name, MFileHandle& handle);
// Opens for writing with open mode 0, 1 or 2 (shared for reading only).
MFileHandle openwritefile(const char* name, int mode);
// Reads or writes `size` bytes in platform calls of at most 4294967295 bytes each.
bool read64(MFileHandle handle, void* buffer, uint64_t size, uint64_t& count);
bool write64(MFileHandle handle, const void* data, uint64_t size, uint64_t& count);

class MFastFile {
 public:
  static constexpr size_t kBufferSize = 8192;

 protected:
  MFastFile() = default;
  ~MFastFile() = default;
  MFastFile(const MFastFile&) = delete;
  MFastFile& operator=(const MFastFile&) = delete;

  char buffer_[kBufferSize];
  char* end_ = buffer_;      // one past the last valid byte
  char* current_ = buffer_;  // the next byte to deliver
  MFileHandle handle_ = kMFileInvalidHandle;
  int32_t mode_ = -1;  // -1: no file open; 0: open for reading
  std::string name_;
};

// Reads a file line by line; CR LF, LF and a lone CR each end a line.
class MFastFileReader : public MFastFile {
 public:
  MFastFileReader() = default;
  // Reads the next block; at the end of the file nothing changes and the answer is true.
  virtual bool fill_buffer();
  virtual ~MFastFileReader();

  bool Open(const char* name);
  bool Close();
  // Delivers the next line without its terminator; at end of file, true with an empty line.
  bool ReadLine(std::string& line);
  // True at end of file and when no file is open; problems go to the error log.
  bool IsEOF();
  // Whether an IsEOF since Open answered end of file because it could not read: the caller that
  // loops until IsEOF learns here that it did not see the whole file.
  bool ReadFailed() const { return read_failed_; }

 private:
  bool read_failed_ = false;
};

// Whole-file operations; results are byte counts, or -1 on failure.
int64_t MFastFile_ReadAtOnce(const char* name, void* buffer, uint64_t size);
// Reads the whole file into `text` (sized to the file); on failure `text` is emptied.
int64_t MFastFile_ReadAtOnce(const char* name, std::string& text);
// Writes the whole block with an open mode (plus kMFastFileFlush). With kMFastFileReplace a
// failure leaves the target as it was and removes the temporary file.
int64_t MFastFile_WriteAtOnce(const char* name, const void* data, uint64_t size, int mode);
// Writes `text` with every line end turned into CR LF.
int64_t MFastFile_WriteLinesAtOnce(const char* name, const char* text, uint64_t size, int mode);
