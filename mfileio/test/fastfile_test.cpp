#include "fastfile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "merrcapture.h"
#include "mtesttempdir.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

// The lines that a reader delivers for `content` until it reports the end of the file.
std::vector<std::string> read_lines(const MTestTempDir& dir, const std::string& content) {
  MFastFileReader reader;
  EXPECT_TRUE(reader.Open(dir.Write("lines.txt", content).c_str()));
  std::vector<std::string> lines;
  for (std::string line; !reader.IsEOF(); lines.push_back(line)) {
    if (!reader.ReadLine(line)) return {"ReadLine failed"};
  }
  return lines;
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
  for (const auto& c : cases) EXPECT_EQ(read_lines(dir, c.content), c.lines) << c.name;
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
    EXPECT_EQ(read_lines(dir, content), expected);
  }
}

// Read failures of an open reader are checked against injected platform faults elsewhere.
TEST(FastFileReaderTest, ReaderWithoutFileIsAtTheEndAndSaysSo) {
  MErrCapture capture;
  MFastFileReader reader;
  EXPECT_TRUE(reader.IsEOF());
  EXPECT_THAT(capture.LogTexts(), ElementsAre("MFastFileReader::IsEOF(): no open file"));
}

TEST(FastFileReaderTest, OpenFileStaysWritableByOthers) {
  MTestTempDir dir;
  const std::string path = dir.Write("shared.txt", "one\n");
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
    if (c.existing) dir.Write("target.txt", "old");
    const int64_t result = MFastFile_WriteAtOnce(path.c_str(), "new", 3, c.mode);
    if (c.after != nullptr) {
      EXPECT_EQ(result, 3);
      EXPECT_THAT(capture.ContextTexts(), IsEmpty());
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_THAT(capture.ContextTexts(), ElementsAre(StartsWith("openwritefile(): CreateFile(" + path + ", ...) failed: "),
                                                      "MFastFile_WriteAtOnce(): openwritefile(" + path + ", 0) failed"));
    }
    EXPECT_EQ(dir.Read("target.txt"), c.after != nullptr ? c.after : "old");
    EXPECT_FALSE(dir.HasTempFile());
  }
}

TEST(WriteAtOnceTest, UnknownOpenModeIsNamed) {
  MErrCapture capture;  // 7 is open mode 3 with the flush flag
  EXPECT_EQ(MFastFile_WriteAtOnce("x.txt", "", 0, 7), -1);
  EXPECT_THAT(capture.ContextTexts(), ElementsAre("openwritefile(): unknown mode 3 for x.txt",
                                                  "MFastFile_WriteAtOnce(): openwritefile(x.txt, 3) failed"));
}

TEST(WriteAtOnceTest, ReplaceOfABareNameWorksInTheCurrentDirectory) {
  MTestTempDir dir;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(MFastFile_WriteAtOnce("bare.txt", "new", 3, kMFastFileReplace), 3);
  std::filesystem::current_path(previous);
  EXPECT_EQ(dir.Read("bare.txt"), "new");
  EXPECT_FALSE(dir.HasTempFile());
}

TEST(WriteLinesAtOnceTest, EveryLineEndBecomesCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {"x\ny\r\nz\r", "x\r\ny\r\nz\r\n"}, {"", ""}, {"\n\r", "\r\n\r\n"}, {"\r\r\n", "\r\n\r\n"}};
  MTestTempDir dir;
  for (const auto& [text, written] : cases) {
    SCOPED_TRACE(::testing::PrintToString(text));
    EXPECT_EQ(MFastFile_WriteLinesAtOnce(dir.File("f").c_str(), text.data(), text.size(), kMFastFileTruncate),
              static_cast<int64_t>(written.size()));
    EXPECT_EQ(dir.Read("f"), written);
  }
}

TEST(ReadAtOnceTest, ReadsWholeFilesAndReportsMissingOnes) {
  MErrCapture capture;
  MTestTempDir dir;
  std::string text = "stale";
  EXPECT_EQ(MFastFile_ReadAtOnce(dir.Write("empty", "").c_str(), text), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(MFastFile_ReadAtOnce(dir.Write("three", std::string("a\0b", 3)).c_str(), text), 3);
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
