// Shared by the fuzzers: a scratch file of this process in a temporary folder, for
// code that reads and writes files by name, and a check that stops the run with a message.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class MFuzzFile {
 public:
  explicit MFuzzFile(const std::string& tag)
      : path_((scratch_directory() / ("orvex-fuzz-" + tag + "-" + std::to_string(::getpid()))).string()) {}
  ~MFuzzFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  MFuzzFile(const MFuzzFile&) = delete;
  MFuzzFile& operator=(const MFuzzFile&) = delete;

  const std::string& path() const { return path_; }
  void Write(const void* data, size_t size) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc).write(static_cast<const char*>(data),
                                                                    static_cast<std::streamsize>(size));
  }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  // Memory-backed where the system has it: a fuzzer writes its file some thousand times a second.
  static std::filesystem::path scratch_directory() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
  }

  std::string path_;
};

// A broken property: the message goes to standard error and the run stops as a finding.
#define MFUZZ_CHECK(condition, message)                                      \
  do {                                                                       \
    if (!(condition)) {                                                      \
      std::fprintf(stderr, "%s:%d: %s (%s)\n", __FILE__, __LINE__, message, #condition); \
      std::abort();                                                          \
    }                                                                        \
  } while (0)
