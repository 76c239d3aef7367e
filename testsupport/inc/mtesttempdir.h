// Test helper: a fresh directory under the system's temporary folder, removed with everything
// in it when the object goes out of scope, so that tests leave nothing behind.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class MTestTempDir {
 public:
  MTestTempDir() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("orvex-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~MTestTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  MTestTempDir(const MTestTempDir&) = delete;
  MTestTempDir& operator=(const MTestTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the directory, as the narrow string the file layer takes.
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Writes `bytes` as file `name` (replacing it) and answers its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return File(name);
  }
  // The bytes of file `name`; empty when it cannot be read.
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Whether a temporary file of the replacing write ("ffw*") is left in the directory.
  bool HasTempFile() const {
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      if (entry.path().filename().string().rfind("ffw", 0) == 0) return true;
    }
    return false;
  }

 private:
  std::filesystem::path path_;
};
