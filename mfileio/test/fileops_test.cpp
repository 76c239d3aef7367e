#include "fileops.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "merrcapture.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;

namespace {

// The same path with every separator written as '\', which must work on every platform.
std::string backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

TEST(FileOpsTest, TypeSizeExistenceAndRenameWithEitherSeparator) {
  MErrCapture capture;
  MTestTempDir dir;
  std::filesystem::create_directory(dir.path() / "sub");
  dir.Write("sub/file.txt", "12345");
  dir.Write("sub/.hidden", "1");
  const struct {
    std::string path;
    int type;
    int64_t size;
    bool exists;
  } cases[] = {
      {dir.File("sub"), 'd', 0, true},
      {backslashed(dir.File("sub/file.txt")), '-', 5, true},
      {dir.File("sub/.hidden"), ' ', 1, true},
      {dir.File("sub/missing"), -1, -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(file_type(c.path.c_str()), c.type);
    EXPECT_EQ(file_size(c.path.c_str()), c.size);
    EXPECT_EQ(file_exists(c.path.c_str()), c.exists);
  }
  capture.Reset();

  const std::string from = backslashed(dir.File("sub/file.txt"));
  const std::string to = dir.File("sub/.hidden");
  ASSERT_TRUE(file_rename(from.c_str(), to.c_str()));
  EXPECT_FALSE(file_exists(from.c_str()));
  EXPECT_EQ(file_size(to.c_str()), 5);
  EXPECT_FALSE(file_rename(from.c_str(), to.c_str()));
  // ENOENT and ERROR_FILE_NOT_FOUND are both 2.
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("file_rename(): MoveFileEx(" + from + "," + to + ") failed: 2"));
}

TEST(FileDirnameTest, KeepsThePartBeforeTheLastSeparatorPlusABackslash) {
  const std::pair<const char*, const char*> cases[] = {
      {"a/b", "a\\"},     {"a\\b/c", "a\\b\\"}, {"a/b\\c", "a/b\\"}, {"/x", "\\"},
      {"dir/", "dir\\"},  {"name", nullptr},    {"", nullptr},
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    char out[16] = "unchanged";
    const char* result = file_dirname(path, out);
    if (expected == nullptr) {
      EXPECT_EQ(result, nullptr);
    } else {
      EXPECT_EQ(result, out);
      EXPECT_STREQ(out, expected);
    }
  }
}

}  // namespace
