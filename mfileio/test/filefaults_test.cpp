#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fastfile.h"
#include "fileops.h"
#include "mfilefaultmatrix.h"

namespace {

const std::string kOld = "old\r";  // a CR at the end makes the reader look ahead once more
const std::string kFile = "\"{target}\"";

// A scenario whose file "target" holds kOld (unless `create` is false), with `operation` on its path.
auto on_target(std::function<bool(const std::string& target)> operation, bool create = true) {
  return [operation, create](const MTestTempDir& dir) -> std::function<bool()> {
    const std::string target = create ? dir.Write("target", kOld) : dir.File("target");
    return [operation, target] { return operation(target); };
  };
}

// A scenario with a reader opened on "target" (holding kOld), with `step` on the reader.
auto on_reader(std::function<bool(MFastFileReader&)> step) {
  return [step](const MTestTempDir& dir) -> std::function<bool()> {
    auto reader = std::make_shared<MFastFileReader>();
    if (!reader->Open(dir.Write("target", kOld).c_str())) ADD_FAILURE() << "cannot open the target";
    return [reader, step] { return step(*reader); };
  };
}

MFileFaultCase write_at_once_case(int mode) {
  const auto write = [mode](const std::string& target) {
    const int64_t written = MFastFile_WriteAtOnce(target.c_str(), "new", 3, mode);
    EXPECT_TRUE(written == 3 || written == -1) << written;  // a failure answers -1, nothing else
    return written == 3;
  };
  return {"MFastFile_WriteAtOnce mode " + std::to_string(mode), on_target(write, mode != kMFastFileCreateNew),
          MFileFaultsOfWriteAtOnce("{target}", mode), mode == kMFastFileReplace ? "target" : ""};
}

TEST(FileFaultTest, EveryFailingPlatformCallIsReportedAndLeavesNothingBehind) {
  const std::string read_failed = "read64(): ReadFile() failed: {code}";
  const std::string fill_failed = "MFastFileReader::fill_buffer(): read64() failed";
  const std::string size_failed = "MFastFile_ReadAtOnce(): file_size(" + kFile + ") returned -1";
  std::vector<MFileFault> read_string_faults =
      MFileFaultsReportedBy(MFileFaultsOfReadAtOnce("target", kOld.size()),
                            {"MFastFile_ReadAtOnce(): MFastFile_ReadAtOnce(" + kFile + ",..,4) failed"});
  read_string_faults.insert(read_string_faults.begin(),
                            {{{"file_type(): _findfirst(" + kFile + ") failed: *", size_failed}},
                             {{"file_size(): _stat64(" + kFile + ") failed: *", size_failed}}});

  std::vector<MFileFaultCase> cases;
  for (int mode : {kMFastFileCreateNew, kMFastFileAppend, kMFastFileTruncate, kMFastFileTruncate + kMFastFileFlush,
                   kMFastFileReplace}) {
    cases.push_back(write_at_once_case(mode));
  }
  cases.push_back(
      {"MFastFile_WriteLinesAtOnce mode 10",
       on_target([](const std::string& target) {
         return MFastFile_WriteLinesAtOnce(target.c_str(), "a\nb\n", 4, kMFastFileReplace) == 6;
       }),
       MFileFaultsReportedBy(MFileFaultsOfWriteAtOnce("{target}", kMFastFileReplace),
                             {"MFastFile_WriteLinesAtOnce(): MFastFile_WriteAtOnce(" + kFile + ",..,6,10) failed"}),
       "target"});
  cases.push_back({"MFastFile_ReadAtOnce into a buffer",
                   on_target([](const std::string& target) {
                     char buffer[16];
                     return MFastFile_ReadAtOnce(target.c_str(), buffer, sizeof buffer) == 4;
                   }),
                   MFileFaultsOfReadAtOnce("target", 16)});
  cases.push_back({"MFastFile_ReadAtOnce into a string",
                   on_target([](const std::string& target) {
                     std::string text = "stale";
                     const bool read = MFastFile_ReadAtOnce(target.c_str(), text) == 4;
                     EXPECT_EQ(text, read ? kOld : "");
                     return read;
                   }),
                   read_string_faults});
  cases.push_back({"MFastFileReader::Open",
                   on_target([](const std::string& target) { return MFastFileReader().Open(target.c_str()); }),
                   {{{"openfile(): CreateFile(" + kFile + ") failed: {code}",
                      "MFastFileReader::Open(): openfile(" + kFile + ") failed: {code}"}},
                    // The reader's destructor closes the file; its failure is only traced.
                    {{"MFastFileReader::Close(): CloseHandle() failed: {code}",
                      "MFastFileReader::~MFastFileReader(): Close() failed"},
                     {},
                     true}}});
  cases.push_back({"MFastFileReader::ReadLine",
                   on_reader([](MFastFileReader& reader) {
                     std::string line;
                     return reader.ReadLine(line) && line == "old";
                   }),
                   {{{read_failed, fill_failed, "MFastFileReader::ReadLine(STL): fill_buffer() failed"}},
                    {{read_failed, fill_failed, "MFastFileReader::ReadLine(STL):fill_buffer() failed"}}}});
  // IsEOF never fails: it logs the failure and answers end of file, which ReadFailed tells apart.
  cases.push_back({"MFastFileReader::IsEOF", on_reader([](MFastFileReader& reader) {
                     const bool at_end = reader.IsEOF();
                     EXPECT_EQ(reader.ReadFailed(), at_end);
                     return !at_end;
                   }),
                   {{{}, {"MFastFileReader::IsEOF(): fill_buffer() failed", read_failed, fill_failed}}}});
  cases.push_back({"MFastFileReader::Close", on_reader([](MFastFileReader& reader) { return reader.Close(); }),
                   {{{"MFastFileReader::Close(): CloseHandle() failed: {code}"}}}});
  cases.push_back({"file_rename",
                   [](const MTestTempDir& dir) -> std::function<bool()> {
                     return [from = dir.Write("source", "new"), to = dir.Write("target", kOld)] {
                       return file_rename(from.c_str(), to.c_str());
                     };
                   },
                   {{{"file_rename(): MoveFileEx({source},{target}) failed: {code}"}}},
                   "target"});
  for (const MFileFaultCase& c : cases) ExpectFileFaultMatrix(c);
}

}  // namespace
