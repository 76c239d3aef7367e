#include "fastfile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "errtrace.h"
#include "merrcapture.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

void write_raw(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string read_raw(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

bool has_temp_file(const MTestTempDir& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.path().filename().string().rfind("ffw", 0) == 0) return true;
  }
  return false;
}

TEST(FastFileReaderTest, SplitsLinesAtEveryLineEndAndAcrossBuffers) {
  const std::string x8191(8191, 'x'), x8192(8192, 'x'), x8193(8193, 'x');
  const struct {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
  } cases[] = {
      {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"CR LF CR LF", "a\r\n\r\nb", {"a", "", "b"}},
      {"LF CR starts an empty line", "a\n\rb\n", {"a", "", "b"}},
      {"CR at end of file", "a\r", {"a"}},
      {"empty", "", {}},
      {"CR last of a buffer, LF first of the next", x8191 + "\r\ny", {x8191, "y"}},
      {"LF last of a buffer", x8191 + "\n\ny", {x8191, "", "y"}},
      {"CR first of the second buffer", x8192 + "\r\ny\r", {x8192, "y"}},
      {"longer than the buffer", x8193 + "\r\n" + x8193, {x8193, x8193}},
  };
  MErrCapture capture;
  MTestTempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_raw(dir.File("lines.txt"), c.content);
    MFastFileReader reader;
    ASSERT_TRUE(reader.Open(dir.File("lines.txt").c_str()));
    std::vector<std::string> lines;
    for (std::string line; !reader.IsEOF(); lines.push_back(line)) ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(lines, c.lines);
  }
  EXPECT_THAT(capture.LogTexts(), IsEmpty());
}

// Line ends are searched many bytes at a time: a terminator at every position of a 16- and an
// 8-byte step and in the bytes after the last step, among bytes that differ from CR or LF in one
// bit or have the high bit set.
TEST(FastFileReaderTest, FindsTheLineEndAtEveryPositionOfASearchStep) {
  const std::string filler = "\x0b\x0c\x0e\x8a\x8d\x02\x09\xff" "ab";
  MTestTempDir dir;
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(end == "\n" ? "LF" : end == "\r" ? "CR" : "CR LF");
    std::string content;
    std::vector<std::string> expected;
    for (size_t length = 0; length <= 40; ++length) {
      expected.emplace_back();
      for (size_t i = 0; i < length; ++i) expected.back() += filler[(i + length) % filler.size()];
      content += expected.back() + end;
    }
    write_raw(dir.File("steps.txt"), content);
    MFastFileReader reader;
    ASSERT_TRUE(reader.Open(dir.File("steps.txt").c_str()));
    std::vector<std::string> lines;
    for (std::string line; !reader.IsEOF(); lines.push_back(line)) ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(lines, expected);
  }
}

// Fails every fill after the first `good_fills`, as a read error of the platform would.
class FailingReader : public MFastFileReader {
 public:
  explicit FailingReader(int good_fills) : good_fills_(good_fills) {}
  bool fill_buffer() override {
    if (good_fills_-- > 0) return MFastFileReader::fill_buffer();
    MERRTRACE("injected");
    return false;
  }

 private:
  int good_fills_;
};

TEST(FastFileReaderTest, FailuresAreReportedByTheCallingOperation) {
  MErrCapture capture;
  MTestTempDir dir;
  write_raw(dir.File("f"), "a\r");
  std::string line;

  FailingReader first(0);
  EXPECT_TRUE(first.IsEOF());
  EXPECT_THAT(capture.LogTexts(), ElementsAre("MFastFileReader::IsEOF(): no open file"));
  capture.Reset();
  ASSERT_TRUE(first.Open(dir.File("f").c_str()));
  EXPECT_FALSE(first.ReadLine(line));
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("injected", "MFastFileReader::ReadLine(STL): fill_buffer() failed"));
  capture.Reset();
  // IsEOF never fails: it logs its own context and clears it.
  EXPECT_TRUE(first.IsEOF());
  EXPECT_THAT(capture.LogTexts(), ElementsAre("MFastFileReader::IsEOF(): fill_buffer() failed", "injected"));
  EXPECT_THAT(capture.ContextTexts(), IsEmpty());

  FailingReader look_ahead(1);  // the CR ends the buffer, the look-ahead for LF fails
  ASSERT_TRUE(look_ahead.Open(dir.File("f").c_str()));
  EXPECT_FALSE(look_ahead.ReadLine(line));
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("injected", "MFastFileReader::ReadLine(STL):fill_buffer() failed"));
}

TEST(FastFileReaderTest, OpenFileStaysWritableByOthers) {
  MTestTempDir dir;
  const std::string path = dir.File("shared.txt");
  write_raw(path, "one\n");
  MFastFileReader reader;
  ASSERT_TRUE(reader.Open(path.c_str()));
  EXPECT_EQ(MFastFile_WriteAtOnce(path.c_str(), "two\n", 4, kMFastFileAppend), 4);
  std::string line;
  ASSERT_TRUE(reader.ReadLine(line) && reader.ReadLine(line));
  EXPECT_EQ(line, "two");
}

TEST(WriteAtOnceTest, WritesAsTheModeSaysAndLeavesNoTemporaryFile) {
  const struct {
    int mode;
    bool existing;      // the target holds "old" before the write
    const char* after;  // the target's content afterwards; null: the create-new write fails
  } cases[] = {{0, false, "new"}, {0, true, nullptr}, {1, true, "oldnew"}, {5, true, "oldnew"},
               {2, true, "new"},  {10, true, "new"},  {10, false, "new"},  {14, true, "new"}};
  for (const auto& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.existing ? " over an existing file" : " to a new file"));
    MErrCapture capture;
    MTestTempDir dir;
    const std::string path = dir.File("target.txt");
    if (c.existing) write_raw(path, "old");
    const int64_t result = MFastFile_WriteAtOnce(path.c_str(), "new", 3, c.mode);
    if (c.after != nullptr) {
      EXPECT_EQ(result, 3);
      EXPECT_THAT(capture.ContextTexts(), IsEmpty());
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_THAT(capture.ContextTexts(), ElementsAre(StartsWith("openwritefile(): CreateFile(" + path + ", ...) failed: "),
                                                      "MFastFile_WriteAtOnce(): openwritefile(" + path + ", 0) failed"));
    }
    EXPECT_EQ(read_raw(path), c.after != nullptr ? c.after : "old");
    EXPECT_FALSE(has_temp_file(dir));
  }
}

TEST(WriteAtOnceTest, UnknownOpenModeIsNamed) {
  MErrCapture capture;  // 7 is open mode 3 with the flush flag
  EXPECT_EQ(MFastFile_WriteAtOnce("x.txt", "", 0, 7), -1);
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("openwritefile(): unknown mode 3 for x.txt",
                                                  "MFastFile_WriteAtOnce(): openwritefile(x.txt, 3) failed"));
}

TEST(WriteAtOnceTest, ReplaceThatCannotRenameLeavesTargetAndNoTemporaryFile) {
  MErrCapture capture;
  MTestTempDir dir;
  const std::string target = dir.File("target");
  std::filesystem::create_directory(target);
  EXPECT_EQ(MFastFile_WriteAtOnce(target.c_str(), "new", 3, kMFastFileReplace), -1);
  EXPECT_THAT(capture.ContextTexts(),
              ElementsAre(StartsWith("file_rename(): MoveFileEx("),
                          StartsWith("MFastFile_WriteAtOnce(): file_rename(" + dir.path().string() + "\\ffw")));
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_TRUE(std::filesystem::is_empty(target));
  EXPECT_FALSE(has_temp_file(dir));
}

TEST(WriteAtOnceTest, ReplaceOfABareNameWorksInTheCurrentDirectory) {
  MTestTempDir dir;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(MFastFile_WriteAtOnce("bare.txt", "new", 3, kMFastFileReplace), 3);
  std::filesystem::current_path(previous);
  EXPECT_EQ(read_raw(dir.File("bare.txt")), "new");
  EXPECT_FALSE(has_temp_file(dir));
}

TEST(WriteLinesAtOnceTest, EveryLineEndBecomesCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {"x\ny\r\nz\r", "x\r\ny\r\nz\r\n"}, {"", ""}, {"\n\r", "\r\n\r\n"}, {"\r\r\n", "\r\n\r\n"}};
  MTestTempDir dir;
  for (const auto& [text, written] : cases) {
    SCOPED_TRACE(::testing::PrintToString(text));
    EXPECT_EQ(MFastFile_WriteLinesAtOnce(dir.File("f").c_str(), text.data(), text.size(), kMFastFileTruncate),
              static_cast<int64_t>(written.size()));
    EXPECT_EQ(read_raw(dir.File("f")), written);
  }
}

TEST(ReadAtOnceTest, ReadsWholeFilesAndReportsMissingOnes) {
  MErrCapture capture;
  MTestTempDir dir;
  write_raw(dir.File("empty"), "");
  write_raw(dir.File("three"), std::string("a\0b", 3));
  std::string text = "stale";
  EXPECT_EQ(MFastFile_ReadAtOnce(dir.File("empty").c_str(), text), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(MFastFile_ReadAtOnce(dir.File("three").c_str(), text), 3);
  EXPECT_EQ(text, std::string("a\0b", 3));
  EXPECT_THAT(capture.ContextTexts(), IsEmpty());

  const std::string missing = dir.File("missing");
  EXPECT_EQ(MFastFile_ReadAtOnce(missing.c_str(), text), -1);
  EXPECT_EQ(text, "");
  char buffer[4];
  EXPECT_EQ(MFastFile_ReadAtOnce(missing.c_str(), buffer, sizeof buffer), -1);
  // ENOENT and ERROR_FILE_NOT_FOUND are both 2.
  EXPECT_THAT(capture.ContextTexts(),
              ElementsAre("file_type(): _findfirst(\"" + missing + "\") failed: No such file or directory",
                          "MFastFile_ReadAtOnce(): file_size(\"" + missing + "\") returned -1",
                          "openfile(): CreateFile(\"" + missing + "\") failed: 2",
                          "MFastFile_ReadAtOnce(): openfile(\"" + missing + "\") failed."));
}

}  // namespace
